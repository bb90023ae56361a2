// A controller nobody listens for, and a malformed time-out setting. Run by
// ctest in its own process with RESTLINK_TIMEOUT_MS set to a bad value, since
// settings are read once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "restlink.h"
#include "stderr_capture.h"

namespace {

using ::testing::HasSubstr;

// Used when the binary is run by hand, without ctest's environment.
constexpr const char* kFallbackBadTimeout = "250ms";

int reservedSocket = -1;
std::string firstUseLines;

// A port bound but not listening: connecting to it is refused, and no other
// process can start listening on it meanwhile.
int reserveClosedPort() {
    reservedSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (reservedSocket < 0 ||
        bind(reservedSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(reservedSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot reserve a loopback port");
    return ntohs(address.sin_port);
}

class NobodyListensEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("RESTLINK_TIMEOUT_MS", kFallbackBadTimeout, 0);
        unsetenv("RESTLINK_TOKEN");
        // The port is only known now; the library reads it at first use.
        std::string url = "http://127.0.0.1:" + std::to_string(reserveClosedPort());
        setenv("RESTLINK_BASE_URL", url.c_str(), 1);
        StderrCapture capture;
        HttpSingleTon::getInstance();
        firstUseLines = capture.finish();
    }
    void TearDown() override { close(reservedSocket); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new NobodyListensEnvironment);

TEST(RestlinkUnreachable, RefusedConnectionGivesNullAndOneLine) {
    HttpRequest* request = client()->createRequest("GET", "/orvex/v1/screen/list-detail");
    request->addUrlKeyValue("screenType", "2");
    const CapturedSend sent = sendCapturingStderr(request);
    EXPECT_EQ(sent.response, nullptr);
    EXPECT_EQ(sent.status, 0);
    EXPECT_EQ(lineCount(sent.lines), 1) << sent.lines;
    EXPECT_THAT(sent.lines, HasSubstr("GET /orvex/v1/screen/list-detail failed: no connection"));
}

TEST(RestlinkUnreachable, BadTimeOutFallsBackWithOneLineAtFirstUse) {
    EXPECT_EQ(lineCount(firstUseLines), 1) << firstUseLines;
    EXPECT_THAT(firstUseLines, HasSubstr("RESTLINK_TIMEOUT_MS=\"" +
                                         std::string(getenv("RESTLINK_TIMEOUT_MS")) + "\""));
    EXPECT_THAT(firstUseLines, HasSubstr("using 5000"));

    // Read once: later uses do not complain again.
    StderrCapture capture;
    HttpSingleTon::getInstance();
    HttpLogin::getInstance()->getToken();
    EXPECT_EQ(capture.finish(), "");
}

TEST(RestlinkUnreachable, TokenDefaultsToEmpty) {
    EXPECT_EQ(HttpLogin::getInstance()->getToken(), "");
}

}  // namespace
