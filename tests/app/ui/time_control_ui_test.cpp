// The time control on the main window: Ctrl+T, steps that leave real time and show it in the
// status bar and the views' titles, a rate driven by the fake clock, and "Now".
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/ui/time_control.h"
#include "catalogue/pass_record.h"
#include "catalogue/ui/pass_list_model.h"
#include "earthview/ui/earth_view.h"
#include "tests/app/ui/ui_test_support.h"

namespace orvanta::testing {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

TEST_F(MainWindowTest, CtrlTStepsLeaveRealTimeVisiblyAndNowReturns) {
    MainWindow& w = Start();
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    TimeControlDialog* dialog = w.TimeControl();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    // Real time adds nothing to the status bar.
    EXPECT_EQ(w.SimulatedField(), nullptr);

    w.OpenEarthView(QSize(400, 200));
    const double before = w.Now();
    QTest::mouseClick(dialog->Button("+1 h"), Qt::LeftButton);
    EXPECT_NEAR((w.Now() - before) * 86400.0, 3600.0, 0.01);
    ASSERT_NE(w.SimulatedField(), nullptr);
    EXPECT_TRUE(w.SimulatedField()->isVisibleTo(&w));
    EXPECT_EQ(w.SimulatedField()->text(), "Simulated 2026-05-08 01:00:00 UTC ×1");
    EXPECT_EQ(w.SimulatedField()->toolTip(), "Ctrl+T, Now returns to real time");
    w.TickClock();
    QTest::qWait(1100);  // the Earth view's own title timer
    EXPECT_TRUE(w.EarthViewWindow()->windowTitle().endsWith(" (simulated)"));

    QTest::mouseClick(dialog->Button("Now"), Qt::LeftButton);
    EXPECT_TRUE(w.ProgramClock().IsRealTime());
    EXPECT_DOUBLE_EQ(w.Now(), utc_);
    EXPECT_FALSE(w.SimulatedField()->isVisibleTo(&w));
    QTest::qWait(1100);
    EXPECT_FALSE(w.EarthViewWindow()->windowTitle().contains("simulated"));
}

TEST_F(MainWindowTest, TimeControlRateMovesTheTickAndPauseHoldsIt) {
    MainWindow& w = Start();
    w.OpenTimeControl();
    QComboBox* rates = w.TimeControl()->RateList();
    const int x60 = rates->findText("×60");
    ASSERT_GE(x60, 0);
    rates->setCurrentIndex(x60);
    emit rates->activated(x60);
    const double start = w.Now();
    utc_ += kSecond;  // one real second on both fake sources
    w.TickClock();
    EXPECT_NEAR((w.Now() - start) * 86400.0, 60.0, 1e-3);
    EXPECT_TRUE(w.SimulatedField()->text().endsWith("×60"));

    const int paused = rates->findText("Paused");
    emit rates->activated(paused);
    const double held = w.Now();
    utc_ += 10 * kSecond;
    w.TickClock();
    EXPECT_NEAR(w.Now(), held, 1e-9);
    EXPECT_TRUE(w.SimulatedField()->text().endsWith("paused"));
    // The dialog follows the clock: the list shows the pause set here.
    EXPECT_EQ(rates->currentIndex(), paused);
}

TEST_F(MainWindowTest, AJumpPastTheListedPassesSearchesAgainFromTheNewTime) {
    WriteObserver();
    WriteSelection({25544});
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    ASSERT_FALSE(w.PassTable().empty());
    w.OpenTimeControl();
    // Within the listed span: the list stays.
    QTest::mouseClick(w.TimeControl()->Button("+1 min"), Qt::LeftButton);
    EXPECT_FALSE(w.SearchRunning());

    w.TimeControl()->DateTime()->setDateTime(QDateTime(QDate(2026, 6, 20), QTime(12, 0), Qt::UTC));
    ASSERT_TRUE(w.WaitForSearch(60000));
    ASSERT_FALSE(w.PassTable().empty());
    for (const PassRecord& p : w.PassTable()) EXPECT_GT(p.los, w.Now());
}

TEST_F(MainWindowTest, RunBackwardsTheListIsRepaintedWholeAndSearchedFromTheEarlierTime) {
    WriteObserver();
    WriteSelection({25544});
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    ASSERT_GT(w.PassList()->Model()->rowCount(), 1);
    w.OpenTimeControl();
    QComboBox* rates = w.TimeControl()->RateList();
    const int back = rates->findText("×-3600");
    ASSERT_GE(back, 0);
    rates->setCurrentIndex(back);
    emit rates->activated(back);
    QSignalSpy changed(w.PassList()->Model(), &QAbstractItemModel::dataChanged);
    utc_ += kSecond;
    w.TickClock();
    EXPECT_TRUE(w.SearchRunning());
    // Every cell, not only the countdown: a pass that was under way is ahead again.
    bool whole = false;
    for (const QList<QVariant>& args : changed) {
        const QModelIndex from = args[0].toModelIndex(), to = args[1].toModelIndex();
        whole = whole || (from.row() == 0 && from.column() == 0 &&
                          to.row() == w.PassList()->Model()->rowCount() - 1 &&
                          to.column() == PASS_LIST_COLUMNS - 1);
    }
    EXPECT_TRUE(whole);
    ASSERT_TRUE(w.WaitForSearch(60000));
}

}  // namespace
}  // namespace orvanta::testing
