// The pass list's once-a-second work without the widgets: the row bookkeeping with live
// values of passes in progress, and every cell text and colour of 100 rows (what a full
// repaint asks for). The repaint itself is measured by `orvanta --measure-startup`.
// With Qt, the satellite chooser adding a whole constellation.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "catalogue/element_file.h"
#include "catalogue/pass_list.h"
#include "catalogue/pass_search.h"
#include "orbit/tle_file.h"

#if ORVANTA_BENCH_QT
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/ui/satellite_settings_dialog.h"
#include "common/prompt.h"
#endif

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
        KeplerRecord k;
        std::snprintf(k.name, sizeof k.name, "%s", r.name.c_str());
        std::snprintf(k.line1, sizeof k.line1, "%s", r.line1.c_str());
        std::snprintf(k.line2, sizeof k.line2, "%s", r.line2.c_str());
        k.catalogueNumber = std::stoi(r.line1.substr(2, 5));
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

#if ORVANTA_BENCH_QT
// The satellite chooser with a whole constellation: filter the built-in sets for STARLINK,
// select every row and add them, then save (what "OK & Update" does before the search).
// Off-screen, with the dialog shown so the lists lay out and paint as on a desktop.
void BenchChooserAdd() {
    if (!QApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "orvanta-bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // The views' benchmarks made a GUI-only application first; widgets need their own run.
        std::fprintf(stderr, "bench_ui: run 'orvanta-bench ui' alone for the chooser\n");
        return;
    }
    TleReadResult file;
    std::string error;
    if (!ReadTleFile(DataDirectory() + "/keplers", file, error)) {
        std::fprintf(stderr, "bench_ui: %s\n", error.c_str());
        return;
    }
    KeplerCatalogue catalogue;
    for (const TleRecord& r : file.records) {
        KeplerRecord k;
        std::snprintf(k.name, sizeof k.name, "%s", r.name.c_str());
        std::snprintf(k.line1, sizeof k.line1, "%s", r.line1.c_str());
        std::snprintf(k.line2, sizeof k.line2, "%s", r.line2.c_str());
        k.catalogueNumber = std::stoi(r.line1.substr(2, 5));
        catalogue.records.push_back(k);
    }
    struct NullWriter : ISettingsWriter {
        void WriteDword(const std::string&, std::uint32_t) override {}
        void WriteDouble(const std::string&, double) override {}
        void WriteBinary(const std::string&, const std::vector<std::uint8_t>&) override {}
    } writer;
    ScriptedPrompt prompt;
    SatelliteSettingsDialog dialog(nullptr, catalogue, {}, SatelliteOptions{}, prompt, writer,
                                   [] { return kStart; });
    dialog.SetAlertSatellites({});  // the program always gives the alert boxes
    dialog.show();
    QApplication::processEvents();
    auto* filter = dialog.findChild<QLineEdit*>(QStringLiteral("filterEdit"));
    auto* available = dialog.findChild<QListWidget*>(QStringLiteral("availableList"));
    auto* selected = dialog.findChild<QListWidget*>(QStringLiteral("selectedList"));
    const double t0 = Now();
    filter->setText(QStringLiteral("STARLINK"));
    dialog.findChild<QPushButton*>(QStringLiteral("filterButton"))->click();
    available->selectAll();
    dialog.findChild<QPushButton*>(QStringLiteral("addButton"))->click();
    QApplication::processEvents();
    const double added = Now() - t0;
    dialog.findChild<QPushButton*>(QStringLiteral("justSaveButton"))->click();
    const double saved = Now() - t0 - added;
    Report("chooser_add_10000, satellites added", selected->count(), "");
    Report("chooser_add_10000", added * 1e3, "ms");
    Report("chooser_save_10000", saved * 1e3, "ms");

    // Opened again with them selected, then all of them deleted.
    const double t1 = Now();
    SatelliteSettingsDialog again(nullptr, catalogue, dialog.NewSelection(), SatelliteOptions{},
                                  prompt, writer, [] { return kStart; });
    again.SetAlertSatellites({});
    again.show();
    QApplication::processEvents();
    const double opened = Now() - t1;
    auto* chosen = again.findChild<QListWidget*>(QStringLiteral("selectedList"));
    chosen->selectAll();
    again.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    QApplication::processEvents();
    Report("chooser_open_10000", opened * 1e3, "ms");
    Report("chooser_delete_10000", (Now() - t1 - opened) * 1e3, "ms");
}
#endif

}  // namespace

ORVANTA_BENCHMARK(bench_ui_tick, "ui", BenchPassListTick);
#if ORVANTA_BENCH_QT
ORVANTA_BENCHMARK(bench_ui_chooser, "ui", BenchChooserAdd);
#endif

}  // namespace orvanta::bench
