// Loading element files: the real snapshot, the grouping of lines, damaged text of every
// kind, the failure paths with their messages, and the first-start copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "catalogue/element_loader.h"
#include "common/event_log.h"
#include "common/prompt.h"
#include "gzip_test_util.h"
#include "platform/directories.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

// ISS and GOES 16 from the CelesTrak "active" snapshot of 2026-05-07.
const char* const ISS_NAME = "ISS (ZARYA)             ";
const char* const ISS_1 = "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
const char* const ISS_2 = "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437";
const char* const GOES_NAME = "GOES 16                 ";
const char* const GOES_1 = "1 41866U 16071A   26127.66745124 -.00000083  00000+0  00000+0 0  9993";
const char* const GOES_2 = "2 41866   0.2388  85.6439 0001100 275.7902 359.6556  1.00272766 34699";

std::string Set(const std::string& name, const std::string& l1, const std::string& l2) {
    return name + "\n" + l1 + "\n" + l2 + "\n";
}

// Line 1 with columns 3-7 replaced.
std::string WithNumber(const std::string& line1, const std::string& field) {
    return line1.substr(0, 2) + field + line1.substr(7);
}

class ElementLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        programDir = tmp.Path() / "program";
        workDir = tmp.Path() / "work";
        fs::create_directories(programDir);
        fs::create_directories(workDir);
        context.elementFile = programDir / "keplers";
        context.workDirectory = workDir;
        context.prompt = &prompt;
        context.startDownload = [this] {
            ++downloads;
            return downloadStarts;
        };
    }

    void WriteElementFile(const std::string& text) {
        test::WriteFile(context.elementFile.string(), test::MakeGzip(text));
    }

    ElementLoadReport Load() { return LoadElementFile(context, catalogue, &selection); }

    bool WorkDirEmpty() const { return fs::is_empty(workDir); }

    platform::PrivateTempDir tmp;
    fs::path programDir, workDir;
    ScriptedPrompt prompt;
    EventRecorder events;
    ElementLoadContext context;
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    bool downloadStarts = true;  // what the download hook answers
    int downloads = 0;
};

TEST_F(ElementLoaderTest, LoadsTheRealSnapshotAndRemapsTheSelection) {
    fs::copy_file(fs::path(ORVANTA_TEST_DATA_DIR) / "catalogue" / "wellknown.gz",
                  context.elementFile);
    selection = {{41866, 0, 1, 1, 0, 0}, {25544, 5, 0, 0, 0, 0}, {99999, 3, 0, 0, 0, 0}};
    ElementLoadReport r = Load();

    EXPECT_EQ(r.result, ElementLoadResult::Loaded);
    EXPECT_EQ(r.loaded, 130);
    EXPECT_EQ(r.skipped, 0);
    ASSERT_EQ(catalogue.Count(), 130);
    const KeplerRecord& iss = catalogue.records[0];
    EXPECT_EQ(iss.Name(), ISS_NAME);  // trailing blanks of the file kept
    EXPECT_EQ(iss.Line1(), ISS_1);
    EXPECT_EQ(iss.Line2(), ISS_2);
    EXPECT_EQ(iss.catalogueNumber, 25544);
    EXPECT_EQ(catalogue.records[129].Name(), "LANDSAT 9               ");

    EXPECT_EQ(selection[0].catalogueIndex, 78);
    EXPECT_EQ(catalogue.records[78].Name(), GOES_NAME);
    EXPECT_EQ(selection[0].shown, 1);
    EXPECT_EQ(selection[1].catalogueIndex, 0);
    EXPECT_EQ(selection[2].catalogueIndex, NO_CATALOGUE_INDEX);

    EXPECT_EQ(std::count_if(catalogue.records.begin(), catalogue.records.end(), IsGeostationary),
              44);
    EXPECT_TRUE(events.Contains("130 Kepler elements loaded from file", LOG_INFORMATION));
    EXPECT_FALSE(events.Contains("skipped"));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(WorkDirEmpty());
}

TEST_F(ElementLoaderTest, IncompleteTrailingSetIsIgnored) {
    std::string two = Set(ISS_NAME, ISS_1, ISS_2) + Set(GOES_NAME, GOES_1, GOES_2);
    for (const std::string& tail :
         {std::string(), std::string("EXTRA\n"), std::string("EXTRA\n") + ISS_1 + "\n"}) {
        WriteElementFile(two + tail);
        events.Clear();
        ElementLoadReport r = Load();
        EXPECT_EQ(r.loaded, 2) << tail;
        EXPECT_EQ(r.skipped, 0) << tail;
        EXPECT_EQ(catalogue.records[1].catalogueNumber, 41866);
        EXPECT_TRUE(events.Contains("2 Kepler elements loaded from file"));
    }
}

TEST_F(ElementLoaderTest, LineEndingsAndTheLastLine) {
    // CR LF loses both characters; a last line without its newline loses nothing.
    std::string crlf = std::string(ISS_NAME) + "\r\n" + ISS_1 + "\r\n" + ISS_2 + "\r\n" +
                       GOES_NAME + "\r\n" + GOES_1 + "\r\n" + GOES_2;
    WriteElementFile(crlf);
    ASSERT_EQ(Load().loaded, 2);
    EXPECT_EQ(catalogue.records[0].Name(), ISS_NAME);
    EXPECT_EQ(catalogue.records[0].Line2(), ISS_2);
    EXPECT_EQ(catalogue.records[1].Line2(), GOES_2);
}

TEST_F(ElementLoaderTest, HugeLinesKeepTheirWidthWithoutShiftingLaterSets) {
    std::string longName = std::string(150, 'N');
    std::string longLine1 = std::string(ISS_1) + std::string(300, ' ') + "tail";
    WriteElementFile(Set(longName, longLine1, ISS_2) + Set(GOES_NAME, GOES_1, GOES_2) +
                     Set(std::string(100000, 'x'), ISS_1, ISS_2));
    ElementLoadReport r = Load();
    ASSERT_EQ(r.loaded, 3);
    EXPECT_EQ(catalogue.records[0].Name(), std::string(99, 'N'));
    EXPECT_EQ(catalogue.records[0].Line1().size(), 99u);
    EXPECT_EQ(catalogue.records[0].Line1().substr(0, 69), ISS_1);
    EXPECT_EQ(catalogue.records[1].Name(), GOES_NAME);
    EXPECT_EQ(catalogue.records[2].catalogueNumber, 25544);
}

TEST_F(ElementLoaderTest, ShortElementLinesSkipTheirSetWithOneWarning) {
    std::string shortLine2 = std::string(ISS_2).substr(0, 67);
    std::string shortLine1 = std::string(GOES_1).substr(0, 20);
    WriteElementFile(Set("SHORT 2", ISS_1, shortLine2) + Set(GOES_NAME, GOES_1, GOES_2) +
                     Set("SHORT 1", shortLine1, GOES_2) +
                     Set("EXACTLY 68", ISS_1, std::string(ISS_2).substr(0, 68)));
    ElementLoadReport r = Load();
    EXPECT_EQ(r.loaded, 2);
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(catalogue.records[0].Name(), GOES_NAME);
    EXPECT_EQ(catalogue.records[1].Name(), "EXACTLY 68");
    EXPECT_EQ(events.Entries().size(), 2u);
    EXPECT_TRUE(events.Contains("2 Kepler element sets skipped", LOG_WARNING));
    EXPECT_TRUE(events.Contains("2 Kepler elements loaded from file", LOG_INFORMATION));
}

TEST_F(ElementLoaderTest, MissingOrExtraLinesCostOnlyTheirOwnSet) {
    std::string text = Set(ISS_NAME, ISS_1, ISS_2) + std::string(GOES_NAME) + "\n" + GOES_2 +
                       "\n" +  // line 1 missing
                       Set("SECOND", ISS_1, ISS_2) + "stray comment\n" +
                       Set("THIRD", GOES_1, GOES_2) + ISS_1 + "\n" + ISS_2 + "\n" +  // name missing
                       Set("FOURTH", GOES_1, GOES_2);
    WriteElementFile(text);
    ElementLoadReport r = Load();
    std::vector<std::string> names;
    for (const auto& rec : catalogue.records) names.emplace_back(rec.Name());
    EXPECT_EQ(names, (std::vector<std::string>{ISS_NAME, "SECOND", "THIRD", "FOURTH"}));
    EXPECT_EQ(r.skipped, 3);
}

TEST_F(ElementLoaderTest, CatalogueNumbersInEveryForm) {
    WriteElementFile(Set("BLANKS", WithNumber(ISS_1, "    5"), ISS_2) +
                     Set("ALPHA5", WithNumber(ISS_1, "A0001"), ISS_2) +
                     Set("TOP", WithNumber(ISS_1, "Z9999"), ISS_2) +
                     Set("ZEROS", WithNumber(ISS_1, "00042"), ISS_2));
    ASSERT_EQ(Load().loaded, 4);
    EXPECT_EQ(catalogue.records[0].catalogueNumber, 5);
    EXPECT_EQ(catalogue.records[1].catalogueNumber, 100001);
    EXPECT_EQ(catalogue.records[2].catalogueNumber, 339999);
    EXPECT_EQ(catalogue.records[3].catalogueNumber, 42);
    EXPECT_EQ(FormatCatalogueItem(catalogue.records[1]), "ALPHA5   (100001)");
}

TEST_F(ElementLoaderTest, MissingFileAsksForReinstallAndKeepsTheCatalogue) {
    catalogue.records.resize(3);
    ElementLoadReport r = Load();
    EXPECT_EQ(r.result, ElementLoadResult::FileMissing);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Problem");
    EXPECT_EQ(prompt.asked[0].text,
              "Your application needs to be reinstalled. The Keplers file is missing!");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Error);
    EXPECT_EQ(catalogue.Count(), 3);
    EXPECT_EQ(downloads, 0);
}

TEST_F(ElementLoaderTest, UndecodableFileOffersADownload) {
    catalogue.records.resize(2);
    selection = {{25544, 1, 0, 0, 0, 0}};
    test::WriteFile(context.elementFile.string(), test::ToBytes("<html>login required</html>"));

    prompt.answers = {PromptAnswer::Yes};
    ElementLoadReport r = Load();
    EXPECT_EQ(r.result, ElementLoadResult::DecompressionFailed);
    EXPECT_TRUE(events.Contains("kepler error: problem while unzipping file", LOG_ERROR));
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].caption, "Kestrova");
    EXPECT_EQ(prompt.asked[0].text,
              "No Kepler elements were found. Would you like to download a fresh set of "
              "elements now?");
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Question);
    EXPECT_EQ(prompt.asked[1].caption, "Kestrova");
    EXPECT_EQ(prompt.asked[1].icon, PromptIcon::Information);
    EXPECT_EQ(prompt.asked[1].text,
              "Download has been initiated!\nPlease wait until you see the 'Download complete' "
              "message in the event log window,\nthen proceed to 'Settings' -> 'Satellites' in "
              "order to select the satellites you would like to track");
    EXPECT_EQ(downloads, 1);
    EXPECT_EQ(catalogue.Count(), 2);
    EXPECT_EQ(selection[0].catalogueIndex, 1);
    EXPECT_TRUE(WorkDirEmpty());

    // A damaged trailer, declined: no download, no second box.
    test::Bytes gz = test::MakeGzip(Set(ISS_NAME, ISS_1, ISS_2));
    gz[gz.size() - 8] ^= 0x40;
    test::WriteFile(context.elementFile.string(), gz);
    prompt.asked.clear();
    prompt.answers = {PromptAnswer::No};
    Load();
    EXPECT_TRUE(
        events.Contains("kepler error: problem with zipping/unzipping operation : 1", LOG_ERROR));
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(downloads, 1);
    EXPECT_EQ(catalogue.Count(), 2);
    EXPECT_TRUE(WorkDirEmpty());
}

TEST_F(ElementLoaderTest, NoDownloadMeansNoInitiatedMessage) {
    // A hook that could not start one (it has told the user why) gets no contradiction.
    downloadStarts = false;
    test::WriteFile(context.elementFile.string(), test::ToBytes("not gzip"));
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_EQ(Load().result, ElementLoadResult::DecompressionFailed);
    EXPECT_EQ(downloads, 1);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
}

TEST_F(ElementLoaderTest, StaleWorkFileDoesNotBlockTheLoad) {
    test::WriteFile((workDir / "keplersunz").string(), test::ToBytes("left over"));
    WriteElementFile(Set(ISS_NAME, ISS_1, ISS_2));
    EXPECT_EQ(Load().loaded, 1);
    EXPECT_TRUE(WorkDirEmpty());
}

TEST_F(ElementLoaderTest, EmptyElementTextLoadsAnEmptyCatalogue) {
    catalogue.records.resize(4);
    WriteElementFile("");
    ElementLoadReport r = Load();
    EXPECT_EQ(r.result, ElementLoadResult::Loaded);
    EXPECT_EQ(catalogue.Count(), 0);
    EXPECT_TRUE(events.Contains("0 Kepler elements loaded from file"));
}

TEST_F(ElementLoaderTest, BlankLinesReserveNothing) {
    // A million empty lines once reserved a third of a million records (100 MB).
    const KeplerCatalogue blank = ParseElementText(std::string(1000000, '\n'));
    EXPECT_EQ(blank.records.size(), 0u);
    EXPECT_EQ(blank.records.capacity(), 0u);
    // Sets between the blank lines are still found.
    const std::string text = std::string(1000, '\n') + Set(ISS_NAME, ISS_1, ISS_2) +
                             std::string(1000, '\n') + Set(ISS_NAME, ISS_1, ISS_2);
    EXPECT_EQ(ParseElementText(text).Count(), 2);
}

// Every record that comes out of arbitrary text is safe for the element-set parser.
void ExpectSaneRecords(const KeplerCatalogue& c) {
    for (const KeplerRecord& r : c.records) {
        ASSERT_LT(std::strlen(r.name), KEPLER_TEXT_SIZE);
        ASSERT_GE(r.Line1().size(), 68u);
        ASSERT_LT(r.Line1().size(), KEPLER_TEXT_SIZE);
        ASSERT_GE(r.Line2().size(), 68u);
        ASSERT_LT(r.Line2().size(), KEPLER_TEXT_SIZE);
        ASSERT_EQ(r.line1[0], '1');
        ASSERT_EQ(r.line2[0], '2');
    }
}

TEST(ElementTextFuzzTest, BinaryJunkAndRandomLinesNeverBreakTheParser) {
    std::mt19937 rng(2026);
    const std::vector<std::string> pieces = {ISS_NAME,
                                             ISS_1,
                                             ISS_2,
                                             GOES_1,
                                             GOES_2,
                                             "",
                                             "1",
                                             "2 short",
                                             std::string(120, '1'),
                                             std::string("1 25\0"
                                                         "544U",
                                                         9)};
    for (int round = 0; round < 400; ++round) {
        std::string text;
        if (round % 2 == 0) {
            std::size_t n = rng() % 4000;
            for (std::size_t i = 0; i < n; ++i) {
                unsigned v = rng() % 300;
                text += v < 256 ? static_cast<char>(v) : (v < 280 ? '\n' : '1');
            }
        } else {
            int lines = static_cast<int>(rng() % 60);
            for (int i = 0; i < lines; ++i) {
                text += pieces[rng() % pieces.size()];
                text += (rng() % 5 == 0) ? "\r\n" : "\n";
            }
        }
        std::int32_t skipped = -1;
        KeplerCatalogue c = ParseElementText(text, &skipped);
        ASSERT_GE(skipped, 0);
        ExpectSaneRecords(c);
    }
}

TEST(ElementTextFuzzTest, EmbeddedNulCutsTheVisibleLine) {
    std::string l2(ISS_2);
    l2[40] = '\0';
    std::int32_t skipped = 0;
    KeplerCatalogue c = ParseElementText(Set(ISS_NAME, ISS_1, l2), &skipped);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(skipped, 1);
}

class DefaultElementFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(builtIn);
        fs::create_directories(program);
        test::WriteFile((builtIn / "keplers").string(), test::ToBytes("built-in"));
    }
    platform::PrivateTempDir tmp;
    fs::path builtIn = tmp.Path() / "bin";
    fs::path program = tmp.Path() / "home";
    EventRecorder events;
};

TEST_F(DefaultElementFileTest, FreshProgramDirectoryReceivesACopyOnce) {
    EXPECT_TRUE(InstallDefaultElementFile(program, builtIn));
    EXPECT_EQ(test::ToString(test::ReadFile((program / "keplers").string())), "built-in");
    EXPECT_TRUE(events.Contains("installed the built-in set", LOG_INFORMATION));
    EXPECT_FALSE(fs::exists(program / "keplers.partial"));

    // A downloaded file is never replaced by the built-in one.
    test::WriteFile((program / "keplers").string(), test::ToBytes("downloaded"));
    EXPECT_FALSE(InstallDefaultElementFile(program, builtIn));
    EXPECT_EQ(test::ToString(test::ReadFile((program / "keplers").string())), "downloaded");
}

std::int64_t FileUnixTime(const fs::path& file) {
    auto sys = std::chrono::file_clock::to_sys(fs::last_write_time(file));
    return std::chrono::floor<std::chrono::seconds>(sys).time_since_epoch().count();
}

std::int64_t UnixNow() {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())
        .time_since_epoch()
        .count();
}

TEST_F(DefaultElementFileTest, CopyIsDatedAtItsNewestEpochNotAtTheCopyTime) {
    // GOES 16 (epoch 2026 day 127.66745124 = 2026-05-07 16:01:07.79 UTC) is the newer set,
    // though it stands second; a short set with a later epoch does not count.
    std::string late = std::string(ISS_1).substr(0, 18) + "26200.50000000";
    test::WriteFile((builtIn / "keplers").string(),
                    test::MakeGzip(Set(GOES_NAME, GOES_1, GOES_2) + Set(ISS_NAME, ISS_1, ISS_2) +
                                   Set("SHORT", late, "2 short")));
    fs::last_write_time(builtIn / "keplers", fs::file_time_type::clock::now());
    ASSERT_TRUE(InstallDefaultElementFile(program, builtIn));
    EXPECT_EQ(FileUnixTime(program / "keplers"), 1778169667);

    // An epoch in the future (a wrong clock, a doctored file) dates the copy now, so the
    // age never reads negative.
    fs::remove(program / "keplers");
    std::string future =
        std::string(ISS_1).substr(0, 18) + "55001.00000000" + std::string(ISS_1).substr(32);
    test::WriteFile((builtIn / "keplers").string(), test::MakeGzip(Set(ISS_NAME, future, ISS_2)));
    std::int64_t before = UnixNow();
    ASSERT_TRUE(InstallDefaultElementFile(program, builtIn));
    EXPECT_GE(FileUnixTime(program / "keplers"), before);
    EXPECT_LE(FileUnixTime(program / "keplers"), UnixNow());
}

TEST_F(DefaultElementFileTest, EpochsOutsideTheCalendarDoNotDateTheCopy) {
    // Day fields of 999999999999 and -60000 once overflowed on the way to the file's date;
    // such sets are invalid and leave the copy as it was made.
    auto dated = [](const std::string& day) {
        return Set(ISS_NAME, std::string(ISS_1).substr(0, 20) + day + std::string(ISS_1).substr(32),
                   ISS_2);
    };
    test::WriteFile((builtIn / "keplers").string(),
                    test::MakeGzip(dated("999999999999") + dated("      -60000")));
    const std::int64_t before = UnixNow();
    ASSERT_TRUE(InstallDefaultElementFile(program, builtIn));
    EXPECT_GE(FileUnixTime(program / "keplers"), before - 5);
    EXPECT_FALSE(NewestElementEpoch(ParseElementText(dated("999999999999"))).has_value());
}

TEST_F(DefaultElementFileTest, NewestEpochOfACatalogue) {
    EXPECT_FALSE(NewestElementEpoch(KeplerCatalogue{}).has_value());
    KeplerCatalogue c =
        ParseElementText(Set(ISS_NAME, ISS_1, ISS_2) + Set(GOES_NAME, GOES_1, GOES_2));
    auto newest = NewestElementEpoch(c);
    ASSERT_TRUE(newest.has_value());
    EXPECT_NEAR(newest->Date(), 2461168.0 + 0.16745124, 1e-8);  // 2026-05-07.66745124

    // Elements issued days ahead (as for Cluster II in the same snapshot) are not the
    // file's date; a set less than a day past the median still is.
    auto dated = [](const std::string& epoch) {
        return Set(GOES_NAME,
                   std::string(GOES_1).substr(0, 18) + epoch + std::string(GOES_1).substr(32),
                   GOES_2);
    };
    c = ParseElementText(Set(ISS_NAME, ISS_1, ISS_2) + dated("26130.20719946") +
                         Set(GOES_NAME, GOES_1, GOES_2) + dated("26128.40000000"));
    newest = NewestElementEpoch(c);
    ASSERT_TRUE(newest.has_value());
    EXPECT_NEAR(newest->Date(), 2461168.0 + 0.9, 1e-8);  // 2026-05-08.4
}

TEST_F(DefaultElementFileTest, NothingToCopy) {
    EXPECT_FALSE(InstallDefaultElementFile(builtIn, builtIn));  // portable install
    fs::remove(builtIn / "keplers");
    EXPECT_FALSE(InstallDefaultElementFile(program, builtIn));
    EXPECT_FALSE(fs::exists(program / "keplers"));
    EXPECT_TRUE(events.Entries().empty());
}

}  // namespace
}  // namespace orvanta
