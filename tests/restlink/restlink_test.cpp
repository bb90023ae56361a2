// The library against a real HTTP server on loopback: what goes out on the
// wire, what comes back, failure lines, connection reuse, threads, memory.
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

#include "local_server.h"
#include "restlink.h"
#include "stderr_capture.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kToken = "secret-token-4711";

LocalServer* server = nullptr;

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

void echo(const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.body, "application/octet-stream");
}

// The server's port is only known once it listens, and the library reads its
// settings at first use: so the environment is set here, before any test
// touches the library, rather than by ctest.
class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        server = new LocalServer;
        for (const char* method : {"GET", "PUT", "POST", "PATCH", "DELETE"})
            server->route(method, "/echo", echo);
        server->route("GET", "/bytes", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(pattern(std::stoul(req.get_param_value("size"))),
                            "application/octet-stream");
        });
        server->route("GET", "/empty", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "text/plain");
        });
        server->route("GET", R"(/status/(\d+))",
                      [](const httplib::Request& req, httplib::Response& res) {
                          res.status = std::stoi(req.matches[1]);
                          res.set_content("{\"code\":1}", "application/json");
                      });
        server->route("GET", "/whoami", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_param_value("thread") + ":" + req.get_param_value("n"),
                            "text/plain");
        });
        server->start();
        setenv("RESTLINK_BASE_URL", server->baseUrl().c_str(), 1);
        setenv("RESTLINK_TOKEN", kToken, 1);
        // A proxy that refuses everything: an exchange that honours it fails.
        setenv("http_proxy", "http://127.0.0.1:1", 1);
    }
    void TearDown() override {
        // This thread's keep-alive connection would hold a server worker, and
        // so the server's shutdown, for the whole keep-alive time-out.
        HttpRequest* last = client()->createRequest("GET", "/echo");
        last->setHead("Connection", "close");
        client()->sendRequest(last, nullptr);
        delete server;
        server = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

std::string bodyOf(HttpRespon* response) {
    return std::string(response->getBody(), response->getBodySize());
}

size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;  // large blocks are mapped separately
#endif
}

TEST(RestlinkRequest, GetCarriesHeadersAndQueryInOrder) {
    HttpRequest* request = client()->createRequest("GET", "/echo");
    request->setHead("Authorization", kToken);
    request->setHead("X-Trace", "first");
    request->setHead("X-Trace", "second");
    request->addUrlKeyValue("screenId", "-1");
    request->addUrlKeyValue("screenType", "2");
    int status = 0;
    HttpRespon* response = client()->sendRequest(request, &status);

    ASSERT_NE(response, nullptr);
    EXPECT_EQ(status, 200);
    SeenRequest seen = server->lastSeen();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.target, "/echo?screenId=-1&screenType=2");
    EXPECT_EQ(seen.header("Authorization", 0), std::string(kToken));
    EXPECT_EQ(seen.header("X-Trace", 0), std::string("first"));
    EXPECT_EQ(seen.header("X-Trace", 1), std::string("second"));
    EXPECT_TRUE(seen.body.empty());
}

TEST(RestlinkRequest, QueryTextsAreUrlEncoded) {
    HttpRequest* request = client()->createRequest("GET", "/echo");
    request->addUrlKeyValue("z", "9");
    request->addUrlKeyValue("a b&c=d", "x/y?\xc3\xbc%+");
    request->addUrlKeyValue("a", "");
    ASSERT_NE(client()->sendRequest(request, nullptr), nullptr);

    SeenRequest seen = server->lastSeen();
    EXPECT_EQ(seen.target, "/echo?z=9&a%20b%26c%3Dd=x%2Fy%3F%C3%BC%25%2B&a=");
}

TEST(RestlinkRequest, PutSendsBodyBytesExactly) {
    // Above 1 MiB, where libcurl would otherwise wait for "100 Continue".
    std::string body = "[{\"screenId\":3,\"colorSpace\":{\"preset\":1}}]" + pattern(1536 * 1024);
    HttpRequest* request = client()->createRequest("PUT", "/echo");
    request->setHead("Content-Type", "application/json");
    request->setHead("Authorization", kToken);
    request->setBody(body.data(), static_cast<int>(body.size()));
    int status = 0;
    HttpRespon* response = client()->sendRequest(request, &status);

    ASSERT_NE(response, nullptr);
    EXPECT_EQ(status, 200);
    SeenRequest seen = server->lastSeen();
    EXPECT_EQ(seen.method, "PUT");
    EXPECT_TRUE(seen.body == body) << "server got " << seen.body.size() << " bytes";
    EXPECT_EQ(seen.header("Content-Type", 0), std::string("application/json"));
    EXPECT_EQ(seen.header("Content-Length", 0), std::to_string(body.size()));
    EXPECT_FALSE(seen.hasHeader("Expect"));
    EXPECT_TRUE(bodyOf(response) == body) << "answer of " << response->getBodySize() << " bytes";
}

TEST(RestlinkRequest, PutWithoutContentTypeIsNotLabelledAsAForm) {
    HttpRequest* request = client()->createRequest("PUT", "/echo");
    request->setBody("abc", 3);
    ASSERT_NE(client()->sendRequest(request, nullptr), nullptr);

    SeenRequest seen = server->lastSeen();
    EXPECT_EQ(seen.body, "abc");
    EXPECT_FALSE(seen.hasHeader("Content-Type"));
}

TEST(RestlinkRequest, TextsAreCopiedWhenGiven) {
    char name[] = "X-Name";
    char value[] = "value";
    char key[] = "key";
    char keyValue[] = "1";
    char body[] = "body\0bytes";
    HttpRequest* request = client()->createRequest("PUT", "/echo");
    request->setHead(name, value);
    request->addUrlKeyValue(key, keyValue);
    request->setBody(body, sizeof body - 1);
    for (char* text : {name, value, key, keyValue})
        std::memset(text, 'Q', std::strlen(text));
    std::memset(body, 'Q', sizeof body - 1);
    ASSERT_NE(client()->sendRequest(request, nullptr), nullptr);

    SeenRequest seen = server->lastSeen();
    EXPECT_EQ(seen.target, "/echo?key=1");
    EXPECT_EQ(seen.header("X-Name", 0), std::string("value"));
    EXPECT_EQ(seen.body, std::string("body\0bytes", 10));
}

TEST(RestlinkRequest, MethodWordGoesOutAsGiven) {
    for (const char* method : {"POST", "PATCH", "DELETE"}) {
        HttpRequest* request = client()->createRequest(method, "/echo");
        if (std::strcmp(method, "DELETE") != 0) request->setBody("{}", 2);
        HttpRespon* response = client()->sendRequest(request, nullptr);

        ASSERT_NE(response, nullptr) << method;
        SeenRequest seen = server->lastSeen();
        EXPECT_EQ(seen.method, method);
        EXPECT_EQ(seen.body, std::strcmp(method, "DELETE") != 0 ? "{}" : "") << method;
    }
}

TEST(RestlinkResponse, BodyHoldsExactlyTheBytesReceived) {
    HttpRequest* request = client()->createRequest("GET", "/bytes");
    request->addUrlKeyValue("size", "100000");
    HttpRespon* response = client()->sendRequest(request, nullptr);

    ASSERT_NE(response, nullptr);
    ASSERT_EQ(response->getBodySize(), 100000u);
    EXPECT_TRUE(bodyOf(response) == pattern(100000));
    EXPECT_EQ(response->getBody()[100000], '\0');
}

TEST(RestlinkResponse, EmptyBodyIsAResponseOfSizeZero) {
    int status = 0;
    HttpRespon* response = client()->sendRequest(client()->createRequest("GET", "/empty"), &status);

    ASSERT_NE(response, nullptr);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(response->getBodySize(), 0u);
    ASSERT_NE(response->getBody(), nullptr);
}

TEST(RestlinkResponse, StaysValidWhileOtherThreadsExchange) {
    HttpRequest* request = client()->createRequest("GET", "/whoami");
    request->addUrlKeyValue("thread", "main");
    request->addUrlKeyValue("n", "0");
    HttpRespon* response = client()->sendRequest(request, nullptr);
    ASSERT_NE(response, nullptr);

    std::vector<std::thread> others;
    for (int t = 0; t < 4; ++t) {
        others.emplace_back([t] {
            for (int n = 0; n < 20; ++n) {
                HttpRequest* other = client()->createRequest("GET", "/whoami");
                other->addUrlKeyValue("thread", std::to_string(t).c_str());
                other->addUrlKeyValue("n", std::to_string(n).c_str());
                client()->sendRequest(other, nullptr);
            }
        });
    }
    for (std::thread& other : others)
        other.join();

    EXPECT_EQ(bodyOf(response), "main:0");
}

TEST(RestlinkFailure, HttpErrorStatusGivesNullAndOneLine) {
    for (int code : {404, 500}) {
        std::string path = "/status/" + std::to_string(code);
        HttpRequest* request = client()->createRequest("GET", path.c_str());
        request->setHead("Authorization", kToken);
        int status = 0;
        StderrCapture capture;
        HttpRespon* response = client()->sendRequest(request, &status);
        std::string lines = capture.finish();

        EXPECT_EQ(response, nullptr) << code;
        EXPECT_EQ(status, code);
        EXPECT_EQ(lineCount(lines), 1) << lines;
        EXPECT_THAT(lines, HasSubstr("GET " + path));
        EXPECT_THAT(lines, HasSubstr("HTTP status " + std::to_string(code)));
        EXPECT_THAT(lines, Not(HasSubstr(kToken)));
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
    server->forget();
    for (const Case& c : cases) {
        HttpRequest* request = client()->createRequest(c.method, c.path);
        c.fill(request);
        StderrCapture capture;
        HttpRespon* response = client()->sendRequest(request, nullptr);
        std::string lines = capture.finish();

        EXPECT_EQ(response, nullptr) << c.what;
        EXPECT_EQ(lineCount(lines), 1) << c.what << ": " << lines;
        EXPECT_THAT(lines, Not(HasSubstr("Injected"))) << c.what;
    }
    StderrCapture capture;
    EXPECT_EQ(client()->sendRequest(nullptr, nullptr), nullptr);
    EXPECT_EQ(lineCount(capture.finish()), 1);
    EXPECT_TRUE(server->seen().empty());

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

TEST(RestlinkSettings, ProxyFromTheEnvironmentIsIgnored) {
    ASSERT_NE(getenv("http_proxy"), nullptr);
    server->forget();
    EXPECT_NE(client()->sendRequest(client()->createRequest("GET", "/echo"), nullptr), nullptr);
    EXPECT_EQ(server->seen().size(), 1u);
}

TEST(RestlinkConnection, BurstFromOneThreadUsesOneConnection) {
    server->forget();
    int answered = 0;
    std::thread burst([&answered] {
        for (int n = 0; n < 50; ++n)
            if (client()->sendRequest(client()->createRequest("GET", "/echo"), nullptr)) ++answered;
    });
    burst.join();

    std::set<int> ports;
    for (const SeenRequest& seen : server->seen())
        ports.insert(seen.remotePort);
    EXPECT_EQ(answered, 50);
    EXPECT_EQ(server->seen().size(), 50u);
    EXPECT_EQ(ports.size(), 1u);
}

TEST(RestlinkConnection, ThreadsExchangeAtOnceWithoutMixingAnswers) {
    constexpr int kThreads = 8;
    constexpr int kEach = 40;
    server->forget();
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

    std::set<int> ports;
    for (const SeenRequest& seen : server->seen())
        ports.insert(seen.remotePort);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(server->seen().size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(ports.size(), static_cast<size_t>(kThreads));  // one connection each
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
    // Warm up: this thread's slot, libcurl's caches, the server's pool.
    ASSERT_EQ(exchanges(200) + threadsComeAndGo(5), 0);
    server->forget();
    size_t before = heapInUse();

    int failed = exchanges(5000) + threadsComeAndGo(40);
    server->forget();
    size_t after = heapInUse();

    EXPECT_EQ(failed, 0);
    // A leaked request or response per exchange would add well over 2 MiB.
    EXPECT_LT(after, before + 512 * 1024) << "before " << before << " after " << after;
}

}  // namespace
