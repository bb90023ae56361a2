// The controller's answer to the colour space PUT: an envelope of which only the result code and
// message matter, whatever its data holds.
#ifndef OCSM_OUTPUTCOLORSPACEMODEL_COLORSPACEANSWER_H
#define OCSM_OUTPUTCOLORSPACEMODEL_COLORSPACEANSWER_H

#include <cstdint>
#include <string>

#include "json/lcdjson.h"

namespace ColorSpace {

struct s_PutColorSpaceAnswer {
    int32_t code = 0;  // absent: nothing refused
    std::string message;
};
LCDJSON_RECORD(s_PutColorSpaceAnswer, code, message)

}  // namespace ColorSpace

#endif  // OCSM_OUTPUTCOLORSPACEMODEL_COLORSPACEANSWER_H
