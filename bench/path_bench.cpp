// The request path: a host message in to the component's event or reply out, through tvkhost's
// host, the built plugin, librestlink.so and controller-sim on loopback, next to raw libcurl GETs
// of the same URLs on one kept-alive handle, in one run:
//   get_colorspace/path     event 0xFC050206 in, event 0xFC070204 out (one GET of the screens)
//   get_colorspace/libcurl  that GET
//   interface_info/path     command 0xFC050201 in, its 108-byte reply out (a GET of the screens,
//                           then one of the interface behind the first output)
//   interface_info/libcurl  those two GETs
// Every line is wall-clock time per message, with p50_us and p99_us over its own messages and
// stalls_40ms, the messages that took 40 ms or more: the mark of a keep-alive exchange stalled by
// Nagle's algorithm meeting delayed ACKs. Any such message fails the program.
//
// The controller is RESTLINK_BASE_URL with RESTLINK_TOKEN when set, otherwise the built
// controller-sim, started here on a free port.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench_run.h"
#include "request_path.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kStallMicroseconds = 40000;

bench::RequestPath& path() {
    static bench::RequestPath kept;
    return kept;
}

// Times each message; after the loop, the percentiles and the stalls as counters.
template <class Message>
void time_messages(benchmark::State& state, const char* name, Message message) {
    std::vector<double> micros;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool ok = message();
        const Clock::time_point end = Clock::now();
        if (!ok) return bench::fail(state, std::string(name) + ": the message was not answered");
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (micros.empty()) return;
    const auto stalls = std::count_if(micros.begin(), micros.end(),
                                      [](double us) { return us >= kStallMicroseconds; });
    const auto percentile = [&](double share) {
        auto at = micros.begin() + static_cast<ptrdiff_t>(share * (micros.size() - 1));
        std::nth_element(micros.begin(), at, micros.end());
        return *at;
    };
    state.counters["p50_us"] = percentile(0.50);
    state.counters["p99_us"] = percentile(0.99);
    state.counters["stalls_40ms"] = static_cast<double>(stalls);
    if (stalls > 0) {
        // Their lengths tell a stall (40 ms and a little) from a machine too busy to run us.
        std::string lengths;
        for (const double us : micros) {
            if (us >= kStallMicroseconds) lengths += " " + std::to_string(us / 1000) + " ms";
        }
        bench::fail_check(std::string(name) + ": " + std::to_string(stalls) + " of " +
                          std::to_string(micros.size()) +
                          " messages took 40 ms or more:" + lengths);
    }
}

void get_colorspace_path(benchmark::State& state) {
    time_messages(state, "get_colorspace/path", [] { return path().getColorSpace(); });
}

void get_colorspace_libcurl(benchmark::State& state) {
    time_messages(state, "get_colorspace/libcurl", [] { return path().rawGetColorSpace(); });
}

void interface_info_path(benchmark::State& state) {
    time_messages(state, "interface_info/path", [] { return path().interfaceInfo(); });
}

void interface_info_libcurl(benchmark::State& state) {
    time_messages(state, "interface_info/libcurl", [] { return path().rawInterfaceInfo(); });
}

}  // namespace

void bench::register_benchmarks() {
    std::string why;
    if (!path().setUp(why)) return bench::fail_check("request path set-up: " + why);
    const auto add = [](const char* name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, function)->UseRealTime()->Unit(benchmark::kMicrosecond);
    };
    add("get_colorspace/path", get_colorspace_path);
    add("get_colorspace/libcurl", get_colorspace_libcurl);
    add("interface_info/path", interface_info_path);
    add("interface_info/libcurl", interface_info_libcurl);
}
