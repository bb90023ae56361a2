// librestlink.so's request as bytes on the wire, against a loopback socket that records them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "restlink.h"

namespace {

// Listens on a free loopback port; serveOne() takes one connection, keeps what arrives up to the
// end of the header block, answers an empty 200 and closes.
class Recorder {
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
    }
    ~Recorder() { close(listener_); }
    std::thread serveOne() {
        return std::thread([this] {
            const int peer = accept(listener_, nullptr, nullptr);
            if (peer < 0) return;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = recv(peer, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, size_t(got));
            }
            const std::string answer =
                "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            send(peer, answer.data(), answer.size(), MSG_NOSIGNAL);
            close(peer);
        });
    }
    int port = 0;
    std::string request;

private:
    int listener_;
};

// The header block as the library writes it: libcurl's Host and Accept, then the fields in the
// order set, a field set with an empty value present and empty (a server may tell it from a
// missing one).
TEST(RestlinkWire, HeaderBlockHoldsTheFieldsAsSetAnEmptyOneToo) {
    Recorder recorder;
    ASSERT_NE(recorder.port, 0);
    const std::string host = "127.0.0.1:" + std::to_string(recorder.port);
    setenv("RESTLINK_BASE_URL", ("http://" + host).c_str(), 1);
    std::thread server = recorder.serveOne();
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    HttpRequest* request = client->createRequest("GET", "/wire");
    request->setHead("X-Empty", "");
    request->setHead("X", "1");
    int status = 0;
    EXPECT_NE(client->sendRequest(request, &status), nullptr);
    server.join();
    EXPECT_EQ(status, 200);
    EXPECT_EQ(recorder.request, "GET /wire HTTP/1.1\r\nHost: " + host +
                                    "\r\nAccept: */*\r\nX-Empty:\r\nX: 1\r\n\r\n");
}

}  // namespace
