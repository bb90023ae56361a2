#include "controller/controllerstate.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

namespace ControllerSim {

using LCD::ProtoModel::Interface::s_InterfaceList;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetailInfo;

const char* const kReportSource = "controller-sim";
const char* const kDefaultSerial = "ORX-SIM-000001";

ControllerState::ControllerState(ControllerData data, std::string serial, size_t reportHistory)
    : serial_(std::move(serial)),
      reportHistory_(std::max<size_t>(reportHistory, 1)),
      data_(std::move(data)) {}

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
        if (interfaceId && item.interfaceId != *interfaceId) continue;
        found.push_back(item);
    }
    return found;
}

ChangeResult ControllerState::setColorSpaces(const std::vector<s_ScreenColorSpace>& changes) {
    ChangeResult result;
    if (changes.empty()) {
        result.code = kCodeMalformedBody;
        result.message = "malformed body: the list of screens is empty";
        return result;
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        const int32_t preset = changes[i].colorSpace.preset;
        if (preset >= 0) continue;
        result.code = kCodeMalformedBody;
        result.message =
            "malformed body: entry " + std::to_string(i) + " (screen " +
            std::to_string(changes[i].screenId) + ") " +
            (preset == -1 ? std::string("has no colorSpace.preset")
                          : "has a negative colorSpace.preset " + std::to_string(preset));
        return result;
    }

    std::string body;
    LCD::ProtoModel::encode(body, changes);

    std::lock_guard<std::mutex> lock(mutex_);
    // Check every entry before touching anything, so a rejected request changes nothing.
    std::unordered_set<int32_t> known;
    for (const s_ScreenDetailInfo& screen : data_.screens)
        known.insert(screen.screenId);
    for (const s_ScreenColorSpace& change : changes) {
        if (known.count(change.screenId) != 0) continue;
        result.code = kCodeUnknownScreen;
        result.message = "unknown screen " + std::to_string(change.screenId);
        return result;
    }
    for (const s_ScreenColorSpace& change : changes) {
        for (s_ScreenDetailInfo& screen : data_.screens) {
            if (screen.screenId == change.screenId)
                screen.colorSpace.preset = change.colorSpace.preset;
        }
    }

    LCD::AutoReport::LCDAutoReportData report;
    report.source = kReportSource;
    report.seq = latestSeq_ + 1;
    report.sn = serial_;
    report.tl.CommandCode = kColorSpaceReportCode;
    report.tl.ErrorCode = 0;
    // The header's length field is 16 bits wide.
    report.tl.UserDataLength =
        uint16_t(std::min<size_t>(body.size(), std::numeric_limits<uint16_t>::max()));
    report.body = std::move(body);
    std::string text;
    LCD::ProtoModel::encode(text, report);

    result.message = "success";
    result.seq = appendReportLocked(std::move(text));
    return result;
}

uint32_t ControllerState::queueReport(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    return appendReportLocked(std::move(text));
}

uint32_t ControllerState::appendReportLocked(std::string text) {
    const uint32_t seq = ++latestSeq_;
    reports_.push_back(StoredReport{seq, std::move(text)});
    while (reports_.size() > reportHistory_)
        reports_.pop_front();
    reportAdded_.notify_all();
    return seq;
}

uint32_t ControllerState::latestSeq() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return latestSeq_;
}

WaitResult ControllerState::waitReport(uint32_t after, std::chrono::milliseconds timeout,
                                       StoredReport& report) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    reportAdded_.wait_until(lock, deadline, [&] { return shutdown_ || latestSeq_ > after; });
    // A report that is there is handed out even while shutting down.
    if (latestSeq_ > after) {
        const auto it = std::upper_bound(
            reports_.begin(), reports_.end(), after,
            [](uint32_t seq, const StoredReport& stored) { return seq < stored.seq; });
        report = *it;
        return WaitResult::Report;
    }
    return shutdown_ ? WaitResult::Shutdown : WaitResult::Timeout;
}

void ControllerState::shutdown() {
    std::lock_guard<std::mutex> lock(mutex_);
    shutdown_ = true;
    reportAdded_.notify_all();
}

bool ControllerState::isShutDown() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shutdown_;
}

}  // namespace ControllerSim
