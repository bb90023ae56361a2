// A controller that answers too late. Run by ctest with a short
// RESTLINK_TIMEOUT_MS in its own process, since settings are read once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "local_server.h"
#include "restlink.h"
#include "stderr_capture.h"

namespace {

using ::testing::HasSubstr;

// Used when the binary is run by hand, without ctest's environment.
constexpr const char* kFallbackTimeoutMs = "1000";

LocalServer* server = nullptr;

// The late answer is held back until the tests are over, so shutting the
// server down does not wait for it.
std::mutex lateMutex;
std::condition_variable lateGate;
bool lateReleased = false;

long timeoutMs() {
    return std::stol(getenv("RESTLINK_TIMEOUT_MS"));
}

class SlowServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("RESTLINK_TIMEOUT_MS", kFallbackTimeoutMs, 0);
        server = new LocalServer;
        server->route("GET", "/slow", [](const httplib::Request&, httplib::Response& res) {
            std::unique_lock<std::mutex> lock(lateMutex);
            lateGate.wait_for(lock, std::chrono::milliseconds(10 * timeoutMs()),
                              [] { return lateReleased; });
            res.set_content("late", "text/plain");
        });
        server->route("GET", "/fast", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("soon", "text/plain");
        });
        server->start();
        // The port is only known now; the library reads it at first use.
        setenv("RESTLINK_BASE_URL", server->baseUrl().c_str(), 1);
    }
    void TearDown() override {
        {
            std::lock_guard<std::mutex> lock(lateMutex);
            lateReleased = true;
        }
        lateGate.notify_all();
        // Frees the server worker this thread's keep-alive connection holds.
        HttpRequest* last = client()->createRequest("GET", "/fast");
        last->setHead("Connection", "close");
        client()->sendRequest(last, nullptr);
        delete server;
        server = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SlowServerEnvironment);

TEST(RestlinkTimeout, LateAnswerGivesNullAndOneLine) {
    const CapturedSend sent = sendCapturingStderr(client()->createRequest("GET", "/slow"));
    EXPECT_EQ(sent.response, nullptr);
    EXPECT_EQ(sent.status, 0);
    EXPECT_EQ(lineCount(sent.lines), 1) << sent.lines;
    EXPECT_THAT(sent.lines, HasSubstr("GET /slow"));
    EXPECT_THAT(sent.lines, HasSubstr("timed out after " + std::to_string(timeoutMs()) + " ms"));
}

TEST(RestlinkTimeout, ThreadRecoversAfterATimeOut) {
    ASSERT_EQ(client()->sendRequest(client()->createRequest("GET", "/slow"), nullptr), nullptr);

    HttpRespon* response = client()->sendRequest(client()->createRequest("GET", "/fast"), nullptr);
    ASSERT_NE(response, nullptr);
    EXPECT_EQ(std::string(response->getBody(), response->getBodySize()), "soon");
}

}  // namespace
