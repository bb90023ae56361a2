// The library's failure lines on standard error.
#ifndef RESTLINK_LOG_H
#define RESTLINK_LOG_H

#include <string>

namespace restlink {

// Writes "restlink: <text>\n" in one call, so lines of concurrent threads do
// not interleave. Never pass the token or header values.
void writeLine(const std::string& text) noexcept;

}  // namespace restlink

#endif  // RESTLINK_LOG_H
