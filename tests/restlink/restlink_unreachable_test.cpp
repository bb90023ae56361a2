// A controller nobody listens for, and malformed or missing settings. Run by
// ctest in its own process with RESTLINK_TIMEOUT_MS set to a bad value, since
// settings are read once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "exchange.h"
#include "test_server.h"

namespace {

using ::testing::HasSubstr;

// A port bound but not listening: connecting to it is refused, and no other
// process can start listening on it meanwhile. The library's first use
// happens here, before any test, and its lines are kept.
std::string firstUse() {
    setenv("RESTLINK_TIMEOUT_MS", "250ms", 0);  // when run by hand, without ctest
    unsetenv("RESTLINK_TOKEN");
    int port = 0;
    boundLoopbackSocket(port);
    setenv("RESTLINK_BASE_URL", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
    StderrCapture capture;
    HttpSingleTon::getInstance();
    return capture.finish();
}
const std::string firstUseLines = firstUse();

TEST(RestlinkUnreachable, RefusedConnectionGivesNullAndOneLine) {
    HttpRequest* request = client()->createRequest("GET", "/orvex/v1/screen/list-detail");
    request->addUrlKeyValue("screenType", "2");
    Outcome sent = sendCapturing(request);

    EXPECT_EQ(sent.response, nullptr);
    EXPECT_EQ(sent.status, 0);
    EXPECT_EQ(lineCount(sent.lines), 1) << sent.lines;
    EXPECT_THAT(sent.lines, HasSubstr("GET /orvex/v1/screen/list-detail failed: no connection"));
}

TEST(RestlinkUnreachable, BadTimeOutFallsBackWithOneLineAtFirstUseAndTokenIsEmpty) {
    EXPECT_EQ(lineCount(firstUseLines), 1) << firstUseLines;
    EXPECT_THAT(firstUseLines, HasSubstr("ignoring RESTLINK_TIMEOUT_MS=\"" +
                                         std::string(getenv("RESTLINK_TIMEOUT_MS")) + "\""));
    EXPECT_THAT(firstUseLines, HasSubstr("using 5000"));

    // Read once: later uses do not complain again.
    StderrCapture capture;
    HttpSingleTon::getInstance();
    EXPECT_EQ(HttpLogin::getInstance()->getToken(), "");
    EXPECT_EQ(capture.finish(), "");
}

}  // namespace
