// The controller's REST service on loopback, over cpp-httplib.
#include "controller/controllerservice.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "controller/controllerdata.h"

#include "controller/restroutes.h"
#include "controller/simroutes.h"
#include "controller/textnumbers.h"

namespace ControllerSim {

namespace {

const char* const kJson = "application/json";
constexpr int64_t kDefaultWaitMs = 10000;
constexpr int64_t kMaxWaitMs = 30000;
constexpr size_t kMaxBodyBytes = 1 << 20;
// A keep-alive connection or a waiting follower holds a worker for its duration, so followers
// may hold at most half of them and never starve the other requests.
constexpr size_t kWorkers = 32;
constexpr int kMaxWaitingFollowers = 16;
// Answers larger than this are not parsed again for the request log's code.
constexpr size_t kMaxLoggedBody = 1 << 20;

void sendText(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text, kJson);
}

// The envelope of an answer without data: a refusal, or a change that was taken.
void sendEnvelope(httplib::Response& response, int status, int32_t code, const std::string& message,
                  bool pretty) {
    const Json envelope = {{"code", code}, {"message", message}, {"data", Json::object()}};
    sendText(response, status, writeJson(envelope, pretty));
}

// Reads an optional decimal URL key. Empty, or why a malformed, out-of-range or repeated value is
// refused.
std::string readKey(const httplib::Request& request, const char* key, int64_t min, int64_t max,
                    std::optional<int64_t>& value) {
    const size_t count = request.get_param_value_count(key);
    if (count == 0) return std::string();
    if (count > 1) return std::string(key) + " is given more than once";
    const std::string text = request.get_param_value(key);
    int64_t number = 0;
    if (!parseDecimal(text, min, max, number))
        return std::string(key) + " must be a decimal integer from " + std::to_string(min) +
               " to " + std::to_string(max) + ", not \"" + text + "\"";
    value = number;
    return std::string();
}

// The envelope's code of an answer, for the request log; none when it has none.
std::optional<int64_t> codeOf(const std::string& body) {
    if (body.empty() || body.size() > kMaxLoggedBody) return std::nullopt;
    const Json answer = Json::parse(body, nullptr, false);
    if (!answer.is_object()) return std::nullopt;
    const auto code = answer.find("code");
    if (code == answer.end() || !code->is_number_integer()) return std::nullopt;
    return code->get<int64_t>();
}

const char* statusText(int status) {
    switch (status) {
        case 400:
            return "bad request";
        case 404:
            return "not found";
        case 405:
            return "method not allowed";
        case 413:
            return "payload too large";
        case 414:
            return "uri too long";
        default:
            return "request failed";
    }
}

// Compares in a time that depends on the longer length only, so that how long a refusal takes
// tells nothing about how much of a guessed token was right.
bool sameToken(const std::string& given, const std::string& expected) {
    unsigned difference = given.size() != expected.size();
    for (size_t i = 0; i < std::max(given.size(), expected.size()); ++i)
        difference |= static_cast<unsigned char>(i < given.size() ? given[i] : 0) ^
                      static_cast<unsigned char>(i < expected.size() ? expected[i] : 0);
    return difference == 0;
}

}  // namespace

ControllerService::ControllerService(ControllerState& state, ServiceOptions options)
    : state_(state), options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    httplib::Server& server = *server_;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // Nagle's algorithm meeting delayed ACKs would stall every keep-alive exchange by ~40 ms.
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000);
    // Stopping waits for idle keep-alive connections; keep that short.
    server.set_keep_alive_timeout(1);
    server.set_payload_max_length(kMaxBodyBytes);
    // The library's default adds SO_REUSEPORT, which would let a second simulator share the
    // port instead of reporting it as taken.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });

    faults_.select(options_.fault);
    server.set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            if (!sameToken(request.get_header_value("Authorization"), options_.token))
                envelope(response, 401, 401, "unauthorized");
            else if (!faults_.answerInstead(request, response))
                return httplib::Server::HandlerResponse::Unhandled;
            return httplib::Server::HandlerResponse::Handled;
        });
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [this](const httplib::Request& request, httplib::Response& response) {
            // Answers that already carry an envelope keep it.
            if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            std::string message = statusText(response.status);
            if (response.status == 404) message += ": " + request.method + " " + request.path;
            envelope(response, response.status, response.status, message);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler(
        [this](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown exception";
            try {
                if (error) std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            envelope(response, 500, 500, "internal error: " + what);
        });
    if (options_.requestLog) {
        server.set_logger(
            [this](const httplib::Request& request, const httplib::Response& response) {
                logRequest(request, response);
            });
    }

    using Handler = void (ControllerService::*)(const httplib::Request&, httplib::Response&);
    auto bind = [this](Handler handler) {
        return [this, handler](const httplib::Request& request, httplib::Response& response) {
            (this->*handler)(request, response);
            faults_.spoil(request, response);
        };
    };
    server.Get(kScreenListPath, bind(&ControllerService::handleScreens));
    server.Get(kInterfaceListPath, bind(&ControllerService::handleInterfaces));
    server.Put(kColorSpacePath, bind(&ControllerService::handleColorSpace));
    server.Get(kAutoReportPath, bind(&ControllerService::handleFollow));
    server.Get(kLatestReportPath, [this](const httplib::Request&, httplib::Response& response) {
        sendText(response, 200, "{\"seq\":" + std::to_string(state_.latestSeq()) + "}");
    });
    server.Put(kFaultPath, [this](const httplib::Request& request, httplib::Response& response) {
        if (faults_.select(request.body))
            envelope(response, 200, kCodeSuccess, "fault " + request.body);
        else
            envelope(response, 400, kCodeBadQuery,
                     "unknown fault \"" + request.body + "\" (controller-sim --help lists them)");
    });
}

ControllerService::~ControllerService() {
    stop();
}

bool ControllerService::start(const std::string& host, int port, std::string& error) {
    std::lock_guard<std::mutex> lock(stopMutex_);
    const std::string where = host + ":" + std::to_string(port);
    errno = 0;
    if (port == 0) {
        port = server_->bind_to_any_port(host);
    } else if (!server_->bind_to_port(host, port)) {
        port = -1;
    }
    if (port <= 0) {
        error = "cannot listen on " + where;
        if (errno != 0) error += std::string(": ") + std::strerror(errno);
        return false;
    }
    port_ = port;
    serving_ = true;
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        serving_ = false;
    });
    return true;
}

void ControllerService::stop() {
    std::lock_guard<std::mutex> lock(stopMutex_);
    // Waiting followers and faults hold workers; release them first so the pool can wind down.
    state_.shutdown();
    faults_.shutdown();
    if (!thread_.joinable()) return;
    // The server only takes the stop request once its accept loop has begun; repeat until the
    // serving thread has left it.
    while (serving_) {
        server_->stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    thread_.join();
}

void ControllerService::envelope(httplib::Response& response, int status, int32_t code,
                                 const std::string& message) const {
    sendEnvelope(response, status, code, message, state_.pretty());
}

// Reads the URL keys, each a decimal integer from min to max; a refusal answers with 400.
bool ControllerService::readKeys(const httplib::Request& request, httplib::Response& response,
                                 std::initializer_list<UrlKey> keys) const {
    for (const UrlKey& key : keys) {
        const std::string refusal = readKey(request, key.name, key.min, key.max, key.value);
        if (refusal.empty()) continue;
        envelope(response, 400, kCodeBadQuery, refusal);
        return false;
    }
    return true;
}

bool ControllerService::replayCaptured(const httplib::Request& request,
                                       httplib::Response& response) const {
    const CapturedAnswer* answer = state_.captured(request.path, request.params);
    if (!answer) return false;
    response.status = answer->status;
    // A fault in force spoils the body, and frames it its own way.
    if (answer->chunked && !response.has_header(kFaultHeader)) {
        response.set_chunked_content_provider("", [answer](size_t, httplib::DataSink& sink) {
            const bool written = sink.write(answer->body.data(), answer->body.size());
            if (written) sink.done();
            return written;
        });
    } else {
        response.body = answer->body;
    }
    response.headers.erase("Content-Type");
    if (answer->contentType) response.set_header("Content-Type", *answer->contentType);
    return true;
}

void ControllerService::sendRendered(const httplib::Request& request, httplib::Response& response,
                                     const std::optional<std::string>& rendered) const {
    if (rendered)
        sendText(response, 200, *rendered);
    else
        envelope(response, 404, 404,
                 "not captured: " + request.method + " " + request.target +
                     ", and the capture holds no JSON list-detail answer to render it from");
}

void ControllerService::handleScreens(const httplib::Request& request,
                                      httplib::Response& response) {
    std::optional<int64_t> screenType;
    std::optional<int64_t> screenId;
    if (replayCaptured(request, response) ||
        !readKeys(request, response,
                  {{"screenType", INT32_MIN, INT32_MAX, screenType},
                   {"screenId", INT32_MIN, INT32_MAX, screenId}}))
        return;
    sendRendered(request, response, state_.screens(screenType, screenId));
}

void ControllerService::handleInterfaces(const httplib::Request& request,
                                         httplib::Response& response) {
    std::optional<int64_t> interfaceId;
    if (replayCaptured(request, response) ||
        !readKeys(request, response, {{"interfaceId", INT32_MIN, INT32_MAX, interfaceId}}))
        return;
    sendRendered(request, response, state_.interfaces(interfaceId));
}

void ControllerService::handleColorSpace(const httplib::Request& request,
                                         httplib::Response& response) {
    // The device answers a refused setting with HTTP 200 and a non-zero code.
    std::vector<ColorSpaceChange> changes;
    std::string refusal;
    if (!parseColorSpaceRequest(request.body, changes, refusal)) {
        envelope(response, 200, kCodeMalformedBody, refusal);
        return;
    }
    const ChangeResult result = state_.setColorSpaces(changes);
    envelope(response, 200, result.code, result.message);
}

void ControllerService::handleFollow(const httplib::Request& request, httplib::Response& response) {
    std::optional<int64_t> after;
    std::optional<int64_t> waitMs;
    if (!readKeys(request, response,
                  {{kFollowKeys[0], 0, UINT32_MAX, after}, {kFollowKeys[1], 0, INT64_MAX, waitMs}}))
        return;
    const int64_t wait = std::min(waitMs.value_or(kDefaultWaitMs), kMaxWaitMs);

    if (waitingFollowers_.fetch_add(1) >= kMaxWaitingFollowers) {
        waitingFollowers_.fetch_sub(1);
        envelope(response, 503, 503, "too many waiting followers");
        return;
    }
    StoredReport report;
    const WaitResult result =
        state_.waitReport(uint32_t(after.value_or(0)), std::chrono::milliseconds(wait), report);
    waitingFollowers_.fetch_sub(1);

    switch (result) {
        case WaitResult::Report:
            // The follower asks for what comes after this number next.
            response.set_header(kReportSeqHeader, std::to_string(report.seq));
            sendText(response, 200, report.text);
            break;
        case WaitResult::Timeout:
            response.status = 204;
            break;
        case WaitResult::Shutdown:
            response.set_header("Connection", "close");
            envelope(response, 503, 503, "shutting down");
            break;
    }
}

void ControllerService::logRequest(const httplib::Request& request,
                                   const httplib::Response& response) const {
    std::string line =
        request.method + " " + request.target + " -> " + std::to_string(response.status);
    // A faulted answer can be anything; its fault says more than its code.
    const std::string fault = response.get_header_value(kFaultHeader);
    if (!fault.empty()) {
        line += " fault " + fault;
    } else if (const std::optional<int64_t> code = codeOf(response.body)) {
        line += " code " + std::to_string(*code);
    }
    line += " (" + std::to_string(response.body.size()) + " bytes)";
    options_.requestLog(line);
}

}  // namespace ControllerSim
