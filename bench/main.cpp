#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench.h"

namespace orvanta::bench {

static std::vector<Benchmark>& Registry() {
    static std::vector<Benchmark> b;
    return b;
}

bool RegisterBenchmark(const Benchmark& b) {
    Registry().push_back(b);
    return true;
}

void Report(const std::string& name, double value, const std::string& unit) {
    std::printf("%s: %.6g %s\n", name.c_str(), value, unit.c_str());
    std::fflush(stdout);
}

std::string DataDirectory() { return ORVANTA_BENCH_DATA_DIR; }
std::string SourceDirectory() { return ORVANTA_SOURCE_DIR; }

}  // namespace orvanta::bench

namespace {

constexpr const char* kUsage = "usage: orvanta-bench [--list] [NAME ...]\n";

// The usage and the benchmark groups, each name once (a group may register several).
void PrintUsage(std::FILE* out) {
    using namespace orvanta::bench;
    std::vector<std::string> names;
    for (const auto& b : Registry()) names.push_back(b.name);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::fprintf(out, "%s\nNAME selects the benchmarks whose name starts with it; none runs "
                      "them all.\nbenchmarks:\n", kUsage);
    for (const auto& n : names) std::fprintf(out, "  %s\n", n.c_str());
}

bool Selects(const orvanta::bench::Benchmark& b, const std::string& filter) {
    return std::strncmp(b.name, filter.c_str(), filter.size()) == 0;
}

}  // namespace

// usage: orvanta-bench [--list] [NAME ...]   (names select benchmark groups by prefix)
int main(int argc, char** argv) {
    using namespace orvanta::bench;
    std::vector<std::string> filters(argv + 1, argv + argc);
    if (!filters.empty() && filters[0] == "--list") {
        for (const auto& b : Registry()) std::printf("%s\n", b.name);
        return 0;
    }
    if (std::any_of(filters.begin(), filters.end(),
                    [](const std::string& f) { return f == "--help" || f == "-h"; })) {
        PrintUsage(stdout);
        return 0;
    }
    // A mistyped name would otherwise run nothing and pass for a quiet success: refuse it
    // before any benchmark starts.
    for (const auto& f : filters) {
        if (std::none_of(Registry().begin(), Registry().end(),
                         [&](const Benchmark& b) { return Selects(b, f); })) {
            std::fprintf(stderr, "orvanta-bench: '%s' selects no benchmark\n", f.c_str());
            PrintUsage(stderr);
            return 2;
        }
    }
    for (const auto& b : Registry()) {
        bool selected = filters.empty();
        for (const auto& f : filters)
            if (Selects(b, f)) selected = true;
        if (selected) b.run();
    }
    return 0;
}
