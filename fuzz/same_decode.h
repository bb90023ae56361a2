// lcdjson against its reference on one text: every decode the component makes (records, result
// and error text) and the reader's tokens (whole, and cut to a size). The fuzz target and the
// repeatable check (same_decode_check) share it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "outputcolorspacemodel/colorspaceanswer.h"
#include "protomodel/protomodel.h"
#include "reference_decode.h"

namespace ocsm_same {

// What a decode gave: the result, the error text (which success must leave alone) and the value.
template <class T, bool Reference>
std::string outcome(const std::string& text) {
    T value{};
    std::string error = "untouched";
    const bool ok = Reference ? ocsm_reference::decode(text, value, error)
                              : LCD::ProtoModel::decode(text, value, error);
    std::string out = (ok ? "true " : "false ") + error + "\n";
    ocsm_reference::dump(out, value);
    return out;
}

inline std::string number_text(uint64_t u, double d, bool negative, uint64_t size) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    char out[96];
    std::snprintf(out, sizeof out, "%llu/%llx/%d/%llu", static_cast<unsigned long long>(u),
                  static_cast<unsigned long long>(bits), negative ? 1 : 0,
                  static_cast<unsigned long long>(size));
    return out;
}

// Every token up to the end token (or the error), one a line.
inline std::string lcdjson_tokens(const std::string& text, uint64_t size, uint64_t readable) {
    lcdjson::reader rd(text.c_str(), size, readable);
    std::string out;
    try {
        do {
            rd.next();
            out += std::to_string(rd.token_kind) + ' ';
            if (rd.token_kind == lcdjson::tk_string || rd.token_kind == lcdjson::tk_punct) {
                out.append(rd.token_text, rd.token_size);
            } else if (rd.token_kind == lcdjson::tk_real) {
                out += number_text(0, rd.token_value.d, rd.token_negative, rd.token_size);
            } else if (rd.token_kind != lcdjson::tk_end) {
                out += number_text(rd.token_value.u, 0, rd.token_negative, rd.token_size);
            }
            out += '\n';
        } while (rd.token_kind != lcdjson::tk_end);
    } catch (const lcdjson::exception& e) {
        out += e.what();
    }
    return out;
}

inline std::string reference_tokens(const std::string& text, uint64_t size) {
    ocsm_reference::reader rd(text.c_str(), size);
    std::string out;
    try {
        do {
            rd.next();
            out += std::to_string(rd.token) + ' ';
            if (rd.token == ocsm_reference::k_string || rd.token == ocsm_reference::k_punct) {
                out.append(rd.token_text, rd.token_size);
            } else if (rd.token == ocsm_reference::k_real) {
                out += number_text(0, rd.d, rd.negative, rd.token_size);
            } else if (rd.token != ocsm_reference::k_end) {
                out += number_text(rd.u, 0, rd.negative, rd.token_size);
            }
            out += '\n';
        } while (rd.token != ocsm_reference::k_end);
    } catch (const ocsm_reference::failure& e) {
        out += e.what();
    }
    return out;
}

// What differs between lcdjson and the reference on text, cut at `cut` bytes for the size-limited
// token scans (0: not cut); empty when nothing does. Stops at the first difference.
inline std::string difference(const std::string& text, uint64_t cut) {
    using LCD::ProtoModel::s_response;
    using namespace LCD::ProtoModel;
    struct Check {
        const char* what;
        std::string (*lcdjson)(const std::string&);
        std::string (*reference)(const std::string&);
    };
    using Screens = s_response<Screen::s_ScreenDetail>;
    using Interfaces = s_response<Interface::s_InterfaceDetailInfo>;
    using Report = LCD::AutoReport::LCDAutoReportData;
    using Changed = std::vector<Screen::s_ScreenColorSpace>;
    using Put = ColorSpace::s_PutColorSpaceAnswer;
    static const Check checks[] = {
        {"screen answer", outcome<Screens, false>, outcome<Screens, true>},
        {"interface answer", outcome<Interfaces, false>, outcome<Interfaces, true>},
        {"auto-report", outcome<Report, false>, outcome<Report, true>},
        {"colour space list", outcome<Changed, false>, outcome<Changed, true>},
        {"put answer", outcome<Put, false>, outcome<Put, true>},
    };
    for (const Check& check : checks) {
        const std::string ours = check.lcdjson(text);
        const std::string theirs = check.reference(text);
        if (ours != theirs) {
            return std::string(check.what) + ":\nlcdjson   " + ours + "\nreference " + theirs;
        }
    }
    struct Scan {
        uint64_t size;
        uint64_t readable;
    };
    const uint64_t whole = text.size() + 1;
    std::vector<Scan> scans = {{0, whole}, {0, 0}};
    if (cut != 0 && cut <= text.size()) scans.insert(scans.end(), {{cut, cut}, {cut, whole}});
    for (const Scan& scan : scans) {
        const std::string ours = lcdjson_tokens(text, scan.size, scan.readable);
        const std::string theirs = reference_tokens(text, scan.size);
        if (ours != theirs) {
            return "tokens cut at " + std::to_string(scan.size) + ", " +
                   std::to_string(scan.readable) + " readable:\nlcdjson\n" + ours +
                   "\nreference\n" + theirs;
        }
    }
    return {};
}

}  // namespace ocsm_same
