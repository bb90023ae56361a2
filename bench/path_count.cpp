// The request path repeated a given number of times and nothing else, for instruction counters:
// what callgrind counts in this process is the host, the plugin, librestlink.so and libcurl's
// client side (the controller is another process, not counted).
//
//   path_count MESSAGE COUNT
//
// MESSAGE: get-colorspace or interface-info through tvkhost's host and the plugin, or
// libcurl-get-colorspace and libcurl-interface-info, the same GETs on a raw libcurl handle. The
// controller is RESTLINK_BASE_URL (with RESTLINK_TOKEN), else the built controller-sim started
// here. One message of each kind warms up first (libraries, connections, field lists); COUNT 0
// measures that alone, so a run of N less a run of 0, over N, is one message.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "request_path.h"

int main(int argc, char** argv) {
    bench::RequestPath path;
    const std::map<std::string, std::function<bool()>> messages = {
        {"get-colorspace", [&] { return path.getColorSpace(); }},
        {"interface-info", [&] { return path.interfaceInfo(); }},
        {"libcurl-get-colorspace", [&] { return path.rawGetColorSpace(); }},
        {"libcurl-interface-info", [&] { return path.rawInterfaceInfo(); }},
    };
    const auto message = argc == 3 ? messages.find(argv[1]) : messages.end();
    char* end = nullptr;
    const long count = argc == 3 ? std::strtol(argv[2], &end, 10) : -1;
    if (message == messages.end() || count < 0 || *end != '\0') {
        std::fprintf(stderr, "usage: path_count MESSAGE COUNT\n  MESSAGE:");
        for (const auto& known : messages)
            std::fprintf(stderr, " %s", known.first.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    std::string why;
    if (!path.setUp(why) || !path.getColorSpace()) {
        std::fprintf(stderr, "path_count: %s\n", why.empty() ? "no answer" : why.c_str());
        return 1;
    }
    for (long i = 0; i < count; ++i) {
        if (!message->second()) {
            std::fprintf(stderr, "path_count: message %ld went unanswered\n", i);
            return 1;
        }
    }
    return 0;
}
