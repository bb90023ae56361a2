// The program's global operator new, made to fail on request.
#include "failingnew.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> failAtLeast{SIZE_MAX};  // SIZE_MAX: nothing to fail
}  // namespace

namespace ocsm_test {

void failNextBlock(size_t size) {
    failAtLeast = size;
}

bool blockFailurePending() {
    return failAtLeast != SIZE_MAX;
}

}  // namespace ocsm_test

#if OCSM_ALLOCATIONS_CAN_FAIL
void* operator new(size_t size) {
    size_t threshold = failAtLeast.load();
    if (size >= threshold && threshold != SIZE_MAX &&
        failAtLeast.compare_exchange_strong(threshold, SIZE_MAX)) {
        throw std::bad_alloc();
    }
    if (void* block = malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // operator new above takes malloc's
void operator delete(void* block) noexcept {
    free(block);
}
void operator delete(void* block, size_t) noexcept {
    free(block);
}
#pragma GCC diagnostic pop
#endif
