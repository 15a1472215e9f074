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

// usage: orvanta-bench [--list] [NAME ...]   (names select benchmark groups by prefix)
int main(int argc, char** argv) {
    using namespace orvanta::bench;
    std::vector<std::string> filters(argv + 1, argv + argc);
    if (!filters.empty() && filters[0] == "--list") {
        for (const auto& b : Registry()) std::printf("%s\n", b.name);
        return 0;
    }
    for (const auto& b : Registry()) {
        bool selected = filters.empty();
        for (const auto& f : filters)
            if (std::strncmp(b.name, f.c_str(), f.size()) == 0) selected = true;
        if (selected) b.run();
    }
    return 0;
}
