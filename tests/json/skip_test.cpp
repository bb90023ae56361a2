// skip: passing over values of any shape, including pathological nesting.
#include <gtest/gtest.h>

#include <string>

#include "json/lcdjson.h"
#include "test_records.h"

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

TEST(Skip, ScalarsAndContainersOfAnyShape) {
    EXPECT_EQ(skip_first("\"a\" 9"), "9");
    EXPECT_EQ(skip_first("-1.5e3 9"), "9");
    EXPECT_EQ(skip_first("[1 2] 9"), "9");  // missing commas are tolerated
    EXPECT_EQ(skip_first("[ {\"a\":[1,{}], 2:3 \"b\":{}}, \"x\", [] ] 9"), "9");
    EXPECT_EQ(skip_first("[,] 9"), "9");
    EXPECT_EQ(skip_first("{\"a\":} 9"), "9");  // a missing value is tolerated
    EXPECT_EQ(skip_first("{} 9"), "9");
    EXPECT_EQ(skip_first(""), "end");
}

TEST(Skip, LonePunctuationStaysCurrent) {
    EXPECT_EQ(skip_first(", 9"), ",");
    EXPECT_EQ(skip_first("} 9"), "}");
    EXPECT_EQ(skip_first("] 9"), "]");
}

TEST(Skip, CutOffOrMalformedContainersFail) {
    const std::string invalid = "msg:invalid json document!";
    for (const char* text :
         {"[1, 2", "[", "{", "{\"a\":1", "{\"a\" 1}", "{[:1}", "{,}", "{\"a\":[}"}) {
        const std::string result = skip_first(text);
        EXPECT_EQ(result.substr(result.size() - invalid.size()), invalid) << text;
    }
    EXPECT_EQ(skip_first("[1,\n[2"), "error at line :1 col :3 msg:invalid json document!");
}

TEST(Skip, ArrayHoldingALoneColonOrBraceFailsInsteadOfLooping) {
    for (const char* text : {"[:]", "[}]", "[1 :]", "[[1] }]"}) {
        EXPECT_EQ(skip_first(text), "error at line :0 col :" +
                                        std::to_string(std::string(text).find_first_of(":}") + 1) +
                                        " msg:invalid json document!")
            << text;
    }
}

TEST(Skip, StringsStartingWithPunctuationActAsThatPunctuation) {
    EXPECT_EQ(skip_first("[\"]x\", 1] 9"), ",");
    EXPECT_EQ(skip_first("{\"a\":1 \"}\" 2} 9"), "2");
}

// The reader would need one stack frame per level if skip recursed; ten million levels
// must neither overflow the stack nor take long.
constexpr size_t kDeep = 10 * 1000 * 1000;

TEST(SkipDeepNesting, UnclosedArraysFailCleanly) {
    const std::string text = "{\"x\":" + std::string(kDeep, '[') + "}";
    jsontest::s_RGB value;
    std::string error;
    EXPECT_FALSE(LCD::ProtoModel::decode(text, value, error));
    EXPECT_EQ(error,
              "error at line :0 col :" + std::to_string(kDeep + 6) + " msg:invalid json document!");
}

TEST(SkipDeepNesting, ClosedArraysArePassedOver) {
    const std::string text =
        "{\"x\":" + std::string(kDeep, '[') + std::string(kDeep, ']') + ",\"R\":5}";
    jsontest::s_RGB value;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(text, value, error)) << error;
    EXPECT_EQ(5, value.R);
}

TEST(SkipDeepNesting, ObjectChainsArePassedOverOrFail) {
    std::string chain;
    chain.reserve(kDeep * 5 + 16);
    for (size_t i = 0; i < kDeep; ++i)
        chain += "{\"a\":";
    jsontest::s_RGB value;
    std::string error;
    const std::string closed = "{\"x\":" + chain + "1" + std::string(kDeep, '}') + ",\"G\":7}";
    ASSERT_TRUE(LCD::ProtoModel::decode(closed, value, error)) << error;
    EXPECT_EQ(7, value.G);
    EXPECT_FALSE(LCD::ProtoModel::decode("{\"x\":" + chain + "1", value, error));
    EXPECT_NE(error.find("msg:invalid json document!"), std::string::npos);
}

}  // namespace
