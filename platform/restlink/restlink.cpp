// The exported members of librestlink.so.
//
// Each forwards to the library's own objects: the classes in restlink.h carry
// no data, so their layout binds nothing.
//
// No exception may cross into the caller: it runs inside the host process and
// checks nothing but sendRequest's result. Running out of memory while a
// request is built marks the request, so sending it fails with a line.
#include "restlink.h"

#include <exception>
#include <string>

#include "curl_library.h"
#include "log.h"
#include "request.h"
#include "response.h"
#include "settings.h"
#include "thread_slot.h"

namespace {

using restlink::Request;
using restlink::Response;

// Construction reads the settings and sets up libcurl, before any thread can
// reach a handle through the client it hands out.
class Singleton final : public HttpSingleTon {
public:
    Singleton() {
        restlink::settings();
        std::string why;
        if (!restlink::curlReady(why)) restlink::writeLine(why);
    }
    HttpClient client;
};

class Login final : public HttpLogin {
public:
    Login() { restlink::settings(); }
};

Singleton& singleton() {
    static Singleton instance;
    return instance;
}

// Runs one step of building a request. Running out of memory marks the request instead of
// throwing into the caller, so that sending it fails with a line.
template <class Step>
void build(HttpRequest* request, Step step) noexcept {
    Request& self = *static_cast<Request*>(request);
    try {
        step(self);
    } catch (const std::exception&) {
        self.markOutOfMemory();
    }
}

HttpRespon* send(HttpRequest* request, int* status) {
    if (!request) {
        restlink::writeLine("sendRequest without a request");
        return nullptr;
    }
    const Request& outgoing = *static_cast<Request*>(request);
    if (outgoing.outOfMemory()) {
        restlink::writeLine("request not sent: out of memory while building it");
        return nullptr;
    }
    if (!outgoing.fault().empty()) {
        restlink::writeLine(outgoing.describe() + " not sent: " + outgoing.fault());
        return nullptr;
    }
    restlink::ThreadSlot& slot = restlink::threadSlot();
    slot.response.clear();
    long answered = 0;
    std::string why;
    bool ok = slot.transport.exchange(outgoing, slot.response, answered, why);
    if (status) *status = static_cast<int>(answered);
    if (!ok) {
        restlink::writeLine(outgoing.describe() + " failed: " + why);
        return nullptr;
    }
    return &slot.response;
}

}  // namespace

void HttpRequest::setHead(const char* name, const char* value) {
    build(this, [&](Request& self) { self.addHeader(name, value); });
}

void HttpRequest::addUrlKeyValue(const char* key, const char* value) {
    build(this, [&](Request& self) { self.addQueryItem(key, value); });
}

void HttpRequest::setBody(const char* body, int size) {
    build(this, [&](Request& self) { self.assignBody(body, size); });
}

const char* HttpRespon::getBody() {
    return static_cast<Response*>(this)->body().data();
}

uint32_t HttpRespon::getBodySize() {
    return static_cast<uint32_t>(static_cast<Response*>(this)->body().size());
}

HttpRequest* HttpClient::createRequest(const char* method, const char* path) {
    restlink::ThreadSlot& slot = restlink::threadSlot();
    slot.response.clear();
    build(&slot.request, [&](Request& self) { self.reset(method, path); });
    return &slot.request;
}

HttpRespon* HttpClient::sendRequest(HttpRequest* request, int* status) {
    if (status) *status = 0;
    try {
        return send(request, status);
    } catch (const std::exception& error) {
        restlink::writeLine(std::string("exchange abandoned: ") + error.what());
        return nullptr;
    }
}

HttpSingleTon* HttpSingleTon::getInstance() {
    return &singleton();
}

HttpClient* HttpSingleTon::getHttpClient() {
    return &singleton().client;
}

HttpLogin* HttpLogin::getInstance() {
    static Login instance;
    return &instance;
}

std::string HttpLogin::getToken() {
    return restlink::settings().token;
}
