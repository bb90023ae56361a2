// Interface records and the fixed-layout interface payload.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using namespace LCD::ProtoModel::Interface;
using protomodeltest::decodeOrFail;
using protomodeltest::fieldNames;
using Names = std::vector<std::string>;
using InterfaceAnswer = s_response<s_InterfaceDetailInfo>;

TEST(InterfaceRecordDefaults, NewInterfaceCarriesTheDeviceDefaults) {
    const s_InterfaceList item;
    EXPECT_EQ(item.interfaceId, 0);
    EXPECT_EQ(item.state, 0);
    EXPECT_EQ(item.interfaceIdObj.nodeId, 0);
    EXPECT_EQ(item.interfaceIdObj.splitId, 0);
    EXPECT_EQ(item.general.name, "N/A");
    EXPECT_EQ(item.auxiliaryInfo.screenInfo.name, "N/A");
    EXPECT_EQ(item.auxiliaryInfo.reserved, 0);
    EXPECT_EQ(item.auxiliaryInfo.connectorInfo.capacity, 0);
    EXPECT_EQ(item.auxiliaryInfo.connectorInfo.copyInfo.id, 0);
    for (const s_PresetAndActual* p :
         {&item.colorSpace, &item.colorDepth, &item.colorRange, &item.colorGamut,
          &item.colorDynamicRange, &item.smpteMapping}) {
        EXPECT_EQ(p->preset, -1);
        EXPECT_EQ(p->actual, -1);
    }
    EXPECT_EQ(item.hdcp.preset, -1);
    EXPECT_EQ(item.hdcp.enable, 0);
    EXPECT_EQ(item.hdcp.actual, 0);
    EXPECT_EQ(item.presetThumbTiming.interlaced, 1);
    EXPECT_EQ(item.actualTiming.interlaced, 1);
    EXPECT_EQ(item.crop.widthRatio, 0);
    EXPECT_EQ(item.removeInterlace.enable, 0);
    EXPECT_EQ(item.imageQuality.saturation, 50);
    EXPECT_EQ(item.imageQuality.gamma, 220);
    EXPECT_EQ(item.imageQuality.shadow.W, 100);
    EXPECT_EQ(item.imageQuality.colorTemperature.advanceAdjust.G, 50);
    EXPECT_EQ(item.testPattern.speed, 4);
    EXPECT_EQ(item.hdr.sdr.gamma, 2.2f);
}

TEST(InterfaceRecordDefaults, CutoutKeyingStartsNeutral) {
    const s_Cutout cutout;
    EXPECT_EQ(cutout.enable, 0);
    EXPECT_EQ(cutout.type, 0);
    EXPECT_EQ(cutout.cursor.enable, 0);
    EXPECT_EQ(cutout.cursor.pos.x, 0);
    EXPECT_EQ(cutout.cursor.pos.y, 0);
    EXPECT_EQ(cutout.cursor.color.R, 50);
    EXPECT_EQ(cutout.brightness.threshold, 0);
    EXPECT_EQ(cutout.brightness.gain, 0);
    EXPECT_EQ(cutout.brightness.foregroundColor.enable, 0);
    EXPECT_EQ(cutout.brightness.foregroundColor.R, 50);
    EXPECT_EQ(cutout.brightness.foregroundColor.G, 50);
    EXPECT_EQ(cutout.brightness.foregroundColor.B, 50);
    const s_Hue& hue = cutout.hue;
    EXPECT_EQ(hue.color.B, 50);
    for (int32_t v : {hue.hueClip, hue.hueRamp, hue.saturationClip, hue.saturationGain, hue.spill,
                      hue.shadow, hue.highLigh}) {
        EXPECT_EQ(v, 5);
    }
    EXPECT_EQ(hue.edgeSmooth, 0);
}

TEST(InterfaceRecordFieldLists, KeyOrderDiffersFromDeclaredOrder) {
    EXPECT_EQ(fieldNames<s_ReadHDCPState>(), (Names{"enable", "preset", "actual"}));
    EXPECT_EQ(fieldNames<s_Cutout>(), (Names{"enable", "type", "cursor", "brightness", "hue"}));
    EXPECT_EQ(fieldNames<s_ForegroundColor>(), (Names{"enable", "R", "G", "B"}));
    EXPECT_EQ(fieldNames<s_InterfaceDetailInfo>(),
              (Names{"list", "count", "page", "totalCount", "totalPage"}));
}

TEST(InterfaceRecordFieldLists, DeviceSpellingsAndUnboundMembers) {
    EXPECT_EQ(fieldNames<s_Hue>(),
              (Names{"color", "hueClip", "hueRamp", "saturationClip", "saturationGain", "spill",
                     "shadow", "highLigh", "edgeSmooth"}));
    EXPECT_EQ(fieldNames<s_AuxiliaryInfo>(), (Names{"connectorInfo", "screenInfo"}));
    EXPECT_EQ(fieldNames<s_ConnectorInfo>(),
              (Names{"interfaceType", "type", "workMode", "copyInfo", "capacity"}));
    EXPECT_EQ(fieldNames<s_Crop>(),
              (Names{"enable", "widthRatio", "heightRatio", "xRatio", "yRatio"}));
    EXPECT_EQ(fieldNames<s_InterfaceList>(), (Names{"interfaceId",
                                                    "state",
                                                    "interfaceIdObj",
                                                    "auxiliaryInfo",
                                                    "general",
                                                    "presetThumbTiming",
                                                    "actualThumbTiming",
                                                    "presetTiming",
                                                    "actualTiming",
                                                    "timingSelect",
                                                    "imageQuality",
                                                    "crop",
                                                    "hdcp",
                                                    "colorSpace",
                                                    "colorDepth",
                                                    "colorRange",
                                                    "colorGamut",
                                                    "colorDynamicRange",
                                                    "testPattern",
                                                    "smpteMapping",
                                                    "removeInterlace",
                                                    "cutout",
                                                    "hdr"}));
    EXPECT_EQ(fieldNames<Interface::s_ImageQualityBody>(),
              fieldNames<Screen::s_ImageQualityBody>());
}

TEST(InterfaceRecordReading, HdcpKeysBindByNameNotPosition) {
    const s_InterfaceList item =
        decodeOrFail<s_InterfaceList>(R"({"hdcp":{"enable":1,"preset":2,"actual":3}})");
    EXPECT_EQ(item.hdcp.enable, 1);
    EXPECT_EQ(item.hdcp.preset, 2);
    EXPECT_EQ(item.hdcp.actual, 3);
}

TEST(InterfaceRecordReading, ForegroundEnableLeavesTheChannels) {
    const s_Brightness brightness =
        decodeOrFail<s_Brightness>(R"({"foregroundColor":{"enable":1}})");
    EXPECT_EQ(brightness.foregroundColor.enable, 1);
    EXPECT_EQ(brightness.foregroundColor.R, 50);
    EXPECT_EQ(brightness.foregroundColor.G, 50);
    EXPECT_EQ(brightness.foregroundColor.B, 50);
    const s_ForegroundColor colour = decodeOrFail<s_ForegroundColor>(R"({"B":7,"R":9})");
    EXPECT_EQ(colour.R, 9);
    EXPECT_EQ(colour.B, 7);
    EXPECT_EQ(colour.enable, 0);
}

TEST(InterfaceRecordReading, CutoutTypeAndCursorPosition) {
    const s_InterfaceList item =
        decodeOrFail<s_InterfaceList>(R"({"cutout":{"type":2,"cursor":{"pos":{"x":10,"y":20}}}})");
    EXPECT_EQ(item.cutout.type, 2);
    EXPECT_EQ(item.cutout.enable, 0);
    EXPECT_EQ(item.cutout.cursor.pos.x, 10);
    EXPECT_EQ(item.cutout.cursor.pos.y, 20);
    EXPECT_EQ(item.cutout.cursor.color.R, 50);
    EXPECT_EQ(item.cutout.cursor.color.G, 50);
    EXPECT_EQ(item.cutout.cursor.color.B, 50);
}

TEST(InterfaceRecordReading, HighLightIsNotTheHueKey) {
    const s_Hue wrongSpelling = decodeOrFail<s_Hue>(R"({"highLight":9,"spill":1})");
    EXPECT_EQ(wrongSpelling.highLigh, 5);
    EXPECT_EQ(wrongSpelling.spill, 1);
    EXPECT_EQ(decodeOrFail<s_Hue>(R"({"highLigh":9})").highLigh, 9);
}

TEST(InterfaceRecordReading, NamesStayNotAvailableUnlessGiven) {
    EXPECT_EQ(decodeOrFail<s_InterfaceList>(R"({"general":{}})").general.name, "N/A");
    const s_InterfaceList named = decodeOrFail<s_InterfaceList>(
        R"({"general":{"name":""},"auxiliaryInfo":{"screenInfo":{"name":"Wall"}}})");
    EXPECT_EQ(named.general.name, "");
    EXPECT_EQ(named.auxiliaryInfo.screenInfo.name, "Wall");
}

TEST(InterfaceRecordReading, ReservedIsNeverReadButIsCopied) {
    s_AuxiliaryInfo aux =
        decodeOrFail<s_AuxiliaryInfo>(R"({"reserved":7,"connectorInfo":{"capacity":4}})");
    EXPECT_EQ(aux.reserved, 0);
    EXPECT_EQ(aux.connectorInfo.capacity, 4);
    aux.reserved = 12;
    const s_AuxiliaryInfo copy = aux;
    EXPECT_EQ(copy.reserved, 12);
}

TEST(InterfaceRecordReading, DynamicRangeKeyDiffersFromTheScreens) {
    const s_InterfaceList item = decodeOrFail<s_InterfaceList>(
        R"({"dynamicRange":{"preset":4,"actual":4},"colorDynamicRange":{"preset":1,"actual":0}})");
    EXPECT_EQ(item.colorDynamicRange.preset, 1);
    EXPECT_EQ(item.colorDynamicRange.actual, 0);
}

TEST(InterfaceRecordReading, EnvelopeWithoutDataGivesAnEmptyPage) {
    const InterfaceAnswer answer =
        decodeOrFail<InterfaceAnswer>(R"({"code":0,"message":"success"})");
    EXPECT_TRUE(answer.data.list.empty());
    EXPECT_EQ(answer.data.count, 0);
    EXPECT_EQ(answer.data.totalPage, 0);
}

TEST(InterfaceSourceInfoLayout, NewRecordIsAllZeroBytes) {
    const s_InterfaceSourceInfo info;
    unsigned char bytes[sizeof info];
    std::memcpy(bytes, &info, sizeof bytes);
    for (size_t i = 0; i < sizeof bytes; ++i) {
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    }
}

TEST(InterfaceSourceInfoLayout, FieldsLandOnTheirWireOffsets) {
    s_InterfaceSourceInfo info;
    info.interfaceId = 0x11223344;
    info.slotId = 3;
    info.connectorId = 1;
    info.capacity = 2;
    info.connectorType = 4;
    info.workMode = -2;
    std::memcpy(info.name, "OUT", 4);

    unsigned char bytes[108];
    std::memcpy(bytes, &info, sizeof bytes);
    auto int32At = [&bytes](size_t offset) {
        return static_cast<int32_t>(uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
                                    uint32_t(bytes[offset + 2]) << 16 |
                                    uint32_t(bytes[offset + 3]) << 24);
    };
    EXPECT_EQ(int32At(0), 0x11223344);
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(int32At(12), 3);
    EXPECT_EQ(int32At(16), 1);
    EXPECT_EQ(int32At(20), 2);
    EXPECT_EQ(int32At(24), 4);
    EXPECT_EQ(int32At(32), -2);
    EXPECT_EQ(std::memcmp(bytes + 41, "OUT", 4), 0);
    // The reserved ranges stay zero.
    for (size_t i : {4, 5, 6, 7, 8, 9, 10, 11, 28, 29, 30, 31, 36, 37, 38, 39, 40, 105, 106, 107}) {
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    }
}

}  // namespace
