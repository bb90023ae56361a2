// The soak: N messages (default 100,000) through the whole path, tvkhost's host, the built plugin
// and librestlink.so, against a controller on loopback (RESTLINK_BASE_URL, by default
// controller-sim's own 127.0.0.1:8080), cycling get colour space, set colour space, a relayed
// auto-report and interface info. Prints the resident memory after a warm-up and at the end and
// fails when it grew by 1 MiB or more, or when a message went unanswered.
//
//   controller-sim --token T & RESTLINK_TOKEN=T soak [MESSAGES]
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "controller/textnumbers.h"
#include "outputcolorspacemodel/messageids.h"
#include "tvkhost/host.h"

namespace {

using namespace ColorSpace;

constexpr int64_t kDefaultMessages = 100000;
constexpr int64_t kMostMessages = 1000000000;

long residentKiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    int64_t messages = kDefaultMessages;
    const std::string given = argc > 1 ? argv[1] : "";
    const bool help = given == "-h" || given == "--help";
    if (help || argc > 2 ||
        (argc == 2 && !ControllerSim::parseDecimal(given, 10, kMostMessages, messages))) {
        std::fprintf(help ? stdout : stderr,
                     "usage: soak [MESSAGES]\n"
                     "  MESSAGES from 10 to %lld (default %lld) through the host, the plugin and\n"
                     "  librestlink.so against the controller at RESTLINK_BASE_URL; fails when\n"
                     "  resident memory grows by 1 MiB after the first tenth, or a message goes\n"
                     "  unanswered.\n",
                     static_cast<long long>(kMostMessages),
                     static_cast<long long>(kDefaultMessages));
        return help ? 0 : 2;
    }
    std::atomic<int64_t> answers{0};
    tvkhost::Host host([&](const tvkhost::Delivery&) { ++answers; });
    std::string error;
    if (!host.load(OCSM_PLUGIN_PATH, error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return 1;
    }
    const std::string report = R"({"body":"[{\"screenId\":1,\"colorSpace\":{\"preset\":2}}]"})";
    const int64_t warmUp = messages / 10;
    long before = 0;
    for (int64_t i = 0; i < messages; ++i) {
        if (i == warmUp) {
            host.drain(std::chrono::seconds(30));
            before = residentKiB();
        }
        const int colorSpace[2] = {1, static_cast<int>(i % 4)};
        switch (i % 4) {
            case 0:
                host.sendEvent(kGetColorSpaceId, nullptr, 0);
                break;
            case 1:
                host.sendCommand(kSetColorSpaceId, colorSpace, kColorSpacePayloadSize);
                break;
            case 2:
                host.sendEvent(kAutoReportId, report.c_str(), int(report.size()) + 1);
                break;
            default:
                host.sendCommand(kGetRegularScreenInterfaceInfoId, nullptr, 0);
        }
    }
    host.drain(std::chrono::seconds(30));
    const long after = residentKiB();
    std::printf(
        "%lld messages, %lld answered; resident memory after %lld: %ld KiB, at the end: %ld KiB "
        "(%+ld KiB)\n",
        static_cast<long long>(messages), static_cast<long long>(answers.load()),
        static_cast<long long>(warmUp), before, after, after - before);
    return answers == messages && after - before < 1024 ? 0 : 1;
}
