#include "tvkhost/reportfollower.h"

#include <httplib.h>

#include <cstdlib>

namespace tvkhost {

namespace {

// Longest the controller holds one poll open; the client waits a little longer.
constexpr std::chrono::milliseconds kLongestPoll{30000};

std::string failure(const httplib::Result& result, const char* what) {
    if (!result) return std::string(what) + ": " + httplib::to_string(result.error());
    return std::string(what) + ": HTTP status " + std::to_string(result->status);
}

bool parseSeq(const std::string& text, std::uint64_t& seq) {
    if (text.empty() || text.size() > 20) return false;
    char* end = nullptr;
    seq = std::strtoull(text.c_str(), &end, 10);
    return end && *end == '\0';
}

}  // namespace

ReportFollower::ReportFollower(const std::string& baseUrl, const std::string& token)
    : client_(std::make_unique<httplib::Client>(baseUrl)), token_(token) {
    client_->set_keep_alive(true);
    client_->set_tcp_nodelay(true);
    client_->set_connection_timeout(std::chrono::seconds(5));
    client_->set_read_timeout(kLongestPoll + std::chrono::seconds(5));
    client_->set_default_headers({{"Authorization", token_}});
}

ReportFollower::~ReportFollower() = default;

bool ReportFollower::start(std::string& error) {
    return latest(taken_, error);
}

bool ReportFollower::latest(std::uint64_t& seq, std::string& error) {
    const httplib::Result result = client_->Get("/sim/v1/auto-report/seq");
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
    const std::string path = "/sim/v1/auto-report?after=" + std::to_string(taken_) +
                             "&wait_ms=" + std::to_string(wait.count());
    const httplib::Result result = client_->Get(path.c_str());
    if (result && result->status == 204) return false;
    if (!result || result->status != 200) {
        error = failure(result, "following auto-reports");
        return false;
    }
    if (!parseSeq(result->get_header_value("X-Sim-Seq"), report.seq) || report.seq <= taken_) {
        error = "following auto-reports: answer without a new report number";
        return false;
    }
    report.text = result->body;
    taken_ = report.seq;
    return true;
}

}  // namespace tvkhost
