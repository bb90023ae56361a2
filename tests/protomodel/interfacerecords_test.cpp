// Interface records and the fixed-layout interface payload.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using namespace LCD::ProtoModel::Interface;
using namespace protomodeltest;
using InterfaceAnswer = s_response<s_InterfaceDetailInfo>;

const std::string kPresetActual = R"({"preset":-1,"actual":-1})";
const std::string kCutout =
    R"({"enable":0,"type":0,"cursor":{"enable":0,"pos":{"x":0,"y":0},"color":)" + kRGB +
    R"(},"brightness":{"threshold":0,"gain":0,"foregroundColor":{"enable":0,"R":50,"G":50,)"
    R"("B":50}},"hue":{"color":)" +
    kRGB +
    R"(,"hueClip":5,"hueRamp":5,"saturationClip":5,"saturationGain":5,"spill":5,"shadow":5,)"
    R"("highLigh":5,"edgeSmooth":0}})";

TEST(InterfaceRecords, NewRecordsCarryTheDeviceDefaultsUnderTheirKeys) {
    EXPECT_EQ(json(s_Cutout{}), kCutout);
    EXPECT_EQ(json(s_InterfaceList{}),
              R"({"interfaceId":0,"state":0,)"
              R"("interfaceIdObj":{"nodeId":0,"slotId":0,"connectorId":0,"splitId":0},)"
              R"("auxiliaryInfo":{"connectorInfo":{"interfaceType":0,"type":0,"workMode":0,)"
              R"("copyInfo":{"type":0,"id":0},"capacity":0},"screenInfo":{"name":"N/A"}},)"
              R"("general":{"name":"N/A"},"presetThumbTiming":)" +
                  kThumbTiming + R"(,"actualThumbTiming":)" + kThumbTiming + R"(,"presetTiming":)" +
                  kTiming + R"(,"actualTiming":)" + kTiming +
                  R"(,"timingSelect":{"select":0},"imageQuality":)" + kImageQuality +
                  R"(,"crop":{"enable":0,"widthRatio":0,"heightRatio":0,"xRatio":0,"yRatio":0},)"
                  R"("hdcp":{"enable":0,"preset":-1,"actual":0},"colorSpace":)" +
                  kPresetActual + R"(,"colorDepth":)" + kPresetActual + R"(,"colorRange":)" +
                  kPresetActual + R"(,"colorGamut":)" + kPresetActual + R"(,"colorDynamicRange":)" +
                  kPresetActual + R"(,"testPattern":)" + kTestPattern + R"(,"smpteMapping":)" +
                  kPresetActual + R"(,"removeInterlace":{"enable":0},"cutout":)" + kCutout +
                  R"(,"hdr":)" + kHdr + "}");
    EXPECT_EQ(json(decodeOrFail<InterfaceAnswer>(R"({"code":0,"message":"success"})").data),
              R"({"list":[],"count":0,"page":0,"totalCount":0,"totalPage":0})");
    // Sent as raw bytes: a new payload is all zero, reserved ranges included.
    const s_InterfaceSourceInfo info;
    const unsigned char zeros[sizeof info] = {};
    EXPECT_EQ(std::memcmp(&info, zeros, sizeof info), 0);
}

TEST(InterfaceRecords, NestedObjectsBindByNameAndKeepTheRest) {
    const s_InterfaceList item = decodeOrFail<s_InterfaceList>(
        R"({"hdcp":{"actual":3,"preset":2,"enable":1},)"
        R"("cutout":{"type":2,"cursor":{"pos":{"x":10,"y":20}}},)"
        R"("dynamicRange":{"preset":4,"actual":4},"colorDynamicRange":{"preset":1,"actual":0},)"
        R"("general":{},"auxiliaryInfo":{"screenInfo":{"name":"Wall"}}})");
    EXPECT_EQ(json(item.hdcp), R"({"enable":1,"preset":2,"actual":3})");
    EXPECT_EQ(json(item.cutout.cursor),
              R"({"enable":0,"pos":{"x":10,"y":20},"color":)" + kRGB + "}");
    EXPECT_EQ(item.cutout.type, 2);
    EXPECT_EQ(json(item.colorDynamicRange), R"({"preset":1,"actual":0})");  // not dynamicRange
    EXPECT_EQ(item.general.name, "N/A");
    EXPECT_EQ(item.auxiliaryInfo.screenInfo.name, "Wall");
    EXPECT_EQ(decodeOrFail<s_InterfaceList>(R"({"general":{"name":""}})").general.name, "");

    EXPECT_EQ(json(decodeOrFail<s_Brightness>(R"({"foregroundColor":{"enable":1}})")),
              R"({"threshold":0,"gain":0,"foregroundColor":{"enable":1,"R":50,"G":50,"B":50}})");
    EXPECT_EQ(json(decodeOrFail<s_ForegroundColor>(R"({"B":7,"R":9})")),
              R"({"enable":0,"R":9,"G":50,"B":7})");
    // The device spells the key highLigh; highLight is an unknown key.
    EXPECT_EQ(decodeOrFail<s_Hue>(R"({"highLight":9,"spill":1})").highLigh, 5);
    EXPECT_EQ(decodeOrFail<s_Hue>(R"({"highLigh":9})").highLigh, 9);
}

TEST(InterfaceRecords, ReservedIsNeverReadButIsCopied) {
    s_AuxiliaryInfo aux =
        decodeOrFail<s_AuxiliaryInfo>(R"({"reserved":7,"connectorInfo":{"capacity":4}})");
    EXPECT_EQ(aux.reserved, 0);
    EXPECT_EQ(aux.connectorInfo.capacity, 4);
    aux.reserved = 12;
    const s_AuxiliaryInfo copy = aux;
    EXPECT_EQ(copy.reserved, 12);
}

}  // namespace
