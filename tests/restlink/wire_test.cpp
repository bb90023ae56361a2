// librestlink.so's request as bytes on the wire, against a loopback socket that records them.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "restlink.h"

namespace {

// The library reads its address once per process: each test here sets its own and runs alone, as
// ctest runs them; run in one process, the ones after the first are skipped.
bool firstInThisProcess() {
    static bool first = true;
    return std::exchange(first, false);
}

// Listens on a free loopback port; serveOne() takes one connection, keeps its header block and the
// body it declares (or what its first read gets, for a client that waits for an answer before it
// says more), answers (an empty 200 unless told otherwise) and closes.
class Recorder {
    // A request that never comes, or stops short, ends the wait rather than the test run.
    static constexpr timeval wait{10, 0};

public:
    Recorder() : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const bool listening =
            bind(listener_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            listen(listener_, 1) == 0 &&
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0;
        port = listening ? ntohs(address.sin_port) : 0;
        setsockopt(listener_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~Recorder() { close(listener_); }
    std::thread serveOne(bool firstReadOnly = false, std::string answer =
                                                         "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n"
                                                         "Connection: close\r\n\r\n") {
        request.clear();
        return std::thread([this, firstReadOnly, answer] {
            const int peer = accept(listener_, nullptr, nullptr);
            if (peer < 0) return;
            setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            char buffer[4096];
            // The header block, then as many bytes as it declares.
            for (size_t whole = std::string::npos; request.size() != whole;) {
                const ssize_t got = recv(peer, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, size_t(got));
                if (firstReadOnly) break;
                const size_t end = request.find("\r\n\r\n");
                const size_t length = request.find("Content-Length: ");
                if (end != std::string::npos)
                    whole = end + 4 + (length < end ? std::stoul(request.substr(length + 16)) : 0);
            }
            send(peer, answer.data(), answer.size(), MSG_NOSIGNAL);
            close(peer);
        });
    }
    int port = 0;
    std::string request;

private:
    int listener_;
};

// The library's address set to the recorder's port, by the scheme given; its host and port.
std::string pointAt(const Recorder& recorder, const char* scheme) {
    const std::string host = "127.0.0.1:" + std::to_string(recorder.port);
    setenv("RESTLINK_BASE_URL", (scheme + ("://" + host)).c_str(), 1);
    return host;
}

// The request as the library writes it: libcurl's Host and Accept, then the fields in the order
// set, a field set with an empty value present and empty (a server may tell it from a missing
// one); a PUT, POST or PATCH without a body declares an empty one, as any method given an empty
// body does; the caller's own Content-Type and Expect stand alone, and libcurl adds neither a
// form's type nor a wait for "100 Continue".
TEST(RestlinkWire, RequestsGoOutAsSet) {
    if (!firstInThisProcess()) GTEST_SKIP() << "needs a process of its own";
    Recorder recorder;
    ASSERT_NE(recorder.port, 0);
    const std::string host = pointAt(recorder, "http");
    using Heads = std::vector<std::pair<const char*, const char*>>;
    const struct {
        const char* method;
        Heads heads;
        std::string body;
        const char* wire;            // after the request line and libcurl's Host and Accept
        bool nullEmptyBody = false;  // setBody(nullptr, 0): an empty body all the same
    } cases[] = {
        {"GET", {{"X-Empty", ""}, {"X", "1"}}, "", "X-Empty:\r\nX: 1\r\n\r\n"},
        {"PUT", {}, "", "Content-Length: 0\r\n\r\n"},
        {"POST", {}, "", "Content-Length: 0\r\n\r\n"},
        {"PATCH", {}, "", "Content-Length: 0\r\n\r\n"},
        {"DELETE", {}, "", "Content-Length: 0\r\n\r\n", true},
        {"POST",
         {{"Content-Type", "application/json"}, {"Expect", "x"}},
         "{}",
         "Content-Type: application/json\r\nExpect: x\r\nContent-Length: 2\r\n\r\n{}"},
    };
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    for (const auto& c : cases) {
        std::thread server = recorder.serveOne();
        HttpRequest* request = client->createRequest(c.method, "/wire");
        for (const auto& [name, value] : c.heads)
            request->setHead(name, value);
        if (!c.body.empty()) request->setBody(c.body.data(), int(c.body.size()));
        if (c.nullEmptyBody) request->setBody(nullptr, 0);
        int status = 0;
        EXPECT_NE(client->sendRequest(request, &status), nullptr) << c.method;
        server.join();
        EXPECT_EQ(status, 200);
        EXPECT_EQ(recorder.request, std::string(c.method) + " /wire HTTP/1.1\r\nHost: " + host +
                                        "\r\nAccept: */*\r\n" + c.wire);
    }
}

// A controller behind TLS: an https address is spoken to in TLS (its first record a handshake),
// and a peer that answers in plain text is a failure.
TEST(RestlinkWire, AnHttpsAddressIsSpokenToInTls) {
    if (!firstInThisProcess()) GTEST_SKIP() << "needs a process of its own";
    Recorder recorder;
    ASSERT_NE(recorder.port, 0);
    pointAt(recorder, "https");
    std::thread server = recorder.serveOne(true);
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    testing::internal::CaptureStderr();
    EXPECT_EQ(client->sendRequest(client->createRequest("GET", "/wire"), nullptr), nullptr);
    testing::internal::GetCapturedStderr();
    server.join();
    EXPECT_EQ(recorder.request.substr(0, 2), "\x16\x03");
}

// The controller is on the device's own network: a proxy named by the environment is not used.
TEST(RestlinkWire, TheEnvironmentsProxyIsNotUsed) {
    if (!firstInThisProcess()) GTEST_SKIP() << "needs a process of its own";
    Recorder recorder;
    ASSERT_NE(recorder.port, 0);
    pointAt(recorder, "http");
    setenv("http_proxy", "http://127.0.0.1:1", 1);  // nothing listens there
    std::thread server = recorder.serveOne();
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    EXPECT_NE(client->sendRequest(client->createRequest("GET", "/wire"), nullptr), nullptr);
    server.join();
    unsetenv("http_proxy");
    EXPECT_THAT(recorder.request, testing::StartsWith("GET /wire HTTP/1.1\r\n"));
}

// An answer whose connection closes inside its header block: a failure that says where, however
// the server framed it.
TEST(RestlinkWire, AnAnswerCutInItsHeaderBlockIsAFailure) {
    if (!firstInThisProcess()) GTEST_SKIP() << "needs a process of its own";
    Recorder recorder;
    ASSERT_NE(recorder.port, 0);
    pointAt(recorder, "http");
    std::thread server = recorder.serveOne(false, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n");
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    testing::internal::CaptureStderr();
    EXPECT_EQ(client->sendRequest(client->createRequest("GET", "/wire"), nullptr), nullptr);
    server.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "restlink: GET /wire failed: the answer ended inside its header block (after status "
              "200)\n");
}

// A host name that does not resolve (.invalid never does): a failure that says so, not a
// time-out.
TEST(RestlinkWire, UnknownHostIsAFailureThatSaysSo) {
    if (!firstInThisProcess()) GTEST_SKIP() << "needs a process of its own";
    setenv("RESTLINK_BASE_URL", "http://no-such-host.invalid", 1);
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    HttpRequest* request = client->createRequest("GET", "/wire");
    testing::internal::CaptureStderr();
    EXPECT_EQ(client->sendRequest(request, nullptr), nullptr);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::StartsWith("restlink: GET /wire failed: unknown host:"));
}

}  // namespace
