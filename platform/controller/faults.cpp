// The fault modes of controller-sim, one table, over cpp-httplib.
#include "controller/faults.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>
#include <utility>

#include "controller/controllerdata.h"
#include "controller/simroutes.h"

namespace ControllerSim {

using Shape = void (*)(Faults&, const httplib::Request&, httplib::Response&);

struct Fault {
    const char* name;
    const char* what;
    // The route answers first (the controller acts on the request) and the fault spoils that
    // answer; otherwise the fault answers instead.
    bool routed;
    Shape shape;
};

namespace {

// The widest line of --help.
constexpr size_t kHelpWidth = 79;
constexpr size_t kHugeBody = size_t(64) << 20;
constexpr size_t kNestingDepth = 10 * 1000 * 1000;
// Each silent request holds one of the server's 32 workers; past this many the fault switch could
// find none free, so later ones are reset instead.
constexpr int kMaxSilent = 8;
// An overlong "/", a character cut short, a byte that never occurs in UTF-8.
const char kInvalidUtf8[] = "\xC0\xAF\xE4\xB8\xFF";

// cpp-httplib hands a handler no socket: find the accepted one by the two ends of the request's
// connection (controller-sim listens on IPv4 only). Every descriptor number is tried instead of
// listing /proc/self/fd: ThreadSanitizer does not see a directory stream's descriptor opened, so
// it took its close for a race with another worker's earlier close of the same number.
int acceptedSocket(const httplib::Request& request) {
    rlimit limit{};
    const rlim_t last =
        getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? limit.rlim_cur : 65536;
    for (int fd = 0; rlim_t(fd) < last; ++fd) {
        sockaddr_in peer{};
        sockaddr_in local{};
        socklen_t peerSize = sizeof peer;
        socklen_t localSize = sizeof local;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == request.remote_port &&
            ntohs(local.sin_port) == request.local_port)
            return fd;
    }
    return -1;
}

// Closes the connection with a reset. dup2 drops the connection while an unconnected socket keeps
// its descriptor's number taken, so that cpp-httplib's own writes and close fail harmlessly
// instead of reaching a descriptor opened meanwhile.
void resetConnection(Faults&, const httplib::Request& request, httplib::Response& response) {
    const int sock = acceptedSocket(request);
    if (sock < 0) {
        // Never an empty 200, which a client could take for success.
        response.status = 503;
        return;
    }
    const linger abort{1, 0};
    setsockopt(sock, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    const int placeholder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (placeholder < 0 || dup2(placeholder, sock) < 0) shutdown(sock, SHUT_RDWR);
    if (placeholder >= 0) close(placeholder);
}

// How writeRaw ends the route's answer.
enum class Cut { afterStatusLine, inHeaderLine, afterInterimAndStatusLine, noneWithBareLineFeeds };

// Writes the route's answer straight to the connection and closes it: cut after the status line
// alone, in the middle of the first header line, or after the status line alone that follows a
// whole informational answer (whose header block has ended); or whole, with bare line feeds
// ending the lines of its header block, as some embedded HTTP servers write them.
void writeRaw(const httplib::Request& request, httplib::Response& response, Cut cut) {
    const int sock = acceptedSocket(request);
    if (sock < 0) {
        response.status = 503;
        return;
    }
    const char* const end = cut == Cut::noneWithBareLineFeeds ? "\n" : "\r\n";
    // The reason phrase is free text; clients go by the number.
    std::string start = cut == Cut::afterInterimAndStatusLine
                            ? "HTTP/1.1 103 Early Hints\r\nLink: </>; rel=preload\r\n\r\n"
                            : "";
    start += "HTTP/1.1 " + std::to_string(response.status) +
             (response.status == 200 ? " OK" : " Answer") + end;
    if (cut == Cut::inHeaderLine) start += "Content-Type: appli";
    if (cut == Cut::noneWithBareLineFeeds) {
        start += "Content-Type: " + response.get_header_value("Content-Type") + end +
                 "Content-Length: " + std::to_string(response.body.size()) + end +
                 "Connection: close" + end + end + response.body;
    }
    for (size_t sent = 0; sent < start.size();) {
        const ssize_t wrote = send(sock, start.data() + sent, start.size() - sent, MSG_NOSIGNAL);
        if (wrote < 0) return;
        sent += size_t(wrote);
    }
    shutdown(sock, SHUT_RDWR);
    // As in resetConnection, cpp-httplib's own answer then goes to a socket that leads nowhere.
    const int placeholder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (placeholder >= 0) {
        dup2(placeholder, sock);
        close(placeholder);
    }
}

void replace(httplib::Response& response, int status, std::string body, const char* type) {
    response.status = status;
    response.set_content(std::move(body), type);
}

// Hands the body to cpp-httplib through `provider`, which gets the body and declares `length`.
template <class Provider>
void provide(httplib::Response& response, size_t length, Provider provider) {
    auto body = std::make_shared<std::string>(std::move(response.body));
    response.body.clear();
    const std::string type = response.get_header_value("Content-Type");
    response.headers.erase("Content-Type");
    response.set_content_provider(length, type,
                                  [body, provider](size_t offset, size_t, httplib::DataSink& sink) {
                                      return provider(*body, offset, sink);
                                  });
}

const Fault kFaults[] = {
    {"none", "answer as the controller does", false, nullptr},
    {"refuse", "reset the connection as soon as the request is read; no answer", false,
     &resetConnection},
    {"silence", "read the request, answer nothing until the fault changes or the program stops",
     false,
     [](Faults& faults, const httplib::Request& request, httplib::Response& response) {
         if (!faults.waitWhileSelected("silence"))
             return resetConnection(faults, request, response);
         // Too late for the client, which has long given up.
         replace(response, 503, "{\"code\":503,\"message\":\"no answer\",\"data\":{}}",
                 "application/json");
     }},
    {"slow", "send the answer's body one byte per 100 ms", true,
     [](Faults& faults, const httplib::Request&, httplib::Response& response) {
         provide(response, response.body.size(),
                 [&faults](const std::string& body, size_t offset, httplib::DataSink& sink) {
                     return sink.write(&body[offset], 1) &&
                            faults.pause(std::chrono::milliseconds(100));
                 });
     }},
    {"cut-body", "close the connection halfway through the answer's body", true,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         provide(response, response.body.size(),
                 [](const std::string& body, size_t, httplib::DataSink& sink) {
                     sink.write(body.data(), body.size() / 2);
                     return false;  // cpp-httplib closes the connection
                 });
     }},
    {"short-length", "Content-Length says half the body; the rest follows 100 ms later", true,
     [](Faults& faults, const httplib::Request&, httplib::Response& response) {
         provide(response, response.body.size() / 2,
                 [&faults](const std::string& body, size_t, httplib::DataSink& sink) {
                     // Late enough that the client has taken the half as the whole answer, and
                     // finds the rest on the connection it keeps for its next request.
                     const size_t half = body.size() / 2;
                     return sink.write(body.data(), half) &&
                            faults.pause(std::chrono::milliseconds(100)) &&
                            sink.write(body.data() + half, body.size() - half);
                 });
     }},
    {"cut-status-line", "send the answer's status line alone, then close the connection", true,
     [](Faults&, const httplib::Request& request, httplib::Response& response) {
         writeRaw(request, response, Cut::afterStatusLine);
     }},
    {"cut-header", "close the connection in the middle of the answer's first header line", true,
     [](Faults&, const httplib::Request& request, httplib::Response& response) {
         writeRaw(request, response, Cut::inHeaderLine);
     }},
    {"cut-after-interim",
     "send an informational answer (103), then the status line alone, then close the connection",
     true,
     [](Faults&, const httplib::Request& request, httplib::Response& response) {
         writeRaw(request, response, Cut::afterInterimAndStatusLine);
     }},
    {"bare-lf", "the whole answer with bare line feeds ending its header lines, then close", true,
     [](Faults&, const httplib::Request& request, httplib::Response& response) {
         writeRaw(request, response, Cut::noneWithBareLineFeeds);
     }},
    {"error-500", "HTTP 500 with an envelope", false,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         replace(response, 500, "{\"code\":500,\"message\":\"internal error\",\"data\":{}}",
                 "application/json");
     }},
    {"error-500-html", "HTTP 500 with an HTML page", false,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         replace(response, 500,
                 "<html><head><title>500 Internal Server Error</title></head>"
                 "<body><h1>Internal Server Error</h1></body></html>\n",
                 "text/html");
     }},
    {"no-content", "HTTP 204 without a body", true,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         response.status = 204;
         response.body.clear();
         response.headers.erase("Content-Type");
     }},
    {"huge-body", "the answer after blanks that make it 64 MiB", true,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         if (response.body.size() < kHugeBody)
             response.body.insert(0, kHugeBody - response.body.size(), ' ');
     }},
    {"deep-nesting", "10 million nested brackets in a member ahead of the answer's own", true,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         const size_t open = response.body.find('{');
         if (open == std::string::npos) return;
         response.body.insert(open + 1, "\"nesting\":" + std::string(kNestingDepth, '[') +
                                            std::string(kNestingDepth, ']') + ",");
     }},
    {"bad-utf8", "bytes that are not UTF-8 at the start of every \"name\" in the answer", true,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         const std::string key = "\"name\":\"";
         std::string& body = response.body;
         for (size_t at = body.find(key); at != std::string::npos; at = body.find(key, at))
             body.insert(at += key.size(), kInvalidUtf8);
     }},
    {"array-data", "the answer's envelope with its data inside an array", true,
     [](Faults&, const httplib::Request&, httplib::Response& response) {
         Json answer = Json::parse(response.body, nullptr, false);
         if (!answer.is_object() || !answer.contains("data")) return;
         answer["data"] = Json::array({std::move(answer["data"])});
         response.body = writeJson(answer, false);
     }},
};

const Fault* find(const std::string& name) {
    for (const Fault& fault : kFaults)
        if (name == fault.name) return &fault;
    return nullptr;
}

}  // namespace

Faults::Faults() : selected_(&kFaults[0]) {}

bool Faults::known(const std::string& name) {
    return find(name) != nullptr;
}

std::string Faults::usage() {
    // Two blanks after the longest name, and the text wrapped under itself: help2man then makes
    // each fault one item of the manual page, as it does each option.
    size_t column = 0;
    for (const Fault& fault : kFaults)
        column = std::max(column, std::strlen(fault.name) + 4);
    std::string text;
    for (const Fault& fault : kFaults) {
        std::string line = std::string("  ") + fault.name;
        line.resize(column, ' ');
        std::istringstream words(fault.what);
        bool lineEmpty = true;
        for (std::string word; words >> word; lineEmpty = false) {
            if (!lineEmpty && line.size() + 1 + word.size() > kHelpWidth) {
                text += line + "\n";
                line.assign(column, ' ');
                lineEmpty = true;
            }
            line += (lineEmpty ? "" : " ") + word;
        }
        text += line + "\n";
    }
    return text;
}

bool Faults::select(const std::string& name) {
    const Fault* fault = find(name);
    if (!fault) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        selected_ = fault;
    }
    changed_.notify_all();
    return true;
}

bool Faults::answerInstead(const httplib::Request& request, httplib::Response& response) {
    if (request.path.rfind(kSimRoutePrefix, 0) == 0) return false;
    const Fault* fault = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fault = selected_;
    }
    if (!fault->shape) return false;
    response.set_header(kFaultHeader, fault->name);
    if (fault->routed) return false;
    fault->shape(*this, request, response);
    return true;
}

void Faults::spoil(const httplib::Request& request, httplib::Response& response) {
    const Fault* fault = find(response.get_header_value(kFaultHeader));
    if (fault && fault->routed) fault->shape(*this, request, response);
}

void Faults::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

bool Faults::waitWhileSelected(const std::string& name) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (waiting_ >= kMaxSilent) return false;
    ++waiting_;
    changed_.wait(lock, [&] { return stopping_ || name != selected_->name; });
    --waiting_;
    return true;
}

bool Faults::pause(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !changed_.wait_for(lock, time, [&] { return stopping_; });
}

}  // namespace ControllerSim
