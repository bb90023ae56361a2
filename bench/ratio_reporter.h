// The console report, followed by a side-by-side table: benchmarks named "case/implementation"
// are grouped by case, and each implementation's median CPU time is given as a ratio to the
// baseline implementation's, next to its heap counters per operation.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::string baseline, bool color)
        : ConsoleReporter(color ? OO_ColorTabular : OO_Tabular), baseline_(std::move(baseline)) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Result {
        int64_t order;  // registration order of the benchmark
        std::string implementation;
        double cpu_ns;
        std::map<std::string, double> counters;
    };
    struct Case {
        std::string name;
        std::vector<Result> results;
    };

    std::string baseline_;
    std::vector<Case> cases_;  // in the order they ran
    int64_t repetitions_ = 1;
};

}  // namespace bench
