// Decoding speed of the codec on the controller's real answers, scaled up to about 1 MB by
// repeating their list entries, next to general-purpose parsers on the same text. The
// codec fills typed records (strings and sequences allocated); the others build their
// document trees (DOM) or, for RapidJSON's SAX reader, only tokenise.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_documents.h"
#include "compared_libraries.h"

namespace {

using bench::InterfaceAnswer;
using bench::ScreenAnswer;

const std::string& screen_text() {
    static const std::string text =
        bench::scaled(bench::read_document("screen-list-detail.json"), 1 << 20);
    return text;
}
const std::string& interface_text() {
    static const std::string text =
        bench::scaled(bench::read_document("interface-list-detail.json"), 1 << 20);
    return text;
}
const std::string& document(int which) {
    return which == 0 ? screen_text() : interface_text();
}

template <class Answer>
void lcdjson_records(benchmark::State& state, const std::string& text) {
    size_t entries = 0;
    for (auto _ : state) {
        Answer answer;
        std::string error;
        if (!LCD::ProtoModel::decode(text, answer, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        entries = answer.data.list.size();
        benchmark::DoNotOptimize(answer);
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_lcdjson_records(benchmark::State& state) {
    if (state.range(0) == 0) {
        lcdjson_records<ScreenAnswer>(state, screen_text());
    } else {
        lcdjson_records<InterfaceAnswer>(state, interface_text());
    }
}
BENCHMARK(BM_lcdjson_records)->Arg(0)->Arg(1);

// The reader alone: every token of the document, numbers converted, nothing stored.
void BM_lcdjson_tokens(benchmark::State& state) {
    const std::string& text = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        lcdjson::reader rd(text.c_str(), UINT64_MAX);
        rd.next();
        lcdjson::skip(rd);
        benchmark::DoNotOptimize(rd.position);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_lcdjson_tokens)->Arg(0)->Arg(1);

#ifdef OCSM_HAVE_RAPIDJSON
void BM_rapidjson_dom(benchmark::State& state) {
    const std::string& text = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rapidjson::Document doc;
        doc.Parse(text.c_str(), text.size());
        if (doc.HasParseError()) state.SkipWithError("rapidjson parse error");
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_rapidjson_dom)->Arg(0)->Arg(1);

// In place, like the codec; the copy of the text that in-situ parsing consumes is timed too.
void BM_rapidjson_insitu(benchmark::State& state) {
    const std::string& text = document(static_cast<int>(state.range(0)));
    std::vector<char> buffer(text.size() + 1);
    for (auto _ : state) {
        std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer.begin());
        rapidjson::Document doc;
        doc.ParseInsitu(buffer.data());
        if (doc.HasParseError()) state.SkipWithError("rapidjson parse error");
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_rapidjson_insitu)->Arg(0)->Arg(1);

// Tokenising only, with a handler that keeps nothing.
void BM_rapidjson_sax(benchmark::State& state) {
    const std::string& text = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rapidjson::Reader reader;
        rapidjson::BaseReaderHandler<> handler;
        rapidjson::StringStream stream(text.c_str());
        if (reader.Parse(stream, handler).IsError()) state.SkipWithError("rapidjson parse error");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_rapidjson_sax)->Arg(0)->Arg(1);
#endif

#ifdef OCSM_HAVE_SIMDJSON
void BM_simdjson_dom(benchmark::State& state) {
    const simdjson::padded_string text(document(static_cast<int>(state.range(0))));
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::dom::element doc;
        if (parser.parse(text).get(doc) != simdjson::SUCCESS) {
            state.SkipWithError("simdjson parse error");
        }
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_simdjson_dom)->Arg(0)->Arg(1);
#endif

#ifdef OCSM_HAVE_NLOHMANN
void BM_nlohmann_dom(benchmark::State& state) {
    const std::string& text = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        nlohmann::json doc = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_nlohmann_dom)->Arg(0)->Arg(1);
#endif

}  // namespace

BENCHMARK_MAIN();
