// The request path as the benchmarks drive it: the controller (RESTLINK_BASE_URL, or the built
// controller-sim started on a free port), tvkhost's host with the built plugin loaded, and raw
// libcurl GETs of the URLs the component asks for, on one kept-alive handle as restlink keeps one
// per thread.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "controller_process.h"
#include "tvkhost/host.h"

namespace bench {

// One libcurl easy handle kept for all GETs.
class RawClient {
public:
    explicit RawClient(const std::string& token);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // True for a 200 answer with a body.
    bool get(const std::string& url);

private:
    CURL* handle_;
    curl_slist* headers_;
    std::string body_;
};

class RequestPath {
public:
    // Starts (or finds) the controller, loads the plugin and learns the interface the component
    // asks for from one interface info reply. False with the reason.
    bool setUp(std::string& why);

    // One message through the host: event 0xFC050206 in, true when event 0xFC070204 came out;
    // command 0xFC050201 in, true when its 108-byte reply came out.
    bool getColorSpace();
    bool interfaceInfo();
    // The same exchanges as raw GETs: the screens; the screens and then the interface.
    bool rawGetColorSpace();
    bool rawInterfaceInfo();

private:
    // What came back to the host side, counted by kind.
    struct Seen {
        int colorSpaceEvents = 0;     // event 0xFC070204 with its 8 bytes
        int interfaceReplies = 0;     // reply to 0xFC050201 with its 108 bytes
        int32_t lastInterfaceId = 0;  // the first field of the last reply
    };

    // The host goes before the controller.
    std::unique_ptr<ControllerProcess> controller_;
    Seen seen_;
    std::unique_ptr<tvkhost::Host> host_;
    std::unique_ptr<RawClient> raw_;
    std::string screensUrl_;
    std::string interfaceUrl_;
};

}  // namespace bench
