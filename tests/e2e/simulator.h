// A controller-sim child process on a free loopback port.
#pragma once

#include <signal.h>

#include <memory>
#include <string>

#include "childprocess.h"

namespace ocsm_test {

class Simulator {
public:
    // Starts controller-sim with `token`; check url() is not empty.
    explicit Simulator(const std::string& token) {
        process_ = std::make_unique<ChildProcess>(
            OCSM_CONTROLLER_SIM, std::vector<std::string>{"--port", "0", "--token", token});
        std::string line;
        const std::string prefix = "controller-sim listening on ";
        // Under emulation the simulator takes a while to come up.
        if (process_->started() && process_->readLine(line, std::chrono::seconds(60)) &&
            line.rfind(prefix, 0) == 0)
            url_ = "http://" + line.substr(prefix.size());
    }

    const std::string& url() const { return url_; }

    // Stops it the way a service manager would; its exit status.
    int stop() { return process_->stop(SIGTERM); }

    const std::string& log() const { return process_->errors(); }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
};

}  // namespace ocsm_test
