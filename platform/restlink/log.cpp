// The library's failure lines on standard error.
#include "log.h"

#include <cstdio>
#include <exception>

namespace restlink {

void writeLine(const std::string& text) noexcept {
    try {
        std::string line = "restlink: " + text;
        // Caller texts (paths, names) must not break the one-line rule.
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    } catch (const std::exception&) {
        std::fputs("restlink: failure line lost: out of memory\n", stderr);
    }
    std::fflush(stderr);
}

}  // namespace restlink
