// A minimal HTTP/1.1 server on 127.0.0.1 for the library's tests. It keeps
// every request's exact bytes (header order and empty values, which a full
// server library normalises away) and the client port it came from, and
// serves each connection on a thread of its own, with keep-alive.
#ifndef RESTLINK_TESTS_TEST_SERVER_H
#define RESTLINK_TESTS_TEST_SERVER_H

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenRequest {
    std::string bytes;  // head and body, byte for byte
    int remotePort = 0;

    std::string method() const;
    std::string target() const;  // path and query exactly as sent
    std::string path() const;
    std::string body() const;
    // The raw text of query key `key`; "" when absent.
    std::string param(const std::string& key) const;
    // Offset of the whole header line `line` ("Name: value"), npos if absent.
    size_t headerAt(const std::string& line) const;
};

struct Reply {
    int status = 200;
    std::string body;
};

class TestServer {
public:
    using Handler = std::function<Reply(const SeenRequest&)>;

    // Listens at once and points the library at itself (RESTLINK_BASE_URL,
    // which the library reads at first use). `handler` runs on the
    // connection's thread after the request is recorded, so a client that got
    // its answer always finds its request in seen().
    explicit TestServer(Handler handler);
    ~TestServer();  // closes every connection
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    std::vector<SeenRequest> seen();
    SeenRequest lastSeen();
    // Releases the storage too: memory checks must not count the record.
    void forget();

private:
    void acceptConnections();
    void serve(int connection, int remotePort);

    Handler handler_;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<SeenRequest> seen_;
    std::thread acceptor_;
};

// A TCP socket bound to 127.0.0.1 on a port the kernel picks; `port` gets the
// number. Until it listens, connecting is refused and nobody else takes it.
int boundLoopbackSocket(int& port);

#endif  // RESTLINK_TESTS_TEST_SERVER_H
