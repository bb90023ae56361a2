// Auto-report records: unsigned header members and the body carried as a JSON string.
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

using LCD::AutoReport::LCDAutoReportData;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using namespace protomodeltest;
using ColourSpaces = std::vector<s_ScreenColorSpace>;

TEST(AutoReportRecords, HeaderReadingFromANewAllZeroReport) {
    EXPECT_EQ(json(LCDAutoReportData{}),
              R"({"source":"","seq":0,"sn":"","tl":{"CommandCode":0,"ErrorCode":0,)"
              R"("UserDataLength":0},"body":""})");
    struct Case {
        std::string text;
        std::string tl;
    };
    // Partial headers, case-sensitive keys and unsigned members keeping their low bits.
    for (const Case& c : std::vector<Case>{
             {R"({"body":"[]"})", R"({"CommandCode":0,"ErrorCode":0,"UserDataLength":0})"},
             {R"({"tl":{"ErrorCode":3}})", R"({"CommandCode":0,"ErrorCode":3,"UserDataLength":0})"},
             {R"({"tl":{"errorCode":9}})", R"({"CommandCode":0,"ErrorCode":0,"UserDataLength":0})"},
             {R"({"tl":{"ErrorCode":70000,"UserDataLength":65536,"CommandCode":463111}})",
              R"({"CommandCode":463111,"ErrorCode":4464,"UserDataLength":0})"}}) {
        EXPECT_EQ(json(decodeOrFail<LCDAutoReportData>(c.text).tl), c.tl) << c.text;
    }
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"seq":"7"})").seq, 7u);
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"seq":4294967297})").seq, 1u);
    EXPECT_EQ(decodeError<LCDAutoReportData>(R"({"seq":-1})"),
              "error at line :0 col :9 msg:assign a negative signed integral to unsigned "
              "integral number.");
    EXPECT_EQ(decodeError<LCDAutoReportData>(R"({"seq":-1.5})"),
              "error at line :0 col :11 msg:assign a negative float point to unsigned "
              "integral number.");
}

TEST(AutoReportRecords, BodyIsAStringHoldingTheColourSpaceList) {
    const LCDAutoReportData report = decodeOrFail<LCDAutoReportData>(
        R"({"body":"[{\"screenId\":1,\"colorSpace\":{\"preset\":2}},{\"screenId\":3}]"})");
    EXPECT_EQ(report.body, R"([{"screenId":1,"colorSpace":{"preset":2}},{"screenId":3}])");
    EXPECT_EQ(
        json(decodeOrFail<ColourSpaces>(report.body)),
        R"([{"screenId":1,"colorSpace":{"preset":2}},{"screenId":3,"colorSpace":{"preset":-1}}])");
    EXPECT_EQ(decodeError<LCDAutoReportData>(R"({"body":[{"screenId":1}]})"),
              "error at line :0 col :9 msg:not a valid string.");
    // The position is counted across the lines of a pretty-printed report.
    EXPECT_EQ(decodeError<LCDAutoReportData>(
                  "{\n  \"source\": \"device\",\n  \"body\": [{\"screenId\": 1}]\n}"),
              "error at line :2 col :12 msg:not a valid string.");
}

TEST(AutoReportRecords, ReportFiles) {
    const LCDAutoReportData report =
        decodeOrFail<LCDAutoReportData>(readDataFile("autoreport-colorspace.json"));
    EXPECT_EQ(report.source, "device");
    EXPECT_EQ(report.seq, 1287u);
    EXPECT_EQ(report.sn, "ORX8K-2403-00417");
    EXPECT_EQ(report.tl.CommandCode, 0x00071107u);
    EXPECT_EQ(report.tl.ErrorCode, 0u);
    EXPECT_EQ(report.tl.UserDataLength, report.body.size());
    EXPECT_EQ(
        json(decodeOrFail<ColourSpaces>(report.body)),
        R"([{"screenId":1,"colorSpace":{"preset":4}},{"screenId":5,"colorSpace":{"preset":0}}])");

    const LCDAutoReportData error =
        decodeOrFail<LCDAutoReportData>(readDataFile("autoreport-error.json"));
    EXPECT_EQ(error.tl.ErrorCode, 5u);
    EXPECT_EQ(error.seq, 1288u);

    // A body of [] decodes to no entries.
    const LCDAutoReportData empty =
        decodeOrFail<LCDAutoReportData>(readDataFile("autoreport-empty.json"));
    EXPECT_EQ(empty.tl.ErrorCode, 0u);
    EXPECT_EQ(empty.tl.UserDataLength, 2u);
    EXPECT_EQ(empty.body, "[]");
    EXPECT_TRUE(decodeOrFail<ColourSpaces>(empty.body).empty());
}

}  // namespace
