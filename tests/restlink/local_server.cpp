#include "local_server.h"

#include <chrono>
#include <stdexcept>

std::string SeenRequest::header(const std::string& name, size_t index) const {
    auto range = headers.equal_range(name);
    for (auto it = range.first; it != range.second; ++it, --index)
        if (index == 0) return it->second;
    return "<absent>";
}

#if defined(__SANITIZE_THREAD__)
// libcpp-httplib.so is not built for ThreadSanitizer, which then misses its
// inline synchronisation and reports races between the server's workers (and
// is slow enough about it to break time-outs). The library under test is not
// involved, so accesses made on the server library's behalf are left out.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}
#endif

LocalServer::LocalServer() {
    // Without TCP_NODELAY every keep-alive exchange stalls on delayed ACKs.
    server_.set_tcp_nodelay(true);
    // The library keeps one connection per client thread: allow many, and
    // many exchanges on each.
    server_.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server_.set_keep_alive_max_count(100000);
}

void LocalServer::route(const std::string& method, const std::string& pattern,
                        httplib::Server::Handler handler) {
    auto recorded = [this, handler](const httplib::Request& req, httplib::Response& res) {
        record(req);
        handler(req, res);
    };
    if (method == "GET")
        server_.Get(pattern, recorded);
    else if (method == "PUT")
        server_.Put(pattern, recorded);
    else if (method == "POST")
        server_.Post(pattern, recorded);
    else if (method == "PATCH")
        server_.Patch(pattern, recorded);
    else if (method == "DELETE")
        server_.Delete(pattern, recorded);
    else
        throw std::invalid_argument("no route for method " + method);
}

void LocalServer::record(const httplib::Request& req) {
    SeenRequest seen{req.method, req.target, req.headers, req.body, req.remote_port};
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.push_back(std::move(seen));
}

LocalServer::~LocalServer() {
    stop();
}

void LocalServer::start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("test server cannot bind to 127.0.0.1");
    listener_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void LocalServer::stop() {
    if (!listener_.joinable()) return;
    server_.stop();
    listener_.join();
}

std::string LocalServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<SeenRequest> LocalServer::seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

SeenRequest LocalServer::lastSeen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.empty() ? SeenRequest{} : seen_.back();
}

void LocalServer::forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    // Releases the storage too: memory checks must not count the record.
    std::vector<SeenRequest>().swap(seen_);
}
