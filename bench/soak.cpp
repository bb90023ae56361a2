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

#include "tvkhost/host.h"

namespace {

long residentKiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const long messages = argc > 1 ? std::atol(argv[1]) : 100000;
    std::atomic<long> answers{0};
    tvkhost::Host host([&](const tvkhost::Delivery&) { ++answers; });
    std::string error;
    if (!host.load(OCSM_PLUGIN_PATH, error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return 1;
    }
    const std::string report = R"({"body":"[{\"screenId\":1,\"colorSpace\":{\"preset\":2}}]"})";
    const long warmUp = messages / 10;
    long before = 0;
    for (long i = 0; i < messages; ++i) {
        if (i == warmUp) {
            host.drain(std::chrono::seconds(30));
            before = residentKiB();
        }
        const int colorSpace[2] = {1, static_cast<int>(i % 4)};
        switch (i % 4) {
            case 0:
                host.sendEvent(0xFC050206u, nullptr, 0);
                break;
            case 1:
                host.sendCommand(0xFC050205u, colorSpace, sizeof colorSpace);
                break;
            case 2:
                host.sendEvent(0x00071107u, report.c_str(), int(report.size()) + 1);
                break;
            default:
                host.sendCommand(0xFC050201u, nullptr, 0);
        }
    }
    host.drain(std::chrono::seconds(30));
    const long after = residentKiB();
    std::printf(
        "%ld messages, %ld answered; resident memory after %ld: %ld KiB, at the end: %ld KiB "
        "(%+ld KiB)\n",
        messages, answers.load(), warmUp, before, after, after - before);
    return answers == messages && after - before < 1024 ? 0 : 1;
}
