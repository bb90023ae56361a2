// skip: passing over values of any shape, including pathological nesting.
#include <gtest/gtest.h>

#include <string>

#include "json/lcdjson.h"
#include "protomodel/protomodel.h"

namespace {

using lcdjson::reader;

// Skips the first value of text; returns the text of the token left current (or "end"),
// or the error text.
std::string skip_first(const std::string& text) {
    reader rd(text.c_str(), UINT64_MAX);
    try {
        rd.next();
        lcdjson::skip(rd);
        if (rd.token_kind == lcdjson::tk_end) return "end";
        return std::string(rd.token_text, rd.token_size);
    } catch (const lcdjson::exception& e) {
        return e.what();
    }
}

TEST(Skip, ValuesOfAnyShapeAndWhatStaysCurrent) {
    struct Case {
        const char* text;
        std::string expected;
    };
    const std::string invalid = " msg:invalid json document!";
    for (const Case& c : {
             Case{"\"a\" 9", "9"},
             Case{"-1.5e3 9", "9"},
             Case{"[1 2] 9", "9"},  // missing commas are tolerated
             Case{"[ {\"a\":[1,{}], 2:3 \"b\":{}}, \"x\", [] ] 9", "9"},
             Case{"[,] 9", "9"},
             Case{"{\"a\":} 9", "9"},  // a missing value is tolerated
             Case{"{} 9", "9"},
             Case{"", "end"},
             Case{", 9", ","},  // lone punctuation stays current
             Case{"} 9", "}"},
             Case{"] 9", "]"},
             // strings starting with punctuation act as that punctuation
             Case{"[\"]x\", 1] 9", ","},
             Case{"{\"a\":1 \"}\" 2} 9", "2"},
             // cut-off or malformed containers
             Case{"[1,\n[2", "error at line :1 col :3" + invalid},
             Case{"[1, 2", "error at line :0 col :5" + invalid},
             Case{"{\"a\":1", "error at line :0 col :6" + invalid},
             Case{"{\"a\" 1}", "error at line :0 col :6" + invalid},
             Case{"{[:1}", "error at line :0 col :2" + invalid},
             Case{"{,}", "error at line :0 col :2" + invalid},
             Case{"{\"a\":[}", "error at line :0 col :7" + invalid},
             // a lone colon or brace inside an array fails instead of looping
             Case{"[:]", "error at line :0 col :2" + invalid},
             Case{"[}]", "error at line :0 col :2" + invalid},
             Case{"[1 :]", "error at line :0 col :4" + invalid},
             Case{"[[1] }]", "error at line :0 col :6" + invalid},
         }) {
        EXPECT_EQ(skip_first(c.text), c.expected) << c.text;
    }
}

// Recursion would need one stack frame per level; ten million levels must neither overflow
// the stack nor take long.
TEST(Skip, DeepNestingIsPassedOverOrFailsCleanly) {
    constexpr size_t kDeep = 10 * 1000 * 1000;
    LCD::ProtoModel::s_RGB value;
    std::string error;
    EXPECT_FALSE(LCD::ProtoModel::decode("{\"x\":" + std::string(kDeep, '[') + "}", value, error));
    EXPECT_EQ(error,
              "error at line :0 col :" + std::to_string(kDeep + 6) + " msg:invalid json document!");
    ASSERT_TRUE(LCD::ProtoModel::decode(
        "{\"x\":" + std::string(kDeep, '[') + std::string(kDeep, ']') + ",\"R\":5}", value, error))
        << error;
    EXPECT_EQ(5, value.R);

    std::string chain;
    chain.reserve(kDeep * 5 + 16);
    for (size_t i = 0; i < kDeep; ++i)
        chain += "{\"a\":";
    ASSERT_TRUE(LCD::ProtoModel::decode(
        "{\"x\":" + chain + "1" + std::string(kDeep, '}') + ",\"G\":7}", value, error))
        << error;
    EXPECT_EQ(7, value.G);
    EXPECT_FALSE(LCD::ProtoModel::decode("{\"x\":" + chain + "1", value, error));
    EXPECT_NE(error.find("msg:invalid json document!"), std::string::npos);
}

}  // namespace
