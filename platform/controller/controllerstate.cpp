// The simulated controller's state: filtered answers, colour space changes and the auto-reports
// they make.
#include "controller/controllerstate.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "controller/restroutes.h"

namespace ControllerSim {

namespace {

// The controller's command code of a colour space change report.
constexpr uint32_t kColorSpaceReportCode = 463111;
// Followers that fall further behind get the oldest kept report.
constexpr size_t kKeptReports = 256;
// Queries for many different identifiers must not grow the kept answers without end.
constexpr size_t kKeptAnswers = 64;

bool matches(const std::optional<int64_t>& filter, const std::optional<int64_t>& value) {
    return !filter || value == filter;
}

std::string describe(size_t index, const std::string& what) {
    return "malformed body: entry " + std::to_string(index) + " " + what;
}

bool fitsInt32(const std::optional<int64_t>& value) {
    return value && *value >= std::numeric_limits<int32_t>::min() &&
           *value <= std::numeric_limits<int32_t>::max();
}

}  // namespace

bool parseColorSpaceRequest(const std::string& body, std::vector<ColorSpaceChange>& changes,
                            std::string& error) {
    Json request;
    std::string reason;
    if (!parseJson(body, request, reason)) {
        error = "malformed body: " + reason;
        return false;
    }
    if (!request.is_array()) {
        error = std::string("malformed body: a JSON array of screens, not ") + request.type_name();
        return false;
    }
    if (request.empty()) {
        error = "malformed body: the list of screens is empty";
        return false;
    }
    changes.clear();
    for (size_t i = 0; i < request.size(); ++i) {
        const std::optional<int64_t> screenId = integerAt(request[i], "screenId");
        if (!fitsInt32(screenId)) {
            error = describe(i, "has no 32-bit integer screenId");
            return false;
        }
        const std::string screen = "(screen " + std::to_string(*screenId) + ") ";
        const auto colorSpace = request[i].find("colorSpace");
        const std::optional<int64_t> preset =
            colorSpace == request[i].end() ? std::nullopt : integerAt(*colorSpace, "preset");
        if (!fitsInt32(preset)) {
            error = describe(i, screen + "has no 32-bit integer colorSpace.preset");
            return false;
        }
        if (*preset < 0) {
            error =
                describe(i, screen + "has a negative colorSpace.preset " + std::to_string(*preset));
            return false;
        }
        changes.push_back({int32_t(*screenId), int32_t(*preset)});
    }
    return true;
}

ControllerState::ControllerState(ControllerData data, bool pretty)
    : data_(std::move(data)), pretty_(pretty) {}

const CapturedAnswer* ControllerState::captured(
    const std::string& path, const std::multimap<std::string, std::string>& keys) const {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (screensChanged_ && path == kScreenListPath) return nullptr;
    }
    for (const CapturedAnswer& answer : data_.captured)
        if (answer.path == path && answer.query.size() == keys.size() &&
            std::equal(keys.begin(), keys.end(), answer.query.begin()))
            return &answer;
    return nullptr;
}

template <class Keep>
std::optional<std::string> ControllerState::answer(const std::string& cacheKey,
                                                   const Json& document, bool filtered, Keep keep) {
    if (document.is_null()) return std::nullopt;
    const auto kept = written_.find(cacheKey);
    if (kept != written_.end()) return kept->second;
    // Member by member, so that the whole list is never copied only to drop most of it.
    Json out = Json::object();
    for (const auto& [key, value] : document.items()) {
        if (key != "data" || !listOf(document)) {
            out[key] = value;
            continue;
        }
        Json data = Json::object();
        for (const auto& [dataKey, dataValue] : value.items()) {
            if (dataKey != "list") {
                data[dataKey] = dataValue;
                continue;
            }
            Json list = Json::array();
            for (const Json& entry : dataValue)
                if (keep(entry)) list.push_back(entry);
            data[dataKey] = std::move(list);
        }
        // A filter answers one page holding every match; counters the document does not have
        // stay out.
        const size_t count = data["list"].size();
        for (const auto& [counter, set] :
             {std::pair{"count", count}, {"totalCount", count}, {"page", 1}, {"totalPage", 1}})
            if (filtered && data.contains(counter)) data[counter] = set;
        out[key] = std::move(data);
    }
    if (written_.size() >= kKeptAnswers) written_.clear();
    return written_[cacheKey] = writeJson(out, pretty_);
}

std::optional<std::string> ControllerState::screens(std::optional<int64_t> screenType,
                                                    std::optional<int64_t> screenId) {
    const std::string key = "screens " + (screenType ? std::to_string(*screenType) : "-") + " " +
                            (screenId ? std::to_string(*screenId) : "-");
    std::lock_guard<std::mutex> lock(mutex_);
    return answer(key, data_.screens, screenType || screenId, [&](const Json& screen) {
        const auto type = screen.is_object() && screen.contains("screenIdObj")
                              ? integerAt(screen["screenIdObj"], "type")
                              : std::nullopt;
        return matches(screenType, type) && matches(screenId, integerAt(screen, "screenId"));
    });
}

std::optional<std::string> ControllerState::interfaces(std::optional<int64_t> interfaceId) {
    const std::string key = "interfaces " + (interfaceId ? std::to_string(*interfaceId) : "-");
    std::lock_guard<std::mutex> lock(mutex_);
    return answer(key, data_.interfaces, interfaceId.has_value(), [&](const Json& item) {
        return matches(interfaceId, integerAt(item, "interfaceId"));
    });
}

ChangeResult ControllerState::setColorSpaces(const std::vector<ColorSpaceChange>& changes) {
    Json body = Json::array();
    for (const ColorSpaceChange& change : changes)
        body.push_back(
            {{"screenId", change.screenId}, {"colorSpace", {{"preset", change.preset}}}});

    std::lock_guard<std::mutex> lock(mutex_);
    // The screens each change names; every entry is checked before anything changes, so a refused
    // request changes nothing.
    const Json* list = listOf(data_.screens);
    std::vector<std::vector<size_t>> targets;
    for (const ColorSpaceChange& change : changes) {
        targets.emplace_back();
        for (size_t i = 0; list && i < list->size(); ++i)
            if (integerAt((*list)[i], "screenId") == change.screenId) targets.back().push_back(i);
        if (targets.back().empty())
            return {kCodeUnknownScreen, "unknown screen " + std::to_string(change.screenId)};
    }
    Json& screens = data_.screens["data"]["list"];
    for (size_t c = 0; c < changes.size(); ++c) {
        for (const size_t i : targets[c]) {
            Json& colorSpace = screens[i]["colorSpace"];
            if (!colorSpace.is_object()) colorSpace = Json::object();
            // Setting the preset a screen has already changes none of the captured answers.
            screensChanged_ = screensChanged_ || colorSpace["preset"] != changes[c].preset;
            colorSpace["preset"] = changes[c].preset;
        }
    }
    written_.clear();

    const std::string text = body.dump();
    const Json report = {
        {"source", "controller-sim"},
        {"seq", ++latestSeq_},
        {"sn", "ORX-SIM-000001"},
        // The header's length field is 16 bits wide.
        {"tl",
         {{"CommandCode", kColorSpaceReportCode},
          {"ErrorCode", 0},
          {"UserDataLength", std::min<size_t>(text.size(), std::numeric_limits<uint16_t>::max())}}},
        {"body", text}};
    reports_.push_back({latestSeq_, writeJson(report, pretty_)});
    if (reports_.size() > kKeptReports) reports_.pop_front();
    reportAdded_.notify_all();
    return {kCodeSuccess, "success"};
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
