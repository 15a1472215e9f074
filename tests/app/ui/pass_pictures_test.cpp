// The pass details window's pictures: the az/el graph's edges, the star chart tab, the
// satellite details button, and `orvanta --render passchart` run as a script runs it.
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include "app/ui/pass_details_window.h"
#include "app/ui/pass_elevation_graph.h"
#include "catalogue/pass_finder.h"
#include "orbit/julian_date.h"
#include "platform/directories.h"
#include "skyview/ui/pass_chart.h"
#include "tests/platform/scoped_env.h"
#include "tests/support/cli_runner.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

std::vector<PassDetailRow> Azimuths(std::initializer_list<double> azimuths) {
    std::vector<PassDetailRow> rows;
    double t = 2461169.0;
    for (double az : azimuths) {
        PassDetailRow r;
        r.time = t;
        r.azimuth = az;
        r.elevation = 20.0;
        rows.push_back(r);
        t += 1.0 / 1440.0;
    }
    return rows;
}

}  // namespace

TEST(PassElevationGraphTest, AzimuthThroughNorthBreaksAtTheEdgesInsteadOfCrossingThePlot) {
    const QRectF area(40, 20, 400, 360);  // 1 degree of azimuth a pixel
    EXPECT_DOUBLE_EQ(PassElevationGraph::TimeToX(2461169.0, 2461169.0, 2461169.1, area), 40.0);
    EXPECT_DOUBLE_EQ(PassElevationGraph::TimeToX(2461169.1, 2461169.0, 2461169.1, area), 440.0);
    EXPECT_NEAR(PassElevationGraph::TimeToX(2461169.05, 2461169.0, 2461169.1, area), 240.0, 1e-3);

    struct Case {
        std::initializer_list<double> azimuths;
        double leavesAtY, entersAtY;
    };
    for (const Case& c : {Case{{350, 359, 1, 10}, area.top(), area.bottom()},
                          Case{{10, 1, 359, 350}, area.bottom(), area.top()}}) {
        const auto rows = Azimuths(c.azimuths);
        const auto runs = PassElevationGraph::AzimuthRuns(rows, area);
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_DOUBLE_EQ(runs[0].back().y(), c.leavesAtY);
        EXPECT_DOUBLE_EQ(runs[1].front().y(), c.entersAtY);
        // Both halves meet north at the same moment, halfway between the rows either side.
        EXPECT_DOUBLE_EQ(runs[0].back().x(), runs[1].front().x());
        EXPECT_NEAR(runs[0].back().x(), (runs[0][1].x() + runs[1][1].x()) / 2, 1e-6);
        for (const auto& run : runs)
            for (std::size_t i = 1; i < run.size(); ++i)
                EXPECT_LT(std::abs(run[i].y() - run[i - 1].y()), 10.0);
    }
    EXPECT_EQ(PassElevationGraph::AzimuthRuns(Azimuths({100, 120, 140}), area).size(), 1u);
}

class PassPicturesTest : public MainWindowTest {};

TEST_F(PassPicturesTest, WindowShowsTheChartTabsAndAsksForTheSatellitesDetails) {
    const cElementSet iss("ISS (ZARYA)",
                          "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
                          "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437");
    PassSearchSatellite sat{"ISS (ZARYA)", 25544, iss.Line1(), iss.Line2()};
    SatelliteSearchContext ctx;
    ctx.now = *ParseIsoUtc("2026-05-08T00:00:00Z");
    ctx.observer = {520, 48.14, 11.58};
    ctx.options.passesPerSatellite = 1;
    ctx.options.visibility = true;
    ctx.log = [](int, const std::string&) {};
    ctx.formatDateTime = [](double t) { return FormatUtcDateTime(t); };
    PassRecord pass;
    ASSERT_EQ(SearchSatellitePasses(sat, 0, ctx, &pass).passes, 1);

    PassDetailsInput input;
    input.elements = iss;
    input.name = "ISS (ZARYA)";
    input.pass = pass;
    input.observer = ctx.observer;
    input.now = ctx.now;
    PassDetailsWindow window(input);
    QStringList tabs;
    for (int i = 0; i < window.Pictures()->count(); ++i) tabs << window.Pictures()->tabText(i);
    EXPECT_EQ(tabs, QStringList({"Sky Plot", "Graph", "Star Chart"}));
    window.Pictures()->setCurrentWidget(window.StarChart());
    window.show();
    const QImage chart = window.StarChart()->grab().toImage();
    EXPECT_FALSE(chart.isNull());

    QSignalSpy asked(&window, &PassDetailsWindow::SatelliteDetailsRequested);
    QPushButton* button = nullptr;
    for (QPushButton* b : window.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Satellite Details...")) button = b;
    ASSERT_NE(button, nullptr);
    button->click();
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.front().front().toInt(), 25544);
}

class PassChartCommandTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }
    platform::PrivateTempDir dir_;
    test::ScopedEnv home_{"ORVANTA_HOME", Path("home").c_str()};
    test::ScopedEnv settings_{"ORVANTA_SETTINGS", Path("settings.reg").c_str()};
    test::ScopedEnv display_{"DISPLAY", nullptr};
    test::ScopedEnv wayland_{"WAYLAND_DISPLAY", nullptr};
    test::ScopedEnv platform_{"QT_QPA_PLATFORM", nullptr};
    const std::string program_ = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta";
};

TEST_F(PassChartCommandTest, DrawsTheAskedPassAndRefusesOneThatDoesNotExist) {
    const std::string at = " --at 2026-05-08T00:00:00Z --size 300x240 --out ";
    const auto run = RunCli(
        program_, "--render passchart --sat 25544 --pass 2" + at + Path("c.png"), dir_.Path());
    ASSERT_EQ(run.status, 0) << (run.err.empty() ? "" : run.err.back());
    EXPECT_EQ(QImage(QString::fromStdString(Path("c.png"))).size(), QSize(300, 240));

    // No such pass number, no such satellite, a geostationary one that never passes, no --sat.
    for (const std::string args :
         {std::string("--sat 25544 --pass 0"), std::string("--sat 99999 --pass 1"),
          std::string("--sat 41866 --pass 1"), std::string("--pass 1")}) {
        const auto bad =
            RunCli(program_, "--render passchart " + args + at + Path("x.png"), dir_.Path());
        EXPECT_EQ(bad.status, 2) << args;
        ASSERT_FALSE(bad.err.empty()) << args;
        EXPECT_EQ(bad.err.back().rfind("orvanta: ", 0), 0u) << bad.err.back();
    }
    EXPECT_FALSE(std::filesystem::exists(Path("x.png")));
}
