// The scan for the end of a quoted string's plain run, the way this build makes it: with the
// machine's vector unit (json_scan_tests), or eight bytes in a plain word (json_scan_word_tests,
// compiled as for a machine without one). Each text ends right before an unreadable page.
#include <gtest/gtest.h>

#include <string>

#include "guardedtext.h"
#include "json/scan.h"

namespace {

using lcdjson::detail::string_stop;

constexpr size_t kLongest = 48;  // three vector blocks, six words

// Bytes that stop nothing, next to the four that do in value or in their low seven bits (the
// plain word's test borrows across bytes and masks each byte's high bit).
const std::string kPlain = "a!#[]\x01\x09\x0b\x7f\x80\xa2\xdc\x8a\xff\x21\x5d";

// Where the scan of `text` stops, as an offset (its size when nothing stops it).
size_t stopOf(ocsm_test::GuardedText& guarded, const std::string& text) {
    const char* at = guarded.place(text.data(), text.size());
    return static_cast<size_t>(string_stop(at, at + text.size()) - at);
}

// Every byte value, in a vector block, in a word and in the bytes after the last whole one.
TEST(StringStop, OnlyTheQuoteBackslashLineFeedAndNulStop) {
    ocsm_test::GuardedText guarded(kLongest);
    ASSERT_TRUE(guarded.ready());
    for (int c = 0; c < 256; ++c) {
        const bool stops = c == '"' || c == '\\' || c == '\n' || c == '\0';
        for (const size_t at : {size_t{3}, size_t{13}, size_t{20}, size_t{37}}) {
            std::string text(38, 'a');
            text[at] = static_cast<char>(c);
            EXPECT_EQ(stopOf(guarded, text), stops ? at : text.size()) << c << " at " << at;
        }
    }
}

// Each stop byte at every place of texts of every size up to kLongest, after plain bytes of every
// kind and before a second stop: the first one is found, and no byte past the end is read.
TEST(StringStop, FindsTheFirstStopAtEveryPlaceOfEverySize) {
    ocsm_test::GuardedText guarded(kLongest);
    ASSERT_TRUE(guarded.ready());
    for (size_t size = 0; size <= kLongest; ++size) {
        std::string text(size, ' ');
        for (size_t i = 0; i < size; ++i)
            text[i] = kPlain[(i * 7 + size) % kPlain.size()];
        ASSERT_EQ(stopOf(guarded, text), size) << "no stop in " << size << " bytes";
        for (const char stop : {'"', '\\', '\n', '\0'}) {
            for (size_t at = 0; at < size; ++at) {
                std::string stopped = text;
                stopped[at] = stop;
                if (at + 1 < size) stopped[size - 1] = '"';
                ASSERT_EQ(stopOf(guarded, stopped), at)
                    << int(stop) << " at " << at << " of " << size;
            }
        }
    }
}

}  // namespace
