// Bytes placed right before a page that cannot be read: a scan that reads one byte too far faults.
#pragma once

#include <cstddef>
#include <string>

namespace ocsm_test {

class GuardedText {
public:
    // Room for `largest` bytes before the guard page.
    explicit GuardedText(size_t largest);
    ~GuardedText();
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;

    bool ready() const { return base_ != nullptr; }

    // The bytes copied so that the last of them is the last readable byte.
    const char* place(const char* bytes, size_t size);
    // The text and its NUL, the NUL last.
    const char* place(const std::string& text) { return place(text.c_str(), text.size() + 1); }

private:
    size_t page_ = 0;
    size_t readable_ = 0;
    char* base_ = nullptr;
};

}  // namespace ocsm_test
