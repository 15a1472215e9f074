// Loading a 30,000-set element file: gzip file to catalogue, with a selection re-mapped.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "catalogue/element_loader.h"
#include "common/event_log.h"
#include "maintenance/gzip_decoder.h"
#include "platform/directories.h"

namespace orvanta::bench {

namespace {

constexpr int SETS = 30000;

// The built-in snapshot's sets repeated (with fresh catalogue numbers) up to SETS; a
// synthetic set when the built-in file is absent.
std::string BuildElementText() {
    std::vector<std::string> lines;
    std::ifstream f(DataDirectory() + "/" + ELEMENT_FILE_NAME, std::ios::binary);
    std::vector<std::uint8_t> gz((std::istreambuf_iterator<char>(f)),
                                 std::istreambuf_iterator<char>());
    std::string text;
    try {
        std::vector<std::uint8_t> raw = GunzipBuffer(gz);
        text.assign(raw.begin(), raw.end());
    } catch (...) {
        text =
            "ISS (ZARYA)             \n"
            "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993\n"
            "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437\n";
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::size_t sets = lines.size() / 3;
    std::string out;
    out.reserve(static_cast<std::size_t>(SETS) * 165);
    char number[8];
    for (int i = 0; i < SETS; ++i) {
        std::size_t s = static_cast<std::size_t>(i) % sets;
        std::string l1 = lines[s * 3 + 1];
        std::string l2 = lines[s * 3 + 2];
        std::snprintf(number, sizeof number, "%05d", 10000 + i);
        l1.replace(2, 5, number);
        l2.replace(2, 5, number);
        out += lines[s * 3] + "\n" + l1 + "\n" + l2 + "\n";
    }
    return out;
}

bool WriteGzip(const std::string& path, const std::string& text) {
    gzFile g = gzopen(path.c_str(), "wb6");
    if (!g) return false;
    bool ok = gzwrite(g, text.data(), static_cast<unsigned>(text.size())) ==
              static_cast<int>(text.size());
    return gzclose(g) == Z_OK && ok;
}

void CatalogueLoad() {
    platform::PrivateTempDir tmp;
    std::string text = BuildElementText();
    std::string path = (tmp.Path() / ELEMENT_FILE_NAME).string();
    if (!tmp.Ok() || !WriteGzip(path, text)) {
        std::fprintf(stderr, "bench_catalogue: cannot write %s\n", path.c_str());
        return;
    }
    ElementLoadContext context;
    context.elementFile = path;
    context.workDirectory = tmp.Path();

    std::vector<SelectedSat> selection;
    for (int i = 0; i < 50; ++i) selection.push_back({10000 + i * 577, 0, 0, 0, 0, 0});

    std::vector<double> ms;
    for (int run = 0; run < 15; ++run) {
        KeplerCatalogue catalogue;
        double t0 = Now();
        ElementLoadReport r = LoadElementFile(context, catalogue, &selection);
        double t1 = Now();
        if (r.loaded != SETS) {
            std::fprintf(stderr, "bench_catalogue: loaded %d sets\n", static_cast<int>(r.loaded));
            return;
        }
        ms.push_back((t1 - t0) * 1000.0);
    }
    TakeQueuedEvents();  // nobody drains the log here
    std::sort(ms.begin(), ms.end());
    Report("catalogue_load_30000", ms[ms.size() / 2], "ms");

    // The decompression's share of it, in memory.
    std::ifstream f(path, std::ios::binary);
    std::vector<std::uint8_t> gz((std::istreambuf_iterator<char>(f)),
                                 std::istreambuf_iterator<char>());
    std::vector<double> unzipMs;
    for (int run = 0; run < 15; ++run) {
        double t0 = Now();
        std::size_t size = GunzipBuffer(gz).size();
        unzipMs.push_back((Now() - t0) * 1000.0);
        if (size != text.size()) return;
    }
    std::sort(unzipMs.begin(), unzipMs.end());
    Report("catalogue_gunzip_30000", unzipMs[unzipMs.size() / 2], "ms");
}

}  // namespace

ORVANTA_BENCHMARK(kCatalogueBench, "catalogue", CatalogueLoad);

}  // namespace orvanta::bench
