// One of our programs as a child process of a test: started with the emulator of the cross build,
// its standard output and error collected in files, every wait bounded.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace ocsm_test {

class ChildProcess {
public:
    using Ms = std::chrono::milliseconds;

    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The next line of standard output, without its line feed; false when none came in time.
    bool readLine(std::string& line, Ms timeout);
    // Sends the signal, then waits for the end: the exit status, 128 + the signal that ended it,
    // or -1 when it did not end in time (it is killed then).
    int stop(int signal, Ms timeout = Ms(20000));
    int wait(Ms timeout = Ms(60000));  // the same, without a signal

    std::string output() const { return contents(out_); }
    std::string errors() const { return contents(err_); }

private:
    static std::string contents(std::FILE* file);

    pid_t pid_ = -1;
    std::FILE* out_;
    std::FILE* err_;
    size_t consumed_ = 0;  // bytes of output handed out by readLine
};

}  // namespace ocsm_test
