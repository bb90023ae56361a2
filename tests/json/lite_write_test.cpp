// The writer: framing of records, sequences and numbers, UTF-8 validation and escaping of strings,
// and its UTF-8 automaton against an independent reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "protomodel/protomodel.h"
#include "reference_utf8.h"
#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using List = std::vector<Screen::s_ScreenColorSpace>;

std::string write_str(const std::string& text) {
    lcdjson::string_stream stream;
    lcdjson::lite_write writer(stream);
    writer.write_str(text.data(), text.size());
    return std::string(stream.data(), stream.size());
}

template <class T>
std::string encoded(const T& value) {
    std::string out = "previous contents";
    encode(out, value);
    return out;
}

TEST(WriterFraming, RecordsSequencesAndIntegersInFull) {
    const std::string one = encoded(List{{1, {2}}});
    EXPECT_EQ(one, R"([{"screenId":1,"colorSpace":{"preset":2}}])");
    EXPECT_EQ(42u, one.size());
    EXPECT_EQ(encoded(List{{-5, {-1}}, {INT32_MIN, {INT32_MAX}}}),
              R"([{"screenId":-5,"colorSpace":{"preset":-1}},)"
              R"({"screenId":-2147483648,"colorSpace":{"preset":2147483647}}])");
    EXPECT_EQ(encoded(List{}), "[]");
    LCD::AutoReport::LCDAutoReportData report;
    report.seq = UINT32_MAX;
    report.tl.ErrorCode = UINT16_MAX;
    report.sn = "a\"\xC3\xA9";
    report.body = "[]";
    const std::string text = encoded(report);
    EXPECT_EQ(text, R"({"source":"","seq":4294967295,"sn":"a\"\u00E9","tl":{"CommandCode":0,)"
                    R"("ErrorCode":65535,"UserDataLength":0},"body":"[]"})");
    EXPECT_EQ(ocsm_test::decodeOrFail<LCD::AutoReport::LCDAutoReportData>(text).sn, report.sn);
}

std::string float_text(float value) {
    s_Sdr sdr;
    sdr.gamma = value;
    const std::string text = encoded(sdr);
    return text.substr(std::strlen("{\"gamma\":"), text.size() - std::strlen("{\"gamma\":}"));
}

TEST(WriterFloats, ShortestTextAndNonFiniteValuesAsTextTheReaderTakes) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        const char* text;
    };
    // clang-format off
    for (const Case& c : {Case{0.1f, "0.1"}, {59.94f, "59.94"}, {-2.5f, "-2.5"}, {1e20f, "1e20"},
                          {1.5e-7f, "1.5e-07"}, {-0.0f, "-0"}, {3.4028235e38f, "3.4028235e38"},
                          {std::numeric_limits<float>::quiet_NaN(), "null"}, {inf, "1e39"},
                          {-inf, "-1e39"}}) {
        // clang-format on
        EXPECT_EQ(float_text(c.value), c.text) << c.value;
        const float back =
            ocsm_test::decodeOrFail<s_Sdr>("{\"gamma\":" + float_text(c.value) + "}").gamma;
        EXPECT_EQ(back, std::isnan(c.value) ? 0.0f : c.value) << c.text;  // null reads as 0
    }
}

TEST(Utf8Escaping, EscapesAndInvalidOrCutOffSequencesEndingTheString) {
    for (const auto& c : ocsm_test::readCases("json/write_str.tsv"))
        EXPECT_EQ(write_str(c.at(0)), c.at(1)) << c[0];
    // Escaped text decodes back to the original.
    const std::string text = "plain \"quoted\" \\ / \t\x01 \xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD";
    const std::string written = write_str(text);
    std::string back;
    ASSERT_TRUE(lcdjson::escape_string(back, written.data() + 1, written.size() - 2));
    EXPECT_EQ(back, text);
}

// Runs the automaton over a sequence: it must accept exactly the well-formed ones, producing the
// reference's code points, and never leave the reject state once in it.
bool agrees(const uint8_t* s, size_t n) {
    uint8_t state = 0;
    uint32_t cp = 0;
    for (size_t at = 0; at < n;) {
        uint32_t expected = 0;
        const size_t len = ocsm_test::reference_char(s + at, n - at, expected);
        if (len == 0) {
            for (size_t i = at; i < n; ++i)
                lcdjson::lite_write::decode(state, cp, s[i]);
            return state != 0;
        }
        for (size_t i = 0; i < len; ++i)
            lcdjson::lite_write::decode(state, cp, s[at + i]);
        if (state != 0 || cp != expected) return false;
        at += len;
    }
    return true;
}

TEST(Utf8Automaton, AgreesWithTheReferenceOnAllSequencesUpToThreeBytesAndFourByteLeads) {
    uint8_t s[4];
    for (int a = 0; a < 256; ++a) {
        s[0] = static_cast<uint8_t>(a);
        ASSERT_TRUE(agrees(s, 1)) << a;
        for (int b = 0; b < 256; ++b) {
            s[1] = static_cast<uint8_t>(b);
            ASSERT_TRUE(agrees(s, 2)) << a << " " << b;
            for (int c = 0; c < 256; ++c) {
                s[2] = static_cast<uint8_t>(c);
                if (!agrees(s, 3)) FAIL() << a << " " << b << " " << c;
            }
        }
    }
    std::vector<uint8_t> tails = {0x00, 0x7F, 0xC0, 0xFF};
    for (int t = 0x80; t <= 0xBF; ++t)
        tails.push_back(static_cast<uint8_t>(t));
    for (int a = 0xF0; a <= 0xFF; ++a)
        for (uint8_t b : tails)
            for (uint8_t c : tails)
                for (uint8_t d : tails) {
                    const uint8_t four[4] = {static_cast<uint8_t>(a), b, c, d};
                    if (!agrees(four, 4)) FAIL() << a << " " << +b << " " << +c << " " << +d;
                }
    for (int b = 0; b < 256; ++b) {
        uint8_t state = 1;
        uint32_t cp = 0;
        lcdjson::lite_write::decode(state, cp, static_cast<uint8_t>(b));
        EXPECT_EQ(1, state) << b;  // the reject state absorbs every byte
    }
}

}  // namespace
