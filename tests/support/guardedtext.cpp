// Bytes placed right before a page that cannot be read.
#include "guardedtext.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace ocsm_test {

GuardedText::GuardedText(size_t largest) {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    readable_ = std::max(page_, (largest + page_ - 1) / page_ * page_);
    void* map = mmap(nullptr, readable_ + page_, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = map != MAP_FAILED ? static_cast<char*>(map) : nullptr;
    if (base_ != nullptr && mprotect(base_ + readable_, page_, PROT_NONE) != 0) {
        munmap(base_, readable_ + page_);
        base_ = nullptr;
    }
}

GuardedText::~GuardedText() {
    if (base_ != nullptr) munmap(base_, readable_ + page_);
}

const char* GuardedText::place(const char* bytes, size_t size) {
    char* at = base_ + readable_ - size;
    std::memcpy(at, bytes, size);
    return at;
}

}  // namespace ocsm_test
