// The simulated controller's state: its two list-detail answers, a capture's answers, the
// auto-reports it has made, and the texts it answers with.
//
// One mutex guards everything; one condition variable wakes the followers waiting for the next
// report.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
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

// One entry of a colour space request.
struct ColorSpaceChange {
    int32_t screenId = 0;
    int32_t preset = 0;
};

// The entries of a colour space request body: strict JSON, an array of objects, each with an
// integer "screenId" and an object "colorSpace" holding an integer "preset" of 0 or more (other
// members are ignored). False with what is wrong, for the answer's message.
bool parseColorSpaceRequest(const std::string& body, std::vector<ColorSpaceChange>& changes,
                            std::string& error);

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
    // `pretty`: every text it writes (answers, reports) is indented with CRLF line ends.
    ControllerState(ControllerData data, bool pretty);
    ControllerState(const ControllerState&) = delete;
    ControllerState& operator=(const ControllerState&) = delete;

    bool pretty() const { return pretty_; }

    // The captured answer to a GET of `path` with exactly these URL keys, to serve unchanged; null
    // when none was captured, or when it lists screens and a colour space setting has changed one
    // since (the answer is rendered then).
    const CapturedAnswer* captured(const std::string& path,
                                   const std::multimap<std::string, std::string>& keys) const;

    // The screen list-detail document as loaded, rendered with only the screens whose
    // screenIdObj.type and screenId match (an absent filter matches every screen); a filter sets
    // the counters to say what it kept, no filter leaves them as they are. None when there is no
    // document (a capture whose unfiltered answer is not a JSON list-detail answer).
    std::optional<std::string> screens(std::optional<int64_t> screenType,
                                       std::optional<int64_t> screenId);
    // The interface list-detail answer likewise, by interfaceId.
    std::optional<std::string> interfaces(std::optional<int64_t> interfaceId);

    // Sets the colour space preset of every listed screen in the screen answer and makes one
    // auto-report listing them; or, when one names an unknown screen, changes nothing and says
    // why. The list is not empty (parseColorSpaceRequest refuses an empty one).
    ChangeResult setColorSpaces(const std::vector<ColorSpaceChange>& changes);

    // The newest report's number, 0 before the first.
    uint32_t latestSeq() const;

    // The oldest kept report numbered above `after`, waiting up to `timeout` for one to be made.
    // Shutdown ends every wait at once.
    WaitResult waitReport(uint32_t after, std::chrono::milliseconds timeout, StoredReport& report);

    // Wakes every waiting follower; later waits return at once. Cannot be undone.
    void shutdown();

private:
    template <class Keep>
    std::optional<std::string> answer(const std::string& cacheKey, const Json& document,
                                      bool filtered, Keep keep);

    mutable std::mutex mutex_;
    std::condition_variable reportAdded_;
    ControllerData data_;
    const bool pretty_;
    // Answers already written, by query, until the next change: most queries repeat.
    std::map<std::string, std::string> written_;
    std::deque<StoredReport> reports_;  // ascending seq, the newest few
    uint32_t latestSeq_ = 0;
    bool screensChanged_ = false;  // by a colour space setting: captured screen answers are stale
    bool shutdown_ = false;
};

}  // namespace ControllerSim
