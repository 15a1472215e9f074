// Work directories: private, removed with their guard, and available whatever TMPDIR says.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/directories.h"
#include "tests/platform/scoped_env.h"

namespace fs = std::filesystem;
using namespace orvanta::platform;

using orvanta::test::ScopedEnv;

TEST(PrivateTempDir, OwnerOnlyAndRemovedWithItsContents) {
    fs::path kept;
    {
        PrivateTempDir dir;
        ASSERT_TRUE(dir.Ok());
        kept = dir.Path();
        struct stat st {};
        ASSERT_EQ(::stat(kept.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        std::ofstream(kept / "keplersunz") << "work";
        PrivateTempDir other;
        EXPECT_NE(other.Path(), kept);
    }
    EXPECT_FALSE(fs::exists(kept));
}

TEST(PrivateTempDir, TmpdirThatIsNoDirectoryFallsBackInsteadOfThrowing) {
    PrivateTempDir scratch;
    ASSERT_TRUE(scratch.Ok());
    const fs::path notADirectory = scratch.Path() / "file";
    std::ofstream(notADirectory) << "x";
    for (const fs::path& bad : {notADirectory, scratch.Path() / "missing"}) {
        ScopedEnv tmpdir("TMPDIR", bad.c_str());
        std::unique_ptr<PrivateTempDir> dir;
        ASSERT_NO_THROW(dir = std::make_unique<PrivateTempDir>()) << bad;
        ASSERT_TRUE(dir->Ok());
        EXPECT_TRUE(fs::is_directory(dir->Path()));
    }
}

TEST(ProgramDirectory, OrvantaHomeIsUsedAndCreated) {
    PrivateTempDir scratch;
    ASSERT_TRUE(scratch.Ok());
    const fs::path home = scratch.Path() / "a" / "b";
    ScopedEnv env("ORVANTA_HOME", home.c_str());
    EXPECT_EQ(ProgramDirectory(), home);
    EXPECT_TRUE(fs::is_directory(home));
}

// Every test executable starts with its home, settings file and XDG folders inside the build,
// so no test can reach the real user's settings (ctest's environment alone lost all but one).
TEST(TestEnvironment, HomeSettingsAndXdgFoldersLieInTheBuild) {
    const std::string build = ORVANTA_BINARY_DIR;
    for (const char* name : {"HOME", "ORVANTA_SETTINGS", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                             "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(std::string(value).rfind(build, 0), 0u) << name << "=" << value;
    }
    struct stat info {};
    ASSERT_EQ(stat(std::getenv("XDG_RUNTIME_DIR"), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// An installed program (bin/ beside share/orvanta/) reads its data from the prefix and keeps
// its own files per user even where it could write beside itself; a build folder or a
// portable copy keeps both beside the executable.
TEST(ProgramDirectory, InstalledLayoutReadsThePrefixAndWritesPerUser) {
    PrivateTempDir scratch;
    ASSERT_TRUE(scratch.Ok());
    ScopedEnv noHome("ORVANTA_HOME", "");
    const fs::path userData = scratch.Path() / "xdg-data";
    ScopedEnv xdg("XDG_DATA_HOME", userData.c_str());

    const fs::path bin = scratch.Path() / "prefix" / "bin";
    fs::create_directories(bin);
    // No data directory yet: a portable copy.
    EXPECT_FALSE(IsInstalledLayout(bin));
    EXPECT_EQ(BuiltInDataDirectoryFor(bin), bin);
    EXPECT_EQ(ProgramDirectoryFor(bin), bin);

    const fs::path data = (bin / InstalledDataPathFromBin()).lexically_normal();
    fs::create_directories(data);
    EXPECT_TRUE(IsInstalledLayout(bin));
    EXPECT_EQ(BuiltInDataDirectoryFor(bin), data);
    EXPECT_EQ(ProgramDirectoryFor(bin), userData / "Orvanta");
    EXPECT_TRUE(fs::is_directory(userData / "Orvanta"));

    EXPECT_FALSE(IsInstalledLayout(fs::path()));
}
