// The main window's system services: the silent update check at start, the menu entries
// "S&ystem..." and "Check for &updates...", and the restart at the end of the close.
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>

#include "location/ui/system_settings_dialog.h"
#include "maintenance/ui/update_checker.h"
#include "tests/location/ui/fake_system_clock.h"
#include "tests/support/http_test_server.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class MainWindowSystemTest : public MainWindowTest {
protected:
    void StartWith(MainWindowEnvironment env) {
        window_ = std::make_unique<MainWindow>(std::move(env));
        window_->show();
        QApplication::processEvents();
    }
    void WriteText(const std::string& name, const std::string& value) {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteString(name, value);
    }
    QAction* MenuAction(const QString& text) {
        for (QAction* a : window_->menuBar()->findChildren<QAction*>())
            if (a->text() == text) return a;
        return nullptr;
    }
    bool WaitForUpdateCheck() {
        UpdateChecker* u = window_->Updates();
        if (!u) return false;
        if (!u->Running()) return true;
        QSignalSpy done(u, &UpdateChecker::finished);
        return done.wait(20000);
    }

    HttpTestServer server;
};

}  // namespace

TEST_F(MainWindowSystemTest, SilentCheckAtStartOnlyWhenSwitchedOn) {
    server.Set("/version32.txt", {200, "1.1.14\r\nhttps://example.org/o.gz\r\n"});
    WriteText("Update URL", server.Url());
    MainWindowEnvironment env = Environment();
    env.startNetworkChecks = true;
    // The periodic synchronisation starts too; it would set this stand-in, never the machine.
    env.systemClock = std::make_shared<FakeSystemClock>(1765200000000000);
    StartWith(env);
    ASSERT_TRUE(WaitForUpdateCheck());
    // The edition named is this build's.
    EXPECT_TRUE(Logged(sizeof(void*) == 4
                           ? "You're running Orvanta 1.1.14 (32-bit). You're up to date."
                           : "You're running Orvanta 1.1.14 (64-bit). You're up to date.",
                       3));
    EXPECT_TRUE(window_->ClockSync() != nullptr);
    Close();

    WriteDword("Check for updates", 0);
    StartWith(env);
    QApplication::processEvents();
    EXPECT_FALSE(window_->Updates()->Running());
    EXPECT_EQ(server.Requested().size(), 1u);
}

TEST_F(MainWindowSystemTest, HelpMenuChecksForUpdatesAndSystemMenuOpensTheDialog) {
    server.Set("/version32.txt", {200, "1.1.14\n"});
    WriteText("Update URL", server.Url());
    Start();
    QAction* check = MenuAction("Check for &updates...");
    ASSERT_NE(check, nullptr);
    check->trigger();
    ASSERT_TRUE(WaitForUpdateCheck());
    ASSERT_EQ(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].caption, "Orvanta Update");
    EXPECT_EQ(prompt_.asked[0].text,
              sizeof(void*) == 4 ? "You're running Orvanta 1.1.14 (32-bit). You're up to date."
                                 : "You're running Orvanta 1.1.14 (64-bit). You're up to date.");

    QAction* system = MenuAction("S&ystem...");
    ASSERT_NE(system, nullptr);
    QString opened;
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<SystemSettingsDialog*>(QApplication::activeModalWidget())) {
            opened = d->windowTitle();
            d->reject();
        }
    });
    system->trigger();
    EXPECT_EQ(opened, "System Settings");
}

TEST_F(MainWindowSystemTest, RestartsTheProgramAfterAnUpdateAtTheEndOfTheClose) {
    MainWindowEnvironment env = Environment();
    QString started;
    QStringList arguments;
    env.startProgram = [&](const QString& path, const QStringList& args) {
        // By now everything is saved for the new program.
        CRegistry reg;
        EXPECT_TRUE(reg.OpenSettings() && reg.ValueSize("MainWindow") > 0);
        started = path;
        arguments = args;
        return true;
    };
    StartWith(env);
    Close();
    EXPECT_TRUE(started.isEmpty()) << "no update, no restart";

    StartWith(env);
    RequestRestart(true);
    Close();
    EXPECT_EQ(started, QCoreApplication::applicationFilePath());
    EXPECT_EQ(arguments, QCoreApplication::arguments().mid(1));
    EXPECT_FALSE(RestartRequested());
}
