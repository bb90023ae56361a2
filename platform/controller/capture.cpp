// Capturing a controller's list-detail answers into a fixture file, over cpp-httplib.
#include "controller/capture.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "controller/controllerdata.h"
#include "controller/restroutes.h"

namespace ControllerSim {

namespace {

// A controller's answer is tens of kilobytes; anything near this is not one.
constexpr size_t kMaxAnswerBytes = size_t(256) << 20;
// How much of a refusal's body an error shows.
constexpr size_t kShownBodyBytes = 200;

struct Answer {
    std::string text;  // exactly as received
    size_t entries = 0;
};

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// Why an exchange that gave no answer failed.
std::string failure(httplib::Error error, bool late, int timeoutMs) {
    const std::string time = std::to_string(timeoutMs) + " ms";
    if (late) return "got no whole answer within " + time;
    switch (error) {
        case httplib::Error::Connection:
            return "could not connect";
        case httplib::Error::ConnectionTimeout:
            return "could not connect within " + time;
        case httplib::Error::Read:
            return "lost the connection before the whole answer came";
        case httplib::Error::Write:
            return "lost the connection while sending the request";
        default:
            return "failed (" + httplib::to_string(error) + ")";
    }
}

// One GET of `path`, bounded as a whole by the time-out, not only between bytes.
bool fetch(httplib::Client& client, const std::string& where, const std::string& path,
           int timeoutMs, Answer& answer, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string body;
    bool tooLarge = false;
    bool late = false;
    const auto result = client.Get(
        path.c_str(), [](const httplib::Response&) { return true; },
        [&](const char* data, size_t size) {
            tooLarge = body.size() + size > kMaxAnswerBytes;
            late = std::chrono::steady_clock::now() > deadline;
            if (tooLarge || late) return false;
            body.append(data, size);
            return true;
        });
    const std::string what = "GET " + where + path;
    if (tooLarge) {
        error = what + " answered with more than " + std::to_string(kMaxAnswerBytes) + " bytes";
        return false;
    }
    if (!result) {
        // A read that timed out, or the receiver past the deadline.
        late = late || std::chrono::steady_clock::now() >= deadline;
        error = what + " " + failure(result.error(), late, timeoutMs);
        return false;
    }
    if (result->status < 200 || result->status > 299) {
        error = what + " was refused with HTTP " + std::to_string(result->status);
        if (!body.empty())
            error += ": " + body.substr(0, kShownBodyBytes) +
                     (body.size() > kShownBodyBytes ? "..." : "");
        return false;
    }
    Json parsed;
    std::string reason;
    if (!parseJson(body, parsed, reason)) {
        error = what + " answered with something that is not JSON: " + reason;
        return false;
    }
    const std::string problem = answerProblem(parsed);
    if (!problem.empty()) {
        error = what + " answered with something that is not a list-detail answer: " + problem;
        return false;
    }
    const auto data = parsed.find("data");
    if (data != parsed.end() && data->contains("list")) answer.entries = (*data)["list"].size();
    answer.text = std::move(body);
    return true;
}

// Writes through a file beside `out` renamed into place, so that `out` is whole or untouched.
bool writeWhole(const std::string& out, const std::string& text, std::string& error) {
    const std::string partial = out + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            std::remove(partial.c_str());
            error = "cannot write " + partial;
            return false;
        }
    }
    if (std::rename(partial.c_str(), out.c_str()) != 0) {
        std::remove(partial.c_str());
        error = "cannot write " + out;
        return false;
    }
    return true;
}

}  // namespace

bool captureFixture(const CaptureOptions& options, std::string& summary, std::string& error) {
    // http://HOST[:PORT] or https://..., then an optional base path; no query, no fragment.
    const std::string& url = options.url;
    const size_t scheme = url.rfind("http://", 0) == 0 ? 7 : url.rfind("https://", 0) == 0 ? 8 : 0;
    const size_t path = scheme == 0 ? 0 : std::min(url.find('/', scheme), url.size());
    if (scheme == 0 || path == scheme || url.find_first_of("?#") != std::string::npos) {
        error = "--capture needs a URL like http://HOST[:PORT][/BASE], not \"" + url + "\"";
        return false;
    }
    const std::string origin = url.substr(0, path);
    std::string base = url.substr(path);
    while (!base.empty() && base.back() == '/')
        base.pop_back();

    httplib::Client client(origin);
    const time_t seconds = options.timeoutMs / 1000;
    const time_t micros = (options.timeoutMs % 1000) * 1000;
    client.set_connection_timeout(seconds, micros);
    client.set_read_timeout(seconds, micros);
    client.set_write_timeout(seconds, micros);
    // What the plugin's HTTP client is sent: the answer as it is, not compressed for transport.
    client.set_default_headers({{"Authorization", options.token}, {"Accept-Encoding", "identity"}});

    Answer screens;
    Answer interfaces;
    if (!fetch(client, origin, base + kScreenListPath, options.timeoutMs, screens, error) ||
        !fetch(client, origin, base + kInterfaceListPath, options.timeoutMs, interfaces, error))
        return false;

    // The answers go in as they came; they are JSON values, so the fixture is a JSON object.
    const std::string text = "{\"capturedFrom\":" + writeJson(Json(options.url), false) +
                             ",\"capturedAt\":\"" + utcNow() + "\",\n\"" + kFixtureScreens +
                             "\":" + screens.text + ",\n\"" + kFixtureInterfaces +
                             "\":" + interfaces.text + "}\n";
    Json check;
    std::string reason;
    if (!parseJson(text, check, reason)) {
        error = "the answers do not make one JSON fixture: " + reason;
        return false;
    }
    if (!writeWhole(options.out, text, error)) return false;
    summary = "captured " + std::to_string(screens.entries) + " screens (" +
              std::to_string(screens.text.size()) + " bytes) and " +
              std::to_string(interfaces.entries) + " interfaces (" +
              std::to_string(interfaces.text.size()) + " bytes) from " + options.url + " into " +
              options.out;
    return true;
}

}  // namespace ControllerSim
