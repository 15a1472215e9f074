// The GPS reading end to end: a thread plays the receiver on the master side of a
// pseudo-terminal at about 9600 baud while the dialog reads the slave side.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "common/prompt.h"
#include "common/registry.h"
#include "location/ui/gps_receiver.h"
#include "location/ui/user_settings_dialog.h"
#include "platform/pty.h"
#include "platform/settings_store.h"
#include "tests/support/fake_gps_receiver.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

const std::string kRmc = Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
const std::string kGsv = Nmea("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00");
const std::string kGood =
    Nmea("GPGGA,123519.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,");

class GpsPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty.Ok()) GTEST_SKIP() << kNoPty;
        SetSettingsStore(platform::MakeMemorySettingsStore());
        settings.gpsComPort = pty.SlavePath();
        settings.observer = {46, 47.376887, 8.541694};
        options.timeZoneName = [] { return std::pair<std::string, bool>("UTC", true); };
        options.cityListData = std::string();  // the city list plays no part here
        // Long enough for a receiver thread starved on a loaded machine; a reading ends as
        // soon as its sentence is in, so the tests that get one never wait this long.
        options.gpsTimeoutMs = 60000;
    }
    void TearDown() override { SetSettingsStore(nullptr); }

    QString Field(UserSettingsDialog& d, const char* name) {
        return d.findChild<QLineEdit*>(QLatin1String(name))->text();
    }
    void PressGps(UserSettingsDialog& d) {
        d.findChild<QPushButton*>(QStringLiteral("gpsButton"))->click();
    }

    platform::PseudoTerminal pty;
    Settings settings;
    ScriptedPrompt prompt;
    UserSettingsOptions options;
};

}  // namespace

TEST_F(GpsPtyTest, GpsButtonFillsTheFieldsAndOkStoresThem) {
    FakeGpsReceiver gps(pty, kGsv + kRmc + kGood);
    UserSettingsDialog d(nullptr, settings, prompt, options);
    PressGps(d);

    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Information");
    EXPECT_EQ(prompt.asked[0].text, kPositionUpdated);
    EXPECT_EQ(Field(d, "latitudeEdit"), "48.117300");
    EXPECT_EQ(Field(d, "longitudeEdit"), "11.516667");
    EXPECT_EQ(Field(d, "altitudeEdit"), "545");
    EXPECT_FALSE(pty.SlaveOpen()) << "the port must be closed after the reading";
    EXPECT_EQ(settings.observer.altitudeMetres, 46) << "only OK changes the location";

    QSignalSpy moved(&d, &UserSettingsDialog::locationChanged);
    d.accept();
    EXPECT_EQ(moved.count(), 1);
    EXPECT_NEAR(settings.observer.latitude, 48.1173, 1e-6);
    EXPECT_NEAR(settings.observer.longitude, 11.516667, 1e-6);
    EXPECT_EQ(settings.observer.altitudeMetres, 545);
}

TEST_F(GpsPtyTest, DamagedAndShortFieldSentencesFromAMultiConstellationReceiver) {
    std::string damaged = Nmea("GNGGA,101010,3352.128,S,15112.500,E,1,9,0.8,58.0,M,,M,,");
    damaged[20] = '7';  // checksum no longer matches
    FakeGpsReceiver gps(
        pty, damaged + kGsv + Nmea("GNGGA,101011,3351.128,S,15112.5,E,1,9,0.8,58.9,M,,M,,"));
    UserSettingsDialog d(nullptr, settings, prompt, options);
    PressGps(d);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, kPositionUpdated);
    EXPECT_EQ(Field(d, "latitudeEdit"), "-33.852133");
    EXPECT_EQ(Field(d, "longitudeEdit"), "151.208333");
    EXPECT_EQ(Field(d, "altitudeEdit"), "58");
}

TEST_F(GpsPtyTest, HdopAboveThreeAsksAndNoKeepsTheFields) {
    FakeGpsReceiver gps(pty,
                     Nmea("GPGGA,123519.000,4807.0380,N,01131.0000,E,1,04,3.01,545.4,M,46.9,M,,"));
    UserSettingsDialog d(nullptr, settings, prompt, options);
    prompt.answers = {PromptAnswer::No};
    PressGps(d);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Warning");
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_NE(prompt.asked[0].text.find("(HDOP) of 3.0. Values of 3.0 or smaller"),
              std::string::npos);
    EXPECT_EQ(Field(d, "latitudeEdit"), "47.376887");

    prompt.answers = {PromptAnswer::Yes};
    PressGps(d);
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[2].text, kPositionUpdated);
    EXPECT_EQ(Field(d, "latitudeEdit"), "48.117300");
}

TEST_F(GpsPtyTest, NoFixIsReportedAndChangesNothing) {
    FakeGpsReceiver gps(pty, kRmc + Nmea("GPGGA,002153.000,,,,,0,00,,,M,,M,,"));
    UserSettingsDialog d(nullptr, settings, prompt, options);
    PressGps(d);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Error");
    EXPECT_EQ(prompt.asked[0].text, kInvalidFix);
    EXPECT_EQ(Field(d, "latitudeEdit"), "47.376887");
}

TEST_F(GpsPtyTest, SilenceTimesOutWhileTheWindowStaysResponsive) {
    options.gpsTimeoutMs = 2000;
    UserSettingsDialog d(nullptr, settings, prompt, options);
    d.show();
    bool timerRan = false, refusedToClose = false;
    // Runs inside the reading: the event loop keeps going and the dialog refuses to close.
    QTimer::singleShot(0, &d, [&] {
        timerRan = true;
        d.reject();
        refusedToClose = d.isVisible() && d.ReadingGps();
    });
    QElapsedTimer clock;
    clock.start();
    PressGps(d);
    EXPECT_GE(clock.elapsed(), 1800);
    EXPECT_LT(clock.elapsed(), 60000);  // ends by its time-out, however loaded the machine
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(refusedToClose);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Error");
    EXPECT_EQ(prompt.asked[0].text,
              "No GPS data received on " + pty.SlavePath() + " within 2 seconds.");
    EXPECT_FALSE(pty.SlaveOpen());
    EXPECT_FALSE(d.ReadingGps());
}

TEST_F(GpsPtyTest, CancelEndsTheWaitSilently) {
    UserSettingsDialog d(nullptr, settings, prompt, options);
    d.show();
    // Presses Cancel as soon as the waiting window shows, whenever that is.
    bool sawWindow = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &d, [&] {
        auto* wait = d.findChild<QDialog*>(QStringLiteral("gpsWaitDialog"));
        if (!wait || !wait->isVisible()) return;
        sawWindow = true;
        watch.stop();
        wait->reject();
    });
    watch.start(20);
    QElapsedTimer clock;
    clock.start();
    PressGps(d);
    EXPECT_TRUE(sawWindow);
    // Ended by Cancel, not by the minute-long time-out, which would have said so.
    EXPECT_LT(clock.elapsed(), 50000);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_FALSE(pty.SlaveOpen());
}

TEST_F(GpsPtyTest, PortThatCannotBeOpenedIsNamed) {
    settings.gpsComPort = "/dev/orvanta-no-such-port";
    UserSettingsDialog d(nullptr, settings, prompt, options);
    PressGps(d);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Error");
    EXPECT_EQ(prompt.asked[0].text, "Unable to open /dev/orvanta-no-such-port!");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Error);
}

TEST_F(GpsPtyTest, LegacyComOneReadsTheFirstRealPortAndTheMessagesNameIt) {
    struct RestorePorts {
        ~RestorePorts() { SetSerialPortSource(nullptr); }
    } restore;
    ObserverLocation loc;
    GpsReadingOptions gps;
    gps.capture.timeoutMs = 300;
    SetSerialPortSource([] { return std::vector<SerialPortEntry>{}; });
    EXPECT_FALSE(ReadGpsPosition("COM1", prompt, loc, gps));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, kNoSerialPort);

    prompt.asked.clear();
    const QString path = QString::fromStdString(pty.SlavePath());
    SetSerialPortSource([path] { return std::vector<SerialPortEntry>{{"ttyUSB0", path}}; });
    EXPECT_FALSE(ReadGpsPosition("COM1", prompt, loc, gps));  // a silent receiver
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "No GPS data received on " + pty.SlavePath() + " within 1 seconds.");
}
