// lcdjson's typed decode and its encode next to general-purpose libraries doing the same job, in
// one run. Every case is named "case/implementation"; lcdjson is the line the others are
// compared with.
//
// Decode cases, each the text of one host message's answer decoded into the component's records,
// first in the compact form the controller sends (nlohmann's ordered_json dump() of data/'s
// documents, no blanks), then as data/ stores them, pretty-printed (cases prefixed pretty_):
//   screens_2, screens_32   screen list-detail answers of 2 and 32 screens (data/'s screens in
//                           turn) into s_response<Screen::s_ScreenDetail>
//   screens_512x16          512 screens of 16 outputs each, the same records
//   interface_11            data/'s interface list-detail answer (11 interfaces) into
//                           s_response<Interface::s_InterfaceDetailInfo>
//   auto_report             data/'s auto-report into LCDAutoReportData, then its body into
//                           std::vector<Screen::s_ScreenColorSpace>
// implementations:
//   lcdjson                 LCD::ProtoModel::decode, what the component runs
//   rapidjson_dom_map       RapidJSON's DOM (in situ over a copy) mapped into the same records
//   simdjson_ondemand_map   simdjson On-Demand, each object's fields dispatched by key
//   nlohmann_map            nlohmann/json's DOM mapped into the same records
//   rapidjson_parse, simdjson_dom_parse, nlohmann_parse   the document tree only (references)
//   memcpy                  a copy of the text (reference)
// The mappers are generic over the records' field lists; once per run each peer's records are
// checked against lcdjson's (their encode texts must be equal), or the benchmark fails.
//
// Cold decode cases (cold_ prefixed), as the device meets an answer now and then between other
// work: before each decode 64 MiB are read and written, so that neither the text, nor the
// parser's state, nor the decoder's code (gone from the caches that hold the first level's) is
// cached; each decode is timed alone (manual time, 100 decodes a repetition). lcdjson,
// simdjson_ondemand_map and rapidjson_dom_map on the compact texts.
//
// Encode cases: encode_1, encode_100, encode_10000 (std::vector<Screen::s_ScreenColorSpace>
// through LCD::ProtoModel::encode, and through RapidJSON's Writer into a StringBuffer), and
// write_str_ascii, write_str_mixed (lite_write::write_str of 1 KiB of ASCII and of ASCII mixed
// with Chinese, and RapidJSON's Writer::String with ASCII output); outputs checked equal.
//
// Each line reports bytes per second (of the text read or written) and the heap use of one
// operation, counted after a warm-up: heap_blocks allocations and heap_bytes bytes asked for;
// decode lines also the number of list records in their text (records), for the time per record.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "bench_documents.h"
#include "bench_run.h"
#include "heap_tally.h"
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

using bench::ColorSpaceList;

// Times operation, which reports success, after counting the heap use of one operation that
// follows a warm-up (the warm-up builds what is kept between operations: field lists, parsers,
// buffers). bytes: the text read or written by one operation.
template <class Operation>
void measure(benchmark::State& state, const std::string& name, size_t bytes, Operation operation,
             size_t records = 0) {
    if (!operation()) return bench::fail(state, name + ": the operation failed on its text");
    bench::tally_begin();
    operation();
    const bench::HeapUse use = bench::tally_end();
    for (auto _ : state) {
        if (!operation()) return bench::fail(state, name + ": the operation failed on its text");
    }
    if (records != 0) state.counters["records"] = static_cast<double>(records);
    state.counters["heap_blocks"] = static_cast<double>(use.blocks);
    state.counters["heap_bytes"] = static_cast<double>(use.bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// True the first time for each name: what is checked once per run.
bool first_time(const std::string& name) {
    static std::set<std::string> seen;
    return seen.insert(name).second;
}

// Where two texts part, for the failure message.
std::string difference(const std::string& expected, const std::string& actual) {
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    const size_t from = at < 40 ? 0 : at - 40;
    return "records differ from lcdjson's at byte " + std::to_string(at) +
           " of the encode text: " + "lcdjson \"" + expected.substr(from, 80) + "\", peer \"" +
           actual.substr(from, 80) + "\"";
}

// The list records of each decode text, for the time per record.
std::map<const std::string*, size_t> counted_records;

// The texts live as long as the program; the benchmarks refer to them.
const std::string& keep(std::string text) {
    static std::deque<std::string> texts;
    texts.push_back(std::move(text));
    return texts.back();
}

// --- decode ----------------------------------------------------------------------------------

template <class Records>
using DecodeFunction = bool (*)(const std::string&, Records&);
using ParseFunction = bool (*)(const std::string&);

template <class Records>
bool lcdjson_decode(const std::string& text, Records& records) {
    return bench::lcdjson_decode(text, records);
}

bool copy_text(const std::string& text) {
    static std::vector<char> buffer;
    if (buffer.size() < text.size()) buffer.resize(text.size());
    std::memcpy(buffer.data(), text.data(), text.size());
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
    return true;
}

// The peer's records against lcdjson's, once per run and benchmark.
template <class Records>
bool same_records(benchmark::State& state, const std::string& name, const std::string& text,
                  DecodeFunction<Records> decode) {
    if (!first_time(name)) return true;
    Records expected;
    Records actual;
    if (!bench::lcdjson_decode(text, expected)) {
        bench::fail(state, name + ": lcdjson cannot decode the text");
        return false;
    }
    if (!decode(text, actual)) {
        bench::fail(state, name + ": the peer cannot decode the text");
        return false;
    }
    const std::string want = bench::encode_text(expected);
    const std::string got = bench::encode_text(actual);
    if (want == got) return true;
    bench::fail(state, name + ": " + difference(want, got));
    return false;
}

template <class Records>
void add_decode(const std::string& name, const std::string& text, DecodeFunction<Records> decode,
                bool check) {
    if (decode == nullptr) return;  // the library is not installed
    benchmark::RegisterBenchmark(name.c_str(),
                                 [name, &text, decode, check](benchmark::State& state) {
                                     if (check && !same_records(state, name, text, decode)) return;
                                     measure(
                                         state, name, text.size(),
                                         [&] {
                                             Records records;
                                             const bool ok = decode(text, records);
                                             benchmark::DoNotOptimize(records);
                                             return ok;
                                         },
                                         counted_records[&text]);
                                 });
}

void add_parse(const std::string& name, const std::string& text, ParseFunction parse) {
    if (parse == nullptr) return;  // the library is not installed
    benchmark::RegisterBenchmark(name.c_str(), [name, &text, parse](benchmark::State& state) {
        measure(
            state, name, text.size(), [&] { return parse(text); }, counted_records[&text]);
    });
}

template <class Records>
struct DecodePeers {
    DecodeFunction<Records> rapidjson = nullptr;
    DecodeFunction<Records> simdjson = nullptr;
    DecodeFunction<Records> nlohmann = nullptr;
};
struct ParsePeers {
    ParseFunction rapidjson = nullptr;
    ParseFunction simdjson = nullptr;
    ParseFunction nlohmann = nullptr;
};

template <class Records>
DecodePeers<Records> decode_peers() {
    DecodePeers<Records> peers;
#ifdef OCSM_HAVE_RAPIDJSON
    peers.rapidjson = bench::rapidjson_peer::decode;
#endif
#ifdef OCSM_HAVE_SIMDJSON
    peers.simdjson = bench::simdjson_peer::decode;
#endif
#ifdef OCSM_HAVE_NLOHMANN
    peers.nlohmann = bench::nlohmann_peer::decode;
#endif
    return peers;
}

ParsePeers parse_peers(bool report) {
    ParsePeers peers;
#ifdef OCSM_HAVE_RAPIDJSON
    peers.rapidjson = report ? bench::rapidjson_peer::parse_report : bench::rapidjson_peer::parse;
#endif
#ifdef OCSM_HAVE_SIMDJSON
    peers.simdjson = report ? bench::simdjson_peer::parse_report : bench::simdjson_peer::parse;
#endif
#ifdef OCSM_HAVE_NLOHMANN
    peers.nlohmann = report ? bench::nlohmann_peer::parse_report : bench::nlohmann_peer::parse;
#endif
    (void)report;
    return peers;
}

// How many list records (screens, interfaces, changed screens) the case's text holds.
size_t record_count(const bench::ScreenAnswer& answer) {
    return answer.data.list.size();
}
size_t record_count(const bench::InterfaceAnswer& answer) {
    return answer.data.list.size();
}
size_t record_count(const bench::ReportRecords& report) {
    return report.changed.size();
}

// A case's text, kept for the program's life with the parsers' padding, its records counted.
template <class Records>
const std::string& case_text_kept(std::string text) {
    const std::string& kept = keep(bench::with_padding(std::move(text)));
    Records records;
    if (bench::lcdjson_decode(kept, records)) counted_records[&kept] = record_count(records);
    return kept;
}

template <class Records>
void add_decode_case(const std::string& name, std::string text) {
    const std::string& kept = case_text_kept<Records>(std::move(text));
    const DecodePeers<Records> decode = decode_peers<Records>();
    const ParsePeers parse = parse_peers(std::is_same<Records, bench::ReportRecords>::value);
    add_decode<Records>(name + "/lcdjson", kept, lcdjson_decode<Records>, false);
    add_decode<Records>(name + "/rapidjson_dom_map", kept, decode.rapidjson, true);
    add_decode<Records>(name + "/simdjson_ondemand_map", kept, decode.simdjson, true);
    add_decode<Records>(name + "/nlohmann_map", kept, decode.nlohmann, true);
    add_parse(name + "/rapidjson_parse", kept, parse.rapidjson);
    add_parse(name + "/simdjson_dom_parse", kept, parse.simdjson);
    add_parse(name + "/nlohmann_parse", kept, parse.nlohmann);
    add_parse(name + "/memcpy", kept, copy_text);
}

// Every cache line of a buffer larger than any cache written (and so read) once.
void evict_caches() {
    static std::vector<uint64_t> sweep((size_t(64) << 20) / sizeof(uint64_t));
    for (size_t i = 0; i < sweep.size(); i += 64 / sizeof(uint64_t))
        ++sweep[i];
    benchmark::DoNotOptimize(sweep.data());
    benchmark::ClobberMemory();
}

template <class Records>
void add_cold_decode(const std::string& name, const std::string& text,
                     DecodeFunction<Records> decode) {
    if (decode == nullptr) return;  // the library is not installed
    benchmark::RegisterBenchmark(
        name.c_str(),
        [name, &text, decode](benchmark::State& state) {
            Records warm;  // what is kept between decodes (a parser's buffers) made once
            if (!decode(text, warm)) return bench::fail(state, name + ": the decode failed");
            for (auto _ : state) {
                evict_caches();
                const auto start = std::chrono::steady_clock::now();
                bool ok;
                {
                    Records records;
                    ok = decode(text, records);
                    benchmark::DoNotOptimize(records);
                }
                const auto stop = std::chrono::steady_clock::now();
                if (!ok) return bench::fail(state, name + ": the decode failed");
                state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
            }
            state.counters["records"] = static_cast<double>(counted_records[&text]);
            state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
        })
        ->UseManualTime()
        ->Iterations(100);
}

template <class Records>
void add_cold_case(const std::string& name, std::string text) {
    const std::string& kept = case_text_kept<Records>(std::move(text));
    const DecodePeers<Records> decode = decode_peers<Records>();
    add_cold_decode<Records>(name + "/lcdjson", kept, lcdjson_decode<Records>);
    add_cold_decode<Records>(name + "/simdjson_ondemand_map", kept, decode.simdjson);
    add_cold_decode<Records>(name + "/rapidjson_dom_map", kept, decode.rapidjson);
}

// --- encode ----------------------------------------------------------------------------------

// Writes the input and gives the size written; the text itself in *copy when given.
template <class Input>
using WriteFunction = size_t (*)(const Input&, std::string*);

size_t lcdjson_encode(const ColorSpaceList& list, std::string* copy) {
    std::string body;
    LCD::ProtoModel::encode(body, list);
    benchmark::DoNotOptimize(body);
    if (copy != nullptr) *copy = body;
    return body.size();
}

size_t lcdjson_write_str(const std::string& text, std::string* copy) {
    lcdjson::string_stream stream;
    lcdjson::lite_write writer(stream);
    writer.write_str(text.data(), text.size());
    benchmark::DoNotOptimize(stream.data());
    if (copy != nullptr) copy->assign(stream.data(), stream.size());
    return stream.size();
}

// Bytes per second count the input of a string and the output of a list. A peer's output is
// checked against lcdjson's once per run.
template <class Input>
void add_write(const std::string& name, const Input& input, WriteFunction<Input> write,
               WriteFunction<Input> lcdjson) {
    if (write == nullptr) return;  // the library is not installed
    benchmark::RegisterBenchmark(
        name.c_str(), [name, &input, write, lcdjson](benchmark::State& state) {
            std::string expected;
            std::string actual;
            size_t bytes = write(input, &actual);
            if (write != lcdjson && first_time(name)) {
                lcdjson(input, &expected);
                if (actual != expected) {
                    return bench::fail(state, name + ": " + difference(expected, actual));
                }
            }
            if constexpr (std::is_same<Input, std::string>::value) bytes = input.size();
            measure(state, name, bytes, [&] { return write(input, nullptr) != 0; });
        });
}

template <class Input>
void add_write_case(const std::string& name, const Input& input, WriteFunction<Input> lcdjson,
                    WriteFunction<Input> rapidjson) {
    add_write<Input>(name + "/lcdjson", input, lcdjson, lcdjson);
    add_write<Input>(name + "/rapidjson_writer", input, rapidjson, lcdjson);
}

#ifdef OCSM_HAVE_RAPIDJSON
constexpr WriteFunction<ColorSpaceList> kRapidjsonEncode = bench::rapidjson_peer::encode;
constexpr WriteFunction<std::string> kRapidjsonWriteString = bench::rapidjson_peer::write_string;
#else
constexpr WriteFunction<ColorSpaceList> kRapidjsonEncode = nullptr;
constexpr WriteFunction<std::string> kRapidjsonWriteString = nullptr;
#endif

const ColorSpaceList& keep_list(ColorSpaceList list) {
    static std::deque<ColorSpaceList> lists;
    lists.push_back(std::move(list));
    return lists.back();
}

}  // namespace

void bench::register_benchmarks() {
    // Each case as the controller sends it (compact), then as data/ stores it (pretty-printed).
    for (const bool pretty : {false, true}) {
        const auto text = [pretty](const char* name) {
            const std::string stored = case_text(name);
            return pretty ? stored : compact(stored);
        };
        const std::string form = pretty ? "pretty_" : "";
        add_decode_case<ScreenAnswer>(form + "screens_2", text("screens_2"));
        add_decode_case<ScreenAnswer>(form + "screens_32", text("screens_32"));
        add_decode_case<ScreenAnswer>(form + "screens_512x16", text("screens_512x16"));
        add_decode_case<InterfaceAnswer>(form + "interface_11", text("interface_11"));
        add_decode_case<ReportRecords>(form + "auto_report", text("auto_report"));
    }
    add_cold_case<ScreenAnswer>("cold_screens_2", compact(case_text("screens_2")));
    add_cold_case<ScreenAnswer>("cold_screens_32", compact(case_text("screens_32")));
    add_cold_case<InterfaceAnswer>("cold_interface_11", compact(case_text("interface_11")));
    add_cold_case<ReportRecords>("cold_auto_report", compact(case_text("auto_report")));
    for (const size_t count : {1, 100, 10000}) {
        add_write_case<ColorSpaceList>("encode_" + std::to_string(count),
                                       keep_list(colorspace_list(count)), lcdjson_encode,
                                       kRapidjsonEncode);
    }
    add_write_case<std::string>("write_str_ascii", keep(ascii_text(1024)), lcdjson_write_str,
                                kRapidjsonWriteString);
    add_write_case<std::string>("write_str_mixed", keep(mixed_text(1024)), lcdjson_write_str,
                                kRapidjsonWriteString);
}
