// Process-wide settings of the library, read from the environment once.
#ifndef RESTLINK_SETTINGS_H
#define RESTLINK_SETTINGS_H

#include <string>

namespace restlink {

struct Settings {
    std::string baseUrl;  // scheme, host, port and optional prefix, no trailing '/'
    std::string token;    // the "Authorization" value handed to the plugin
    long timeoutMs;       // whole exchange, connection set-up included
};

constexpr const char* kDefaultBaseUrl = "http://127.0.0.1:8080";
constexpr long kDefaultTimeoutMs = 5000;
// Longer time-outs would let one stuck exchange hold a host thread for ages.
constexpr long kMaxTimeoutMs = 3600L * 1000L;

// Reads RESTLINK_BASE_URL, RESTLINK_TOKEN and RESTLINK_TIMEOUT_MS on the first
// call (thread-safe); later calls return the same values. A bad time-out
// falls back to the default, with one line on standard error.
const Settings& settings();

}  // namespace restlink

#endif  // RESTLINK_SETTINGS_H
