// Following the controller's auto-reports through controller-sim's long-poll route.
#ifndef TVKHOST_REPORTFOLLOWER_H
#define TVKHOST_REPORTFOLLOWER_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace httplib {
class Client;
}

namespace tvkhost {

// Each report is taken once, in the order the controller made them.
class ReportFollower {
public:
    struct Report {
        std::uint64_t seq = 0;
        std::string text;
    };

    // `baseUrl` is the controller's address (http://127.0.0.1:8080); the token goes out as
    // "Authorization", as the plugin's own requests do.
    ReportFollower(const std::string& baseUrl, const std::string& token);
    ~ReportFollower();
    ReportFollower(const ReportFollower&) = delete;
    ReportFollower& operator=(const ReportFollower&) = delete;

    // Starts after the newest report the controller has now, so only reports made from here on
    // are taken. False with a reason when it cannot ask.
    bool start(std::string& error);

    // The newest report number the controller has made.
    bool latest(std::uint64_t& seq, std::string& error);

    // The next report after the last one taken, waiting at most `wait` for it. True with
    // `report` filled, or false: `error` empty when none came in time.
    bool next(std::chrono::milliseconds wait, Report& report, std::string& error);

    std::uint64_t taken() const { return taken_; }

private:
    std::unique_ptr<httplib::Client> client_;
    std::uint64_t taken_ = 0;
};

}  // namespace tvkhost

#endif  // TVKHOST_REPORTFOLLOWER_H
