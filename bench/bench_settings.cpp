// Settings file store: what start-up and the close handler cost on this disk.
#include "app/registry.h"
#include "app/settings.h"
#include "bench/bench.h"
#include "platform/directories.h"
#include "platform/settings_store.h"

namespace {

void BenchSettings() {
    using namespace orvanta;
    platform::PrivateTempDir dir;
    if (!dir.Ok()) return;
    auto previous = GetSettingsStore();
    SetSettingsStore(platform::OpenFileSettingsStore(dir.Path() / "Orvanta.reg"));

    Settings s;
    s.numberOfSats = 50;
    s.selectedSatellites.assign(50 * 24, 1);
    s.skyviewScreenshotCommand = std::string(500, 'c');
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
    SetSettingsStore(previous);
}

}  // namespace

ORVANTA_BENCHMARK(kSettingsBench, "settings", BenchSettings);
