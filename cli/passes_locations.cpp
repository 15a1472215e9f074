#include "cli/passes_locations.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

#include "catalogue/mutual_visibility.h"
#include "catalogue/pass_export.h"
#include "common/registry.h"
#include "location/named_locations.h"
#include "platform/settings_store.h"

namespace orvanta::cli {

std::optional<ObserverLocation> StoredLocation(const std::string& name, std::string& error) {
    CRegistry reg(platform::OpenUserSettingsStore());
    // Open without creating: looking a name up must not leave an empty key behind.
    if (reg.Open(RootKey::CurrentUser, kSettingsKeyPath, 1)) {
        const LocationBook book = ReadLocationBook(reg);
        const int i = book.Find(name);
        if (i >= 0) return book.locations[std::size_t(i)].observer;
    }
    error = "no location named '" + name + "' in " + platform::SettingsFilePath().string() +
            " (add it in Settings > User...)";
    return std::nullopt;
}

std::optional<ObserverLocation> LocationOrCoordinates(const std::string& text, std::string& error) {
    if (const auto place = ParseLocationCoordinates(text)) return place;
    return StoredLocation(text, error);
}

int PrintMutualWindows(const std::vector<PassSearchSatellite>& satellites,
                       const ObserverLocation& here, const ObserverLocation& there, double start,
                       double until, int threads, int maxWindows) {
    std::vector<std::vector<MutualWindow>> found(satellites.size());
    std::atomic<std::size_t> next{0};
    std::mutex errLock;
    const auto log = [&errLock](int, const std::string& text) {
        std::lock_guard<std::mutex> lock(errLock);
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    auto work = [&] {
        for (std::size_t i; (i = next++) < satellites.size();) {
            MutualSearchResult r = FindMutualWindows(satellites[i], here, there, start, until, log);
            if (maxWindows > 0 && r.windows.size() > std::size_t(maxWindows))
                r.windows.resize(std::size_t(maxWindows));
            found[i] = std::move(r.windows);
        }
    };
    std::vector<std::thread> pool;
    const int n = std::clamp<int>(threads, 1, std::max<int>(1, int(satellites.size())));
    for (int t = 1; t < n; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    struct Row {
        double start;
        std::size_t satellite;
        const MutualWindow* window;
    };
    std::vector<Row> rows;
    for (std::size_t s = 0; s < found.size(); ++s)
        for (const MutualWindow& w : found[s]) rows.push_back({w.start, s, &w});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.start != b.start ? a.start < b.start : a.satellite < b.satellite;
    });

    const auto fixed2 = [](std::string& out, double v) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
        out.append(buf, r.ptr);
    };
    std::string out = std::string(kMutualCsvHeader) + '\n';
    for (const Row& row : rows) {
        const PassSearchSatellite& sat = satellites[row.satellite];
        std::string name = sat.name;
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r'))
            name.pop_back();
        out += std::to_string(sat.catalogueNumber) + ',' + CsvField(name) + ',' +
               FormatIsoUtcSeconds(row.window->start) + ',' + FormatIsoUtcSeconds(row.window->end) +
               ',' + std::to_string(std::llround((row.window->end - row.window->start) * 86400.0)) +
               ',';
        fixed2(out, row.window->maxElevationHere);
        out += ',';
        fixed2(out, row.window->maxElevationThere);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace orvanta::cli
