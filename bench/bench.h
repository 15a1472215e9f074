#pragma once
// orvanta-bench: each benchmark prints one figure a line as "name: value unit".
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace orvanta::bench {

using BenchFn = void (*)();

struct Benchmark {
    const char* name;   // group name used for filtering on the command line
    BenchFn run;
};

bool RegisterBenchmark(const Benchmark& b);

// Prints "name: value unit" and flushes, so a long run shows figures as they come.
void Report(const std::string& name, double value, const std::string& unit);

// Seconds on a monotonic clock.
inline double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Directory holding the built-in data files (the executables' directory).
std::string DataDirectory();
// The source tree (for test fixtures such as element files).
std::string SourceDirectory();

}  // namespace orvanta::bench

#define ORVANTA_BENCHMARK(ident, name, fn) \
    static const bool ident = ::orvanta::bench::RegisterBenchmark({name, fn})
