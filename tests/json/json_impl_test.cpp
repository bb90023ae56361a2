// The binding of JSON values to records: each member type's conversion by token kind, records
// through their field lists, sequences, and what a failed decode leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using LCD::AutoReport::AutoReportTLVDataMessage;
using LCD::AutoReport::LCDAutoReportData;
using List = std::vector<Screen::s_ScreenColorSpace>;

// The compact JSON text of what text decodes to in value, or the error text.
template <class T>
std::string read(const std::string& text, T value = T{}) {
    std::string error;
    if (!decode(text, value, error)) return error;
    std::string out;
    encode(out, value);
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
    for (const auto& name : lcdjson::detail::split_fields(" a,\tbc ,\n def\r\f,,g"))
        names += std::string(name.str, name.len) + "|";
    EXPECT_EQ(names, "a|bc|def|g|");
    EXPECT_EQ(&lcdjson::json_impl<s_RGB>::this_field_list(),
              &lcdjson::json_impl<s_RGB>::this_field_list());
    // The field list, not the declaration, gives the key order; members it lacks are not bound.
    EXPECT_EQ(read<Interface::s_ReadHDCPState>("{}"), R"({"enable":0,"preset":-1,"actual":0})");
    Interface::s_AuxiliaryInfo aux;
    EXPECT_EQ(read(R"({"reserved":7})", aux), read<Interface::s_AuxiliaryInfo>("{}"));
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
        const s_RGB rgb = ocsm_test::decodeOrFail<s_RGB>(std::string("{\"R\":") + c.value + "}");
        EXPECT_EQ(c.expected, rgb.R) << c.value;
    }
    // A real beyond the range behaves like the equally large integer.
    EXPECT_EQ(read<s_RGB>(R"({"R":1e10})"), read<s_RGB>(R"({"R":10000000000})"));
    expect_reads<s_RGB>({
        {R"({"R":[1]})", "error at line :0 col :6 msg:not a valid signed integral like number."},
        {R"({"R":)", "msg:not a valid signed integral like number."},
        {R"({"R":,})", "msg:not a valid signed integral like number."},
    });
}

TEST(UnsignedAndFloatConversion, ByTokenKindCutToTheMemberWidth) {
    expect_reads<AutoReportTLVDataMessage>({
        {R"({"CommandCode":4294967297,"ErrorCode":70000})",
         R"({"CommandCode":1,"ErrorCode":4464,"UserDataLength":0})"},
        // strtoull accepts a sign and wraps
        {R"({"CommandCode":"-1","ErrorCode":7.9})",
         R"({"CommandCode":4294967295,"ErrorCode":7,"UserDataLength":0})"},
        {R"({"CommandCode":True,"ErrorCode":"7"})",
         R"({"CommandCode":1,"ErrorCode":7,"UserDataLength":0})"},
        {R"({"CommandCode":null,"ErrorCode":1e30})",
         R"({"CommandCode":0,"ErrorCode":65535,"UserDataLength":0})"},
        {R"({"CommandCode":-1})",
         "msg:assign a negative signed integral to unsigned integral number."},
        {R"({"CommandCode":-0})",
         "msg:assign a negative signed integral to unsigned integral number."},
        {R"({"ErrorCode":-1.5})", "msg:assign a negative float point to unsigned integral number."},
        {R"({"ErrorCode":{}})", "msg:not a valid unsigned integral like number."},
    });
    expect_reads<s_Sdr>({{R"({"gamma":[1]})", "msg:not a valid float point number."}});
    struct FloatCase {
        const char* value;
        float expected;
    };
    for (const FloatCase& c :
         {FloatCase{"60", 60.0f}, FloatCase{"59.94", 59.94f}, FloatCase{"\"59.94\"", 59.94f},
          FloatCase{"-0.5", -0.5f}, FloatCase{"2.2", 2.2f}, FloatCase{"\"abc\"", 0.0f},
          FloatCase{"true", 0.0f}, FloatCase{"null", 0.0f}, FloatCase{"1e-3", 0.001f},
          FloatCase{"1e39", INFINITY}}) {
        EXPECT_EQ(c.expected,
                  ocsm_test::decodeOrFail<s_Sdr>(std::string("{\"gamma\":") + c.value + "}").gamma)
            << c.value;
    }
    EXPECT_TRUE(std::signbit(ocsm_test::decodeOrFail<s_Sdr>(R"({"gamma":-0})").gamma));
}

TEST(StringConversion, StringsAndWordsOnly) {
    expect_reads<Interface::s_General>({
        {R"({"name":"a\u00e9"})", R"({"name":"a\u00E9"})"},
        {R"({"name":null})", R"({"name":"null"})"},
        {R"({"name":5})", "msg:not a valid string."},
        {R"({"name":"ok\x"})", "msg:not a valid string."},
    });
    Interface::s_General general;
    std::string error;
    EXPECT_FALSE(decode(std::string(R"({"name":"ok\x"})"), general, error));
    EXPECT_EQ(general.name, "ok");  // what was decoded before the bad escape
}

TEST(Records, KeysMembersAndSyntax) {
    expect_reads<s_RGB>({
        {"{} 5", R"({"R":50,"G":50,"B":50})"},
        {R"({"a":{},"R":1})", R"({"R":1,"G":50,"B":50})"},
        // keys are exact, escapes are not decoded, unlisted keys and their values are skipped
        {R"({"r":1,"\u0052":2,"RR":3,"x":{"R":[4]},"G":5})", R"({"R":50,"G":5,"B":50})"},
        {"{R:6 , B : 7}", R"({"R":6,"G":50,"B":7})"},     // unquoted keys are words
        {R"({"x":,"R":1})", R"({"R":1,"G":50,"B":50})"},  // an unlisted key may lack its value
        {R"({"x":})", R"({"R":50,"G":50,"B":50})"},
        {R"({"}":1,"R":2})", R"({"R":50,"G":50,"B":50})"},  // a key starting with } ends it
        {R"({"x":[1,[2})", "msg:invalid json document!"},
        {"[]", "error at line :0 col :1 msg:read object must start with {!"},
        {"", "error at line :0 col :0 msg:read object must start with {!"},
        {"{1:2}", "msg:object key must be string"},
        {R"({"R":1,})", "msg:object key must be string"},
        {R"({"R" 1})", "msg:invalid json document!"},
        {R"({"R":1 "G":2})", "msg:invalid json document!"},
    });
    // Later duplicates win, a repeated record reads into what it holds, sequences collect both.
    expect_reads<LCDAutoReportData>({
        {R"({"seq":1,"seq":2,"tl":{"ErrorCode":1},"tl":{"CommandCode":5},"body":"x"})",
         R"({"source":"","seq":2,"sn":"","tl":{"CommandCode":5,"ErrorCode":1,)"
         R"("UserDataLength":0},"body":"x"})"},
        {R"({"tl":null})", "msg:read object must start with {!"},
    });
    expect_reads<s_response<List>>({
        {R"({"data":[{}],"data":[{"screenId":3}]})",
         R"({"code":0,"message":"","data":[{"screenId":0,"colorSpace":{"preset":-1}},)"
         R"({"screenId":3,"colorSpace":{"preset":-1}}]})"},
        {R"({"data":null})", "msg:array must start with [."},
    });
}

TEST(Sequences, ElementsSeparatorsAndErrors) {
    expect_reads<List>({
        {R"([{"screenId":1,"colorSpace":{"preset":2}},])",
         R"([{"screenId":1,"colorSpace":{"preset":2}}])"},
        {"[{}]", R"([{"screenId":0,"colorSpace":{"preset":-1}}])"},
        {"[]", "[]"},
        {R"([{"screenId":1} {"screenId":2}])", "msg:no valid array!"},
        {"{}", "msg:array must start with [."},
        {"[1]", "msg:read object must start with {!"},
        {"[{}", "msg:no valid array!"},
    });
    // Decoding appends to what the sequence held, and keeps what was read before a failure.
    EXPECT_EQ(read<List>(R"([{"screenId":2}])", List{{1, {5}}}),
              R"([{"screenId":1,"colorSpace":{"preset":5}},)"
              R"({"screenId":2,"colorSpace":{"preset":-1}}])");
    List list;
    std::string error;
    EXPECT_FALSE(decode(std::string(R"([{"screenId":1} {}])"), list, error));
    EXPECT_EQ(1u, list.size());
}

TEST(DecodeEntry, PositionsTrailingTextAndWhatStays) {
    expect_reads<s_RGB>({
        // only the token after the value is examined
        {R"({"R":1} xyz)", "error at line :0 col :11 msg:not a valid string!"},
        {"{\"R\":1}  \n ", R"({"R":1,"G":50,"B":50})"},
        {R"({"R":1} 5 xyz)", R"({"R":1,"G":50,"B":50})"},
        // { is line 0 column 0; the line feed starts line 1; the blanks are columns 1 and 2,
        // the quotes around R 3 and 5, the colon 6, the blank 7, [ 8; the value's token has
        // been read ahead, so the cursor is on 1 at column 9.
        {"{\n  \"R\": [1]\n}",
         "error at line :1 col :9 msg:not a valid signed integral like number."},
    });
    s_RGB rgb;
    std::string error = "untouched";
    ASSERT_FALSE(decode(std::string(R"({"R":7,"G":[]})"), rgb, error));
    EXPECT_EQ(7, rgb.R);
    EXPECT_EQ(50, rgb.G);
    error = "untouched";
    ASSERT_TRUE(decode(std::string(R"({"B":1})"), rgb, error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(7, rgb.R);  // not cleared before reading
}

}  // namespace
