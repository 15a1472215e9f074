// The built-in star file against published catalogue values (Yale Bright Star Catalogue,
// 5th revised edition, VizieR V/50), its layout, and the loader's failure paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/event_log.h"
#include "skyview/star_catalogue.h"

using namespace orvanta;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string BuiltInStars() {
    return ReadFile(fs::path(ORVANTA_SOURCE_DIR) / "resources" / "ybsc.gz");
}

class StarLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orvanta-stars-" + std::string(::testing::UnitTest::GetInstance()
                                                   ->current_test_info()
                                                   ->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

}  // namespace

TEST_F(StarLoad, BuiltInFileHoldsThePublishedStarsAndLeavesNoWorkFiles) {
    EventRecorder log;
    auto c = LoadStarCatalogue(BuiltInStars(), dir_);
    ASSERT_TRUE(c);
    EXPECT_TRUE(log.Contains("9110 stars loaded from the Yale Bright Star Catalog", LOG_INFORMATION));
    EXPECT_EQ(c->count, 9110);
    ASSERT_EQ(c->table.size(), 9110u);
    EXPECT_EQ(c->boxes.size(), 9110u);
    EXPECT_TRUE(fs::is_empty(dir_));

    const StarRecord& hr1 = c->table[0];
    EXPECT_EQ(hr1.hd, 3);
    EXPECT_EQ(hr1.sao, 36042);
    EXPECT_NEAR(hr1.raHours, 0.0860833, 1e-7);
    EXPECT_NEAR(hr1.decDegrees, 45.2291667, 1e-7);
    EXPECT_DOUBLE_EQ(hr1.magnitude, 6.70);
    EXPECT_EQ(hr1.Bayer(), "    ");
    EXPECT_EQ(hr1.Constellation(), "   ");  // HR 1 has no Bayer or Flamsteed name

    // Sirius, HR 2491: 6h 45m 08.9s, -16 deg 42' 58", V -1.46.
    const StarRecord& sirius = c->table[2490];
    EXPECT_EQ(sirius.Bayer(), "Alp ");
    EXPECT_EQ(sirius.Constellation(), "CMa");
    EXPECT_EQ(sirius.hd, 48915);
    EXPECT_EQ(sirius.sao, 151881);
    EXPECT_NEAR(sirius.raHours, 6 + 45 / 60.0 + 8.9 / 3600, 1e-9);
    EXPECT_NEAR(sirius.decDegrees, -(16 + 42 / 60.0 + 58 / 3600.0), 1e-9);
    EXPECT_DOUBLE_EQ(sirius.magnitude, -1.46);
    // Vega, HR 7001: 18h 36m 56.3s, +38 deg 47' 01", V 0.03.
    const StarRecord& vega = c->table[7000];
    EXPECT_EQ(vega.hd, 172167);
    EXPECT_NEAR(vega.raHours, 18 + 36 / 60.0 + 56.3 / 3600, 1e-9);
    EXPECT_NEAR(vega.decDegrees, 38 + 47 / 60.0 + 1 / 3600.0, 1e-9);
    EXPECT_DOUBLE_EQ(vega.magnitude, 0.03);
    // Polaris, HR 424: 2h 31m 48.7s, +89 deg 15' 51", V 2.02.
    const StarRecord& polaris = c->table[423];
    EXPECT_EQ(polaris.Bayer(), "Alp ");
    EXPECT_EQ(polaris.Constellation(), "UMi");
    EXPECT_NEAR(polaris.raHours, 2 + 31 / 60.0 + 48.7 / 3600, 1e-9);
    EXPECT_NEAR(polaris.decDegrees, 89 + 15 / 60.0 + 51 / 3600.0, 1e-9);
    EXPECT_DOUBLE_EQ(polaris.magnitude, 2.02);

    // The 14 withdrawn entries are zero records; every other record is a star.
    int zero = 0;
    double brightest = 99, faintest = -99;
    for (const StarRecord& s : c->table) {
        if (s.IsZero()) {
            ++zero;
            continue;
        }
        brightest = std::min(brightest, s.magnitude);
        faintest = std::max(faintest, s.magnitude);
        EXPECT_GE(s.raHours, 0.0);
        EXPECT_LT(s.raHours, 24.0);
    }
    EXPECT_EQ(zero, 14);
    EXPECT_TRUE(c->table[91].IsZero());  // HR 92, Nova 1572
    EXPECT_DOUBLE_EQ(brightest, -1.46);
    EXPECT_DOUBLE_EQ(faintest, 7.96);
}

TEST(StarRecordLayout, RecordsRoundTripByteForByteAtTheirOffsets) {
    StarRecord s;
    s.flamsteedTens = 3;
    s.bayer = {'G', 'a', 'm', '1', '\0'};
    s.constellation = {'P', 's', 'c', '\0'};
    s.hd = 224617;
    s.sao = 258997;
    s.raHours = 23.987654321;
    s.decDegrees = -89.5;
    s.magnitude = 7.96;
    std::uint8_t bytes[STAR_RECORD_SIZE];
    EncodeStarRecord(s, bytes);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[4], 'G');
    EXPECT_EQ(bytes[8], 0);
    EXPECT_EQ(bytes[9], 'P');
    EXPECT_EQ(bytes[13], 0);
    EXPECT_EQ(bytes[16] | bytes[17] << 8 | bytes[18] << 16, 224617);
    const StarRecord back = DecodeStarRecord(bytes);
    EXPECT_EQ(back.Bayer(), "Gam1");
    EXPECT_EQ(back.Constellation(), "Psc");
    EXPECT_EQ(back.hd, s.hd);
    EXPECT_EQ(back.sao, s.sao);
    EXPECT_EQ(back.raHours, s.raHours);
    EXPECT_EQ(back.decDegrees, s.decDegrees);
    EXPECT_EQ(back.magnitude, s.magnitude);
}

TEST(StarRecordLayout, AShortFileLeavesTheRestZeroAndTheViewWalksTheCapacity) {
    std::string bytes(STAR_RECORD_SIZE * 2 + 17, '\0');
    StarRecord s;
    s.hd = 7;
    s.magnitude = 1.5;
    EncodeStarRecord(s, reinterpret_cast<std::uint8_t*>(&bytes[STAR_RECORD_SIZE]));
    auto c = ParseStarFile(bytes);
    EXPECT_EQ(c->count, STAR_CAPACITY);
    EXPECT_EQ(c->table[1].hd, 7);
    EXPECT_TRUE(c->table[2].IsZero());  // the partial third record is not read
    EXPECT_TRUE(c->table[9109].IsZero());
}

TEST_F(StarLoad, AWorkDirectoryThatCannotTakeFilesLogsTheExtractFailure) {
    // A plain file where the directory should be fails for every user, root included.
    const fs::path notADirectory = dir_ / "file";
    std::ofstream(notADirectory) << "x";
    EventRecorder log;
    EXPECT_FALSE(LoadStarCatalogue(BuiltInStars(), notADirectory));
    EXPECT_TRUE(log.Contains("Failed to extract YBSC from resource!", LOG_ERROR));
}

TEST_F(StarLoad, DamagedResourceLogsTheGzipErrorAndBuildsNoTable) {
    std::string damaged = BuiltInStars();
    damaged.resize(damaged.size() / 2);
    EventRecorder log;
    EXPECT_FALSE(LoadStarCatalogue(damaged, dir_));
    EXPECT_TRUE(log.Contains("YBSC error: ", LOG_ERROR));
    EXPECT_FALSE(log.Contains("stars loaded"));
    EXPECT_TRUE(fs::is_empty(dir_));
}
