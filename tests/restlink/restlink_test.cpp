// librestlink.so against a cpp-httplib server on loopback that keeps the last request.
#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

#include "controller/httplibtsan.h"
#include "failingnew.h"
#include "restlink.h"
#include "testsupport.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// mallinfo2 does not see the sanitizers' allocator; their own count is public interface.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// libcurl's own allocations (a handle, a header list), made to fail on request: the library's
// libcurl is set up by this program first, with these.
std::atomic<bool> failCurl{false};
void* curlMalloc(size_t size) {
    return failCurl ? nullptr : malloc(size);
}
void* curlRealloc(void* block, size_t size) {
    return failCurl ? nullptr : realloc(block, size);
}
char* curlStrdup(const char* text) {
    return failCurl ? nullptr : strdup(text);
}
void* curlCalloc(size_t count, size_t size) {
    return failCurl ? nullptr : calloc(count, size);
}

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Pairs = std::vector<std::pair<std::string, std::string>>;

const char* const kToken = "Bearer a+b/c= z";  // goes out as it is: no encoding, no trimming
// Long enough for a 64 MiB answer on loopback, in a slower build too.
const int kTimeoutMs = 2000 * OCSM_SLOWDOWN;

// GET or PUT /status/N answers N, /size/N answers N bytes (/chunked/N without a declared length),
// any other path answers the key "body";
// /slow answers when stopping, or well after the time-out.
// Keeps the last request it was sent.
class Server : public httplib::Server {
public:
    Server() {
        new_task_queue = [] { return new httplib::ThreadPool(8); };
        set_tcp_nodelay(true);
        set_keep_alive_timeout(1);  // so that stopping does not wait long for idle connections
        auto answer = [this](const httplib::Request& in, httplib::Response& out) {
            std::unique_lock<std::mutex> lock(mutex);
            last = in;
            lock.unlock();
            for (int i = 0; in.path == "/slow" && !stopping && i < kTimeoutMs / 5; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (in.path.rfind("/status/", 0) == 0) out.status = std::stoi(in.path.substr(8));
            if (in.path.rfind("/chunked/", 0) == 0) {
                // The same bytes without a declared length, in chunks.
                const size_t total = std::stoull(in.path.substr(9));
                out.set_chunked_content_provider(
                    "text/plain", [total](size_t offset, httplib::DataSink& sink) {
                        static const std::string piece(65536, 'x');
                        if (offset < total) {
                            return sink.write(piece.data(), std::min(total - offset, piece.size()));
                        }
                        sink.done();
                        return true;
                    });
            } else if (in.path.rfind("/size/", 0) == 0) {
                // Made as it is sent, 64 KiB at a time: a client that stops early costs little.
                out.set_content_provider(std::stoull(in.path.substr(6)), "text/plain",
                                         [this](size_t, size_t length, httplib::DataSink& sink) {
                                             static const std::string piece(65536, 'x');
                                             const size_t bytes = std::min(length, piece.size());
                                             bodyBytesSent += bytes;
                                             return sink.write(piece.data(), bytes);
                                         });
            } else {
                out.set_content(in.get_param_value("body"), "text/plain");
            }
        };
        Get(".*", answer);
        Put(".*", answer);
        Delete(".*", answer);
        port = bind_to_any_port("127.0.0.1");
        listener = std::thread([this] { listen_after_bind(); });
        for (int i = 0; i < 500 && !is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Server() { shutDown(); }
    void shutDown() {
        stopping = true;
        stop();
        if (listener.joinable()) listener.join();
    }
    httplib::Request lastRequest() {
        std::lock_guard<std::mutex> lock(mutex);
        return last;
    }
    int port;
    std::atomic<unsigned long long> bodyBytesSent{0};  // by /size/N, all told

private:
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    httplib::Request last;
    std::thread listener;
};

Server* server = nullptr;

// The library reads its settings at first use, and the port is known only once bound.
class ServerEnvironment : public ::testing::Environment {
    void SetUp() override {
        ASSERT_EQ(curl_global_init_mem(CURL_GLOBAL_DEFAULT, curlMalloc, free, curlRealloc,
                                       curlStrdup, curlCalloc),
                  CURLE_OK);
        server = new Server;
        const std::string url = "http://127.0.0.1:" + std::to_string(server->port);
        setenv("RESTLINK_BASE_URL", url.c_str(), 1);
        setenv("RESTLINK_TOKEN", kToken, 1);
        setenv("RESTLINK_TIMEOUT_MS", std::to_string(kTimeoutMs).c_str(), 1);
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
    EXPECT_THAT(sent.lines, StartsWith("restlink: " + what + " failed: "));
    EXPECT_THAT(sent.lines, HasSubstr(why));
    EXPECT_THAT(sent.lines, Not(HasSubstr(kToken)));
}

// A header name of every kind of character a token may hold.
const char* const kTokenName = "09AZaz!#$%&'*+-.^_`|~";

TEST(Restlink, HeadersKeysAndBodyGoOutAsGiven) {
    const std::string token = HttpLogin::getInstance()->getToken();
    EXPECT_EQ(token, kToken);
    const struct {
        const char* method;
        Pairs heads, keys;
        std::string body, target;
    } cases[] = {
        {"PUT",
         {{kTokenName, "t"},
          {"Authorization", token},
          {"Content-Type", "application/json"},
          {"X", "2"},
          {"X", "1"}},
         {},
         std::string("[{\"screenId\":3}]\0\xff tail", 21),
         "/wire"},
        {"GET",
         {{"Authorization", token}},
         {{"screenType", "2"}, {"a b&c=d", "x/y?\xc3\xbc%+"}, {"screenId", ""}, {"&", "/ "}},
         "",
         "/wire?screenType=2&a%20b%26c%3Dd=x%2Fy%3F%C3%BC%25%2B&screenId=&%26=%2F%20"},
        {"DELETE", {{"Authorization", token}}, {}, "", "/wire"},
        // A body alone: no type made up by libcurl (a form), no Expect for a large one (a round
        // trip lost waiting for "100 Continue").
        {"PUT", {{"Authorization", token}}, {}, std::string(1536 * 1024, 'j'), "/wire"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(exchange(c.method, "/wire", c.heads, c.keys, c.body).response, nullptr);
        const httplib::Request sent = server->lastRequest();
        EXPECT_EQ(sent.method + " " + sent.target, std::string(c.method) + " " + c.target);
        Pairs heads;  // those set: in name order, and in the order set within a name
        for (const auto& [name, value] : sent.headers)
            if (name == "Content-Type" || name == "Authorization" || name == "X" ||
                name == "Expect" || name == kTokenName)
                heads.emplace_back(name, value);
        EXPECT_EQ(heads, c.heads);
        EXPECT_EQ(sent.body, c.body);
    }
}

// (null) for a null pointer, any other text for itself.
const char* textOf(const std::string& cell) {
    return cell == "(null)" ? nullptr : cell.c_str();
}

TEST(Restlink, RequestsThatCannotGoOutAreRefusedBeforeTheWire) {
    ASSERT_NE(exchange("GET", "/before").response, nullptr);
    for (const auto& c : ocsm_test::readCases("restlink/refusals.tsv")) {
        HttpRequest* request = client()->createRequest(textOf(c.at(0)), textOf(c.at(1)));
        if (c.at(2) != "(none)") request->setHead(textOf(c[2]), textOf(c.at(3)));
        if (c.at(4) != "(none)") request->addUrlKeyValue(textOf(c[4]), "v");
        if (c.at(5) == "-1") request->setBody("x", -1);
        if (c[5].rfind("null ", 0) == 0) request->setBody(nullptr, std::stoi(c[5].substr(5)));
        int status = -1;
        testing::internal::CaptureStderr();
        EXPECT_EQ(client()->sendRequest(request, &status), nullptr) << c.at(6);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.at(6) + "\n");
        EXPECT_EQ(status, 0) << "no status without an answer: " << c[6];
    }
    // A key or a value past what libcurl escapes (8 MB): a failure, not a URL cut short.
    const std::string tooLong(9000000, ' ');
    for (const Pairs& keys : {Pairs{{tooLong, "v"}}, Pairs{{"k", tooLong}}}) {
        const Sent sent = exchange("GET", "/", {}, keys);
        expectFailure(sent, "GET /",
                      "a URL key or value libcurl cannot escape (too long, or out of memory)\n");
        EXPECT_EQ(sent.status, 0);
    }
    EXPECT_EQ(server->lastRequest().path, "/before") << "nothing reached the server";
    // No request at all: a line of its own.
    int status = -1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(client()->sendRequest(nullptr, &status), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "restlink: sendRequest without a request\n");
    EXPECT_EQ(status, 0);
}

TEST(Restlink, StatusOutside2xxIsAFailureAndAnEmptyBodyAResponse) {
    for (int code : {200, 204, 299, 300, 302, 404, 500}) {
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

// A HEAD is answered with the declared length and no body (nothing is waited for); what follows
// it on the same handle asks for and gets its body.
TEST(Restlink, AHeadGetsNoBodyAndWhatFollowsGetsItsOwn) {
    for (const char* after : {"GET", "PUT"}) {
        const Sent head = exchange("HEAD", "/size/1000");
        ASSERT_NE(head.response, nullptr) << head.lines;
        EXPECT_EQ(head.status, 200);
        EXPECT_EQ(head.response->getBodySize(), 0u);
        const std::string body = after == std::string("PUT") ? "b" : "";
        const Sent next = exchange(after, "/size/3", {}, {}, body);
        ASSERT_NE(next.response, nullptr) << next.lines;
        EXPECT_EQ(std::string(next.response->getBody(), next.response->getBodySize()), "xxx");
        EXPECT_EQ(server->lastRequest().method, after);
        EXPECT_EQ(server->lastRequest().body, body);
    }
}

// Declared too large: refused before any room is sought for it or its body read; not declared:
// refused once it passes the limit (controller-sim's fault table shows the largest body taken).
TEST(Restlink, BodyLargerThan64MiBIsRefusedDeclaredOrNot) {
    for (const char* size : {"67108865", "1125899906842624"}) {
        const std::string path = std::string("/size/") + size;
        const unsigned long long sentBefore = server->bodyBytesSent;
        expectFailure(exchange("GET", path), "GET " + path,
                      "answer body larger than 67108864 bytes");
        // Not read: the server could send no more than the sockets' buffers hold.
        EXPECT_LT(server->bodyBytesSent - sentBefore, 16u << 20);
    }
    // Without a declared length: refused once the limit is passed.
    expectFailure(exchange("GET", "/chunked/67108865"), "GET /chunked/67108865",
                  "answer body larger than 67108864 bytes");
    const Sent limit = exchange("GET", "/chunked/67108864");
    ASSERT_NE(limit.response, nullptr) << limit.lines;
    EXPECT_EQ(limit.response->getBodySize(), 67108864u);
}

// Memory that cannot be had, for the declared body, the request's copy or on the way out: a
// failure that says so, and the next exchange works.
TEST(Restlink, MemoryThatCannotBeHadIsAFailureThatSaysSo) {
    if (!ocsm_test::kAllocationsCanFail) GTEST_SKIP() << "the sanitizers' allocator cannot fail";
    // The library's blocks come from this program's operator new as well.
    const size_t kLarge = size_t(16) << 20;
    ocsm_test::failNextBlock(kLarge);
    expectFailure(exchange("GET", "/size/20000000"), "GET /size/20000000",
                  "out of memory for the answer body");
    EXPECT_FALSE(ocsm_test::blockFailurePending()) << "no large block was asked for";
    ASSERT_NE(exchange("GET", "/size/20000000").response, nullptr);
    // A request body that cannot be copied is no exception in the caller: it is not sent.
    const std::string body(20000000, 'b');
    ocsm_test::failNextBlock(kLarge);
    const Sent refused = exchange("PUT", "/", {}, {}, body);
    EXPECT_EQ(refused.response, nullptr);
    EXPECT_EQ(refused.lines, "restlink: request not sent: out of memory while building it\n");
    // Memory that runs out on the way out, past the request's checks: the exchange is abandoned
    // with a line, and no exception reaches the caller.
    HttpRequest* large = client()->createRequest("GET", "/");
    large->setHead("X-Large", body.c_str());
    ocsm_test::failNextBlock(kLarge);
    testing::internal::CaptureStderr();
    EXPECT_EQ(client()->sendRequest(large, nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "restlink: exchange abandoned: std::bad_alloc\n");
    EXPECT_FALSE(ocsm_test::blockFailurePending()) << "no large block was asked for";
}

// libcurl's memory that cannot be had, for a thread's first handle or for a header list that
// changed: a failure that says so, and the next exchange works.
TEST(Restlink, LibcurlMemoryThatCannotBeHadIsAFailureThatSaysSo) {
    std::thread([] {
        const Pairs changed = {{"X-Changed", "1"}};
        for (const Pairs& heads : {Pairs{}, changed}) {
            failCurl = true;
            const Sent refused = exchange("GET", "/", heads);
            failCurl = false;
            expectFailure(refused, "GET /",
                          heads.empty() ? "cannot create a libcurl handle"
                                        : "out of memory while building the request");
            EXPECT_NE(exchange("GET", "/", heads).response, nullptr);
        }
    }).join();
}

// This process's connections to the test server, from the kernel's table of TCP sockets: a socket
// that a descriptor still holds shows its inode there, one that was closed shows none.
size_t connectionsToServer() {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the header
    size_t count = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        const size_t colon = remote.find(':');
        if (colon != std::string::npos && inode != "0" &&
            std::stoi(remote.substr(colon + 1), nullptr, 16) == server->port) {
            ++count;
        }
    }
    return count;
}

// A thread keeps its connection between exchanges and closes it when it ends: a host that starts
// and ends threads leaks no sockets.
TEST(Restlink, AThreadsConnectionClosesWhenTheThreadEnds) {
    const size_t before = connectionsToServer();
    size_t during = 0;
    std::thread([&during] {
        exchange("GET", "/");
        exchange("GET", "/");
        during = connectionsToServer();
    }).join();
    EXPECT_EQ(during, before + 1) << "one connection, kept between the thread's exchanges";
    EXPECT_EQ(connectionsToServer(), before);
}

TEST(Restlink, LateAnswerTimesOutAndTheThreadGoesOn) {
    const auto start = std::chrono::steady_clock::now();
    expectFailure(exchange("GET", "/slow"), "GET /slow",
                  "timed out after " + std::to_string(kTimeoutMs) + " ms");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kTimeoutMs) * 7);
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

// A PUT of a body of `bodyBytes` whose answer has `answerBytes`.
HttpRespon* put(size_t bodyBytes, size_t answerBytes) {
    const std::string body(bodyBytes, 'x');
    const std::string path = "/size/" + std::to_string(answerBytes);
    HttpRequest* request = client()->createRequest("PUT", path.c_str());
    request->setBody(body.data(), static_cast<int>(body.size()));
    return client()->sendRequest(request, nullptr);
}

// Whether the thread keeps a request body of `bytes` for the next exchange: the next createRequest
// frees nothing of it. (A large body and a small one before it leave the buffer small.)
bool requestBodyKept(size_t bytes) {
    put(size_t(256) << 10, 1);
    put(1, 1);
    EXPECT_NE(put(bytes, 1), nullptr);
    const size_t before = heapInUse();
    client()->createRequest("GET", "/");
    return heapInUse() + bytes / 2 > before;
}

// Whether the thread keeps an answer's buffer of `bytes` for the next exchange: the next answer
// lands in it. (A large answer and a small one before it leave the buffer small.)
bool answerKept(size_t bytes) {
    put(0, size_t(256) << 10);
    put(0, 1);
    HttpRespon* answer = put(0, bytes);
    if (answer == nullptr) return false;
    const char* buffer = answer->getBody();
    HttpRespon* next = exchange("GET", "/", {}, {{"body", "x"}}).response;
    return next != nullptr && next->getBody() == buffer;
}

// A thread keeps its request's and its answer's buffers for the next exchange up to 64 KiB each;
// larger ones go with that exchange, so that one large answer does not stay for good.
TEST(Restlink, BuffersOfUpTo64KiBAreKeptAndLargerOnesGo) {
    EXPECT_TRUE(requestBodyKept(65536));
    EXPECT_TRUE(answerKept(65536));
    EXPECT_FALSE(requestBodyKept(65560));  // above 64 KiB, and below 65
    EXPECT_FALSE(answerKept(65560));
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
    expectFailure(sent, "GET /", "no connection (refused or unreachable)");
}

}  // namespace
