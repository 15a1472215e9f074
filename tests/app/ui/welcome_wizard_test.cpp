// The welcome assistant: offered only without settings, driven by keyboard to a pass list
// from a CelesTrak stand-in on 127.0.0.1, the offline finish, and Skip storing nothing.
#include <QCheckBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "../../catalogue/ui/stand_in_server.h"
#include "../../support/qt_wait.h"
#include "app/satellite_presets.h"
#include "app/ui/welcome_wizard.h"
#include "catalogue/pass_list_format.h"
#include "catalogue/pass_record.h"
#include "catalogue/pass_search.h"
#include "catalogue/ui/element_downloader.h"
#include "catalogue/ui/pass_list_model.h"
#include "platform/pty.h"
#include "tests/support/fake_gps_receiver.h"
#include "ui_test_support.h"

namespace orvanta::testing {
namespace {

class WelcomeTest : public MainWindowTest {
protected:
    // Past the age the pass list calls very inaccurate, so the download is offered.
    void SetUp() override {
        MainWindowTest::SetUp();
        utc_ = kStartJd + 7;
    }

    template <typename T>
    T* Child(WelcomeWizard* w, const char* name) {
        T* c = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    // Through the three pages as a user at the keyboard: a city, the preset groups, the
    // offered download; the screenshots are kept when ORVANTA_SCREENSHOT_DIR is set.
    void RunByKeyboard(WelcomeWizard* w) {
        const char* shots = std::getenv("ORVANTA_SCREENSHOT_DIR");
        auto shoot = [&](const char* name) {
            if (shots) w->grab().save(QString::fromUtf8(shots) + "/welcome-" + name + ".png");
        };
        ASSERT_TRUE(WaitFor([&] { return w->isVisible(); }));
        QLineEdit* search = Child<QLineEdit>(w, "citySearch");
        search->setFocus();
        QTest::keyClicks(search, "London, Un");
        EXPECT_EQ(Child<QLineEdit>(w, "latitudeEdit")->text(), "51.5085");
        shoot("place");
        QTest::keyClick(search, Qt::Key_Return);
        ASSERT_EQ(w->currentId(), WelcomeWizard::SatellitesPage);

        QLineEdit* other = Child<QLineEdit>(w, "satelliteSearch");
        other->setFocus();
        QTest::keyClicks(other, "navstar");
        QListWidget* list = Child<QListWidget>(w, "satelliteList");
        ASSERT_EQ(list->count(), 1);
        QTest::keyClick(other, Qt::Key_Tab);
        QTest::keyClick(list, Qt::Key_Space);
        shoot("satellites");
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_EQ(w->currentId(), WelcomeWizard::ElementsPage);
        EXPECT_TRUE(Child<QCheckBox>(w, "downloadCheck")->isChecked());
        EXPECT_TRUE(Child<QCheckBox>(w, "keepUpToDateCheck")->isChecked());
        shoot("elements");
        QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return);
    }

    int ListedPassesOf(MainWindow& mw, int number) {
        int n = 0;
        for (const PassRecord& p : mw.PassTable())
            if (p.aos > 0 && p.satellite >= 0 &&
                p.satellite < static_cast<int>(mw.Selection().size()) &&
                mw.Selection()[static_cast<std::size_t>(p.satellite)].catalogueNumber == number)
                ++n;
        return n;
    }
};

TEST_F(WelcomeTest, OfferedOnlyWithoutSettingsAndSkipStoresNothing) {
    Start();
    EXPECT_EQ(window_->Welcome(), nullptr);
    Close();

    std::filesystem::remove(home_ / "Orvanta.reg");
    MainWindow& w = Start();
    ASSERT_TRUE(WaitFor([&] { return w.Welcome() && w.Welcome()->isVisible(); }));
    auto stored = [&] {
        std::ifstream in(home_ / "Orvanta.reg");
        std::stringstream t;
        t << in.rdbuf();
        return t.str();
    };
    // The start itself opens the (empty) settings key, as a first start always has.
    const std::string before = stored();
    QTest::keyClick(w.Welcome(), Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return w.Welcome() == nullptr; }));
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(before.find("\"Obs\""), std::string::npos);
    EXPECT_TRUE(w.Selection().empty());
}

TEST_F(WelcomeTest, KeyboardRunEndsInPassesFromTheServedSets) {
    const std::string json = [] {
        std::ifstream in(ORVANTA_TEST_DATA_DIR "/omm/celestrak-stations-2026-04.json");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    StandIn server([json](const std::string&) { return Answer{{Ok(json)}}; });
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteString("CelesTrak URL", server.Base().toStdString());
    }
    MainWindow& w = Start();
    ASSERT_EQ(w.Catalogue().Count(), 5);
    RunByKeyboard(w.OpenWelcome());
    ASSERT_TRUE(WaitFor([&] { return w.Catalogue().Count() == 28 && !w.SearchRunning(); }));
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_NE(server.requests[0].find("GROUP=active"), std::string::npos);
    EXPECT_TRUE(Logged("The new element sets are"));

    // The ISS of the served sets is listed for London, with the visible columns shown.
    EXPECT_GT(ListedPassesOf(w, 25544), 0);
    if (const char* shots = std::getenv("ORVANTA_SCREENSHOT_DIR"))
        EXPECT_TRUE(w.grab().save(QString::fromUtf8(shots) + "/welcome-passes.png"));
    EXPECT_NEAR(w.CurrentSettings().observer.latitude, 51.5085, 1e-9);
    EXPECT_FALSE(w.PassList()->header()->isSectionHidden(COL_VISIBLE));
    EXPECT_FALSE(w.PassList()->header()->isSectionHidden(COL_MAGNITUDE));
    // Stored at once, like the place: a start after a crash shows them too.
    const ColumnLayout stored = RestoreColumns("Passlist", PASSLIST_COLUMNS);
    ASSERT_GT(stored.hidden.size(), std::size_t(COL_VISIBLE));
    EXPECT_EQ(stored.hidden[COL_VISIBLE].value_or(true), false);
    // Stations and bright ones (ISS once), and the picked NAVSTAR 43, were stored.
    std::vector<int> numbers;
    for (const SelectedSat& s : w.Selection()) numbers.push_back(s.catalogueNumber);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 25544), 1);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 24876), 1);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    double nextUpdate = 0.0;
    EXPECT_TRUE(reg.ReadDouble("Automatic Kepler Update", nextUpdate));
    EXPECT_GT(nextUpdate, utc_);
    EXPECT_EQ(reg.ReadDword("Number of Sats", 0), static_cast<std::int32_t>(numbers.size()));
}

TEST_F(WelcomeTest, OfflineFinishKeepsTheBuiltInSetsAndSaysSoOnce) {
    // The fixture's CelesTrak address is a closed port on 127.0.0.1.
    MainWindow& w = Start();
    RunByKeyboard(w.OpenWelcome());
    ASSERT_TRUE(WaitFor([&] { return !w.Downloader()->Running() && !w.SearchRunning(); }));
    int failures = 0;
    for (const std::string& line : LogLines())
        if (line.rfind("No fresh element sets could be downloaded (", 0) == 0) ++failures;
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(w.Catalogue().Count(), 5);
    EXPECT_TRUE(Logged("Predictions very inaccurate"));
    EXPECT_GT(ListedPassesOf(w, 25544), 0);
}

// Every button the wizard shows answers its own Alt key: Skip's and the finish button's
// once were the same, and Alt+S then only moved the focus between them.
TEST_F(WelcomeTest, ButtonsHaveTheirOwnAltKeys) {
    MainWindow& w = Start();
    WelcomeWizard* wizard = w.OpenWelcome();
    QList<QKeySequence> keys;
    for (const auto which : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                             QWizard::CancelButton}) {
        const QKeySequence key = QKeySequence::mnemonic(wizard->buttonText(which));
        ASSERT_FALSE(key.isEmpty()) << wizard->buttonText(which).toStdString();
        EXPECT_FALSE(keys.contains(key)) << wizard->buttonText(which).toStdString();
        keys.append(key);
    }
    wizard->reject();
}

TEST(WelcomeGps, UseGpsFillsThePlace) {
    EnsureApplication();
    platform::PseudoTerminal pty;
    if (!pty.Ok()) GTEST_SKIP() << kNoPty;
    FakeGpsReceiver gps(
        pty, Nmea("GPGGA,123519.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,"));
    ScriptedPrompt prompt;
    KeplerCatalogue none;
    WelcomeOptions options;
    options.cityListData = std::string();
    options.gpsPort = pty.SlavePath();
    options.prompt = &prompt;
    options.gpsTimeoutMs = 60000;
    WelcomeWizard w(nullptr, none, options);
    w.show();
    w.findChild<QPushButton*>(QStringLiteral("gpsButton"))->click();
    EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("latitudeEdit"))->text(), "48.117300");
    ASSERT_TRUE(w.validateCurrentPage());
    ASSERT_TRUE(w.Choices().place.has_value());
    EXPECT_EQ(w.Choices().place->altitudeMetres, 545);
    EXPECT_NEAR(w.Choices().place->longitude, 11.516667, 1e-6);
}

TEST(SatellitePresets, EveryPresetHasSetsAndASelectionTakesEachOnce) {
    for (int p = 0; p < static_cast<int>(SatellitePresets().size()); ++p)
        EXPECT_FALSE(PresetNumbers(p).empty())
            << SatellitePresets()[static_cast<std::size_t>(p)].title;
    EXPECT_TRUE(PresetNumbers(99).empty());
    KeplerCatalogue catalogue;
    KeplerRecord iss;
    iss.catalogueNumber = 25544;
    catalogue.records.push_back(iss);
    // The ISS is a bright one and a station; 99999 is not in the catalogue.
    const std::vector<SelectedSat> s = PresetSelection(catalogue, {0, 1}, {25544, 99999});
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].catalogueIndex, 0);
}

}  // namespace
}  // namespace orvanta::testing
