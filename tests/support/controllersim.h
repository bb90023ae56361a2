// controller-sim as a child process on a free loopback port, for tests that talk to it over HTTP.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "childprocess.h"

namespace ocsm_test {

// The built controller-sim, for runs that do not serve (--capture, --version).
std::string controllerSimProgram();

class ControllerSimProcess {
public:
    // Starts the built controller-sim with --port 0 --token TOKEN and the extra arguments, and
    // reads the address it prints; url() stays empty when it did not come up.
    explicit ControllerSimProcess(const std::string& token,
                                  const std::vector<std::string>& arguments = {});

    const std::string& url() const { return url_; }  // http://127.0.0.1:PORT
    // Stops it the way a service manager would; its exit status.
    int stop();
    // Its standard error: the request log.
    std::string log() const { return process_->errors(); }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
};

}  // namespace ocsm_test
