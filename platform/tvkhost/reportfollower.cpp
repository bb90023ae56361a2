// The follower's two requests: the newest report number, and the next report after it.
#include "tvkhost/reportfollower.h"

#include <httplib.h>

#include <cstdint>

#include "controller/simroutes.h"
#include "controller/textnumbers.h"

namespace tvkhost {

namespace {

// Longest the controller holds one poll open; the client waits a little longer.
constexpr std::chrono::milliseconds kLongestPoll{30000};

std::string failure(const httplib::Result& result, const char* what) {
    if (!result) return std::string(what) + ": " + httplib::to_string(result.error());
    return std::string(what) + ": HTTP status " + std::to_string(result->status);
}

bool parseSeq(const std::string& text, std::uint64_t& seq) {
    int64_t value = 0;
    if (!ControllerSim::parseDecimal(text, 0, INT64_MAX, value)) return false;
    seq = static_cast<std::uint64_t>(value);
    return true;
}

}  // namespace

ReportFollower::ReportFollower(const std::string& baseUrl, const std::string& token)
    : client_(std::make_unique<httplib::Client>(baseUrl)) {
    client_->set_keep_alive(true);
    client_->set_tcp_nodelay(true);
    client_->set_connection_timeout(std::chrono::seconds(5));
    client_->set_read_timeout(kLongestPoll + std::chrono::seconds(5));
    client_->set_default_headers({{"Authorization", token}});
}

ReportFollower::~ReportFollower() = default;

bool ReportFollower::start(std::string& error) {
    return latest(taken_, error);
}

bool ReportFollower::latest(std::uint64_t& seq, std::string& error) {
    const httplib::Result result = client_->Get(ControllerSim::kLatestReportPath);
    if (!result || result->status != 200) {
        error = failure(result, "asking for the newest auto-report");
        return false;
    }
    // The answer is {"seq":N}.
    const std::string& body = result->body;
    const std::size_t colon = body.find(':');
    const std::size_t end = body.find('}', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || end == std::string::npos ||
        !parseSeq(body.substr(colon + 1, end - colon - 1), seq)) {
        error = "asking for the newest auto-report: unexpected answer " + body;
        return false;
    }
    return true;
}

bool ReportFollower::next(std::chrono::milliseconds wait, Report& report, std::string& error) {
    error.clear();
    if (wait > kLongestPoll) wait = kLongestPoll;
    const httplib::Params query = {{ControllerSim::kFollowKeys[0], std::to_string(taken_)},
                                   {ControllerSim::kFollowKeys[1], std::to_string(wait.count())}};
    const httplib::Result result =
        client_->Get(ControllerSim::kAutoReportPath, query, httplib::Headers());
    if (result && result->status == 204) return false;
    if (!result || result->status != 200) {
        error = failure(result, "following auto-reports");
        return false;
    }
    if (!parseSeq(result->get_header_value(ControllerSim::kReportSeqHeader), report.seq) ||
        report.seq <= taken_) {
        error = "following auto-reports: answer without a new report number";
        return false;
    }
    report.text = result->body;
    taken_ = report.seq;
    return true;
}

}  // namespace tvkhost
