// Strict decimal numbers from texts typed by people or sent as URL keys: an optional minus sign
// and digits, nothing else, within the given range. "12abc", " 12" and "" are refused, unlike
// strtol, so a typo never silently turns into 0.
#pragma once

#include <cstdint>
#include <string>

namespace ControllerSim {

bool parseDecimal(const std::string& text, int64_t min, int64_t max, int64_t& value);

}  // namespace ControllerSim
