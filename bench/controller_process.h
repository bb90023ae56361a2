// controller-sim as a child process of a benchmark: started on a free loopback port with a
// token, its request log sent to /dev/null, stopped with SIGTERM when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

namespace bench {

class ControllerProcess {
public:
    // Starts the program with --port 0 --token TOKEN and reads the address it prints; url()
    // stays empty when it did not come up within 10 seconds.
    ControllerProcess(const std::string& program, const std::string& token);
    ~ControllerProcess();
    ControllerProcess(const ControllerProcess&) = delete;
    ControllerProcess& operator=(const ControllerProcess&) = delete;

    const std::string& url() const { return url_; }  // http://127.0.0.1:PORT

private:
    pid_t pid_ = -1;
    std::string url_;
};

}  // namespace bench
