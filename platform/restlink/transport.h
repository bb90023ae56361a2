// One thread's HTTP connection to the controller.
//
// A libcurl easy handle kept for the thread's life, so that a burst of
// exchanges reuses one keep-alive connection.
#ifndef RESTLINK_TRANSPORT_H
#define RESTLINK_TRANSPORT_H

#include <curl/curl.h>

#include <string>

namespace restlink {

class Request;
class Response;

class Transport {
public:
    Transport() = default;
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Runs one exchange to its end. `status` receives the HTTP status, 0 when
    // none came. True for a 2xx answer, whose body is then in `response`;
    // otherwise `why` tells what went wrong (never a header value).
    bool exchange(const Request& request, Response& response, long& status, std::string& why);

private:
    CURL* handle_ = nullptr;
};

}  // namespace restlink

#endif  // RESTLINK_TRANSPORT_H
