// Helpers shared by the data model tests.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protomodel/protomodel.h"

namespace protomodeltest {

// The compact JSON text of a record: one comparison checks every bound key, its order and its
// value.
template <class T>
std::string json(const T& value) {
    std::string out;
    LCD::ProtoModel::encode(out, value);
    return out;
}

// Decodes text into a fresh T; fails the calling test with the codec's message on error.
template <class T>
T decodeOrFail(const std::string& text) {
    T value;
    std::string error;
    EXPECT_TRUE(LCD::ProtoModel::decode(text, value, error)) << error;
    return value;
}

// The codec's error text for text decoded into a fresh T, or "" when it decodes.
template <class T>
std::string decodeError(const std::string& text) {
    T value;
    std::string error;
    return LCD::ProtoModel::decode(text, value, error) ? "" : error;
}

inline std::string readDataFile(const std::string& name) {
    std::ifstream in(std::string(OCSM_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The texts of new common records, shared by the screen and interface records.
const std::string kRGB = R"({"R":50,"G":50,"B":50})";
const std::string kRGBW = R"({"R":50,"G":50,"B":50,"W":100})";
const std::string kAxis = R"({"addTime":0,"frontPorch":0,"sync":0,"syncPolarity":0,"totalTime":0})";
const std::string kTiming =
    R"({"interlaced":1,"refresh":0,"horizontal":)" + kAxis + R"(,"vertical":)" + kAxis + "}";
const std::string kThumbTiming = R"({"interlaced":1,"frame":0,"width":0,"height":0})";
const std::string kTestPattern =
    R"({"enable":0,"type":5,"bright":3,"grid":5,"gridType":0,"gridLineWidth":1,"speed":4})";
const std::string kHdr =
    R"({"sdr":{"gamma":2.2},"hdr10":{"peakLuminance":0,"envLuminance":0,"pqMode":0,)"
    R"("toneMapping":0,"maxcll":{"enable":0,"presetMaxcll":0}},)"
    R"("hlg":{"peakLuminance":0,"envLuminance":0}})";
const std::string kImageQuality =
    R"({"imageQualityMode":0,"eyeCare":0,"hue":0,"saturation":50,"gamma":220,"contrast":)" + kRGB +
    R"(,"brightness":)" + kRGB + R"(,"shadow":)" + kRGBW + R"(,"highLight":)" + kRGBW +
    R"(,"colorTemperature":{"mode":0,"quickAdjust":{"value":0},"advanceAdjust":)" + kRGB + "}}";

}  // namespace protomodeltest
