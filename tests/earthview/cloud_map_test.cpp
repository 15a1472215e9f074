// Cloud map bookkeeping: the server list, the map's time stamp and the download schedule.
#include <gtest/gtest.h>

#include <cstring>

#include "earthview/cloud_map.h"
#include "orbit/julian_date.h"

namespace orvanta {
namespace {

double Jd(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SystemTime t;
    t.wYear = static_cast<std::uint16_t>(y);
    t.wMonth = static_cast<std::uint16_t>(mo);
    t.wDay = static_cast<std::uint16_t>(d);
    t.wHour = static_cast<std::uint16_t>(h);
    t.wMinute = static_cast<std::uint16_t>(mi);
    t.wSecond = static_cast<std::uint16_t>(s);
    return cJulianDate(t).Date();
}

std::vector<std::uint8_t> FileWithStamp(const char* stamp) {
    std::vector<std::uint8_t> file(400, 'x');
    std::memcpy(file.data() + 174, stamp, std::strlen(stamp));
    return file;
}

TEST(CloudServerList, LinesUpToTheTwentyFourthWithoutLineEnds) {
    std::string text;
    for (int i = 1; i <= 30; ++i) text += "http://127.0.0.1/map" + std::to_string(i) + ".jpg\r\n";
    const auto lines = ParseCloudServerList(text);
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines.front(), "http://127.0.0.1/map1.jpg");
    EXPECT_EQ(lines.back(), "http://127.0.0.1/map24.jpg");
    EXPECT_EQ(ParseCloudServerList("a\n\n  \r\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(ParseCloudServerList("").empty());
}

TEST(CloudServerList, PickStaysInsideTheList) {
    EXPECT_EQ(PickCloudServer(1, 0), 0);
    EXPECT_EQ(PickCloudServer(1, 32767), 0);  // one line always picks it
    EXPECT_EQ(PickCloudServer(24, 0), 0);
    EXPECT_EQ(PickCloudServer(24, 32767), 23);
    EXPECT_EQ(PickCloudServer(3, 16384), 1);
    EXPECT_EQ(PickCloudServer(0, 100), 0);
}

TEST(CloudMapTimestamp, ReadsTheStampWithTheCurrentYear) {
    const auto t = CloudMapTimestamp(FileWithStamp("Dec 07 12:34:56"), Jd(2026, 12, 8, 9));
    ASSERT_TRUE(t.has_value());
    EXPECT_NEAR(*t, Jd(2026, 12, 7, 12, 34, 56), 1e-6);
    const auto may = CloudMapTimestamp(FileWithStamp("May 01 00:00:00"), Jd(2026, 5, 1, 3));
    ASSERT_TRUE(may.has_value());
    EXPECT_NEAR(*may, Jd(2026, 5, 1), 1e-6);
}

TEST(CloudMapTimestamp, DecemberMapReadInJanuaryBelongsToThePreviousYear) {
    const auto t = CloudMapTimestamp(FileWithStamp("Dec 31 21:00:00"), Jd(2027, 1, 1, 2));
    ASSERT_TRUE(t.has_value());
    EXPECT_NEAR(*t, Jd(2026, 12, 31, 21), 1e-6);
    // And so a download is due again three hours after it, not in eleven months.
    CloudBookkeeping b;
    b.mapTime = *t;
    EXPECT_TRUE(CloudDownloadDue(b, Jd(2027, 1, 1, 2), true));
}

TEST(CloudMapTimestamp, RefusesShortFilesAndNonsense) {
    EXPECT_FALSE(CloudMapTimestamp(std::vector<std::uint8_t>(188, 'x'), Jd(2026, 1, 1)).has_value());
    EXPECT_FALSE(CloudMapTimestamp(FileWithStamp("Xyz 07 12:34:56"), Jd(2026, 1, 1)).has_value());
    EXPECT_FALSE(CloudMapTimestamp(FileWithStamp("Dec 7  12:34:56"), Jd(2026, 1, 1)).has_value());
    EXPECT_FALSE(CloudMapTimestamp(FileWithStamp("Dec 07 25:34:56"), Jd(2026, 1, 1)).has_value());
}

TEST(CloudDownloadDue, AllFourConditions) {
    const double now = Jd(2026, 12, 8, 12);
    CloudBookkeeping none;
    EXPECT_TRUE(CloudDownloadDue(none, now, true));   // no map: due at once
    EXPECT_FALSE(CloudDownloadDue(none, now, false));  // clouds hidden
    CloudBookkeeping young = none;
    young.mapTime = now - 2.9 / 24;
    EXPECT_FALSE(CloudDownloadDue(young, now, true));
    CloudBookkeeping fetched = none;
    fetched.lastSuccess = now - 1.9 / 24;
    EXPECT_FALSE(CloudDownloadDue(fetched, now, true));
    fetched.lastSuccess = now - 2.1 / 24;
    EXPECT_TRUE(CloudDownloadDue(fetched, now, true));
    CloudBookkeeping tried = none;
    tried.lastAttempt = now - 4.0 / 1440;
    EXPECT_FALSE(CloudDownloadDue(tried, now, true));
    tried.lastAttempt = now - 5.1 / 1440;
    EXPECT_TRUE(CloudDownloadDue(tried, now, true));
}

}  // namespace
}  // namespace orvanta
