// The controller state on its own: report numbering, the bounded history and the wait rules
// that the follow route relies on.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "simtestsupport.h"

namespace ControllerSimTest {
namespace {

using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using std::chrono::milliseconds;

std::vector<s_ScreenColorSpace> change(int32_t screenId, int32_t preset) {
    s_ScreenColorSpace item;
    item.screenId = screenId;
    item.colorSpace.preset = preset;
    return {item};
}

TEST(ControllerStateTest, SettingTheSameScreenTwiceInOneRequestKeepsTheLastValue) {
    ControllerState state(sharedData());
    auto changes = change(2, 1);
    changes.push_back(change(2, 3)[0]);
    const ChangeResult result = state.setColorSpaces(changes);
    EXPECT_EQ(result.code, kCodeSuccess);
    EXPECT_EQ(result.seq, 1u);
    EXPECT_EQ(state.screens(std::nullopt, 2).at(0).colorSpace.preset, 3);
}

TEST(ControllerStateTest, QueuedTextsAndChangesShareOneSequence) {
    ControllerState state(sharedData());
    EXPECT_EQ(state.latestSeq(), 0u);
    EXPECT_EQ(state.queueReport("a"), 1u);
    EXPECT_EQ(state.setColorSpaces(change(1, 0)).seq, 2u);
    EXPECT_EQ(state.setColorSpaces(change(99, 0)).seq, 0u);  // refused: no number used
    EXPECT_EQ(state.queueReport("b"), 3u);
    EXPECT_EQ(state.latestSeq(), 3u);
}

TEST(ControllerStateTest, HistoryKeepsOnlyTheNewestReports) {
    ControllerState state(sharedData(), "SN-1", 3);
    for (const char* text : {"r1", "r2", "r3", "r4", "r5"})
        state.queueReport(text);
    StoredReport report;
    // A follower that fell behind gets the oldest report still kept.
    ASSERT_EQ(state.waitReport(0, milliseconds(0), report), WaitResult::Report);
    EXPECT_EQ(report.seq, 3u);
    EXPECT_EQ(report.text, "r3");
    ASSERT_EQ(state.waitReport(3, milliseconds(0), report), WaitResult::Report);
    EXPECT_EQ(report.text, "r4");
    EXPECT_EQ(state.waitReport(5, milliseconds(0), report), WaitResult::Timeout);
}

TEST(ControllerStateTest, ReportCarriesTheSerialNumber) {
    ControllerState state(sharedData(), "ORX8K-TEST-7");
    state.setColorSpaces(change(7, 2));
    StoredReport report;
    ASSERT_EQ(state.waitReport(0, milliseconds(0), report), WaitResult::Report);
    LCD::AutoReport::LCDAutoReportData decoded;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(report.text, decoded, error)) << error;
    EXPECT_EQ(decoded.sn, "ORX8K-TEST-7");
    EXPECT_EQ(decoded.body, R"([{"screenId":7,"colorSpace":{"preset":2}}])");
}

TEST(ControllerStateTest, ShutdownEndsWaitsButStillHandsOutKeptReports) {
    ControllerState state(sharedData());
    auto waiter = std::async(std::launch::async, [&state] {
        StoredReport report;
        return state.waitReport(0, milliseconds(20000), report);
    });
    state.shutdown();
    EXPECT_EQ(waiter.get(), WaitResult::Shutdown);
    EXPECT_TRUE(state.isShutDown());

    state.queueReport("late");
    StoredReport report;
    EXPECT_EQ(state.waitReport(0, milliseconds(20000), report), WaitResult::Report);
    EXPECT_EQ(state.waitReport(1, milliseconds(20000), report), WaitResult::Shutdown);
}

}  // namespace
}  // namespace ControllerSimTest
