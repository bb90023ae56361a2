// A real HTTP server on 127.0.0.1 for the library's tests: it listens on a
// port the kernel picks and remembers every request it receives.
#ifndef RESTLINK_TESTS_LOCAL_SERVER_H
#define RESTLINK_TESTS_LOCAL_SERVER_H

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenRequest {
    std::string method;
    std::string target;  // path and query exactly as sent
    httplib::Headers headers;
    std::string body;
    int remotePort = 0;

    // Field names compare without regard to case, as in HTTP.
    bool hasHeader(const std::string& name) const { return headers.count(name) > 0; }
    // The `index`-th value of the field, in the order received; "<absent>"
    // when there is no such value.
    std::string header(const std::string& name, size_t index = 0) const;
};

class LocalServer {
public:
    LocalServer();
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Adds a route for `method` ("GET", "PUT", "POST", "PATCH" or "DELETE");
    // each request is recorded before `handler` runs, so a client that got
    // its answer always finds its request in seen(). Add routes before start().
    void route(const std::string& method, const std::string& pattern,
               httplib::Server::Handler handler);
    void start();
    void stop();

    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;

    std::vector<SeenRequest> seen();
    SeenRequest lastSeen();
    void forget();

private:
    void record(const httplib::Request& req);

    httplib::Server server_;
    std::thread listener_;
    int port_ = -1;
    std::mutex mutex_;
    std::vector<SeenRequest> seen_;
};

#endif  // RESTLINK_TESTS_LOCAL_SERVER_H
