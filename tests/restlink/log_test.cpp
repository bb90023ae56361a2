// The library's failure lines, down to memory running out while one is written.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "restlink/log.h"

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// The program's allocation, made to fail on request. The sanitizers keep their own allocator.
namespace {
std::atomic<bool> failNew{false};
}  // namespace
void* operator new(size_t size) {
    if (failNew) throw std::bad_alloc();
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

namespace {

// A line that cannot be built still says that one was lost, on a line of its own.
TEST(Log, ALineWithoutMemoryIsSaidToBeLost) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocator cannot be made to fail";
#else
    const std::string text = "GET / failed: no answer";
    testing::internal::CaptureStderr();
    failNew = true;
    restlink::writeLine(text);
    failNew = false;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "restlink: failure line lost: out of memory\n");
#endif
}

}  // namespace
