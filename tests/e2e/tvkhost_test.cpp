// The demo's session as a person runs it: tvkhost with the built plugin and the real restlink
// against controller-sim: get, set, the relayed auto-report, get, the interface info and a set the
// controller refuses; once against the data folder's documents served compact, once against a
// controller newer than the plugin's records whose answers come indented with CRLF line ends; and
// the plugin's reads against a site's controller and against its capture replayed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "controllersim.h"
#include "sitecontroller.h"

namespace {

struct Session {
    const char* name;
    std::vector<std::string> simulator;  // controller-sim's arguments
    std::vector<std::string> commands;   // tvkhost's
    std::vector<std::string> lines;      // every line tvkhost --json prints
};

const std::string kRefused =
    R"({"kind":"event","id":"0xFC070203","sender":"outputcolorspacemodel","posted":true,"size":1,)"
    R"("data":{"ok":0}})";
const std::string kTaken =
    R"({"kind":"event","id":"0xFC070203","sender":"outputcolorspacemodel","posted":true,"size":1,)"
    R"("data":{"ok":1}})";
const std::string kNoReply = R"({"kind":"noreply","id":"0xFC050205","status":0})";

std::string sent(const char* type, const char* id, int size, const std::string& what) {
    return std::string(R"({"kind":"send","type":")") + type + R"(","id":")" + id + R"(","size":)" +
           std::to_string(size) + R"(,"what":")" + what + "\"}";
}

std::string colorSpace(int screen, int preset) {
    return R"({"kind":"event","id":"0xFC070204","sender":"outputcolorspacemodel","posted":false,)"
           R"("size":8,"data":{"screenId":)" +
           std::to_string(screen) + R"(,"preset":)" + std::to_string(preset) + "}}";
}

const Session kSessions[] = {
    {"data folder, compact",
     {},
     {"get-colorspace", "set-colorspace", "1", "4", "get-colorspace", "interface-info",
      "set-colorspace", "99", "1"},
     {sent("event", "0xFC050206", 0, "get-colorspace"), colorSpace(1, 2),
      sent("command", "0xFC050205", 8, "set-colorspace screenId=1 preset=4"), kTaken, kNoReply,
      sent("event", "0x00071107", 178, "auto-report 1"),
      R"({"kind":"event","id":"0xFC080204","sender":"outputcolorspacemodel","posted":false,)"
      R"("size":24,"data":[{"screenId":1,"preset":4}]})",
      sent("event", "0xFC050206", 0, "get-colorspace"), colorSpace(1, 4),
      sent("command", "0xFC050201", 0, "interface-info"),
      R"({"kind":"reply","id":"0xFC050201","sender":"outputcolorspacemodel","size":108,"data":)"
      R"({"interfaceId":769,"slotId":3,"connectorId":1,"capacity":2,"connectorType":4,)"
      R"("workMode":2,"name":"输出 3-1 主屏幕左上"}})",
      sent("command", "0xFC050205", 8, "set-colorspace screenId=99 preset=1"), kRefused, kNoReply}},
    {"newer controller, indented with CRLF",
     {"--fixture", std::string(OCSM_DATA_DIR) + "/fixture-newer-controller.json", "--pretty"},
     {"get-colorspace", "set-colorspace", "12", "3", "get-colorspace", "interface-info",
      "set-colorspace", "99", "1"},
     {sent("event", "0xFC050206", 0, "get-colorspace"), colorSpace(12, 1),
      sent("command", "0xFC050205", 8, "set-colorspace screenId=12 preset=3"), kTaken, kNoReply,
      sent("event", "0x00071107", 231, "auto-report 1"),
      R"({"kind":"event","id":"0xFC080204","sender":"outputcolorspacemodel","posted":false,)"
      R"("size":24,"data":[{"screenId":12,"preset":3}]})",
      sent("event", "0xFC050206", 0, "get-colorspace"), colorSpace(12, 3),
      sent("command", "0xFC050201", 0, "interface-info"),
      // The interface's name is 62 bytes long, the longest the reply takes.
      R"({"kind":"reply","id":"0xFC050201","sender":"outputcolorspacemodel","size":108,"data":)"
      R"({"interfaceId":2049,"slotId":8,"connectorId":1,"capacity":4,"connectorType":9,)"
      R"("workMode":3,"name":"输出 8-1 大厅主屏幕左半区 HDMI 2.1 光纤延长 A-01"}})",
      sent("command", "0xFC050205", 8, "set-colorspace screenId=99 preset=1"), kRefused, kNoReply}},
};

// A posted event reaches the host on its delivery thread, before the next command but in no fixed
// order with the command's own reply: each command's lines in one order, the commands in theirs.
std::vector<std::string> inCommandOrder(std::vector<std::string> lines) {
    auto block = lines.begin();
    while (block != lines.end()) {
        const auto next = std::find_if(block + 1, lines.end(), [](const std::string& line) {
            return line.rfind(R"({"kind":"send")", 0) == 0;
        });
        std::sort(block + 1, next);
        block = next;
    }
    return lines;
}

TEST(TvkhostSession, GetSetReportGetInfoAndARefusedSetAgainstEachController) {
    const std::string token = "e2e-token";
    for (const Session& session : kSessions) {
        SCOPED_TRACE(session.name);
        ocsm_test::ControllerSimProcess simulator(token, session.simulator);
        ASSERT_FALSE(simulator.url().empty()) << simulator.log();
        std::vector<std::string> arguments = {"--json",  "--controller", simulator.url(),
                                              "--token", token,          "--follow-reports"};
        arguments.insert(arguments.end(), session.commands.begin(), session.commands.end());
        ocsm_test::ChildProcess tvkhost(OCSM_TVKHOST, arguments);
        ASSERT_EQ(tvkhost.wait(std::chrono::seconds(120)), 0) << tvkhost.errors();

        std::vector<std::string> lines;
        std::istringstream output(tvkhost.output());
        for (std::string line; std::getline(output, line);)
            lines.push_back(line);
        EXPECT_EQ(inCommandOrder(lines), inCommandOrder(session.lines));
        // The plugin's one warning: the refusal, with the controller's code and message.
        EXPECT_EQ(tvkhost.errors(),
                  "color space not set. code : 1002 message : unknown screen 99\n");
        // The token went into no line of the controller's log.
        EXPECT_EQ(simulator.log().find(token), std::string::npos);
        EXPECT_EQ(simulator.stop(), 0);
    }
}

// tvkhost's output and warnings for get-colorspace and interface-info against a controller.
std::string readOnlySession(const std::string& url, const std::string& token) {
    ocsm_test::ChildProcess tvkhost(OCSM_TVKHOST, {"--json", "--controller", url, "--token", token,
                                                   "get-colorspace", "interface-info"});
    EXPECT_EQ(tvkhost.wait(std::chrono::seconds(60)), 0) << tvkhost.errors();
    return tvkhost.output() + tvkhost.errors();
}

// A site's controller and its capture replayed at the desk: the plugin meets the same answers, so
// tvkhost prints the same lines, warnings included.
TEST(TvkhostSession, AgainstAReplayedCapturePrintsWhatItPrintedAgainstTheSite) {
    const std::string token = "e2e-token";
    const std::string out = ::testing::TempDir() + "site-" + std::to_string(getpid()) + ".json";
    for (const auto& [name, answers] : ocsm_test::readSites()) {
        SCOPED_TRACE(name);
        ocsm_test::SiteController site(answers);
        const std::string onSite = readOnlySession(site.url(), token);
        std::string errors;
        ASSERT_EQ(ocsm_test::runCapture(site.url(), token, out, errors), 0) << errors;
        ocsm_test::ControllerSimProcess replay(token, {"--fixture", out});
        ASSERT_FALSE(replay.url().empty()) << replay.log();
        EXPECT_EQ(readOnlySession(replay.url(), token), onSite);
        // Both sessions ran both commands.
        EXPECT_NE(onSite.find(sent("command", "0xFC050201", 0, "interface-info")),
                  std::string::npos)
            << onSite;
        EXPECT_EQ(replay.stop(), 0);
    }
    std::remove(out.c_str());
}

}  // namespace
