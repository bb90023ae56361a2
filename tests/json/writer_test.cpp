// The writer: framing of records, arrays and numbers, UTF-8 validation and escaping of
// strings, and the growth of the output buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "reference_utf8.h"
#include "test_records.h"

namespace {

using jsontest::reference_char;
using jsontest::s_Everything;
using jsontest::s_Header;
using jsontest::s_ScreenColorSpace;

std::string write_str(const std::string& text) {
    lcdjson::string_stream stream;
    lcdjson::lite_write writer(stream);
    writer.write_str(text.data(), text.size());
    return std::string(stream.data(), stream.size());
}

template <class T>
std::string encode(const T& value) {
    std::string out = "previous contents";
    LCD::ProtoModel::encode(out, value);
    return out;
}

TEST(WriterFraming, ListsAndIntegersInFull) {
    const std::string one = encode(std::vector<s_ScreenColorSpace>{{1, {2}}});
    EXPECT_EQ(one, "[{\"screenId\":1,\"colorSpace\":{\"preset\":2}}]");
    EXPECT_EQ(42u, one.size());
    EXPECT_EQ(encode(std::vector<s_ScreenColorSpace>{{-5, {-1}}, {INT32_MIN, {INT32_MAX}}}),
              "[{\"screenId\":-5,\"colorSpace\":{\"preset\":-1}},"
              "{\"screenId\":-2147483648,\"colorSpace\":{\"preset\":2147483647}}]");
    EXPECT_EQ(encode(std::vector<s_ScreenColorSpace>{}), "[]");
    s_Header header;
    header.CommandCode = UINT32_MAX;
    header.ErrorCode = UINT16_MAX;
    header.gain = 0;
    EXPECT_EQ(encode(header), "{\"gain\":0,\"ErrorCode\":65535,\"CommandCode\":4294967295}");
}

TEST(WriterFraming, EveryMemberKindInFieldListOrder) {
    s_Everything e;
    e.spare = 9;  // bound to no key: not written
    e.id = 1;
    e.seq = 2;
    e.small = 3;
    e.level = 0.5f;
    e.name = "a\"\xC3\xA9";
    e.list = {{4, {5}}};
    const std::string text = encode(e);
    EXPECT_EQ(text,
              "{\"id\":1,\"seq\":2,\"small\":3,\"level\":0.5,\"name\":\"a\\\"\\u00E9\","
              "\"color\":{\"R\":50,\"G\":50,\"B\":50},"
              "\"list\":[{\"screenId\":4,\"colorSpace\":{\"preset\":5}}]}");
    s_Everything back;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(text, back, error)) << error;
    EXPECT_EQ(back.name, e.name);
    EXPECT_EQ(back.level, e.level);
    ASSERT_EQ(1u, back.list.size());
    EXPECT_EQ(5, back.list[0].colorSpace.preset);
}

std::string float_text(float value) {
    s_Header h;
    h.gain = value;
    const std::string text = encode(h);
    const size_t start = std::strlen("{\"gain\":");
    return text.substr(start, text.find(',') - start);
}

TEST(WriterFloats, ShortestTextAndNonFiniteValuesAsTextTheReaderTakes) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        const char* text;
    };
    for (const Case& c : {Case{0.1f, "0.1"}, Case{59.94f, "59.94"}, Case{-2.5f, "-2.5"},
                          Case{1e20f, "1e20"}, Case{1.5e-7f, "1.5e-07"}, Case{-0.0f, "-0"},
                          Case{std::numeric_limits<float>::quiet_NaN(), "null"}, Case{inf, "1e39"},
                          Case{-inf, "-1e39"}}) {
        EXPECT_EQ(float_text(c.value), c.text) << c.value;
    }
    s_Header h;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"gain\":-1e39}"), h, error));
    EXPECT_EQ(-inf, h.gain);
}

TEST(WriterFloats, ReadBackUnchanged) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> range(-100000.0f, 100000.0f);
    std::vector<float> values = {0.0f, 1.0f, 2.2f, 59.94f, 1e-30f, 3.4e38f, 1e-45f, 123456.789f};
    for (int i = 0; i < 2000; ++i)
        values.push_back(range(random));
    for (float value : values) {
        s_Header h;
        h.gain = value;
        s_Header back;
        std::string error;
        ASSERT_TRUE(LCD::ProtoModel::decode(encode(h), back, error)) << error;
        EXPECT_EQ(value, back.gain) << float_text(value);
    }
}

TEST(Utf8Escaping, EscapesAndInvalidOrCutOffSequencesEndingTheString) {
    struct Case {
        std::string text;
        const char* written;
    };
    for (const Case& c : std::vector<Case>{
             {"", "\"\""},
             {"a/b", "\"a/b\""},
             {"\"\\\b\t\n\f\r", "\"\\\"\\\\\\b\\t\\n\\f\\r\""},
             {"\x01\x1F\x7F", "\"\\u0001\\u001F\\u007F\""},
             {std::string("ab\0cd", 5), "\"ab\""},  // NUL ends the text
             {"\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF", "\"\\u00E9\\u20AC\\uFFFF\""},
             {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "\"\\uD83D\\uDE00\\uDBFF\\uDFFF\""},
             {"A\xFF"
              "B",
              "\"A\""},
             {"A\xC3", "\"A\""},
             {"A\xED\xA0\x80"
              "B",
              "\"A\""},                       // a surrogate
             {"A\xC0\xAF", "\"A\""},          // overlong
             {"A\xF4\x90\x80\x80", "\"A\""},  // beyond U+10FFFF
         }) {
        EXPECT_EQ(write_str(c.text), c.written) << c.text;
    }
    // Escaped text decodes back to the original.
    const std::string text = "plain \"quoted\" \\ / \t\x01 \xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD";
    const std::string written = write_str(text);
    std::string back;
    ASSERT_TRUE(lcdjson::escape_string(back, written.data() + 1, written.size() - 2));
    EXPECT_EQ(back, text);
}

// Runs the automaton over a sequence: it must accept exactly the well-formed ones, producing
// the reference's code points.
bool agrees(const uint8_t* s, size_t n) {
    uint8_t state = 0;
    uint32_t cp = 0;
    size_t at = 0;
    while (at < n) {
        uint32_t expected = 0;
        const size_t len = reference_char(s + at, n - at, expected);
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

std::string hex(const uint8_t* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += lcdjson::detail::hex_table[s[i] >> 4];
        out += lcdjson::detail::hex_table[s[i] & 15];
        out += ' ';
    }
    return out;
}

TEST(Utf8Automaton, AgreesWithTheReferenceOnAllShortSequences) {
    uint8_t s[4];
    for (int a = 0; a < 256; ++a) {
        s[0] = static_cast<uint8_t>(a);
        ASSERT_TRUE(agrees(s, 1)) << hex(s, 1);
        for (int b = 0; b < 256; ++b) {
            s[1] = static_cast<uint8_t>(b);
            ASSERT_TRUE(agrees(s, 2)) << hex(s, 2);
            for (int c = 0; c < 256; ++c) {
                s[2] = static_cast<uint8_t>(c);
                if (!agrees(s, 3)) FAIL() << hex(s, 3);
            }
        }
    }
}

TEST(Utf8Automaton, AgreesWithTheReferenceOnFourByteLeads) {
    std::vector<uint8_t> tails = {0x00, 0x7F, 0xC0, 0xFF};
    for (int t = 0x80; t <= 0xBF; ++t)
        tails.push_back(static_cast<uint8_t>(t));
    uint8_t s[4];
    for (int a = 0xF0; a <= 0xFF; ++a) {
        s[0] = static_cast<uint8_t>(a);
        for (uint8_t b : tails) {
            s[1] = b;
            for (uint8_t c : tails) {
                s[2] = c;
                for (uint8_t d : tails) {
                    s[3] = d;
                    if (!agrees(s, 4)) FAIL() << hex(s, 4);
                }
            }
        }
    }
}

TEST(Utf8Automaton, RejectIsAbsorbing) {
    for (int b = 0; b < 256; ++b) {
        uint8_t state = 1;
        uint32_t cp = 0;
        lcdjson::lite_write::decode(state, cp, static_cast<uint8_t>(b));
        EXPECT_EQ(1, state) << b;
    }
}

TEST(BufferGrowth, WholeKibibytesNotDoubling) {
    lcdjson::string_stream stream;
    EXPECT_EQ(1024u, stream.capacity());
    std::string capacities;
    for (int i = 0; i < 3000; ++i) {
        stream.put(static_cast<char>('a' + i % 26));
        if (i == 1023 || i == 1024 || i == 2999)
            capacities += std::to_string(stream.capacity()) + " ";
    }
    EXPECT_EQ(capacities, "1024 2048 3072 ");
    ASSERT_EQ(3000u, stream.size());
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(static_cast<char>('a' + i % 26), stream.data()[i]) << i;
    // A long string grows to the smallest fitting size: quote, then the run in one piece.
    lcdjson::string_stream fresh;
    lcdjson::lite_write writer(fresh);
    const std::string text(5000, 'z');
    writer.write_str(text.data(), text.size());
    EXPECT_EQ(5120u, fresh.capacity());
    EXPECT_EQ(5002u, fresh.size());
}

}  // namespace
