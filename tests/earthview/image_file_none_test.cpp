// The edition built without an image library: reads and writes fail with one message, and
// orvanta-cli daynight says so and exits non-zero instead of writing a file.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/event_log.h"
#include "earthview/image_file.h"
#include "platform/directories.h"
#include "tests/support/cli_runner.h"

namespace orvanta {
namespace {

TEST(ImageFileWithoutLibrary, ReadsAndWritesFailWithOneMessage) {
    platform::PrivateTempDir dir;
    EventRecorder log;
    EXPECT_FALSE(ImageSupportBuiltIn());
    const std::uint8_t bytes[] = {0xFF, 0xD8, 0xFF};
    EXPECT_FALSE(DecodeJpegMemory(bytes, sizeof bytes).has_value());
    EXPECT_FALSE(DecodeJpegFile(dir.Path() / "a.jpg").has_value());
    EXPECT_FALSE(SaveImageFile(PixelImage(2, 2), dir.Path() / "a.png", 0));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "a.png"));
    ASSERT_EQ(log.Entries().size(), 3u);
    for (const EventEntry& e : log.Entries()) EXPECT_EQ(e.text, kNoImageSupportText);
}

TEST(ImageFileWithoutLibrary, DayNightCommandReportsItAndFails) {
    platform::PrivateTempDir dir;
    const auto run = testing::RunCli(std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli",
                                     "daynight --at 2026-12-21T12:00:00Z --out " +
                                         (dir.Path() / "a.jpg").string(),
                                     dir.Path());
    EXPECT_NE(run.status, 0);
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_EQ(run.err[0], "orvanta-cli: daynight: image support is not built into this edition");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "a.jpg"));
}

}  // namespace
}  // namespace orvanta
