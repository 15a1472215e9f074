// orvanta-cli daynight as a script runs it: the background alone, at the requested size, with
// and without a cloud map, and its argument errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "earthview/image_file.h"
#include "platform/directories.h"
#include "tests/support/cli_runner.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using testing::RunCli;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";

class DayNightCliTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }
    platform::PrivateTempDir dir_;
};

TEST_F(DayNightCliTest, WritesTheBackgroundAtTheRequestedSize) {
    const auto run = RunCli(kCli, "daynight --at 2026-12-21T12:00:00Z --out " + Path("a.jpg") +
                                      " --width 512 --height 256", dir_.Path());
    ASSERT_EQ(run.status, 0) << (run.err.empty() ? "" : run.err[0]);
    const auto image = DecodeJpegFile(Path("a.jpg"));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 256);
    // Midwinter noon at Greenwich: Antarctica (bottom centre) is lit, the Arctic (top centre)
    // is dark.
    auto brightness = [&](int x, int y) {
        const std::uint32_t p = image->At(x, y);
        return RedOf(p) + GreenOf(p) + BlueOf(p);
    };
    EXPECT_GT(brightness(256, 250), 500);
    EXPECT_LT(brightness(256, 5), 400);
}

TEST_F(DayNightCliTest, CloudsBrightenTheMap) {
    // A white cloud map over the left half.
    PixelImage clouds(1024, 1024, PixelRgb(0, 0, 0));
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x) clouds.At(x, y) = PixelRgb(255, 255, 255);
    ASSERT_TRUE(SaveImageFile(clouds, Path("clouds.jpg"), 95));
    const auto run = RunCli(kCli, "daynight --at 2026-12-21T00:00:00Z --out " + Path("c.png") +
                                      " --clouds " + Path("clouds.jpg"), dir_.Path());
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(fs::exists(Path("c.png")));
}

TEST_F(DayNightCliTest, BadArgumentsExitTwoWithOneLine) {
    for (const std::string args :
         {std::string("daynight --out x.png"), std::string("daynight --at 2026-13-01T00:00:00Z --out x.png"),
          std::string("daynight --at 2026-12-01T00:00:00Z"),
          std::string("daynight --at 2026-12-01T00:00:00Z --out x.png --width 0"),
          "daynight --at 2026-12-01T00:00:00Z --out x.png --clouds " + Path("missing.jpg")}) {
        const auto run = RunCli(kCli, args, dir_.Path());
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.err.size(), 1u) << args;
    }
    const auto unwritable = RunCli(kCli, "daynight --at 2026-12-01T00:00:00Z --out " + Path("x.unknown"),
                                   dir_.Path());
    EXPECT_EQ(unwritable.status, 1);
}

#ifndef _WIN32
// The library is opened on first use, so a missing one is an error message, not a failed start.
TEST_F(DayNightCliTest, WithoutTheImageLibraryExitsOneWithTheReason) {
    const std::string absent = Path("libabsent.so");
    const auto run = RunCli("env", "ORVANTA_FREEIMAGE_LIBRARY=" + absent + " \"" + kCli +
                                       "\" daynight --at 2026-12-21T12:00:00Z --out " + Path("a.png"),
                            dir_.Path());
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_EQ(run.err[0].rfind("orvanta-cli: daynight: image support is not available: " + absent +
                                   " could not be loaded (" + absent + ": cannot open",
                               0),
              0u)
        << run.err[0];
    EXPECT_FALSE(fs::exists(Path("a.png")));
}
#endif

}  // namespace
}  // namespace orvanta
