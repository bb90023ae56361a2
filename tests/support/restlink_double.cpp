// The scripted restlink: every call written down, answers taken from a queue. Single-threaded.
#include "restlink_double.h"

#include <deque>

#include "host/restlink.h"

namespace {

struct Script {
    std::vector<std::string> calls;
    std::deque<std::optional<std::string>> answers;
    std::string token;
    std::string body;      // the body of the response handed out last
    std::string withheld;  // the call that hands out no object
} script;

// The library's objects have no state of their own here; one instance each.
HttpSingleTon singleton;
HttpClient client;
HttpLogin login;
HttpRequest request;
HttpRespon response;

template <class T>
T* record(const std::string& call, T* result = nullptr) {
    script.calls.push_back(call);
    const bool withheld = !script.withheld.empty() && call.rfind(script.withheld, 0) == 0;
    return withheld ? nullptr : result;
}

}  // namespace

namespace restlink_double {

void reset() {
    script = Script();
}

void answer(std::optional<std::string> body) {
    script.answers.push_back(std::move(body));
}

void withhold(std::string call) {
    script.withheld = std::move(call);
}

void setToken(std::string token) {
    script.token = std::move(token);
}

const std::vector<std::string>& calls() {
    return script.calls;
}

}  // namespace restlink_double

HttpSingleTon* HttpSingleTon::getInstance() {
    return record("HttpSingleTon::getInstance", &singleton);
}

HttpClient* HttpSingleTon::getHttpClient() {
    return record("getHttpClient", &client);
}

HttpLogin* HttpLogin::getInstance() {
    return record("HttpLogin::getInstance", &login);
}

std::string HttpLogin::getToken() {
    record<void>("getToken");
    return script.token;
}

HttpRequest* HttpClient::createRequest(const char* method, const char* path) {
    return record(std::string("createRequest ") + method + " " + path, &request);
}

void HttpRequest::setHead(const char* name, const char* value) {
    record<void>(std::string("setHead ") + name + "=" + value);
}

void HttpRequest::addUrlKeyValue(const char* key, const char* value) {
    record<void>(std::string("addUrlKeyValue ") + key + "=" + value);
}

void HttpRequest::setBody(const char* body, int size) {
    record<void>("setBody " + std::string(body, size > 0 ? size : 0) + " " + std::to_string(size));
}

HttpRespon* HttpClient::sendRequest(HttpRequest*, int* status) {
    record<void>(status ? "sendRequest status=" + std::to_string(*status)
                        : "sendRequest status=null");
    std::optional<std::string> next;
    if (!script.answers.empty()) next = std::move(script.answers.front());
    if (!script.answers.empty()) script.answers.pop_front();
    if (!next) return nullptr;
    script.body = std::move(*next);
    return &response;
}

const char* HttpRespon::getBody() {
    return record("getBody", script.body.data());
}

uint32_t HttpRespon::getBodySize() {
    record<void>("getBodySize");
    return static_cast<uint32_t>(script.body.size());
}
