// The tvkhost program with the plugin against controller-sim: the session the
// demo runs, a wrong token and a controller that is not there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "expected.h"
#include "simulator.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kToken[] = "cli-token";

struct Outcome {
    int status;
    std::vector<std::string> lines;  // standard output
    std::string errors;
};

Outcome tvkhost(const std::vector<std::string>& arguments) {
    ocsm_test::ChildProcess process(OCSM_TVKHOST, arguments);
    EXPECT_TRUE(process.started());
    Outcome run{process.wait(std::chrono::seconds(120)), {}, ""};
    std::istringstream out(process.output());
    for (std::string line; std::getline(out, line);)
        run.lines.push_back(line);
    run.errors = process.errors();
    return run;
}

// The lines of one kind and identifier, as tvkhost --json prints them.
std::vector<std::string> select(const Outcome& run, const std::string& kind,
                                const std::string& id) {
    std::vector<std::string> out;
    const std::string head = "{\"kind\":\"" + kind + "\",\"id\":\"" + id + "\"";
    for (const std::string& line : run.lines)
        if (line.rfind(head, 0) == 0) out.push_back(line);
    return out;
}

std::string fields(int screen, int preset) {
    return "{\"screenId\":" + std::to_string(screen) + ",\"preset\":" + std::to_string(preset) +
           "}";
}

TEST(TvkhostE2E, SessionGetSetGetRelayAndInterfaceInfo) {
    ocsm_test::Simulator simulator(kToken);
    ASSERT_FALSE(simulator.url().empty());
    const auto expected = ocsm_test::firstRegularScreen();
    const int changed = expected.preset + 2;

    const Outcome run =
        tvkhost({"--json", "--controller", simulator.url(), "--token", kToken, "--follow-reports",
                 "get-colorspace", "set-colorspace", std::to_string(expected.screenId),
                 std::to_string(changed), "get-colorspace", "interface-info"});
    ASSERT_EQ(run.status, 0) << run.errors;

    const auto colorSpaces = select(run, "event", "0xFC070204");
    ASSERT_EQ(colorSpaces.size(), 2u);
    EXPECT_THAT(colorSpaces[0],
                HasSubstr("\"data\":" + fields(expected.screenId, expected.preset)));
    EXPECT_THAT(colorSpaces[1], HasSubstr("\"data\":" + fields(expected.screenId, changed)));

    const auto flags = select(run, "event", "0xFC070203");
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_THAT(flags[0], HasSubstr("\"posted\":true"));
    EXPECT_THAT(flags[0], HasSubstr("\"data\":{\"ok\":1}"));

    const auto relayed = select(run, "event", "0xFC080204");
    ASSERT_EQ(relayed.size(), 1u);
    EXPECT_THAT(relayed[0], HasSubstr("\"data\":[" + fields(expected.screenId, changed) + "]"));

    const auto replies = select(run, "reply", "0xFC050201");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_THAT(replies[0], HasSubstr("\"size\":108"));
    EXPECT_THAT(replies[0],
                HasSubstr("\"interfaceId\":" + std::to_string(expected.firstOutput.interfaceId)));
    EXPECT_THAT(replies[0], HasSubstr("\"name\":\"" + expected.firstOutput.general.name + "\""));

    // The plugin warned about nothing, and the token went into no line.
    EXPECT_EQ(run.errors, "");
    EXPECT_THAT(simulator.log(), Not(HasSubstr(kToken)));
    EXPECT_EQ(simulator.stop(), 0);
}

TEST(TvkhostE2E, AWrongTokenGivesWarningsAndNoEvent) {
    ocsm_test::Simulator simulator(kToken);
    ASSERT_FALSE(simulator.url().empty());
    const Outcome run =
        tvkhost({"--json", "--controller", simulator.url(), "--token", "not-the-token",
                 "get-colorspace", "interface-info", "set-colorspace", "1", "1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(select(run, "event", "0xFC070204"), ::testing::IsEmpty());
    EXPECT_THAT(select(run, "event", "0xFC070203"), ::testing::IsEmpty());
    EXPECT_THAT(select(run, "reply", "0xFC050201"), ::testing::IsEmpty());
    EXPECT_THAT(run.errors, HasSubstr("HTTP status 401"));
    EXPECT_THAT(run.errors, HasSubstr("on get screen list-detail send request failed. url :  "
                                      "/orvex/v1/screen/list-detail\nscreen list is empty.\n"));
    EXPECT_THAT(run.errors, HasSubstr("on put color space send request failed. url :  "
                                      "/orvex/v1/screen/color-space\n"));
    EXPECT_THAT(run.errors, Not(HasSubstr("not-the-token")));
    EXPECT_EQ(simulator.stop(), 0);
}

TEST(TvkhostE2E, AControllerThatIsNotRunningGivesWarningsAndNoEvent) {
    std::string url;
    {
        ocsm_test::Simulator simulator(kToken);
        url = simulator.url();
        ASSERT_FALSE(url.empty());
        EXPECT_EQ(simulator.stop(), 0);
    }
    // Nobody listens on that port any more.
    const Outcome run = tvkhost(
        {"--json", "--controller", url, "--token", kToken, "get-colorspace", "interface-info"});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(select(run, "event", "0xFC070204"), ::testing::IsEmpty());
    EXPECT_THAT(select(run, "reply", "0xFC050201"), ::testing::IsEmpty());
    EXPECT_THAT(run.errors, HasSubstr("no connection"));
    EXPECT_THAT(run.errors, HasSubstr("on get screen list-detail send request failed. url :  "
                                      "/orvex/v1/screen/list-detail\nscreen list is empty.\n"));
}

}  // namespace
