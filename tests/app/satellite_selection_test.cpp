#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include "app/registry_settings_writer.h"
#include "app/satellite_selection.h"
#include "platform/settings_store.h"
#include "tests/app/test_catalogue.h"

using namespace orvanta;
using orvanta::testing::SampleCatalogue;
using orvanta::testing::Sel;

namespace {

std::vector<std::int32_t> Numbers(const std::vector<SatelliteListItem>& items) {
    std::vector<std::int32_t> n;
    for (const auto& i : items) n.push_back(i.catalogueNumber);
    return n;
}

bool Sorted(const std::vector<SatelliteListItem>& items) {
    return std::is_sorted(items.begin(), items.end(), SatelliteListLess);
}

// Records every write with its kind, in order.
struct RecordingWriter : ISettingsWriter {
    struct Write {
        std::string name;
        std::variant<std::uint32_t, double, std::vector<std::uint8_t>> value;
    };
    std::vector<Write> writes;
    int commits = 0;
    std::size_t writesAtCommit = 0;
    void Commit() override {
        ++commits;
        writesAtCommit = writes.size();
    }
    void WriteDword(const std::string& n, std::uint32_t v) override { writes.push_back({n, v}); }
    void WriteDouble(const std::string& n, double v) override { writes.push_back({n, v}); }
    void WriteBinary(const std::string& n, const std::vector<std::uint8_t>& b) override {
        writes.push_back({n, b});
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& w : writes) names.push_back(w.name);
        return names;
    }
    const Write* Find(const std::string& n) const {
        for (const auto& w : writes)
            if (w.name == n) return &w;
        return nullptr;
    }
};

}  // namespace

TEST(SatelliteChooser, FirstFillListsEveryVisibleSatelliteSortedAndHidesGeostationary) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser hidden(cat, {}, true);
    EXPECT_TRUE(hidden.Selected().empty());
    EXPECT_TRUE(Sorted(hidden.Available()));
    // GOES 16 and METEOSAT-11 circle once a day; the GPS satellite (2 rev/day) stays.
    const auto n = Numbers(hidden.Available());
    EXPECT_EQ(std::count(n.begin(), n.end(), 41866), 0);
    EXPECT_EQ(std::count(n.begin(), n.end(), 40732), 0);
    EXPECT_EQ(std::count(n.begin(), n.end(), 48859), 1);
    // Sorted without regard to case: "HST" < "hubble ..." < "IRIDIUM 106" < "ISS (...)".
    ASSERT_GE(hidden.Available().size(), 3u);
    EXPECT_EQ(hidden.Available()[0].text, "HST   (20580)");
    EXPECT_EQ(hidden.Available()[1].text, "hubble lower case   (99999)");

    // Shown, and the number the file holds twice offered once, as its first record.
    SatelliteChooser shown(cat, {}, false);
    EXPECT_EQ(shown.Available().size(), cat.records.size() - 1);
    for (const auto& item : shown.Available()) EXPECT_NE(item.text, "ISS (DUPLICATE)   (25544)");
}

TEST(SatelliteChooser, SavedSelectionFillsTheSelectedListOnceAndNeverTheAvailableOne) {
    KeplerCatalogue cat = SampleCatalogue();
    // 25544 is in the catalogue twice; 11111 is not in it at all; GOES 16 is selected
    // although hidden satellites are not offered.
    SatelliteChooser c(cat, {Sel(25544), Sel(11111), Sel(41866)}, true);
    EXPECT_EQ(Numbers(c.Selected()), (std::vector<std::int32_t>{41866, 25544}));
    EXPECT_EQ(c.Selected()[1].text, "ISS (ZARYA)   (25544)");
    const auto avail = Numbers(c.Available());
    EXPECT_EQ(std::count(avail.begin(), avail.end(), 25544), 0);
    EXPECT_EQ(std::count(avail.begin(), avail.end(), 41866), 0);
}

TEST(SatelliteChooser, FilterIsUpperCasedCutTo19CharactersAndMatchesNamesOnly) {
    EXPECT_EQ(NormaliseSatelliteFilter("iss (zarya)"), "ISS (ZARYA)");
    EXPECT_EQ(NormaliseSatelliteFilter("abcdefghijklmnopqrstuvwxyz"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(NormaliseSatelliteFilter("äb1-"), "äB1-");  // only a-z change

    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {}, false);
    c.ApplyFilter("iss");
    EXPECT_EQ(Numbers(c.Available()), (std::vector<std::int32_t>{25544}));  // duplicate once
    // The upper-cased filter no longer finds the lower-case name.
    c.ApplyFilter("hubble");
    EXPECT_TRUE(c.Available().empty());
    // The catalogue number is part of the shown text but not of the name.
    c.ApplyFilter("25544");
    EXPECT_TRUE(c.Available().empty());
    c.ApplyFilter("");
    EXPECT_EQ(c.Available().size(), cat.records.size() - 1);
}

TEST(SatelliteChooser, TogglingHideWhileFilteredShowsTheUnfilteredList) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {}, true);
    c.ApplyFilter("NOAA");
    EXPECT_TRUE(c.Available().empty());
    c.SetHideGeostationary(false);
    EXPECT_EQ(c.Filter(), "");
    EXPECT_EQ(c.Available().size(), cat.records.size() - 1);
    c.SetHideGeostationary(true);
    EXPECT_EQ(c.Available().size(), cat.records.size() - 3);
}

TEST(SatelliteChooser, MovingKeepsBothListsSortedAndReportsWhereItemsLanded) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {Sel(20580)}, false);  // HST already selected
    const std::size_t total = c.Available().size() + c.Selected().size();
    // Rows out of range and repeated rows are ignored.
    const std::size_t last = c.Available().size() - 1;
    const SatelliteListItem lastItem = c.Available()[last];
    const SatelliteListItem firstItem = c.Available()[0];
    auto placed = c.Add({last, 0, 0, 999});
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_TRUE(std::is_sorted(placed.begin(), placed.end()));
    EXPECT_EQ(c.Available().size() + c.Selected().size(), total);
    EXPECT_TRUE(Sorted(c.Available()));
    EXPECT_TRUE(Sorted(c.Selected()));
    std::vector<SatelliteListItem> landed;
    for (std::size_t p : placed) landed.push_back(c.Selected()[p]);
    EXPECT_TRUE((landed == std::vector<SatelliteListItem>{firstItem, lastItem}) ||
                (landed == std::vector<SatelliteListItem>{lastItem, firstItem}));

    // Everything back: nothing selected.
    std::vector<std::size_t> all(c.Selected().size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    c.Remove(all);
    EXPECT_TRUE(c.Selected().empty());
    EXPECT_EQ(c.Available().size(), total);
    EXPECT_TRUE(Sorted(c.Available()));
    EXPECT_TRUE(c.BuildSelection().empty());
    EXPECT_TRUE(c.Add({}).empty());
}

TEST(SatelliteChooser, RefillBringsRemovedSavedEntriesBackAndNeverListsOneSatelliteTwice) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {Sel(20580)}, false);
    // Take HST out (not saved) and add the ISS (not saved), then filter.
    c.Remove({0});
    const auto iss = std::find_if(c.Available().begin(), c.Available().end(),
                                  [](const auto& i) { return i.catalogueNumber == 25544; });
    c.Add({static_cast<std::size_t>(iss - c.Available().begin())});
    c.ApplyFilter("ISS");
    EXPECT_EQ(Numbers(c.Selected()), (std::vector<std::int32_t>{20580, 25544}));
    EXPECT_TRUE(c.Available().empty());  // the ISS matches but is already selected

    // Once saved, the new selection is what refills start from.
    c.SetSavedSelection(c.BuildSelection());
    c.Refill();
    EXPECT_EQ(c.Selected().size(), 2u);
}

TEST(SatelliteChooser, BuildSelectionLooksUpTheFirstIndexAndClearsTheDisplayFlags) {
    KeplerCatalogue cat = SampleCatalogue();
    SelectedSat shownIss = Sel(25544, 6);
    shownIss.shown = shownIss.track = shownIss.radioHorizon = shownIss.nameLabel = 1;
    SatelliteChooser c(cat, {shownIss, Sel(41917)}, true);
    const auto sel = c.BuildSelection();
    ASSERT_EQ(sel.size(), 2u);
    // List order: IRIDIUM 106 before ISS.
    EXPECT_EQ(sel[0], Sel(41917, 4));
    EXPECT_EQ(sel[1], Sel(25544, 0));
}

TEST(NumberOfPasses, OnlyDigitsAndPointsAreAcceptedAndTheLeadingDigitsCount) {
    struct Case {
        const char* field;
        std::optional<std::uint32_t> value;
    };
    const Case cases[] = {
        {"7", 7u},
        {"07", 7u},
        {"99", 99u},
        {"", 0u},
        {".", 0u},
        {"7.", 7u},
        {".5", 0u},
        {"1a", std::nullopt},
        {"a1", std::nullopt},
        {"-1", std::nullopt},
        {" 7", std::nullopt},
        {"+5", std::nullopt},
        {"123", 12u},  // the field holds two characters; a third never arrives
    };
    for (const Case& c : cases) EXPECT_EQ(ParseNumberOfPasses(c.field), c.value) << c.field;
    EXPECT_EQ(FormatNumberOfPasses(5), "05");
    EXPECT_EQ(FormatNumberOfPasses(0), "00");
    EXPECT_EQ(FormatNumberOfPasses(42), "42");
}

TEST(SaveSatelliteSettings, WritesEveryValueInOrderWithTheNewSelection) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {Sel(25544), Sel(41917)}, true);
    SatelliteOptions current;
    current.displayUtc = 1;
    SatelliteDialogInput in;
    in.checkForUpdates = false;
    in.searchIridiumFlares = true;
    in.searchLunarPasses = true;
    in.passlistAutorefresh = false;
    in.autoKeplerUpdate = true;
    in.reportNvs = false;
    in.hideGeostationary = false;
    in.numberOfPassesField = "7";
    RecordingWriter w;
    const double now = 2461168.25;
    const SatelliteSaveResult r = SaveSatelliteSettings(w, current, in, c, now);

    ASSERT_TRUE(r.numberValid);
    EXPECT_EQ(w.Names(), (std::vector<std::string>{
                             "DisplayUTC", "Check for updates", "Search Iridium Flares",
                             "Search Lunar Passes", "Passlist Autorefresh",
                             "Automatic Kepler Update", "Report NVS", "Number of passes",
                             "Hide Geostationary", "Selected Satellites", "Number of Sats",
                             "Visible Only"}));
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("DisplayUTC")->value), 1u);  // unchanged
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Check for updates")->value), 0u);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Search Iridium Flares")->value), 1u);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Passlist Autorefresh")->value), 0u);
    EXPECT_DOUBLE_EQ(std::get<double>(w.Find("Automatic Kepler Update")->value), now + 1.0);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Number of passes")->value), 7u);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Hide Geostationary")->value), 0u);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Number of Sats")->value), 2u);
    const auto& blob = std::get<std::vector<std::uint8_t>>(w.Find("Selected Satellites")->value);
    ASSERT_EQ(blob.size(), 2 * SELECTED_SAT_SIZE);
    EXPECT_EQ(SelectionFromBlob(blob, 2), r.selection);
    EXPECT_EQ(r.selection, (std::vector<SelectedSat>{Sel(41917, 4), Sel(25544, 0)}));
    EXPECT_EQ(r.options.numberOfPasses, 7u);
    EXPECT_EQ(r.options.searchLunarPasses, 1u);
    EXPECT_DOUBLE_EQ(r.options.automaticKeplerUpdate, now + 1.0);
    // One commit, after the last value.
    EXPECT_EQ(w.commits, 1);
    EXPECT_EQ(w.writesAtCommit, 12u);  // the eleven values and "Visible Only"
}

// Counts the changes that reach the store.
struct CountingStore : platform::ISettingsStore {
    std::shared_ptr<platform::ISettingsStore> inner = platform::MakeMemorySettingsStore();
    int changes = 0;
    bool KeyExists(RootKey r, const std::string& p) override { return inner->KeyExists(r, p); }
    bool CreateKey(RootKey r, const std::string& p) override { return inner->CreateKey(r, p); }
    std::optional<platform::SettingValue> ReadValue(RootKey r, const std::string& p,
                                                    const std::string& n) override {
        return inner->ReadValue(r, p, n);
    }
    bool WriteValue(RootKey r, const std::string& p, const std::string& n,
                    const platform::SettingValue& v) override {
        ++changes;
        return inner->WriteValue(r, p, n, v);
    }
    bool WriteValues(RootKey r, const std::string& p,
                     const std::vector<std::pair<std::string, platform::SettingValue>>& v) override {
        ++changes;
        return inner->WriteValues(r, p, v);
    }
    bool DeleteValue(RootKey r, const std::string& p, const std::string& n) override {
        ++changes;
        return inner->DeleteValue(r, p, n);
    }
    std::vector<std::string> SubKeys(RootKey r, const std::string& p) override {
        return inner->SubKeys(r, p);
    }
    bool DeleteKey(RootKey r, const std::string& p) override {
        ++changes;
        return inner->DeleteKey(r, p);
    }
};

TEST(SaveSatelliteSettings, TheProgramsWriterStoresTheSaveAsOneChange) {
    // Written one by one, a crash between "Selected Satellites" and "Number of Sats" left
    // the count disagreeing with the list.
    auto store = std::make_shared<CountingStore>();
    SetSettingsStore(store);
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {Sel(25544), Sel(41917)}, true);
    SatelliteDialogInput in;
    in.numberOfPassesField = "7";
    RegistrySettingsWriter writer;
    const SatelliteSaveResult r = SaveSatelliteSettings(writer, {}, in, c, 2461168.25);
    ASSERT_TRUE(r.numberValid);
    EXPECT_EQ(store->changes, 1);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    const Settings s = ReadAllSettings(reg);
    EXPECT_EQ(s.numberOfSats, 2);
    EXPECT_EQ(SelectionFromBlob(s.selectedSatellites, 2), r.selection);
    EXPECT_EQ(s.numberOfPasses, 7);

    // A refused number still stores the first seven values, also as one change.
    store->changes = 0;
    in.numberOfPassesField = "1a";
    in.searchLunarPasses = true;
    SaveSatelliteSettings(writer, {}, in, c, 2461168.25);
    EXPECT_EQ(store->changes, 1);
    EXPECT_EQ(reg.ReadDword("Search Lunar Passes", 0), 1);
    EXPECT_EQ(reg.ReadDword("Number of Sats", 0), 2);
    SetSettingsStore(nullptr);
}

TEST(SaveSatelliteSettings, RefusedNumberStopsAfterTheFirstSevenValues) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {Sel(25544)}, true);
    SatelliteOptions current;
    current.numberOfPasses = 5;
    current.automaticKeplerUpdate = 2461000.0;
    SatelliteDialogInput in;
    in.autoKeplerUpdate = false;
    in.numberOfPassesField = "1a";
    RecordingWriter w;
    const SatelliteSaveResult r = SaveSatelliteSettings(w, current, in, c, 2461168.25);
    EXPECT_FALSE(r.numberValid);
    EXPECT_EQ(w.writes.size(), 7u);
    EXPECT_EQ(w.writes.back().name, "Report NVS");
    EXPECT_EQ(w.commits, 1);
    EXPECT_EQ(w.writesAtCommit, 7u);
    EXPECT_DOUBLE_EQ(std::get<double>(w.Find("Automatic Kepler Update")->value), 0.0);
    EXPECT_EQ(r.options.numberOfPasses, 5u);
    EXPECT_TRUE(r.selection.empty());
}

TEST(SaveSatelliteSettings, EmptyFieldAndEmptyListSaveZeroPassesAndNoSelection) {
    KeplerCatalogue cat = SampleCatalogue();
    SatelliteChooser c(cat, {Sel(25544)}, true);
    c.Remove({0});
    SatelliteDialogInput in;
    in.numberOfPassesField = "";
    RecordingWriter w;
    const SatelliteSaveResult r = SaveSatelliteSettings(w, {}, in, c, 2461168.25);
    ASSERT_TRUE(r.numberValid);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Number of passes")->value), 0u);
    EXPECT_EQ(std::get<std::uint32_t>(w.Find("Number of Sats")->value), 0u);
    EXPECT_TRUE(std::get<std::vector<std::uint8_t>>(w.Find("Selected Satellites")->value).empty());
    EXPECT_TRUE(r.selection.empty());
}

TEST(MapSelectionIndices, FollowsEachSatelliteToItsNewPlaceOrDropsIt) {
    const std::vector<SelectedSat> former = {Sel(25544), Sel(20580), Sel(41917)};
    const std::vector<SelectedSat> current = {Sel(41917), Sel(25544), Sel(48859)};
    EXPECT_EQ(MapSelectionIndices(former, current), (std::vector<int>{1, -1, 0}));
    EXPECT_EQ(MapSelectionIndices(former, {}), (std::vector<int>{-1, -1, -1}));
    EXPECT_TRUE(MapSelectionIndices({}, current).empty());
}
