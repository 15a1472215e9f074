#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "common/prompt.h"
#include "common/registry.h"
#include "common/settings.h"
#include "platform/directories.h"
#include "platform/settings_store.h"
#include "tests/common/memory_settings_fixture.h"

using namespace orvanta;

namespace {

using SettingsTest = test::MemorySettingsTest;

Settings NonDefaults() {
    Settings s;
    s.displayUtc = 1;
    s.use24hTime = 1;
    s.timeServer = "ntp0.fau.de:123";
    s.updateUrl = "http://127.0.0.1:8080";
    s.numberOfPasses = 12;
    s.numberOfSats = 2;
    s.selectedSatellites.assign(48, 0);
    s.selectedSatellites[0] = 0x9C;  // 25544 = 0x63C8 would do as well; any bytes survive
    s.selectedSatellites[47] = 1;
    s.hideGeostationary = 0;
    s.searchLunarPasses = 1;
    s.searchIridiumFlares = 1;
    s.reportNvs = 0;
    s.visibleOnly = 1;
    s.passlistAutorefresh = 0;
    s.automaticKeplerUpdate = 2461128.25;
    s.checkForUpdates = 0;
    s.spaceTrackUsername = "user@example.org";
    s.spaceTrackPassword = "p\"a\\ss";
    s.celesTrakGroupDownloads = "active=2461000.5;stations=2461000.6";
    s.observer = {350, 52.52, -13.405};
    s.gpsComPort = "/dev/ttyUSB0";
    s.metric = 3;
    s.timeSync = 3;
    s.skyviewUpdate = 60;
    s.earthviewUpdate = 1;
    s.skyviewScreenshot = 1;
    s.skyviewScreenshotFilename = "/tmp/sky.png";
    s.skyviewScreenshotCommand = "echo done";
    s.earthviewScreenshot = 1;
    s.earthviewScreenshotFilename = "/tmp/earth.jpg";
    s.earthviewScreenshotCommand = "true";
    s.desktopBackground = 2;
    s.earthviewShowClouds = 1;
    s.earthviewAnimateClouds = 1;
    s.earthviewShowHomeMarker = 0;
    s.earthviewLongitude = -0.5;
    s.showRadioHorizon = 0;
    s.showAllSatnames = 0;
    s.detailSat = 4;
    s.showName = 0;
    s.showRange = 0;
    s.showStars = 0;
    s.drawRealSky = 0;
    s.magLimit = 2;
    s.starSize = 1;
    s.projectionType = 1;
    s.skyviewOrientation = 270;
    s.showTracks = 0;
    s.skyviewOpen = 1;
    s.earthviewOpen = 1;
    s.pingParameters = {95.f, 70.f, 50.f, 0x112233, 0x445566, 0x778899};
    return s;
}

}  // namespace

TEST_F(SettingsTest, FirstStartGivesTheTableDefaultsAndCreatesTheKey) {
    Settings s = ReadAllSettings();
    EXPECT_EQ(s, Settings{});
    EXPECT_TRUE(store->KeyExists(RootKey::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(s.numberOfPasses, 5);
    EXPECT_EQ(s.gpsComPort, "COM1");
    EXPECT_EQ(s.pingParameters.okLimit, 99.0f);
    EXPECT_TRUE(IsObserverUnset(s.observer));
    // The table and the struct agree on every default.
    for (const SettingDef& d : SettingsTable()) {
        if (auto m = std::get_if<std::int32_t Settings::*>(&d.field.member)) {
            EXPECT_EQ(s.*(*m), d.dwordDefault) << d.name;
        }
        if (auto m = std::get_if<std::string Settings::*>(&d.field.member)) {
            EXPECT_EQ(s.*(*m), d.stringDefault) << d.name;
        }
    }
}

TEST_F(SettingsTest, TableNamesAreUniqueAndEveryFieldRoundTrips) {
    std::set<std::string> lower;
    for (const SettingDef& d : SettingsTable()) {
        std::string n = d.name;
        for (char& c : n) c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(lower.insert(n).second) << d.name;
    }
    EXPECT_EQ(SettingsTable().size(), 79u);  // with "Visible Only", the element download's,
                                             // the pass alerts' and the named locations'

    Settings s = NonDefaults();
    ASSERT_TRUE(WriteAllSettings(s));
    EXPECT_EQ(ReadAllSettings(), s);  // a field missing from the table would come back default
}

TEST_F(SettingsTest, StringsLongerThanTheirLimitsAreCut) {
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    reg.WriteString("GPS Com Port", std::string(40, 'P'));
    reg.WriteString("SpaceTrack Username", std::string(300, 'u'));
    reg.WriteString("Skyview Screenshot Command", std::string(1500, 'c'));
    Settings s = ReadAllSettings();
    EXPECT_EQ(s.gpsComPort, std::string(29, 'P'));
    EXPECT_EQ(s.spaceTrackUsername.size(), 254u);
    EXPECT_EQ(s.skyviewScreenshotCommand.size(), 1023u);
    s.skyviewScreenshotFilename = std::string(400, 'f');
    ASSERT_TRUE(WriteSettings(s, {"Skyview Screenshot Filename"}));
    EXPECT_EQ(reg.ReadString("Skyview Screenshot Filename", "").size(), 259u);
}

TEST_F(SettingsTest, OutOfRangeValuesReadAsDefaults) {
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    reg.WriteDword("Number of Passes", 1000);
    reg.WriteDword("Skyview Update", 0);
    reg.WriteDword("Metric", 7);
    reg.WriteDword("Number of Sats", -3);
    Settings s = ReadAllSettings();
    EXPECT_EQ(s.numberOfPasses, 5);
    EXPECT_EQ(s.skyviewUpdate, 5);
    EXPECT_EQ(s.metric, 1);
    EXPECT_EQ(s.numberOfSats, 0);
    double nan = std::nan("");
    reg.WriteDouble("Automatic Kepler Update", nan);
    reg.WriteDouble("Earthview Longitude", 1e300);
    s = ReadAllSettings();
    EXPECT_EQ(s.automaticKeplerUpdate, 0.0);
    EXPECT_EQ(s.earthviewLongitude, 0.0);
    EXPECT_STREQ(DistanceUnitSuffix(2), "mi");
    EXPECT_STREQ(DistanceUnitSuffix(3), "nm");
    EXPECT_STREQ(DistanceUnitSuffix(7), "km");
}

TEST_F(SettingsTest, SelectionIsReadOnlyForACountAndNeverBeyondTheStoredBytes) {
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    std::vector<std::uint8_t> blob(72, 0x11);
    reg.WriteBinary("Selected Satellites", blob);
    reg.WriteDword("Number of Sats", 0);
    EXPECT_TRUE(ReadAllSettings().selectedSatellites.empty());
    reg.WriteDword("Number of Sats", 2);
    EXPECT_EQ(ReadAllSettings().selectedSatellites.size(), 48u);
    reg.WriteDword("Number of Sats", 0x7FFFFFFF);  // a damaged count
    Settings s = ReadAllSettings();
    EXPECT_EQ(s.selectedSatellites.size(), 72u);
    EXPECT_EQ(s.numberOfSats, 0x7FFFFFFF);

    // A damaged blob as large as the count: no more entries than any catalogue holds.
    blob.assign((MAX_SELECTED_SATS + 10) * 24, 0x11);
    reg.WriteBinary("Selected Satellites", blob);
    EXPECT_EQ(ReadAllSettings().selectedSatellites.size(), MAX_SELECTED_SATS * 24);
}

TEST_F(SettingsTest, WriteSettingsWritesOnlyTheNamedEntries) {
    Settings s = NonDefaults();
    EXPECT_TRUE(WriteSettings(s, {"DisplayUTC", "Obs", "Automatic Kepler Update"}));
    Settings back = ReadAllSettings();
    EXPECT_EQ(back.displayUtc, 1);
    EXPECT_EQ(back.observer, s.observer);
    EXPECT_EQ(back.automaticKeplerUpdate, s.automaticKeplerUpdate);
    EXPECT_EQ(back.metric, 1);
    EXPECT_FALSE(WriteSettings(s, {"No Such Value"}));
    EXPECT_FALSE(WriteSettings(s, {"MainWindow"}));  // its window writes it
    EXPECT_NE(FindSetting("number of passes"), nullptr);
}

TEST_F(SettingsTest, ResetAsksAndDeletesEverythingOnYesOnly) {
    ASSERT_TRUE(WriteAllSettings(NonDefaults()));
    CRegistry reg;
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, std::string(kSettingsKeyPath) + "\\Sub"));
    reg.Close();

    ScriptedPrompt no;
    no.answers = {PromptAnswer::No};
    EXPECT_FALSE(OfferSettingsReset(no));
    ASSERT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(no.asked[0].caption, "Orvanta");
    EXPECT_EQ(no.asked[0].text, "This will reset Orvanta registry settings to default. Are you sure?");
    EXPECT_EQ(no.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(ReadAllSettings(), NonDefaults());

    ScriptedPrompt yes;
    yes.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(OfferSettingsReset(yes));
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(ReadAllSettings(), Settings{});

    ScriptedPrompt remove;
    EXPECT_TRUE(OfferSettingsRemoval(remove));
    EXPECT_EQ(remove.asked[0].text,
              "This will remove Orvanta registry settings from your system. Are you sure?");
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, kSettingsKeyPath));
    EXPECT_TRUE(store->KeyExists(RootKey::CurrentUser, "Software\\Quorrin"));
}

TEST(SettingsFile, EverySettingSurvivesTheTextFileAndOtherKeysStay) {
    platform::PrivateTempDir dir;
    ASSERT_TRUE(dir.Ok());
    auto file = dir.Path() / "Orvanta.reg";
    if (!platform::OpenFileSettingsStore(file)) GTEST_SKIP() << "no file store here";
    SetSettingsStore(platform::OpenFileSettingsStore(file));
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\Quorrin\\Other"));
        reg.WriteString("Keep", "me");
    }
    Settings s = NonDefaults();
    ASSERT_TRUE(WriteAllSettings(s));
    // A second program reading the same file.
    SetSettingsStore(platform::OpenFileSettingsStore(file));
    EXPECT_EQ(ReadAllSettings(), s);
    CRegistry reg;
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\Quorrin\\Other", 1));
    EXPECT_EQ(reg.ReadString("Keep", ""), "me");
    SetSettingsStore(nullptr);
}
