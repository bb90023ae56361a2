// The decoder's scans stay within the text. Each text is placed so that its terminating NUL is the
// last byte before a page that cannot be read; the controller's documents, cut at every byte of
// their first screen or interface (so that every scan meets the end of the text in every state),
// decode into each record the component reads without touching that page, and as they decode
// from a string.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "guardedtext.h"
#include "json/lcdjson.h"
#include "outputcolorspacemodel/colorspaceanswer.h"
#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

// What a decode of the text at `text` gives (its error text, or "ok"), made as decode makes it, and
// the same for a copy of the text in a string: the two must agree.
template <class T>
void expectSameAt(const char* text, size_t size) {
    T value{};
    std::string at = "ok";
    lcdjson::reader rd(text, UINT64_MAX, size + 1);
    try {
        lcdjson::detail::read_root(rd, value);
    } catch (const lcdjson::exception& e) {
        at = e.what();
    }
    T copy{};
    std::string error = "ok";
    LCD::ProtoModel::decode(std::string(text, size), copy, error);
    ASSERT_EQ(at, error) << std::string(text, size);
}

void expectSameAll(const char* text, size_t size) {
    using namespace LCD::ProtoModel;
    expectSameAt<s_response<Screen::s_ScreenDetail>>(text, size);
    expectSameAt<s_response<Interface::s_InterfaceDetailInfo>>(text, size);
    expectSameAt<LCD::AutoReport::LCDAutoReportData>(text, size);
    expectSameAt<std::vector<Screen::s_ScreenColorSpace>>(text, size);
    expectSameAt<ColorSpace::s_PutColorSpaceAnswer>(text, size);
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

TEST(RecordReader, ScansStopAtTheTextsEndWhereverItIsCut) {
    std::vector<std::string> texts;
    for (const char* name : {"screen-list-detail.json", "interface-list-detail.json",
                             "autoreport-colorspace.json", "fixture-newer-controller.json"}) {
        const std::string stored = ocsm_test::readDataFile(name);
        texts.push_back(stored);
        texts.push_back(compact(stored));
    }
    size_t largest = 0;
    for (const std::string& text : texts)
        largest = std::max(largest, text.size());
    ocsm_test::GuardedText guarded(largest + 1);
    ASSERT_TRUE(guarded.ready());
    for (const std::string& text : texts) {
        expectSameAll(guarded.place(text), text.size());
        // Every cut within the first OCSM_GUARDED_CUTS bytes: 4 KiB takes each document past its
        // first screen or interface.
        for (size_t cut = 0; cut < std::min<size_t>(text.size(), OCSM_GUARDED_CUTS); ++cut) {
            expectSameAll(guarded.place(text.substr(0, cut)), cut);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
