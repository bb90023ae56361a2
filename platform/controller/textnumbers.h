// Strict numbers from texts typed by people or sent as URL keys.
//
// Shared by controller-sim and tvkhost: an optional minus sign and digits (or hexadecimal
// digits), nothing else, within the given range. "12abc", " 12", "+1" and "" are refused,
// unlike strtol, so that a typo never silently turns into 0.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>

namespace ControllerSim {

inline bool parseDecimal(const std::string& text, int64_t min, int64_t max, int64_t& value,
                         int base = 10) {
    const char* const end = text.data() + text.size();
    int64_t result = 0;
    const std::from_chars_result read = std::from_chars(text.data(), end, result, base);
    if (read.ec != std::errc() || read.ptr != end || result < min || result > max) return false;
    value = result;
    return true;
}

}  // namespace ControllerSim
