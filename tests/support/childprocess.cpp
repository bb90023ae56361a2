// Child processes for tests: spawned with the emulator prefix, output in temporary files.
#include "childprocess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <thread>

extern char** environ;

namespace ocsm_test {

using Clock = std::chrono::steady_clock;

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments)
    : out_(std::tmpfile()), err_(std::tmpfile()) {
    std::vector<std::string> words;
    std::istringstream emulator(OCSM_TEST_EMULATOR);
    for (std::string word; emulator >> word;)
        words.push_back(word);
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fileno(out_), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err_), 2);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    stop(SIGKILL, Ms(5000));
    std::fclose(out_);
    std::fclose(err_);
}

std::string ChildProcess::contents(std::FILE* file) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = pread(fileno(file), buffer, sizeof buffer, text.size())) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

bool ChildProcess::readLine(std::string& line, Ms timeout) {
    for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline;) {
        const std::string text = output();
        const size_t end = text.find('\n', consumed_);
        if (end != std::string::npos) {
            line = text.substr(consumed_, end - consumed_);
            consumed_ = end + 1;
            return true;
        }
        std::this_thread::sleep_for(Ms(10));
    }
    return false;
}

int ChildProcess::stop(int signal, Ms timeout) {
    if (pid_ > 0) kill(pid_, signal);
    return wait(timeout);
}

int ChildProcess::wait(Ms timeout) {
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    while (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(Ms(10));
    }
    if (pid_ <= 0) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace ocsm_test
