// controller-sim over HTTP, as the plugin's restlink and tvkhost --follow-reports talk to it.
#include <gtest/gtest.h>
#include <httplib.h>

#include <future>

#include "controllersim.h"
#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

using LCD::ProtoModel::encode;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using ocsm_test::decodeOrFail;
using Screens = LCD::ProtoModel::s_response<LCD::ProtoModel::Screen::s_ScreenDetail>;
using Interfaces = LCD::ProtoModel::s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo>;
using Report = LCD::AutoReport::LCDAutoReportData;

const char* const kToken = "s3cret-token";
const std::string kScreens = "/orvex/v1/screen/list-detail";
const std::string kInterfaces = "/orvex/v1/interface/list-detail";
const std::string kColorSpace = "/orvex/v1/screen/color-space";
const std::string kReports = "/sim/v1/auto-report";

// A PUT body, as the plugin writes it.
std::string setting(const std::vector<s_ScreenColorSpace>& changes) {
    std::string text;
    encode(text, changes);
    return text;
}

// The list of an answer or a document, re-encoded.
template <class Answer>
std::string listIn(const std::string& text) {
    std::string list;
    encode(list, decodeOrFail<Answer>(text).data.list);
    return list;
}

// A controller-sim of its own for each test, and a client that sends the token (or, with a null
// token, no Authorization at all). The client gives up after 10 s, so no wait outlasts it.
class ControllerSim : public ::testing::Test {
protected:
    void SetUp() override { start({}); }
    void start(const std::vector<std::string>& arguments) {
        sim = std::make_unique<ocsm_test::ControllerSimProcess>(kToken, arguments);
        ASSERT_FALSE(sim->url().empty()) << "controller-sim did not start: " << sim->log();
        client = connect(kToken);
    }
    std::unique_ptr<httplib::Client> connect(const char* token) const {
        auto made = std::make_unique<httplib::Client>(sim->url());
        made->set_read_timeout(10, 0);
        if (token) made->set_default_headers({{"Authorization", token}});
        return made;
    }
    httplib::Result get(const std::string& path) { return client->Get(path.c_str()); }
    std::string bodyOf(const std::string& path) {
        const auto answer = get(path);
        return answer ? answer->body : "<no answer>";
    }
    // The numbers of the screens or interfaces answered, in order.
    std::vector<int32_t> idsAt(const std::string& path) {
        std::vector<int32_t> ids;
        const std::string body = bodyOf(path);
        if (path.rfind(kScreens, 0) == 0) {
            for (const auto& screen : decodeOrFail<Screens>(body).data.list)
                ids.push_back(screen.screenId);
        } else {
            for (const auto& item : decodeOrFail<Interfaces>(body).data.list)
                ids.push_back(item.interfaceId);
        }
        return ids;
    }
    int32_t presetOf(int32_t screenId) {
        const Screens screens =
            decodeOrFail<Screens>(bodyOf(kScreens + "?screenId=" + std::to_string(screenId)));
        return screens.data.list.size() == 1 ? screens.data.list[0].colorSpace.preset : -100;
    }

    std::unique_ptr<ocsm_test::ControllerSimProcess> sim;
    std::unique_ptr<httplib::Client> client;
};

TEST_F(ControllerSim, ServesTheDocumentsOfTheDataFolderWhole) {
    EXPECT_EQ(listIn<Screens>(bodyOf(kScreens)),
              listIn<Screens>(ocsm_test::readDataFile("screen-list-detail.json")));
    EXPECT_EQ(listIn<Interfaces>(bodyOf(kInterfaces)),
              listIn<Interfaces>(ocsm_test::readDataFile("interface-list-detail.json")));
}

TEST_F(ControllerSim, FiltersPickScreensByTypeAndIdAndInterfacesById) {
    // Two regular screens and one of another type, and two interfaces.
    start({"--fixture", std::string(OCSM_TEST_CASES_DIR) + "/controller/fixture.json"});
    for (const auto& c : ocsm_test::readCases("controller/filters.tsv")) {
        std::string ids;
        for (const int32_t id : idsAt(c.at(0)))
            ids += (ids.empty() ? "" : " ") + std::to_string(id);
        EXPECT_EQ(ids, c.size() > 1 ? c[1] : "") << c[0];
    }
}

TEST_F(ControllerSim, RefusalsChangeNothingAndMakeNoReport) {
    for (const auto& c : ocsm_test::readCases("controller/refusals.tsv")) {
        auto other = connect(c.at(0) == "-" ? nullptr : c[0].c_str());
        const auto answer = c.at(1) == "PUT"
                                ? other->Put(c.at(2).c_str(), c.at(3), "application/json")
                                : other->Get(c.at(2).c_str());
        ASSERT_TRUE(answer) << c[2];
        EXPECT_EQ(answer->status, std::stoi(c.at(4))) << c[1] << " " << c[2] << " " << c[3];
        EXPECT_EQ(decodeOrFail<Screens>(answer->body).code, std::stoi(c.at(5))) << c[2] << c[3];
    }
    EXPECT_EQ(presetOf(5), 3);
    EXPECT_EQ(bodyOf(kReports + "/seq"), R"({"seq":0})");
}

TEST_F(ControllerSim, SettingChangesTheNextAnswerAndMakesAReportThePluginDecodes) {
    const std::string settings[] = {setting({{5, {1}}}), setting({{1, {0}}, {7, {4}}})};
    for (const std::string& body : settings) {
        const auto answer = client->Put(kColorSpace.c_str(), body, "application/json");
        ASSERT_TRUE(answer && answer->status == 200);
        EXPECT_EQ(decodeOrFail<Screens>(answer->body).code, 0) << answer->body;
    }
    for (const auto& [screen, preset] : {std::pair{5, 1}, {1, 0}, {7, 4}, {2, 1 /* untouched */}})
        EXPECT_EQ(presetOf(screen), preset) << screen;
    EXPECT_EQ(bodyOf(kReports + "/seq"), R"({"seq":2})");
    for (int after = 0; after < 2; ++after) {
        const auto answer = get(kReports + "?after=" + std::to_string(after) + "&wait_ms=0");
        ASSERT_TRUE(answer && answer->status == 200);
        EXPECT_EQ(answer->get_header_value("X-Sim-Seq"), std::to_string(after + 1));
        const auto report = decodeOrFail<Report>(answer->body);
        EXPECT_EQ(report.seq, uint32_t(after + 1));
        EXPECT_EQ(report.tl.ErrorCode, 0u);
        EXPECT_EQ(report.tl.UserDataLength, report.body.size());
        EXPECT_EQ(setting(decodeOrFail<std::vector<s_ScreenColorSpace>>(report.body)),
                  settings[after]);
    }
}

TEST_F(ControllerSim, LongPollAnswersWhenAReportArrivesAnd204WhenNone) {
    const auto none = get(kReports + "?after=0&wait_ms=100");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 204);
    EXPECT_EQ(none->body, "");

    auto follower = std::async(std::launch::async, [this] {
        return connect(kToken)->Get((kReports + "?after=0&wait_ms=20000").c_str());
    });
    EXPECT_EQ(follower.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    ASSERT_TRUE(client->Put(kColorSpace.c_str(), setting({{2, {3}}}), "application/json"));
    const auto answer = follower.get();
    ASSERT_TRUE(answer && answer->status == 200);
    EXPECT_EQ(answer->get_header_value("X-Sim-Seq"), "1");
    EXPECT_EQ(decodeOrFail<Report>(answer->body).body, setting({{2, {3}}}));
}

}  // namespace
