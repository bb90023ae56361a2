// Records of the screen list-detail document, and the colour space record that travels
// between the host, the component and the device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "protomodel/commonrecords.h"

namespace LCD {
namespace ProtoModel {
namespace Screen {

struct s_ScreenIdObj {
    int32_t id = 0;
    int32_t type = 0;
};
LCDJSON_RECORD(s_ScreenIdObj, id, type)

struct s_Area {
    int32_t areaId = 0;
    std::string areaName;
};
LCDJSON_RECORD(s_Area, areaId, areaName)

struct s_General {
    std::string name;
    s_Area area;
};
LCDJSON_RECORD(s_General, name, area)

struct s_ScreenSplice {
    int32_t row = 0;
    int32_t column = 0;
};
LCDJSON_RECORD(s_ScreenSplice, row, column)

// Edge blending of one output.
struct s_Feather {
    int32_t enable = 0;
    int32_t type = 0;
    float gamma = 0.0f;
    int32_t width = 0;
};
LCDJSON_RECORD(s_Feather, enable, type, gamma, width)

// One output (interface) feeding part of the screen; pos is a full rectangle.
struct s_OutputDetail {
    int32_t interfaceId = 0;
    int32_t interfaceOnline = 0;
    std::string name;
    s_Rect pos;
    s_Rect crop;
    std::vector<s_Feather> feather;
};
LCDJSON_RECORD(s_OutputDetail, interfaceId, interfaceOnline, name, pos, crop, feather)

struct s_ScreenMosaic {
    int32_t type = 0;
    s_ScreenSplice splice;
    s_Rect window;
    std::vector<s_OutputDetail> outputs;
};
LCDJSON_RECORD(s_ScreenMosaic, type, splice, window, outputs)

struct s_ColorTemperature {
    int32_t mode = 0;
    s_QuickAdjust quickAdjust;
    s_RGB advanceAdjust;
};
LCDJSON_RECORD(s_ColorTemperature, mode, quickAdjust, advanceAdjust)

// gamma here is an integer in hundredths (220), unlike the float gamma of s_Sdr.
struct s_ImageQualityBody {
    int32_t imageQualityMode = 0;
    int32_t eyeCare = 0;
    int32_t hue = 0;
    int32_t saturation = 50;
    int32_t gamma = 220;
    s_RGB contrast;
    s_RGB brightness;
    s_RGBW shadow;
    s_RGBW highLight;
    s_ColorTemperature colorTemperature;
};
LCDJSON_RECORD(s_ImageQualityBody, imageQualityMode, eyeCare, hue, saturation, gamma, contrast,
               brightness, shadow, highLight, colorTemperature)

// Fade to black; time in milliseconds.
struct s_FTB {
    int32_t enable = 0;
    int32_t time = 700;
};
LCDJSON_RECORD(s_FTB, enable, time)

struct s_Hdcp {
    int32_t enable = 0;
    int32_t presetType = 0;
    int32_t actualType = 0;
};
LCDJSON_RECORD(s_Hdcp, enable, presetType, actualType)

struct s_Phase {
    int32_t enable = 0;
    int32_t offset = 0;
};
LCDJSON_RECORD(s_Phase, enable, offset)

struct s_Genlock {
    int32_t type = 0;
    s_Phase phase;
    int32_t sourceId = 0;
};
LCDJSON_RECORD(s_Genlock, type, phase, sourceId)

struct s_GenlockStatus {
    int32_t status = 0;
};
LCDJSON_RECORD(s_GenlockStatus, status)

struct s_ScreenDetailInfo {
    int32_t screenId = 0;
    s_ScreenIdObj screenIdObj;
    s_General general;
    s_ScreenMosaic mosaic;
    s_Preset colorDepth;
    s_Preset colorSpace;
    s_Preset colorRange;
    s_Preset colorGamut;
    s_Preset dynamicRange;
    s_TimingDetail timing;
    s_ThumbTiming thumbTiming;
    s_Select timingSelect;
    int32_t pgmEdit = 0;
    int32_t select = 0;
    s_ImageQualityBody imageQuality;
    int32_t freeze = 0;
    s_FTB ftb;
    s_TestPattern testPattern;
    s_Hdr hdr;
    s_Hdcp hdcp;
    s_Genlock genlock;
    s_GenlockStatus genlockStatus;
};
LCDJSON_RECORD(s_ScreenDetailInfo, screenId, screenIdObj, general, mosaic, colorDepth, colorSpace,
               colorRange, colorGamut, dynamicRange, timing, thumbTiming, timingSelect, pgmEdit,
               select, imageQuality, freeze, ftb, testPattern, hdr, hdcp, genlock, genlockStatus)

// One page of the screen list: the data of the screen list-detail answer.
struct s_ScreenDetail {
    int32_t count = 0;
    int32_t page = 0;
    int32_t totalCount = 0;
    int32_t totalPage = 0;
    std::vector<s_ScreenDetailInfo> list;
};
LCDJSON_RECORD(s_ScreenDetail, list, count, page, totalCount, totalPage)

// A screen's colour space. Besides its JSON form it is the 8-byte message payload exchanged
// with the host (screenId, then the preset), so its layout must not change.
struct s_ScreenColorSpace {
    int32_t screenId = 0;
    s_Preset colorSpace;
};
LCDJSON_RECORD(s_ScreenColorSpace, screenId, colorSpace)

static_assert(sizeof(s_ScreenColorSpace) == 8, "colour space payload is 8 bytes");
static_assert(std::is_standard_layout<s_ScreenColorSpace>::value,
              "colour space payload is copied as raw bytes");
static_assert(std::is_trivially_copyable<s_ScreenColorSpace>::value,
              "colour space payload is copied as raw bytes");
static_assert(offsetof(s_ScreenColorSpace, screenId) == 0, "screenId in bytes 0-3");
static_assert(offsetof(s_ScreenColorSpace, colorSpace) + offsetof(s_Preset, preset) == 4,
              "preset in bytes 4-7");

}  // namespace Screen
}  // namespace ProtoModel
}  // namespace LCD
