// The library's failure lines, down to memory running out while one is written.
#include <gtest/gtest.h>

#include <string>

#include "failingnew.h"
#include "restlink/log.h"

namespace {

// A line that cannot be built still says that one was lost, on a line of its own.
TEST(Log, ALineWithoutMemoryIsSaidToBeLost) {
    if (!ocsm_test::kAllocationsCanFail) GTEST_SKIP() << "the sanitizers' allocator cannot fail";
    const std::string text = "GET / failed: no answer";  // the caller's, made before
    testing::internal::CaptureStderr();
    ocsm_test::failNextBlock(0);
    restlink::writeLine(text);
    EXPECT_FALSE(ocsm_test::blockFailurePending());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "restlink: failure line lost: out of memory\n");
}

}  // namespace
