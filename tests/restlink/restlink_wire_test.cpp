// The exact bytes the library puts on the wire.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "raw_server.h"
#include "restlink.h"
#include "stderr_capture.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

RawServer* server = nullptr;

// The port is only known once the server listens, and the library reads its
// settings at first use: so the environment is set here, not by ctest.
class RawServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        server = new RawServer;
        server->start();
        setenv("RESTLINK_BASE_URL", server->baseUrl().c_str(), 1);
    }
    void TearDown() override {
        delete server;
        server = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new RawServerEnvironment);

// Offset of the header line "name: value" (or "name:" when value is empty).
size_t headerLine(const std::string& request, const std::string& name, const std::string& value) {
    return request.find("\r\n" + name + ":" + (value.empty() ? "" : " " + value) + "\r\n");
}

TEST(RestlinkWire, PutCarriesHeadersInOrderAndTheBodyVerbatim) {
    const std::string body("[{\"screenId\":3}]\0tail", 21);
    HttpRequest* request = client()->createRequest("PUT", "/orvex/v1/screen/color-space");
    request->setHead("Content-Type", "application/json");
    request->setHead("Authorization", "tok");
    request->setHead("X-Step", "one");
    request->setHead("X-Step", "two");
    request->setBody(body.data(), static_cast<int>(body.size()));
    ASSERT_NE(client()->sendRequest(request, nullptr), nullptr);

    std::string sent = server->lastRequest();
    EXPECT_THAT(sent, StartsWith("PUT /orvex/v1/screen/color-space HTTP/1.1\r\n"));
    size_t contentType = headerLine(sent, "Content-Type", "application/json");
    size_t authorization = headerLine(sent, "Authorization", "tok");
    size_t one = headerLine(sent, "X-Step", "one");
    size_t two = headerLine(sent, "X-Step", "two");
    ASSERT_NE(contentType, std::string::npos) << sent;
    ASSERT_NE(authorization, std::string::npos) << sent;
    ASSERT_NE(one, std::string::npos) << sent;
    ASSERT_NE(two, std::string::npos) << sent;
    EXPECT_LT(contentType, authorization);
    EXPECT_LT(authorization, one);
    EXPECT_LT(one, two);
    EXPECT_NE(headerLine(sent, "Content-Length", std::to_string(body.size())), std::string::npos);
    EXPECT_THAT(sent, Not(HasSubstr("Expect:")));
    EXPECT_EQ(sent.substr(sent.size() - body.size()), body);
    EXPECT_EQ(sent.find("\r\n\r\n") + 4 + body.size(), sent.size());
}

TEST(RestlinkWire, EmptyTokenAndEmptyValueAreStillSent) {
    HttpRequest* request = client()->createRequest("GET", "/orvex/v1/screen/list-detail");
    request->setHead("Authorization", "");
    request->addUrlKeyValue("screenId", "");
    request->addUrlKeyValue("screenType", "2");
    ASSERT_NE(client()->sendRequest(request, nullptr), nullptr);

    std::string sent = server->lastRequest();
    EXPECT_THAT(sent, StartsWith("GET /orvex/v1/screen/list-detail?screenId=&screenType=2 "
                                 "HTTP/1.1\r\n"));
    EXPECT_NE(headerLine(sent, "Authorization", ""), std::string::npos) << sent;
}

TEST(RestlinkWire, GetSendsNoBodyAndNoKeysWhenNoneAdded) {
    ASSERT_NE(client()->sendRequest(
                  client()->createRequest("GET", "/orvex/v1/interface/list-detail"), nullptr),
              nullptr);

    std::string sent = server->lastRequest();
    EXPECT_THAT(sent, StartsWith("GET /orvex/v1/interface/list-detail HTTP/1.1\r\n"));
    EXPECT_THAT(sent, Not(HasSubstr("Content-Length")));
    EXPECT_THAT(sent, Not(HasSubstr("Content-Type")));
    EXPECT_EQ(sent.find("\r\n\r\n") + 4, sent.size());
}

}  // namespace
