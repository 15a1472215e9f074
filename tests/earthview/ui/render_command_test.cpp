// `orvanta --render` as a bug report or the README runs it: the image file at the asked size,
// in the format of its extension, and plain errors for bad arguments.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "platform/directories.h"
#include "tests/platform/scoped_env.h"
#include "tests/support/cli_runner.h"

namespace orvanta {
namespace {

const std::string kProgram = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta";

class RenderCommandTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }
    platform::PrivateTempDir dir_;
    test::ScopedEnv home_{"ORVANTA_HOME", Path("home").c_str()};
    test::ScopedEnv settings_{"ORVANTA_SETTINGS", Path("settings.reg").c_str()};
    test::ScopedEnv display_{"DISPLAY", nullptr};
    test::ScopedEnv wayland_{"WAYLAND_DISPLAY", nullptr};
    test::ScopedEnv platform_{"QT_QPA_PLATFORM", nullptr};
};

TEST_F(RenderCommandTest, WritesTheViewWithoutADisplay) {
    const auto run = testing::RunCli(kProgram,
                                     "--render earthview --at 2026-05-08T18:25:00Z --size 320x160 --out " +
                                         Path("earth.png"),
                                     dir_.Path());
    ASSERT_EQ(run.status, 0) << (run.err.empty() ? "" : run.err.back());
    const QImage image(QString::fromStdString(Path("earth.png")));
    EXPECT_EQ(image.size(), QSize(320, 160));
    // The first start installed the built-in elements in the program directory.
    EXPECT_TRUE(std::filesystem::exists(Path("home") + "/keplers"));
}

TEST_F(RenderCommandTest, BadArgumentsSayWhat) {
    for (const std::string args : {std::string("--render nosuchview --out x.png"),
                                   std::string("--render earthview --size 0x10 --out x.png"),
                                   std::string("--render earthview --at yesterday --out x.png"),
                                   std::string("--render earthview")}) {
        const auto run = testing::RunCli(kProgram, args, dir_.Path());
        EXPECT_EQ(run.status, 2) << args;
        ASSERT_FALSE(run.err.empty()) << args;
        EXPECT_EQ(run.err.back().rfind("orvanta: ", 0), 0u) << run.err.back();
    }
    const auto unwritable =
        testing::RunCli(kProgram, "--render earthview --out " + Path("x.unknownformat"), dir_.Path());
    EXPECT_EQ(unwritable.status, 1);
}

}  // namespace
}  // namespace orvanta
