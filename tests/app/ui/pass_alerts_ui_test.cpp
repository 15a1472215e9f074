// Pass alerts in the main window on the test's fake clock: an alert ten minutes before the
// first ISS pass reaches the event log and the notifier, once, and a simulated program
// time fires nothing; the alerts dialog keeps what it does not show.
#include <string>
#include <vector>

#include <QCheckBox>
#include <QListWidget>

#include "app/ui/alerts_dialog.h"
#include "app/ui/pass_alert_service.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class PassAlertsUiTest : public MainWindowTest {};

}  // namespace

TEST_F(PassAlertsUiTest, LeadAlertIsToldOnceAndNotForASimulatedTime) {
    WriteObserver();
    WriteSelection({25544});
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteString("Alert Satellites", "25544");
    }
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(120000));
    ASSERT_NE(w.Alerts(), nullptr);
    std::vector<std::string> told;
    w.Alerts()->SetNotifier([&](const platform::DesktopNotification& n, auto done) {
        told.push_back(n.body);
        done(true, {});
    });
    ASSERT_GE(w.PassList()->Model()->rowCount(), 2);
    const PassRecord first = w.PassTable()[static_cast<std::size_t>(
        w.PassList()->Model()->RecordIndex(0))];
    const PassRecord second = w.PassTable()[static_cast<std::size_t>(
        w.PassList()->Model()->RecordIndex(1))];

    EventRecorder log;
    utc_ = first.aos - 10.0 / 1440.0 + 1.0 / 86400.0;
    w.TickClock();
    w.TickClock();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind("ISS (ZARYA) rises in 10 min at ", 0), 0u) << told[0];
    bool logged = false;
    for (const EventEntry& e : log.Entries()) logged = logged || e.text == told[0];
    EXPECT_TRUE(logged);

    // Ten times real speed, run up to the second pass's alert: the program time is
    // simulated, so its rows are not the sky outside.
    w.ProgramClock().SetRate(10.0);
    utc_ = second.aos - 10.0 / 1440.0;
    w.TickClock();
    EXPECT_EQ(told.size(), 1u);
}

TEST(AlertsDialogTest, ChoicesForSatellitesNotListedAndTheTrayOptionWithoutATraySurvive) {
    EnsureApplication();
    PassAlertSettings stored;
    stored.satellites = {25544, 99999};  // 99999 is no longer selected
    stored.closeToTray = true;
    AlertsDialog d(nullptr, stored, {{25544, "ISS (ZARYA)     "}, {33591, "NOAA 19"}}, false);
    ASSERT_EQ(d.SatelliteList()->count(), 2);
    EXPECT_EQ(d.SatelliteList()->item(0)->text(), QStringLiteral("ISS (ZARYA)  (25544)"));
    EXPECT_FALSE(d.CloseToTray()->isEnabled());
    d.SatelliteList()->item(0)->setCheckState(Qt::Unchecked);
    d.SatelliteList()->item(1)->setCheckState(Qt::Checked);
    const PassAlertSettings r = d.Result();
    EXPECT_EQ(r.satellites, (std::set<std::int32_t>{33591, 99999}));
    EXPECT_TRUE(r.closeToTray);  // kept for a desktop that has a tray
}
