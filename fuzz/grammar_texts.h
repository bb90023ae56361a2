// Texts made from the reader's own grammar, its quirks included, for the decoder's sameness check:
// a document rewritten a token at a time (a key or an element that is quoted punctuation, a number
// or a word for a key, a missing, doubled or quoted comma or colon, lone punctuation, words and odd
// numbers for values, comments, blanks and CRLF between any two tokens, the text cut off), and
// documents drawn whole from the same pieces with the records' own keys. Every draw comes from one
// seeded generator, so a run makes the same texts on every machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace ocsm_grammar {

// splitmix64: small, and the same sequence on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }
    bool one_in(size_t n) { return below(n) == 0; }
    template <size_t N>
    const char* pick(const char* const (&pieces)[N]) {
        return pieces[below(N)];
    }

private:
    uint64_t state_;
};

// Keys of the records, so that the decoder's in-place key compare takes part, and a few it lacks.
const char* const kKeys[] = {"code",
                             "message",
                             "data",
                             "list",
                             "count",
                             "page",
                             "totalCount",
                             "totalPage",
                             "screenId",
                             "screenIdObj",
                             "id",
                             "type",
                             "general",
                             "name",
                             "area",
                             "mosaic",
                             "outputs",
                             "interfaceId",
                             "interfaceOnline",
                             "pos",
                             "crop",
                             "feather",
                             "enable",
                             "gamma",
                             "width",
                             "x",
                             "y",
                             "colorSpace",
                             "preset",
                             "actual",
                             "timing",
                             "refresh",
                             "R",
                             "G",
                             "B",
                             "source",
                             "seq",
                             "sn",
                             "tl",
                             "CommandCode",
                             "ErrorCode",
                             "UserDataLength",
                             "body",
                             "interfaceIdObj",
                             "auxiliaryInfo",
                             "connectorInfo",
                             "capacity",
                             "workMode",
                             "hdr",
                             "sdr",
                             "colorDynamicRange",
                             "extra",
                             "r",
                             ""};

// What may stand where a key stands: punctuation in quotes (tested by its first byte), numbers,
// words, escapes, and keys near misses of the records'.
const char* const kOddKeys[] = {"\"}\"",
                                "\"]\"",
                                "\",\"",
                                "\":\"",
                                "\"{\"",
                                "\"[\"",
                                "\"}x\"",
                                "\"]\":",
                                "7",
                                "-1",
                                "1.5",
                                "word",
                                "true",
                                "\"\\u0052\"",
                                "\"\"",
                                "\"R \"",
                                "\"screenId\" ",
                                "/*c*/\"R\"",
                                "}",
                                "]",
                                ":",
                                ",",
                                "{",
                                "["};

// What may stand where a value or an element stands.
const char* const kOddValues[] = {"\"}\"",
                                  "\"]\"",
                                  "\",\"",
                                  "\":\"",
                                  "\"{\"",
                                  "\"[\"",
                                  "}",
                                  "]",
                                  ",",
                                  ":",
                                  "",
                                  "true",
                                  "TRUE",
                                  "tRuE",
                                  "false",
                                  "null",
                                  "xyz",
                                  "x\"y",
                                  "1e+5",
                                  "-.5",
                                  "5.",
                                  "0x10",
                                  "-",
                                  "1.2.3",
                                  "-0",
                                  "00012",
                                  "99999999999999999999",
                                  "18446744073709551617",
                                  "-9223372036854775809",
                                  "1e400",
                                  "1E-2",
                                  "12.9",
                                  "-12.9",
                                  "4294967297",
                                  "\"12\"",
                                  "\" -12x\"",
                                  "\"1.5\"",
                                  "\"-1\"",
                                  "\"\"",
                                  "\"a\\u00e9\"",
                                  "\"\\ud83d\\ude00\"",
                                  "\"\\x\"",
                                  "\"a\\\"b\"",
                                  "\"\\/\\n\\t\"",
                                  "\"\t\r\"",
                                  "{}",
                                  "[]",
                                  "[{}]",
                                  "{\"}\":1}",
                                  "[\"]\"]",
                                  "{\"a\":[\"]\"]}",
                                  "[{\"}\":[]}]",
                                  "{\"a\":\"}\"}",
                                  "[\"}\",\"]\"]",
                                  "{1:2}",
                                  "{a:1}",
                                  "{\"a\" 1}",
                                  "[1 2]",
                                  "{\"a\":1 \"b\":2}",
                                  "[,]",
                                  "[1,]",
                                  "{\"a\":1,}",
                                  "{\"a\":}",
                                  "{\"a\":[}",
                                  "[:]",
                                  "/*c*/1",
                                  "//c\n1",
                                  "/x",
                                  "[[[[]]]]",
                                  "{\"a\":{\"b\":{\"c\":[1,{\"d\":\"]\"}]}}}"};

// What may stand between two tokens.
const char* const kGaps[] = {" ",  "\t",    "\r\n",  "\n",   "\r",
                             "  ", "/*c*/", "//c\n", "/**/", "/*\n*/"};

// A text cut into the reader's tokens, roughly: enough to edit between tokens and to tell keys,
// values and separators apart. Blanks and comments are left out; strings keep their quotes.
struct token {
    enum kind_t { string, scalar, punct } kind;
    std::string text;
};

inline std::vector<token> tokens_of(const std::string& text) {
    std::vector<token> tokens;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const size_t start = i;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                i += text[i] == '\\';
            i = i < text.size() ? i + 1 : i;
            tokens.push_back({token::string, text.substr(start, i - start)});
        } else if (std::strchr(",:[]{}", c) != nullptr && c != '\0') {
            tokens.push_back({token::punct, std::string(1, c)});
            ++i;
        } else {
            while (i < text.size() && std::strchr(" \t\r\n,:[]{}\"", text[i]) == nullptr)
                ++i;
            i += i == start;  // a NUL byte, taken as a scalar of its own
            tokens.push_back({token::scalar, text.substr(start, i - start)});
        }
    }
    return tokens;
}

// The document's tokens written again, with one to four of them replaced by what the reader may
// also meet in their place, blanks or comments between some tokens, and now and then cut off.
inline std::string rewritten(const std::string& document, Random& random) {
    const std::vector<token> tokens = tokens_of(document);
    if (tokens.empty()) return document;
    std::vector<bool> in_object;  // the open containers
    bool key_due = false;
    const size_t edits = 1 + random.below(4);
    const bool spaced = random.one_in(4);  // blanks between every two tokens
    std::string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const token& t = tokens[i];
        const bool edit = random.below(tokens.size()) < edits;
        if (spaced || random.one_in(16)) out += random.pick(kGaps);
        const bool is_key = key_due && t.kind != token::punct;
        if (t.kind == token::punct) {
            const char c = t.text[0];
            if (c == '{' || c == '[') in_object.push_back(c == '{');
            if ((c == '}' || c == ']') && !in_object.empty()) in_object.pop_back();
            key_due = (c == '{' || c == ',') && !in_object.empty() && in_object.back();
        } else {
            key_due = false;
        }
        if (!edit) {
            out += t.text;
            continue;
        }
        if (is_key) {
            out += random.one_in(3) ? "\"" + std::string(random.pick(kKeys)) + "\""
                                    : std::string(random.pick(kOddKeys));
        } else if (t.kind == token::punct && (t.text == "," || t.text == ":")) {
            const char* const separators[] = {"", ",,", "\",\"", "\":\"", ":", ",", " "};
            out += random.pick(separators);
        } else if (t.kind == token::punct && (t.text == "}" || t.text == "]")) {
            const char* const closes[] = {"", "\"}\"", "\"]\"", "}", "]", "}}", "]]"};
            out += random.pick(closes);
        } else {
            out += random.pick(kOddValues);
        }
    }
    if (random.one_in(8)) out.resize(random.below(out.size() + 1));
    return out;
}

// A value drawn whole from the grammar's pieces, at most `depth` levels deep.
inline void draw_value(std::string& out, Random& random, int depth) {
    const size_t choice = random.below(depth > 0 ? 5 : 2);
    if (choice == 0) {
        out += random.pick(kOddValues);
    } else if (choice == 1) {
        const char* const plain[] = {"0", "7", "-7", "2.2", "\"text\"", "\"a\\\"b\"", "true"};
        out += random.pick(plain);
    } else {
        const bool object = choice != 4;
        out += object ? '{' : '[';
        const size_t members = random.below(4);
        for (size_t m = 0; m < members; ++m) {
            if (m != 0 && !random.one_in(12)) out += ',';
            if (random.one_in(6)) out += random.pick(kGaps);
            if (object) {
                out += random.one_in(5) ? std::string(random.pick(kOddKeys))
                                        : "\"" + std::string(random.pick(kKeys)) + "\"";
                if (!random.one_in(20)) out += ':';
            }
            draw_value(out, random, depth - 1);
        }
        if (random.one_in(10)) out += ',';
        out += object ? '}' : ']';
    }
    if (random.one_in(8)) out += random.pick(kGaps);
}

// A document drawn whole: an object or an array of the records' keys and the grammar's pieces.
inline std::string drawn(Random& random) {
    std::string out;
    do {
        out.clear();
        draw_value(out, random, 5);
    } while (out.empty() || (out[0] != '{' && out[0] != '['));
    if (random.one_in(8)) out.resize(random.below(out.size() + 1));
    return out;
}

}  // namespace ocsm_grammar
