// The program's global operator new, made to fail on request (linked only into the programs that
// use it; under a sanitizer, which keeps its own allocator, the request does nothing).
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define OCSM_ALLOCATIONS_CAN_FAIL 0
#else
#define OCSM_ALLOCATIONS_CAN_FAIL 1
#endif

namespace ocsm_test {

// Whether allocations can be made to fail in this build.
constexpr bool kAllocationsCanFail = OCSM_ALLOCATIONS_CAN_FAIL;

// The next allocation of at least `size` bytes throws std::bad_alloc, once.
void failNextBlock(size_t size);
// Whether that allocation is still to come.
bool blockFailurePending();

}  // namespace ocsm_test
