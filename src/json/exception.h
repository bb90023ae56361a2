// The codec's one exception type: every syntax and type error of a decode is thrown as it,
// carrying the position-stamped message that callers log and other firmware parses.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace lcdjson {

class exception : public std::exception {
public:
    explicit exception(std::string message) : message_(std::move(message)) {}
    ~exception() override = default;
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace lcdjson
