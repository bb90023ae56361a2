// One implementation's decode of one benchmark text, repeated a given number of times and nothing
// else: what instruction counters (callgrind, qemu's execution log) measure per decode.
//
//   decode_count IMPLEMENTATION CASE FORM COUNT
//
// IMPLEMENTATION: lcdjson, rapidjson_dom_map, simdjson_ondemand_map, nlohmann_map (those built);
// CASE: screens_2, screens_4, screens_32, screens_512x16, interface_11, auto_report; FORM: compact
// or pretty. The text is made, and decoded once to warm up (field lists, parsers, buffers) before
// the count; COUNT 0 measures that set-up alone. Prints the text's size in bytes.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "bench_documents.h"
#include "records.h"
#ifdef OCSM_HAVE_RAPIDJSON
#include "peer_rapidjson.h"
#endif
#ifdef OCSM_HAVE_SIMDJSON
#include "peer_simdjson.h"
#endif
#ifdef OCSM_HAVE_NLOHMANN
#include "peer_nlohmann.h"
#endif

namespace {

template <class Records>
using Decode = bool (*)(const std::string&, Records&);

// Every implementation's decode into the case's records.
template <class Records>
std::map<std::string, Decode<Records>> implementations() {
    std::map<std::string, Decode<Records>> all;
    all["lcdjson"] = bench::lcdjson_decode;
#ifdef OCSM_HAVE_RAPIDJSON
    all["rapidjson_dom_map"] = bench::rapidjson_peer::decode;
#endif
#ifdef OCSM_HAVE_SIMDJSON
    all["simdjson_ondemand_map"] = bench::simdjson_peer::decode;
#endif
#ifdef OCSM_HAVE_NLOHMANN
    all["nlohmann_map"] = bench::nlohmann_peer::decode;
#endif
    return all;
}

template <class Records>
int run(const std::string& implementation, const std::string& text, long count) {
    const auto all = implementations<Records>();
    const auto found = all.find(implementation);
    if (found == all.end()) {
        std::fprintf(stderr, "decode_count: no implementation %s\n", implementation.c_str());
        return 2;
    }
    for (long i = -1; i < count; ++i) {
        Records records;
        if (!found->second(text, records)) {
            std::fprintf(stderr, "decode_count: %s cannot decode the text\n",
                         implementation.c_str());
            return 1;
        }
    }
    std::printf("%zu\n", text.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool text_only = argc == 4 && std::string(argv[1]) == "text";
    if (argc != 5 && !text_only) {
        std::fprintf(stderr,
                     "usage: decode_count IMPLEMENTATION CASE compact|pretty|@FILE COUNT\n"
                     "       decode_count text CASE compact|pretty\n");
        return 2;
    }
    const std::string implementation = argv[1];
    const std::string name = argv[2];
    const std::string form = argv[3];
    const long count = text_only ? 0 : std::strtol(argv[4], nullptr, 10);
    const std::map<std::string, std::function<int(const std::string&)>> cases = {
        {"screens_2",
         [&](const std::string& t) { return run<bench::ScreenAnswer>(implementation, t, count); }},
        {"screens_4",
         [&](const std::string& t) { return run<bench::ScreenAnswer>(implementation, t, count); }},
        {"screens_32",
         [&](const std::string& t) { return run<bench::ScreenAnswer>(implementation, t, count); }},
        {"screens_512x16",
         [&](const std::string& t) { return run<bench::ScreenAnswer>(implementation, t, count); }},
        {"interface_11",
         [&](const std::string& t) {
             return run<bench::InterfaceAnswer>(implementation, t, count);
         }},
        {"auto_report",
         [&](const std::string& t) { return run<bench::ReportRecords>(implementation, t, count); }},
    };
    const auto found = cases.find(name);
    const bool from_file = form.rfind('@', 0) == 0;
    if (found == cases.end() || (form != "compact" && form != "pretty" && !from_file)) {
        std::fprintf(stderr, "decode_count: no case %s in form %s\n", name.c_str(), form.c_str());
        return 2;
    }
    std::string text;
    if (from_file) {
        std::ifstream in(form.substr(1), std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        text = bench::case_text(name);
        if (form == "compact") text = bench::compact(text);
    }
    if (text_only) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    return found->second(bench::with_padding(std::move(text)));
}
