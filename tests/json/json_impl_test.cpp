// The binding of JSON values to records: each member type's conversion by token kind, records
// through their field lists, sequences, and what a failed decode leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protomodel/protomodel.h"

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

// What the value text becomes in member `key` of a T: its JSON text, or the error's message.
template <class T>
std::function<std::string(const std::string&)> member(const std::string& key) {
    return [key](const std::string& value) {
        const std::string got = read<T>("{\"" + key + "\":" + value + "}");
        const size_t at = got.find("\"" + key + "\":");
        if (at == std::string::npos) return got.substr(got.find("msg:"));
        const size_t start = at + key.size() + 3;
        return got.substr(start, got.find_first_of(",}", start) - start);
    };
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
    EXPECT_EQ(read<Interface::s_AuxiliaryInfo>(R"({"reserved":7})"),
              read<Interface::s_AuxiliaryInfo>("{}"));
}

TEST(ScalarConversion, ByTokenKindCutToTheMemberWidth) {
    const auto int32 = member<s_RGB>("R");
    const auto uint32 = member<AutoReportTLVDataMessage>("CommandCode");
    const auto uint16 = member<AutoReportTLVDataMessage>("ErrorCode");
    const auto real = member<s_Sdr>("gamma");
    const auto text = member<Interface::s_General>("name");
    const std::string notSigned = "msg:not a valid signed integral like number.";
    const std::string negative =
        "msg:assign a negative signed integral to unsigned integral number.";
    const struct {
        const std::function<std::string(const std::string&)>& member;
        std::string value;
        std::string expected;
    } cases[] = {
        // clang-format off
        {int32, "7", "7"}, {int32, "-7", "-7"}, {int32, "\"12\"", "12"}, {int32, "\" -12x\"", "-12"},
        {int32, "12.9", "12"}, {int32, "-12.9", "-12"}, {int32, "1e3", "1000"}, {int32, "-0", "0"},
        {int32, "true", "1"}, {int32, "\"TRUE\"", "1"}, {int32, "tRuE", "1"}, {int32, "false", "0"},
        {int32, "null", "0"}, {int32, "\"\"", "0"}, {int32, "\"truex\"", "0"},
        {int32, "-2147483648", "-2147483648"},
        {int32, "2147483648", "-2147483648"}, {int32, "4294967297", "1"},  // the low 32 bits
        {int32, "1e30", "-1"},  // a real saturates at 2^64 - 1, then the low 32 bits
        {int32, "1e10", "1410065408"},  // like the equally large integer
        {int32, "[1]", notSigned}, {int32, "", notSigned},
        {uint32, "4294967297", "1"}, {uint32, "\"-1\"", "4294967295"},  // strtoull wraps
        {uint32, "True", "1"}, {uint32, "null", "0"}, {uint32, "-1", negative}, {uint32, "-0", negative},
        {uint16, "70000", "4464"}, {uint16, "7.9", "7"}, {uint16, "\"7\"", "7"}, {uint16, "1e30", "65535"},
        {uint16, "-1.5", "msg:assign a negative float point to unsigned integral number."},
        {uint16, "{}", "msg:not a valid unsigned integral like number."},
        {real, "60", "60"}, {real, "59.94", "59.94"}, {real, "\"59.94\"", "59.94"}, {real, "-0", "-0"},
        {real, "-0.5", "-0.5"}, {real, "\"abc\"", "0"}, {real, "true", "0"}, {real, "null", "0"},
        {real, "1e-3", "0.001"}, {real, "1e39", "1e39"}, {real, "[1]", "msg:not a valid float point number."},
        // quoted texts and words take strtold's full syntax as the "C" locale has it
        {real, "\" \t2.5\"", "2.5"}, {real, "\"1,5\"", "1"}, {real, "\"0x1p-3\"", "0.125"},
        {real, "\"3.4028235e38\"", "3.4028235e38"}, {real, "\"-0\"", "-0"}, {real, "\"1e-50\"", "0"},
        {real, "\"1e4000\"", "1e39"}, {real, "\"-Infinity\"", "-1e39"}, {real, "inf", "1e39"},
        {real, ".5", "0.5"}, {real, "nan", "null"}, {real, "\"\"", "0"},
        {text, "\"a\\u00e9\"", "\"a\\u00E9\""}, {text, "null", "\"null\""},
        {text, "5", "msg:not a valid string."}, {text, "\"ok\\x\"", "msg:not a valid string."},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.member(c.value), c.expected) << c.value;
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
        {"{R:6 , B : 7}", R"({"R":6,"G":50,"B":7})"},       // unquoted keys are words
        {R"({"x":,"R":1})", R"({"R":1,"G":50,"B":50})"},    // an unlisted key may lack its value
        {R"({"}":1,"R":2})", R"({"R":50,"G":50,"B":50})"},  // a key starting with } ends it
        {R"({"x":[1,[2})", "msg:invalid json document!"},
        {"[]", "error at line :0 col :1 msg:read object must start with {!"},
        {"", "error at line :0 col :0 msg:read object must start with {!"},
        {"{1:2}", "msg:object key must be string"},
        {R"({"R":1,})", "msg:object key must be string"},
        {R"({"R" 1})", "msg:invalid json document!"},
        {R"({"R":1 "G":2})", "msg:invalid json document!"},
        // only the token after the value is examined
        {R"({"R":1} xyz)", "error at line :0 col :11 msg:not a valid string!"},
        {R"({"R":1} 5 xyz)", R"({"R":1,"G":50,"B":50})"},
        // { is line 0 column 0; the line feed starts line 1; the blanks are columns 1 and 2, the
        // quotes around R 3 and 5, the colon 6, the blank 7, [ 8; the value's token has been
        // read ahead, so the cursor is on 1 at column 9.
        {"{\n  \"R\": [1]\n}",
         "error at line :1 col :9 msg:not a valid signed integral like number."},
    });
    // Later duplicates win and a repeated record reads into what it holds.
    expect_reads<LCDAutoReportData>({
        {R"({"seq":1,"seq":2,"tl":{"ErrorCode":1},"tl":{"CommandCode":5},"body":"x"})",
         R"({"source":"","seq":2,"sn":"","tl":{"CommandCode":5,"ErrorCode":1,)"
         R"("UserDataLength":0},"body":"x"})"},
        {R"({"tl":null})", "msg:read object must start with {!"},
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
    expect_reads<s_response<List>>({
        {R"({"data":[{}],"data":[{"screenId":3}]})",  // a repeated sequence collects both
         R"({"code":0,"message":"","data":[{"screenId":0,"colorSpace":{"preset":-1}},)"
         R"({"screenId":3,"colorSpace":{"preset":-1}}]})"},
        {R"({"data":null})", "msg:array must start with [."},
    });
}

// A decode neither clears the value before nor restores it after: a sequence receives its
// elements after those it held, and a failure keeps what was read before it.
TEST(DecodeEntry, ReadsIntoWhatTheValueHolds) {
    EXPECT_EQ(read<List>(R"([{"screenId":2}])", List{{1, {5}}}),
              R"([{"screenId":1,"colorSpace":{"preset":5}},)"
              R"({"screenId":2,"colorSpace":{"preset":-1}}])");
    List list;
    std::string error;
    EXPECT_FALSE(decode(std::string(R"([{"screenId":1} {}])"), list, error));
    EXPECT_EQ(1u, list.size());
    s_RGB rgb;
    ASSERT_FALSE(decode(std::string(R"({"R":7,"G":[]})"), rgb, error));
    EXPECT_EQ(rgb.R * 100 + rgb.G, 750);
    error = "untouched";
    ASSERT_TRUE(decode(std::string(R"({"B":1})"), rgb, error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(7, rgb.R);
}

}  // namespace
