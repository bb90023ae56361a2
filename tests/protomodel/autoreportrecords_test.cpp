// Auto-report records: unsigned header members and the body carried as a JSON string.
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

using LCD::AutoReport::AutoReportTLVDataMessage;
using LCD::AutoReport::LCDAutoReportData;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using protomodeltest::decodeError;
using protomodeltest::decodeOrFail;
using protomodeltest::fieldNames;
using protomodeltest::readDataFile;
using Names = std::vector<std::string>;
using ColourSpaces = std::vector<s_ScreenColorSpace>;

TEST(AutoReportRecords, NewReportIsAllZeroAndKeysAreCapitalised) {
    const LCDAutoReportData report;
    EXPECT_TRUE(report.source.empty());
    EXPECT_EQ(report.seq, 0u);
    EXPECT_TRUE(report.sn.empty());
    EXPECT_EQ(report.tl.CommandCode, 0u);
    EXPECT_EQ(report.tl.ErrorCode, 0u);
    EXPECT_EQ(report.tl.UserDataLength, 0u);
    EXPECT_TRUE(report.body.empty());
    EXPECT_EQ(fieldNames<LCDAutoReportData>(), (Names{"source", "seq", "sn", "tl", "body"}));
    EXPECT_EQ(fieldNames<AutoReportTLVDataMessage>(),
              (Names{"CommandCode", "ErrorCode", "UserDataLength"}));
}

TEST(AutoReportHeader, PartialAndCaseSensitiveKeys) {
    const LCDAutoReportData noHeader = decodeOrFail<LCDAutoReportData>(R"({"body":"[]"})");
    EXPECT_EQ(noHeader.tl.ErrorCode, 0u);
    EXPECT_EQ(noHeader.body, "[]");

    const LCDAutoReportData onlyError =
        decodeOrFail<LCDAutoReportData>(R"({"tl":{"ErrorCode":3}})");
    EXPECT_EQ(onlyError.tl.ErrorCode, 3u);
    EXPECT_EQ(onlyError.tl.CommandCode, 0u);
    EXPECT_EQ(onlyError.tl.UserDataLength, 0u);

    const LCDAutoReportData lower = decodeOrFail<LCDAutoReportData>(R"({"tl":{"errorCode":9}})");
    EXPECT_EQ(lower.tl.ErrorCode, 0u);
}

TEST(AutoReportHeader, UnsignedConversions) {
    EXPECT_EQ(decodeError<LCDAutoReportData>(R"({"seq":-1})"),
              "error at line :0 col :9 msg:assign a negative signed integral to unsigned "
              "integral number.");
    EXPECT_EQ(decodeError<LCDAutoReportData>(R"({"seq":-1.5})"),
              "error at line :0 col :11 msg:assign a negative float point to unsigned "
              "integral number.");
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"seq":"7"})").seq, 7u);
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"seq":4294967295})").seq, 4294967295u);
    // Wider values keep their low bits.
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"seq":4294967297})").seq, 1u);
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"tl":{"ErrorCode":70000}})").tl.ErrorCode, 4464u);
    EXPECT_EQ(
        decodeOrFail<LCDAutoReportData>(R"({"tl":{"UserDataLength":65536}})").tl.UserDataLength,
        0u);
    EXPECT_EQ(decodeOrFail<LCDAutoReportData>(R"({"tl":{"CommandCode":463111}})").tl.CommandCode,
              463111u);
}

TEST(AutoReportBody, StringHoldingAnArrayDecodesInTwoSteps) {
    const LCDAutoReportData report = decodeOrFail<LCDAutoReportData>(
        R"({"tl":{"ErrorCode":0},"body":"[{\"screenId\":1,\"colorSpace\":{\"preset\":2}},)"
        R"({\"screenId\":3,\"colorSpace\":{\"preset\":-1}}]"})");
    EXPECT_EQ(
        report.body,
        R"([{"screenId":1,"colorSpace":{"preset":2}},{"screenId":3,"colorSpace":{"preset":-1}}])");
    const ColourSpaces list = decodeOrFail<ColourSpaces>(report.body);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].screenId, 1);
    EXPECT_EQ(list[0].colorSpace.preset, 2);
    EXPECT_EQ(list[1].screenId, 3);
    EXPECT_EQ(list[1].colorSpace.preset, -1);
}

TEST(AutoReportBody, BareArrayIsNotAString) {
    EXPECT_EQ(decodeError<LCDAutoReportData>(R"({"body":[{"screenId":1}]})"),
              "error at line :0 col :9 msg:not a valid string.");
    // The position is counted across lines of a pretty-printed report.
    EXPECT_EQ(decodeError<LCDAutoReportData>(
                  "{\n  \"source\": \"device\",\n  \"body\": [{\"screenId\": 1}]\n}"),
              "error at line :2 col :12 msg:not a valid string.");
}

TEST(AutoReportBody, EmptyArrayTextGivesNoEntries) {
    const LCDAutoReportData report = decodeOrFail<LCDAutoReportData>(R"({"body":"[]"})");
    EXPECT_TRUE(decodeOrFail<ColourSpaces>(report.body).empty());
}

TEST(AutoReportFiles, ColourSpaceReport) {
    const LCDAutoReportData report =
        decodeOrFail<LCDAutoReportData>(readDataFile("autoreport-colorspace.json"));
    EXPECT_EQ(report.source, "device");
    EXPECT_EQ(report.seq, 1287u);
    EXPECT_EQ(report.sn, "ORX8K-2403-00417");
    EXPECT_EQ(report.tl.CommandCode, 0x00071107u);
    EXPECT_EQ(report.tl.ErrorCode, 0u);
    EXPECT_EQ(report.tl.UserDataLength, report.body.size());
    const ColourSpaces list = decodeOrFail<ColourSpaces>(report.body);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].screenId, 1);
    EXPECT_EQ(list[0].colorSpace.preset, 4);
    EXPECT_EQ(list[1].screenId, 5);
    EXPECT_EQ(list[1].colorSpace.preset, 0);
}

TEST(AutoReportFiles, ErrorAndEmptyReports) {
    const LCDAutoReportData error =
        decodeOrFail<LCDAutoReportData>(readDataFile("autoreport-error.json"));
    EXPECT_EQ(error.tl.ErrorCode, 5u);
    EXPECT_EQ(error.seq, 1288u);

    const LCDAutoReportData empty =
        decodeOrFail<LCDAutoReportData>(readDataFile("autoreport-empty.json"));
    EXPECT_EQ(empty.tl.ErrorCode, 0u);
    EXPECT_EQ(empty.body, "[]");
    EXPECT_EQ(empty.tl.UserDataLength, 2u);
    EXPECT_TRUE(decodeOrFail<ColourSpaces>(empty.body).empty());
}

}  // namespace
