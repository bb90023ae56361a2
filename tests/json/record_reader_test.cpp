// The decoder's compare of a key in place, and its scans staying within the text. Each text is
// placed so that its last byte (its terminating NUL, or its last character for a reader given the
// text's size) is the last before a page that cannot be read; the controller's documents, cut at
// every byte of their first screen or interface (so that every scan meets the end of the text in
// every state), decode into each record the component reads without touching that page, and as
// they decode from a string.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "guardedtext.h"
#include "json/lcdjson.h"
#include "keys_record.h"
#include "outputcolorspacemodel/colorspaceanswer.h"
#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

// What reading a T from the text at `text` gives: its error text, or "ok".
template <class T>
std::string readAt(const char* text, uint64_t size, uint64_t readable) {
    T value{};
    lcdjson::reader rd(text, size, readable);
    try {
        lcdjson::detail::read_root(rd, value);
    } catch (const lcdjson::exception& e) {
        return e.what();
    }
    return "ok";
}

// A decode of the text from a string, and reads of it placed before a guard page: as decode
// reads it (`with_nul`, its NUL last), and by a reader held to its size (`held`, no NUL after its
// last character). All agree.
template <class T>
void expectSame(const char* with_nul, const char* held, const std::string& text) {
    T copy{};
    std::string error = "ok";
    LCD::ProtoModel::decode(text, copy, error);
    ASSERT_EQ(readAt<T>(with_nul, UINT64_MAX, text.size() + 1), error) << text;
    if (text.empty()) return;  // a size of 0 means no limit
    ASSERT_EQ(readAt<T>(held, text.size(), text.size()), error) << text;
}

void expectSameAll(ocsm_test::GuardedText& with_nul, ocsm_test::GuardedText& held,
                   const std::string& text) {
    using namespace LCD::ProtoModel;
    const char* const nul_ended = with_nul.place(text);
    const char* const sized = held.place(text.data(), text.size());
    expectSame<s_response<Screen::s_ScreenDetail>>(nul_ended, sized, text);
    expectSame<s_response<Interface::s_InterfaceDetailInfo>>(nul_ended, sized, text);
    expectSame<LCD::AutoReport::LCDAutoReportData>(nul_ended, sized, text);
    expectSame<std::vector<Screen::s_ScreenColorSpace>>(nul_ended, sized, text);
    expectSame<ColorSpace::s_PutColorSpaceAnswer>(nul_ended, sized, text);
}

// The text without the blanks between its tokens, as the controller sends it.
std::string compact(const std::string& text) {
    std::string out;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '\\') {
            out += text.substr(i++, 2);
            continue;
        }
        quoted ^= c == '"';
        if (quoted || (c != ' ' && c != '\n' && c != '\t' && c != '\r')) out += c;
    }
    return out;
}

// A key is there when its bytes, quotes and colon, are: all three words of one, none of a longer
// one (that is looked up by name), and up to the readable end.
TEST(RecordReader, KeysAreComparedInPlaceUpToTheirWordsAndTheReadableEnd) {
    const auto& entries = lcdjson::detail::table_of<ocsm_test::s_Keys>::entries;
    const auto& filling = entries[0];    // "abcdefghijklmnopqrstu": 24 bytes
    const auto& short_key = entries[2];  // "abcdefg": 10 bytes
    const auto& longer = entries[3];     // "abcdefghijklmnopqrstuv": 25 bytes
    const std::string text =
        R"({"abcdefg":1,"abcdefghijklmnopqrstu":2,"abcdefghijklmnopqrstuv":3})";
    const lcdjson::reader rd(text.c_str(), UINT64_MAX, text.size() + 1);
    EXPECT_TRUE(lcdjson::detail::key_here(rd, 1, short_key));
    EXPECT_TRUE(lcdjson::detail::key_here(rd, 13, filling));
    EXPECT_FALSE(lcdjson::detail::key_here(rd, 13, short_key));
    EXPECT_FALSE(lcdjson::detail::key_here(rd, 1, filling));
    EXPECT_FALSE(lcdjson::detail::key_here(rd, 39, longer));
    for (const uint64_t readable : {11, 10}) {
        const lcdjson::reader near_end(text.c_str(), readable, readable);
        EXPECT_EQ(lcdjson::detail::key_here(near_end, 1, short_key), readable == 11) << readable;
    }
}

TEST(RecordReader, ScansStopAtTheTextsEndWhereverItIsCut) {
    std::vector<std::string> texts;
    for (const char* name : {"screen-list-detail.json", "interface-list-detail.json",
                             "autoreport-colorspace.json", "fixture-newer-controller.json"}) {
        const std::string stored = ocsm_test::readDataFile(name);
        texts.push_back(stored);
        texts.push_back(compact(stored));
    }
    // A refusal's answer: a negative member, which one cut leaves right after its sign.
    texts.push_back(R"({"code":-2001,"message":"refused"})");
    size_t largest = 0;
    for (const std::string& text : texts)
        largest = std::max(largest, text.size());
    ocsm_test::GuardedText with_nul(largest + 1), held(largest);
    ASSERT_TRUE(with_nul.ready() && held.ready());
    for (const std::string& text : texts) {
        expectSameAll(with_nul, held, text);
        // Every cut within the first OCSM_GUARDED_CUTS bytes: 4 KiB takes each document past its
        // first screen or interface.
        for (size_t cut = 0; cut < std::min<size_t>(text.size(), OCSM_GUARDED_CUTS); ++cut) {
            expectSameAll(with_nul, held, text.substr(0, cut));
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
