// "System Settings": what it shows on opening, what OK stores (and Cancel does not), and
// "Synchronize now..." with the clock injected.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>

#include "common/event_log.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "fake_system_clock.h"
#include "location/clock_sync.h"
#include "location/ui/system_settings_dialog.h"
#include "platform/settings_store.h"
#include "tests/support/dialog_probe.h"
#include "tests/support/sntp_responder.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class SystemSettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsStore(platform::MakeMemorySettingsStore());
        options.clock = clock;
        options.serverTimeoutMs = 3000;
        settings.timeSync = TIME_SYNC_GPS;
        settings.desktopBackground = 1;
        settings.skyviewScreenshot = 1;
        settings.earthviewScreenshot = 0;
        settings.skyviewUpdate = 7;
        settings.earthviewUpdate = 45;
        settings.skyviewScreenshotFilename = "/tmp/sky.png";
        settings.skyviewScreenshotCommand = "upload /tmp/sky.png";
        settings.earthviewScreenshotFilename = "/tmp/earth.jpg";
        settings.earthviewScreenshotCommand = "";
    }
    void TearDown() override { SetSettingsStore(nullptr); }

    bool Stored(const char* name) {
        CRegistry reg;
        return reg.OpenSettings() && reg.ValueSize(name) > 0;
    }

    Settings settings;
    ScriptedPrompt prompt;
    std::shared_ptr<FakeSystemClock> clock =
        std::make_shared<FakeSystemClock>(UnixMicrosFromFields({2026, 12, 8, 14, 0, 0, 0}));
    SystemSettingsOptions options;
};

}  // namespace

TEST_F(SystemSettingsDialogTest, OpensWithTheStoredValuesAndEveryControl) {
    SystemSettingsDialog d(nullptr, settings, prompt, options);
    EXPECT_EQ(d.windowTitle(), "System Settings");
    EXPECT_TRUE(Child<QRadioButton>(d, "gpsRadio")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(d, "internetRadio")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(d, "skyviewDesktopRadio")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(d, "skyviewShotCheck")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d, "earthviewShotCheck")->isChecked());
    EXPECT_EQ(Child<QSlider>(d, "skyviewUpdateSlider")->value(), 7);
    EXPECT_EQ(Child<QSlider>(d, "earthviewUpdateSlider")->value(), 45);
    EXPECT_EQ(Child<QSlider>(d, "skyviewUpdateSlider")->minimum(), 1);
    EXPECT_EQ(Child<QSlider>(d, "earthviewUpdateSlider")->maximum(), 60);
    EXPECT_EQ(Child<QLineEdit>(d, "skyviewFileEdit")->text(), "/tmp/sky.png");
    EXPECT_EQ(Child<QLineEdit>(d, "skyviewCommandEdit")->text(), "upload /tmp/sky.png");
    EXPECT_EQ(Child<QLineEdit>(d, "earthviewFileEdit")->text(), "/tmp/earth.jpg");
    EXPECT_EQ(Child<QLineEdit>(d, "earthviewFileEdit")->maxLength(), 259);
    EXPECT_EQ(Child<QLineEdit>(d, "earthviewCommandEdit")->maxLength(), 1023);
    // Sorted labels, nothing chosen yet.
    QComboBox* servers = Child<QComboBox>(d, "serverCombo");
    EXPECT_EQ(ComboItems(servers), QStringList({"Australia (Melbourne)", "Germany 1 (Uni Erlangen)",
                                           "Switzerland (ETH Zurich)"}));
    EXPECT_EQ(servers->currentIndex(), -1);
    EXPECT_EQ(Child<QPushButton>(d, "syncButton")->text(), "&Synchronize now...");

    const QStringList texts = ShownTexts(d);
    for (const char* t :
         {"Use the Internet", "Use GPS", "Don't synchronize", "Time server to use:",
          "Serial port for GPS:",
          "The program will attempt to set your computer clock every 3 hours. Check the Event "
          "Log in the main window for information on clock updates.",
          "No desktop image", "Set Skyview as desktop background image",
          "Set Earthview as desktop background image", "Skyview screen shot",
          "Earthview screen shot", "Update every (mins):", "Save to filename:",
          "and then run the following command:", "OK", "Cancel"})
        EXPECT_TRUE(texts.contains(t)) << t;

    ExpectHelpOnF1(d, 50);

    SaveScreenshotIfAsked(d, "system-settings.png");
}

TEST_F(SystemSettingsDialogTest, OkStoresEveryValueAndTheChosenServer) {
    settings.timeServer = "ntp0.fau.de";
    SystemSettingsDialog d(nullptr, settings, prompt, options);
    EXPECT_EQ(Child<QComboBox>(d, "serverCombo")->currentText(), "Germany 1 (Uni Erlangen)");

    Child<QRadioButton>(d, "internetRadio")->click();
    EXPECT_EQ(settings.timeSync, TIME_SYNC_INTERNET) << "a click chooses the source at once";
    QComboBox* servers = Child<QComboBox>(d, "serverCombo");
    const int zurich = servers->findText("Switzerland (ETH Zurich)");
    servers->setCurrentIndex(zurich);
    emit servers->activated(zurich);
    Child<QRadioButton>(d, "earthviewDesktopRadio")->setChecked(true);
    Child<QCheckBox>(d, "skyviewShotCheck")->setChecked(false);
    Child<QCheckBox>(d, "earthviewShotCheck")->setChecked(true);
    Child<QSlider>(d, "skyviewUpdateSlider")->setValue(60);
    Child<QSlider>(d, "earthviewUpdateSlider")->setValue(1);
    Child<QLineEdit>(d, "earthviewCommandEdit")->setText("scp /tmp/earth.jpg host:");
    QSignalSpy saved(&d, &SystemSettingsDialog::settingsSaved);
    d.accept();
    EXPECT_EQ(saved.count(), 1);

    const Settings stored = ReadAllSettings();
    EXPECT_EQ(stored.timeSync, TIME_SYNC_INTERNET);
    EXPECT_EQ(stored.timeServer, "swisstime.ethz.ch");
    EXPECT_EQ(stored.desktopBackground, 2);
    EXPECT_EQ(stored.skyviewScreenshot, 0);
    EXPECT_EQ(stored.earthviewScreenshot, 1);
    EXPECT_EQ(stored.skyviewUpdate, 60);
    EXPECT_EQ(stored.earthviewUpdate, 1);
    EXPECT_EQ(stored.skyviewScreenshotFilename, "/tmp/sky.png");
    EXPECT_EQ(stored.skyviewScreenshotCommand, "upload /tmp/sky.png");
    EXPECT_EQ(stored.earthviewScreenshotCommand, "scp /tmp/earth.jpg host:");
    EXPECT_EQ(settings.earthviewScreenshotCommand, "scp /tmp/earth.jpg host:");
    EXPECT_FALSE(Stored("GPS Com Port")) << "the User Settings dialog stores the port";
}

TEST_F(SystemSettingsDialogTest, CancelStoresNothingButKeepsTheClickedSource) {
    settings.timeServer = "192.0.2.7:1123";  // typed into the settings by hand
    SystemSettingsDialog d(nullptr, settings, prompt, options);
    EXPECT_EQ(Child<QComboBox>(d, "serverCombo")->currentText(), "192.0.2.7:1123");
    Child<QRadioButton>(d, "noSyncRadio")->click();
    Child<QSlider>(d, "skyviewUpdateSlider")->setValue(30);
    d.reject();
    EXPECT_EQ(settings.timeSync, TIME_SYNC_NONE);
    EXPECT_EQ(settings.skyviewUpdate, 7);
    EXPECT_FALSE(Stored("Time Sync"));
    EXPECT_FALSE(Stored("Skyview Update"));
}

TEST_F(SystemSettingsDialogTest, ValuesNoRadioStandsForAreKept) {
    settings.timeSync = 2;
    settings.desktopBackground = 5;
    SystemSettingsDialog d(nullptr, settings, prompt, options);
    for (const char* r : {"internetRadio", "gpsRadio", "noSyncRadio", "noDesktopRadio",
                          "skyviewDesktopRadio", "earthviewDesktopRadio"})
        EXPECT_FALSE(Child<QRadioButton>(d, r)->isChecked()) << r;
    d.accept();
    EXPECT_EQ(settings.timeSync, TIME_SYNC_NONE);
    EXPECT_EQ(settings.desktopBackground, 5) << "no wallpaper the user never chose";
}

TEST_F(SystemSettingsDialogTest, SynchronizeNowUsesTheChosenSource) {
    SntpResponder server([](const SntpPacket& request) -> std::optional<SntpPacket> {
        const std::uint64_t t = PacketTimestamp(request, 40) + (3ULL << 32);  // 3 s ahead
        return ServerAnswer(request, t, t);
    });
    settings.timeSync = TIME_SYNC_NONE;
    settings.timeServer = "127.0.0.1:" + std::to_string(server.Port());
    SystemSettingsDialog d(nullptr, settings, prompt, options);
    QPushButton* sync = Child<QPushButton>(d, "syncButton");
    sync->click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "No time sync mode has been selected!");
    EXPECT_EQ(prompt.asked[0].caption, "Error");
    EXPECT_TRUE(clock->sets.empty());

    EventRecorder log;
    const std::int64_t before = clock->utc;
    Child<QRadioButton>(d, "internetRadio")->click();
    sync->click();
    EXPECT_EQ(prompt.asked.size(), 1u) << "success is told through the event log";
    ASSERT_EQ(clock->sets.size(), 1u);
    EXPECT_EQ(clock->sets[0], before + 3'000'000);
    EXPECT_TRUE(log.Contains("System time has been adjusted by 3.00 seconds", LOG_SUCCESS));
    EXPECT_FALSE(d.Synchronizing());
}

TEST_F(SystemSettingsDialogTest, OpensBelowTheMainWindowsTopLeftCorner) {
    QMainWindow owner;
    owner.setGeometry(120, 90, 800, 600);
    owner.show();
    SystemSettingsDialog d(&owner, settings, prompt, options);
    EXPECT_EQ(d.pos().x(), owner.frameGeometry().left());
    EXPECT_EQ(d.pos().y(), owner.frameGeometry().top() + 150);
}

TEST_F(SystemSettingsDialogTest, UpdateSlidersShowTheirMinutesWhileDragged) {
    SystemSettingsDialog d(nullptr, settings, prompt, options);
    auto* sky = Child<QSlider>(d, "skyviewUpdateSlider");
    auto* skyValue = Child<QLabel>(d, "skyviewUpdateValue");
    EXPECT_EQ(skyValue->text(), "7 min");
    EXPECT_EQ(Child<QLabel>(d, "earthviewUpdateValue")->text(), "45 min");
    // A drag moves the thumb before the value follows (it never does without tracking).
    sky->setTracking(false);
    sky->setSliderDown(true);
    sky->setSliderPosition(30);
    EXPECT_EQ(skyValue->text(), "30 min");
    sky->setSliderDown(false);
    sky->setTracking(true);
    sky->setValue(1);
    EXPECT_EQ(skyValue->text(), "1 min");
}
