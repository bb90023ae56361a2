// Screen records, the response envelope and the colour space record.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using namespace LCD::ProtoModel::Screen;
using protomodeltest::decodeError;
using protomodeltest::decodeOrFail;
using protomodeltest::fieldNames;
using Names = std::vector<std::string>;
using ScreenAnswer = s_response<s_ScreenDetail>;

TEST(ScreenRecordDefaults, NewScreenCarriesTheDeviceDefaults) {
    const s_ScreenDetailInfo screen;
    EXPECT_EQ(screen.screenId, 0);
    EXPECT_EQ(screen.screenIdObj.id, 0);
    EXPECT_EQ(screen.screenIdObj.type, 0);
    EXPECT_TRUE(screen.general.name.empty());
    EXPECT_EQ(screen.general.area.areaId, 0);
    EXPECT_TRUE(screen.general.area.areaName.empty());
    EXPECT_EQ(screen.mosaic.type, 0);
    EXPECT_EQ(screen.mosaic.splice.row, 0);
    EXPECT_EQ(screen.mosaic.splice.column, 0);
    EXPECT_EQ(screen.mosaic.window.width, 0);
    EXPECT_TRUE(screen.mosaic.outputs.empty());
    for (const s_Preset* p : {&screen.colorDepth, &screen.colorSpace, &screen.colorRange,
                              &screen.colorGamut, &screen.dynamicRange}) {
        EXPECT_EQ(p->preset, -1);
    }
    EXPECT_EQ(screen.timing.interlaced, 1);
    EXPECT_EQ(screen.thumbTiming.interlaced, 1);
    EXPECT_EQ(screen.timingSelect.select, 0);
    EXPECT_EQ(screen.pgmEdit, 0);
    EXPECT_EQ(screen.select, 0);
    EXPECT_EQ(screen.freeze, 0);
    EXPECT_EQ(screen.ftb.enable, 0);
    EXPECT_EQ(screen.ftb.time, 700);
    EXPECT_EQ(screen.testPattern.type, 5);
    EXPECT_EQ(screen.hdr.sdr.gamma, 2.2f);
    EXPECT_EQ(screen.hdcp.enable, 0);
    EXPECT_EQ(screen.hdcp.presetType, 0);
    EXPECT_EQ(screen.hdcp.actualType, 0);
    EXPECT_EQ(screen.genlock.type, 0);
    EXPECT_EQ(screen.genlock.phase.enable, 0);
    EXPECT_EQ(screen.genlock.phase.offset, 0);
    EXPECT_EQ(screen.genlock.sourceId, 0);
    EXPECT_EQ(screen.genlockStatus.status, 0);
}

TEST(ScreenRecordDefaults, ImageQualityAndColourTemperature) {
    const s_ImageQualityBody quality;
    EXPECT_EQ(quality.imageQualityMode, 0);
    EXPECT_EQ(quality.eyeCare, 0);
    EXPECT_EQ(quality.hue, 0);
    EXPECT_EQ(quality.saturation, 50);
    EXPECT_EQ(quality.gamma, 220);
    EXPECT_EQ(quality.contrast.G, 50);
    EXPECT_EQ(quality.brightness.B, 50);
    EXPECT_EQ(quality.shadow.W, 100);
    EXPECT_EQ(quality.highLight.W, 100);
    EXPECT_EQ(quality.highLight.R, 50);
    EXPECT_EQ(quality.colorTemperature.mode, 0);
    EXPECT_EQ(quality.colorTemperature.quickAdjust.value, 0);
    EXPECT_EQ(quality.colorTemperature.advanceAdjust.R, 50);
}

TEST(ScreenRecordDefaults, OutputsFeathersAndPagesStartEmpty) {
    const s_OutputDetail output;
    EXPECT_EQ(output.interfaceId, 0);
    EXPECT_EQ(output.interfaceOnline, 0);
    EXPECT_TRUE(output.name.empty());
    EXPECT_EQ(output.pos.height, 0);
    EXPECT_EQ(output.crop.width, 0);
    EXPECT_TRUE(output.feather.empty());
    const s_Feather feather;
    EXPECT_EQ(feather.enable, 0);
    EXPECT_EQ(feather.type, 0);
    EXPECT_EQ(feather.gamma, 0.0f);
    EXPECT_EQ(feather.width, 0);
    const ScreenAnswer answer;
    EXPECT_EQ(answer.code, 0);
    EXPECT_TRUE(answer.message.empty());
    EXPECT_EQ(answer.data.count, 0);
    EXPECT_EQ(answer.data.page, 0);
    EXPECT_EQ(answer.data.totalCount, 0);
    EXPECT_EQ(answer.data.totalPage, 0);
    EXPECT_TRUE(answer.data.list.empty());
    const s_ScreenColorSpace colourSpace;
    EXPECT_EQ(colourSpace.screenId, 0);
    EXPECT_EQ(colourSpace.colorSpace.preset, -1);
}

TEST(ScreenRecordFieldLists, ListFirstAndDeviceKeyOrder) {
    EXPECT_EQ(fieldNames<s_ScreenDetail>(),
              (Names{"list", "count", "page", "totalCount", "totalPage"}));
    EXPECT_EQ(fieldNames<s_ScreenDetailInfo>(),
              (Names{"screenId",    "screenIdObj",  "general",     "mosaic",       "colorDepth",
                     "colorSpace",  "colorRange",   "colorGamut",  "dynamicRange", "timing",
                     "thumbTiming", "timingSelect", "pgmEdit",     "select",       "imageQuality",
                     "freeze",      "ftb",          "testPattern", "hdr",          "hdcp",
                     "genlock",     "genlockStatus"}));
    EXPECT_EQ(fieldNames<s_OutputDetail>(),
              (Names{"interfaceId", "interfaceOnline", "name", "pos", "crop", "feather"}));
    EXPECT_EQ(fieldNames<s_ImageQualityBody>(),
              (Names{"imageQualityMode", "eyeCare", "hue", "saturation", "gamma", "contrast",
                     "brightness", "shadow", "highLight", "colorTemperature"}));
    // The writer emits keys in this order.
    EXPECT_EQ(fieldNames<s_ScreenColorSpace>(), (Names{"screenId", "colorSpace"}));
}

TEST(ScreenRecordReading, EnvelopeWithoutDataGivesAnEmptyPage) {
    const ScreenAnswer answer = decodeOrFail<ScreenAnswer>(R"({"code":0,"message":"success"})");
    EXPECT_EQ(answer.message, "success");
    EXPECT_TRUE(answer.data.list.empty());
    EXPECT_EQ(answer.data.count, 0);
    EXPECT_EQ(answer.data.page, 0);
    EXPECT_EQ(answer.data.totalCount, 0);
    EXPECT_EQ(answer.data.totalPage, 0);
}

TEST(ScreenRecordReading, ErrorEnvelopeIsReadNotJudged) {
    const ScreenAnswer answer = decodeOrFail<ScreenAnswer>(
        R"({"code":40101,"message":"token expired","data":{"list":[{"screenId":4}],"count":1}})");
    EXPECT_EQ(answer.code, 40101);
    EXPECT_EQ(answer.message, "token expired");
    ASSERT_EQ(answer.data.list.size(), 1u);
    EXPECT_EQ(answer.data.list[0].screenId, 4);
    EXPECT_EQ(answer.data.count, 1);
}

TEST(ScreenRecordReading, ColourSpaceMustBeAnObject) {
    const s_ScreenDetailInfo without = decodeOrFail<s_ScreenDetailInfo>(R"({"screenId":3})");
    EXPECT_EQ(without.colorSpace.preset, -1);
    const s_ScreenDetailInfo with = decodeOrFail<s_ScreenDetailInfo>(
        R"({"colorSpace":{"preset":2},"dynamicRange":{"preset":1}})");
    EXPECT_EQ(with.colorSpace.preset, 2);
    EXPECT_EQ(with.dynamicRange.preset, 1);
    EXPECT_EQ(with.colorDepth.preset, -1);
    EXPECT_EQ(decodeError<s_ScreenDetailInfo>(R"({"colorSpace":3})"),
              "error at line :0 col :15 msg:read object must start with {!");
}

TEST(ScreenRecordReading, UnknownKeysAnywhereAreSkipped) {
    const s_ScreenDetailInfo screen = decodeOrFail<s_ScreenDetailInfo>(
        R"({"newSetting":{"a":[1,{"b":[]}],"c":"}"},"screenId":9,)"
        R"("mosaic":{"rotation":90,"outputs":[{"slot":"x","interfaceId":11,"future":[[]]}]},)"
        R"("ftb":{"curve":"linear","time":250},"trailing":null})");
    EXPECT_EQ(screen.screenId, 9);
    ASSERT_EQ(screen.mosaic.outputs.size(), 1u);
    EXPECT_EQ(screen.mosaic.outputs[0].interfaceId, 11);
    EXPECT_EQ(screen.ftb.time, 250);
    EXPECT_EQ(screen.ftb.enable, 0);
}

TEST(ScreenRecordReading, OutputWithOnlyIdAndPosition) {
    const s_OutputDetail output = decodeOrFail<s_OutputDetail>(
        R"({"interfaceId":7,"pos":{"x":0,"y":0,"width":640,"height":480}})");
    EXPECT_EQ(output.interfaceId, 7);
    EXPECT_EQ(output.pos.width, 640);
    EXPECT_EQ(output.pos.height, 480);
    EXPECT_TRUE(output.name.empty());
    EXPECT_TRUE(output.feather.empty());
    EXPECT_EQ(output.crop.width, 0);
}

TEST(ScreenRecordReading, ImageQualityGammaIsAnInteger) {
    const s_ImageQualityBody quality =
        decodeOrFail<s_ImageQualityBody>(R"({"gamma":240,"highLight":{"W":90},"shadow":{"R":1}})");
    EXPECT_EQ(quality.gamma, 240);
    EXPECT_EQ(quality.highLight.W, 90);
    EXPECT_EQ(quality.highLight.R, 50);
    EXPECT_EQ(quality.shadow.R, 1);
    EXPECT_EQ(quality.shadow.W, 100);
}

TEST(ScreenColorSpaceJson, ListDecodesWithDefaultsForMissingMembers) {
    const auto list = decodeOrFail<std::vector<s_ScreenColorSpace>>(R"([{"screenId":1}])");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].screenId, 1);
    EXPECT_EQ(list[0].colorSpace.preset, -1);
}

TEST(ScreenColorSpaceJson, EncodesInFieldListOrderWithoutBlanks) {
    std::string text = "stale";
    LCD::ProtoModel::encode(text, std::vector<s_ScreenColorSpace>{{5, s_Preset{3}}});
    EXPECT_EQ(text, R"([{"screenId":5,"colorSpace":{"preset":3}}])");

    LCD::ProtoModel::encode(text, std::vector<s_ScreenColorSpace>{{5, s_Preset{}}, {-2, {0}}});
    EXPECT_EQ(text, R"([{"screenId":5,"colorSpace":{"preset":-1}},)"
                    R"({"screenId":-2,"colorSpace":{"preset":0}}])");
}

TEST(ScreenColorSpaceJson, EncodedListDecodesBackToTheSameValues) {
    const std::vector<s_ScreenColorSpace> sent{{1, {2}}, {3, {-1}}, {INT32_MIN, {INT32_MAX}}};
    std::string text;
    LCD::ProtoModel::encode(text, sent);
    const auto back = decodeOrFail<std::vector<s_ScreenColorSpace>>(text);
    ASSERT_EQ(back.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(back[i].screenId, sent[i].screenId);
        EXPECT_EQ(back[i].colorSpace.preset, sent[i].colorSpace.preset);
    }
}

TEST(ScreenColorSpaceLayout, PayloadBytesMapOntoTheRecord) {
    // screenId 5, preset -1, little-endian.
    const unsigned char payload[8] = {5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    s_ScreenColorSpace record;
    std::memcpy(&record, payload, sizeof payload);
    EXPECT_EQ(record.screenId, 5);
    EXPECT_EQ(record.colorSpace.preset, -1);

    record = s_ScreenColorSpace{0x01020304, s_Preset{2}};
    unsigned char out[8];
    std::memcpy(out, &record, sizeof out);
    const unsigned char expected[8] = {4, 3, 2, 1, 2, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out, expected, sizeof out), 0);
}

}  // namespace
