// The device's case for the caches: one decode of a screen answer and one of an interface answer
// in a fresh process, nothing decoded before them, so the decoder's code and tables come from
// memory. Run under cachegrind with a small core's caches, a run with `none` (the texts read, no
// decode) taken away, for the instructions and the cache misses of those two decodes alone
// (bench/count does).
//
//   first_decode IMPLEMENTATION|none SCREENS_FILE INTERFACES_FILE
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "bench_documents.h"
#include "records.h"
#ifdef OCSM_HAVE_RAPIDJSON
#include "peer_rapidjson.h"
#endif
#ifdef OCSM_HAVE_SIMDJSON
#include "peer_simdjson.h"
#endif

namespace {

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return bench::with_padding(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

template <class Decode>
int decode_both(const std::string& screens, const std::string& interfaces, Decode decode) {
    bench::ScreenAnswer screen_answer;
    bench::InterfaceAnswer interface_answer;
    if (decode(screens, screen_answer) && decode(interfaces, interface_answer)) return 0;
    std::fprintf(stderr, "first_decode: a text does not decode\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: first_decode IMPLEMENTATION|none SCREENS INTERFACES\n");
        return 2;
    }
    const std::string implementation = argv[1];
    const std::string screens = read_file(argv[2]);
    const std::string interfaces = read_file(argv[3]);
    if (implementation == "none") return 0;
    // Each implementation's decode, of whichever answer it is given.
    if (implementation == "lcdjson") {
        return decode_both(screens, interfaces, [](const std::string& t, auto& r) {
            return bench::lcdjson_decode(t, r);
        });
    }
#ifdef OCSM_HAVE_SIMDJSON
    if (implementation == "simdjson_ondemand_map") {
        return decode_both(screens, interfaces, [](const std::string& t, auto& r) {
            return bench::simdjson_peer::decode(t, r);
        });
    }
#endif
#ifdef OCSM_HAVE_RAPIDJSON
    if (implementation == "rapidjson_dom_map") {
        return decode_both(screens, interfaces, [](const std::string& t, auto& r) {
            return bench::rapidjson_peer::decode(t, r);
        });
    }
#endif
    std::fprintf(stderr, "first_decode: no implementation %s\n", implementation.c_str());
    return 2;
}
