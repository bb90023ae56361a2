#include "controller/textnumbers.h"

namespace ControllerSim {

bool parseDecimal(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && text[pos] == '-') {
        negative = true;
        ++pos;
    }
    if (pos == text.size()) return false;
    // Accumulate the magnitude in unsigned arithmetic, refusing a digit before it would take the
    // magnitude past 2^63, so long digit strings cannot overflow.
    const uint64_t limit = uint64_t(INT64_MAX) + 1;
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') return false;
        const uint64_t digit = uint64_t(c - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    int64_t result;
    if (negative) {
        result = magnitude == limit ? INT64_MIN : -int64_t(magnitude);
    } else {
        if (magnitude == limit) return false;
        result = int64_t(magnitude);
    }
    if (result < min || result > max) return false;
    value = result;
    return true;
}

}  // namespace ControllerSim
