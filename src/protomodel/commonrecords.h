// Small value records shared by the screen and interface documents of the REST service,
// and the envelope that wraps every answer.
//
// Each record is bound to JSON right after its definition; the member list given to the
// binding macro is the record's field list: the keys it reads, in the order they are compared
// (and written), which is not always the declared order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json/lcdjson.h"

namespace LCD {
namespace ProtoModel {

struct s_Pos {
    int32_t x = 0;
    int32_t y = 0;
};
LCDJSON_RECORD(s_Pos, x, y)

struct s_Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};
LCDJSON_RECORD(s_Rect, x, y, width, height)

struct s_RGB {
    int32_t R = 50;
    int32_t G = 50;
    int32_t B = 50;
};
LCDJSON_RECORD(s_RGB, R, G, B)

struct s_RGBW {
    int32_t R = 50;
    int32_t G = 50;
    int32_t B = 50;
    int32_t W = 100;
};
LCDJSON_RECORD(s_RGBW, R, G, B, W)

// -1: nothing selected yet.
struct s_Preset {
    int32_t preset = -1;
};
LCDJSON_RECORD(s_Preset, preset)

struct s_Select {
    int32_t select = 0;
};
LCDJSON_RECORD(s_Select, select)

// A setting as configured (preset) and as in effect (actual).
struct s_PresetAndActual {
    int32_t preset = -1;
    int32_t actual = -1;
};
LCDJSON_RECORD(s_PresetAndActual, preset, actual)

struct s_QuickAdjust {
    int32_t value = 0;
};
LCDJSON_RECORD(s_QuickAdjust, value)

// One axis of a video timing.
struct s_Timing {
    int32_t addTime = 0;
    int32_t frontPorch = 0;
    int32_t sync = 0;
    int32_t syncPolarity = 0;
    int32_t totalTime = 0;
};
LCDJSON_RECORD(s_Timing, addTime, frontPorch, sync, syncPolarity, totalTime)

struct s_TimingDetail {
    int32_t interlaced = 1;
    float refresh = 0.0f;
    s_Timing horizontal;
    s_Timing vertical;
};
LCDJSON_RECORD(s_TimingDetail, interlaced, refresh, horizontal, vertical)

// Resolution and frame rate only.
struct s_ThumbTiming {
    int32_t interlaced = 1;
    float frame = 0.0f;
    int32_t width = 0;
    int32_t height = 0;
};
LCDJSON_RECORD(s_ThumbTiming, interlaced, frame, width, height)

struct s_TestPattern {
    int32_t enable = 0;
    int32_t type = 5;
    int32_t bright = 3;
    int32_t grid = 5;
    int32_t gridType = 0;
    int32_t gridLineWidth = 1;
    int32_t speed = 4;
};
LCDJSON_RECORD(s_TestPattern, enable, type, bright, grid, gridType, gridLineWidth, speed)

struct s_Sdr {
    float gamma = 2.2f;
};
LCDJSON_RECORD(s_Sdr, gamma)

struct s_Hlg {
    int32_t peakLuminance = 0;
    int32_t envLuminance = 0;
};
LCDJSON_RECORD(s_Hlg, peakLuminance, envLuminance)

// The device names this one with a capital S.
struct S_Maxcll {
    int32_t enable = 0;
    int32_t presetMaxcll = 0;
};
LCDJSON_RECORD(S_Maxcll, enable, presetMaxcll)

struct s_Hdr10 {
    int32_t peakLuminance = 0;
    int32_t envLuminance = 0;
    int32_t pqMode = 0;
    int32_t toneMapping = 0;
    S_Maxcll maxcll;
};
LCDJSON_RECORD(s_Hdr10, peakLuminance, envLuminance, pqMode, toneMapping, maxcll)

struct s_Hdr {
    s_Sdr sdr;
    s_Hdr10 hdr10;
    s_Hlg hlg;
};
LCDJSON_RECORD(s_Hdr, sdr, hdr10, hlg)

// The envelope of every REST answer. Its code and message are carried, not interpreted.
template <class T>
struct s_response {
    int32_t code = 0;
    std::string message;
    T data;
};
LCDJSON_RECORD_TEMPLATE(s_response, code, message, data)

}  // namespace ProtoModel
}  // namespace LCD
