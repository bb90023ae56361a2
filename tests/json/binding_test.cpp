// The binding: field lists, the conversion of each member type by token kind, records and
// arrays, and the decode entry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "test_records.h"

namespace {

using jsontest::s_Everything;
using jsontest::s_Header;
using jsontest::s_RGB;
using jsontest::s_ScreenColorSpace;

// "ok" on success, otherwise the error text.
template <class T>
std::string decode(const std::string& text, T& value) {
    std::string error;
    return LCD::ProtoModel::decode(text, value, error) ? "ok" : error;
}

std::string message_of(const std::string& error) {
    const size_t at = error.find(" msg:");
    return at == std::string::npos ? error : error.substr(at + 5);
}

TEST(FieldList, SplitDropsBlanksAroundNames) {
    const auto names = lcdjson::detail::split_fields(" a,\tbc ,\n def\r\f,g");
    ASSERT_EQ(4u, names.size());
    EXPECT_EQ(std::string(names[0].str, names[0].len), "a");
    EXPECT_EQ(std::string(names[1].str, names[1].len), "bc");
    EXPECT_EQ(std::string(names[2].str, names[2].len), "def");
    EXPECT_EQ(std::string(names[3].str, names[3].len), "g");
}

TEST(FieldList, BuiltOnceFromTheMemberListInItsOrder) {
    const auto& fields = lcdjson::json_impl<s_Header>::this_field_list();
    ASSERT_EQ(3u, fields.size());
    EXPECT_EQ(std::string(fields[0].str, fields[0].len), "gain");
    EXPECT_EQ(std::string(fields[1].str, fields[1].len), "ErrorCode");
    EXPECT_EQ(std::string(fields[2].str, fields[2].len), "CommandCode");
    EXPECT_EQ(&fields, &lcdjson::json_impl<s_Header>::this_field_list());
    const auto& templated = lcdjson::json_impl<jsontest::s_response<s_RGB>>::this_field_list();
    EXPECT_EQ(3u, templated.size());
}

TEST(IntegerConversion, ByTokenKind) {
    struct Case {
        const char* value;
        int32_t expected;
    };
    for (const Case& c : std::vector<Case>{{"7", 7},
                                           {"-7", -7},
                                           {"\"12\"", 12},
                                           {"\" -12x\"", -12},
                                           {"12.9", 12},
                                           {"-12.9", -12},
                                           {"1e3", 1000},
                                           {"true", 1},
                                           {"\"TRUE\"", 1},
                                           {"tRuE", 1},
                                           {"false", 0},
                                           {"null", 0},
                                           {"\"\"", 0},
                                           {"\"truex\"", 0},
                                           {"-2147483648", INT32_MIN},
                                           {"2147483648", INT32_MIN},  // the low 32 bits
                                           {"4294967297", 1},
                                           {"-0", 0}}) {
        s_RGB rgb;
        ASSERT_EQ(decode(std::string("{\"R\":") + c.value + "}", rgb), "ok") << c.value;
        EXPECT_EQ(c.expected, rgb.R) << c.value;
    }
}

TEST(IntegerConversion, RealsBeyondTheRangeBehaveLikeEquallyLargeIntegers) {
    s_RGB rgb;
    ASSERT_EQ(decode("{\"R\":1e10,\"G\":10000000000,\"B\":1e30}", rgb), "ok");
    EXPECT_EQ(rgb.R, rgb.G);
    EXPECT_EQ(-1, rgb.B);  // saturated at 2^64 - 1
}

TEST(IntegerConversion, PunctuationOrEndFails) {
    s_RGB rgb;
    EXPECT_EQ(decode("{\"R\":[1]}", rgb),
              "error at line :0 col :6 msg:not a valid signed integral like number.");
    EXPECT_EQ(message_of(decode("{\"R\":", rgb)), "not a valid signed integral like number.");
    EXPECT_EQ(message_of(decode("{\"R\":,}", rgb)), "not a valid signed integral like number.");
}

TEST(UnsignedConversion, ByTokenKindCutToTheMemberWidth) {
    s_Header h;
    ASSERT_EQ(decode("{\"CommandCode\":4294967297,\"ErrorCode\":70000}", h), "ok");
    EXPECT_EQ(1u, h.CommandCode);
    EXPECT_EQ(4464u, h.ErrorCode);
    ASSERT_EQ(decode("{\"CommandCode\":\"-1\",\"ErrorCode\":7.9}", h), "ok");
    EXPECT_EQ(UINT32_MAX, h.CommandCode);  // strtoull accepts a sign and wraps
    EXPECT_EQ(7u, h.ErrorCode);
    ASSERT_EQ(decode("{\"CommandCode\":True,\"ErrorCode\":\"7\"}", h), "ok");
    EXPECT_EQ(1u, h.CommandCode);
    EXPECT_EQ(7u, h.ErrorCode);
    ASSERT_EQ(decode("{\"CommandCode\":null,\"ErrorCode\":1e30}", h), "ok");
    EXPECT_EQ(0u, h.CommandCode);
    EXPECT_EQ(UINT16_MAX, h.ErrorCode);
}

TEST(UnsignedConversion, NegativeNumbersAndPunctuationFail) {
    s_Header h;
    EXPECT_EQ(message_of(decode("{\"CommandCode\":-1}", h)),
              "assign a negative signed integral to unsigned integral number.");
    EXPECT_EQ(message_of(decode("{\"CommandCode\":-0}", h)),
              "assign a negative signed integral to unsigned integral number.");
    EXPECT_EQ(message_of(decode("{\"ErrorCode\":-1.5}", h)),
              "assign a negative float point to unsigned integral number.");
    EXPECT_EQ(message_of(decode("{\"ErrorCode\":{}}", h)),
              "not a valid unsigned integral like number.");
}

TEST(FloatConversion, ByTokenKind) {
    struct Case {
        const char* value;
        float expected;
    };
    for (const Case& c : std::vector<Case>{{"60", 60.0f},
                                           {"59.94", 59.94f},
                                           {"\"59.94\"", 59.94f},
                                           {"-3", -3.0f},
                                           {"-0.5", -0.5f},
                                           {"2.2", 2.2f},
                                           {"\"abc\"", 0.0f},
                                           {"true", 0.0f},
                                           {"null", 0.0f},
                                           {"1e-3", 0.001f}}) {
        s_Header h;
        ASSERT_EQ(decode(std::string("{\"gain\":") + c.value + "}", h), "ok") << c.value;
        EXPECT_EQ(c.expected, h.gain) << c.value;
    }
    s_Header h;
    ASSERT_EQ(decode("{\"gain\":1e39}", h), "ok");
    EXPECT_TRUE(std::isinf(h.gain));
    ASSERT_EQ(decode("{\"gain\":-0}", h), "ok");
    EXPECT_TRUE(std::signbit(h.gain));
}

TEST(FloatConversion, PunctuationFails) {
    s_Header h;
    EXPECT_EQ(message_of(decode("{\"gain\":[1]}", h)), "not a valid float point number.");
}

TEST(StringConversion, StringsAndWordsOnly) {
    s_Everything e;
    ASSERT_EQ(decode("{\"name\":\"a\\u00e9\"}", e), "ok");
    EXPECT_EQ(e.name, "a\xC3\xA9");
    ASSERT_EQ(decode("{\"name\":null}", e), "ok");
    EXPECT_EQ(e.name, "null");
    EXPECT_EQ(message_of(decode("{\"name\":5}", e)), "not a valid string.");
    EXPECT_EQ(message_of(decode("{\"name\":\"ok\\x\"}", e)), "not a valid string.");
    EXPECT_EQ(e.name, "ok");  // what was decoded before the bad escape
}

TEST(Records, EmptyObjectChangesNothing) {
    s_RGB rgb;
    ASSERT_EQ(decode("{} 5", rgb), "ok");
    EXPECT_EQ(50, rgb.R);
    ASSERT_EQ(decode("{\"a\":{},\"R\":1}", rgb), "ok");
    EXPECT_EQ(1, rgb.R);
    EXPECT_EQ(50, rgb.G);
}

TEST(Records, KeysAreExactAndUnlistedKeysAreSkipped) {
    s_RGB rgb;
    ASSERT_EQ(decode("{\"r\":1,\"\\u0052\":2,\"RR\":3,\"x\":{\"R\":[4]},\"G\":5}", rgb), "ok");
    EXPECT_EQ(50, rgb.R);
    EXPECT_EQ(5, rgb.G);
    ASSERT_EQ(decode("{R:6 , B : 7}", rgb), "ok");  // unquoted keys are words
    EXPECT_EQ(6, rgb.R);
    EXPECT_EQ(7, rgb.B);
}

TEST(Records, AnUnlistedKeyMayLackItsValue) {
    s_RGB rgb;
    ASSERT_EQ(decode("{\"x\":,\"R\":1}", rgb), "ok");
    EXPECT_EQ(1, rgb.R);
    ASSERT_EQ(decode("{\"x\":}", rgb), "ok");
}

TEST(Records, LaterDuplicatesWinAndSequencesCollectBoth) {
    s_Everything e;
    ASSERT_EQ(decode("{\"id\":1,\"id\":2,\"list\":[{}],\"list\":[{\"screenId\":3}]}", e), "ok");
    EXPECT_EQ(2, e.id);
    ASSERT_EQ(2u, e.list.size());
    EXPECT_EQ(3, e.list[1].screenId);
}

TEST(Records, NestedRecordsAndTheUnboundMember) {
    s_Everything e;
    ASSERT_EQ(decode("{\"spare\":9,\"color\":{\"G\":1},\"level\":0.5,\"seq\":4,\"small\":3}", e),
              "ok");
    EXPECT_EQ(0, e.spare);
    EXPECT_EQ(1, e.color.G);
    EXPECT_EQ(50, e.color.R);
    EXPECT_EQ(0.5f, e.level);
    EXPECT_EQ(4u, e.seq);
    EXPECT_EQ(3u, e.small);
}

TEST(Records, SyntaxErrors) {
    s_RGB rgb;
    EXPECT_EQ(decode("[]", rgb), "error at line :0 col :1 msg:read object must start with {!");
    EXPECT_EQ(decode("", rgb), "error at line :0 col :0 msg:read object must start with {!");
    EXPECT_EQ(message_of(decode("{1:2}", rgb)), "object key must be string");
    EXPECT_EQ(message_of(decode("{\"R\":1,}", rgb)), "object key must be string");
    EXPECT_EQ(message_of(decode("{\"R\" 1}", rgb)), "invalid json document!");
    EXPECT_EQ(message_of(decode("{\"R\":1 \"G\":2}", rgb)), "invalid json document!");
    s_Everything e;
    EXPECT_EQ(message_of(decode("{\"color\":null}", e)), "read object must start with {!");
    EXPECT_EQ(message_of(decode("{\"list\":null}", e)), "array must start with [.");
}

TEST(Records, AKeyStartingWithABraceEndsTheObject) {
    s_RGB rgb;
    ASSERT_EQ(decode("{\"}\":1,\"R\":2}", rgb), "ok");
    EXPECT_EQ(50, rgb.R);
}

TEST(Arrays, ElementsAndSeparators) {
    std::vector<s_ScreenColorSpace> list;
    ASSERT_EQ(decode("[{\"screenId\":1,\"colorSpace\":{\"preset\":2}},]", list), "ok");
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(2, list[0].colorSpace.preset);
    ASSERT_EQ(decode("[{}]", list), "ok");  // appended to what the sequence held
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(-1, list[1].colorSpace.preset);
    ASSERT_EQ(decode("[]", list), "ok");
    EXPECT_EQ(2u, list.size());
}

TEST(Arrays, Errors) {
    std::vector<s_ScreenColorSpace> list;
    EXPECT_EQ(message_of(decode("[{\"screenId\":1} {\"screenId\":2}]", list)), "no valid array!");
    EXPECT_EQ(1u, list.size());  // the element read before the failure stays
    EXPECT_EQ(message_of(decode("{}", list)), "array must start with [.");
    EXPECT_EQ(message_of(decode("[1]", list)), "read object must start with {!");
    EXPECT_EQ(message_of(decode("[{}", list)), "no valid array!");
}

TEST(DecodeEntry, OnlyTheTokenAfterTheValueIsExamined) {
    s_RGB rgb;
    EXPECT_EQ(decode("{\"R\":1} xyz", rgb), "error at line :0 col :11 msg:not a valid string!");
    EXPECT_EQ(decode("{\"R\":1}  \n ", rgb), "ok");
    EXPECT_EQ(decode("{\"R\":1} 5 xyz", rgb), "ok");
}

TEST(DecodeEntry, FailureKeepsWhatWasReadAndSuccessKeepsTheErrorText) {
    s_RGB rgb;
    std::string error = "untouched";
    ASSERT_FALSE(LCD::ProtoModel::decode(std::string("{\"R\":7,\"G\":[]}"), rgb, error));
    EXPECT_EQ(7, rgb.R);
    EXPECT_EQ(50, rgb.G);
    error = "untouched";
    ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"B\":1}"), rgb, error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(7, rgb.R);  // not cleared before reading
}

// Line and column by hand: { is line 0 column 0; the line feed starts line 1 at column 0;
// the blanks are columns 1 and 2, the quotes around R 3 and 5, the colon 6, the blank 7 and
// [ 8. The value's token has been read ahead, so the cursor is on 1 at column 9.
TEST(DecodeEntry, ErrorTextCarriesLineAndColumn) {
    s_RGB rgb;
    EXPECT_EQ(decode("{\n  \"R\": [1]\n}", rgb),
              "error at line :1 col :9 msg:not a valid signed integral like number.");
}

TEST(DecodeEntry, TemplateRecordsAndTopLevelSequences) {
    jsontest::s_response<std::vector<s_ScreenColorSpace>> response;
    ASSERT_EQ(decode("{\"code\":0,\"message\":\"ok\",\"data\":[{\"screenId\":4}]}", response),
              "ok");
    EXPECT_EQ(response.message, "ok");
    ASSERT_EQ(1u, response.data.size());
    EXPECT_EQ(4, response.data[0].screenId);
}

}  // namespace
