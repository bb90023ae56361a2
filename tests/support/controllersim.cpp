// Starting and stopping controller-sim for a test.
#include "controllersim.h"

#include <signal.h>

namespace ocsm_test {

ControllerSimProcess::ControllerSimProcess(const std::string& token,
                                           const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {"--port", "0", "--token", token};
    words.insert(words.end(), arguments.begin(), arguments.end());
    process_ = std::make_unique<ChildProcess>(OCSM_CONTROLLER_SIM, words);
    const std::string prefix = "controller-sim listening on ";
    std::string line;
    // Under an emulator the program takes a while to come up.
    if (process_->started() && process_->readLine(line, std::chrono::seconds(60)) &&
        line.rfind(prefix, 0) == 0)
        url_ = "http://" + line.substr(prefix.size());
}

int ControllerSimProcess::stop() {
    return process_->stop(SIGTERM);
}

}  // namespace ocsm_test
