// The simulated controller's state: its screens and interfaces, and the auto-reports it has made.
//
// One mutex guards everything; one condition variable wakes the followers waiting for the next
// report.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "controller/controllerdata.h"

namespace ControllerSim {

// Result codes of the REST answers' envelope; 0 is success.
constexpr int32_t kCodeSuccess = 0;
constexpr int32_t kCodeMalformedBody = 1001;
constexpr int32_t kCodeUnknownScreen = 1002;
constexpr int32_t kCodeBadQuery = 1003;

struct StoredReport {
    uint32_t seq = 0;
    std::string text;
};

struct ChangeResult {
    int32_t code = kCodeSuccess;
    std::string message;  // "success", or what was wrong
};

enum class WaitResult { Report, Timeout, Shutdown };

class ControllerState {
public:
    explicit ControllerState(ControllerData data);
    ControllerState(const ControllerState&) = delete;
    ControllerState& operator=(const ControllerState&) = delete;

    // Screens whose screenIdObj.type and screenId match; an absent value matches every screen.
    std::vector<LCD::ProtoModel::Screen::s_ScreenDetailInfo> screens(
        std::optional<int32_t> screenType, std::optional<int32_t> screenId) const;
    std::vector<LCD::ProtoModel::Interface::s_InterfaceList> interfaces(
        std::optional<int32_t> interfaceId) const;

    // Sets the colour space of every listed screen and makes one auto-report listing them; or,
    // when the list is empty, has a preset below 0 (-1: missing) or names an unknown screen,
    // changes nothing and says why.
    ChangeResult setColorSpaces(
        const std::vector<LCD::ProtoModel::Screen::s_ScreenColorSpace>& changes);

    // The newest report's number, 0 before the first.
    uint32_t latestSeq() const;

    // The oldest kept report numbered above `after`, waiting up to `timeout` for one to be made.
    // Shutdown ends every wait at once.
    WaitResult waitReport(uint32_t after, std::chrono::milliseconds timeout, StoredReport& report);

    // Wakes every waiting follower; later waits return at once. Cannot be undone.
    void shutdown();

private:
    mutable std::mutex mutex_;
    std::condition_variable reportAdded_;
    ControllerData data_;
    std::deque<StoredReport> reports_;  // ascending seq, the newest few
    uint32_t latestSeq_ = 0;
    bool shutdown_ = false;
};

}  // namespace ControllerSim
