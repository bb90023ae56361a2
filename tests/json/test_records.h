// Small records for the codec tests and the fuzz targets, one per shape the binding supports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json/lcdjson.h"

namespace jsontest {

struct s_RGB {
    int32_t R = 50;
    int32_t G = 50;
    int32_t B = 50;
};
LCDJSON_RECORD(s_RGB, R, G, B)

struct s_Preset {
    int32_t preset = -1;
};
LCDJSON_RECORD(s_Preset, preset)

struct s_ScreenColorSpace {
    int32_t screenId = 0;
    s_Preset colorSpace;
};
LCDJSON_RECORD(s_ScreenColorSpace, screenId, colorSpace)

// Field list order differs from the declared order on purpose.
struct s_Header {
    uint32_t CommandCode = 0;
    uint16_t ErrorCode = 0;
    float gain = 1.5f;
};
LCDJSON_RECORD(s_Header, gain, ErrorCode, CommandCode)

// Every member kind; "spare" is bound to no key.
struct s_Everything {
    int32_t spare = 0;
    int32_t id = 0;
    uint32_t seq = 0;
    uint16_t small = 0;
    float level = 0.0f;
    std::string name;
    s_RGB color;
    std::vector<s_ScreenColorSpace> list;
};
LCDJSON_RECORD(s_Everything, id, seq, small, level, name, color, list)

template <class T>
struct s_response {
    int32_t code = 0;
    std::string message;
    T data;
};
LCDJSON_RECORD_TEMPLATE(s_response, code, message, data)

}  // namespace jsontest
