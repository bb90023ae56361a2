// The binding: field lists, the conversion of each member type by token kind, records and
// arrays, and the decode entry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "test_records.h"

namespace {

using jsontest::s_Everything;
using jsontest::s_Header;
using jsontest::s_RGB;
using jsontest::s_ScreenColorSpace;

// The compact JSON text of what text decodes to in a new T, or the error text.
template <class T>
std::string read(const std::string& text, T value = T{}) {
    std::string error;
    if (!LCD::ProtoModel::decode(text, value, error)) return error;
    std::string out;
    LCD::ProtoModel::encode(out, value);
    return out;
}

struct Case {
    std::string text;
    std::string expected;  // the record's JSON, a full error text, or "msg:" and the message
};

template <class T>
void expect_reads(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const std::string got = read<T>(c.text);
        const size_t at = got.find(" msg:");
        const bool message_only = c.expected.rfind("msg:", 0) == 0 && at != std::string::npos;
        EXPECT_EQ(message_only ? got.substr(at + 1) : got, c.expected) << c.text;
    }
}

TEST(FieldList, SplitDropsBlanksAroundNamesAndIsBuiltOnce) {
    std::string names;
    for (const auto& name : lcdjson::detail::split_fields(" a,\tbc ,\n def\r\f,g"))
        names += std::string(name.str, name.len) + "|";
    EXPECT_EQ(names, "a|bc|def|g|");
    EXPECT_EQ(&lcdjson::json_impl<s_Header>::this_field_list(),
              &lcdjson::json_impl<s_Header>::this_field_list());
    // The field list, not the declaration, gives the key order.
    EXPECT_EQ(read<s_Header>("{}"), "{\"gain\":1.5,\"ErrorCode\":0,\"CommandCode\":0}");
}

TEST(IntegerConversion, ByTokenKind) {
    struct IntCase {
        const char* value;
        int32_t expected;
    };
    for (const IntCase& c : std::vector<IntCase>{{"7", 7},
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
                                                 {"-0", 0},
                                                 {"1e30", -1}}) {  // saturated at 2^64 - 1
        s_RGB rgb;
        std::string error;
        ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"R\":") + c.value + "}", rgb, error))
            << c.value << ": " << error;
        EXPECT_EQ(c.expected, rgb.R) << c.value;
    }
    // A real beyond the range behaves like the equally large integer.
    EXPECT_EQ(read<s_RGB>("{\"R\":1e10}"), read<s_RGB>("{\"R\":10000000000}"));
    expect_reads<s_RGB>({
        {"{\"R\":[1]}", "error at line :0 col :6 msg:not a valid signed integral like number."},
        {"{\"R\":", "msg:not a valid signed integral like number."},
        {"{\"R\":,}", "msg:not a valid signed integral like number."},
    });
}

TEST(UnsignedAndFloatConversion, ByTokenKindCutToTheMemberWidth) {
    expect_reads<s_Header>({
        {"{\"CommandCode\":4294967297,\"ErrorCode\":70000}",
         "{\"gain\":1.5,\"ErrorCode\":4464,\"CommandCode\":1}"},
        // strtoull accepts a sign and wraps
        {"{\"CommandCode\":\"-1\",\"ErrorCode\":7.9}",
         "{\"gain\":1.5,\"ErrorCode\":7,\"CommandCode\":4294967295}"},
        {"{\"CommandCode\":True,\"ErrorCode\":\"7\"}",
         "{\"gain\":1.5,\"ErrorCode\":7,\"CommandCode\":1}"},
        {"{\"CommandCode\":null,\"ErrorCode\":1e30}",
         "{\"gain\":1.5,\"ErrorCode\":65535,\"CommandCode\":0}"},
        {"{\"CommandCode\":-1}",
         "msg:assign a negative signed integral to unsigned integral number."},
        {"{\"CommandCode\":-0}",
         "msg:assign a negative signed integral to unsigned integral number."},
        {"{\"ErrorCode\":-1.5}", "msg:assign a negative float point to unsigned integral number."},
        {"{\"ErrorCode\":{}}", "msg:not a valid unsigned integral like number."},
        {"{\"gain\":[1]}", "msg:not a valid float point number."},
    });
    struct FloatCase {
        const char* value;
        float expected;
    };
    for (const FloatCase& c :
         {FloatCase{"60", 60.0f}, FloatCase{"59.94", 59.94f}, FloatCase{"\"59.94\"", 59.94f},
          FloatCase{"-0.5", -0.5f}, FloatCase{"2.2", 2.2f}, FloatCase{"\"abc\"", 0.0f},
          FloatCase{"true", 0.0f}, FloatCase{"null", 0.0f}, FloatCase{"1e-3", 0.001f},
          FloatCase{"1e39", INFINITY}}) {
        s_Header h;
        std::string error;
        ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"gain\":") + c.value + "}", h, error))
            << c.value << ": " << error;
        EXPECT_EQ(c.expected, h.gain) << c.value;
    }
    s_Header h;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"gain\":-0}"), h, error));
    EXPECT_TRUE(std::signbit(h.gain));
}

TEST(StringConversion, StringsAndWordsOnly) {
    s_Everything e;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"name\":\"a\\u00e9\"}"), e, error));
    EXPECT_EQ(e.name, "a\xC3\xA9");
    ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"name\":null}"), e, error));
    EXPECT_EQ(e.name, "null");
    EXPECT_FALSE(LCD::ProtoModel::decode(std::string("{\"name\":\"ok\\x\"}"), e, error));
    EXPECT_EQ(e.name, "ok");  // what was decoded before the bad escape
    expect_reads<s_Everything>({{"{\"name\":5}", "msg:not a valid string."},
                                {"{\"name\":\"ok\\x\"}", "msg:not a valid string."}});
}

TEST(Records, KeysMembersAndSyntax) {
    expect_reads<s_RGB>({
        {"{} 5", "{\"R\":50,\"G\":50,\"B\":50}"},
        {"{\"a\":{},\"R\":1}", "{\"R\":1,\"G\":50,\"B\":50}"},
        // keys are exact, escapes are not decoded, unlisted keys and their values are skipped
        {"{\"r\":1,\"\\u0052\":2,\"RR\":3,\"x\":{\"R\":[4]},\"G\":5}",
         "{\"R\":50,\"G\":5,\"B\":50}"},
        {"{R:6 , B : 7}", "{\"R\":6,\"G\":50,\"B\":7}"},      // unquoted keys are words
        {"{\"x\":,\"R\":1}", "{\"R\":1,\"G\":50,\"B\":50}"},  // an unlisted key may lack its value
        {"{\"x\":}", "{\"R\":50,\"G\":50,\"B\":50}"},
        {"{\"}\":1,\"R\":2}", "{\"R\":50,\"G\":50,\"B\":50}"},  // a key starting with } ends it
        {"{\"x\":[1,[2}", "msg:invalid json document!"},
        {"[]", "error at line :0 col :1 msg:read object must start with {!"},
        {"", "error at line :0 col :0 msg:read object must start with {!"},
        {"{1:2}", "msg:object key must be string"},
        {"{\"R\":1,}", "msg:object key must be string"},
        {"{\"R\" 1}", "msg:invalid json document!"},
        {"{\"R\":1 \"G\":2}", "msg:invalid json document!"},
    });
    expect_reads<s_Everything>({
        // "spare" is bound to no key; later duplicates win, sequences collect both
        {"{\"spare\":9,\"id\":1,\"id\":2,\"color\":{\"G\":1},\"level\":0.5,\"seq\":4,\"small\":3,"
         "\"list\":[{}],\"list\":[{\"screenId\":3}]}",
         "{\"id\":2,\"seq\":4,\"small\":3,\"level\":0.5,\"name\":\"\",\"color\":{\"R\":50,\"G\":1,"
         "\"B\":50},\"list\":[{\"screenId\":0,\"colorSpace\":{\"preset\":-1}},"
         "{\"screenId\":3,\"colorSpace\":{\"preset\":-1}}]}"},
        {"{\"color\":null}", "msg:read object must start with {!"},
        {"{\"list\":null}", "msg:array must start with [."},
    });
}

TEST(Arrays, ElementsSeparatorsAndErrors) {
    using List = std::vector<s_ScreenColorSpace>;
    expect_reads<List>({
        {"[{\"screenId\":1,\"colorSpace\":{\"preset\":2}},]",
         "[{\"screenId\":1,\"colorSpace\":{\"preset\":2}}]"},
        {"[{}]", "[{\"screenId\":0,\"colorSpace\":{\"preset\":-1}}]"},
        {"[]", "[]"},
        {"[{\"screenId\":1} {\"screenId\":2}]", "msg:no valid array!"},
        {"{}", "msg:array must start with [."},
        {"[1]", "msg:read object must start with {!"},
        {"[{}", "msg:no valid array!"},
    });
    // Decoding appends to what the sequence held, and keeps what was read before a failure.
    EXPECT_EQ(read<List>("[{\"screenId\":2}]", List{{1, {5}}}),
              "[{\"screenId\":1,\"colorSpace\":{\"preset\":5}},"
              "{\"screenId\":2,\"colorSpace\":{\"preset\":-1}}]");
    List list;
    std::string error;
    EXPECT_FALSE(LCD::ProtoModel::decode(std::string("[{\"screenId\":1} {}]"), list, error));
    EXPECT_EQ(1u, list.size());
}

TEST(DecodeEntry, PositionsTrailingTextAndWhatStays) {
    expect_reads<s_RGB>({
        // only the token after the value is examined
        {"{\"R\":1} xyz", "error at line :0 col :11 msg:not a valid string!"},
        {"{\"R\":1}  \n ", "{\"R\":1,\"G\":50,\"B\":50}"},
        {"{\"R\":1} 5 xyz", "{\"R\":1,\"G\":50,\"B\":50}"},
        // { is line 0 column 0; the line feed starts line 1; the blanks are columns 1 and 2,
        // the quotes around R 3 and 5, the colon 6, the blank 7, [ 8; the value's token has
        // been read ahead, so the cursor is on 1 at column 9.
        {"{\n  \"R\": [1]\n}",
         "error at line :1 col :9 msg:not a valid signed integral like number."},
    });
    s_RGB rgb;
    std::string error = "untouched";
    ASSERT_FALSE(LCD::ProtoModel::decode(std::string("{\"R\":7,\"G\":[]}"), rgb, error));
    EXPECT_EQ(7, rgb.R);
    EXPECT_EQ(50, rgb.G);
    error = "untouched";
    ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"B\":1}"), rgb, error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(7, rgb.R);  // not cleared before reading
    EXPECT_EQ(read<jsontest::s_response<std::vector<s_ScreenColorSpace>>>(
                  "{\"code\":0,\"message\":\"ok\",\"data\":[{\"screenId\":4}]}"),
              "{\"code\":0,\"message\":\"ok\",\"data\":[{\"screenId\":4,\"colorSpace\":"
              "{\"preset\":-1}}]}");
}

}  // namespace
