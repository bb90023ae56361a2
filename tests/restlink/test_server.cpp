#include "test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int kPollMs = 20;  // how soon a stop is noticed

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, kPollMs) > 0;
}

// Length of the first complete request in `pending`, 0 while incomplete.
size_t completeRequest(const std::string& pending) {
    size_t headEnd = pending.find("\r\n\r\n");
    if (headEnd == std::string::npos) return 0;
    size_t body = 0;
    static const char kName[] = "\r\nContent-Length:";
    for (size_t at = 0; (at = pending.find("\r\n", at)) < headEnd; at += 2)
        if (strncasecmp(pending.c_str() + at, kName, sizeof kName - 1) == 0)
            body = std::strtoul(pending.c_str() + at + sizeof kName - 1, nullptr, 10);
    size_t total = headEnd + 4 + body;
    return pending.size() >= total ? total : 0;
}

bool sendAll(int connection, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t put = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (put <= 0) return false;
        sent += static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

std::string SeenRequest::method() const {
    return bytes.substr(0, bytes.find(' '));
}

std::string SeenRequest::target() const {
    size_t start = bytes.find(' ') + 1;
    return bytes.substr(start, bytes.find(' ', start) - start);
}

std::string SeenRequest::path() const {
    std::string all = target();
    return all.substr(0, all.find('?'));
}

std::string SeenRequest::body() const {
    return bytes.substr(bytes.find("\r\n\r\n") + 4);
}

std::string SeenRequest::param(const std::string& key) const {
    std::string all = target();
    size_t start = all.find('?');
    std::string query = "&" + (start == std::string::npos ? "" : all.substr(start + 1)) + "&";
    size_t at = query.find("&" + key + "=");
    if (at == std::string::npos) return "";
    at += key.size() + 2;
    return query.substr(at, query.find('&', at) - at);
}

size_t SeenRequest::headerAt(const std::string& line) const {
    return bytes.substr(0, bytes.find("\r\n\r\n") + 2).find("\r\n" + line + "\r\n");
}

int boundLoopbackSocket(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind a socket to 127.0.0.1");
    port = ntohs(address.sin_port);
    return fd;
}

TestServer::TestServer(Handler handler) : handler_(std::move(handler)) {
    int port = 0;
    listener_ = boundLoopbackSocket(port);
    if (listen(listener_, 64) != 0) throw std::runtime_error("test server cannot listen");
    setenv("RESTLINK_BASE_URL", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
    acceptor_ = std::thread([this] { acceptConnections(); });
}

TestServer::~TestServer() {
    stopping_ = true;
    acceptor_.join();
    for (std::thread& connection : connections_)
        connection.join();
    close(listener_);
}

void TestServer::acceptConnections() {
    while (!stopping_) {
        if (!readable(listener_)) continue;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        int connection = accept(listener_, reinterpret_cast<sockaddr*>(&peer), &length);
        if (connection < 0) continue;
        int on = 1;  // an answer must not wait for the client's delayed ACK
        setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.emplace_back(
            [this, connection, peer] { serve(connection, ntohs(peer.sin_port)); });
    }
}

void TestServer::serve(int connection, int remotePort) {
    std::string pending;
    char buffer[65536];
    while (!stopping_) {
        if (size_t length = completeRequest(pending)) {
            SeenRequest request{pending.substr(0, length), remotePort};
            pending.erase(0, length);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(request);
            }
            Reply reply = handler_(request);
            if (!sendAll(connection,
                         "HTTP/1.1 " + std::to_string(reply.status) + " -\r\nContent-Length: " +
                             std::to_string(reply.body.size()) + "\r\n\r\n" + reply.body))
                break;
            continue;
        }
        if (!readable(connection)) continue;
        ssize_t got = read(connection, buffer, sizeof buffer);
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
    }
    close(connection);
}

std::vector<SeenRequest> TestServer::seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

SeenRequest TestServer::lastSeen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.empty() ? SeenRequest{} : seen_.back();
}

void TestServer::forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SeenRequest>().swap(seen_);
}
