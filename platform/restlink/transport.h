// One thread's HTTP connection to the controller.
//
// A libcurl easy handle kept for the thread's life, so that a burst of
// exchanges reuses one keep-alive connection, and the header list of the
// last exchange, which the next one mostly repeats.
#ifndef RESTLINK_TRANSPORT_H
#define RESTLINK_TRANSPORT_H

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

namespace restlink {

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistFree>;

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
    // The handle points at this list from one exchange to the next; the destructor cleans the
    // handle up before the list goes.
    HeaderList headers_;
    std::vector<std::string> headerLines_;  // what headers_ holds
    CURL* handle_ = nullptr;
};

}  // namespace restlink

#endif  // RESTLINK_TRANSPORT_H
