// The built controller-sim program as scripts use it: the port line, one request, the signals,
// and the exit codes of its errors.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "simtestsupport.h"

extern char** environ;

namespace ControllerSimTest {
namespace {

using ::testing::HasSubstr;

// One run of the program with its stdout and stderr on pipes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        // In a cross build the emulator runs the program; the kernel cannot.
        std::vector<std::string> all;
        std::istringstream emulator(OCSM_TEST_EMULATOR);
        for (std::string word; emulator >> word;)
            all.push_back(word);
        all.push_back(CONTROLLER_SIM_EXE);
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, all[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~SimProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }

    bool spawned() const { return pid_ > 0; }

    // The first stdout line, or what came before the program closed stdout or went quiet for
    // ten seconds.
    std::string readLine() {
        std::string line;
        char c;
        while (waitReadable(out_) && read(out_, &c, 1) == 1) {
            if (c == '\n') break;
            line += c;
        }
        return line;
    }

    void signal(int number) { kill(pid_, number); }

    // The exit status, or -1 when it did not end within ten seconds.
    int waitExit() {
        for (int i = 0; i < 1000; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10 * 1000);
        }
        return -1;
    }

    // Everything left on stdout and stderr; call after waitExit.
    std::string restOfStdout() { return drain(out_); }
    std::string stderrText() { return drain(err_); }

private:
    static bool waitReadable(int fd) {
        pollfd item{fd, POLLIN, 0};
        return poll(&item, 1, 10000) == 1;
    }
    static std::string drain(int fd) {
        std::string text;
        char buffer[4096];
        ssize_t size;
        while (waitReadable(fd) && (size = read(fd, buffer, sizeof(buffer))) > 0) {
            text.append(buffer, size_t(size));
        }
        return text;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool exited_ = false;
};

int portOf(const std::string& line) {
    std::smatch match;
    static const std::regex pattern("controller-sim listening on 127\\.0\\.0\\.1:([0-9]+)");
    return std::regex_match(line, match, pattern) ? std::stoi(match[1]) : 0;
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
