// controller-sim over HTTP, as the plugin's restlink, tvkhost --follow-reports and a field
// engineer's capture talk to it. Its answers are read with a general JSON library, never with the
// plugin's codec.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <nlohmann/json.hpp>

#include "controller/httplibtsan.h"
#include "controllersim.h"
#include "sitecontroller.h"
#include "testsupport.h"

namespace {

using Json = nlohmann::ordered_json;

const char* const kToken = "s3cret-token";
const std::string kScreens = "/orvex/v1/screen/list-detail";
const std::string kInterfaces = "/orvex/v1/interface/list-detail";
const std::string kColorSpace = "/orvex/v1/screen/color-space";
const std::string kReports = "/sim/v1/auto-report";

Json parsed(const std::string& text) {
    const Json value = Json::parse(text, nullptr, false);
    EXPECT_FALSE(value.is_discarded()) << text.substr(0, 300);
    return value;
}

// A file of this test run's own.
std::string tempFile(const std::string& name) {
    return ::testing::TempDir() + name + "-" + std::to_string(getpid()) + ".json";
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
    httplib::Result put(const std::string& body) {
        return client->Put(kColorSpace.c_str(), body, "application/json");
    }
    // Captures the site's controller and serves the capture; what the capture said.
    std::string captureAndReplay(const std::string& name,
                                 const std::vector<ocsm_test::SiteAnswer>& answers) {
        ocsm_test::SiteController site(answers);
        std::string said;
        EXPECT_EQ(ocsm_test::runCapture(site.url(), kToken, tempFile(name), said), 0) << said;
        start({"--fixture", tempFile(name)});
        std::remove(tempFile(name).c_str());  // read once it listens
        return said;
    }
    int64_t presetOf(int32_t screenId) {
        const Json answer = parsed(bodyOf(kScreens + "?screenId=" + std::to_string(screenId)));
        const Json& list = answer["data"]["list"];
        return list.size() == 1 ? list[0]["colorSpace"]["preset"].get<int64_t>() : -100;
    }

    std::unique_ptr<ocsm_test::ControllerSimProcess> sim;
    std::unique_ptr<httplib::Client> client;
};

TEST_F(ControllerSim, ServesEveryMemberOfItsDocumentsInTheirOrderCompactOrPrettyWithCrlf) {
    for (const bool pretty : {false, true}) {
        SCOPED_TRACE(pretty ? "--pretty" : "compact");
        if (pretty) start({"--pretty"});
        for (const auto& [path, file] : {std::pair{kScreens, "screen-list-detail.json"},
                                         {kInterfaces, "interface-list-detail.json"}}) {
            const std::string body = bodyOf(path);
            // ordered_json compares members in order: nothing dropped, added or moved.
            EXPECT_EQ(parsed(body), parsed(ocsm_test::readDataFile(file))) << path;
            const std::string start = pretty ? "{\r\n  \"code\": 0,\r\n  \"message\": \"success\""
                                             : R"({"code":0,"message":"success","data":{")";
            EXPECT_EQ(body.substr(0, start.size()), start);
            for (size_t at = body.find('\n'); at != std::string::npos; at = body.find('\n', at + 1))
                ASSERT_EQ(body[at - 1], '\r') << "a bare line feed at " << at;
        }
        EXPECT_EQ(bodyOf(kScreens).size(), pretty ? 29464u : 11045u);
    }
}

TEST_F(ControllerSim, FiltersPickScreensByTypeAndIdAndInterfacesByIdAndSetTheCounters) {
    // Two regular screens and one of another type, and two interfaces.
    start({"--fixture", std::string(OCSM_TEST_CASES_DIR) + "/controller/fixture.json"});
    for (const auto& c : ocsm_test::readCases("controller/filters.tsv")) {
        const auto answer = get(c.at(0));
        ASSERT_TRUE(answer) << c[0];
        EXPECT_EQ(answer->status, 200) << c[0];
        Json data = parsed(answer->body)["data"];
        const char* key = c[0].rfind(kScreens, 0) == 0 ? "screenId" : "interfaceId";
        std::string ids;
        for (const Json& entry : data["list"])
            ids += (ids.empty() ? "" : " ") + entry[key].dump();
        EXPECT_EQ(ids, c.at(1)) << c[0];
        data.erase("list");
        EXPECT_EQ(data.dump(), c.at(2)) << c[0];
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
        EXPECT_EQ(parsed(answer->body)["code"], std::stoi(c.at(5))) << c[2] << c[3];
    }
    EXPECT_EQ(presetOf(5), 3);
    EXPECT_EQ(bodyOf(kReports + "/seq"), R"({"seq":0})");
}

TEST_F(ControllerSim, SettingPatchesTheDocumentAndMakesAReport) {
    const std::string settings[] = {R"([{"screenId":5,"colorSpace":{"preset":1}}])",
                                    R"([{"screenId":1,"colorSpace":{"preset":0},"note":"x"},)"
                                    R"({"colorSpace":{"preset":4},"screenId":7}])"};
    for (const std::string& body : settings) {
        const auto answer = put(body);
        ASSERT_TRUE(answer && answer->status == 200);
        EXPECT_EQ(answer->body, R"({"code":0,"message":"success","data":{}})");
    }
    for (const auto& [screen, preset] : {std::pair{5, 1}, {1, 0}, {7, 4}, {2, 1 /* untouched */}})
        EXPECT_EQ(presetOf(screen), preset) << screen;
    // The patched screen keeps its members and their order.
    EXPECT_EQ(bodyOf(kScreens).size(), 11045u);
    EXPECT_EQ(bodyOf(kReports + "/seq"), R"({"seq":2})");
    const std::string reports[] = {
        R"({"source":"controller-sim","seq":1,"sn":"ORX-SIM-000001","tl":{"CommandCode":463111,)"
        R"("ErrorCode":0,"UserDataLength":42},"body":"[{\"screenId\":5,\"colorSpace\":)"
        R"({\"preset\":1}}]"})",
        R"({"source":"controller-sim","seq":2,"sn":"ORX-SIM-000001","tl":{"CommandCode":463111,)"
        R"("ErrorCode":0,"UserDataLength":83},"body":"[{\"screenId\":1,\"colorSpace\":)"
        R"({\"preset\":0}},{\"screenId\":7,\"colorSpace\":{\"preset\":4}}]"})"};
    for (int after = 0; after < 2; ++after) {
        const auto answer = get(kReports + "?after=" + std::to_string(after) + "&wait_ms=0");
        ASSERT_TRUE(answer && answer->status == 200);
        EXPECT_EQ(answer->get_header_value("X-Sim-Seq"), std::to_string(after + 1));
        EXPECT_EQ(answer->body, reports[after]);
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
    ASSERT_TRUE(put(R"([{"screenId":2,"colorSpace":{"preset":3}}])"));
    const auto answer = follower.get();
    ASSERT_TRUE(answer && answer->status == 200);
    EXPECT_EQ(answer->get_header_value("X-Sim-Seq"), "1");
    EXPECT_EQ(parsed(answer->body)["body"], R"([{"screenId":2,"colorSpace":{"preset":3}}])");
}

// The field engineer's round trip against each site of controller/sites.tsv: capture what its
// controller answers, then serve the capture; every answer comes back as the site sent it.
TEST_F(ControllerSim, CaptureKeepsEveryAnswerAsItCameAndTheReplayServesItUnchanged) {
    for (const auto& [name, answers] : ocsm_test::readSites()) {
        SCOPED_TRACE(name);
        std::string said;
        for (const auto& answer : answers)
            for (const std::string& warning : answer.warnings)
                said += "controller-sim: warning: GET " + answer.target + " " + warning + "\n";
        said += "controller-sim: captured " + std::to_string(answers.size()) + " answers (";
        EXPECT_EQ(captureAndReplay(name, answers).substr(0, said.size()), said);
        for (const auto& answer : answers) {
            const auto replayed = get(answer.target);
            ASSERT_TRUE(replayed) << answer.target;
            EXPECT_EQ(replayed->status, answer.status) << answer.target;
            EXPECT_EQ(replayed->get_header_value("Content-Type"), answer.contentType);
            EXPECT_EQ(replayed->has_header("Content-Length"), !answer.chunked) << answer.target;
            EXPECT_EQ(replayed->body, answer.body) << answer.target;
        }
    }
}

TEST_F(ControllerSim, ReplayRendersWhatWasNotCapturedAndTheScreensASettingChanged) {
    const auto sites = ocsm_test::readSites();
    std::string site;
    for (const auto& c : ocsm_test::readCases("controller/replay.tsv")) {
        SCOPED_TRACE(c.at(1) + " " + c.at(2));
        if (c.at(0) != site) captureAndReplay(site = c[0], sites.at(c[0]));
        const auto answer = c[1] == "PUT" ? put(c.at(3)) : get(c[2]);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, std::stoi(c.at(4)));
        std::string expected = c.at(5);
        for (const auto& own : sites.at(site))
            if (expected == "=" && own.target == c[2]) expected = own.body;
        EXPECT_EQ(answer->body, expected);
    }
}

TEST(ControllerSimFixture, ACaptureFileThatCannotBeServedAsItIsIsRefusedWithWhatIsWrong) {
    const std::string file = tempFile("bad-capture");
    for (const auto& c : ocsm_test::readCases("controller/bad-captures.tsv")) {
        std::ofstream(file, std::ios::binary) << c.at(0);
        ocsm_test::ChildProcess sim(ocsm_test::controllerSimProgram(),
                                    {"--fixture", file, "--port", "0"});
        EXPECT_EQ(sim.wait(), 1) << c[0];
        EXPECT_EQ(sim.errors(), "controller-sim: " + file + ": " + c.at(1) + "\n");
    }
    std::remove(file.c_str());
}

// Every fault on a line of its own, two blanks before its text, as help2man needs to make each
// an item of the manual page.
TEST(ControllerSimHelp, ListsEveryFaultOnALineOfItsOwn) {
    ocsm_test::ChildProcess help(ocsm_test::controllerSimProgram(), {"--help"});
    ASSERT_EQ(help.wait(), 0);
    const std::string& text = help.output();
    for (const auto& c : ocsm_test::readCases("e2e/faults.tsv")) {
        // (std::regex is avoided: GCC 12 warns inside it under the sanitizers' -O1.)
        const size_t at = text.find("\n  " + c.at(0) + "  ");
        const size_t words =
            at == std::string::npos ? at : text.find_first_not_of(' ', at + 3 + c[0].size());
        EXPECT_TRUE(words != std::string::npos && text[words] != '\n') << c[0];
    }
}

TEST_F(ControllerSim, CaptureFailsWithAClearErrorAndWritesNoFile) {
    const std::string out = tempFile("refused");
    for (const auto& c : ocsm_test::readCases("controller/capture-failures.tsv")) {
        SCOPED_TRACE(c.at(0) + " " + c.at(1));
        start({"--fault", c[0]});
        const std::string url = c[1] == "closed"   ? "http://127.0.0.1:1"
                                : c[1] == "no-url" ? "ftp://" + sim->url().substr(7)
                                                   : sim->url();
        std::string errors;
        EXPECT_EQ(ocsm_test::runCapture(url, c[1] == "wrong" ? "x" : kToken, out, errors,
                                        {"--timeout-ms", "500"}),
                  1);
        EXPECT_NE(errors.find(c.at(2)), std::string::npos) << errors;
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "a file was written";
        EXPECT_NE(access((out + ".partial").c_str(), F_OK), 0) << "a partial file was left";
    }
}

}  // namespace
