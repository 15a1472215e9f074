#include <gtest/gtest.h>

#include "catalogue/pass_list.h"
#include "catalogue/pass_list_search.h"

using namespace orvanta;

namespace {

constexpr double kNow = 2461168.5;
constexpr double kMinute = 1.0 / 1440.0;

PassRecord Pass(int satellite, double aosMinutes, double losMinutes) {
    PassRecord r;
    r.satellite = satellite;
    r.aos = kNow + aosMinutes * kMinute;
    r.los = kNow + losMinutes * kMinute;
    r.lighting = LIGHTING_DARK;
    return r;
}

struct Fixture {
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    PassListContext context;
    Fixture() {
        KeplerRecord k;
        std::snprintf(k.name, sizeof k.name, "ISS (ZARYA)");
        std::snprintf(k.line1, sizeof k.line1, "%s",
                      "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993");
        std::snprintf(k.line2, sizeof k.line2, "%s",
                      "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437");
        k.catalogueNumber = 25544;
        catalogue.records = {k};
        SelectedSat s;
        s.catalogueNumber = 25544;
        s.catalogueIndex = 0;
        selection = {s, s};
        context.catalogue = &catalogue;
        context.selection = &selection;
        context.observer = {46, 51.4779, -0.0015};
        context.time.use24h = true;
    }
};

}  // namespace

TEST(PassListRows, FillSkipsEmptyEndedAndUnselectedRecords) {
    Fixture f;
    std::vector<PassRecord> table = {Pass(0, 10, 20), PassRecord{}, Pass(1, -30, -20),
                                     Pass(5, 30, 40), Pass(1, -5, 5)};
    PassListRows rows;
    rows.Fill(table, kNow, f.context);
    EXPECT_EQ(rows.Rows(), (std::vector<int>{0, 4}));
    EXPECT_EQ(table[0].listed, 1);
    EXPECT_EQ(table[2].listed, 0);
    EXPECT_EQ(table[3].listed, 0);  // satellite 5 is not in a selection of two
    // The pass under way has its live values before the first tick.
    EXPECT_GT(table[4].currentRange, 100.0);
}

TEST(PassListRows, TickRemovesEndedRowsOneByOneAndReportsLiveOnes) {
    Fixture f;
    std::vector<PassRecord> table = {Pass(0, 1, 10), Pass(1, 2, 11), Pass(0, 3, 30), Pass(1, 4, 12),
                                     Pass(0, 50, 60)};
    PassListRows rows;
    rows.Fill(table, kNow, f.context);
    ASSERT_EQ(rows.Count(), 5);

    // At +11.5 min: records 0, 1 have ended; 2 is in progress; 3 in progress (LOS 12).
    const auto changes = rows.Tick(table, kNow + 11.5 * kMinute, f.context);
    // Record 0 leaves from row 0, then record 1 also from row 0.
    EXPECT_EQ(changes.removed, (std::vector<int>{0, 0}));
    EXPECT_EQ(changes.live, (std::vector<int>{0, 1}));
    EXPECT_EQ(rows.Rows(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(table[0].listed, 0);
    EXPECT_EQ(table[1].listed, 0);
    // Live values came from the orbit: a range of a low-orbit satellite, in km.
    EXPECT_GT(table[2].currentRange, 100.0);
    EXPECT_EQ(PassCellText(table[2], COL_AZ, kNow + 11.5 * kMinute, f.context).size(), 5u);

    // A removal in the middle keeps the neighbours.
    const auto later = rows.Tick(table, kNow + 12.5 * kMinute, f.context);
    EXPECT_EQ(later.removed, (std::vector<int>{1}));
    EXPECT_EQ(rows.Rows(), (std::vector<int>{2, 4}));
}

TEST(PassListRows, TickWithoutSelectionClearsTheList) {
    Fixture f;
    std::vector<PassRecord> table = {Pass(0, 1, 10), Pass(1, 2, 11)};
    PassListRows rows;
    rows.Fill(table, kNow, f.context);
    f.selection.clear();
    const auto changes = rows.Tick(table, kNow, f.context);
    EXPECT_EQ(changes.removed, (std::vector<int>{1, 0}));
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_EQ(table[0].listed, 0);
}

TEST(PassListRows, CellsOfAPassInProgressAndAhead) {
    Fixture f;
    PassRecord ahead = Pass(0, 2.5 * 1440 + 10, 2.5 * 1440 + 20);
    ahead.riseAzimuth = 7.9, ahead.setAzimuth = 187.2, ahead.midAzimuth = 95,
    ahead.maxElevation = 5.6;
    EXPECT_EQ(PassCellText(ahead, COL_SATELLITE, kNow, f.context), "ISS (ZARYA)   (25544)");
    EXPECT_EQ(PassCellText(ahead, COL_AOS, kNow, f.context), "+2   12:10:00");
    EXPECT_EQ(PassCellText(ahead, COL_RISE_AZ, kNow, f.context), "007");
    EXPECT_EQ(PassCellText(ahead, COL_MAX_EL, kNow, f.context), "095 @ 05");
    EXPECT_EQ(PassCellText(ahead, COL_DURATION, kNow, f.context), "10m 00s");
    EXPECT_EQ(PassCellText(ahead, COL_COUNTDOWN, kNow, f.context), "60:10:00");
    EXPECT_EQ(PassCellText(ahead, COL_AZ, kNow, f.context), "--");
    EXPECT_EQ(PassCellText(ahead, COL_RANGE, kNow, f.context), "");
    EXPECT_EQ(PassCellText(ahead, COL_LUNAR_START, kNow, f.context), "");
    EXPECT_EQ(PassCellText(ahead, COL_FLARE, kNow, f.context), "");
    EXPECT_EQ(PassIconIndex(ahead), ICON_DARK);

    PassRecord live = Pass(0, -3, 5);
    live.currentElevation = 12;
    EXPECT_EQ(PassCellText(live, COL_COUNTDOWN, kNow, f.context), "00:05:00");
    EXPECT_EQ(PassRowTextColour(live, kNow), (Rgb{0, 255, 0}));
    // A lunar end without a start is not shown; the icon still tells it.
    live.lunarEnd = kNow;
    EXPECT_EQ(PassCellText(live, COL_LUNAR_END, kNow, f.context), "");
    EXPECT_EQ(PassIconIndex(live), ICON_LUNAR_END_ONLY);
    live.flareMirror = 1;
    live.flareStart[1] = kNow;
    EXPECT_EQ(PassIconIndex(live), ICON_FLARE);
    EXPECT_NE(PassCellText(live, COL_FLARE, kNow, f.context).find(" M: "), std::string::npos);
}

TEST(PassListRows, BuiltInNamePaddingIsNotShown) {
    Fixture f;
    // The built-in element file pads names with blanks to 24 characters.
    std::snprintf(f.catalogue.records[0].name, KEPLER_TEXT_SIZE, "%-24s", "ISS (ZARYA)");
    EXPECT_EQ(PassCellText(Pass(0, 10, 20), COL_SATELLITE, kNow, f.context),
              "ISS (ZARYA)   (25544)");
    EXPECT_EQ(std::string(f.catalogue.records[0].Name()).size(), 24u);  // the record keeps them
    std::snprintf(f.catalogue.records[0].name, KEPLER_TEXT_SIZE, "   ");
    EXPECT_EQ(f.catalogue.records[0].DisplayName(), "");
}

TEST(PassListRows, RemapAfterSelectionChangeDropsSatellitesNoLongerSelected) {
    std::vector<PassRecord> table = {Pass(0, 1, 2), Pass(1, 3, 4), Pass(2, 5, 6)};
    RemapPassTable(table, {-1, 0, 7});
    EXPECT_TRUE(table[0].IsEmpty());
    EXPECT_EQ(table[1].satellite, 0);
    EXPECT_EQ(table[2].satellite, 7);
    RemapPassTable(table, {});
    EXPECT_TRUE(table[1].IsEmpty());
}

TEST(PassSearchLines, ElementAgeThresholds) {
    const LogLine fresh = ElementAgeLine(1.5 + 30.0 / 1440.0, "x");
    EXPECT_EQ(fresh.text, "Kepler age: 36h 30m");
    EXPECT_EQ(fresh.level, 0);
    const LogLine old = ElementAgeLine(2.25, "2026-05-01 10:00:00");
    EXPECT_EQ(old.text,
              "Kepler age: 54h 00m! Predictions somewhat inaccurate. Last updated "
              "2026-05-01 10:00:00");
    EXPECT_EQ(old.level, 1);
    EXPECT_EQ(ElementAgeLine(6.5, "d").level, 2);
    EXPECT_EQ(ElementAgeLine(0.1, "d").text, "Kepler age: 02h 24m");
    EXPECT_EQ(ElementAgeLine(2.0, "d").level, 0);  // "above 2 days" is strict
}

TEST(PassSearchLines, ElementAgeCountsFromTheFileUnlessItsSetsAreOlder) {
    const double file = 2461400.25;
    EXPECT_EQ(ElementAgeStart(file, std::nullopt), file);
    EXPECT_EQ(ElementAgeStart(file, file - 0.3), file);  // a download: sets of that morning
    EXPECT_EQ(ElementAgeStart(file, file - 1.0), file);  // a day behind still counts as one
    EXPECT_EQ(ElementAgeStart(file, file + 0.2), file);  // sets issued ahead of time
    EXPECT_EQ(ElementAgeStart(file, file - 1.01), file - 1.01);
    EXPECT_EQ(ElementAgeStart(file, file - 215.0), file - 215.0);  // a copy of old sets
}

TEST(PassSearchLines, AutorefreshIsTheEarliestLastLos) {
    // Two satellites, two slots each; the second runs out first.
    std::vector<PassRecord> table = {Pass(0, 10, 20), Pass(0, 100, 130), Pass(1, 5, 15),
                                     Pass(1, 50, 60)};
    AutorefreshResult r = FindAutorefresh(table, 2, 2, kNow);
    EXPECT_EQ(r.satellite, 1);
    EXPECT_DOUBLE_EQ(r.time, table[3].los);
    // A satellite without passes does not count; none at all leaves now + 10 days.
    table[2] = PassRecord{}, table[3] = PassRecord{};
    EXPECT_EQ(FindAutorefresh(table, 2, 2, kNow).satellite, 0);
    r = FindAutorefresh(std::vector<PassRecord>(4), 2, 2, kNow);
    EXPECT_EQ(r.satellite, -1);
    EXPECT_DOUBLE_EQ(r.time, kNow + 10.0);
    // Beyond ten days nothing wins either.
    EXPECT_EQ(FindAutorefresh({Pass(0, 1, 11 * 1440)}, 1, 1, kNow).satellite, -1);
}

TEST(PassSearchLines, CompletionTexts) {
    // Three satellites of five passes, one of them with only two: 12 are shown.
    EXPECT_EQ(SearchSummaryLine(false, 100, 3, 5, 12, 1.23).text,
              "Passlist updated. Total of 12 passes displayed in 1.2 seconds");
    const LogLine interrupted = SearchSummaryLine(true, 40, 3, 5, 2, 9);
    EXPECT_EQ(interrupted.text,
              "Passlist updated, but interrupted. Approximately 6 passes are displayed");
    EXPECT_EQ(interrupted.level, 1);
    EXPECT_EQ(AbortLine(2.345).text, "User aborted passlist generation after 2.3 seconds");
    EXPECT_EQ(ProgressText(12.5), "Finding passes: 12.50% and going. Press <ESC> to abort.");
    EXPECT_EQ(AutorefreshLine(true, "T", "ISS").text,
              "Passlist will autorefresh at: T. Satellite ISS runs out of passes.");
    EXPECT_EQ(
        AutorefreshLine(false, "T", "ISS").text,
        "Passlist auto refresh is OFF! First satellite will expire at: T. ISS runs out of passes.");
}

namespace {

// A pass seen from 19:42:10 to 19:46:55 (UTC), brightest -2.1 at 19:44:02, culminating at
// 63.4 degrees at 19:44:20.
PassRecord VisiblePass(double day) {
    auto at = [day](int h, int m, int s) { return day + (h * 3600 + m * 60 + s) / 86400.0; };
    PassRecord r;
    r.aos = at(19, 40, 0);
    r.los = at(19, 50, 0);
    r.visibilityKnown = 1;
    r.culmination = at(19, 44, 20);
    r.culminationElevation = 63.41;
    r.visibleStart = at(19, 42, 10);
    r.visibleEnd = at(19, 46, 55);
    r.brightestTime = at(19, 44, 2);
    r.brightestMagnitude = -2.07;
    return r;
}

}  // namespace

TEST(PassVisibilityTooltip, VisibleTimesInTheDisplayTimeWithBrightnessAndCulmination) {
    const PassRecord r = VisiblePass(kNow);
    RowTimeOptions utc24{0, true, nullptr};
    EXPECT_EQ(PassVisibilityTooltip(r, utc24),
              "Visible 19:42:10\xE2\x80\x93" "19:46:55, brightest \xE2\x88\x92" "2.1 mag at "
              "19:44:02, culmination 63.4\xC2\xB0 at 19:44:20");
    // Two hours east of Greenwich, 12-hour clock; a pass days ahead has no "+d" here.
    PassRecord later = VisiblePass(kNow + 3.0);
    later.brightestTime = 0.0;  // no standard magnitude
    RowTimeOptions east12{120, false, nullptr};
    EXPECT_EQ(PassVisibilityTooltip(later, east12),
              "Visible 9:42:10 PM\xE2\x80\x93" "9:46:55 PM, culmination 63.4\xC2\xB0 at 9:44:20 PM");
    PassRecord dark = VisiblePass(kNow);
    dark.visibleStart = dark.visibleEnd = 0.0;
    EXPECT_EQ(PassVisibilityTooltip(dark, utc24), "Culmination 63.4\xC2\xB0 at 19:44:20");
    EXPECT_EQ(PassVisibilityTooltip(PassRecord{}, utc24), "");  // search without visibility
}

TEST(PassListRows, VisibleOnlyKeepsJustThePassesOneCanSee) {
    Fixture f;
    std::vector<PassRecord> table = {Pass(0, 10, 20), VisiblePass(kNow + 1.0), Pass(1, 30, 40)};
    table[1].satellite = 1;
    f.context.visibleOnly = true;
    PassListRows rows;
    rows.Fill(table, kNow, f.context);
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_EQ(rows.RecordIndex(0), 1);
    EXPECT_EQ(table[0].listed, 0);
    EXPECT_EQ(table[1].listed, 1);
    f.context.visibleOnly = false;
    rows.Fill(table, kNow, f.context);
    EXPECT_EQ(rows.Count(), 3);
}

TEST(PassListRows, MagAndVisibleColumnsShowTheVisibleWindow) {
    Fixture f;
    EXPECT_TRUE(PassListColumnOptional(COL_MAGNITUDE) && PassListColumnOptional(COL_VISIBLE));
    EXPECT_STREQ(PassListColumnTitle(COL_MAGNITUDE), "Mag");
    EXPECT_STREQ(PassListColumnTitle(COL_VISIBLE), "Visible");
    // Days ahead are the AOS column's to tell.
    PassRecord r = VisiblePass(kNow + 2.0);
    EXPECT_EQ(PassCellText(r, COL_MAGNITUDE, kNow, f.context), "-2.1");
    EXPECT_EQ(PassCellText(r, COL_VISIBLE, kNow, f.context), "19:42:10 - 19:46:55");
    r.brightestTime = 0.0;  // no standard magnitude
    EXPECT_EQ(PassCellText(r, COL_MAGNITUDE, kNow, f.context), "");
    r.visibleStart = r.visibleEnd = 0.0;
    EXPECT_EQ(PassCellText(r, COL_VISIBLE, kNow, f.context), "");
}
