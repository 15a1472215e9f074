// What the pass list actually paints, and the clock's periodic work. Set
// ORVANTA_SCREENSHOT_DIR to keep the painted window as main-window.png.
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTreeView>
#include <cstdlib>

#include "catalogue/pass_list_format.h"
#include "catalogue/ui/pass_list_model.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class PaintTest : public MainWindowTest {};

}  // namespace

TEST_F(PaintTest, PassListPaintsStripesAndLiveGreenRows) {
    WriteObserver();
    WriteSelection({25544, 48274, 41917, 24876, 20580});  // ISS, CSS, an Iridium, a GPS, HST
    WriteDword("DisplayUTC", 1);
    WriteDword("Use 24h Time", 1);
    WriteDword("Search Iridium Flares", 1);
    WriteDword("Search Lunar Passes", 1);
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(120000));
    w.resize(1010, 560);
    PassListModel* m = w.PassList()->Model();
    ASSERT_GT(m->rowCount(), 5);

    // Move the clock into the second listed pass so one row is live.
    const std::vector<PassRecord>& table = w.PassTable();
    const PassRecord& second = table[static_cast<std::size_t>(m->RecordIndex(1))];
    utc_ = second.aos + (second.los - second.aos) * 0.45;
    w.TickClock();
    QApplication::processEvents();

    QTreeView* view = w.PassList();
    const QImage image = w.grab().toImage();
    const QPoint origin = view->viewport()->mapTo(&w, QPoint(0, 0));
    auto cellPixel = [&](int row, int column) {
        const QRect r = view->visualRect(m->index(row, column));
        // A point near the cell's right edge, clear of text.
        return image.pixelColor(origin + QPoint(r.right() - 2, r.center().y()));
    };
    const int last = 3;  // a row that is not live and well inside the viewport
    EXPECT_EQ(cellPixel(last, COL_AOS), QColor(32, 32, 32));
    EXPECT_EQ(cellPixel(last, COL_LOS), QColor(0, 0, 0));
    EXPECT_EQ(cellPixel(last, COL_COUNTDOWN), QColor(32, 32, 32));
    // The live row's text is drawn in green somewhere in its Az cell.
    int live = -1;
    for (int r = 0; r < m->rowCount(); ++r)
        if (PassInProgress(table[static_cast<std::size_t>(m->RecordIndex(r))], w.Now())) live = r;
    ASSERT_GE(live, 0);
    const QRect az = view->visualRect(m->index(live, COL_AZ)).translated(origin);
    bool green = false;
    for (int x = az.left(); x <= az.right() && !green; ++x)
        for (int y = az.top(); y <= az.bottom() && !green; ++y)
            green = image.pixelColor(x, y).green() > 200 && image.pixelColor(x, y).red() < 90;
    EXPECT_TRUE(green);

    if (const char* dir = std::getenv("ORVANTA_SCREENSHOT_DIR"))
        image.save(QString::fromLocal8Bit(dir) + "/main-window.png");
}

TEST_F(PaintTest, ClockTickRunsAutorefreshAndTheDailyElementUpdate) {
    WriteObserver();
    WriteSelection({25544});
    WriteDword("Number of Passes", 1);
    {
        CRegistry reg;
        reg.OpenSettings();
        reg.WriteDouble("Automatic Kepler Update", kStartJd + 0.5);
    }
    MainWindow& w = Start();
    EXPECT_TRUE(Logged("Automatic Kepler update is turned ON. Next update: "));
    ASSERT_TRUE(w.WaitForSearch(60000));
    // One pass: the satellite runs out at its LOS.
    const double refresh = w.NextAutorefresh();
    ASSERT_LT(refresh, kStartJd + 1.0);
    EXPECT_EQ(refresh, w.PassTable().back().los);

    utc_ = refresh + 2.0 / 86400.0;
    w.TickClock();
    EXPECT_TRUE(w.SearchRunning());
    EXPECT_NEAR(w.NextAutorefresh(), utc_ + 10.0, 1e-6);
    ASSERT_TRUE(w.WaitForSearch(60000));

    utc_ = kStartJd + 0.5 + 1.0 / 86400.0;
    w.TickClock();
    EXPECT_TRUE(Logged("Updating Kepler Elements, 24h have elapsed", LOG_INFORMATION));
    CRegistry reg;
    reg.OpenSettings();
    double next = 0;
    ASSERT_TRUE(reg.ReadDouble("Automatic Kepler Update", next));
    EXPECT_NEAR(next, utc_ + 1.0, 1e-6);
}

TEST_F(PaintTest, SystemTimeChangeRefillsTheList) {
    WriteObserver();
    WriteSelection({25544, 24876});
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    PassListModel* m = w.PassList()->Model();
    const int rows = m->rowCount();
    ASSERT_GT(rows, 0);
    // Someone sets the system clock a day ahead: the wall clock jumps, the monotonic one
    // does not. Every pass of the first day is over and the list is rebuilt from the table.
    QSignalSpy resets(m, &QAbstractItemModel::modelReset);
    w.TickClock();
    EXPECT_EQ(resets.count(), 0);  // an ordinary tick never rebuilds
    utc_ += 1.0;
    wallJumpDays_ += 1.0;
    w.TickClock();
    EXPECT_EQ(resets.count(), 1);
    for (int r = 0; r < m->rowCount(); ++r)
        EXPECT_GE(w.PassTable()[static_cast<std::size_t>(m->RecordIndex(r))].los, utc_);
    EXPECT_LT(m->rowCount(), rows);
}
