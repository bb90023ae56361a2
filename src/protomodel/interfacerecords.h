// Records of the interface list-detail document, and the fixed-layout interface record that
// the component hands to the host as a message payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "protomodel/commonrecords.h"

namespace LCD {
namespace ProtoModel {
namespace Interface {

// Where the interface sits in the hardware.
struct s_InterfaceIdObj {
    int32_t nodeId = 0;
    int32_t slotId = 0;
    int32_t connectorId = 0;
    int32_t splitId = 0;
};
LCDJSON_RECORD(s_InterfaceIdObj, nodeId, slotId, connectorId, splitId)

struct s_CopyInfo {
    int32_t type = 0;
    int32_t id = 0;
};
LCDJSON_RECORD(s_CopyInfo, type, id)

struct s_ConnectorInfo {
    int32_t interfaceType = 0;
    int32_t type = 0;
    int32_t workMode = 0;
    s_CopyInfo copyInfo;
    int32_t capacity = 0;
};
LCDJSON_RECORD(s_ConnectorInfo, interfaceType, type, workMode, copyInfo, capacity)

struct s_ScreenInfo {
    std::string name = "N/A";
};
LCDJSON_RECORD(s_ScreenInfo, name)

struct s_AuxiliaryInfo {
    // Kept for the record's shape only: no key sets it and nothing reads it.
    int32_t reserved = 0;
    s_ConnectorInfo connectorInfo;
    s_ScreenInfo screenInfo;
};
LCDJSON_RECORD(s_AuxiliaryInfo, connectorInfo, screenInfo)

struct s_General {
    std::string name = "N/A";
};
LCDJSON_RECORD(s_General, name)

// The ratios are integers too.
struct s_Crop {
    int32_t enable = 0;
    int32_t widthRatio = 0;
    int32_t heightRatio = 0;
    int32_t xRatio = 0;
    int32_t yRatio = 0;
};
LCDJSON_RECORD(s_Crop, enable, widthRatio, heightRatio, xRatio, yRatio)

// Keys are compared in the order enable, preset, actual; the members are declared otherwise.
struct s_ReadHDCPState {
    int32_t preset = -1;
    int32_t enable = 0;
    int32_t actual = 0;
};
LCDJSON_RECORD(s_ReadHDCPState, enable, preset, actual)

struct s_RemoveInterlace {
    int32_t enable = 0;
};
LCDJSON_RECORD(s_RemoveInterlace, enable)

struct s_Cursor {
    int32_t enable = 0;
    s_Pos pos;
    s_RGB color;
};
LCDJSON_RECORD(s_Cursor, enable, pos, color)

// The device sends enable first; the channels are declared first.
struct s_ForegroundColor {
    int32_t R = 50;
    int32_t G = 50;
    int32_t B = 50;
    int32_t enable = 0;
};
LCDJSON_RECORD(s_ForegroundColor, enable, R, G, B)

// Luminance keying.
struct s_Brightness {
    int32_t threshold = 0;
    int32_t gain = 0;
    s_ForegroundColor foregroundColor;
};
LCDJSON_RECORD(s_Brightness, threshold, gain, foregroundColor)

// Chroma keying. The device spells the highlight key "highLigh" here.
struct s_Hue {
    s_RGB color;
    int32_t hueClip = 5;
    int32_t hueRamp = 5;
    int32_t saturationClip = 5;
    int32_t saturationGain = 5;
    int32_t spill = 5;
    int32_t shadow = 5;
    int32_t highLigh = 5;
    int32_t edgeSmooth = 0;
};
LCDJSON_RECORD(s_Hue, color, hueClip, hueRamp, saturationClip, saturationGain, spill, shadow,
               highLigh, edgeSmooth)

struct s_Cutout {
    int32_t enable = 0;
    s_Cursor cursor;
    int32_t type = 0;
    s_Brightness brightness;
    s_Hue hue;
};
LCDJSON_RECORD(s_Cutout, enable, type, cursor, brightness, hue)

// Same shape as the screen's colour temperature, kept as a type of its own.
struct s_ColorTemperature {
    int32_t mode = 0;
    s_QuickAdjust quickAdjust;
    s_RGB advanceAdjust;
};
LCDJSON_RECORD(s_ColorTemperature, mode, quickAdjust, advanceAdjust)

// Same shape as the screen's image quality, kept as a type of its own.
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

// One interface (one element of the interface list). Its dynamic range key is
// colorDynamicRange, where a screen's is dynamicRange.
struct s_InterfaceList {
    int32_t interfaceId = 0;
    int32_t state = 0;
    s_InterfaceIdObj interfaceIdObj;
    s_AuxiliaryInfo auxiliaryInfo;
    s_General general;
    s_ThumbTiming presetThumbTiming;
    s_ThumbTiming actualThumbTiming;
    s_TimingDetail presetTiming;
    s_TimingDetail actualTiming;
    s_Select timingSelect;
    s_ImageQualityBody imageQuality;
    s_Crop crop;
    s_ReadHDCPState hdcp;
    s_PresetAndActual colorSpace;
    s_PresetAndActual colorDepth;
    s_PresetAndActual colorRange;
    s_PresetAndActual colorGamut;
    s_PresetAndActual colorDynamicRange;
    s_TestPattern testPattern;
    s_PresetAndActual smpteMapping;
    s_RemoveInterlace removeInterlace;
    s_Cutout cutout;
    s_Hdr hdr;
};
LCDJSON_RECORD(s_InterfaceList, interfaceId, state, interfaceIdObj, auxiliaryInfo, general,
               presetThumbTiming, actualThumbTiming, presetTiming, actualTiming, timingSelect,
               imageQuality, crop, hdcp, colorSpace, colorDepth, colorRange, colorGamut,
               colorDynamicRange, testPattern, smpteMapping, removeInterlace, cutout, hdr)

// One page of the interface list: the data of the interface list-detail answer.
struct s_InterfaceDetailInfo {
    int32_t count = 0;
    int32_t page = 0;
    int32_t totalCount = 0;
    int32_t totalPage = 0;
    std::vector<s_InterfaceList> list;
};
LCDJSON_RECORD(s_InterfaceDetailInfo, list, count, page, totalCount, totalPage)

// The condensed interface description sent to the host as 108 raw little-endian bytes.
// Every int32 field sits on a 4-byte boundary and the byte arrays fill the gaps, so the
// natural layout is the wire layout without any packing. Not bound to JSON.
struct s_InterfaceSourceInfo {
    int32_t interfaceId = 0;
    uint8_t reserved1[8] = {};
    int32_t slotId = 0;
    int32_t connectorId = 0;
    int32_t capacity = 0;
    int32_t connectorType = 0;
    uint8_t reserved2[4] = {};
    int32_t workMode = 0;
    uint8_t reserved3[5] = {};
    char name[64] = {};  // zero-terminated, all zero when no name was copied
    uint8_t reserved4[3] = {};
};

static_assert(sizeof(s_InterfaceSourceInfo) == 108, "interface payload is 108 bytes");
static_assert(std::is_standard_layout<s_InterfaceSourceInfo>::value,
              "interface payload is sent as raw bytes");
static_assert(std::is_trivially_copyable<s_InterfaceSourceInfo>::value,
              "interface payload is sent as raw bytes");
static_assert(offsetof(s_InterfaceSourceInfo, interfaceId) == 0, "interfaceId offset");
static_assert(offsetof(s_InterfaceSourceInfo, reserved1) == 4, "reserved1 offset");
static_assert(offsetof(s_InterfaceSourceInfo, slotId) == 12, "slotId offset");
static_assert(offsetof(s_InterfaceSourceInfo, connectorId) == 16, "connectorId offset");
static_assert(offsetof(s_InterfaceSourceInfo, capacity) == 20, "capacity offset");
static_assert(offsetof(s_InterfaceSourceInfo, connectorType) == 24, "connectorType offset");
static_assert(offsetof(s_InterfaceSourceInfo, reserved2) == 28, "reserved2 offset");
static_assert(offsetof(s_InterfaceSourceInfo, workMode) == 32, "workMode offset");
static_assert(offsetof(s_InterfaceSourceInfo, reserved3) == 36, "reserved3 offset");
static_assert(offsetof(s_InterfaceSourceInfo, name) == 41, "name offset");
static_assert(sizeof(s_InterfaceSourceInfo::name) == 64, "name holds 64 bytes");
static_assert(offsetof(s_InterfaceSourceInfo, reserved4) == 105, "reserved4 offset");

}  // namespace Interface
}  // namespace ProtoModel
}  // namespace LCD
