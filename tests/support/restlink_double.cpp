// The scripted restlink: every call written down, answers taken from a queue.
#include "restlink_double.h"

#include <deque>
#include <mutex>

#include "host/restlink.h"

namespace {

struct Script {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::deque<std::optional<std::string>> answers;
    std::string token;
    std::string body;  // the body of the response handed out last
};

Script& script() {
    static Script s;
    return s;
}

void record(std::string call) {
    Script& s = script();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.push_back(std::move(call));
}

// The library's objects have no state of their own here; one instance each.
HttpSingleTon singleton;
HttpClient client;
HttpLogin login;
HttpRequest request;
HttpRespon response;

}  // namespace

namespace restlink_double {

void reset() {
    Script& s = script();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.clear();
    s.answers.clear();
    s.token.clear();
    s.body.clear();
}

void answer(std::optional<std::string> body) {
    std::lock_guard<std::mutex> lock(script().mutex);
    script().answers.push_back(std::move(body));
}

void setToken(std::string token) {
    std::lock_guard<std::mutex> lock(script().mutex);
    script().token = std::move(token);
}

const std::vector<std::string>& calls() {
    return script().calls;
}

std::vector<std::string> requestCalls() {
    std::vector<std::string> out;
    bool inRequest = false;
    for (const std::string& call : calls()) {
        inRequest = inRequest || call.rfind("createRequest ", 0) == 0;
        if (inRequest) out.push_back(call);
        inRequest = inRequest && call.rfind("sendRequest", 0) != 0;
    }
    return out;
}

}  // namespace restlink_double

HttpSingleTon* HttpSingleTon::getInstance() {
    record("HttpSingleTon::getInstance");
    return &singleton;
}

HttpClient* HttpSingleTon::getHttpClient() {
    record("getHttpClient");
    return &client;
}

HttpLogin* HttpLogin::getInstance() {
    record("HttpLogin::getInstance");
    return &login;
}

std::string HttpLogin::getToken() {
    record("getToken");
    std::lock_guard<std::mutex> lock(script().mutex);
    return script().token;
}

HttpRequest* HttpClient::createRequest(const char* method, const char* path) {
    record(std::string("createRequest ") + method + " " + path);
    return &request;
}

void HttpRequest::setHead(const char* name, const char* value) {
    record(std::string("setHead ") + name + "=" + value);
}

void HttpRequest::addUrlKeyValue(const char* key, const char* value) {
    record(std::string("addUrlKeyValue ") + key + "=" + value);
}

void HttpRequest::setBody(const char* body, int size) {
    record("setBody " + std::string(body, size > 0 ? size : 0) + " " + std::to_string(size));
}

HttpRespon* HttpClient::sendRequest(HttpRequest*, int* status) {
    record(status ? "sendRequest status=" + std::to_string(*status) : "sendRequest status=null");
    Script& s = script();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.answers.empty() || !s.answers.front()) {
        if (!s.answers.empty()) s.answers.pop_front();
        return nullptr;
    }
    s.body = std::move(*s.answers.front());
    s.answers.pop_front();
    return &response;
}

const char* HttpRespon::getBody() {
    record("getBody");
    return script().body.data();
}

uint32_t HttpRespon::getBodySize() {
    record("getBodySize");
    return static_cast<uint32_t>(script().body.size());
}
