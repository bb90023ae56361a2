// The exact bytes the library puts on the wire.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "exchange.h"
#include "test_server.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TestServer server([](const SeenRequest&) { return Reply{200, "ok"}; });

constexpr size_t npos = std::string::npos;

TEST(RestlinkWire, PutCarriesHeadersInOrderAndTheBodyVerbatim) {
    const std::string body("[{\"screenId\":3}]\0tail", 21);
    HttpRequest* request = client()->createRequest("PUT", "/orvex/v1/screen/color-space");
    request->setHead("Content-Type", "application/json");
    request->setHead("Authorization", "tok");
    request->setHead("X-Step", "one");
    request->setHead("X-Step", "two");
    request->setBody(body.data(), static_cast<int>(body.size()));
    ASSERT_NE(client()->sendRequest(request, nullptr), nullptr);

    SeenRequest seen = server.lastSeen();
    EXPECT_THAT(seen.bytes, StartsWith("PUT /orvex/v1/screen/color-space HTTP/1.1\r\n"));
    std::vector<size_t> at;
    for (const char* line :
         {"Content-Type: application/json", "Authorization: tok", "X-Step: one", "X-Step: two"})
        at.push_back(seen.headerAt(line));
    EXPECT_NE(at[0], npos) << seen.bytes;
    EXPECT_LT(at[0], at[1]) << seen.bytes;
    EXPECT_LT(at[1], at[2]) << seen.bytes;
    EXPECT_LT(at[2], at[3]) << seen.bytes;
    EXPECT_LT(at[3], npos) << seen.bytes;
    EXPECT_NE(seen.headerAt("Content-Length: 21"), npos);
    EXPECT_THAT(seen.bytes, Not(HasSubstr("Expect:")));
    EXPECT_EQ(seen.body(), body);
}

TEST(RestlinkWire, RequestLineHeadersAndBodyAsSet) {
    struct Case {
        const char* method;
        const char* path;
        std::function<void(HttpRequest*)> fill;
        std::string requestLine;
        std::vector<std::string> present;  // whole header lines
        std::vector<std::string> absent;   // field names
        std::string body;
    };
    const std::vector<Case> cases = {
        // An empty token still goes out as an empty Authorization field.
        {"GET",
         "/orvex/v1/screen/list-detail",
         [](HttpRequest* r) {
             r->setHead("Authorization", "");
             r->addUrlKeyValue("screenId", "");
             r->addUrlKeyValue("screenType", "2");
         },
         "GET /orvex/v1/screen/list-detail?screenId=&screenType=2 HTTP/1.1",
         {"Authorization:"},
         {"Content-Length", "Content-Type"},
         ""},
        {"GET",
         "/orvex/v1/interface/list-detail",
         [](HttpRequest*) {},
         "GET /orvex/v1/interface/list-detail HTTP/1.1",
         {},
         {"Content-Length", "Content-Type"},
         ""},
        // Without a Content-Type libcurl would label a body as a form.
        {"PUT",
         "/echo",
         [](HttpRequest* r) { r->setBody("abc", 3); },
         "PUT /echo HTTP/1.1",
         {"Content-Length: 3"},
         {"Content-Type"},
         "abc"},
        {"POST",
         "/echo",
         [](HttpRequest* r) { r->setBody("{}", 2); },
         "POST /echo HTTP/1.1",
         {"Content-Length: 2"},
         {"Content-Type"},
         "{}"},
        {"PATCH",
         "/echo",
         [](HttpRequest* r) { r->setBody("{}", 2); },
         "PATCH /echo HTTP/1.1",
         {"Content-Length: 2"},
         {},
         "{}"},
        {"DELETE",
         "/echo",
         [](HttpRequest*) {},
         "DELETE /echo HTTP/1.1",
         {},
         {"Content-Length"},
         ""},
    };
    for (const Case& c : cases) {
        HttpRequest* request = client()->createRequest(c.method, c.path);
        c.fill(request);
        ASSERT_NE(client()->sendRequest(request, nullptr), nullptr) << c.requestLine;

        SeenRequest seen = server.lastSeen();
        EXPECT_THAT(seen.bytes, StartsWith(c.requestLine + "\r\n"));
        for (const std::string& line : c.present)
            EXPECT_NE(seen.headerAt(line), npos) << c.requestLine << " lacks " << line;
        for (const std::string& name : c.absent)
            EXPECT_THAT(seen.bytes, Not(HasSubstr("\r\n" + name + ":"))) << c.requestLine;
        EXPECT_EQ(seen.body(), c.body) << c.requestLine;
    }
}

}  // namespace
