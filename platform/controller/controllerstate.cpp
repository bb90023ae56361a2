// The simulated controller's state: queries, colour space changes and the auto-reports they make.
#include "controller/controllerstate.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace ControllerSim {

namespace {

using LCD::ProtoModel::Interface::s_InterfaceList;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetailInfo;

// The controller's command code of a colour space change report.
constexpr uint32_t kColorSpaceReportCode = 463111;
// Followers that fall further behind get the oldest kept report.
constexpr size_t kKeptReports = 256;

std::string refusal(const std::vector<s_ScreenColorSpace>& changes) {
    if (changes.empty()) return "malformed body: the list of screens is empty";
    for (size_t i = 0; i < changes.size(); ++i) {
        const int32_t preset = changes[i].colorSpace.preset;
        if (preset >= 0) continue;
        return "malformed body: entry " + std::to_string(i) + " (screen " +
               std::to_string(changes[i].screenId) + ") " +
               (preset == -1 ? std::string("has no colorSpace.preset")
                             : "has a negative colorSpace.preset " + std::to_string(preset));
    }
    return std::string();
}

}  // namespace

ControllerState::ControllerState(ControllerData data) : data_(std::move(data)) {}

std::vector<s_ScreenDetailInfo> ControllerState::screens(std::optional<int32_t> screenType,
                                                         std::optional<int32_t> screenId) const {
    std::vector<s_ScreenDetailInfo> found;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const s_ScreenDetailInfo& screen : data_.screens) {
        if (screenType && screen.screenIdObj.type != *screenType) continue;
        if (screenId && screen.screenId != *screenId) continue;
        found.push_back(screen);
    }
    return found;
}

std::vector<s_InterfaceList> ControllerState::interfaces(std::optional<int32_t> interfaceId) const {
    std::vector<s_InterfaceList> found;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const s_InterfaceList& item : data_.interfaces) {
        if (!interfaceId || item.interfaceId == *interfaceId) found.push_back(item);
    }
    return found;
}

ChangeResult ControllerState::setColorSpaces(const std::vector<s_ScreenColorSpace>& changes) {
    ChangeResult result;
    result.message = refusal(changes);
    if (!result.message.empty()) {
        result.code = kCodeMalformedBody;
        return result;
    }
    LCD::AutoReport::LCDAutoReportData report;
    LCD::ProtoModel::encode(report.body, changes);

    std::lock_guard<std::mutex> lock(mutex_);
    // Every entry is checked before anything changes, so a refused request changes nothing.
    for (const s_ScreenColorSpace& change : changes) {
        const auto known = [&](const s_ScreenDetailInfo& s) {
            return s.screenId == change.screenId;
        };
        if (std::any_of(data_.screens.begin(), data_.screens.end(), known)) continue;
        result.code = kCodeUnknownScreen;
        result.message = "unknown screen " + std::to_string(change.screenId);
        return result;
    }
    for (const s_ScreenColorSpace& change : changes) {
        for (s_ScreenDetailInfo& screen : data_.screens) {
            if (screen.screenId == change.screenId) screen.colorSpace = change.colorSpace;
        }
    }

    report.source = "controller-sim";
    report.seq = ++latestSeq_;
    report.sn = "ORX-SIM-000001";
    report.tl.CommandCode = kColorSpaceReportCode;
    // The header's length field is 16 bits wide.
    report.tl.UserDataLength =
        uint16_t(std::min<size_t>(report.body.size(), std::numeric_limits<uint16_t>::max()));
    StoredReport stored{report.seq, std::string()};
    LCD::ProtoModel::encode(stored.text, report);
    reports_.push_back(std::move(stored));
    if (reports_.size() > kKeptReports) reports_.pop_front();
    reportAdded_.notify_all();
    result.message = "success";
    return result;
}

uint32_t ControllerState::latestSeq() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return latestSeq_;
}

WaitResult ControllerState::waitReport(uint32_t after, std::chrono::milliseconds timeout,
                                       StoredReport& report) {
    std::unique_lock<std::mutex> lock(mutex_);
    reportAdded_.wait_for(lock, timeout, [&] { return shutdown_ || latestSeq_ > after; });
    // A report that is there is handed out even while shutting down.
    if (latestSeq_ > after) {
        report = *std::upper_bound(
            reports_.begin(), reports_.end(), after,
            [](uint32_t seq, const StoredReport& stored) { return seq < stored.seq; });
        return WaitResult::Report;
    }
    return shutdown_ ? WaitResult::Shutdown : WaitResult::Timeout;
}

void ControllerState::shutdown() {
    std::lock_guard<std::mutex> lock(mutex_);
    shutdown_ = true;
    reportAdded_.notify_all();
}

}  // namespace ControllerSim
