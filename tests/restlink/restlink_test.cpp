// librestlink.so against a cpp-httplib server on loopback that also keeps each request's bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <malloc.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include "restlink.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// mallinfo2 does not see the sanitizers' allocator; their own count is public interface.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif
#if defined(__SANITIZE_THREAD__)
// libcpp-httplib.so is not built for ThreadSanitizer, which then misses its synchronisation and
// reports races between the server's workers; the library under test is not involved.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}
#endif

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Pairs = std::vector<std::pair<std::string, std::string>>;

const char* const kToken = "Bearer a+b/c=%41 z";  // goes out as it is: no encoding, no trimming
thread_local std::string requestBytes;            // what this worker read of the current request

// cpp-httplib parses and answers, but the connections are served here so that every byte read
// is kept: its request object loses the order of different header names.
// GET or PUT /status/N answers N, any path answers the key "body"; /slow answers when stopping.
class RawServer : public httplib::Server {
public:
    RawServer() {
        new_task_queue = [] { return new httplib::ThreadPool(8); };
        auto answer = [this](const httplib::Request& in, httplib::Response& out) {
            std::unique_lock<std::mutex> lock(mutex);
            last = requestBytes;
            lock.unlock();
            for (int i = 0; in.path == "/slow" && !stopping && i < 2000; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (in.path.rfind("/status/", 0) == 0) out.status = std::stoi(in.path.substr(8));
            out.set_content(in.get_param_value("body"), "text/plain");
        };
        Get(".*", answer);
        Put(".*", answer);
        port = bind_to_any_port("127.0.0.1");
        listener = std::thread([this] { listen_after_bind(); });
        for (int i = 0; i < 500 && !is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~RawServer() { shutDown(); }
    void shutDown() {
        stopping = true;
        stop();
        if (listener.joinable()) listener.join();
    }
    std::string lastRequest() {
        std::lock_guard<std::mutex> lock(mutex);
        return last;
    }
    int port;

private:
    struct Recorder : httplib::Stream {
        explicit Recorder(socket_t s) : sock(s) {}
        bool is_readable() const override { return true; }
        bool is_writable() const override { return true; }
        ssize_t read(char* data, size_t size) override {
            const ssize_t got = recv(sock, data, size, 0);
            requestBytes.append(data, size_t(std::max<ssize_t>(got, 0)));
            return got;
        }
        ssize_t write(const char* data, size_t n) override {
            return send(sock, data, n, MSG_NOSIGNAL);
        }
        void get_remote_ip_and_port(std::string&, int& port) const override { port = 0; }
        void get_local_ip_and_port(std::string&, int& port) const override { port = 0; }
        socket_t socket() const override { return sock; }
        socket_t sock;
    };
    // One keep-alive connection, until the client closes it or the server stops.
    bool process_and_close_socket(socket_t sock) override {
        const int on = 1;  // without it every keep-alive answer waits for a delayed ACK
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Recorder stream(sock);
        pollfd ready{sock, POLLIN, 0};
        for (bool closed = false; !closed && !stopping;) {
            if (poll(&ready, 1, 20) == 0) continue;
            requestBytes.clear();
            if (!process_request(stream, false, closed, nullptr)) break;
        }
        return close(sock) == 0;
    }
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::string last;
    std::thread listener;
};

RawServer* server = nullptr;

// The library reads its settings at first use, and the port is known only once bound.
class ServerEnvironment : public ::testing::Environment {
    void SetUp() override {
        server = new RawServer;
        const std::string url = "http://127.0.0.1:" + std::to_string(server->port);
        setenv("RESTLINK_BASE_URL", url.c_str(), 1);
        setenv("RESTLINK_TOKEN", kToken, 1);
        setenv("RESTLINK_TIMEOUT_MS", "2000", 1);
    }
    void TearDown() override { delete server; }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

HttpClient* client() {
    return HttpSingleTon::getInstance()->getHttpClient();
}

struct Sent {
    HttpRespon* response = nullptr;
    int status = -1;
    std::string lines;  // what the library wrote to standard error
};

Sent exchange(const char* method, const std::string& path, const Pairs& heads = {},
              const Pairs& keys = {}, const std::string& body = "") {
    HttpRequest* request = client()->createRequest(method, path.c_str());
    for (const auto& [name, value] : heads)
        request->setHead(name.c_str(), value.c_str());
    for (const auto& [key, value] : keys)
        request->addUrlKeyValue(key.c_str(), value.c_str());
    if (!body.empty()) request->setBody(body.data(), int(body.size()));
    Sent sent;
    testing::internal::CaptureStderr();
    sent.response = client()->sendRequest(request, &sent.status);
    sent.lines = testing::internal::GetCapturedStderr();
    return sent;
}

// A failure: null, and one line that names the request and says why, without the token.
void expectFailure(const Sent& sent, const std::string& what, const std::string& why) {
    EXPECT_EQ(sent.response, nullptr) << what;
    EXPECT_EQ(std::count(sent.lines.begin(), sent.lines.end(), '\n'), 1) << sent.lines;
    EXPECT_THAT(sent.lines, HasSubstr(what + " "));
    EXPECT_THAT(sent.lines, HasSubstr(why));
    EXPECT_THAT(sent.lines, Not(HasSubstr(kToken)));
}

TEST(Restlink, HeadersKeysAndBodyGoOutAsGiven) {
    const std::string token = HttpLogin::getInstance()->getToken();
    EXPECT_EQ(token, kToken);
    const struct {
        const char* method;
        Pairs heads, keys;
        std::string body, requestLine;
    } cases[] = {
        {"PUT",
         {{"Content-Type", "application/json"}, {"Authorization", token}, {"X", "2"}, {"X", "1"}},
         {},
         std::string("[{\"screenId\":3}]\0\xff tail", 21),
         "PUT /wire HTTP/1.1"},
        {"GET",
         {{"Authorization", ""}},
         {{"screenType", "2"}, {"a b&c=d", "x/y?\xc3\xbc%+"}, {"screenId", ""}},
         "",
         "GET /wire?screenType=2&a%20b%26c%3Dd=x%2Fy%3F%C3%BC%25%2B&screenId= HTTP/1.1"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(exchange(c.method, "/wire", c.heads, c.keys, c.body).response, nullptr);
        const std::string sent = server->lastRequest();
        EXPECT_EQ(sent.rfind(c.requestLine + "\r\n", 0), 0u) << sent;
        size_t at = 0;
        for (const auto& [name, value] : c.heads) {
            at = sent.find("\r\n" + name + ":" + (value.empty() ? "" : " " + value) + "\r\n", at);
            ASSERT_NE(at, std::string::npos) << name << " missing or out of order in " << sent;
        }
        EXPECT_EQ(sent.substr(sent.find("\r\n\r\n") + 4), c.body);
    }
}

TEST(Restlink, LineBreakInAHeaderValueIsRefusedBeforeTheWire) {
    for (const char* value : {"a\r\nInjected: 1", "a\nInjected: 1", "a\rInjected: 1"}) {
        expectFailure(exchange("GET", "/refused", {{"Authorization", value}}), "GET /refused",
                      "Authorization");
        EXPECT_THAT(server->lastRequest(), Not(HasSubstr("/refused")));
    }
}

TEST(Restlink, StatusOutside2xxIsAFailureAndAnEmptyBodyAResponse) {
    for (int code : {200, 204, 302, 404, 500}) {
        const std::string path = "/status/" + std::to_string(code);
        const Sent sent = exchange("GET", path, {{"Authorization", kToken}});
        EXPECT_EQ(sent.status, code);
        if (code >= 300) {
            expectFailure(sent, "GET " + path, "HTTP status " + std::to_string(code));
            continue;
        }
        ASSERT_NE(sent.response, nullptr) << code;
        EXPECT_EQ(sent.response->getBodySize(), 0u);
        EXPECT_NE(sent.response->getBody(), nullptr);
    }
}

TEST(Restlink, LateAnswerTimesOutAndTheThreadGoesOn) {
    const auto start = std::chrono::steady_clock::now();
    expectFailure(exchange("GET", "/slow"), "GET /slow", "timed out after 2000 ms");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    const Sent next = exchange("GET", "/", {}, {{"body", "soon"}});
    ASSERT_NE(next.response, nullptr);
    EXPECT_EQ(std::string(next.response->getBody(), next.response->getBodySize()), "soon");
}

size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks + mallinfo2().hblkhd;  // the main thread's arena only
#endif
}

// Threads exchanging at once each get their own answers, and nothing is left behind per
// exchange or per thread.
TEST(Restlink, ThreadsKeepTheirAnswersAndMemoryStaysFlat) {
    std::atomic<int> wrong{0};
    auto exchanges = [&wrong](int thread, int count) {
        for (int n = 0; n < count; ++n) {
            const std::string key = std::to_string(thread) + ":" + std::to_string(n);
            HttpRequest* request = client()->createRequest("GET", "/");
            request->addUrlKeyValue("body", key.c_str());
            HttpRespon* got = client()->sendRequest(request, nullptr);
            wrong += !got || std::string(got->getBody(), got->getBodySize()) != key;
        }
    };
    // Three threads at once beside this one, which makes the most exchanges: mallinfo2 sees only
    // this thread's arena.
    auto run = [&](int each) {
        std::thread one(exchanges, 1, each), two(exchanges, 2, each), three(exchanges, 3, each);
        exchanges(0, 4 * each);
        one.join(), two.join(), three.join();
    };
    run(25);  // warm-up: caches and pools
    const size_t before = heapInUse();
    run(500);
    const size_t after = heapInUse();
    EXPECT_EQ(wrong, 0);
    // A request or response kept per exchange would add well over 100 KiB.
    EXPECT_LT(after, before + 64 * 1024) << "from " << before << " to " << after;
}

// Last: the server stops for good.
TEST(Restlink, StoppedServerRefusesTheConnection) {
    server->shutDown();
    const Sent sent = exchange("GET", "/");
    EXPECT_EQ(sent.status, 0);
    expectFailure(sent, "GET /", "no connection");
}

}  // namespace
