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

#include "controller/simroutes.h"
#include "controller/textnumbers.h"

namespace ControllerSim {

namespace {

using LCD::ProtoModel::s_response;
using LCD::ProtoModel::Interface::s_InterfaceDetailInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetail;

const char* const kJson = "application/json";
constexpr int64_t kDefaultWaitMs = 10000;
constexpr int64_t kMaxWaitMs = 30000;
constexpr size_t kMaxBodyBytes = 1 << 20;
// A keep-alive connection or a waiting follower holds a worker for its duration, so followers
// may hold at most half of them and never starve the other requests.
constexpr size_t kWorkers = 32;
constexpr int kMaxWaitingFollowers = 16;
constexpr int32_t kNoCode = INT32_MIN;

// Only the code of an answer, for the request log; kNoCode when the body has none.
struct s_LoggedCode {
    int32_t code = kNoCode;
};
LCDJSON_RECORD(s_LoggedCode, code)

void sendText(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text, kJson);
}

// The envelope of an answer without data: a refusal, or a change that was taken.
void sendEnvelope(httplib::Response& response, int status, int32_t code,
                  const std::string& message) {
    std::string quoted;
    LCD::ProtoModel::encode(quoted, message);
    sendText(response, status,
             "{\"code\":" + std::to_string(code) + ",\"message\":" + quoted + ",\"data\":{}}");
}

// One page holding every match.
template <class Page, class Item>
void sendPage(httplib::Response& response, std::vector<Item> items) {
    s_response<Page> envelope;
    envelope.message = "success";
    envelope.data.count = int32_t(items.size());
    envelope.data.page = 1;
    envelope.data.totalCount = envelope.data.count;
    envelope.data.totalPage = 1;
    envelope.data.list = std::move(items);
    std::string text;
    LCD::ProtoModel::encode(text, envelope);
    sendText(response, 200, text);
}

// Reads an optional decimal URL key. A malformed, out-of-range or repeated value is answered
// with 400 and ends the request (false).
bool readKey(const httplib::Request& request, httplib::Response& response, const char* key,
             int64_t min, int64_t max, std::optional<int64_t>& value) {
    const size_t count = request.get_param_value_count(key);
    if (count == 0) return true;
    const std::string text = request.get_param_value(key);
    int64_t number = 0;
    if (count > 1) {
        sendEnvelope(response, 400, kCodeBadQuery, std::string(key) + " is given more than once");
        return false;
    }
    if (!parseDecimal(text, min, max, number)) {
        sendEnvelope(response, 400, kCodeBadQuery,
                     std::string(key) + " must be a decimal integer from " + std::to_string(min) +
                         " to " + std::to_string(max) + ", not \"" + text + "\"");
        return false;
    }
    value = number;
    return true;
}

std::optional<int32_t> narrow(const std::optional<int64_t>& value) {
    if (!value) return std::nullopt;
    return int32_t(*value);
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
                sendEnvelope(response, 401, 401, "unauthorized");
            else if (!faults_.answerInstead(request, response))
                return httplib::Server::HandlerResponse::Unhandled;
            return httplib::Server::HandlerResponse::Handled;
        });
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request& request, httplib::Response& response) {
            // Answers that already carry an envelope keep it.
            if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            std::string message = statusText(response.status);
            if (response.status == 404) message += ": " + request.method + " " + request.path;
            sendEnvelope(response, response.status, response.status, message);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown exception";
            try {
                if (error) std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            sendEnvelope(response, 500, 500, "internal error: " + what);
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
    server.Get(LCD::Proto::Constants::GETSCREENLISTDETAIL, bind(&ControllerService::handleScreens));
    server.Get(LCD::Proto::Constants::GETINTERFACELISTDETAIL,
               bind(&ControllerService::handleInterfaces));
    server.Put(LCD::Proto::Constants::PUTSCREENCOLORSPACE,
               bind(&ControllerService::handleColorSpace));
    server.Get(kAutoReportPath, bind(&ControllerService::handleFollow));
    server.Get(kLatestReportPath, [this](const httplib::Request&, httplib::Response& response) {
        sendText(response, 200, "{\"seq\":" + std::to_string(state_.latestSeq()) + "}");
    });
    server.Put(kFaultPath, [this](const httplib::Request& request, httplib::Response& response) {
        if (faults_.select(request.body))
            sendEnvelope(response, 200, kCodeSuccess, "fault " + request.body);
        else
            sendEnvelope(
                response, 400, kCodeBadQuery,
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

void ControllerService::handleScreens(const httplib::Request& request,
                                      httplib::Response& response) {
    std::optional<int64_t> screenType;
    std::optional<int64_t> screenId;
    if (!readKey(request, response, "screenType", INT32_MIN, INT32_MAX, screenType)) return;
    if (!readKey(request, response, "screenId", INT32_MIN, INT32_MAX, screenId)) return;
    sendPage<s_ScreenDetail>(response, state_.screens(narrow(screenType), narrow(screenId)));
}

void ControllerService::handleInterfaces(const httplib::Request& request,
                                         httplib::Response& response) {
    std::optional<int64_t> interfaceId;
    if (!readKey(request, response, "interfaceId", INT32_MIN, INT32_MAX, interfaceId)) return;
    sendPage<s_InterfaceDetailInfo>(response, state_.interfaces(narrow(interfaceId)));
}

void ControllerService::handleColorSpace(const httplib::Request& request,
                                         httplib::Response& response) {
    // The device answers a refused setting with HTTP 200 and a non-zero code.
    std::vector<s_ScreenColorSpace> changes;
    std::string codecError;
    if (!LCD::ProtoModel::decode(request.body, changes, codecError)) {
        sendEnvelope(response, 200, kCodeMalformedBody, "malformed body: " + codecError);
        return;
    }
    const ChangeResult result = state_.setColorSpaces(changes);
    sendEnvelope(response, 200, result.code, result.message);
}

void ControllerService::handleFollow(const httplib::Request& request, httplib::Response& response) {
    std::optional<int64_t> after;
    std::optional<int64_t> waitMs;
    if (!readKey(request, response, kFollowKeys[0], 0, UINT32_MAX, after)) return;
    if (!readKey(request, response, kFollowKeys[1], 0, INT64_MAX, waitMs)) return;
    const int64_t wait = std::min(waitMs.value_or(kDefaultWaitMs), kMaxWaitMs);

    if (waitingFollowers_.fetch_add(1) >= kMaxWaitingFollowers) {
        waitingFollowers_.fetch_sub(1);
        sendEnvelope(response, 503, 503, "too many waiting followers");
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
            sendEnvelope(response, 503, 503, "shutting down");
            break;
    }
}

void ControllerService::logRequest(const httplib::Request& request,
                                   const httplib::Response& response) const {
    std::string line =
        request.method + " " + request.target + " -> " + std::to_string(response.status);
    // A faulted answer can be anything; its fault says more than its code.
    const std::string fault = response.get_header_value(kFaultHeader);
    s_LoggedCode logged;
    std::string ignored;
    if (!fault.empty()) {
        line += " fault " + fault;
    } else if (!response.body.empty() && LCD::ProtoModel::decode(response.body, logged, ignored) &&
               logged.code != kNoCode) {
        line += " code " + std::to_string(logged.code);
    }
    line += " (" + std::to_string(response.body.size()) + " bytes)";
    options_.requestLog(line);
}

}  // namespace ControllerSim
