// orvanta: the desktop program.
//
//   orvanta                     the program
//   orvanta --version           prints the program's version
//   orvanta --measure-startup   starts, prints the time from start to the first painted main
//                               window and the mean time of a clock tick with its repaint
//                               (once the start-up search is done), and quits
//   orvanta --measure-chooser   the satellite chooser off-screen with the built-in sets: filters
//                               STARLINK, selects every row, adds them, saves; opens again with
//                               them selected and deletes them all; prints each step's time;
//                               then applies them with the Earth view open and prints the
//                               longest window-thread step (rebuild, pass search start, ticks)
//   orvanta --render VIEW --at ISO8601Z --size WxH --out FILE
//                               draws a view off-screen for the current settings and
//                               selection at that instant and writes the image (no display
//                               needed)
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/ui/main_window.h"
#include "app/ui/offscreen_render.h"
#include "app/ui/satellite_settings_dialog.h"
#include "catalogue/element_file.h"
#include "catalogue/pass_search.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "earthview/earth_images.h"
#include "earthview/image_file.h"
#include "earthview/ui/earth_view.h"
#include "earthview/ui/earth_view_render.h"
#include "maintenance/update_check.h"
#include "orbit/tle_file.h"
#include "platform/directories.h"
#include "platform/settings_store.h"
#include "skyview/ui/pass_chart.h"
#include "skyview/ui/sky_view_render.h"

namespace {

// Reports the first paint of the window it watches, then ends the program.
class FirstPaintProbe : public QObject {
public:
    FirstPaintProbe(const QElapsedTimer& started, orvanta::MainWindow& window)
        : started_(started), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            std::printf("start-to-first-paint: %.1f ms\n", started_.nsecsElapsed() / 1e6);
            std::fflush(stdout);
            QTimer::singleShot(0, this, [this] { MeasureTicks(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void MeasureTicks() {
        window_.WaitForSearch(600000);
        QWidget* list = window_.PassList()->viewport();
        constexpr int kTicks = 50;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kTicks; ++i) {
            window_.TickClock();
            list->repaint();
        }
        std::printf("clock tick with %d listed passes: %.3f ms\n",
                    window_.PassList()->Model()->rowCount(), t.nsecsElapsed() / 1e6 / kTicks);
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    const QElapsedTimer& started_;
    orvanta::MainWindow& window_;
    bool reported_ = false;
};

// What "OK & Update" does on the window thread with the Earth view open: the view's rebuild,
// the pass search start, then the view's ticks until the new markers are there.
template <class Report>
int MeasureApply(const orvanta::KeplerCatalogue& catalogue,
                 std::vector<orvanta::SelectedSat> selection, double now, Report report) {
    using namespace orvanta;
    SetSettingsStore(platform::MakeMemorySettingsStore());  // the view reads its placement
    platform::PrivateTempDir dir;
    Settings settings;
    settings.earthviewShowClouds = 0;  // no cloud download
    settings.observer = {520, 48.137, 11.575};
    std::vector<SelectedSat> shown{selection.front()};
    EarthViewEnvironment env;
    env.settings = &settings;
    env.catalogue = &catalogue;
    env.selection = &shown;
    env.now = [now] { return now; };
    env.programDirectory = dir.Path();
    env.imageDirectory = EarthImageDirectory(platform::BuiltInDataDirectory());
    env.startWorker = false;
    env.startTimer = false;
    EarthView view(env, QSize(1000, 600));
    view.show();
    QApplication::processEvents();

    QElapsedTimer t;
    double longest = 0.0;
    auto step = [&](double ms) { longest = std::max(longest, ms); };
    t.start();
    shown = selection;
    view.RebuildEarthView();
    step(t.nsecsElapsed() / 1e6);
    t.start();
    PassSearchInputs inputs;
    inputs.now = now;
    inputs.observer = settings.observer;
    inputs.options.passesPerSatellite = std::clamp(settings.numberOfPasses, 0, 99);
    inputs.satellites = SearchSatellitesFromSelection(catalogue, shown, [](auto&&...) {});
    PassSearch search([](int, int, const std::string&) {});  // no event-log lines
    search.Start(std::move(inputs), static_cast<int>(std::thread::hardware_concurrency()));
    step(t.nsecsElapsed() / 1e6);
    // Until the new markers are there, and three ticks more with the search running.
    int after = 0;
    for (int tick = 0; tick < 200 && after < 3; ++tick) {
        if (view.Records().size() == shown.size() && view.Records().back().computed) ++after;
        t.start();
        view.Tick();
        QApplication::processEvents();
        step(t.nsecsElapsed() / 1e6);
        QThread::msleep(20);
    }
    search.Abort();
    report("apply_10000_sats_longest_step", longest);
    return 0;
}

// The chooser with a whole constellation, driven as a user would; nothing is written to the
// settings. Lines as orvanta-bench prints them.
int MeasureChooser() {
    using namespace orvanta;
    TleReadResult file;
    std::string error;
    const std::string path = QCoreApplication::applicationDirPath().toStdString() + "/keplers";
    if (!ReadTleFile(path, file, error)) {
        std::fprintf(stderr, "orvanta: %s\n", error.c_str());
        return 1;
    }
    KeplerCatalogue catalogue;
    for (const TleRecord& r : file.records) {
        catalogue.records.push_back(MakeKeplerRecord(r.name, r.line1, r.line2));
    }
    struct NullWriter : ISettingsWriter {
        void WriteDword(const std::string&, std::uint32_t) override {}
        void WriteDouble(const std::string&, double) override {}
        void WriteBinary(const std::string&, const std::vector<std::uint8_t>&) override {}
    } writer;
    ScriptedPrompt prompt;
    auto now = [] { return 2461168.25; };
    auto report = [](const char* name, double ms) {
        std::printf("%s: %.6g ms\n", name, ms);
        std::fflush(stdout);
    };
    auto button = [](QWidget* d, const char* name) {
        d->findChild<QPushButton*>(QLatin1String(name))->click();
        QApplication::processEvents();
    };
    QElapsedTimer t;
    SatelliteSettingsDialog dialog(nullptr, catalogue, {}, SatelliteOptions{}, prompt, writer, now);
    dialog.SetAlertSatellites({});  // as the program opens it
    dialog.show();
    QApplication::processEvents();
    t.start();
    dialog.findChild<QLineEdit*>(QStringLiteral("filterEdit"))->setText(QStringLiteral("STARLINK"));
    button(&dialog, "filterButton");
    dialog.findChild<QListWidget*>(QStringLiteral("availableList"))->selectAll();
    button(&dialog, "addButton");
    report("chooser_add_10000", t.nsecsElapsed() / 1e6);
    std::printf("chooser_add_10000, satellites added: %d\n",
                dialog.findChild<QListWidget*>(QStringLiteral("selectedList"))->count());
    t.start();
    button(&dialog, "justSaveButton");
    report("chooser_save_10000", t.nsecsElapsed() / 1e6);

    t.start();
    SatelliteSettingsDialog again(nullptr, catalogue, dialog.NewSelection(), SatelliteOptions{},
                                  prompt, writer, now);
    again.SetAlertSatellites({});
    again.show();
    QApplication::processEvents();
    report("chooser_open_10000", t.nsecsElapsed() / 1e6);
    t.start();
    again.findChild<QListWidget*>(QStringLiteral("selectedList"))->selectAll();
    button(&again, "deleteButton");
    report("chooser_delete_10000", t.nsecsElapsed() / 1e6);
    return MeasureApply(catalogue, dialog.NewSelection(), now(), report);
}

// Qt aborts (with a core dump) when it finds no display; say so plainly instead and point
// at the command line, which needs none.
bool DisplayMissing() {
#if defined(__unix__) && !defined(__APPLE__)
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return !set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM");
#else
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer started;
    started.start();
    const bool measure = argc > 1 && std::strcmp(argv[1], "--measure-startup") == 0;
    const bool render = argc > 1 && std::strcmp(argv[1], "--render") == 0;
    const bool chooser = argc > 1 && std::strcmp(argv[1], "--measure-chooser") == 0;
    // An off-screen render needs fonts, not a screen.
    if ((render || chooser) && DisplayMissing()) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", orvanta::kProgramVersion);
        return 0;
    }
    if (DisplayMissing()) {
        std::fprintf(stderr,
                     "orvanta: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                     "Start it on a desktop, or see the next passes on the command line with "
                     "orvanta-cli passes.\n");
        return 1;
    }

    QApplication app(argc, argv);
    if (chooser) return MeasureChooser();
    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setOrganizationName(QStringLiteral("Quorrin"));
    // Lets Wayland desktops match the window with the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Orvanta"));
    orvanta::SetSettingsStore(orvanta::platform::OpenUserSettingsStore());
    orvanta::InstallImageMessageHandler();
    orvanta::RegisterOffscreenView("earthview", orvanta::RenderEarthView);
    orvanta::RegisterOffscreenView("skyview", orvanta::RenderSkyView);
    orvanta::RegisterOffscreenView("passchart", orvanta::RenderPassChartView);
    if (render) return orvanta::RunRenderCommand(QCoreApplication::arguments().mid(1));

    orvanta::MainWindow window;
    FirstPaintProbe probe(started, window);
    if (measure) window.installEventFilter(&probe);
    window.show();
    return app.exec();
}
