// The REST service over loopback, driven with an HTTP client as the plugin's library would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "controller/simrecords.h"
#include "simtestsupport.h"

namespace ControllerSimTest {
namespace {

using LCD::ProtoModel::s_response;
using LCD::ProtoModel::Interface::s_InterfaceDetailInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetail;
using ::testing::HasSubstr;

const char* const kToken = "s3cret-token";
const char* const kScreens = "/orvex/v1/screen/list-detail";
const char* const kInterfaces = "/orvex/v1/interface/list-detail";
const char* const kColorSpace = "/orvex/v1/screen/color-space";

// A regular screen, a screen of another type, and a second regular screen.
const char* const kFixture = R"({
  "screens": {"code": 0, "message": "success", "data": {"list": [
    {"screenId": 1, "screenIdObj": {"id": 1, "type": 2}, "colorSpace": {"preset": 2}},
    {"screenId": 3, "screenIdObj": {"id": 3, "type": 1}, "colorSpace": {"preset": 0}},
    {"screenId": 4, "screenIdObj": {"id": 4, "type": 2}, "colorSpace": {"preset": 1}}]}},
  "interfaces": {"data": {"list": [{"interfaceId": 7}, {"interfaceId": 8}]}}
})";

template <class T>
T decodeOrFail(const std::string& text) {
    T value;
    std::string error;
    EXPECT_TRUE(LCD::ProtoModel::decode(text, value, error)) << error << " in " << text;
    return value;
}

std::vector<int32_t> screenIds(const s_response<s_ScreenDetail>& answer) {
    std::vector<int32_t> ids;
    for (const auto& screen : answer.data.list)
        ids.push_back(screen.screenId);
    return ids;
}

class ServiceTest : public ::testing::Test {
protected:
    s_response<s_ScreenDetail> getScreens(const std::string& query = "") {
        auto result = client->Get(kScreens + query);
        EXPECT_TRUE(result);
        if (!result) return {};
        EXPECT_EQ(result->status, 200) << result->body;
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
        return decodeOrFail<s_response<s_ScreenDetail>>(result->body);
    }
    int32_t presetOf(int32_t screenId) {
        const auto answer = getScreens("?screenId=" + std::to_string(screenId));
        return answer.data.list.size() == 1 ? answer.data.list[0].colorSpace.preset : -100;
    }
    s_Status put(const std::string& body) {
        auto result = client->Put(kColorSpace, body, "application/json");
        EXPECT_TRUE(result);
        if (!result) return {};
        EXPECT_EQ(result->status, 200) << result->body;
        return decodeOrFail<s_Status>(result->body);
    }

    RunningService sim{sharedData(), kToken};
    std::unique_ptr<httplib::Client> client = sim.client(kToken);
};

TEST_F(ServiceTest, ScreenQueryFiltersByTypeAndIdentifierInOneWholePage) {
    const auto all = getScreens();
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.message, "success");
    EXPECT_EQ(screenIds(all), (std::vector<int32_t>{1, 2, 5, 7}));
    EXPECT_EQ(all.data.count, 4);
    EXPECT_EQ(all.data.totalCount, 4);
    EXPECT_EQ(all.data.page, 1);
    EXPECT_EQ(all.data.totalPage, 1);
    // The whole record goes out, not just the fields the plugin reads.
    ASSERT_FALSE(all.data.list[0].mosaic.outputs.empty());
    EXPECT_EQ(all.data.list[0].mosaic.outputs[0].interfaceId, 769);

    EXPECT_EQ(screenIds(getScreens("?screenType=2")), (std::vector<int32_t>{1, 2, 5, 7}));
    const auto one = getScreens("?screenType=2&screenId=5");
    EXPECT_EQ(screenIds(one), std::vector<int32_t>{5});
    EXPECT_EQ(one.data.count, 1);
    const auto none = getScreens("?screenId=-1");
    EXPECT_TRUE(none.data.list.empty());
    EXPECT_EQ(none.data.count, 0);
    EXPECT_EQ(none.data.totalPage, 1);
}

TEST_F(ServiceTest, ScreenTypeLeavesOutScreensOfAnotherType) {
    TempDir dir;
    ControllerData data;
    std::string error;
    ASSERT_TRUE(loadFixture(dir.write("fixture.json", kFixture), data, error)) << error;
    RunningService fixtureSim(data, kToken);
    client = fixtureSim.client(kToken);
    EXPECT_EQ(screenIds(getScreens()), (std::vector<int32_t>{1, 3, 4}));
    EXPECT_EQ(screenIds(getScreens("?screenType=2")), (std::vector<int32_t>{1, 4}));
    EXPECT_EQ(screenIds(getScreens("?screenType=1")), std::vector<int32_t>{3});
    EXPECT_TRUE(getScreens("?screenType=2&screenId=3").data.list.empty());
}

TEST_F(ServiceTest, InterfaceQueryFiltersByIdentifier) {
    auto result = client->Get(std::string(kInterfaces) + "?interfaceId=1025");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200);
    const auto one = decodeOrFail<s_response<s_InterfaceDetailInfo>>(result->body);
    ASSERT_EQ(one.data.list.size(), 1u);
    EXPECT_EQ(one.data.list[0].interfaceId, 1025);
    EXPECT_EQ(one.data.list[0].interfaceIdObj.slotId, 4);
    EXPECT_EQ(one.data.count, 1);
    EXPECT_EQ(one.data.totalPage, 1);

    for (const auto& [query, count] :
         {std::pair<std::string, int>{"", 11}, {"?interfaceId=4", 0}}) {
        result = client->Get(kInterfaces + query);
        ASSERT_TRUE(result);
        EXPECT_EQ(decodeOrFail<s_response<s_InterfaceDetailInfo>>(result->body).data.count, count);
    }
}

TEST_F(ServiceTest, KeysThatAreNotDecimalIntegersAreRefusedWith400) {
    const std::vector<std::string> queries = {std::string(kScreens) + "?screenType=abc",
                                              std::string(kScreens) + "?screenId=1.5",
                                              std::string(kScreens) + "?screenId=",
                                              std::string(kScreens) + "?screenId=2147483648",
                                              std::string(kScreens) + "?screenId=1&screenId=2",
                                              std::string(kInterfaces) + "?interfaceId=0x10",
                                              "/sim/v1/auto-report?after=-1",
                                              "/sim/v1/auto-report?wait_ms=soon"};
    for (const std::string& query : queries) {
        auto result = client->Get(query);
        ASSERT_TRUE(result) << query;
        EXPECT_EQ(result->status, 400) << query;
        const auto answer = decodeOrFail<s_Status>(result->body);
        EXPECT_NE(answer.code, 0) << query;
        const std::string key =
            query.substr(query.find('?') + 1, query.find('=') - query.find('?') - 1);
        EXPECT_THAT(answer.message, HasSubstr(key)) << query;
    }
    // The smallest identifier is still a valid one.
    EXPECT_TRUE(getScreens("?screenId=-2147483648").data.list.empty());
}

TEST_F(ServiceTest, ColorSpaceSettingIsVisibleInTheNextQuery) {
    EXPECT_EQ(presetOf(5), 3);
    const auto answer = put(R"([{"screenId":5,"colorSpace":{"preset":1}}])");
    EXPECT_EQ(answer.code, 0);
    EXPECT_EQ(answer.message, "success");
    EXPECT_EQ(presetOf(5), 1);
    EXPECT_EQ(presetOf(1), 2);  // others untouched

    EXPECT_EQ(
        put(R"([{"screenId":1,"colorSpace":{"preset":0}},{"screenId":7,"colorSpace":{"preset":4}}])")
            .code,
        0);
    EXPECT_EQ(presetOf(1), 0);
    EXPECT_EQ(presetOf(7), 4);
}

TEST_F(ServiceTest, RefusedSettingsChangeNothingAndEmitNoReport) {
    struct Case {
        const char* body;
        int32_t code;
        const char* said;
    };
    const Case cases[] = {
        {"", 1001, "malformed body"},
        {"nonsense", 1001, "malformed body"},
        {R"({"screenId":5,"colorSpace":{"preset":1}})", 1001, "array must start with ["},
        {"[]", 1001, "empty"},
        {R"([{"screenId":5}])", 1001, "no colorSpace.preset"},
        {R"([{"screenId":5,"colorSpace":{"preset":-3}}])", 1001, "-3"},
        {R"([{"screenId":5,"colorSpace":{"preset":1}},{"screenId":9,"colorSpace":{"preset":1}}])",
         1002, "unknown screen 9"},
    };
    for (const Case& c : cases) {
        const auto answer = put(c.body);
        EXPECT_EQ(answer.code, c.code) << c.body;
        EXPECT_THAT(answer.message, HasSubstr(c.said)) << c.body;
    }
    EXPECT_EQ(presetOf(5), 3);
    EXPECT_EQ(sim.state.latestSeq(), 0u);
}

TEST_F(ServiceTest, EveryRouteNeedsTheExactToken) {
    const std::vector<std::string> paths = {kScreens, kInterfaces, "/sim/v1/auto-report/seq",
                                            "/sim/v1/auto-report?wait_ms=0", "/no/such/path"};
    const char* const tokens[] = {"wrong", "S3CRET-TOKEN", "s3cret-token2", "Bearer s3cret-token",
                                  "",      nullptr};
    for (const char* token : tokens) {
        auto other = sim.client(token);
        for (const std::string& path : paths) {
            auto result = other->Get(path);
            ASSERT_TRUE(result) << path;
            EXPECT_EQ(result->status, 401) << path << " with " << (token ? token : "no header");
            const auto answer = decodeOrFail<s_Status>(result->body);
            EXPECT_EQ(answer.code, 401);
            EXPECT_EQ(answer.message, "unauthorized");
        }
        auto put = other->Put(kColorSpace, R"([{"screenId":5,"colorSpace":{"preset":1}}])",
                              "application/json");
        auto post = other->Post("/sim/v1/auto-report", "{}", "application/json");
        ASSERT_TRUE(put && post);
        EXPECT_EQ(put->status, 401);
        EXPECT_EQ(post->status, 401);
    }
    EXPECT_EQ(presetOf(5), 3);
    EXPECT_EQ(sim.state.latestSeq(), 0u);
}

TEST(ServiceTokenTest, AnEmptyTokenAcceptsAMissingHeaderButNoOtherValue) {
    RunningService open(sharedData(), "");
    for (const auto& [token, status] :
         {std::pair<const char*, int>{nullptr, 200}, {"", 200}, {"anything", 401}}) {
        auto result = open.client(token)->Get(kScreens);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, status) << (token ? token : "no header");
    }
}

TEST_F(ServiceTest, UnknownPathsGetA404Envelope) {
    auto result = client->Get("/orvex/v1/screen/list");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 404);
    const auto answer = decodeOrFail<s_Status>(result->body);
    EXPECT_EQ(answer.code, 404);
    EXPECT_THAT(answer.message, HasSubstr("/orvex/v1/screen/list"));
    result = client->Post(kScreens, "", "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 404);
}

TEST_F(ServiceTest, EachSettingEmitsOneReportThePluginCanDecode) {
    const std::vector<std::string> bodies = {
        R"([{"screenId":5,"colorSpace":{"preset":1}}])",
        R"([{"screenId":1,"colorSpace":{"preset":0}},{"screenId":2,"colorSpace":{"preset":4}}])"};
    for (const std::string& body : bodies)
        ASSERT_EQ(put(body).code, 0);

    auto result = client->Get("/sim/v1/auto-report/seq");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, R"({"seq":2})");

    for (uint32_t after = 0; after < 2; ++after) {
        result = client->Get("/sim/v1/auto-report?after=" + std::to_string(after) + "&wait_ms=0");
        ASSERT_TRUE(result);
        ASSERT_EQ(result->status, 200);
        EXPECT_EQ(result->get_header_value("X-Sim-Seq"), std::to_string(after + 1));
        const auto report = decodeOrFail<LCD::AutoReport::LCDAutoReportData>(result->body);
        EXPECT_EQ(report.source, "controller-sim");
        EXPECT_EQ(report.seq, after + 1);
        EXPECT_FALSE(report.sn.empty());
        EXPECT_EQ(report.tl.CommandCode, 463111u);
        EXPECT_EQ(report.tl.ErrorCode, 0u);
        EXPECT_EQ(report.tl.UserDataLength, report.body.size());
        // The body is the changed list exactly as the plugin's own writer would put it.
        EXPECT_EQ(report.body, bodies[after]);
        const auto changed = decodeOrFail<std::vector<s_ScreenColorSpace>>(report.body);
        ASSERT_FALSE(changed.empty());
        EXPECT_EQ(changed[0].screenId, after == 0 ? 5 : 1);
    }
    result = client->Get("/sim/v1/auto-report?after=2&wait_ms=0");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 204);
    EXPECT_TRUE(result->body.empty());
}

TEST_F(ServiceTest, QueuedReportTextIsStoredVerbatimUnderTheNextSeq) {
    const std::string error = R"({"source":"device","seq":77,"tl":{"ErrorCode":5},"body":""})";
    auto result = client->Post("/sim/v1/auto-report", error, "application/json");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200);
    EXPECT_EQ(result->body, R"({"code":0,"message":"success","data":{"seq":1}})");
    ASSERT_EQ(put(R"([{"screenId":5,"colorSpace":{"preset":1}}])").code, 0);

    result = client->Get("/sim/v1/auto-report?after=0&wait_ms=0");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, error);
    EXPECT_EQ(result->get_header_value("X-Sim-Seq"), "1");
    result = client->Get("/sim/v1/auto-report?after=1&wait_ms=0");
    ASSERT_TRUE(result);
    EXPECT_EQ(decodeOrFail<LCD::AutoReport::LCDAutoReportData>(result->body).seq, 2u);

    result = client->Post("/sim/v1/auto-report", "", "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 400);
    EXPECT_EQ(sim.state.latestSeq(), 2u);
}

// The client's read time-out (10 s) is far below the follow's 30 s: a follow that waited when it
// should not have fails as a client error instead of passing late.
TEST_F(ServiceTest, FollowAnswersAtOnceWhenAReportIsKept) {
    ASSERT_EQ(put(R"([{"screenId":5,"colorSpace":{"preset":1}}])").code, 0);
    auto result = client->Get("/sim/v1/auto-report?after=0&wait_ms=30000");
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 200);
    // Without `after` the oldest kept report comes back.
    result = client->Get("/sim/v1/auto-report?wait_ms=30000");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->get_header_value("X-Sim-Seq"), "1");
    // Nothing newer: a short wait ends with 204 and leaves no follower behind.
    result = client->Get("/sim/v1/auto-report?after=1&wait_ms=50");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 204);
    EXPECT_EQ(sim.service->waitingFollowers(), 0u);
}

TEST_F(ServiceTest, FollowWaitsForAReportEmittedMeanwhile) {
    auto follower = std::async(std::launch::async, [this] {
        return sim.client(kToken)->Get("/sim/v1/auto-report?after=0&wait_ms=30000");
    });
    ASSERT_TRUE(sim.waitForFollowers(1));
    // Other requests are served while the follower waits.
    EXPECT_EQ(presetOf(5), 3);
    ASSERT_EQ(put(R"([{"screenId":5,"colorSpace":{"preset":0}}])").code, 0);
    auto result = follower.get();
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 200);
    const auto report = decodeOrFail<LCD::AutoReport::LCDAutoReportData>(result->body);
    EXPECT_EQ(report.seq, 1u);
    EXPECT_EQ(report.body, R"([{"screenId":5,"colorSpace":{"preset":0}}])");
}

TEST_F(ServiceTest, StoppingEndsAWaitingFollow) {
    auto follower = std::async(std::launch::async, [this] {
        return sim.client(kToken)->Get("/sim/v1/auto-report?after=0&wait_ms=30000");
    });
    ASSERT_TRUE(sim.waitForFollowers(1));
    sim.service->stop();
    EXPECT_FALSE(sim.service->running());
    auto result = follower.get();
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, 503);
    EXPECT_EQ(decodeOrFail<s_Status>(result->body).message, "shutting down");
}

TEST(ServiceFollowerLimitTest, FollowersBeyondTheLimitAreTurnedAway) {
    RunningService sim(sharedData(), kToken, 1);
    auto follower = std::async(std::launch::async, [&sim] {
        return sim.client(kToken)->Get("/sim/v1/auto-report?after=0&wait_ms=30000");
    });
    ASSERT_TRUE(sim.waitForFollowers(1));
    auto result = sim.client(kToken)->Get("/sim/v1/auto-report?after=0&wait_ms=30000");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 503);
    sim.state.queueReport("{}");
    auto first = follower.get();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(first->body, "{}");
}

TEST_F(ServiceTest, LogsOneLinePerRequestWithoutTheToken) {
    // Each line is written once its answer is out, so wait for it before the next request to
    // keep the order fixed.
    put(R"([{"screenId":5,"colorSpace":{"preset":1}}])");
    sim.log(1);
    put("[]");
    sim.log(2);
    client->Get(std::string(kScreens) + "?screenType=2");
    sim.log(3);
    sim.client("wrong")->Get(kInterfaces);
    sim.log(4);
    client->Get("/sim/v1/auto-report?after=1&wait_ms=0");
    const auto lines = sim.log(5);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "PUT /orvex/v1/screen/color-space -> 200 code 0 (40 bytes)");
    EXPECT_THAT(lines[1],
                ::testing::StartsWith("PUT /orvex/v1/screen/color-space -> 200 code 1001 ("));
    EXPECT_THAT(lines[2], ::testing::MatchesRegex(
                              "GET /orvex/v1/screen/list-detail\\?screenType=2 -> 200 code 0 "
                              "\\([0-9]+ bytes\\)"));
    EXPECT_EQ(lines[3], "GET /orvex/v1/interface/list-detail -> 401 code 401 (47 bytes)");
    EXPECT_EQ(lines[4], "GET /sim/v1/auto-report?after=1&wait_ms=0 -> 204 (0 bytes)");
    for (const std::string& line : lines)
        EXPECT_THAT(line, ::testing::Not(HasSubstr(kToken)));
}

TEST(ServiceStartTest, APortInUseIsReportedAndTheServiceCanStopUnstarted) {
    ControllerState firstState(sharedData());
    ControllerService first(firstState, ServiceOptions());
    std::string error;
    ASSERT_TRUE(first.start("127.0.0.1", 0, error)) << error;

    ControllerState secondState(sharedData());
    ControllerService second(secondState, ServiceOptions());
    EXPECT_FALSE(second.start("127.0.0.1", first.port(), error));
    EXPECT_THAT(error, HasSubstr(std::to_string(first.port())));
    EXPECT_THAT(error, HasSubstr("in use"));
    EXPECT_FALSE(second.running());
    second.stop();
    first.stop();
    EXPECT_FALSE(first.running());
    EXPECT_FALSE(first.start("127.0.0.1", 0, error));  // a stopped service stays stopped
}

}  // namespace
}  // namespace ControllerSimTest
