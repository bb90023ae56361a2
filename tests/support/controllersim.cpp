// Starting and stopping controller-sim for a test.
#include "controllersim.h"

#include <signal.h>

#include <cstdio>

namespace ocsm_test {

std::string controllerSimProgram() {
    return OCSM_CONTROLLER_SIM;
}

ControllerSimProcess::ControllerSimProcess(const std::string& token,
                                           const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {"--port", "0", "--token", token};
    words.insert(words.end(), arguments.begin(), arguments.end());
    process_ = std::make_unique<ChildProcess>(controllerSimProgram(), words);
    const std::string prefix = "controller-sim listening on ";
    std::string line;
    // Under an emulator the program takes a while to come up.
    if (process_->started() && process_->readLine(line, std::chrono::seconds(60)) &&
        line.rfind(prefix, 0) == 0)
        url_ = "http://" + line.substr(prefix.size());
}

int ControllerSimProcess::stop() {
    const int status = process_->stop(SIGTERM);
    if (status != 0) {
        // Say why in the test's output: a sanitizer's report from the middle of the request log,
        // or else the log's end.
        const std::string log = process_->errors();
        size_t from = log.find("Sanitizer");
        from = from == std::string::npos ? (log.size() > 4000 ? log.size() - 4000 : 0)
                                         : log.rfind('\n', from) + 1;
        std::fprintf(stderr, "controller-sim ended with status %d; its log from there:\n%s\n",
                     status, log.substr(from, 8000).c_str());
    }
    return status;
}

}  // namespace ocsm_test
