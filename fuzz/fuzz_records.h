// Records for the fuzz targets: together they exercise every member conversion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json/lcdjson.h"

namespace fuzzrec {

struct s_Color {
    int32_t R = 50;
    int32_t G = 50;
    int32_t B = 50;
};
LCDJSON_RECORD(s_Color, R, G, B)

struct s_Item {
    int32_t id = 0;
    float gain = 0.0f;
    std::string name;
    s_Color color;
};
LCDJSON_RECORD(s_Item, id, gain, name, color)

struct s_Record {
    int32_t code = 0;
    uint32_t seq = 0;
    uint16_t small = 0;
    float level = 0.0f;
    std::string message;
    s_Color color;
    std::vector<s_Item> list;
};
LCDJSON_RECORD(s_Record, code, seq, small, level, message, color, list)

template <class T>
struct s_response {
    int32_t code = 0;
    std::string message;
    T data;
};
LCDJSON_RECORD_TEMPLATE(s_response, code, message, data)

}  // namespace fuzzrec
