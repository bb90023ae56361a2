// The controller's REST service on loopback: the screen and interface list-detail queries, the
// colour space setting, and the simulator's own auto-report routes, all behind the login token.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "controller/controllerstate.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace ControllerSim {

struct ServiceOptions {
    // Every request must carry exactly this in "Authorization"; a missing header counts as empty.
    std::string token;
    // Receives one line per request (never the token); empty: no request log.
    std::function<void(const std::string&)> requestLog;
    // Worker threads. A keep-alive connection or a waiting follower holds one for its duration.
    size_t threads = 32;
    // Followers allowed to wait at once, so that waiting never starves the other requests.
    size_t maxWaitingFollowers = 16;
    // Idle keep-alive connections are closed after this long; stopping waits for them.
    int keepAliveSeconds = 1;
};

class ControllerService {
public:
    ControllerService(ControllerState& state, ServiceOptions options);
    ~ControllerService();
    ControllerService(const ControllerService&) = delete;
    ControllerService& operator=(const ControllerService&) = delete;

    // Binds a listening socket (port 0 picks a free one) and serves requests on a thread of its
    // own until stop(). False with the reason when the socket cannot be bound or it already ran.
    bool start(const std::string& host, int port, std::string& error);
    // The bound port, 0 before start().
    int port() const { return port_; }
    // Followers waiting for a report right now.
    size_t waitingFollowers() const { return waitingFollowers_; }
    // False once serving has ended, by stop() or on its own.
    bool running() const { return serving_; }

    // Ends waiting followers, stops accepting, finishes the requests in progress and joins the
    // serving thread. Safe to call more than once; not from a signal handler.
    void stop();

private:
    void installRoutes();
    void handleScreens(const httplib::Request& request, httplib::Response& response);
    void handleInterfaces(const httplib::Request& request, httplib::Response& response);
    void handleColorSpace(const httplib::Request& request, httplib::Response& response);
    void handleFollow(const httplib::Request& request, httplib::Response& response);
    void handleLatestSeq(const httplib::Request& request, httplib::Response& response);
    void handleQueueReport(const httplib::Request& request, httplib::Response& response);
    void logRequest(const httplib::Request& request, const httplib::Response& response) const;

    ControllerState& state_;
    const ServiceOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> serving_{false};
    std::atomic<size_t> waitingFollowers_{0};
    std::mutex stopMutex_;
};

}  // namespace ControllerSim
