// restlink: the device HTTP client library through which every exchange with
// the controller's REST service runs. The library is a shared object of its
// own (librestlink.so); the plugin only calls these members, so another build
// of the library, or a test double preloaded in front of it, can stand in.
//
// Lifetime: every object handed out belongs to the library, and the caller
// deletes none of them.
//  - HttpSingleTon, HttpClient and HttpLogin live until the process ends.
//  - createRequest recycles the calling thread's previous request and
//    response: a request stays valid until the next createRequest on the
//    thread that created it, and a response returned by sendRequest stays
//    valid until the next createRequest on the thread that sent it (or until
//    that thread ends). Memory therefore stays flat over any number of
//    exchanges.
//
// sendRequest blocks until the exchange is over and returns null on failure
// (no connection, time-out, HTTP status outside 2xx), after writing one line
// to standard error that says why.
//
// Settings come from the environment at first use: RESTLINK_BASE_URL
// (default http://127.0.0.1:8080), RESTLINK_TOKEN (default empty) and
// RESTLINK_TIMEOUT_MS (default 5000).
#ifndef OUTPUTCOLORSPACEMODEL_RESTLINK_H
#define OUTPUTCOLORSPACEMODEL_RESTLINK_H

#include <cstdint>
#include <string>

#define RESTLINK_API __attribute__((visibility("default")))

class RESTLINK_API HttpRequest {
public:
    // Both texts are copied at once; headers go out in the order set.
    void setHead(const char* name, const char* value);
    // Copied; URL-encoded and sent in the order added.
    void addUrlKeyValue(const char* key, const char* value);
    // Exactly `size` bytes, copied.
    void setBody(const char* body, int size);
};

class RESTLINK_API HttpRespon {
public:
    // First body byte; not NUL-terminated as far as callers may rely on.
    const char* getBody();
    uint32_t getBodySize();
};

class RESTLINK_API HttpClient {
public:
    HttpRequest* createRequest(const char* method, const char* path);
    // `status`, when not null, receives the HTTP status (0 when none came).
    HttpRespon* sendRequest(HttpRequest* request, int* status);
};

class RESTLINK_API HttpSingleTon {
public:
    static HttpSingleTon* getInstance();
    HttpClient* getHttpClient();
};

class RESTLINK_API HttpLogin {
public:
    static HttpLogin* getInstance();
    // Sent verbatim as the "Authorization" value; may be empty.
    std::string getToken();
};

#endif  // OUTPUTCOLORSPACEMODEL_RESTLINK_H
