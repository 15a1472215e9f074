// The Sky view's drawing and window: pixels where the projection puts them, the menu, the
// heading drag, the time keys, screenshots, the tooltip's timing and the rise and set texts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "catalogue/pass_list.h"
#include "common/event_log.h"
#include "common/registry.h"
#include "location/rise_set_recompute.h"
#include "platform/settings_store.h"
#include "skyview/sky_chart.h"
#include "skyview/ui/sky_drawing.h"
#include "skyview/ui/sky_view_render.h"
#include "skyview/ui/sky_view_window.h"

using namespace orvanta;

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_skyview_ui";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

constexpr double kNoon = 2461168.0;      // 2026-05-07 12:00 UTC: the Sun high over Greenwich
constexpr double kNight = 2461056.375;   // 2026-01-15 21:00 UTC: Orion and Sirius up
const ObserverLocation kGreenwich{46, 51.4779, -0.0015};

QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

class FakeHost : public ISkyViewHost {
public:
    FakeHost() { settings.observer = kGreenwich; }
    double Now() const override { return now; }
    void ShiftTimeMinutes(int minutes) override { shifted += minutes; }
    std::vector<PassRecord>* SkyPasses() override { return &passes; }
    const KeplerCatalogue& SkyCatalogue() const override { return catalogue; }
    const std::vector<SelectedSat>& SkySelection() const override { return selection; }
    const Settings& SkySettings() const override { return settings; }
    void SaveSkyScreenshot(const QImage& image) override { saved.push_back(image.size()); }
    void SkyViewClosed() override { closed = true; }

    double now = kNoon;
    int shifted = 0;
    std::vector<PassRecord> passes;
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    Settings settings;
    std::vector<QSize> saved;
    bool closed = false;
};

class SkyViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        SetSettingsStore(store_);
        TakeRiseSetRecompute();
    }
    void TearDown() override {
        view_.reset();
        SetSettingsStore(nullptr);
    }
    SkyViewWindow& Open() {
        view_ = std::make_unique<SkyViewWindow>(host_, state_, [this] { return tick_; }, false);
        view_->show();
        QApplication::processEvents();
        return *view_;
    }
    void Move(int x, int y, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, y), view_->mapToGlobal(QPointF(x, y)),
                      Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view_.get(), &e);
    }

    std::shared_ptr<platform::ISettingsStore> store_ = platform::MakeMemorySettingsStore();
    FakeHost host_;
    SkyViewState state_;
    std::uint32_t tick_ = 100000;
    std::unique_ptr<SkyViewWindow> view_;
};

}  // namespace

TEST(SkyChartRender, ABrightStarLandsWhereTheProjectionPutsItAndTheZenithCrossAtTheCentre) {
    EnsureApplication();
    // One star: Sirius (HR 2491) at its catalogue place; the other records stay zero.
    StarCatalogue stars;
    stars.table.resize(STAR_CAPACITY);
    stars.boxes.resize(STAR_CAPACITY);
    stars.count = STAR_CAPACITY;
    StarRecord& sirius = stars.table[2490];
    sirius.hd = 48915;
    sirius.raHours = 6 + 45 / 60.0 + 8.9 / 3600;
    sirius.decDegrees = -(16 + 42 / 60.0 + 58 / 3600.0);
    sirius.magnitude = -1.46;

    SkyViewState state;
    state.drawRealSky = 0;
    state.projection = PROJECTION_POLAR_NWSE;
    SkyPaintInput in;
    in.state = &state;
    in.width = 600;
    in.height = 600;
    in.now = kNight;
    in.observer = kGreenwich;
    in.stars = &stars;
    in.fonts = DefaultSkyFonts();
    const QImage image = PaintSkyChart(in);
    ASSERT_EQ(image.size(), QSize(600, 600));

    const ScreenBox& box = stars.boxes[2490];
    ASSERT_GT(box.right, 0);
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    // South-south-east, low: below the centre and, in NWSE, left of it.
    EXPECT_GT(y, 300);
    EXPECT_LT(x, 300);
    EXPECT_EQ(Pixel(image, x, y), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(image, 300, 300), kSkyLightGrey);       // zenith cross
    EXPECT_EQ(Pixel(image, 250, 150), 0xFF000040u);         // night sky (0, 0, 64)
    EXPECT_EQ(Pixel(image, 2, 2), kSkyDarkGrey);            // outside the horizon
    for (int i = 0; i < STAR_CAPACITY; ++i) {
        if (i != 2490) {
            EXPECT_EQ(stars.boxes[i].right, 0) << "a zero record was drawn: " << i;
        }
    }

    // At the limit 1.0 Sirius stays; hidden stars lose their boxes.
    state.magLimit = -1.46;
    PaintSkyChart(in);
    EXPECT_EQ(stars.boxes[2490].right, 0);
    state.magLimit = 6.5;
    state.showStars = 0;
    PaintSkyChart(in);
    EXPECT_EQ(stars.boxes[2490].right, 0);
}

TEST(SkyChartRender, TheSunDiscAndTheDaySkyAtNoon) {
    EnsureApplication();
    SkyViewState state;
    state.drawRealSky = 1;
    SkyPaintInput in;
    in.state = &state;
    in.now = kNoon;
    in.observer = kGreenwich;
    in.fonts = DefaultSkyFonts();
    const QImage image = PaintSkyChart(in);
    ASSERT_GT(state.sunEl, 50.0);
    const auto sun = Project(DegToRadians(state.sunAz), DegToRadians(state.sunEl), 600, 600,
                             state.projection);
    EXPECT_EQ(Pixel(image, sun->x, sun->y), kSkyYellow);
    EXPECT_EQ(state.sunBox.left, sun->x - 6);
    // Realistic day sky: the zenith colour (63, 128, 255) near the centre.
    const QColor c(image.pixel(305, 306));
    EXPECT_NEAR(c.red(), 63, 8);
    EXPECT_NEAR(c.blue(), 255, 3);
}

TEST_F(SkyViewTest, MenuItemsChangeTheStateAndCarryTheirChecks) {
    SkyViewWindow& v = Open();
    QStringList texts;
    std::function<void(QMenu*)> walk = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->isSeparator()) continue;
            texts << a->text();
            if (a->menu()) walk(a->menu());
        }
    };
    walk(v.PopupMenu());
    EXPECT_EQ(texts, (QStringList{"Show Sat Name", "Show Sat Range", "Show Sat Tracks",
                                  "Show Stars", "Magnitude Limit", "6.5", "5.5", "4.5", "3.5",
                                  "2.5", "1.0", "Star Size",
                                  "Minimum 1 Pixel (Ideal for TFT/LCD)",
                                  "Minimum 2 Pixels (Ideal for CRT's)", "Draw RealSky",
                                  "Projection Type", "NWSE Stretched", "Polar NWSE",
                                  "NESW Stretched", "Polar NESW (Kaltrop Projection)",
                                  "Reset Heading to North"}));
    auto find = [&](const QString& text) {
        QAction* found = nullptr;
        std::function<void(QMenu*)> look = [&](QMenu* m) {
            for (QAction* a : m->actions()) {
                if (a->text() == text) found = a;
                if (a->menu()) look(a->menu());
            }
        };
        look(v.PopupMenu());
        return found;
    };
    EXPECT_TRUE(find("NWSE Stretched")->isChecked());
    find("Polar NESW (Kaltrop Projection)")->trigger();
    EXPECT_EQ(state_.projection, PROJECTION_POLAR_NESW);
    EXPECT_TRUE(find("Polar NESW (Kaltrop Projection)")->isChecked());
    EXPECT_FALSE(find("NWSE Stretched")->isChecked());
    find("3.5")->trigger();
    EXPECT_EQ(state_.magLimit, 3.5);
    EXPECT_TRUE(find("3.5")->isChecked());
    EXPECT_FALSE(find("6.5")->isChecked());
    find("Show Sat Tracks")->trigger();
    EXPECT_EQ(state_.showTracks, 0);
    state_.heading = 200;
    find("Reset Heading to North")->trigger();
    EXPECT_EQ(state_.heading, 0);
}

TEST_F(SkyViewTest, DraggingTurnsTheChartAndShowsTheHeadingIndicatorUntilRelease) {
    SkyViewWindow& v = Open();
    Move(300, 500, Qt::LeftButton);  // lower half: the drag starts
    Move(310, 500, Qt::LeftButton);
    EXPECT_EQ(state_.heading, 10);
    EXPECT_EQ(state_.dragLastX, 310);
    const QImage dragging = v.RenderChart();
    EXPECT_EQ(Pixel(dragging, 278, 48), 0xFF000000u);  // inside the black callout at the top
    Move(305, 100, Qt::LeftButton);  // upper half: the other way
    EXPECT_EQ(state_.heading, 15);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(305, 100), QPointF(305, 100),
                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&v, &up);
    EXPECT_EQ(state_.dragLastX, 0);
    EXPECT_NE(Pixel(v.RenderChart(), 278, 48), 0xFF000000u);
}

TEST_F(SkyViewTest, KeysMoveTheTimeAndF2SavesOnTheNextRepaint) {
    SkyViewWindow& v = Open();
    QKeyEvent upKey(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&v, &upKey);
    QKeyEvent downKey(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&v, &downKey);
    QApplication::sendEvent(&v, &downKey);
    EXPECT_EQ(host_.shifted, -1);

    EventRecorder log;
    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(&v, &f2);
    EXPECT_EQ(state_.screenshotRequested, 1);
    v.repaint();
    EXPECT_EQ(state_.screenshotRequested, 0);
    EXPECT_TRUE(log.Contains("Couldn't create screenshot because no filename was given!", LOG_ERROR));
    EXPECT_TRUE(host_.saved.empty());

    host_.settings.skyviewScreenshotFilename = "/tmp/sky.png";
    QApplication::sendEvent(&v, &f2);
    v.resize(320, 240);
    v.repaint();
    ASSERT_EQ(host_.saved.size(), 1u);
    EXPECT_EQ(host_.saved[0], QSize(320, 240));
}

TEST_F(SkyViewTest, PeriodicScreenshotEveryIntervalWhenSwitchedOn) {
    host_.settings.skyviewUpdate = 1;
    host_.settings.skyviewScreenshot = 1;
    host_.settings.skyviewScreenshotFilename = "/tmp/sky.jpg";
    SkyViewWindow& v = Open();
    tick_ += 59999;
    v.OnSkyTimer();
    EXPECT_TRUE(host_.saved.empty());
    tick_ += 1;
    v.OnSkyTimer();
    EXPECT_EQ(host_.saved.size(), 1u);
}

TEST_F(SkyViewTest, SunTooltipAfterHalfASecondOfRestGoneAfterFive) {
    SkyViewWindow& v = Open();
    v.RenderChart();  // places the Sun's disc
    ASSERT_GT(state_.sunBox.right, 0);
    const int x = state_.sunBox.left + 6, y = state_.sunBox.top + 6;
    Move(x, y);
    tick_ += 500;
    v.OnSkyTimer();
    EXPECT_FALSE(v.TooltipShown());
    tick_ += 1;
    v.OnSkyTimer();
    ASSERT_TRUE(v.TooltipShown());
    EXPECT_TRUE(v.TooltipText().startsWith("The Sun\rNext rise:\t"));
    EXPECT_TRUE(v.TooltipText().contains("\rCurrent Az:\t"));
    tick_ += 4498;  // 4999 ms after the move
    v.OnSkyTimer();
    EXPECT_TRUE(v.TooltipShown());
    tick_ += 1;
    v.OnSkyTimer();
    EXPECT_FALSE(v.TooltipShown());
    tick_ += 2000;  // no new move: it does not come back
    v.OnSkyTimer();
    EXPECT_FALSE(v.TooltipShown());
    // Over empty sky nothing shows.
    Move(5, 300);
    tick_ += 800;
    v.OnSkyTimer();
    EXPECT_FALSE(v.TooltipShown());
}

TEST_F(SkyViewTest, TitleAndRiseSetTextsOnTheFirstTickAndAfterALocationChange) {
    SkyViewWindow& v = Open();
    EXPECT_TRUE(state_.sunriseText.empty());
    v.OnSkyTimer();
    EXPECT_TRUE(v.windowTitle().startsWith("SkyView @ 2026-05-07"));
    const std::string greenwich = state_.sunriseText;
    EXPECT_FALSE(greenwich.empty());
    EXPECT_FALSE(state_.moonsetText.empty());
    // A new place waits for the hourly refresh unless the settings ask for it.
    host_.settings.observer = {0, 35.68, 139.77};  // Tokyo
    v.OnSkyTimer();
    EXPECT_EQ(state_.sunriseText, greenwich);
    RequestRiseSetRecompute();
    v.OnSkyTimer();
    EXPECT_NE(state_.sunriseText, greenwich);
}

TEST_F(SkyViewTest, ClosingSavesTheOptionsAndTellsTheHost) {
    SkyViewWindow& v = Open();
    state_.heading = 123;
    state_.projection = 4;
    state_.magLimitIndex = 2;
    v.close();
    EXPECT_TRUE(host_.closed);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Skyview Orientation", -1), 123);
    EXPECT_EQ(reg.ReadDword("Projection Type", -1), 4);
    EXPECT_EQ(reg.ReadDword("Mag Limit", -1), 2);
    EXPECT_EQ(reg.ValueSize("Skyview"), WINDOW_PLACEMENT_SIZE);
}

TEST(SkyChartRender, OffscreenRenderDrawsAPassInProgressWhereItsLiveValuesPutIt) {
    EnsureApplication();
    // The ISS over Greenwich on 2026-05-07, five minutes into its 22:50 UTC pass.
    KeplerCatalogue catalogue;
    KeplerRecord iss;
    std::snprintf(iss.name, sizeof iss.name, "ISS (ZARYA)");
    std::snprintf(iss.line1, sizeof iss.line1, "%s",
                  "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993");
    std::snprintf(iss.line2, sizeof iss.line2, "%s",
                  "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437");
    iss.catalogueNumber = 25544;
    catalogue.records.push_back(iss);
    SelectedSat sel;
    sel.catalogueNumber = 25544;
    sel.catalogueIndex = 0;
    RenderContext context;
    context.settings.observer = kGreenwich;
    context.settings.drawRealSky = 0;
    context.catalogue = catalogue;
    context.selection = {sel};
    const double jd = 2461168.5 - 65.0 / 1440;  // 22:55 UTC
    const QImage image = RenderSkyView(context, {jd, QSize(500, 400)});
    ASSERT_EQ(image.size(), QSize(500, 400));

    PassRecord live;
    ASSERT_TRUE(UpdateLiveValues(live, iss, kGreenwich, 1, jd));
    ASSERT_GT(live.currentElevation, 10.0);
    const auto at = Project(DegToRadians(live.currentAzimuth), DegToRadians(live.currentElevation),
                            500, 400, PROJECTION_STRETCHED_NWSE);
    EXPECT_EQ(Pixel(image, at->x, at->y), kSkyYellow);
    // The stars are the built-in catalogue's: many white pixels on the night sky.
    int white = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x) white += Pixel(image, x, y) == 0xFFFFFFFFu;
    EXPECT_GT(white, 1500);
}

TEST_F(SkyViewTest, PeriodicScreenshotIsTakenFromTheTimerWhileTheWindowIsNotPainted) {
    host_.settings.skyviewUpdate = 1;
    host_.settings.skyviewScreenshot = 1;
    host_.settings.skyviewScreenshotFilename = "/tmp/sky.jpg";
    SkyViewWindow& v = Open();
    v.hide();  // no paint events, as while minimised
    tick_ += 60000;
    v.OnSkyTimer();
    ASSERT_EQ(host_.saved.size(), 1u);
    EXPECT_EQ(host_.saved[0], QSize(600, 600));
}

TEST(SkyChartRender, PaddedNamesAreCentredOnTheirMarkerAndTheMoonDiscShowsItsPhase) {
    EnsureApplication();
    KeplerRecord sat;
    std::snprintf(sat.name, sizeof sat.name, "%-24s", "ISS (ZARYA)");
    std::vector<PassRecord> passes(1);
    passes[0].aos = kNight - 0.01;
    passes[0].listed = 1;
    passes[0].currentAzimuth = 20.0;  // clear of the north spoke
    passes[0].currentElevation = 45.0;
    SkyViewState state;
    state.drawRealSky = 0;
    state.showRanges = 0;
    state.showStars = 0;
    SkyPaintInput in;
    in.state = &state;
    in.now = kNight;
    in.observer = kGreenwich;
    in.passes = &passes;
    in.satelliteOf = [&](const PassRecord&) { return &sat; };
    in.fonts = DefaultSkyFonts();
    const QImage image = PaintSkyChart(in);
    const int markerX = passes[0].screenBox.left + 4, below = passes[0].screenBox.bottom;
    int left = 600, right = -1;
    for (int y = below + 3; y < below + 16; ++y)
        for (int x = markerX - 45; x < markerX + 45; ++x)
            if (qGray(Pixel(image, x, y)) > 160) left = std::min(left, x), right = std::max(right, x);
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, markerX, 3.0);

    // 2024-01-11 12:00 UTC, the new Moon high over Greenwich: a dark disc, no white one.
    in.passes = nullptr;
    in.now = 2460321.0;
    const QImage newMoon = PaintSkyChart(in);
    ASSERT_GT(state.moonBox.right, 0);
    int lit = 0;
    for (int y = state.moonBox.top + 2; y < state.moonBox.bottom - 2; ++y)  // inside the outline
        for (int x = state.moonBox.left + 2; x < state.moonBox.right - 2; ++x)
            lit += qGray(Pixel(newMoon, x, y)) > 200;
    EXPECT_LT(lit, 12);
    EXPECT_NE(MoonTooltipText(state, 1).find(" km away"), std::string::npos);
}
