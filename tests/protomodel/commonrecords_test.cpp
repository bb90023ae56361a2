// Common value records: defaults, key names and how partial objects are read.
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using namespace protomodeltest;

TEST(CommonRecords, NewRecordsCarryTheirDefaultsUnderTheirKeys) {
    EXPECT_EQ(json(s_RGB{}), kRGB);
    EXPECT_EQ(json(s_RGBW{}), kRGBW);
    EXPECT_EQ(json(s_PresetAndActual{}), R"({"preset":-1,"actual":-1})");
    EXPECT_EQ(json(s_Preset{}), R"({"preset":-1})");
    EXPECT_EQ(json(s_Select{}), R"({"select":0})");
    EXPECT_EQ(json(s_QuickAdjust{}), R"({"value":0})");
    EXPECT_EQ(json(s_Pos{}), R"({"x":0,"y":0})");
    EXPECT_EQ(json(s_Rect{}), R"({"x":0,"y":0,"width":0,"height":0})");
    EXPECT_EQ(json(s_TimingDetail{}), kTiming);
    EXPECT_EQ(json(s_ThumbTiming{}), kThumbTiming);
    EXPECT_EQ(json(s_TestPattern{}), kTestPattern);
    EXPECT_EQ(json(s_Hdr{}), kHdr);
    EXPECT_EQ(json(s_response<s_Preset>{}), R"({"code":0,"message":"","data":{"preset":-1}})");
}

TEST(CommonRecords, PartialObjectsKeepTheOtherDefaults) {
    struct Case {
        std::string text;
        std::string expected;
    };
    // Keys are case-sensitive: lower-case channels are skipped.
    for (const Case& c : std::vector<Case>{{R"({"R":10})", R"({"R":10,"G":50,"B":50})"},
                                           {"{}", kRGB},
                                           {R"({"r":1,"g":2,"b":3})", kRGB}}) {
        EXPECT_EQ(json(decodeOrFail<s_RGB>(c.text)), c.expected) << c.text;
    }
    EXPECT_EQ(
        json(decodeOrFail<s_TimingDetail>(R"({"horizontal":{"sync":44},"vertical":{"sync":5}})")),
        R"({"interlaced":1,"refresh":0,)"
        R"("horizontal":{"addTime":0,"frontPorch":0,"sync":44,"syncPolarity":0,"totalTime":0},)"
        R"("vertical":{"addTime":0,"frontPorch":0,"sync":5,"syncPolarity":0,"totalTime":0}})");
    EXPECT_EQ(json(decodeOrFail<s_Hdr>(
                  R"({"sdr":{"gamma":2.4},"hdr10":{"peakLuminance":1000,"envLuminance":5,)"
                  R"("pqMode":2,"toneMapping":1,"maxcll":{"enable":1,"presetMaxcll":900}},)"
                  R"("hlg":{"peakLuminance":800,"envLuminance":6}})")),
              R"({"sdr":{"gamma":2.4},"hdr10":{"peakLuminance":1000,"envLuminance":5,)"
              R"("pqMode":2,"toneMapping":1,"maxcll":{"enable":1,"presetMaxcll":900}},)"
              R"("hlg":{"peakLuminance":800,"envLuminance":6}})");
}

TEST(CommonRecords, FloatAndFlagConversions) {
    struct Case {
        const char* text;
        float refresh;
        int32_t interlaced;
    };
    for (const Case& c :
         {Case{R"({"refresh":60})", 60.0f, 1}, Case{R"({"refresh":59.94})", 59.94f, 1},
          Case{R"({"refresh":"59.94"})", 59.94f, 1}, Case{R"({"interlaced":"true"})", 0.0f, 1},
          Case{R"({"interlaced":0})", 0.0f, 0}}) {
        const s_TimingDetail timing = decodeOrFail<s_TimingDetail>(c.text);
        EXPECT_EQ(timing.refresh, c.refresh) << c.text;
        EXPECT_EQ(timing.interlaced, c.interlaced) << c.text;
    }
    EXPECT_EQ(decodeOrFail<s_Sdr>(R"({"gamma":"abc"})").gamma, 0.0f);
    EXPECT_EQ(decodeError<s_Sdr>(R"({"gamma":[1]})"),
              "error at line :0 col :10 msg:not a valid float point number.");
}

}  // namespace
