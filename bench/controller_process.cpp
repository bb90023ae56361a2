// controller-sim as a child process: fork, exec, the address line read from a pipe, SIGTERM.
#include "controller_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace bench {
namespace {

constexpr const char* kListening = "controller-sim listening on ";

// The first line the child prints, waiting at most until the deadline.
std::string first_line(int fd, std::chrono::steady_clock::time_point deadline) {
    std::string line;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::string();
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
        char c;
        if (read(fd, &c, 1) != 1) return std::string();
        if (c == '\n') return line;
        line += c;
    }
}

}  // namespace

ControllerProcess::ControllerProcess(const std::string& program, const std::string& token) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        // The simulator ends with the benchmark, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), "--port", "0", "--token", token.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    if (pid_ > 0) {
        const std::string line =
            first_line(out[0], std::chrono::steady_clock::now() + std::chrono::seconds(10));
        if (line.rfind(kListening, 0) == 0)
            url_ = "http://" + line.substr(std::string(kListening).size());
    }
    close(out[0]);
}

ControllerProcess::~ControllerProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

}  // namespace bench
