// The pass list's once-a-second work without the widgets: the row bookkeeping with live
// values of passes in progress, and every cell text and colour of 100 rows (what a full
// repaint asks for). The repaint itself is measured by `orvanta --measure-startup`.
// And the satellite chooser with a whole constellation, as the program measures it.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "catalogue/element_file.h"
#include "catalogue/pass_list.h"
#include "catalogue/pass_search.h"
#include "orbit/tle_file.h"

namespace orvanta::bench {
namespace {

constexpr double kStart = 2461168.25;  // 2026-05-07 18:00 UTC

void BenchPassListTick() {
    TleReadResult file;
    std::string error;
    if (!ReadTleFile(DataDirectory() + "/keplers", file, error)) {
        std::fprintf(stderr, "bench_ui: %s\n", error.c_str());
        return;
    }
    // Twenty low-orbit satellites, five passes each.
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    std::vector<PassSearchSatellite> sats;
    for (const TleRecord& r : file.records) {
        if (r.line2.size() < 63 || std::stod(r.line2.substr(52, 11)) < 14.0) continue;
        const KeplerRecord k = MakeKeplerRecord(r.name, r.line1, r.line2);
        catalogue.records.push_back(k);
        SelectedSat s;
        s.catalogueNumber = k.catalogueNumber;
        s.catalogueIndex = catalogue.Count() - 1;
        selection.push_back(s);
        sats.push_back({r.name, k.catalogueNumber, r.line1, r.line2, true});
        if (selection.size() == 20) break;
    }
    PassSearchInputs inputs;
    inputs.now = kStart;
    inputs.observer = {46, 51.4779, -0.0015};
    inputs.options.passesPerSatellite = 5;
    inputs.satellites = sats;
    PassSearch search([](int, int, const std::string&) {});
    search.Run(inputs, 2);
    std::vector<PassRecord> table = search.TakeRecords();
    SortPassTable(table);

    PassListContext context;
    context.catalogue = &catalogue;
    context.selection = &selection;
    context.observer = inputs.observer;
    context.time.use24h = true;
    PassListRows rows;
    rows.Fill(table, kStart, context);

    // Ticks at the middle of the first pass, so live values are computed too.
    double now =
        (table[table.size() - rows.Count()].aos + table[table.size() - rows.Count()].los) / 2;
    rows.Fill(table, now, context);
    constexpr int kTicks = 200;
    std::size_t chars = 0;
    int live = 0;
    const double t0 = Now();
    for (int i = 0; i < kTicks; ++i) {
        const auto changes = rows.Tick(table, now + i / 86400.0, context);
        live += static_cast<int>(changes.live.size());
        for (int row = 0; row < rows.Count(); ++row) {
            const PassRecord& r = table[static_cast<std::size_t>(rows.RecordIndex(row))];
            for (int c = 0; c < PASS_LIST_COLUMNS; ++c)
                chars += PassCellText(r, c, now, context).size();
            chars += PassRowTextColour(r, now).g;
        }
    }
    const double perTick = (Now() - t0) / kTicks;
    if (chars == 0) std::puts("");  // keeps the work from being optimised away
    Report("pass list tick, rows", rows.Count(), "rows");
    Report("pass list tick, live rows per tick", static_cast<double>(live) / kTicks, "rows");
    Report("pass list tick with all cell texts", perTick * 1e3, "ms");
}

// The satellite chooser with a whole constellation (the built-in file's STARLINK sets):
// filter, select all, add, save, open with them selected, delete them all. The dialog
// belongs to the program, so the program measures it and its lines are passed on.
void BenchChooser() {
    const std::string command = "\"" + DataDirectory() + "/orvanta\" --measure-chooser";
#ifdef _WIN32
    std::FILE* out = _popen(command.c_str(), "r");
#else
    std::FILE* out = popen(command.c_str(), "r");
#endif
    if (!out) {
        std::fprintf(stderr, "bench_ui: cannot run %s\n", command.c_str());
        return;
    }
    char line[256];
    while (std::fgets(line, sizeof line, out)) std::fputs(line, stdout);
    std::fflush(stdout);
#ifdef _WIN32
    _pclose(out);
#else
    pclose(out);
#endif
}

}  // namespace

ORVANTA_BENCHMARK(bench_ui_tick, "ui", BenchPassListTick);
ORVANTA_BENCHMARK(bench_ui_chooser, "ui", BenchChooser);

}  // namespace orvanta::bench
