// The controller's REST service on loopback, behind the login token.
//
// The screen and interface queries, the colour space setting, and the simulator's auto-report
// routes and fault switch.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "controller/controllerstate.h"
#include "controller/faults.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace ControllerSim {

struct ServiceOptions {
    // Every request must carry exactly this in "Authorization"; a missing header counts as empty.
    std::string token;
    // Receives one line per request (never the token).
    std::function<void(const std::string&)> requestLog;
    // The fault in force from the start (Faults::known).
    std::string fault = "none";
};

class ControllerService {
public:
    ControllerService(ControllerState& state, ServiceOptions options);
    ~ControllerService();
    ControllerService(const ControllerService&) = delete;
    ControllerService& operator=(const ControllerService&) = delete;

    // Binds a listening socket (port 0 picks a free one) and serves on a thread of its own until
    // stop(). False with the reason when the socket cannot be bound.
    bool start(const std::string& host, int port, std::string& error);
    // The bound port.
    int port() const { return port_; }
    // False once serving has ended, by stop() or on its own.
    bool running() const { return serving_; }

    // Ends waiting followers, stops accepting, finishes the requests in progress and joins the
    // serving thread. Safe to call more than once; not from a signal handler.
    void stop();

private:
    // An optional decimal URL key and the values it may take.
    struct UrlKey {
        const char* name;
        int64_t min;
        int64_t max;
        std::optional<int64_t>& value;
    };

    // Answers with an envelope without data, written as the state writes its answers.
    void envelope(httplib::Response& response, int status, int32_t code,
                  const std::string& message) const;
    bool readKeys(const httplib::Request& request, httplib::Response& response,
                  std::initializer_list<UrlKey> keys) const;
    // Answers with the captured answer to this request, unchanged, if there is one to serve.
    bool replayCaptured(const httplib::Request& request, httplib::Response& response) const;
    // Answers with a rendered answer, or, without a document to render it from, with 404.
    void sendRendered(const httplib::Request& request, httplib::Response& response,
                      const std::optional<std::string>& rendered) const;
    void handleScreens(const httplib::Request& request, httplib::Response& response);
    void handleInterfaces(const httplib::Request& request, httplib::Response& response);
    void handleColorSpace(const httplib::Request& request, httplib::Response& response);
    void handleFollow(const httplib::Request& request, httplib::Response& response);
    void logRequest(const httplib::Request& request, const httplib::Response& response) const;

    ControllerState& state_;
    const ServiceOptions options_;
    Faults faults_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> serving_{false};
    std::atomic<int> waitingFollowers_{0};
    std::mutex stopMutex_;
};

}  // namespace ControllerSim
