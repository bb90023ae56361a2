// The repeatable form of the decoder's sameness check: lcdjson against its plain reference
// (same_decode.h) on texts made from the files given (JSON test files, the controller documents,
// the fuzz seeds): each file as it is, byte edits of it and rewrites of its tokens by the reader's
// grammar (grammar_texts.h), then documents drawn whole from that grammar; all from one fixed
// seed, so every run checks the same texts. Prints how many texts it checked; exits 1 on the first
// difference.
//
//   same_decode_check [--edits N] [--drawn M] FILE_OR_FOLDER...
//
// N byte edits and N token rewrites of each file (default 300), M drawn documents (default 20000).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "grammar_texts.h"
#include "same_decode.h"

namespace {

using ocsm_grammar::Random;

// Bytes that matter to the reader and the binding, and pieces of the documents' own.
const char* const kPieces[] = {"{",
                               "}",
                               "[",
                               "]",
                               ":",
                               ",",
                               "\"",
                               "\\",
                               "/",
                               "*",
                               "//",
                               "/*",
                               "*/",
                               "-",
                               "+",
                               ".",
                               "e",
                               "E",
                               "e-",
                               "0",
                               "7",
                               "12",
                               "-0",
                               "1.5",
                               "1e+5",
                               "0x10",
                               "-.5",
                               "true",
                               "TRUE",
                               "false",
                               "null",
                               " ",
                               "\t",
                               "\r",
                               "\n",
                               "\r\n",
                               "",
                               "\x80",
                               "\xe4\xb8\xbb",
                               "\\u00e9",
                               "\\u0000",
                               "\\x",
                               "\"R\":",
                               "\"list\":",
                               "\"x\":",
                               "\"screenId\":",
                               "\"colorSpace\":{\"preset\":",
                               "{\"R\":1}",
                               "[{}]",
                               ",}",
                               ",]",
                               "99999999999999999999",
                               "1e400",
                               "1e-400"};

std::string piece(Random& random) {
    const size_t index = random.below(std::size(kPieces));
    // The empty piece stands for a NUL byte, which a C string cannot hold.
    return kPieces[index][0] == '\0' ? std::string(1, '\0') : std::string(kPieces[index]);
}

// Values in the forms that each member type converts in its own way.
const char* const kValues[] = {"0",
                               "7",
                               "-7",
                               "1E2",
                               "1e2",
                               "1e+5",
                               "2e-1",
                               "-.5",
                               "5.",
                               "0x10",
                               "12ab",
                               "-",
                               "-0",
                               "00012",
                               "12.9",
                               "-12.9",
                               "1.2.3",
                               "4294967297",
                               "18446744073709551617",
                               "-9223372036854775808",
                               "1e30",
                               "\"12\"",
                               "\" -12x\"",
                               "\"1.5\"",
                               "\"-1\"",
                               "\"nan\"",
                               "\"0x1p3\"",
                               "true",
                               "TRUE",
                               "tRuE",
                               "false",
                               "null",
                               "\"\"",
                               "\"a\\u00e9\"",
                               "\"\\x\"",
                               "\"a\\\"b\"",
                               "\"\\/\\n\"",
                               "{}",
                               "[]",
                               "[{}]",
                               "[1 2]",
                               "{\"a\":[}",
                               "/*c*/ 3",
                               "//c\n4",
                               "",
                               " 5 ",
                               "\"\t\r\""};

// One to four edits: a piece put in (anywhere, or right after a digit), a value replaced, a span
// taken out, repeated or overwritten, or the text cut.
std::string edited(const std::string& text, Random& random) {
    std::string out = text;
    const size_t edits = 1 + random.below(4);
    for (size_t i = 0; i < edits; ++i) {
        size_t at = random.below(out.size() + 1);
        const size_t span = std::min(out.size() - at, 1 + random.below(random.below(2) ? 4 : 64));
        if (random.below(2) == 0) {  // at a value: after a colon, or within a number
            const size_t colon = out.find(':', at);
            const size_t digit = out.find_first_of("0123456789", at);
            if (random.below(2) == 0 && colon != std::string::npos) {
                const size_t end = out.find_first_of(",}]", colon);
                const size_t length = end == std::string::npos ? 0 : end - colon - 1;
                out.replace(colon + 1, length, kValues[random.below(std::size(kValues))]);
                continue;
            }
            if (digit != std::string::npos) {
                out.insert(digit + 1, piece(random));
                continue;
            }
        }
        switch (random.below(6)) {
            case 0:
            case 1:
                out.insert(at, piece(random));
                break;
            case 2:
                out.erase(at, span);
                break;
            case 3:
                out.insert(at, out.substr(at, span));
                break;
            case 4:
                if (at < out.size()) out[at] = static_cast<char>(random.next());
                break;
            default:
                out.resize(at);
                break;
        }
    }
    return out;
}

std::vector<std::filesystem::path> files_of(const std::vector<std::string>& arguments) {
    std::vector<std::filesystem::path> files;
    for (const std::string& argument : arguments) {
        if (std::filesystem::is_directory(argument)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(argument))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (std::filesystem::exists(argument)) {
            files.push_back(argument);
        } else {
            std::fprintf(stderr, "same_decode_check: no %s, left out\n", argument.c_str());
        }
    }
    std::sort(files.begin(), files.end());  // the same order, so the same texts, every run
    return files;
}

// Checks one text; false (with the difference printed) when lcdjson and the reference differ.
bool same(const std::string& text, const std::string& origin, Random& random, size_t& texts,
          size_t& bytes) {
    const std::string difference = ocsm_same::difference(text, 1 + random.below(text.size() + 1));
    ++texts;
    bytes += text.size();
    if (difference.empty()) return true;
    std::fprintf(stderr, "same_decode_check: %s (%zu bytes) differs at the %s\n", origin.c_str(),
                 text.size(), difference.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    size_t edits = 300;
    size_t drawn = 20000;
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--edits") == 0 && i + 1 < argc) {
            edits = std::strtoul(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--drawn") == 0 && i + 1 < argc) {
            drawn = std::strtoul(argv[++i], nullptr, 10);
        } else {
            arguments.emplace_back(argv[i]);
        }
    }
    Random random(20261206);
    size_t texts = 0;
    size_t bytes = 0;
    for (const auto& file : files_of(arguments)) {
        std::ifstream in(file, std::ios::binary);
        const std::string original((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        // Large documents get fewer edits: each costs as much as many small texts.
        const size_t count =
            std::max<size_t>(edits / 20, std::min(edits, edits * 4096 / (original.size() + 1)));
        if (!same(original, file.string(), random, texts, bytes)) return 1;
        for (size_t i = 1; i <= count; ++i) {
            const std::string where = file.string() + ", text " + std::to_string(i);
            if (!same(edited(original, random), where + " (byte edits)", random, texts, bytes) ||
                !same(ocsm_grammar::rewritten(original, random), where + " (token rewrites)",
                      random, texts, bytes)) {
                return 1;
            }
        }
    }
    for (size_t i = 0; i < drawn; ++i) {
        if (!same(ocsm_grammar::drawn(random), "drawn document " + std::to_string(i), random, texts,
                  bytes)) {
            return 1;
        }
    }
    if (texts == 0) {
        std::fprintf(stderr, "same_decode_check: no texts\n");
        return 1;
    }
    std::printf("same_decode_check: %zu texts (%zu bytes), every decode and token the same\n",
                texts, bytes);
    return 0;
}
