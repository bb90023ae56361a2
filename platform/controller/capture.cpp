// Capturing a controller's answers to the plugin's requests into a capture file, over cpp-httplib.
#include "controller/capture.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <utility>

#include "controller/capturefile.h"
#include "controller/controllerdata.h"
#include "controller/restroutes.h"

namespace ControllerSim {

namespace {

// A controller's answer is tens of kilobytes; anything near this is not one.
constexpr size_t kMaxAnswerBytes = size_t(256) << 20;
// How much of a refusal's body an error shows.
constexpr size_t kShownBodyBytes = 200;

// The plugin's own screen filter: the regular screens.
const char* const kRegularScreens = "2";
const char kByteOrderMark[] = "\xEF\xBB\xBF";

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

// One GET of the answer's path and query under `base`, bounded as a whole by the time-out, not
// only between bytes; fills in the rest of the answer.
bool fetch(httplib::Client& client, const std::string& where, const std::string& base,
           int timeoutMs, CapturedAnswer& answer, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string body;
    bool tooLarge = false;
    bool late = false;
    const auto result = client.Get(
        base + answer.path, httplib::Params(answer.query.begin(), answer.query.end()), {},
        [](const httplib::Response&) { return true; },
        [&](const char* data, size_t size) {
            tooLarge = body.size() + size > kMaxAnswerBytes;
            late = std::chrono::steady_clock::now() > deadline;
            if (tooLarge || late) return false;
            body.append(data, size);
            return true;
        });
    const std::string what = requestText(answer, where + base);
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
    answer.status = result->status;
    answer.reason = result->reason;
    if (result->has_header("Content-Type"))
        answer.contentType = result->get_header_value("Content-Type");
    answer.chunked =
        result->get_header_value("Transfer-Encoding").find("chunked") != std::string::npos;
    answer.body = std::move(body);
    return true;
}

// What an answer that says there is more than it holds says, or empty.
std::string morePages(const Json& document) {
    const Json none;
    const auto found = document.find("data");
    const Json& data = found == document.end() ? none : *found;
    const Json* list = listOf(document);
    const int64_t held = list ? int64_t(list->size()) : 0;
    const std::optional<int64_t> totalCount = integerAt(data, "totalCount");
    const std::optional<int64_t> page = integerAt(data, "page");
    const std::optional<int64_t> totalPage = integerAt(data, "totalPage");
    if (totalCount.value_or(0) <= held && totalPage.value_or(0) <= page.value_or(1))
        return std::string();
    std::string says;
    for (const auto& [name, counter] :
         {std::pair{"totalCount", totalCount}, {"page", page}, {"totalPage", totalPage}})
        if (counter) says += std::string(", ") + name + " " + std::to_string(*counter);
    return "says more pages exist than it holds (it lists " + std::to_string(held) + says +
           "); the plugin asks for no other page, so none was captured";
}

// Notes what is wrong with a kept answer in its warnings; the list-detail document it holds, or
// null when it holds none.
Json assess(CapturedAnswer& answer) {
    if (answer.body.rfind(kByteOrderMark, 0) == 0)
        answer.warnings.push_back(
            "starts with a byte-order mark (EF BB BF), which JSON does not allow");
    Json document;
    std::string reason;
    if (!parseJson(answer.body, document, reason)) {
        answer.warnings.push_back("is not JSON (Content-Type " +
                                  answer.contentType.value_or("none") + "): " + reason);
        return Json();
    }
    const std::string problem = answerProblem(document);
    if (!problem.empty()) {
        answer.warnings.push_back("is JSON but not a list-detail answer: " + problem);
        return Json();
    }
    const std::string more = morePages(document);
    if (!more.empty()) answer.warnings.push_back(more);
    return document;
}

// The interfaces the regular screens' first outputs name, each once, in the screens' order.
std::vector<int64_t> firstOutputs(const Json& regularScreens) {
    std::vector<int64_t> ids;
    const Json* screens = listOf(regularScreens);
    for (size_t i = 0; screens && i < screens->size(); ++i) {
        const Json& screen = (*screens)[i];
        const Json::json_pointer first("/mosaic/outputs/0");
        std::optional<int64_t> id;
        try {
            if (screen.contains(first)) id = integerAt(screen.at(first), "interfaceId");
        } catch (const Json::exception&) {
            // A mosaic or outputs of another shape names no interface.
        }
        if (id && *id >= INT32_MIN && *id <= INT32_MAX &&
            std::find(ids.begin(), ids.end(), *id) == ids.end())
            ids.push_back(*id);
    }
    return ids;
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

bool captureFixture(const CaptureOptions& options, std::string& summary,
                    std::vector<std::string>& warnings, std::string& error) {
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

    // What the plugin asks first, then the unfiltered lists the answers not captured are
    // rendered from, then what the plugin asks next.
    std::vector<CapturedAnswer> answers(3);
    answers[0].path = kScreenListPath;
    answers[0].query = {{"screenType", kRegularScreens}};
    answers[1].path = kScreenListPath;
    answers[2].path = kInterfaceListPath;
    for (size_t i = 0; i < answers.size(); ++i) {
        if (!fetch(client, origin, base, options.timeoutMs, answers[i], error)) return false;
        const Json document = assess(answers[i]);
        for (const int64_t id : i == 0 ? firstOutputs(document) : std::vector<int64_t>()) {
            answers.emplace_back();
            answers.back().path = kInterfaceListPath;
            answers.back().query = {{"interfaceId", std::to_string(id)}};
        }
    }
    size_t bytes = 0;
    for (const CapturedAnswer& answer : answers) {
        bytes += answer.body.size();
        for (const std::string& warning : answer.warnings)
            warnings.push_back(requestText(answer) + " " + warning);
    }
    if (!writeWhole(options.out, captureText(options.url, utcNow(), answers), error)) return false;
    summary = "captured " + std::to_string(answers.size()) + " answers (" + std::to_string(bytes) +
              " bytes) from " + options.url + " into " + options.out;
    return true;
}

}  // namespace ControllerSim
