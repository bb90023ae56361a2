// Screen records, the response envelope and the colour space record.
#include <gtest/gtest.h>

#include <cstdint>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using namespace LCD::ProtoModel::Screen;
using namespace protomodeltest;
using ScreenAnswer = s_response<s_ScreenDetail>;
using ColourSpaces = std::vector<s_ScreenColorSpace>;

const std::string kRect = R"({"x":0,"y":0,"width":0,"height":0})";

TEST(ScreenRecords, NewRecordsCarryTheDeviceDefaultsUnderTheirKeys) {
    EXPECT_EQ(json(s_ScreenDetailInfo{}),
              R"({"screenId":0,"screenIdObj":{"id":0,"type":0},)"
              R"("general":{"name":"","area":{"areaId":0,"areaName":""}},)"
              R"("mosaic":{"type":0,"splice":{"row":0,"column":0},"window":)" +
                  kRect +
                  R"(,"outputs":[]},"colorDepth":{"preset":-1},"colorSpace":{"preset":-1},)"
                  R"("colorRange":{"preset":-1},"colorGamut":{"preset":-1},)"
                  R"("dynamicRange":{"preset":-1},"timing":)" +
                  kTiming + R"(,"thumbTiming":)" + kThumbTiming +
                  R"(,"timingSelect":{"select":0},"pgmEdit":0,"select":0,"imageQuality":)" +
                  kImageQuality + R"(,"freeze":0,"ftb":{"enable":0,"time":700},"testPattern":)" +
                  kTestPattern + R"(,"hdr":)" + kHdr +
                  R"(,"hdcp":{"enable":0,"presetType":0,"actualType":0},)"
                  R"("genlock":{"type":0,"phase":{"enable":0,"offset":0},"sourceId":0},)"
                  R"("genlockStatus":{"status":0}})");
    EXPECT_EQ(json(s_OutputDetail{}), R"({"interfaceId":0,"interfaceOnline":0,"name":"","pos":)" +
                                          kRect + R"(,"crop":)" + kRect + R"(,"feather":[]})");
    EXPECT_EQ(json(s_Feather{}), R"({"enable":0,"type":0,"gamma":0,"width":0})");
    // An envelope without a data key decodes to an empty page with all counters 0.
    EXPECT_EQ(json(decodeOrFail<ScreenAnswer>(R"({"code":0,"message":"success"})")),
              R"({"code":0,"message":"success",)"
              R"("data":{"list":[],"count":0,"page":0,"totalCount":0,"totalPage":0}})");
}

TEST(ScreenRecords, ErrorEnvelopeIsReadNotJudged) {
    const ScreenAnswer answer = decodeOrFail<ScreenAnswer>(
        R"({"code":40101,"message":"token expired","data":{"list":[{"screenId":4}],"count":1}})");
    EXPECT_EQ(answer.code, 40101);
    EXPECT_EQ(answer.message, "token expired");
    EXPECT_EQ(answer.data.count, 1);
    ASSERT_EQ(answer.data.list.size(), 1u);
    EXPECT_EQ(answer.data.list[0].screenId, 4);
}

TEST(ScreenRecords, PartialAndUnknownContent) {
    // Without a colorSpace object the preset stays -1; a bare number is refused.
    const s_ScreenDetailInfo some = decodeOrFail<s_ScreenDetailInfo>(
        R"({"screenId":3,"colorSpace":{"preset":2},"dynamicRange":{"preset":1}})");
    EXPECT_EQ(decodeOrFail<s_ScreenDetailInfo>(R"({"screenId":3})").colorSpace.preset, -1);
    EXPECT_EQ(json(some.colorSpace) + json(some.dynamicRange) + json(some.colorDepth),
              R"({"preset":2}{"preset":1}{"preset":-1})");
    EXPECT_EQ(decodeError<s_ScreenDetailInfo>(R"({"colorSpace":3})"),
              "error at line :0 col :15 msg:read object must start with {!");

    // Keys that no name list holds, anywhere, are skipped and the rest is read.
    const s_ScreenDetailInfo screen = decodeOrFail<s_ScreenDetailInfo>(
        R"({"newSetting":{"a":[1,{"b":[]}],"c":"}"},"screenId":9,)"
        R"("mosaic":{"rotation":90,"outputs":[{"slot":"x","interfaceId":11,"future":[[]]}]},)"
        R"("ftb":{"curve":"linear","time":250},"trailing":null})");
    EXPECT_EQ(screen.screenId, 9);
    ASSERT_EQ(screen.mosaic.outputs.size(), 1u);
    EXPECT_EQ(screen.mosaic.outputs[0].interfaceId, 11);
    EXPECT_EQ(json(screen.ftb), R"({"enable":0,"time":250})");

    EXPECT_EQ(json(decodeOrFail<s_OutputDetail>(
                  R"({"interfaceId":7,"pos":{"x":0,"y":0,"width":640,"height":480}})")),
              R"({"interfaceId":7,"interfaceOnline":0,"name":"",)"
              R"("pos":{"x":0,"y":0,"width":640,"height":480},"crop":)" +
                  kRect + R"(,"feather":[]})");
    // gamma of the image quality is an integer; RGBW channels fill one by one.
    const s_ImageQualityBody quality =
        decodeOrFail<s_ImageQualityBody>(R"({"gamma":240,"highLight":{"W":90},"shadow":{"R":1}})");
    EXPECT_EQ(quality.gamma, 240);
    EXPECT_EQ(json(quality.highLight) + json(quality.shadow),
              R"({"R":50,"G":50,"B":50,"W":90}{"R":1,"G":50,"B":50,"W":100})");
}

TEST(ScreenColorSpace, JsonBothWays) {
    EXPECT_EQ(json(s_ScreenColorSpace{}), R"({"screenId":0,"colorSpace":{"preset":-1}})");
    EXPECT_EQ(json(decodeOrFail<ColourSpaces>(R"([{"screenId":1}])")),
              R"([{"screenId":1,"colorSpace":{"preset":-1}}])");
    EXPECT_EQ(json(ColourSpaces{{5, s_Preset{3}}}),
              R"([{"screenId":5,"colorSpace":{"preset":3}}])");
    const ColourSpaces sent{{5, s_Preset{}}, {-2, {0}}, {INT32_MIN, {INT32_MAX}}};
    const std::string text = json(sent);
    EXPECT_EQ(text, R"([{"screenId":5,"colorSpace":{"preset":-1}},)"
                    R"({"screenId":-2,"colorSpace":{"preset":0}},)"
                    R"({"screenId":-2147483648,"colorSpace":{"preset":2147483647}}])");
    EXPECT_EQ(json(decodeOrFail<ColourSpaces>(text)), text);
}

}  // namespace
