// The library's settings, read from the environment once per process: each case in a process of
// its own (forked), from a table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "restlink/settings.h"
#include "testsupport.h"

namespace {

// What the settings come to in a fresh process whose environment sets these variables
// ("(unset)": not set): anything the library wrote, then "URL|TOKEN|MS".
std::string settingsIn(const std::string& base, const std::string& token,
                       const std::string& timeout) {
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        const std::pair<const char*, const std::string*> variables[] = {
            {"RESTLINK_BASE_URL", &base},
            {"RESTLINK_TOKEN", &token},
            {"RESTLINK_TIMEOUT_MS", &timeout}};
        for (const auto& [name, value] : variables) {
            if (*value == "(unset)") {
                unsetenv(name);
            } else {
                setenv(name, value->c_str(), 1);
            }
        }
        const restlink::Settings& settings = restlink::settings();
        std::fprintf(stderr, "%s|%s|%ld", settings.baseUrl.c_str(), settings.token.c_str(),
                     settings.timeoutMs);
        std::fflush(stderr);
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "the child failed: " + text;
}

TEST(RestlinkSettings, FromTheEnvironmentWithDefaultsAndOneLineForATimeOutNotTaken) {
    for (const auto& c : ocsm_test::readCases("restlink/settings.tsv"))
        EXPECT_EQ(settingsIn(c.at(0), c.at(1), c.at(2)), c.at(3)) << c[2];
}

}  // namespace
