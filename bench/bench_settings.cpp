// Settings file store: what start-up and the close handler cost on this disk, for an
// ordinary file and for one grown to 20,000 keys (a long host list, hand-made or damaged).
#include <fstream>
#include <string>

#include "bench/bench.h"
#include "common/registry.h"
#include "common/settings.h"
#include "platform/directories.h"
#include "platform/settings_store.h"

namespace {

using namespace orvanta;

Settings BenchValues() {
    Settings s;
    s.numberOfSats = 50;
    s.selectedSatellites.assign(50 * 24, 1);
    s.skyviewScreenshotCommand = std::string(500, 'c');
    return s;
}

// Start-up: a fresh store over the file, then every setting read once.
double LoadMs(const std::filesystem::path& file, int rounds) {
    double t0 = bench::Now();
    for (int i = 0; i < rounds; ++i) {
        SetSettingsStore(platform::OpenFileSettingsStore(file));
        ReadAllSettings();
    }
    return (bench::Now() - t0) / rounds * 1e3;
}

// The close handler: every setting written, with a real change so the file is rewritten.
double WriteAllMs(Settings& s, int rounds) {
    double t0 = bench::Now();
    for (int i = 0; i < rounds; ++i) {
        s.detailSat = i;
        s.skyviewOrientation = i + 1;
        WriteAllSettings(s);
    }
    return (bench::Now() - t0) / rounds * 1e3;
}

void BenchSettings() {
    platform::PrivateTempDir dir;
    if (!dir.Ok()) return;
    auto previous = GetSettingsStore();
    const auto file = dir.Path() / "Orvanta.reg";
    SetSettingsStore(platform::OpenFileSettingsStore(file));

    Settings s = BenchValues();
    WriteAllSettings(s);  // the file exists from here on

    constexpr int kRounds = 20;
    double t0 = bench::Now();
    for (int i = 0; i < kRounds; ++i) ReadAllSettings();
    double t1 = bench::Now();
    for (int i = 0; i < kRounds; ++i) {
        s.detailSat = i;  // a real change each round, so every write reaches the disk
        s.skyviewOrientation = i + 1;
        WriteAllSettings(s);
    }
    double t2 = bench::Now();
    bench::Report("settings_read_all", (t1 - t0) / kRounds * 1e3, "ms");
    bench::Report("settings_write_all", (t2 - t1) / kRounds * 1e3, "ms");
    bench::Report("settings_load", LoadMs(file, kRounds), "ms");

    // The same settings beside 20,000 more keys: some 1.1 MB.
    {
        std::ofstream out(file, std::ios::app | std::ios::binary);
        for (int i = 0; i < 20000; ++i)
            out << "[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\Hosts\\Host" << i
                << "]\n\"Address\"=\"host" << i << ".example.org\"\n\n";
    }
    constexpr int kBigRounds = 5;
    bench::Report("settings_load_20000_keys", LoadMs(file, kBigRounds), "ms");
    bench::Report("settings_write_all_20000_keys", WriteAllMs(s, kBigRounds), "ms");
    SetSettingsStore(previous);
}

}  // namespace

ORVANTA_BENCHMARK(kSettingsBench, "settings", BenchSettings);
