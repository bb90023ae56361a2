// What the benchmark programs share: one main with the defaults for a noisy machine (repetitions,
// interleaved, medians), and failures that make the program exit with 1 after its run.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace bench {

// Registers the program's benchmarks; each program defines it. Runs after the flags are read.
void register_benchmarks();

// A check that failed: printed now, and the program exits with 1 at the end. The benchmark's
// results are still reported.
void fail_check(const std::string& why);
// A benchmark that cannot go on: fail_check, and the benchmark stops with the reason (which
// should name the benchmark: the library version in use cannot tell its name).
void fail(benchmark::State& state, const std::string& why);

}  // namespace bench
