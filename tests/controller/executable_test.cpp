// The built controller-sim program as scripts use it: the port line, one request, the signals,
// and the exit codes of its errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "childprocess.h"
#include "simtestsupport.h"

namespace ControllerSimTest {
namespace {

using ocsm_test::ChildProcess;
using ::testing::HasSubstr;

// The port from the first stdout line, 0 when that is not the port line (an emulated start is
// slow: a minute's wait).
int portLine(ChildProcess& sim) {
    const std::string prefix = "controller-sim listening on 127.0.0.1:";
    std::string line;
    sim.readLine(line, std::chrono::minutes(1));
    const std::string digits = line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : "";
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(digits);
}

TEST(ExecutableTest, PrintsItsPortServesAndStopsOnSigterm) {
    ChildProcess sim(CONTROLLER_SIM_EXE, {"--port", "0", "--token", "tok-123"});
    ASSERT_TRUE(sim.started());
    const int port = portLine(sim);
    ASSERT_GT(port, 0);

    httplib::Client client("127.0.0.1", port);
    client.set_default_headers({{"Authorization", "tok-123"}});
    auto result = client.Get("/orvex/v1/screen/list-detail?screenType=2");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    LCD::ProtoModel::s_response<LCD::ProtoModel::Screen::s_ScreenDetail> answer;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(result->body, answer, error)) << error;
    EXPECT_EQ(answer.data.list.size(), 4u);

    EXPECT_EQ(sim.stop(SIGTERM), 0);
    EXPECT_EQ(sim.unread(), "");  // the port line is the only stdout line
    EXPECT_THAT(sim.errors(),
                HasSubstr("GET /orvex/v1/screen/list-detail?screenType=2 -> 200 code 0 ("));
    EXPECT_THAT(sim.errors(), ::testing::Not(HasSubstr("tok-123")));
}

TEST(ExecutableTest, QuietRunStopsOnSigintWithoutLogging) {
    ChildProcess sim(CONTROLLER_SIM_EXE, {"--port=0", "--quiet"});
    ASSERT_TRUE(sim.started());
    const int port = portLine(sim);
    ASSERT_GT(port, 0);
    auto result = httplib::Client("127.0.0.1", port).Get("/sim/v1/auto-report/seq");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, R"({"seq":0})");
    EXPECT_EQ(sim.stop(SIGINT), 0);
    EXPECT_EQ(sim.errors(), "");
}

TEST(ExecutableTest, HelpAndErrorsEndWithTheirExitCodes) {
    TempDir dir;
    const std::string fixture = dir.write("fixture.json", R"({"screens": [1, 2]})");
    RunningService taken(sharedData());
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // all of stdout when `err` is given, else a part of it
        std::vector<std::string> err;
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, "Usage: controller-sim", {}},
        {{"--port", "http"}, 2, "", {"controller-sim: --port must be a number"}},
        {{"--port", "0", "--fixture", fixture}, 1, "", {fixture, "read object must start with {!"}},
        {{"--port", std::to_string(taken.service->port())}, 1, "", {"Address already in use"}},
    };
    for (const Case& c : cases) {
        ChildProcess sim(CONTROLLER_SIM_EXE, c.args);
        ASSERT_TRUE(sim.started());
        EXPECT_EQ(sim.wait(), c.exitCode) << c.args[0];
        if (c.err.empty())
            EXPECT_THAT(sim.output(), HasSubstr(c.out));
        else
            EXPECT_EQ(sim.output(), c.out) << c.args[0];
        for (const std::string& part : c.err)
            EXPECT_THAT(sim.errors(), HasSubstr(part)) << c.args[0];
    }
}

}  // namespace
}  // namespace ControllerSimTest
