// Common value records: defaults, field lists and how partial objects are read.
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using protomodeltest::decodeError;
using protomodeltest::decodeOrFail;
using protomodeltest::fieldNames;
using Names = std::vector<std::string>;

TEST(CommonRecordDefaults, ColourRecordsStartAtMidScaleAndWhiteAtFull) {
    const s_RGB rgb;
    EXPECT_EQ(rgb.R, 50);
    EXPECT_EQ(rgb.G, 50);
    EXPECT_EQ(rgb.B, 50);
    const s_RGBW rgbw;
    EXPECT_EQ(rgbw.R, 50);
    EXPECT_EQ(rgbw.G, 50);
    EXPECT_EQ(rgbw.B, 50);
    EXPECT_EQ(rgbw.W, 100);
}

TEST(CommonRecordDefaults, PresetsAreUnsetAndPositionsZero) {
    EXPECT_EQ(s_Preset{}.preset, -1);
    EXPECT_EQ(s_PresetAndActual{}.preset, -1);
    EXPECT_EQ(s_PresetAndActual{}.actual, -1);
    EXPECT_EQ(s_Select{}.select, 0);
    EXPECT_EQ(s_QuickAdjust{}.value, 0);
    const s_Pos pos;
    EXPECT_EQ(pos.x, 0);
    EXPECT_EQ(pos.y, 0);
    const s_Rect rect;
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.y, 0);
    EXPECT_EQ(rect.width, 0);
    EXPECT_EQ(rect.height, 0);
}

TEST(CommonRecordDefaults, TimingsAreInterlacedWithZeroAxes) {
    const s_TimingDetail timing;
    EXPECT_EQ(timing.interlaced, 1);
    EXPECT_EQ(timing.refresh, 0.0f);
    for (const s_Timing* axis : {&timing.horizontal, &timing.vertical}) {
        EXPECT_EQ(axis->addTime, 0);
        EXPECT_EQ(axis->frontPorch, 0);
        EXPECT_EQ(axis->sync, 0);
        EXPECT_EQ(axis->syncPolarity, 0);
        EXPECT_EQ(axis->totalTime, 0);
    }
    const s_ThumbTiming thumb;
    EXPECT_EQ(thumb.interlaced, 1);
    EXPECT_EQ(thumb.frame, 0.0f);
    EXPECT_EQ(thumb.width, 0);
    EXPECT_EQ(thumb.height, 0);
}

TEST(CommonRecordDefaults, TestPatternAndHdr) {
    const s_TestPattern pattern;
    EXPECT_EQ(pattern.enable, 0);
    EXPECT_EQ(pattern.type, 5);
    EXPECT_EQ(pattern.bright, 3);
    EXPECT_EQ(pattern.grid, 5);
    EXPECT_EQ(pattern.gridType, 0);
    EXPECT_EQ(pattern.gridLineWidth, 1);
    EXPECT_EQ(pattern.speed, 4);

    const s_Hdr hdr;
    EXPECT_EQ(hdr.sdr.gamma, 2.2f);
    EXPECT_EQ(hdr.hdr10.peakLuminance, 0);
    EXPECT_EQ(hdr.hdr10.envLuminance, 0);
    EXPECT_EQ(hdr.hdr10.pqMode, 0);
    EXPECT_EQ(hdr.hdr10.toneMapping, 0);
    EXPECT_EQ(hdr.hdr10.maxcll.enable, 0);
    EXPECT_EQ(hdr.hdr10.maxcll.presetMaxcll, 0);
    EXPECT_EQ(hdr.hlg.peakLuminance, 0);
    EXPECT_EQ(hdr.hlg.envLuminance, 0);
}

TEST(CommonRecordFieldLists, KeysAndTheirOrder) {
    EXPECT_EQ(fieldNames<s_RGB>(), (Names{"R", "G", "B"}));
    EXPECT_EQ(fieldNames<s_RGBW>(), (Names{"R", "G", "B", "W"}));
    EXPECT_EQ(fieldNames<s_Preset>(), (Names{"preset"}));
    EXPECT_EQ(fieldNames<s_Timing>(),
              (Names{"addTime", "frontPorch", "sync", "syncPolarity", "totalTime"}));
    EXPECT_EQ(fieldNames<s_TimingDetail>(),
              (Names{"interlaced", "refresh", "horizontal", "vertical"}));
    EXPECT_EQ(fieldNames<s_ThumbTiming>(), (Names{"interlaced", "frame", "width", "height"}));
    EXPECT_EQ(fieldNames<S_Maxcll>(), (Names{"enable", "presetMaxcll"}));
    EXPECT_EQ(fieldNames<s_Hdr10>(),
              (Names{"peakLuminance", "envLuminance", "pqMode", "toneMapping", "maxcll"}));
    EXPECT_EQ(fieldNames<s_Hdr>(), (Names{"sdr", "hdr10", "hlg"}));
    EXPECT_EQ(fieldNames<s_response<s_Preset>>(), (Names{"code", "message", "data"}));
}

TEST(CommonRecordReading, MissingKeysKeepTheirDefaults) {
    const s_RGB one = decodeOrFail<s_RGB>(R"({"R":10})");
    EXPECT_EQ(one.R, 10);
    EXPECT_EQ(one.G, 50);
    EXPECT_EQ(one.B, 50);
    const s_RGB none = decodeOrFail<s_RGB>("{}");
    EXPECT_EQ(none.R, 50);
    EXPECT_EQ(none.G, 50);
    EXPECT_EQ(none.B, 50);
    // Upper-case keys only.
    const s_RGB lower = decodeOrFail<s_RGB>(R"({"r":1,"g":2,"b":3})");
    EXPECT_EQ(lower.R, 50);
    EXPECT_EQ(lower.B, 50);
}

TEST(CommonRecordReading, RefreshAcceptsIntegersRealsAndQuotedNumbers) {
    EXPECT_EQ(decodeOrFail<s_TimingDetail>(R"({"refresh":60})").refresh, 60.0f);
    EXPECT_EQ(decodeOrFail<s_TimingDetail>(R"({"refresh":59.94})").refresh, 59.94f);
    EXPECT_EQ(decodeOrFail<s_TimingDetail>(R"({"refresh":"59.94"})").refresh, 59.94f);
    EXPECT_EQ(decodeOrFail<s_TimingDetail>(R"({"interlaced":"true"})").interlaced, 1);
    EXPECT_EQ(decodeOrFail<s_TimingDetail>(R"({"interlaced":0})").interlaced, 0);
}

TEST(CommonRecordReading, NestedAxesAreReadMemberByMember) {
    const s_TimingDetail timing =
        decodeOrFail<s_TimingDetail>(R"({"horizontal":{"sync":44},"vertical":{"sync":5}})");
    EXPECT_EQ(timing.horizontal.sync, 44);
    EXPECT_EQ(timing.vertical.sync, 5);
    EXPECT_EQ(timing.horizontal.addTime, 0);
    EXPECT_EQ(timing.horizontal.totalTime, 0);
    EXPECT_EQ(timing.vertical.frontPorch, 0);
    EXPECT_EQ(timing.interlaced, 1);
    EXPECT_EQ(timing.refresh, 0.0f);
}

TEST(CommonRecordReading, HdrDocumentFillsEveryLevel) {
    const s_Hdr hdr = decodeOrFail<s_Hdr>(
        R"({"sdr":{"gamma":2.4},"hdr10":{"peakLuminance":1000,"envLuminance":5,"pqMode":0,)"
        R"("toneMapping":1,"maxcll":{"enable":1,"presetMaxcll":1000}},)"
        R"("hlg":{"peakLuminance":1000,"envLuminance":5}})");
    EXPECT_EQ(hdr.sdr.gamma, 2.4f);
    EXPECT_EQ(hdr.hdr10.peakLuminance, 1000);
    EXPECT_EQ(hdr.hdr10.envLuminance, 5);
    EXPECT_EQ(hdr.hdr10.toneMapping, 1);
    EXPECT_EQ(hdr.hdr10.maxcll.enable, 1);
    EXPECT_EQ(hdr.hdr10.maxcll.presetMaxcll, 1000);
    EXPECT_EQ(hdr.hlg.peakLuminance, 1000);
    EXPECT_EQ(hdr.hlg.envLuminance, 5);
}

TEST(CommonRecordReading, SdrGammaTextAndArray) {
    EXPECT_EQ(decodeOrFail<s_Sdr>(R"({"gamma":"abc"})").gamma, 0.0f);
    EXPECT_EQ(decodeOrFail<s_Sdr>(R"({})").gamma, 2.2f);
    EXPECT_EQ(decodeError<s_Sdr>(R"({"gamma":[1]})"),
              "error at line :0 col :10 msg:not a valid float point number.");
}

}  // namespace
