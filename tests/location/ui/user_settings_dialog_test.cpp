#include <gtest/gtest.h>
#include <zlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "common/event_log.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "common/ui/hyperlink_label.h"
#include "location/rise_set_recompute.h"
#include "location/ui/gps_receiver.h"
#include "location/ui/user_settings_dialog.h"
#include "location/units.h"
#include "location/user_location.h"
#include "platform/settings_store.h"
#include "tests/platform/scoped_env.h"
#include "tests/support/dialog_probe.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

std::string Gzip(const std::string& text) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(compressBound(static_cast<uLong>(text.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The 24-byte observer record as the registry keeps it, built independently of the code.
std::array<std::uint8_t, 24> ObsBytes(std::int32_t alt, double lat, double lon) {
    std::array<std::uint8_t, 24> b{};
    auto put = [&](std::size_t at, std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, static_cast<std::uint32_t>(alt), 4);
    put(8, std::bit_cast<std::uint64_t>(lat), 8);
    put(16, std::bit_cast<std::uint64_t>(lon), 8);
    return b;
}

std::optional<std::array<std::uint8_t, 24>> StoredObs() {
    CRegistry reg;
    std::array<std::uint8_t, 24> rec{};
    if (!reg.OpenSettings() || !reg.ReadRecord24("Obs", rec)) return std::nullopt;
    return rec;
}

class UserSettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsStore(platform::MakeMemorySettingsStore());
        TakeRiseSetRecompute();  // a flag left by an earlier test
        options.timeZoneName = [] {
            return std::pair<std::string, bool>("W. Europe Standard Time", true);
        };
        options.openUrl = [this](const QUrl& u) { opened.push_back(u); };
        settings.observer = {46, 47.376887, 8.541694};
        settings.spaceTrackUsername = "observer";
        settings.spaceTrackPassword = "secret";
    }
    void TearDown() override { SetSettingsStore(nullptr); }

    int CityIndex(UserSettingsDialog& d, const QString& line) {
        return Child<QComboBox>(d, "cityCombo")->findText(line);
    }

    Settings settings;
    ScriptedPrompt prompt;
    UserSettingsOptions options;
    std::vector<QUrl> opened;
};

}  // namespace

TEST_F(UserSettingsDialogTest, OpensWithTheStoredValuesAndEveryControl) {
    settings.displayUtc = 0;
    settings.use24hTime = 1;
    settings.metric = 2;
    UserSettingsDialog d(nullptr, settings, prompt, options);

    EXPECT_EQ(d.windowTitle(), "User Settings");
    EXPECT_EQ(Child<QRadioButton>(d, "localTimeRadio")->text(), "W. Europe Standard Time (WEST)");
    EXPECT_TRUE(Child<QRadioButton>(d, "localTimeRadio")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(d, "utcRadio")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(d, "use24hCheck")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(d, "statuteRadio")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(d, "latitudeEdit")->text(), "47.376887");
    EXPECT_EQ(Child<QLineEdit>(d, "longitudeEdit")->text(), "8.541694");
    EXPECT_EQ(Child<QLineEdit>(d, "altitudeEdit")->text(), "46");
    EXPECT_EQ(Child<QLineEdit>(d, "loginEdit")->text(), "observer");
    EXPECT_EQ(Child<QLineEdit>(d, "passwordEdit")->text(), "secret");
    EXPECT_EQ(Child<QLineEdit>(d, "passwordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Child<QPushButton>(d, "gpsButton")->text(), "Use &GPS");
    EXPECT_EQ(Child<QComboBox>(d, "cityCombo")->currentIndex(), -1);
    EXPECT_GE(d.CityCount(), 2100);

    const QStringList texts = ShownTexts(d);
    for (const char* t :
         {"Lat (N=+ S=-)", "Lon (W=- E=+)", "Altitude (m)",
          "Or, select your city from here:", "SI / Metric", "US / Statute", "Nautical",
          "Registration is free. Click here to register.", "Login", "Password", "UTC",
          "Always display satellite pass times in 24h time format", "OK", "Cancel"})
        EXPECT_TRUE(texts.contains(t)) << t;

    // The link opens the registration page; F1 asks for the dialog's help page.
    QTest::mouseClick(Child<HyperlinkLabel>(d, "registrationLink"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString().toStdString(), kSpaceTrackRegistrationUrl);
    ExpectHelpOnF1(d, 120);

    SaveScreenshotIfAsked(d, "user-settings.png");
}

TEST_F(UserSettingsDialogTest, PortListIsInNaturalOrderWithTheSettingSelected) {
    QComboBox list;
    EnumerateSerialPorts(&list, "COM1");
    if (list.count() == 0) GTEST_SKIP() << "this machine has no serial ports";
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names << list.itemText(i);
    int s2 = names.indexOf("ttyS2"), s10 = names.indexOf("ttyS10");
    if (s2 >= 0 && s10 >= 0) {
        EXPECT_LT(s2, s10);
    }
    // The legacy default stands for the first real port.
    EXPECT_EQ(list.currentIndex(), 0);
}

TEST_F(UserSettingsDialogTest, PortListSelectsOnlyThePortTheSettingNames) {
    const std::vector<SerialPortEntry> ports = {{"ttyS10", "/dev/ttyS10"},
                                                {"ttyUSB0", "/dev/ttyUSB0"},
                                                {"ttyS2", "/dev/ttyS2"}};
    QComboBox named;
    FillSerialPortList(&named, ports, "COM3");
    ASSERT_EQ(named.count(), 3);
    EXPECT_EQ(named.itemText(0), "ttyS2");
    EXPECT_EQ(named.itemText(1), "ttyS10");
    EXPECT_EQ(named.currentText(), "ttyS2");
    QComboBox byPath;
    FillSerialPortList(&byPath, ports, "/dev/ttyUSB0");
    EXPECT_EQ(byPath.currentText(), "ttyUSB0");
#ifndef _WIN32
    QComboBox legacy;
    FillSerialPortList(&legacy, {{"ttyUSB0", "/dev/ttyUSB0"}, {"ttyACM1", "/dev/ttyACM1"}}, "COM1");
    EXPECT_EQ(legacy.currentText(), "ttyACM1");
#endif
    // A port that is not (or no longer) there: nothing looks chosen.
    for (const char* setting : {"COM9", "/dev/pts/7", ""}) {
        QComboBox none;
        FillSerialPortList(&none, ports, setting);
        EXPECT_EQ(none.count(), 3);
        EXPECT_EQ(none.currentIndex(), -1) << setting;
    }
}

TEST_F(UserSettingsDialogTest, UnknownZoneAndOddUnitValueCheckNothingWrong) {
    options.timeZoneName = [] { return std::pair<std::string, bool>("", false); };
    settings.metric = 7;
    settings.displayUtc = 1;
    UserSettingsDialog d(nullptr, settings, prompt, options);
    EXPECT_EQ(Child<QRadioButton>(d, "localTimeRadio")->text(), " (Unknown Timezone Name)");
    EXPECT_TRUE(Child<QRadioButton>(d, "utcRadio")->isChecked());
    for (const char* r : {"metricRadio", "statuteRadio", "nauticalRadio"})
        EXPECT_FALSE(Child<QRadioButton>(d, r)->isChecked()) << r;
    ClickButton(d, "OK");
    EXPECT_EQ(settings.metric, 3);  // nothing checked counts as nautical
    EXPECT_EQ(settings.displayUtc, 1);
}

TEST_F(UserSettingsDialogTest, CityYesFillsTheFieldsAndOkStoresTheRecordByteForByte) {
    options.cityListData = Gzip(
        "Zurich, Switzerland, 8.55, 47.3667, 408\n"
        "London, England, -.1167, 51.5, 20\n"
        "Aalborg, Denmark, 9.85, 57.097, 3\n");
    UserSettingsDialog d(nullptr, settings, prompt, options);
    ASSERT_EQ(d.CityCount(), 3);
    auto* cities = Child<QComboBox>(d, "cityCombo");
    EXPECT_EQ(cities->itemText(0), "Aalborg, Denmark, 9.85, 57.097, 3");  // kept sorted

    prompt.answers = {PromptAnswer::Yes};
    int london = CityIndex(d, "London, England, -.1167, 51.5, 20");
    ASSERT_GE(london, 0);
    emit cities->activated(london);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Question");
    EXPECT_EQ(prompt.asked[0].text, kReplaceLocationQuestion);
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(Child<QLineEdit>(d, "longitudeEdit")->text(), " -.1167");
    EXPECT_EQ(Child<QLineEdit>(d, "latitudeEdit")->text(), " 51.5");
    EXPECT_EQ(Child<QLineEdit>(d, "altitudeEdit")->text(), " 20");
    EXPECT_FALSE(StoredObs()) << "nothing is stored before OK";

    QSignalSpy saved(&d, &UserSettingsDialog::settingsSaved);
    QSignalSpy moved(&d, &UserSettingsDialog::locationChanged);
    ClickButton(d, "OK");
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_TRUE(TakeRiseSetRecompute())
        << "the Sky view must recompute rise and set for the new place";
    EXPECT_FALSE(TakeRiseSetRecompute()) << "taking the flag clears it";
    auto rec = StoredObs();
    ASSERT_TRUE(rec);
    EXPECT_EQ(*rec, ObsBytes(20, 51.5, -0.1167));
    EXPECT_EQ(settings.observer.altitudeMetres, 20);
    EXPECT_DOUBLE_EQ(settings.observer.latitude, 51.5);
    EXPECT_DOUBLE_EQ(settings.observer.longitude, -0.1167);
}

TEST_F(UserSettingsDialogTest, CityNoLeavesTheEditsAndCancelStoresNothing) {
    UserSettingsDialog d(nullptr, settings, prompt, options);
    auto* cities = Child<QComboBox>(d, "cityCombo");
    int london = cities->findText("London, United Kingdom", Qt::MatchStartsWith);
    ASSERT_GE(london, 0);
    prompt.answers = {PromptAnswer::No};
    emit cities->activated(london);
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(Child<QLineEdit>(d, "latitudeEdit")->text(), "47.376887");
    EXPECT_EQ(Child<QLineEdit>(d, "altitudeEdit")->text(), "46");

    // Now Yes with the list's own London line, then Cancel: nothing reaches the store.
    const Settings before = settings;
    prompt.answers = {PromptAnswer::Yes};
    emit cities->activated(london);
    EXPECT_TRUE(Child<QLineEdit>(d, "latitudeEdit")->text().startsWith(" 51.5"));
    Child<QCheckBox>(d, "use24hCheck")->setChecked(true);
    Child<QLineEdit>(d, "loginEdit")->setText("someone-else");
    QSignalSpy saved(&d, &UserSettingsDialog::settingsSaved);
    ClickButton(d, "Cancel");
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_FALSE(TakeRiseSetRecompute());
    EXPECT_TRUE(settings == before);
    EXPECT_FALSE(StoredObs());
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadString("SpaceTrack Username", "<none>"), "<none>");
}

TEST_F(UserSettingsDialogTest, AnglesOffTheGlobeAreRefusedAndNothingIsStored) {
    UserSettingsDialog d(nullptr, settings, prompt, options);
    d.show();
    QSignalSpy saved(&d, &UserSettingsDialog::settingsSaved);
    auto* lat = Child<QLineEdit>(d, "latitudeEdit");
    auto* lon = Child<QLineEdit>(d, "longitudeEdit");
    Child<QRadioButton>(d, "utcRadio")->setChecked(true);
    struct Case {
        const char *lat, *lon, *message;
    };
    for (const Case& c : {Case{"1e300", "0", kLatitudeOutOfRange},
                          Case{"-90.5", "0", kLatitudeOutOfRange},
                          Case{"1e400", "0", kLatitudeOutOfRange},
                          Case{"inf", "0", kLatitudeOutOfRange},
                          Case{"45", "180.000001", kLongitudeOutOfRange},
                          Case{"45", "-1e9", kLongitudeOutOfRange}}) {
        prompt.asked.clear();
        lat->setText(c.lat);
        lon->setText(c.lon);
        ClickButton(d, "OK");
        ASSERT_EQ(prompt.asked.size(), 1u) << c.lat << " " << c.lon;
        EXPECT_EQ(prompt.asked[0].caption, "Error");
        EXPECT_EQ(prompt.asked[0].text, c.message);
        EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Error);
        EXPECT_TRUE(d.isVisible());
    }
    EXPECT_EQ(saved.count(), 0);
    EXPECT_FALSE(StoredObs());
    EXPECT_EQ(settings.displayUtc, 0) << "nothing of a refused OK is taken";
    EXPECT_NEAR(settings.observer.latitude, 47.376887, 1e-9);

    // The limits themselves, and a tiny number, are places.
    prompt.asked.clear();
    lat->setText("-90");
    lon->setText("1e-400");
    ClickButton(d, "OK");
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings.observer.latitude, -90.0);
    EXPECT_EQ(settings.observer.longitude, 0.0);
    ASSERT_TRUE(StoredObs());
}

TEST_F(UserSettingsDialogTest, TextThatIsNoNumberIsRefusedAndTheLocalesCommaIsTaken) {
    struct RestoreLocale {
        QLocale old;
        ~RestoreLocale() { QLocale::setDefault(old); }
    } restore;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    UserSettingsDialog d(nullptr, settings, prompt, options);
    d.show();
    auto* lat = Child<QLineEdit>(d, "latitudeEdit");
    auto* lon = Child<QLineEdit>(d, "longitudeEdit");
    auto* alt = Child<QLineEdit>(d, "altitudeEdit");
    struct Case {
        const char *lat, *lon, *alt, *message;
        QLineEdit* field;
    };
    for (const Case& c : {Case{"48.1", "abc", "46", kLongitudeNotANumber, lon},
                          Case{"", "11", "46", kLatitudeNotANumber, lat},
                          Case{"48.1", "11", "high", kAltitudeNotANumber, alt}}) {
        prompt.asked.clear();
        lat->setText(c.lat);
        lon->setText(c.lon);
        alt->setText(c.alt);
        ClickButton(d, "OK");
        ASSERT_EQ(prompt.asked.size(), 1u) << c.lon;
        EXPECT_EQ(prompt.asked[0].text, c.message);
        EXPECT_EQ(d.focusWidget(), c.field) << c.message;
        EXPECT_TRUE(d.isVisible());
    }
    EXPECT_FALSE(StoredObs());
    EXPECT_NEAR(settings.observer.longitude, 8.541694, 1e-9);

    prompt.asked.clear();
    lat->setText("48,1374");
    lon->setText("11.5");
    alt->setText("545,4");
    ClickButton(d, "OK");
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(*StoredObs(), ObsBytes(545, 48.1374, 11.5));
}

TEST_F(UserSettingsDialogTest, ZoneLabelNamesTheStateAtTheInstant) {
    if (!QFile::exists("/usr/share/zoneinfo/Europe/Berlin"))
        GTEST_SKIP() << "no zone database installed";
    options.timeZoneName = nullptr;
    options.now = [] { return std::int64_t{1765800000}; };  // 2025-12-15 12:00 UTC
    auto label = [&] {
        UserSettingsDialog d(nullptr, settings, prompt, options);
        return Child<QRadioButton>(d, "localTimeRadio")->text();
    };
    {
        orvanta::test::ScopedTz tz("Europe/Berlin");
        EXPECT_TRUE(label().endsWith(" (CET)")) << label().toStdString();
        options.now = [] { return std::int64_t{1751371200}; };  // 2025-07-01 12:00 UTC
        EXPECT_TRUE(label().endsWith(" (CEST)")) << label().toStdString();
    }
    orvanta::test::ScopedTz tz("UTC");
    EXPECT_TRUE(label().endsWith(" (UTC)")) << label().toStdString();
}

TEST_F(UserSettingsDialogTest, AccountFieldsShowOnlyForSourcesThatNeedThem) {
    UserSettingsDialog d(nullptr, settings, prompt, options);
    auto* source = Child<QComboBox>(d, "elementSourceCombo");
    auto* login = Child<QWidget>(d, "loginGroup");
    EXPECT_FALSE(login->isVisibleTo(&d)) << "CelesTrak needs no account";
    for (const char* name : {"Space-Track", "Legacy"}) {
        source->setCurrentIndex(source->findData(QLatin1String(name)));
        EXPECT_TRUE(login->isVisibleTo(&d)) << name;
    }
    source->setCurrentIndex(source->findData(QStringLiteral("CelesTrak")));
    EXPECT_FALSE(login->isVisibleTo(&d));
}

TEST_F(UserSettingsDialogTest, StatuteUnitsShowMilesAndEveryValueIsStored) {
    UserSettingsDialog d(nullptr, settings, prompt, options);
    Child<QRadioButton>(d, "statuteRadio")->setChecked(true);
    Child<QRadioButton>(d, "utcRadio")->setChecked(true);
    Child<QCheckBox>(d, "use24hCheck")->setChecked(true);
    Child<QLineEdit>(d, "loginEdit")->setText("new-user");
    Child<QLineEdit>(d, "passwordEdit")->setText("p@ss word");
    QSignalSpy moved(&d, &UserSettingsDialog::locationChanged);
    ClickButton(d, "OK");
    EXPECT_EQ(moved.count(), 0) << "an unchanged location needs no new pass search";

    EXPECT_EQ(settings.metric, 2);
    EXPECT_STREQ(DistanceUnitSuffix(settings.metric), "mi");
    EXPECT_NEAR(KilometresToDisplayUnit(384400.0, settings.metric), 238854.64, 0.01);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Metric", 0), 2);
    EXPECT_EQ(reg.ReadDword("DisplayUTC", 0), 1);
    EXPECT_EQ(reg.ReadDword("Use 24h Time", 0), 1);
    EXPECT_EQ(reg.ReadString("SpaceTrack Username", ""), "new-user");
    EXPECT_EQ(reg.ReadString("SpaceTrack Password", ""), "p@ss word");
    EXPECT_EQ(reg.ReadString("GPS Com Port", ""), "COM1");
    EXPECT_EQ(*StoredObs(), ObsBytes(46, 47.376887, 8.541694));
}

TEST_F(UserSettingsDialogTest, ElementSourceComboShowsAndStoresTheChoice) {
    settings.elementSource = "space-track";  // stored names compare without case
    UserSettingsDialog d(nullptr, settings, prompt, options);
    auto* source = Child<QComboBox>(d, "elementSourceCombo");
    EXPECT_EQ(source->currentData().toString(), "Space-Track");
    source->setCurrentIndex(source->findData(QStringLiteral("Legacy")));
    ClickButton(d, "OK");
    EXPECT_EQ(settings.elementSource, "Legacy");
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadString("Element Source", ""), "Legacy");
    // An unknown stored value shows the default, CelesTrak.
    settings.elementSource = "nasa";
    UserSettingsDialog again(nullptr, settings, prompt, options);
    EXPECT_EQ(Child<QComboBox>(again, "elementSourceCombo")->currentData().toString(),
              "CelesTrak");
}

TEST_F(UserSettingsDialogTest, PortChoiceTakesEffectAtOnce) {
    UserSettingsDialog d(nullptr, settings, prompt, options);
    auto* ports = Child<QComboBox>(d, "portCombo");
    ports->addItem("ttyUSB7");
    emit ports->activated(ports->count() - 1);
    EXPECT_EQ(settings.gpsComPort, "ttyUSB7");
}

TEST_F(UserSettingsDialogTest, DamagedCityListIsLoggedAndTheDialogStillOpens) {
    EventRecorder log;
    options.cityListData = std::string("not a gzip file");
    UserSettingsDialog d(nullptr, settings, prompt, options);
    EXPECT_EQ(d.CityCount(), 0);
    EXPECT_TRUE(
        log.Contains("Unable to load citylist! Error: problem while unzipping file", LOG_ERROR));
}

TEST_F(UserSettingsDialogTest, OpensBesideTheMainWindow) {
    QMainWindow owner;
    owner.setGeometry(120, 90, 800, 600);
    owner.show();
    UserSettingsDialog d(&owner, settings, prompt, options);
    EXPECT_EQ(d.pos().x(), owner.frameGeometry().left());
    EXPECT_EQ(d.pos().y(), owner.frameGeometry().top() + 150);
}

TEST_F(UserSettingsDialogTest, HelpWindowStaysUsableWhileTheDialogRuns) {
    QMainWindow owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    // Stands for the help window F1 opens: a top-level window of its own.
    QPushButton help(QStringLiteral("Contents"));
    help.setGeometry(750, 100, 120, 40);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    QSignalSpy helpClicks(&help, &QPushButton::clicked);
    QPushButton ownerButton(QStringLiteral("owner"), &owner);
    owner.setCentralWidget(&ownerButton);
    QSignalSpy ownerClicks(&ownerButton, &QPushButton::clicked);

    UserSettingsDialog d(&owner, settings, prompt, options);
    QTimer::singleShot(0, &d, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d, 60000));
        // Clicks as the window system delivers them, where modal blocking applies.
        QTest::mouseClick(help.windowHandle(), Qt::LeftButton, {}, QPoint(60, 20));
        QTest::mouseClick(ownerButton.window()->windowHandle(), Qt::LeftButton, {},
                          ownerButton.mapTo(&owner, ownerButton.rect().center()));
        d.reject();
    });
    d.exec();
    EXPECT_EQ(helpClicks.count(), 1) << "the help window was blocked by the dialog";
    EXPECT_EQ(ownerClicks.count(), 0) << "the main window must wait for the dialog";
}
