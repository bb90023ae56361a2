// The library against a loopback server: what goes out, what comes back,
// failure lines, connection reuse, threads, memory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <malloc.h>
#include <stdlib.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers replace malloc, and mallinfo2 then tells nothing; their
// runtime's own count is public interface (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <atomic>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "exchange.h"
#include "test_server.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kToken = "secret-token-4711";

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

Reply handle(const SeenRequest& request) {
    const std::string path = request.path();
    if (path == "/bytes") return {200, pattern(std::stoul(request.param("size")))};
    if (path == "/whoami") return {200, request.param("thread") + ":" + request.param("n")};
    if (path.rfind("/status/", 0) == 0) return {std::stoi(path.substr(8)), "{\"code\":1}"};
    return {200, request.body()};  // echo
}

// Settings are read at the library's first use, after these.
TestServer server(handle);
const bool configured = setenv("RESTLINK_TOKEN", kToken, 1) == 0 &&
                        // A proxy that refuses everything: every exchange
                        // below fails should the library honour it.
                        setenv("http_proxy", "http://127.0.0.1:1", 1) == 0;

std::set<int> portsSeen() {
    std::set<int> ports;
    for (const SeenRequest& seen : server.seen())
        ports.insert(seen.remotePort);
    return ports;
}

size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;  // large blocks are mapped separately
#endif
}

TEST(RestlinkRequest, TextsAreCopiedAtOnceAndUrlEncodedInOrder) {
    char name[] = "X-Name";
    char value[] = "value";
    char key[] = "a b&c=d";
    char keyValue[] = "x/y?\xc3\xbc%+";
    char body[] = "body\0bytes";
    HttpRequest* request = client()->createRequest("PUT", "/echo");
    request->setHead(name, value);
    request->addUrlKeyValue("z", "9");
    request->addUrlKeyValue(key, keyValue);
    request->addUrlKeyValue("a", "");
    request->setBody(body, sizeof body - 1);
    for (char* text : {name, value, key, keyValue})
        std::memset(text, 'Q', std::strlen(text));
    std::memset(body, 'Q', sizeof body - 1);
    Outcome sent = sendCapturing(request);

    ASSERT_NE(sent.response, nullptr) << sent.lines;
    EXPECT_EQ(sent.status, 200);
    SeenRequest seen = server.lastSeen();
    EXPECT_EQ(seen.target(), "/echo?z=9&a%20b%26c%3Dd=x%2Fy%3F%C3%BC%25%2B&a=");
    EXPECT_NE(seen.headerAt("X-Name: value"), std::string::npos) << seen.bytes;
    EXPECT_EQ(seen.body(), std::string("body\0bytes", 10));
    EXPECT_EQ(sent.lines, "");
}

TEST(RestlinkRequest, LargePutGoesOutWithoutWaitingForContinue) {
    // Above 1 MiB, where libcurl would otherwise wait for "100 Continue".
    std::string body = "[{\"screenId\":3,\"colorSpace\":{\"preset\":1}}]" + pattern(1536 * 1024);
    HttpRequest* request = client()->createRequest("PUT", "/echo");
    request->setHead("Content-Type", "application/json");
    request->setBody(body.data(), static_cast<int>(body.size()));
    int status = 0;
    HttpRespon* response = client()->sendRequest(request, &status);

    ASSERT_NE(response, nullptr);
    EXPECT_EQ(status, 200);
    SeenRequest seen = server.lastSeen();
    EXPECT_TRUE(seen.body() == body) << "server got " << seen.body().size() << " bytes";
    EXPECT_NE(seen.headerAt("Content-Length: " + std::to_string(body.size())), std::string::npos);
    EXPECT_THAT(seen.bytes.substr(0, 1024), Not(HasSubstr("Expect:")));
    EXPECT_TRUE(bodyOf(response) == body) << "answer of " << response->getBodySize() << " bytes";
}

TEST(RestlinkResponse, BodyHoldsExactlyTheBytesReceived) {
    for (size_t size : {size_t(0), size_t(1), size_t(100000)}) {
        HttpRequest* request = client()->createRequest("GET", "/bytes");
        request->addUrlKeyValue("size", std::to_string(size).c_str());
        HttpRespon* response = client()->sendRequest(request, nullptr);

        ASSERT_NE(response, nullptr) << size;
        ASSERT_NE(response->getBody(), nullptr) << size;
        ASSERT_EQ(response->getBodySize(), size);
        EXPECT_TRUE(bodyOf(response) == pattern(size)) << size;
    }
}

TEST(RestlinkResponse, StaysValidWhileOtherThreadsExchange) {
    HttpRequest* request = client()->createRequest("GET", "/whoami");
    request->addUrlKeyValue("thread", "main");
    request->addUrlKeyValue("n", "0");
    HttpRespon* response = client()->sendRequest(request, nullptr);
    ASSERT_NE(response, nullptr);

    std::vector<std::thread> others;
    for (int t = 0; t < 4; ++t)
        others.emplace_back([] {
            for (int n = 0; n < 20; ++n)
                client()->sendRequest(client()->createRequest("GET", "/whoami"), nullptr);
        });
    for (std::thread& other : others)
        other.join();

    EXPECT_EQ(bodyOf(response), "main:0");
}

TEST(RestlinkFailure, HttpErrorStatusGivesNullAndOneLineWithoutTheToken) {
    for (int code : {404, 500}) {
        std::string path = "/status/" + std::to_string(code);
        HttpRequest* request = client()->createRequest("GET", path.c_str());
        request->setHead("Authorization", kToken);
        Outcome sent = sendCapturing(request);

        EXPECT_EQ(sent.response, nullptr) << code;
        EXPECT_EQ(sent.status, code);
        EXPECT_EQ(lineCount(sent.lines), 1) << sent.lines;
        EXPECT_THAT(sent.lines,
                    HasSubstr("GET " + path + " failed: HTTP status " + std::to_string(code)));
        EXPECT_THAT(sent.lines, Not(HasSubstr(kToken)));
    }
}

TEST(RestlinkFailure, BadRequestIsRefusedWithoutReachingTheServer) {
    struct Case {
        const char* what;
        const char* method;
        const char* path;
        std::function<void(HttpRequest*)> fill;
    };
    auto nothing = [](HttpRequest*) {};
    const std::vector<Case> cases = {
        {"no method", nullptr, "/echo", nothing},
        {"no path", "GET", nullptr, nothing},
        {"method with a blank", "GE T", "/echo", nothing},
        {"path without '/'", "GET", "echo", nothing},
        {"path with a blank", "GET", "/ec ho", nothing},
        {"header name with a blank", "GET", "/echo",
         [](HttpRequest* r) { r->setHead("A B", "v"); }},
        {"header without a name", "GET", "/echo", [](HttpRequest* r) { r->setHead(nullptr, "v"); }},
        {"header value with a line break", "GET", "/echo",
         [](HttpRequest* r) { r->setHead("Authorization", "sec\r\nInjected: yes"); }},
        {"null URL key", "GET", "/echo", [](HttpRequest* r) { r->addUrlKeyValue(nullptr, "1"); }},
        {"null body with a size", "PUT", "/echo", [](HttpRequest* r) { r->setBody(nullptr, 4); }},
        {"negative body size", "PUT", "/echo", [](HttpRequest* r) { r->setBody("abc", -1); }},
    };
    server.forget();
    for (const Case& c : cases) {
        HttpRequest* request = client()->createRequest(c.method, c.path);
        c.fill(request);
        Outcome sent = sendCapturing(request);

        EXPECT_EQ(sent.response, nullptr) << c.what;
        EXPECT_EQ(sent.status, 0) << c.what;
        EXPECT_EQ(lineCount(sent.lines), 1) << c.what << ": " << sent.lines;
        EXPECT_THAT(sent.lines, Not(HasSubstr("Injected"))) << c.what;
    }
    EXPECT_EQ(lineCount(sendCapturing(nullptr).lines), 1);
    EXPECT_TRUE(server.seen().empty());

    // A fresh request after a refused one goes out normally.
    EXPECT_NE(client()->sendRequest(client()->createRequest("GET", "/echo"), nullptr), nullptr);
}

TEST(RestlinkSettings, TokenAndObjectsComeFromTheEnvironmentOnce) {
    EXPECT_EQ(HttpLogin::getInstance()->getToken(), kToken);
    EXPECT_EQ(HttpLogin::getInstance(), HttpLogin::getInstance());
    EXPECT_EQ(HttpSingleTon::getInstance(), HttpSingleTon::getInstance());
    EXPECT_EQ(HttpSingleTon::getInstance()->getHttpClient(),
              HttpSingleTon::getInstance()->getHttpClient());
}

TEST(RestlinkConnection, ThreadsExchangeAtOnceOnOneConnectionEach) {
    constexpr int kThreads = 8;
    constexpr int kEach = 40;
    server.forget();
    std::atomic<int> ready{0};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready < kThreads)
                std::this_thread::yield();
            for (int n = 0; n < kEach; ++n) {
                HttpRequest* request = client()->createRequest("GET", "/whoami");
                request->addUrlKeyValue("thread", std::to_string(t).c_str());
                request->addUrlKeyValue("n", std::to_string(n).c_str());
                HttpRespon* response = client()->sendRequest(request, nullptr);
                std::string expected = std::to_string(t) + ":" + std::to_string(n);
                if (!response || bodyOf(response) != expected) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(server.seen().size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(portsSeen().size(),
              static_cast<size_t>(kThreads));  // kept alive, not one per request
}

TEST(RestlinkMemory, StaysFlatOverManyExchanges) {
    auto exchanges = [](int count) {
        int failed = 0;
        for (int n = 0; n < count; ++n) {
            HttpRequest* request = client()->createRequest("GET", "/bytes");
            request->setHead("Authorization", kToken);
            request->addUrlKeyValue("size", "512");
            if (!client()->sendRequest(request, nullptr)) ++failed;
        }
        return failed;
    };
    auto threadsComeAndGo = [&exchanges](int threads) {
        std::atomic<int> failed{0};
        for (int t = 0; t < threads; ++t)
            std::thread([&] { failed += exchanges(10); }).join();
        return failed.load();
    };
    // Warm up: this thread's slot, libcurl's caches, the server's threads.
    ASSERT_EQ(exchanges(200) + threadsComeAndGo(5), 0);
    server.forget();
    size_t before = heapInUse();

    int failed = exchanges(5000) + threadsComeAndGo(40);
    server.forget();
    size_t after = heapInUse();

    EXPECT_EQ(failed, 0);
    // A leaked request or response per exchange would add well over 2 MiB.
    EXPECT_LT(after, before + 512 * 1024) << "before " << before << " after " << after;
}

}  // namespace
