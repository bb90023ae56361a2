#include "raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace {

constexpr int kPollMs = 20;  // how soon a stop is noticed

// Content-Length of a request head, 0 when absent.
size_t contentLength(const std::string& head) {
    size_t at = 0;
    while ((at = head.find("\r\n", at)) != std::string::npos) {
        at += 2;
        static const char kName[] = "Content-Length:";
        if (strncasecmp(head.c_str() + at, kName, sizeof kName - 1) == 0)
            return std::strtoul(head.c_str() + at + sizeof kName - 1, nullptr, 10);
    }
    return 0;
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, kPollMs) > 0;
}

}  // namespace

RawServer::RawServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("raw test server cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
}

RawServer::~RawServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    close(listener_);
}

void RawServer::start() {
    thread_ = std::thread([this] { serve(); });
}

std::string RawServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string RawServer::lastRequest() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

void RawServer::serve() {
    while (!stopping_) {
        if (!readable(listener_)) continue;
        int connection = accept(listener_, nullptr, nullptr);
        if (connection < 0) continue;
        std::string pending;
        char buffer[4096];
        while (!stopping_) {
            if (!readable(connection)) continue;
            ssize_t got = read(connection, buffer, sizeof buffer);
            if (got <= 0) break;
            pending.append(buffer, static_cast<size_t>(got));
            if (!answer(connection, pending)) break;
        }
        close(connection);
    }
}

bool RawServer::answer(int connection, std::string& pending) {
    static const std::string kReply =
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nok";
    for (;;) {
        size_t headEnd = pending.find("\r\n\r\n");
        if (headEnd == std::string::npos) return true;
        size_t total = headEnd + 4 + contentLength(pending.substr(0, headEnd + 2));
        if (pending.size() < total) return true;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(pending.substr(0, total));
        }
        pending.erase(0, total);
        if (write(connection, kReply.data(), kReply.size()) != static_cast<ssize_t>(kReply.size()))
            return false;
    }
}
