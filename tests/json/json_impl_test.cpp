// The binding of JSON values to records: each member type's conversion by token kind, records
// through their field lists, sequences, and what a failed decode leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "keys_record.h"
#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using LCD::AutoReport::AutoReportTLVDataMessage;
using LCD::AutoReport::LCDAutoReportData;
using List = std::vector<Screen::s_ScreenColorSpace>;

using ocsm_test::s_Keys;

// The compact JSON text of what text decodes to in value, or the error text.
template <class T>
std::string read(const std::string& text, T value = T{}) {
    std::string error;
    if (!decode(text, value, error)) return error;
    std::string out;
    encode(out, value);
    return out;
}

template <class T>
std::string fresh(const std::string& text) {
    return read<T>(text);
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

TEST(FieldList, SplitDropsBlanksAroundNamesAndTheListGivesTheKeyOrder) {
    std::string names;
    for (const auto& name : lcdjson::detail::split_fields(" a,\tbc ,\n def\r\f,,g"))
        names += std::string(name.str, name.len) + "|";
    EXPECT_EQ(names, "a|bc|def|g|");
    // The field list, not the declaration, gives the key order; members it lacks are not bound.
    EXPECT_EQ(read<Interface::s_ReadHDCPState>("{}"), R"({"enable":0,"preset":-1,"actual":0})");
    EXPECT_EQ(read<Interface::s_AuxiliaryInfo>(R"({"reserved":7})"),
              read<Interface::s_AuxiliaryInfo>("{}"));
}

TEST(ScalarConversion, ByTokenKindCutToTheMemberWidth) {
    const std::map<std::string, std::function<std::string(const std::string&)>> kinds = {
        {"int32", member<s_RGB>("R")},
        {"uint32", member<AutoReportTLVDataMessage>("CommandCode")},
        {"uint16", member<AutoReportTLVDataMessage>("ErrorCode")},
        {"float", member<s_Sdr>("gamma")},
        {"string", member<Interface::s_General>("name")}};
    for (const auto& c : ocsm_test::readCases("json/scalars.tsv"))
        EXPECT_EQ(kinds.at(c.at(0))(c.at(1)), c.at(2)) << c[0] << " " << c[1];
    Interface::s_General general;
    std::string error;
    EXPECT_FALSE(decode(std::string(R"({"name":"ok\x"})"), general, error));
    EXPECT_EQ(general.name, "ok");  // what was decoded before the bad escape
}

TEST(Records, KeysMembersSyntaxAndSequences) {
    const std::map<std::string, std::function<std::string(const std::string&)>> types = {
        {"RGB", fresh<s_RGB>},
        {"AutoReport", fresh<LCDAutoReportData>},
        {"ColorSpaceList", fresh<List>},
        {"ColorSpaceResponse", fresh<s_response<List>>},
        {"Keys", fresh<s_Keys>}};
    for (const auto& c : ocsm_test::readCases("json/records.tsv")) {
        const std::string got = types.at(c.at(0))(c.at(1));
        const size_t at = got.find(" msg:");
        const bool messageOnly = c.at(2).rfind("msg:", 0) == 0 && at != std::string::npos;
        EXPECT_EQ(messageOnly ? got.substr(at + 1) : got, c[2]) << c[1];
    }
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
