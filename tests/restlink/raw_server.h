// A minimal HTTP/1.1 responder on 127.0.0.1 that keeps every request's exact
// bytes: header order and empty header values, which a full server library
// normalises away, stay visible. One connection at a time, keep-alive, and
// always the answer 200 "ok".
#ifndef RESTLINK_TESTS_RAW_SERVER_H
#define RESTLINK_TESTS_RAW_SERVER_H

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RawServer {
public:
    RawServer();
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    void start();
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    // Head and body of the latest request, byte for byte; empty if none.
    std::string lastRequest();

private:
    void serve();
    // Answers complete requests at the front of `pending`; false once the
    // connection failed.
    bool answer(int connection, std::string& pending);

    int listener_ = -1;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

#endif  // RESTLINK_TESTS_RAW_SERVER_H
