// orvanta: the desktop program.
//
//   orvanta                     the program
//   orvanta --version           prints the program's version
//   orvanta --measure-startup   starts, prints the time from start to the first painted main
//                               window and the mean time of a clock tick with its repaint
//                               (once the start-up search is done), and quits
//   orvanta --render VIEW --at ISO8601Z --size WxH --out FILE
//                               draws a view off-screen for the current settings and
//                               selection at that instant and writes the image (no display
//                               needed)
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ui/main_window.h"
#include "app/ui/offscreen_render.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/registry.h"
#include "earthview/image_file.h"
#include "earthview/ui/earth_view_render.h"
#include "maintenance/update_check.h"
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
    // An off-screen render needs fonts, not a screen.
    if (render && DisplayMissing()) qputenv("QT_QPA_PLATFORM", "offscreen");
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
