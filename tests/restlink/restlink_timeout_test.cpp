// A controller that answers too late. Run by ctest with a short
// RESTLINK_TIMEOUT_MS in its own process, since settings are read once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "exchange.h"
#include "test_server.h"

namespace {

using ::testing::HasSubstr;

// Used when the binary is run by hand, without ctest's environment.
const bool fallback = setenv("RESTLINK_TIMEOUT_MS", "1000", 0) == 0;

long timeoutMs() {
    return std::stol(getenv("RESTLINK_TIMEOUT_MS"));
}

// The late answer is held back until the test has seen the time-out.
std::mutex lateMutex;
std::condition_variable lateGate;
bool lateReleased = false;

TestServer server([](const SeenRequest& request) {
    if (request.path() == "/slow") {
        std::unique_lock<std::mutex> lock(lateMutex);
        lateGate.wait_for(lock, std::chrono::milliseconds(10 * timeoutMs()),
                          [] { return lateReleased; });
        return Reply{200, "late"};
    }
    return Reply{200, "soon"};
});

TEST(RestlinkTimeout, LateAnswerGivesNullAndOneLineAndTheThreadRecovers) {
    Outcome late = sendCapturing(client()->createRequest("GET", "/slow"));
    {
        std::lock_guard<std::mutex> lock(lateMutex);
        lateReleased = true;
    }
    lateGate.notify_all();

    EXPECT_EQ(late.response, nullptr);
    EXPECT_EQ(late.status, 0);
    EXPECT_EQ(lineCount(late.lines), 1) << late.lines;
    EXPECT_THAT(late.lines, HasSubstr("GET /slow failed: timed out after " +
                                      std::to_string(timeoutMs()) + " ms"));

    HttpRespon* response = client()->sendRequest(client()->createRequest("GET", "/fast"), nullptr);
    ASSERT_NE(response, nullptr);
    EXPECT_EQ(bodyOf(response), "soon");
}

}  // namespace
