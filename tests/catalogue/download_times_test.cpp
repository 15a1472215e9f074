// The services' rate rules over several groups, and the two stored forms of the last
// request times: the settings value and the command line's state file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "catalogue/download_times.h"
#include "tests/support/unique_temp_dir.h"

namespace orvanta {
namespace {

constexpr double kNow = 2461168.5;
constexpr double kHour = 1.0 / 24;

TEST(DownloadTimes, EachGroupCountsOnItsOwn) {
    DownloadTimes t;
    NoteDownload(t, ElementSource::CelesTrak, "active", kNow);
    NoteDownload(t, ElementSource::CelesTrak, "stations", kNow + 0.5 * kHour);
    // Another group in between does not reset the first one's 2 hours.
    const auto next = NextAllowedFor(t, ElementSource::CelesTrak, "active", kNow + kHour);
    ASSERT_TRUE(next);
    EXPECT_DOUBLE_EQ(*next, kNow + 2 * kHour);
    EXPECT_TRUE(NextAllowedFor(t, ElementSource::CelesTrak, "stations", kNow + kHour));
    EXPECT_FALSE(NextAllowedFor(t, ElementSource::CelesTrak, "visual", kNow + kHour));
    EXPECT_FALSE(NextAllowedFor(t, ElementSource::CelesTrak, "active", kNow + 2 * kHour));
    // Space-Track: one query an hour, whatever the group; the element server has no rule.
    NoteDownload(t, ElementSource::SpaceTrack, "active", kNow);
    EXPECT_TRUE(NextAllowedFor(t, ElementSource::SpaceTrack, "other", kNow + 0.9 * kHour));
    EXPECT_FALSE(NextAllowedFor(t, ElementSource::SpaceTrack, "other", kNow + kHour));
    NoteDownload(t, ElementSource::Legacy, "", kNow);
    EXPECT_FALSE(NextAllowedFor(t, ElementSource::Legacy, "", kNow));
    EXPECT_EQ(RateRuleRefusal(ElementSource::CelesTrak, "active", "then"),
              "CelesTrak allows one download of the \"active\" group every 2 hours; the next "
              "is allowed at then");
    EXPECT_EQ(RateRuleRefusal(ElementSource::SpaceTrack, "", "then"),
              "Space-Track allows one download of the element catalogue an hour; the next is "
              "allowed at then");
}

TEST(DownloadTimes, GroupListRoundTripsAndStaysShort) {
    const std::map<std::string, double> times = {
        {"active", kNow - kHour}, {"gps-ops", kNow - 0.25 * kHour}, {"old", kNow - 3 * kHour}};
    const std::string text = FormatGroupTimes(times, kNow);
    // Groups whose 2 hours are over can hold nothing up and are dropped.
    EXPECT_EQ(text, "gps-ops=2461168.48958333;active=2461168.45833333");
    const auto back = ParseGroupTimes(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_NEAR(back.at("active"), kNow - kHour, 1e-8);
    // Damaged entries cost themselves only.
    const auto mixed = ParseGroupTimes("a=1;=2;b c=3;d=x;e=-5;f=2461168.5;g=;;h");
    EXPECT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed.count("f"), 1u);
    EXPECT_EQ(mixed.count("a"), 1u);
    // However many groups, the text fits its value and keeps the newest.
    std::map<std::string, double> many;
    for (int i = 0; i < 200; ++i)
        many["group-with-a-long-name-" + std::to_string(i)] = kNow - i / 86400.0;
    const std::string capped = FormatGroupTimes(many, kNow);
    EXPECT_LE(capped.size(), MAX_GROUP_TIMES_TEXT);
    EXPECT_TRUE(capped.starts_with("group-with-a-long-name-0="));
}

TEST(DownloadTimes, StateFileRoundTripAndDamage) {
    const std::filesystem::path dir = testing::MakeUniqueTempDir("orvanta-download-state-");
    const std::filesystem::path file = dir / DOWNLOAD_STATE_FILE_NAME;
    // Nothing there yet: no downloads.
    EXPECT_TRUE(LoadDownloadState(file).celesTrak.empty());

    DownloadTimes t;
    NoteDownload(t, ElementSource::CelesTrak, "active", kNow);
    NoteDownload(t, ElementSource::CelesTrak, "stations", kNow - 1.5 * kHour);
    NoteDownload(t, ElementSource::SpaceTrack, "", kNow - 0.5 * kHour);
    std::string error;
    ASSERT_TRUE(SaveDownloadState(file, t, kNow, error)) << error;
    const DownloadTimes back = LoadDownloadState(file);
    EXPECT_EQ(back.celesTrak.size(), 2u);
    EXPECT_NEAR(back.celesTrak.at("stations"), kNow - 1.5 * kHour, 1e-8);
    EXPECT_NEAR(back.spaceTrack, kNow - 0.5 * kHour, 1e-8);

    // Junk lines and a Windows line end are skipped or read; a huge file is read only in part.
    std::ofstream(file, std::ios::binary)
        << "celestrak\ncelestrak a\ncelestrak a b c\nspacetrack nan\nfoo 1\r\n"
        << "celestrak x 2461168.5\r\n"
        << std::string(200000, '#') << "\ncelestrak late 2461168.5\n";
    const DownloadTimes damaged = LoadDownloadState(file);
    EXPECT_EQ(damaged.celesTrak.size(), 1u);
    EXPECT_EQ(damaged.celesTrak.count("x"), 1u);
    EXPECT_EQ(damaged.spaceTrack, 0.0);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orvanta
