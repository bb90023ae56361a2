// A record whose keys sit at the edges of the words the decoder compares keys in.
#pragma once

#include <cstdint>

#include "json/lcdjson.h"

namespace ocsm_test {

// One key that fills all three words (21 letters, with its quotes and colon 24 bytes), two longer
// than them (by one byte, and by five), and one whose first word ends with its closing quote (7
// letters).
struct s_Keys {
    int32_t abcdefghijklmnopqrstu = 0;
    int32_t abcdefghijklmnopqrstuvwxyz = 0;
    int32_t abcdefg = 0;
    int32_t abcdefghijklmnopqrstuv = 0;
};
LCDJSON_RECORD(s_Keys, abcdefghijklmnopqrstu, abcdefghijklmnopqrstuvwxyz, abcdefg,
               abcdefghijklmnopqrstuv)

}  // namespace ocsm_test
