// The Earth view window at a fixed instant: menus and their commands, mouse, keys, the
// background hand-over, periodic screenshots and what it stores at close.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "common/event_log.h"
#include "common/registry.h"
#include "earthview/map_projection.h"
#include "earthview/ui/cloud_downloader.h"
#include "earthview/ui/earth_view.h"
#include "orbit/globals.h"
#include "platform/directories.h"
#include "platform/settings_store.h"
#include "platform/wallpaper.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

KeplerRecord Satellite(const char* name, int number, const char* raan) {
    KeplerRecord r;
    std::snprintf(r.name, sizeof r.name, "%-24s", name);
    std::snprintf(r.line1, sizeof r.line1,
                  "1 %05dU 98067A   26341.50000000  .00010000  00000-0  18000-3 0  9991", number);
    std::snprintf(r.line2, sizeof r.line2,
                  "2 %05d  51.6400 %s 0004000  90.0000 270.0000 15.50000000  1000", number, raan);
    r.catalogueNumber = number;
    return r;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class EarthViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsStore(store_);
        catalogue_.records = {Satellite("ISS (ZARYA)", 25544, "200.0000"),
                              Satellite("OTHER SAT", 40000, "020.0000")};
        for (int i = 0; i < 2; ++i) {
            SelectedSat s;
            s.catalogueNumber = catalogue_.records[i].catalogueNumber;
            s.catalogueIndex = i;
            s.shown = 1;
            selection_.push_back(s);
        }
        settings_.observer = {520, 48.137, 11.575};
        wallpaper_ = std::make_shared<platform::RecordingWallpaper>();
        platform::SetWallpaperBackend(wallpaper_);
    }
    void TearDown() override {
        view_.reset();
        platform::SetWallpaperBackend(nullptr);
        SetSettingsStore(nullptr);
    }

    EarthView& Open(bool startWorker = false) {
        EarthViewEnvironment env;
        env.settings = &settings_;
        env.catalogue = &catalogue_;
        env.selection = &selection_;
        env.now = [this] { return now_; };
        env.addMinutes = [this](double m) { minutesAdded_ += m; };
        env.openHelp = [this](int context) { helpContext_ = context; };
        env.tickMs = [this] { return tick_; };
        env.programDirectory = dir_.Path();
        env.imageDirectory = fs::path(ORVANTA_SOURCE_DIR) / "resources" / "images";
        env.chooseScreenshotFile = [this](QWidget*) { return chosen_; };
        env.workerTiming = {5, 0, 0};
        env.startWorker = startWorker;
        env.startTimer = false;
        view_ = std::make_unique<EarthView>(env, QSize(1000, 600));
        view_->setAttribute(Qt::WA_DeleteOnClose, false);
        view_->show();
        return *view_;
    }

    std::shared_ptr<platform::ISettingsStore> store_ = platform::MakeMemorySettingsStore();
    platform::PrivateTempDir dir_;
    Settings settings_;
    KeplerCatalogue catalogue_;
    std::vector<SelectedSat> selection_;
    double now_ = 2461383.0;  // 2026-12-08 12:00 UTC
    qint64 tick_ = 1000000;
    double minutesAdded_ = 0;
    int helpContext_ = 0;
    QString chosen_;
    std::shared_ptr<platform::RecordingWallpaper> wallpaper_;
    std::unique_ptr<EarthView> view_;
    EventRecorder log_;
};

TEST_F(EarthViewTest, MenuHoldsEverySatelliteWithChecksFromTheSettings) {
    EarthView& view = Open();
    // The satellites' entries are made when their menu opens, not at every new selection.
    auto entries = [&view] {
        int n = 0;
        for (QAction* a : view.findChildren<QAction*>())
            n += a->data().toInt() >= CMD_SATELLITE_BASE && a->data().toInt() < CMD_SAT_MENU_TITLE;
        return n;
    };
    EXPECT_EQ(entries(), 0);
    for (QMenu* menu : view.findChildren<QMenu*>())
        if (menu->title() == QStringLiteral("Satellites")) emit menu->aboutToShow();
    EXPECT_EQ(entries(), 2);
    ASSERT_NE(view.Action(CMD_SATELLITE_BASE + 1), nullptr);
    EXPECT_EQ(view.Action(CMD_SATELLITE_BASE)->text(), QStringLiteral("ISS (ZARYA)"));
    EXPECT_TRUE(view.Action(CMD_SATELLITE_BASE + 1)->isChecked());
    // The stored "all" values start as 1, which is not the checked flag 8.
    EXPECT_FALSE(view.Action(CMD_SHOW_RADIO_HORIZONS)->isChecked());
    EXPECT_FALSE(view.Action(CMD_SHOW_ALL_NAMES)->isChecked());
    EXPECT_TRUE(view.Action(CMD_SHOW_HOME_MARKER)->isChecked());
    EXPECT_FALSE(view.Action(CMD_SHOW_STATIC)->isChecked());

    // The first click switches every horizon on; the second every one off.
    view.Action(CMD_SHOW_RADIO_HORIZONS)->trigger();
    EXPECT_EQ(settings_.showRadioHorizon, 8);
    EXPECT_EQ(selection_[0].radioHorizon + selection_[1].radioHorizon, 2);
    EXPECT_TRUE(view.Action(CMD_SHOW_RADIO_HORIZONS)->isChecked());
    view.Action(CMD_SHOW_RADIO_HORIZONS)->trigger();
    EXPECT_EQ(settings_.showRadioHorizon, 0);
    EXPECT_EQ(selection_[0].radioHorizon + selection_[1].radioHorizon, 0);

    view.Action(CMD_SHOW_ALL_NAMES)->trigger();
    EXPECT_EQ(selection_[1].nameLabel, 1);
    view.Action(CMD_HIDE_ALL)->trigger();
    EXPECT_EQ(selection_[0].shown + selection_[1].shown, 0);
    EXPECT_FALSE(view.Action(CMD_SATELLITE_BASE)->isChecked());
    view.Action(CMD_SATELLITE_BASE + 1)->trigger();
    EXPECT_EQ(selection_[1].shown, 1);
    view.Action(CMD_SHOW_ALL)->trigger();
    EXPECT_EQ(selection_[0].shown, 1);

    view.Action(CMD_CENTER_HOME)->trigger();
    EXPECT_DOUBLE_EQ(settings_.earthviewLongitude, -11.575 * DEG_TO_RAD);
    view.Action(CMD_CENTER_GREENWICH)->trigger();
    EXPECT_EQ(settings_.earthviewLongitude, 0.0);
    view.Action(CMD_SHOW_HOME_MARKER)->trigger();
    EXPECT_EQ(settings_.earthviewShowHomeMarker, 0);
}

TEST_F(EarthViewTest, SatellitePopupTogglesOneSatellitesFlagsAndClearsTheAllChecks) {
    EarthView& view = Open();
    view.RunCommand(CMD_SHOW_ALL_NAMES);  // all names on (8)
    view.RenderMap();                     // hit rectangles come from a paint
    const TrackRecord& r = view.Records()[1];
    const QPoint centre((r.hitLeft + r.hitRight) / 2, (r.hitTop + r.hitBottom) / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, centre, view.mapToGlobal(centre));
    QApplication::sendEvent(&view, &event);
    ASSERT_NE(view.SatellitePopup(), nullptr);
    EXPECT_EQ(view.PopupTarget(), 1);
    EXPECT_EQ(view.Action(CMD_SAT_MENU_TITLE)->text(), QStringLiteral("Menu for OTHER SAT"));
    EXPECT_TRUE(view.Action(CMD_SAT_SHOW_NAME)->isChecked());
    view.SatellitePopup()->close();
    view.RunCommand(CMD_SAT_SHOW_NAME);
    EXPECT_EQ(selection_[1].nameLabel, 0);
    EXPECT_EQ(selection_[0].nameLabel, 1);
    EXPECT_EQ(settings_.showAllSatnames, 0);
    EXPECT_FALSE(view.Action(CMD_SHOW_ALL_NAMES)->isChecked());
    view.RunCommand(CMD_SAT_SHOW_TRACK);
    EXPECT_EQ(selection_[1].track, 1);
    view.RunCommand(CMD_SAT_SHOW_HORIZON);
    EXPECT_EQ(selection_[1].radioHorizon, 1);
    EXPECT_EQ(settings_.showRadioHorizon, 0);

    // A left click on a marker toggles its track and makes it the detail satellite.
    settings_.detailSat = 0;
    view.RenderMap();
    const TrackRecord& again = view.Records()[1];
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(again.hitLeft + 5, again.hitTop + 5));
    EXPECT_EQ(selection_[1].track, 0);
    EXPECT_EQ(settings_.detailSat, 1);
}

TEST_F(EarthViewTest, MouseDragKeysAndStatusLines) {
    EarthView& view = Open();
    const QSize map = view.MapSize();
    EXPECT_EQ(map.width(), 1000);
    EXPECT_LT(map.height(), 600);  // less the status bar
    QTest::mouseMove(&view, QPoint(499, 100));
    EXPECT_EQ(view.MouseText().toStdString(), MouseLine(499, 100, 1000, map.height(), 0));
    // Dragging 250 pixels to the right on a 1000-pixel map turns it a quarter east.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 200));
    QMouseEvent move1(QEvent::MouseMove, QPointF(300, 200), view.mapToGlobal(QPointF(300, 200)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move1);
    QMouseEvent move2(QEvent::MouseMove, QPointF(550, 200), view.mapToGlobal(QPointF(550, 200)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move2);
    EXPECT_NEAR(settings_.earthviewLongitude, PI / 2, 1e-9);
    EXPECT_EQ(view.DragAnchor(), 550);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(550, 200));
    EXPECT_EQ(view.DragAnchor(), 0);

    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(minutesAdded_, 1.0);
    QTest::keyClick(&view, Qt::Key_F1);
    EXPECT_EQ(helpContext_, 90);

    settings_.detailSat = 7;  // beyond the selection: the last entry
    view.repaint();
    EXPECT_TRUE(view.DetailText().startsWith(QStringLiteral("OTHER SAT: ")));
    EXPECT_TRUE(view.DetailText().contains(QStringLiteral(" km Az:")));
}

TEST_F(EarthViewTest, BackgroundIsHandedOverWhenThePassIsDone) {
    EarthView& view = Open(true);
    const qint64 before = view.DisplayMap().cacheKey();
    ASSERT_TRUE(WaitFor([&] { return view.Worker()->State() == EARTH_PASS_DONE; }));
    view.Tick();
    EXPECT_EQ(view.Worker()->State(), EARTH_IDLE);
    EXPECT_NE(view.DisplayMap().cacheKey(), before);
    EXPECT_TRUE(view.windowTitle().startsWith(QStringLiteral("EarthView @ ")));
    // "Show static" asks for a full-speed pass with clouds.
    view.RunCommand(CMD_SHOW_STATIC);
    EXPECT_EQ(settings_.earthviewShowClouds, 1);
    ASSERT_TRUE(WaitFor([&] { return view.Worker()->State() == EARTH_PASS_DONE; }));
}

TEST_F(EarthViewTest, ClockSetAheadRepaintsTheDayAndNightWithoutWaitingForTheSlowRefresh) {
    EarthView& view = Open(true);
    ASSERT_TRUE(WaitFor([&] { return view.Worker()->State() == EARTH_PASS_DONE; }));
    view.Tick();
    const qint64 before = view.DisplayMap().cacheKey();
    now_ += 0.25;  // six hours on within the same real second
    view.Tick();
    EXPECT_EQ(view.Worker()->State(), EARTH_REPAINT_FAST);
    EXPECT_FALSE(view.windowTitle().contains(QStringLiteral("repainted now")));
    ASSERT_TRUE(WaitFor([&] { return view.Worker()->State() == EARTH_PASS_DONE; }));
    view.Tick();
    EXPECT_NE(view.DisplayMap().cacheKey(), before);
}

TEST_F(EarthViewTest, PeriodicScreenshotEveryIntervalWithCommandAndWallpaper) {
    settings_.earthviewUpdate = 2;
    settings_.earthviewScreenshot = 1;
    settings_.earthviewScreenshotFilename = (dir_.Path() / "earth.png").string();
    settings_.desktopBackground = 2;
    EarthView& view = Open();
    tick_ += 119000;
    view.Tick();
    EXPECT_FALSE(fs::exists(dir_.Path() / "earth.png"));
    tick_ += 1000;
    view.Tick();
    ASSERT_TRUE(fs::exists(dir_.Path() / "earth.png"));
    const QImage shot(QString::fromStdString(settings_.earthviewScreenshotFilename));
    EXPECT_EQ(shot.size(), view.MapSize());  // the map area, without the status bar
    EXPECT_EQ(wallpaper_->files.size(), 1u);

    // Switched off, the mark still moves but nothing is saved.
    settings_.earthviewScreenshot = 0;
    fs::remove(dir_.Path() / "earth.png");
    tick_ += 120000;
    view.Tick();
    EXPECT_FALSE(fs::exists(dir_.Path() / "earth.png"));

    // "Desktop Background" 1 is the Sky view's: the Earth view leaves the wallpaper alone.
    settings_.earthviewScreenshot = 1;
    settings_.desktopBackground = 1;
    tick_ += 120000;
    view.Tick();
    EXPECT_TRUE(fs::exists(dir_.Path() / "earth.png"));
    EXPECT_EQ(wallpaper_->files.size(), 1u);
}

TEST_F(EarthViewTest, SaveScreenshotAsWritesTheChosenFile) {
    EarthView& view = Open();
    chosen_ = QString::fromStdString((dir_.Path() / "chosen.jpg").string());
    view.RunCommand(CMD_SAVE_SCREENSHOT);
    EXPECT_TRUE(fs::exists(dir_.Path() / "chosen.jpg"));
    EXPECT_TRUE(log_.Contains("successfully saved", LOG_INFORMATION));
    chosen_.clear();  // cancelled
    fs::remove(dir_.Path() / "chosen.jpg");
    view.RunCommand(CMD_SAVE_SCREENSHOT);
    EXPECT_FALSE(fs::exists(dir_.Path() / "chosen.jpg"));
}

TEST_F(EarthViewTest, CloseStoresTheViewsValues) {
    EarthView& view = Open(true);
    view.RunCommand(CMD_SHOW_STATIC);
    view.RunCommand(CMD_CENTER_HOME);
    view.RunCommand(CMD_SHOW_ALL_NAMES);
    view.close();
    CRegistry reg(store_);
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Earthview ShowClouds", -1), 1);
    EXPECT_EQ(reg.ReadDword("Show All Satnames", -1), 8);
    EXPECT_EQ(reg.ReadDword("Show Radio Horizon", -1), 1);
    double lon = 0;
    EXPECT_TRUE(reg.ReadDouble("Earthview Longitude", lon));
    EXPECT_DOUBLE_EQ(lon, -11.575 * DEG_TO_RAD);
    EXPECT_GT(reg.ValueSize("Earthview"), 0u);
    EXPECT_FALSE(view.Worker()->Running());
}

TEST_F(EarthViewTest, NoCloudMapMakesADownloadDueAtOnce) {
    EarthView::CloudSchedule() = {};
    settings_.earthviewShowClouds = 1;
    settings_.cloudmapServer = "http://127.0.0.1:1";  // nothing listens there
    EarthView& view = Open();
    view.Tick();
    EXPECT_NEAR(EarthView::CloudSchedule().lastAttempt, now_, 1e-9);
    // The next tick does not start another for five minutes.
    view.Tick();
    EXPECT_FALSE(log_.Contains("terminating old cloud download thread"));
    now_ += 6.0 / 1440;
    view.Tick();
    EXPECT_TRUE(log_.Contains("terminating old cloud download thread", LOG_INFORMATION) ||
                !view.Downloader()->Running());
    EarthView::CloudSchedule() = {};
}

// The status bar shows both lines from the start, dark text on its own light ground (the
// map's opaque painting used to leave it black under black text).
TEST_F(EarthViewTest, StatusBarLinesAreReadable) {
    EarthView& view = Open();
    view.repaint();
    QWidget* bar = view.findChild<QWidget*>(QStringLiteral("earthStatusBar"));
    ASSERT_NE(bar, nullptr);
    const QImage shot = view.grab().toImage();
    EXPECT_FALSE(view.MouseText().isEmpty());
    EXPECT_FALSE(view.DetailText().isEmpty());
    const QRect area = bar->geometry().adjusted(2, 2, -20, -2);
    int light = 0, dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const int grey = qGray(shot.pixel(x, y));
            light += grey > 160;
            dark += grey < 90;
        }
    EXPECT_GT(light, area.width() * area.height() / 2);  // the ground
    EXPECT_GT(dark, 100);                                 // the letters
}

// The satellite settings dialog stores a new selection with every display flag 0: the view
// shows those satellites rather than opening empty, but one hidden on purpose stays hidden.
TEST_F(EarthViewTest, NewlySelectedSatellitesAreShown) {
    for (SelectedSat& s : selection_) s = {s.catalogueNumber, s.catalogueIndex, 0, 0, 0, 0};
    selection_[1].track = 1;  // set up before: its shown flag 0 means hidden
    EarthView& view = Open();
    EXPECT_EQ(selection_[0].shown, 1);
    EXPECT_TRUE(view.Action(CMD_SATELLITE_BASE)->isChecked());
    EXPECT_EQ(selection_[1].shown, 0);
    view.RunCommand(CMD_HIDE_ALL);
    selection_[1] = {50000, NO_CATALOGUE_INDEX, 0, 0, 0, 0};  // a new pick replaces it
    view.RebuildEarthView();
    EXPECT_EQ(selection_[0].shown, 0);
    EXPECT_EQ(selection_[1].shown, 1);
}

// At x3600 each tick moves an hour: the view keeps a track while the time stays in its span
// and rebuilds it (off the window thread) once the time has left it, without waiting for
// the once-a-minute cycle.
TEST_F(EarthViewTest, TracksAreKeptInTheirSpanAndRebuiltWhenTheTimeLeavesIt) {
    selection_[0].track = 1;
    tick_ = 0;  // no minute cycle falls due in this test
    EarthView& view = Open();
    const GeoPoint first = view.Records()[0].future[0];
    now_ += 20.0 / 1440;
    for (int i = 0; i < 5; ++i) {
        view.Tick();
        QTest::qWait(20);
    }
    EXPECT_EQ(view.Records()[0].future[0].lon, first.lon);
    now_ += 5.0 / 24;
    EXPECT_TRUE(WaitFor([&] {
        view.Tick();
        return view.Records()[0].future[0].lon != first.lon;
    }, 10000));
}

// A new selection's orbits are built off the window thread: until they are there the view
// draws no markers, never the old satellites' places under the new names.
TEST_F(EarthViewTest, ARebuiltSelectionNeverShowsTheOldPositions) {
    catalogue_.records.push_back(Satellite("THIRD SAT", 40001, "100.0000"));
    catalogue_.records.push_back(Satellite("FOURTH SAT", 40002, "300.0000"));
    catalogue_.records.push_back(Satellite("FIFTH SAT", 40003, "250.0000"));
    selection_.push_back({40001, 2, 1, 0, 0, 0});
    EarthView& view = Open();
    ASSERT_EQ(view.Records().size(), 3u);
    ASSERT_TRUE(view.Records()[0].computed);

    selection_ = {{40002, 3, 1, 0, 0, 0}, {40003, 4, 1, 0, 0, 0}};
    EarthTracks expected;
    expected.Rebuild(catalogue_, selection_);
    expected.Update(selection_, settings_.observer, now_, false, -1);
    auto matches = [&] {
        for (std::size_t i = 0; i < 2; ++i) {
            const TrackRecord& r = view.Records()[i];
            if (r.computed && (r.now.lat != expected.Records()[i].now.lat ||
                               r.now.lon != expected.Records()[i].now.lon))
                return false;
        }
        return true;
    };
    view.RebuildEarthView();
    ASSERT_EQ(view.Records().size(), 2u);
    EXPECT_TRUE(matches());
    view.UpdateSatPositions(true);
    EXPECT_TRUE(matches());
    ASSERT_TRUE(WaitFor([&] {
        view.Tick();
        return view.Records()[1].computed;
    }));
    EXPECT_TRUE(matches());
    EXPECT_TRUE(view.Records()[0].computed);
}

}  // namespace
}  // namespace orvanta
