// The plugin in our host library, talking to controller-sim over loopback
// through the real librestlink.so.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "expected.h"
#include "simulator.h"
#include "tvkhost/host.h"
#include "tvkhost/reportfollower.h"

namespace {

using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kToken[] = "e2e-token";

struct Received {
    tvkhost::Delivery::Type type;
    unsigned int id;
    std::vector<unsigned char> data;
    std::vector<s_ScreenColorSpace> list;  // event 0xFC080204, read while it was delivered
};

std::mutex logMutex;
std::vector<std::string> warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    std::lock_guard<std::mutex> lock(logMutex);
    if (type == QtWarningMsg) warnings.push_back(text.toStdString());
}

// One simulator and one host for the whole program: the HTTP client library
// reads its settings once per process.
class Session : public ::testing::Environment {
public:
    void SetUp() override {
        simulator = std::make_unique<ocsm_test::Simulator>(kToken);
        ASSERT_FALSE(simulator->url().empty()) << "controller-sim did not start";
        setenv("RESTLINK_BASE_URL", simulator->url().c_str(), 1);
        setenv("RESTLINK_TOKEN", kToken, 1);
        qInstallMessageHandler(recordWarning);
        host = std::make_unique<tvkhost::Host>([](const tvkhost::Delivery& delivery) {
            Received received{
                delivery.type,
                static_cast<unsigned int>(delivery.id),
                std::vector<unsigned char>(delivery.data, delivery.data + delivery.size),
                {}};
            if (received.id == 0xFC080204u && delivery.size == 24 && delivery.fromComponent)
                received.list =
                    *reinterpret_cast<const std::vector<s_ScreenColorSpace>*>(delivery.data);
            std::lock_guard<std::mutex> lock(logMutex);
            deliveries.push_back(std::move(received));
        });
        std::string error;
        ASSERT_TRUE(host->load(OCSM_PLUGIN_PATH, error)) << error;
    }
    void TearDown() override {
        host.reset();
        qInstallMessageHandler(nullptr);
        EXPECT_EQ(simulator->stop(), 0);
    }

    static std::unique_ptr<ocsm_test::Simulator> simulator;
    static std::unique_ptr<tvkhost::Host> host;
    static std::vector<Received> deliveries;
};

std::unique_ptr<ocsm_test::Simulator> Session::simulator;
std::unique_ptr<tvkhost::Host> Session::host;
std::vector<Received> Session::deliveries;

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Session);

class HostE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Session::host);
        std::lock_guard<std::mutex> lock(logMutex);
        Session::deliveries.clear();
        warnings.clear();
    }

    // What came back to the host side since the test started.
    std::vector<Received> take() {
        EXPECT_TRUE(Session::host->drain(std::chrono::seconds(10)));
        std::lock_guard<std::mutex> lock(logMutex);
        std::vector<Received> out;
        out.swap(Session::deliveries);
        return out;
    }

    static std::vector<unsigned char> colorSpace(int screen, int preset) {
        std::vector<unsigned char> bytes(8);
        std::memcpy(bytes.data(), &screen, 4);
        std::memcpy(bytes.data() + 4, &preset, 4);
        return bytes;
    }

    static int int32At(const std::vector<unsigned char>& bytes, std::size_t offset) {
        int value = 0;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    }

    void getColorSpace(int& screen, int& preset) {
        ASSERT_EQ(Session::host->sendEvent(static_cast<int>(0xFC050206u), nullptr, 0), 0);
        const auto received = take();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].id, 0xFC070204u);
        ASSERT_EQ(received[0].data.size(), 8u);
        screen = int32At(received[0].data, 0);
        preset = int32At(received[0].data, 4);
    }

    // Sends the set command and returns the success flag it posted.
    int setColorSpace(int screen, int preset) {
        const auto payload = colorSpace(screen, preset);
        const auto result =
            Session::host->sendCommand(static_cast<int>(0xFC050205u), payload.data(), 8);
        EXPECT_EQ(result.status, 0);
        EXPECT_FALSE(result.replied);
        const auto received = take();
        if (received.size() != 1 || received[0].id != 0xFC070203u || received[0].data.size() != 1) {
            ADD_FAILURE() << "expected one posted 0xFC070203 with one byte";
            return -1;
        }
        return received[0].data[0];
    }
};

TEST_F(HostE2E, GetSetGetAndTheChangeComesBackAsAnAutoReport) {
    const auto expected = ocsm_test::firstRegularScreen();
    tvkhost::ReportFollower follower(Session::simulator->url(), kToken);
    std::string error;
    ASSERT_TRUE(follower.start(error)) << error;

    int screen = 0, preset = 0;
    getColorSpace(screen, preset);
    EXPECT_EQ(screen, expected.screenId);
    EXPECT_EQ(preset, expected.preset);

    const int changed = preset + 1;
    EXPECT_EQ(setColorSpace(screen, changed), 1);
    getColorSpace(screen, preset);
    EXPECT_EQ(screen, expected.screenId);
    EXPECT_EQ(preset, changed);

    // The controller reported the change; relayed, it reaches the host as the
    // list of changed screens.
    tvkhost::ReportFollower::Report report;
    ASSERT_TRUE(follower.next(std::chrono::seconds(10), report, error)) << error;
    std::vector<unsigned char> text(report.text.begin(), report.text.end());
    text.push_back(0);
    ASSERT_EQ(Session::host->sendEvent(0x00071107, text.data(), static_cast<int>(text.size())), 0);
    const auto received = take();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].id, 0xFC080204u);
    ASSERT_EQ(received[0].list.size(), 1u);
    EXPECT_EQ(received[0].list[0].screenId, expected.screenId);
    EXPECT_EQ(received[0].list[0].colorSpace.preset, changed);
    EXPECT_THAT(warnings, IsEmpty());
}

TEST_F(HostE2E, InterfaceInfoDescribesTheFirstOutputOfTheFirstRegularScreen) {
    const auto expected = ocsm_test::firstRegularScreen();
    const auto result = Session::host->sendCommand(static_cast<int>(0xFC050201u), nullptr, 0);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.replied);
    const auto received = take();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].type, tvkhost::Delivery::Type::Reply);
    EXPECT_EQ(received[0].id, 0xFC050201u);
    const auto& bytes = received[0].data;
    ASSERT_EQ(bytes.size(), 108u);

    const auto& entry = expected.firstOutput;
    EXPECT_EQ(int32At(bytes, 0), entry.interfaceId);
    EXPECT_EQ(int32At(bytes, 12), entry.interfaceIdObj.slotId);
    EXPECT_EQ(int32At(bytes, 16), entry.interfaceIdObj.connectorId);
    EXPECT_EQ(int32At(bytes, 20), entry.auxiliaryInfo.connectorInfo.capacity);
    EXPECT_EQ(int32At(bytes, 24), entry.auxiliaryInfo.connectorInfo.type);
    EXPECT_EQ(int32At(bytes, 32), entry.auxiliaryInfo.connectorInfo.workMode);
    ASSERT_LE(entry.general.name.size(), 62u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 41)), entry.general.name);
    EXPECT_THAT(warnings, IsEmpty());
}

TEST_F(HostE2E, TheControllerRefusingAScreenPostsFailure) {
    EXPECT_EQ(setColorSpace(987654, 1), 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0], ::testing::StartsWith("color space not set. code : "));
}

TEST_F(HostE2E, ReportsWithAnErrorCodeAreNotRelayed) {
    const std::string text = ocsm_test::readDocument("autoreport-error.json");
    LCD::AutoReport::LCDAutoReportData report;
    std::string error;
    ASSERT_TRUE(LCD::ProtoModel::decode(text, report, error)) << error;
    ASSERT_NE(report.tl.ErrorCode, 0);
    ASSERT_EQ(Session::host->sendEvent(0x00071107, text.c_str(), static_cast<int>(text.size() + 1)),
              0);
    EXPECT_THAT(take(), IsEmpty());
    EXPECT_THAT(warnings, ElementsAre("\"auto report data error. error code : " +
                                      std::to_string(report.tl.ErrorCode) + ".\""));
}

}  // namespace
