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

using ::testing::HasSubstr;

// One run of the program, with the emulator of the cross build in front.
class SimProcess : public ocsm_test::ChildProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args)
        : ChildProcess(CONTROLLER_SIM_EXE, args) {}

    bool spawned() const { return started(); }

    // The first stdout line, or what came before the program closed stdout or went quiet
    // for a minute (an emulated start is slow).
    std::string readLine() {
        std::string line;
        ChildProcess::readLine(line, std::chrono::minutes(1));
        return line;
    }

    void signal(int number) { signalled_ = number; }

    // The exit status: after the signal given, or the program's own end.
    int waitExit() { return signalled_ ? stop(signalled_) : wait(); }

    // Stdout after the lines read, and all of stderr; call after waitExit.
    std::string restOfStdout() { return unread(); }
    std::string stderrText() { return errors(); }

private:
    int signalled_ = 0;
};

int portOf(const std::string& line) {
    const std::string prefix = "controller-sim listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) return 0;
    const std::string digits = line.substr(prefix.size());
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(digits);
}

TEST(ExecutableTest, PrintsItsPortServesAndStopsOnSigterm) {
    SimProcess sim({"--port", "0", "--token", "tok-123"});
    ASSERT_TRUE(sim.spawned());
    const int port = portOf(sim.readLine());
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

    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_EQ(sim.restOfStdout(), "");  // the port line is the only stdout line
    const std::string log = sim.stderrText();
    EXPECT_THAT(log, HasSubstr("GET /orvex/v1/screen/list-detail?screenType=2 -> 200 code 0 ("));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("tok-123")));
}

TEST(ExecutableTest, QuietRunStopsOnSigintWithoutLogging) {
    SimProcess sim({"--port=0", "--quiet"});
    ASSERT_TRUE(sim.spawned());
    const int port = portOf(sim.readLine());
    ASSERT_GT(port, 0);
    auto result = httplib::Client("127.0.0.1", port).Get("/sim/v1/auto-report/seq");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, R"({"seq":0})");
    sim.signal(SIGINT);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_EQ(sim.stderrText(), "");
}

TEST(ExecutableTest, UsageErrorsAndHelp) {
    SimProcess bad({"--port", "http"});
    ASSERT_TRUE(bad.spawned());
    EXPECT_EQ(bad.waitExit(), 2);
    EXPECT_THAT(bad.stderrText(), HasSubstr("controller-sim: --port must be a number"));
    EXPECT_EQ(bad.restOfStdout(), "");

    SimProcess help({"--help"});
    ASSERT_TRUE(help.spawned());
    EXPECT_EQ(help.waitExit(), 0);
    EXPECT_THAT(help.restOfStdout(), HasSubstr("Usage: controller-sim"));
}

TEST(ExecutableTest, UndecodableFixtureExitsWithTheFileAndCodecError) {
    TempDir dir;
    const std::string fixture = dir.write("fixture.json", R"({"screens": [1, 2]})");
    SimProcess sim({"--port", "0", "--fixture", fixture});
    ASSERT_TRUE(sim.spawned());
    EXPECT_EQ(sim.waitExit(), 1);
    const std::string error = sim.stderrText();
    EXPECT_THAT(error, HasSubstr(fixture));
    EXPECT_THAT(error, HasSubstr("read object must start with {!"));
    EXPECT_EQ(sim.restOfStdout(), "");
}

TEST(ExecutableTest, APortInUseExitsWithAnError) {
    RunningService taken(sharedData());
    SimProcess sim({"--port", std::to_string(taken.service->port())});
    ASSERT_TRUE(sim.spawned());
    EXPECT_EQ(sim.waitExit(), 1);
    EXPECT_THAT(sim.stderrText(), HasSubstr("Address already in use"));
    EXPECT_EQ(sim.restOfStdout(), "");
}

}  // namespace
}  // namespace ControllerSimTest
