// The demo's session as a person runs it: tvkhost with the built plugin and the real restlink
// against controller-sim, get, set, get, the relayed auto-report and the interface info.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "controllersim.h"
#include "testsupport.h"

namespace {

using ::testing::HasSubstr;

// tvkhost --json prints one object per line; the ones of a kind and identifier.
std::vector<std::string> select(const std::string& output, const std::string& kind,
                                const std::string& id) {
    std::vector<std::string> out;
    std::istringstream lines(output);
    const std::string head = "{\"kind\":\"" + kind + "\",\"id\":\"" + id + "\"";
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(head, 0) == 0) out.push_back(line);
    return out;
}

std::string colorSpace(int screen, int preset) {
    return "{\"screenId\":" + std::to_string(screen) + ",\"preset\":" + std::to_string(preset) +
           "}";
}

TEST(TvkhostSession, GetSetGetRelayedReportAndInterfaceInfo) {
    const std::string token = "e2e-token";
    ocsm_test::ControllerSimProcess simulator(token);
    ASSERT_FALSE(simulator.url().empty());
    const auto first = ocsm_test::firstRegularScreen();
    const int changed = first.preset + 2;

    ocsm_test::ChildProcess tvkhost(
        OCSM_TVKHOST,
        {"--json", "--controller", simulator.url(), "--token", token, "--follow-reports",
         "get-colorspace", "set-colorspace", std::to_string(first.screenId),
         std::to_string(changed), "get-colorspace", "interface-info"});
    ASSERT_EQ(tvkhost.wait(std::chrono::seconds(120)), 0) << tvkhost.errors();
    const std::string out = tvkhost.output();

    const auto colorSpaces = select(out, "event", "0xFC070204");
    ASSERT_EQ(colorSpaces.size(), 2u) << out;
    EXPECT_THAT(colorSpaces[0], HasSubstr("\"data\":" + colorSpace(first.screenId, first.preset)));
    EXPECT_THAT(colorSpaces[1], HasSubstr("\"data\":" + colorSpace(first.screenId, changed)));
    const auto flags = select(out, "event", "0xFC070203");
    ASSERT_EQ(flags.size(), 1u) << out;
    EXPECT_THAT(flags[0], HasSubstr("\"posted\":true"));
    EXPECT_THAT(flags[0], HasSubstr("\"data\":{\"ok\":1}"));
    const auto relayed = select(out, "event", "0xFC080204");
    ASSERT_EQ(relayed.size(), 1u) << out;
    EXPECT_THAT(relayed[0], HasSubstr("\"data\":[" + colorSpace(first.screenId, changed) + "]"));
    const auto replies = select(out, "reply", "0xFC050201");
    ASSERT_EQ(replies.size(), 1u) << out;
    EXPECT_THAT(replies[0], HasSubstr("\"size\":108"));
    EXPECT_THAT(replies[0], HasSubstr("\"interfaceId\":" + std::to_string(first.interfaceId)));
    EXPECT_THAT(replies[0], HasSubstr("\"name\":\"" + first.interfaceName + "\""));

    // The plugin warned about nothing, and the token went into no line.
    EXPECT_EQ(tvkhost.errors(), "");
    EXPECT_THAT(simulator.log(), ::testing::Not(HasSubstr(token)));
    EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace
