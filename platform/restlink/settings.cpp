// The settings, read from the environment at first use.
#include "settings.h"

#include <cerrno>
#include <cstdlib>

#include "log.h"

namespace restlink {
namespace {

std::string envText(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string(fallback);
}

long timeoutFromEnv() {
    const char* text = std::getenv("RESTLINK_TIMEOUT_MS");
    if (!text) return kDefaultTimeoutMs;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    // Digits only: "300ms" or " 300" are mistakes worth telling about.
    bool digitsOnly = *text >= '0' && *text <= '9' && end && *end == '\0';
    if (!digitsOnly || errno == ERANGE || value <= 0 || value > kMaxTimeoutMs) {
        writeLine("ignoring RESTLINK_TIMEOUT_MS=\"" + std::string(text) +
                  "\": expected milliseconds from 1 to " + std::to_string(kMaxTimeoutMs) +
                  "; using " + std::to_string(kDefaultTimeoutMs));
        return kDefaultTimeoutMs;
    }
    return value;
}

Settings readSettings() {
    Settings s;
    s.baseUrl = envText("RESTLINK_BASE_URL", "");
    if (s.baseUrl.empty()) s.baseUrl = kDefaultBaseUrl;
    // Paths start with '/', so a trailing one here would double it.
    while (!s.baseUrl.empty() && s.baseUrl.back() == '/')
        s.baseUrl.pop_back();
    s.token = envText("RESTLINK_TOKEN", "");
    s.timeoutMs = timeoutFromEnv();
    return s;
}

}  // namespace

const Settings& settings() {
    static const Settings instance = readSettings();
    return instance;
}

}  // namespace restlink
