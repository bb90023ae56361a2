// Runs one of our programs as a child process for a test: with the emulator
// prefix of the cross build, its standard output and error captured, and a
// bounded wait for everything.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace ocsm_test {

class ChildProcess {
public:
    // Starts `program` with `arguments`; `environment` entries (NAME=value)
    // are added to or replace the test's own environment. Check started().
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }

    // The next line of standard output (without its line feed), waiting at most
    // `timeout`; false at time-out or end of output.
    bool readLine(std::string& line, std::chrono::milliseconds timeout);

    // Sends `signal`, then waits for the child's end. Returns the exit status,
    // 128 + signal number for a child killed by a signal, or -1 on time-out
    // (the child is then killed).
    int stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // Waits for the child's own end and collects all its output. Same result
    // values as stop().
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(60));

    // Everything read so far (wait() and stop() read to the end).
    const std::string& output() const { return out_; }
    // Standard output after the lines readLine handed out.
    std::string unread() const { return out_.substr(consumed_); }
    const std::string& errors() const { return err_; }

private:
    bool pump(std::chrono::milliseconds timeout);  // reads what is ready; false when both ended
    int reap(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
    std::size_t consumed_ = 0;  // bytes of out_ handed out by readLine
};

// Program path with the emulator the cross build runs child programs under.
std::vector<std::string> commandLine(const std::string& program,
                                     const std::vector<std::string>& arguments);

}  // namespace ocsm_test
