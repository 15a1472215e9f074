// The host monitor in the main window: tiles for the saved hosts, the layout making room
// for them, the Hosts... command, and the list saved at close.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "app/ui/main_window.h"
#include "app/ui/satellite_settings_dialog.h"
#include "catalogue/ui/pass_list_model.h"
#include "hostmon/host_monitor.h"
#include "hostmon/ui/host_monitor_panel.h"
#include "hostmon/ui/host_settings_dialog.h"
#include "hostmon/ui/host_tile.h"
#include "tests/app/ui/ui_test_support.h"
#include "tests/support/qt_wait.h"

namespace orvanta::testing {
namespace {

class MainWindowHosts : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        hosts_.hooks.ping = [this](const std::string&, const std::atomic<bool>*) {
            ++pings_;
            PingOutcome o;
            o.code = PING_SUCCESS;
            o.address = {127, 0, 0, 1};
            o.rttMs = 4;
            return o;
        };
        hosts_.hooks.reverseLookup = [](const Ipv4Address&) { return std::string("localhost"); };
    }
    MainWindow& StartWithHosts() {
        window_.reset();
        MainWindowEnvironment env = Environment();
        env.hostMonitor = &hosts_;
        window_ = std::make_unique<MainWindow>(env);
        window_->show();
        QApplication::processEvents();
        return *window_;
    }
    void SaveHosts(const std::vector<std::string>& tags) {
        std::vector<HostRecord> list;
        for (const auto& t : tags) {
            HostRecord h;
            h.tag = t;
            h.address = "127.0.0.1";
            list.push_back(h);
        }
        CRegistry reg;
        ASSERT_TRUE(SaveHostList(reg, list));
    }

    HostMonitorEnvironment hosts_;
    std::atomic<int> pings_{0};
};

TEST_F(MainWindowHosts, SavedHostsGetTilesAboveThePassList) {
    SaveHosts({"gw", "dns"});
    MainWindow& w = StartWithHosts();
    ASSERT_NE(w.Hosts(), nullptr);
    ASSERT_EQ(w.Hosts()->Tiles().size(), 2u);
    EXPECT_EQ(w.Hosts()->Tiles()[1]->geometry(), QRect(110, 10, 50, 60));
    EXPECT_EQ(w.PassList()->geometry().top(), 100);
    EXPECT_TRUE(Logged("Starting to monitor host gw (127.0.0.1)", LOG_INFORMATION));
    ASSERT_TRUE(orvanta::testing::WaitFor(
        [&] { return w.Hosts()->Monitor().Snapshot(1).successes >= 1; }, 30000));

    Close();
    CRegistry reg;
    const auto stored = LoadHostList(reg);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_GE(stored[1].successes, 1) << "the statistics survive the restart";
    EXPECT_GE(stored[1].cycles, 1);
}

TEST_F(MainWindowHosts, AnEmptyListLeavesTheLayoutAndOffersTheDialogFromTheMenu) {
    MainWindow& w = StartWithHosts();
    EXPECT_TRUE(w.Hosts()->Tiles().empty());
    EXPECT_EQ(w.PassList()->geometry().top(), 0);
    QAction* hostsAction = nullptr;
    for (QAction* a : w.findChildren<QAction*>())
        if (a->text() == "&Hosts...") hostsAction = a;
    ASSERT_NE(hostsAction, nullptr);
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<HostSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->address->setText("127.0.0.1");
        d->tag->setText("loop");
        d->AddOrUpdate();
        d->accept();
    });
    hostsAction->trigger();
    ASSERT_EQ(w.Hosts()->Tiles().size(), 1u);
    QApplication::processEvents();
    EXPECT_EQ(w.PassList()->geometry().top(), 100);
}

}  // namespace
}  // namespace orvanta::testing
