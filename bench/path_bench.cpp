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
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_run.h"
#include "controller_process.h"
#include "outputcolorspacemodel/messageids.h"
#include "protomodel/protoconstants.h"
#include "tvkhost/host.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace Constants = LCD::Proto::Constants;

constexpr double kStallMicroseconds = 40000;

// What came back to the host side, counted by kind.
struct Seen {
    int colorSpaceEvents = 0;     // event 0xFC070204 with its 8 bytes
    int interfaceReplies = 0;     // reply to 0xFC050201 with its 108 bytes
    int32_t lastInterfaceId = 0;  // the first field of the last reply
};

// One libcurl easy handle kept for all GETs, as restlink keeps one per thread.
class RawClient {
public:
    explicit RawClient(const std::string& token) : handle_(curl_easy_init()) {
        headers_ = curl_slist_append(nullptr, ("Authorization: " + token).c_str());
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(handle_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(handle_, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, receive);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &body_);
    }
    ~RawClient() {
        curl_easy_cleanup(handle_);
        curl_slist_free_all(headers_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // True for a 200 answer with a body.
    bool get(const std::string& url) {
        body_.clear();
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        long status = 0;
        return curl_easy_perform(handle_) == CURLE_OK &&
               curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
               status == 200 && !body_.empty();
    }

private:
    static size_t receive(char* data, size_t size, size_t count, void* user) {
        static_cast<std::string*>(user)->append(data, size * count);
        return size * count;
    }

    CURL* handle_;
    curl_slist* headers_;
    std::string body_;
};

// The controller, the host with the plugin loaded, and the raw client, for the whole run. The
// host goes before the controller.
struct Path {
    std::unique_ptr<bench::ControllerProcess> controller;
    std::string baseUrl;
    std::string token;
    Seen seen;
    std::unique_ptr<tvkhost::Host> host;
    std::unique_ptr<RawClient> raw;
    std::string screensUrl;
    std::string interfaceUrl;
};

Path& path() {
    static Path kept;
    return kept;
}

// Starts (or finds) the controller, loads the plugin and learns the interface the component
// asks for from one interface info reply. False with the reason.
bool set_up(Path& p, std::string& why) {
    const char* url = std::getenv("RESTLINK_BASE_URL");
    const char* token = std::getenv("RESTLINK_TOKEN");
    if (url != nullptr && *url != '\0') {
        p.baseUrl = url;
        p.token = token != nullptr ? token : "";
    } else {
        p.token = "path-bench-token";
        p.controller = std::make_unique<bench::ControllerProcess>(OCSM_CONTROLLER_SIM, p.token);
        p.baseUrl = p.controller->url();
        if (p.baseUrl.empty()) {
            why = "controller-sim did not come up: " OCSM_CONTROLLER_SIM;
            return false;
        }
        // librestlink.so reads them at its first use.
        setenv("RESTLINK_BASE_URL", p.baseUrl.c_str(), 1);
        setenv("RESTLINK_TOKEN", p.token.c_str(), 1);
    }
    while (!p.baseUrl.empty() && p.baseUrl.back() == '/')
        p.baseUrl.pop_back();

    Seen& seen = p.seen;
    p.host = std::make_unique<tvkhost::Host>([&seen](const tvkhost::Delivery& delivery) {
        const auto id = static_cast<unsigned int>(delivery.id);
        if (delivery.type == tvkhost::Delivery::Type::Event && id == ColorSpace::kColorSpaceId &&
            delivery.size == ColorSpace::kColorSpacePayloadSize) {
            ++seen.colorSpaceEvents;
        } else if (delivery.type == tvkhost::Delivery::Type::Reply &&
                   id == ColorSpace::kGetRegularScreenInterfaceInfoId &&
                   delivery.size == ColorSpace::kInterfaceInfoPayloadSize) {
            ++seen.interfaceReplies;
            std::memcpy(&seen.lastInterfaceId, delivery.data, sizeof seen.lastInterfaceId);
        }
    });
    if (!p.host->load(OCSM_PLUGIN_PATH, why)) return false;
    if (!p.host
             ->sendCommand(static_cast<int>(ColorSpace::kGetRegularScreenInterfaceInfoId), nullptr,
                           0)
             .replied) {
        why = "no interface info reply from the plugin against " + p.baseUrl;
        return false;
    }
    // The URLs restlink builds for the component's two queries.
    p.screensUrl = p.baseUrl + Constants::GETSCREENLISTDETAIL + "?screenType=2";
    p.interfaceUrl = p.baseUrl + Constants::GETINTERFACELISTDETAIL +
                     "?interfaceId=" + std::to_string(seen.lastInterfaceId);
    p.raw = std::make_unique<RawClient>(p.token);
    if (!p.raw->get(p.screensUrl) || !p.raw->get(p.interfaceUrl)) {
        why = "libcurl GETs of " + p.screensUrl + " and " + p.interfaceUrl + " failed";
        return false;
    }
    return true;
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
    Path& p = path();
    time_messages(state, "get_colorspace/path", [&p] {
        const int before = p.seen.colorSpaceEvents;
        return p.host->sendEvent(static_cast<int>(ColorSpace::kGetColorSpaceId), nullptr, 0) ==
                   tvkhost::kOk &&
               p.seen.colorSpaceEvents == before + 1;
    });
}

void get_colorspace_libcurl(benchmark::State& state) {
    Path& p = path();
    time_messages(state, "get_colorspace/libcurl", [&p] { return p.raw->get(p.screensUrl); });
}

void interface_info_path(benchmark::State& state) {
    Path& p = path();
    time_messages(state, "interface_info/path", [&p] {
        const int before = p.seen.interfaceReplies;
        return p.host
                   ->sendCommand(static_cast<int>(ColorSpace::kGetRegularScreenInterfaceInfoId),
                                 nullptr, 0)
                   .replied &&
               p.seen.interfaceReplies == before + 1;
    });
}

void interface_info_libcurl(benchmark::State& state) {
    Path& p = path();
    time_messages(state, "interface_info/libcurl",
                  [&p] { return p.raw->get(p.screensUrl) && p.raw->get(p.interfaceUrl); });
}

}  // namespace

void bench::register_benchmarks() {
    std::string why;
    if (!set_up(path(), why)) return bench::fail_check("request path set-up: " + why);
    const auto add = [](const char* name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, function)->UseRealTime()->Unit(benchmark::kMicrosecond);
    };
    add("get_colorspace/path", get_colorspace_path);
    add("get_colorspace/libcurl", get_colorspace_libcurl);
    add("interface_info/path", interface_info_path);
    add("interface_info/libcurl", interface_info_libcurl);
}
