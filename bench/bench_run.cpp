// The benchmark programs' main: default flags, the run, the exit status of their checks.
#include "bench_run.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace bench {
namespace {

std::atomic<int> failures{0};

bool has_flag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    }
    return false;
}

}  // namespace

void fail_check(const std::string& why) {
    ++failures;
    std::fprintf(stderr, "FAILED: %s\n", why.c_str());
}

void fail(benchmark::State& state, const std::string& why) {
    fail_check(why);
    state.SkipWithError(why.c_str());
}

}  // namespace bench

// The machine is shared and noisy: unless told otherwise, every benchmark runs 9 times for at
// least 0.2 s each, the repetitions of all benchmarks interleaved, and only their statistics
// (the median among them) are reported.
int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=9";
    char min_time[] = "--benchmark_min_time=0.2";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    if (!bench::has_flag(argc, argv, "--benchmark_repetitions")) args.push_back(repetitions);
    if (!bench::has_flag(argc, argv, "--benchmark_min_time")) args.push_back(min_time);
    if (!bench::has_flag(argc, argv, "--benchmark_enable_random_interleaving")) {
        args.push_back(interleave);
    }
    if (!bench::has_flag(argc, argv, "--benchmark_report_aggregates_only"))
        args.push_back(aggregates);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    bench::register_benchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (bench::failures > 0) {
        std::fprintf(stderr, "%d check(s) failed\n", bench::failures.load());
        return 1;
    }
    return 0;
}
