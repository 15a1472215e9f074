// The main window's side of the companion views: opening the Earth view, loading the star
// catalogue at start-up, opening, re-opening and closing the Sky view, and what the view
// reads from the window.
#include <QImage>
#include <optional>
#include <string>

#include "app/ui/main_window.h"
#include "catalogue/pass_record.h"
#include "common/event_log.h"
#include "common/ui/qt_date_time_renderer.h"
#include "earthview/earth_images.h"
#include "earthview/ui/earth_view.h"
#include "earthview/ui/screenshot.h"
#include "platform/directories.h"
#include "skyview/star_catalogue.h"
#include "skyview/ui/sky_view_render.h"
#include "skyview/ui/sky_view_window.h"

namespace orvanta {

namespace {

// The view's file, then its command, and the wallpaper when "Desktop Background" names the
// Sky view; quality 0 for every format. A failed save is logged: a periodic screenshot that
// silently stops being written would go unnoticed for days.
void SaveSkyScreenshotImage(const QImage& image, const Settings& settings) {
    ScreenshotJob job;
    job.request = SCREENSHOT_PERIODIC;
    job.periodicFile = settings.skyviewScreenshotFilename;
    job.command = settings.skyviewScreenshotCommand;
    job.jpegQuality = 0;
    job.reportResult = true;
    job.setWallpaper = settings.desktopBackground == 1;
    TakeScreenshot(image, job);
}

class MainWindowSkyHost : public ISkyViewHost {
public:
    explicit MainWindowSkyHost(MainWindow& window) : window_(window) {}
    double Now() const override { return window_.Now(); }
    void ShiftTimeMinutes(int minutes) override {
        window_.ProgramClock().AddMinutes(minutes);
        window_.ShowProgramTimeState();
    }
    bool Simulated() const override { return !window_.ProgramClock().IsRealTime(); }
    std::vector<PassRecord>* SkyPasses() override { return window_.MutablePassTable(); }
    const KeplerCatalogue& SkyCatalogue() const override { return window_.Catalogue(); }
    const std::vector<SelectedSat>& SkySelection() const override { return window_.Selection(); }
    const Settings& SkySettings() const override { return window_.CurrentSettings(); }
    const IDateTimeRenderer* LocaleTime() const override { return &renderer_; }
    void SaveSkyScreenshot(const QImage& image) override { SaveSkyScreenshotImage(image, SkySettings()); }

private:
    MainWindow& window_;
    QtDateTimeRenderer renderer_;
};

}  // namespace

void MainWindow::LoadStars() {
    platform::PrivateTempDir work;
    const std::optional<std::string> data = BuiltInStarFile();
    if (!data || !work.Ok()) {
        LogEvent(kStarExtractFailedText, LOG_ERROR);
        SetStarCatalogue(nullptr);
        return;
    }
    SetStarCatalogue(LoadStarCatalogue(*data, work.Path()));
}

SkyViewWindow* MainWindow::SkyView() const {
    return skyView_.data();
}

void MainWindow::OpenSkyView() {
    if (skyView_) {
        skyView_->showNormal();
        skyView_->raise();
        skyView_->activateWindow();
        return;
    }
    if (!skyHost_) skyHost_ = std::make_unique<MainWindowSkyHost>(*this);
    auto* view = new SkyViewWindow(*skyHost_, skyState_);
    view->setAttribute(Qt::WA_DeleteOnClose);
    skyView_ = view;
    view->show();
}

void MainWindow::CloseViews() {
    if (skyView_) skyView_->close();
}

void MainWindow::OpenEarthView(QSize size) {
    if (earthView_) {
        earthView_->showNormal();
        earthView_->raise();
        earthView_->activateWindow();
        return;
    }
    EarthViewEnvironment env;
    env.settings = &settings_;
    env.catalogue = &catalogue_;
    env.selection = &selection_;
    env.now = [this] { return clock_.Now(); };
    env.addMinutes = [this](double minutes) {
        clock_.AddMinutes(minutes);
        ShowProgramTimeState();
    };
    env.simulated = [this] { return !clock_.IsRealTime(); };
    env.openHelp = [this](int context) { OpenHelp(context); };
    env.programDirectory = programDirectory_;
    env.imageDirectory = EarthImageDirectory(platform::BuiltInDataDirectory());
    earthView_ = new EarthView(std::move(env), size, this);
    WatchMarkerDoubleClicks(earthView_);
    earthView_->show();
}

EarthView* MainWindow::EarthViewWindow() const { return earthView_.data(); }

}  // namespace orvanta
