// What one host message costs the plugin in JSON work, next to general-purpose libraries doing
// the same job, run side by side and reported as ratios to lcdjson:
//   screen_answer     the screen list-detail answer as the controller sends it, decoded into
//                     s_response<s_ScreenDetail> (screen queries: 0xFC050206, 0xFC050201)
//   interface_answer  the interface list-detail answer for one interface (0xFC050201)
//   auto_report       the auto-report, then the screen list in its body (0x00071107)
//   encode_colorspace the body of the colour space PUT, a one-element list (0xFC050205)
// Each operation also reports its heap use (counted once, after a warm-up run): blocks and
// bytes asked for, and the peak held. lcdjson fills the component's typed records; the others
// build their document trees only, which the component would still have to walk, so their
// ratios flatter them. simdjson reuses one parser, as its documentation advises, and copies
// each text into its padded buffer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_documents.h"
#include "compared_libraries.h"
#include "heap_tally.h"
#include "ratio_reporter.h"

namespace {

using bench::InterfaceAnswer;
using bench::ScreenAnswer;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using ColorSpaceList = std::vector<s_ScreenColorSpace>;

struct Documents {
    std::string screen = bench::read_document("screen-list-detail.json");
    std::string interface =
        bench::first_entry_only(bench::read_document("interface-list-detail.json"));
    std::string report = bench::read_document("autoreport-colorspace.json");
};
const Documents& documents() {
    static const Documents loaded;
    return loaded;
}

// What setColorSpace sends for screen 1, colour space 2.
const ColorSpaceList& colorspace_list() {
    static const ColorSpaceList list{s_ScreenColorSpace{1, {2}}};
    return list;
}
constexpr const char* kColorSpaceBody = "[{\"screenId\":1,\"colorSpace\":{\"preset\":2}}]";

// Times operation (which reports success) and counts its heap use once, after a warm-up run
// that builds what is built only once (field lists, a reused parser's buffers). kept, when
// given, is what the implementation holds between operations.
template <class Operation>
void measure(benchmark::State& state, size_t text_bytes, Operation operation, int64_t kept = -1) {
    if (!operation()) {
        state.SkipWithError("the operation failed on its document");
        return;
    }
    bench::tally_begin();
    operation();
    const bench::HeapUse use = bench::tally_end();
    for (auto _ : state) {
        if (!operation()) {
            state.SkipWithError("the operation failed on its document");
            return;
        }
    }
    state.counters["heap_blocks"] = static_cast<double>(use.blocks);
    state.counters["heap_bytes"] = static_cast<double>(use.bytes);
    state.counters["heap_peak"] = static_cast<double>(use.peak_bytes);
    if (kept >= 0) state.counters["heap_kept"] = static_cast<double>(kept);
    if (text_bytes != 0) {
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text_bytes));
    }
}

// --- lcdjson: what the component does ------------------------------------------------------

template <class Answer>
bool lcdjson_answer(const std::string& text) {
    Answer answer;
    std::string error;
    const bool ok = LCD::ProtoModel::decode(text, answer, error);
    benchmark::DoNotOptimize(answer);
    return ok && !answer.data.list.empty();
}

bool lcdjson_report(const std::string& text) {
    LCD::AutoReport::LCDAutoReportData report;
    std::string error;
    if (!LCD::ProtoModel::decode(text, report, error)) return false;
    ColorSpaceList changed;
    const bool ok = LCD::ProtoModel::decode(report.body, changed, error);
    benchmark::DoNotOptimize(changed);
    return ok && changed.size() == 2;
}

std::string lcdjson_encode(const ColorSpaceList& list) {
    std::string body;
    LCD::ProtoModel::encode(body, list);
    return body;
}

// --- RapidJSON: DOM and Writer, their malloc calls counted ---------------------------------

#ifdef OCSM_HAVE_RAPIDJSON
// RapidJSON's CrtAllocator over the counting heap.
class TallyAllocator {
public:
    static const bool kNeedFree = true;
    void* Malloc(size_t size) { return size != 0 ? bench::tally_allocate(size) : nullptr; }
    void* Realloc(void* block, size_t, size_t size) {
        if (size == 0) {
            bench::tally_release(block);
            return nullptr;
        }
        return bench::tally_reallocate(block, size);
    }
    static void Free(void* block) { bench::tally_release(block); }
};
using RapidDocument =
    rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<TallyAllocator>,
                               TallyAllocator>;
using RapidBuffer = rapidjson::GenericStringBuffer<rapidjson::UTF8<>, TallyAllocator>;
using RapidWriter =
    rapidjson::Writer<RapidBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, TallyAllocator>;

bool rapidjson_answer(const std::string& text) {
    RapidDocument doc;
    doc.Parse(text.c_str(), text.size());
    benchmark::DoNotOptimize(doc);
    return !doc.HasParseError() && doc.IsObject();
}

bool rapidjson_report(const std::string& text) {
    RapidDocument doc;
    doc.Parse(text.c_str(), text.size());
    if (doc.HasParseError() || !doc.IsObject()) return false;
    const auto body = doc.FindMember("body");
    if (body == doc.MemberEnd() || !body->value.IsString()) return false;
    RapidDocument changed;
    changed.Parse(body->value.GetString(), body->value.GetStringLength());
    benchmark::DoNotOptimize(changed);
    return !changed.HasParseError() && changed.IsArray() && changed.Size() == 2;
}

std::string rapidjson_encode(const ColorSpaceList& list) {
    RapidBuffer buffer;
    RapidWriter writer(buffer);
    writer.StartArray();
    for (const s_ScreenColorSpace& entry : list) {
        writer.StartObject();
        writer.Key("screenId");
        writer.Int(entry.screenId);
        writer.Key("colorSpace");
        writer.StartObject();
        writer.Key("preset");
        writer.Int(entry.colorSpace.preset);
        writer.EndObject();
        writer.EndObject();
    }
    writer.EndArray();
    return std::string(buffer.GetString(), buffer.GetSize());
}
#endif

// --- simdjson: DOM with a reused parser -----------------------------------------------------

#ifdef OCSM_HAVE_SIMDJSON
// Two parsers: the body is parsed while the report's element is still in use.
struct SimdParsers {
    simdjson::dom::parser report;
    simdjson::dom::parser body;
};
SimdParsers& simdjson_parsers() {
    static SimdParsers parsers;
    return parsers;
}

bool simdjson_answer_with(SimdParsers& parsers, const std::string& text) {
    simdjson::dom::element doc;
    if (parsers.report.parse(text).get(doc) != simdjson::SUCCESS) return false;
    benchmark::DoNotOptimize(doc);
    return doc.is_object();
}

bool simdjson_report_with(SimdParsers& parsers, const std::string& text) {
    simdjson::dom::element doc;
    if (parsers.report.parse(text).get(doc) != simdjson::SUCCESS) return false;
    std::string_view body;
    if (doc["body"].get(body) != simdjson::SUCCESS) return false;
    simdjson::dom::array changed;
    if (parsers.body.parse(body.data(), body.size()).get(changed) != simdjson::SUCCESS) {
        return false;
    }
    benchmark::DoNotOptimize(changed);
    return changed.size() == 2;
}

bool simdjson_answer(const std::string& text) {
    return simdjson_answer_with(simdjson_parsers(), text);
}
bool simdjson_report(const std::string& text) {
    return simdjson_report_with(simdjson_parsers(), text);
}

// What parsers that have seen only this text hold: their buffers, kept between messages.
template <bool (*Operation)(SimdParsers&, const std::string&)>
int64_t simdjson_kept(const std::string& text) {
    SimdParsers fresh;
    bench::tally_begin();
    Operation(fresh, text);
    return static_cast<int64_t>(bench::tally_end().peak_bytes);
}
#endif

// --- nlohmann/json: DOM and dump -------------------------------------------------------------

#ifdef OCSM_HAVE_NLOHMANN
bool nlohmann_answer(const std::string& text) {
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    benchmark::DoNotOptimize(doc);
    return doc.is_object();
}

bool nlohmann_report(const std::string& text) {
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("body") || !doc["body"].is_string()) return false;
    const nlohmann::json changed =
        nlohmann::json::parse(doc["body"].get_ref<const std::string&>(), nullptr, false);
    benchmark::DoNotOptimize(changed);
    return changed.is_array() && changed.size() == 2;
}

// ordered_json keeps the keys in the order written, as the controller expects them.
std::string nlohmann_encode(const ColorSpaceList& list) {
    nlohmann::ordered_json doc = nlohmann::ordered_json::array();
    for (const s_ScreenColorSpace& entry : list) {
        doc.push_back(
            {{"screenId", entry.screenId}, {"colorSpace", {{"preset", entry.colorSpace.preset}}}});
    }
    return doc.dump();
}
#endif

// --- registration ----------------------------------------------------------------------------

using DecodeFunction = bool (*)(const std::string&);
using KeptFunction = int64_t (*)(const std::string&);

void add_decode(const std::string& name, const std::string Documents::*text, DecodeFunction decode,
                KeptFunction kept) {
    if (decode == nullptr) return;  // the library is not installed
    benchmark::RegisterBenchmark(name.c_str(), [text, decode, kept](benchmark::State& state) {
        const std::string& document = documents().*text;
        measure(
            state, document.size(), [&] { return decode(document); },
            kept != nullptr ? kept(document) : -1);
    });
}

// One message's decode by each implementation.
struct DecodeCase {
    const char* name;
    const std::string Documents::*text;
    DecodeFunction lcdjson;
    DecodeFunction rapidjson;
    DecodeFunction simdjson;
    KeptFunction simdjson_kept;
    DecodeFunction nlohmann;
};

void add_encode(const char* name, std::string (*encode)(const ColorSpaceList&)) {
    if (encode == nullptr) return;  // the library is not installed
    benchmark::RegisterBenchmark(name, [encode](benchmark::State& state) {
        const ColorSpaceList& list = colorspace_list();
        if (encode(list) != kColorSpaceBody) {
            state.SkipWithError("the text differs from the component's body");
            return;
        }
        measure(state, 0, [&] {
            const std::string body = encode(list);
            benchmark::DoNotOptimize(body);
            return body.size() == std::strlen(kColorSpaceBody);
        });
    });
}

void register_all() {
    const DecodeCase cases[] = {
        {"screen_answer", &Documents::screen, lcdjson_answer<ScreenAnswer>,
         OCSM_IF_RAPIDJSON(rapidjson_answer), OCSM_IF_SIMDJSON(simdjson_answer),
         OCSM_IF_SIMDJSON(simdjson_kept<simdjson_answer_with>), OCSM_IF_NLOHMANN(nlohmann_answer)},
        {"interface_answer", &Documents::interface, lcdjson_answer<InterfaceAnswer>,
         OCSM_IF_RAPIDJSON(rapidjson_answer), OCSM_IF_SIMDJSON(simdjson_answer),
         OCSM_IF_SIMDJSON(simdjson_kept<simdjson_answer_with>), OCSM_IF_NLOHMANN(nlohmann_answer)},
        {"auto_report", &Documents::report, lcdjson_report, OCSM_IF_RAPIDJSON(rapidjson_report),
         OCSM_IF_SIMDJSON(simdjson_report), OCSM_IF_SIMDJSON(simdjson_kept<simdjson_report_with>),
         OCSM_IF_NLOHMANN(nlohmann_report)},
    };
    for (const DecodeCase& c : cases) {
        const std::string name = c.name;
        add_decode(name + "/lcdjson", c.text, c.lcdjson, nullptr);
        add_decode(name + "/rapidjson_dom", c.text, c.rapidjson, nullptr);
        add_decode(name + "/simdjson_dom", c.text, c.simdjson, c.simdjson_kept);
        add_decode(name + "/nlohmann_dom", c.text, c.nlohmann, nullptr);
    }
    add_encode("encode_colorspace/lcdjson", lcdjson_encode);
    add_encode("encode_colorspace/rapidjson_writer", OCSM_IF_RAPIDJSON(rapidjson_encode));
    add_encode("encode_colorspace/nlohmann_dump", OCSM_IF_NLOHMANN(nlohmann_encode));
}

bool heap_is_counted() {
    bench::tally_begin();
    {
        std::vector<char> block(100);
        benchmark::DoNotOptimize(block.data());
    }
    const bench::HeapUse use = bench::tally_end();
    return use.blocks == 1 && use.bytes == 100 && use.peak_bytes == 100;
}

bool has_flag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    }
    return false;
}

}  // namespace

// The machine is shared and noisy: unless told otherwise, every benchmark is repeated, the
// repetitions of all benchmarks are interleaved, and only their statistics are printed.
int main(int argc, char** argv) {
    if (!heap_is_counted()) {
        std::fprintf(stderr, "message_bench: allocations are not counted\n");
        return 1;
    }
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=9";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    if (!has_flag(argc, argv, "--benchmark_repetitions")) args.push_back(repetitions);
    if (!has_flag(argc, argv, "--benchmark_enable_random_interleaving")) {
        args.push_back(interleave);
    }
    if (!has_flag(argc, argv, "--benchmark_report_aggregates_only")) args.push_back(aggregates);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    register_all();
    // The library colours its own console report only on a terminal, and so does this one.
    const bool color =
        isatty(STDOUT_FILENO) != 0 && !has_flag(argc, argv, "--benchmark_color=false");
    bench::RatioReporter reporter("lcdjson", color);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
