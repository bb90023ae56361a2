// The simulated controller's state: its screens and interfaces, and the auto-reports it has
// emitted, numbered by a sequence counter. One mutex guards everything; one condition variable
// wakes the followers waiting for the next report.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "controller/controllerdata.h"
#include "protomodel/protomodel.h"

namespace ControllerSim {

// Result codes of the REST answers' envelope; 0 is success.
constexpr int32_t kCodeSuccess = 0;
constexpr int32_t kCodeMalformedBody = 1001;
constexpr int32_t kCodeUnknownScreen = 1002;
constexpr int32_t kCodeBadQuery = 1003;

// The controller's command code of a colour space change report.
constexpr uint32_t kColorSpaceReportCode = 463111;

extern const char* const kReportSource;   // "controller-sim"
extern const char* const kDefaultSerial;  // the serial number the reports carry
constexpr size_t kDefaultReportHistory = 256;

struct StoredReport {
    uint32_t seq = 0;
    std::string text;
};

struct ChangeResult {
    int32_t code = kCodeSuccess;
    std::string message;  // "success", or what was wrong
    uint32_t seq = 0;     // the report emitted for the change, 0 when nothing changed
};

enum class WaitResult { Report, Timeout, Shutdown };

class ControllerState {
public:
    // Keeps at most `reportHistory` reports (at least one); older ones are dropped.
    explicit ControllerState(ControllerData data, std::string serial = kDefaultSerial,
                             size_t reportHistory = kDefaultReportHistory);
    ControllerState(const ControllerState&) = delete;
    ControllerState& operator=(const ControllerState&) = delete;

    // Screens whose screenIdObj.type and screenId match the given values; an absent value
    // matches every screen.
    std::vector<LCD::ProtoModel::Screen::s_ScreenDetailInfo> screens(
        std::optional<int32_t> screenType, std::optional<int32_t> screenId) const;
    std::vector<LCD::ProtoModel::Interface::s_InterfaceList> interfaces(
        std::optional<int32_t> interfaceId) const;

    // Sets the colour space of every listed screen and emits one report listing them, or, when
    // the list is empty, has a preset below 0 (-1: missing) or names an unknown screen, changes
    // nothing and says why.
    ChangeResult setColorSpaces(
        const std::vector<LCD::ProtoModel::Screen::s_ScreenColorSpace>& changes);

    // Stores a report text as it is under the next sequence number, which it returns.
    uint32_t queueReport(std::string text);

    // The latest sequence number, 0 before the first report.
    uint32_t latestSeq() const;

    // The oldest kept report with a sequence number above `after`, waiting up to `timeout` for
    // one to be emitted. Shutdown ends every wait at once.
    WaitResult waitReport(uint32_t after, std::chrono::milliseconds timeout, StoredReport& report);

    // Wakes every waiting follower; later waits return at once. Cannot be undone.
    void shutdown();
    bool isShutDown() const;

private:
    uint32_t appendReportLocked(std::string text);

    const std::string serial_;
    const size_t reportHistory_;

    mutable std::mutex mutex_;
    std::condition_variable reportAdded_;
    ControllerData data_;
    std::deque<StoredReport> reports_;  // ascending seq
    uint32_t latestSeq_ = 0;
    bool shutdown_ = false;
};

}  // namespace ControllerSim
