#include "ratio_reporter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <utility>

namespace bench {
namespace {

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// A time in the unit that keeps it between 1 and 1000.
std::string duration(double ns) {
    if (ns < 1e3) return format("%.1f ns", ns);
    if (ns < 1e6) return format("%.2f us", ns / 1e3);
    return format("%.2f ms", ns / 1e6);
}

std::string counter(const std::map<std::string, double>& counters, const char* name) {
    const auto found = counters.find(name);
    return found == counters.end() ? "-" : format("%.0f", found->second);
}

}  // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        // The median of the repetitions, or the one run when there are none.
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (!median && !single) continue;
        repetitions_ = run.repetitions;
        const std::string& name = run.run_name.function_name;
        const size_t slash = name.find('/');
        if (slash == std::string::npos) continue;
        const std::string case_name = name.substr(0, slash);
        auto found = std::find_if(cases_.begin(), cases_.end(),
                                  [&](const Case& c) { return c.name == case_name; });
        if (found == cases_.end()) found = cases_.insert(cases_.end(), Case{case_name, {}});
        Result result{
            run.family_index,
            name.substr(slash + 1),
            run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit),
            {}};
        for (const auto& c : run.counters)
            result.counters[c.first] = c.second.value;
        found->results.push_back(std::move(result));
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    if (cases_.empty()) return;
    // Interleaved repetitions finish in any order: list cases and results as registered.
    auto first = [](const Case& c) {
        int64_t order = INT64_MAX;
        for (const Result& r : c.results)
            order = std::min(order, r.order);
        return order;
    };
    std::stable_sort(cases_.begin(), cases_.end(),
                     [&](const Case& a, const Case& b) { return first(a) < first(b); });
    for (Case& c : cases_) {
        std::stable_sort(c.results.begin(), c.results.end(),
                         [](const Result& a, const Result& b) { return a.order < b.order; });
    }
    std::ostream& out = GetOutputStream();
    out << "\nSide by side: median CPU time of " << repetitions_
        << " repetition(s); ratio = time / " << baseline_
        << "'s time.\nHeap per operation: blocks and bytes asked for, peak bytes held; kept: "
           "held between operations.\n";
    char line[256];
    std::snprintf(line, sizeof line, "%-20s %-20s %11s %7s %7s %9s %9s %9s\n", "case",
                  "implementation", "cpu time", "ratio", "blocks", "bytes", "peak", "kept");
    out << line;
    for (const Case& c : cases_) {
        const auto base = std::find_if(c.results.begin(), c.results.end(), [&](const Result& r) {
            return r.implementation == baseline_;
        });
        for (const Result& r : c.results) {
            const std::string ratio = base != c.results.end() && base->cpu_ns > 0
                                          ? format("%.2f", r.cpu_ns / base->cpu_ns)
                                          : "-";
            std::snprintf(line, sizeof line, "%-20s %-20s %11s %7s %7s %9s %9s %9s\n",
                          c.name.c_str(), r.implementation.c_str(), duration(r.cpu_ns).c_str(),
                          ratio.c_str(), counter(r.counters, "heap_blocks").c_str(),
                          counter(r.counters, "heap_bytes").c_str(),
                          counter(r.counters, "heap_peak").c_str(),
                          counter(r.counters, "heap_kept").c_str());
            out << line;
        }
    }
}

}  // namespace bench
