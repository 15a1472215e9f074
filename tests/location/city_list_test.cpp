#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/event_log.h"
#include "location/city_list.h"
#include "location/user_location.h"
#include "tests/support/unique_temp_dir.h"

using namespace orvanta;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CityListLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orvanta::testing::MakeUniqueTempDir("orvanta-cities-");
    }
    void TearDown() override { fs::remove_all(dir_); }
    bool DirEmpty() const { return fs::is_empty(dir_); }
    fs::path dir_;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TEST_F(CityListLoad, BuiltInListIsCompleteSortedAndInRange) {
    EventRecorder log;
    auto lines = LoadCityList(ReadFile(fs::path(ORVANTA_SOURCE_DIR) / "resources/cities.gz"), dir_);
    EXPECT_TRUE(log.Entries().empty());
    EXPECT_TRUE(DirEmpty()) << "work files must not outlive the loading";
    ASSERT_GE(lines.size(), 2100u);
    ASSERT_LE(lines.size(), 2300u);

    std::pair<std::string, std::string> previous;
    int london = 0;
    for (const auto& line : lines) {
        auto f = SplitCityFields(line);
        ASSERT_EQ(f.size(), 5u) << line;
        ASSERT_FALSE(f[0].empty()) << line;
        for (std::size_t i = 1; i < 5; ++i) ASSERT_EQ(f[i][0], ' ') << line;
        double lon = ReadAngleField(f[2]), lat = ReadAngleField(f[3]);
        EXPECT_GE(lon, -180.0) << line;
        EXPECT_LE(lon, 180.0) << line;
        EXPECT_GE(lat, -90.0) << line;
        EXPECT_LE(lat, 90.0) << line;
        std::pair<std::string, std::string> key{Lower(f[0]), Lower(f[1])};
        EXPECT_LE(previous, key) << "not sorted at " << line;
        previous = key;
        if (f[0] == "London" && f[1] == " United Kingdom") {
            ++london;
            EXPECT_NEAR(lon, -0.13, 0.02);
            EXPECT_NEAR(lat, 51.5, 0.02);
        }
    }
    EXPECT_EQ(london, 1);
}

TEST(CityFields, CopyRuleKeepsLeadingBlanks) {
    auto t = CityLocationFields("London, England, -.1167, 51.5, 20");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->longitude, " -.1167");
    EXPECT_EQ(t->latitude, " 51.5");
    EXPECT_EQ(t->altitude, " 20");
    EXPECT_DOUBLE_EQ(ReadAngleField(t->longitude), -0.1167);
    EXPECT_DOUBLE_EQ(ReadAngleField(t->latitude), 51.5);
    EXPECT_EQ(ReadAltitudeField(t->altitude), 20);

    EXPECT_FALSE(CityLocationFields("Nowhere, Land, 1.0, 2.0"));
    EXPECT_FALSE(CityLocationFields(""));
    // Extra fields do not shift the three that are copied.
    auto extra = CityLocationFields("A, B, 1, 2, 3, 4");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->altitude, " 3");
}

TEST(CityFields, LinesAreCutNotSplit) {
    std::istringstream in("Short, X, 1, 2, 3\r\n\n" + std::string(150, 'a') + "\nLast, Y, 4, 5, 6");
    auto lines = ReadCityLines(in);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Short, X, 1, 2, 3");
    EXPECT_EQ(lines[1], std::string(kMaxCityLine, 'a'));
    EXPECT_EQ(lines[2], "Last, Y, 4, 5, 6");
}

TEST_F(CityListLoad, DamagedDataIsLoggedAndLeavesNoWorkFiles) {
    EventRecorder log;
    auto lines = LoadCityList("this is not gzip data", dir_);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(
        log.Contains("Unable to load citylist! Error: problem while unzipping file", LOG_ERROR));
    EXPECT_TRUE(DirEmpty());

    // A stale target from an earlier crash does not stop the next load.
    log.Clear();
    std::ofstream(dir_ / "2911711") << "stale";
    lines = LoadCityList(ReadFile(fs::path(ORVANTA_SOURCE_DIR) / "resources/cities.gz"), dir_);
    EXPECT_GE(lines.size(), 2100u);
    EXPECT_TRUE(log.Entries().empty());
}

TEST(CityListLoadFailure, UnwritableWorkDirectoryIsLogged) {
    EventRecorder log;
    auto lines = LoadCityList("x", fs::path("/nonexistent-orvanta-dir/sub"));
    EXPECT_TRUE(lines.empty());
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].text, "Unable to load citylist!");
    EXPECT_EQ(log.Entries()[0].level, LOG_ERROR);
}
