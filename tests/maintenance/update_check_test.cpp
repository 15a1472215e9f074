// The update's files and words: the version file, the silent check's lines, the question,
// and unpacking and swapping the program in a temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gzip_test_util.h"
#include "maintenance/unzip.h"
#include "maintenance/update_check.h"
#include "platform/directories.h"

using namespace orvanta;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// Something of the size of a program, different on every byte position.
std::string FakeProgram(char tag, std::size_t size = kMinimumProgramBytes + 4096) {
    std::string s(size, tag);
    for (std::size_t i = 0; i < size; i += 97) s[i] = static_cast<char>(i * 31);
    return s;
}

class UpdateFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.Ok());
        paths = UpdatePathsFor(dir.Path() / "orvanta");
        Put(paths.executable, "old program");
        fs::permissions(paths.executable, fs::perms::owner_all | fs::perms::group_read |
                                              fs::perms::group_exec);
    }
    platform::PrivateTempDir dir;
    UpdatePaths paths;
};

}  // namespace

TEST(VersionFileTest, LinesAsTheServerWritesThem) {
    VersionFile f;
    ASSERT_TRUE(ReadVersionFile("1.1.15\r\nhttps://example.org/Orvanta.exe.gz\r\nFaster.\r\nFixes.\r\n", f));
    EXPECT_EQ(f.version, "1.1.15");
    EXPECT_EQ(f.updateUrl, "https://example.org/Orvanta.exe.gz");
    EXPECT_EQ(f.notes, "Faster.\r\nFixes.\r\n");
    ASSERT_TRUE(ReadVersionFile("1.1.15.1234567\n", f));
    EXPECT_EQ(f.version, "1.1.15.1") << "at most 8 characters";
    EXPECT_EQ(f.updateUrl, "");
    ASSERT_TRUE(ReadVersionFile("2.0\nurl\n" + std::string(2000, 'n'), f));
    EXPECT_EQ(f.notes.size(), 1023u);
    EXPECT_FALSE(ReadVersionFile(std::string("1.2\0x", 5), f));
    EXPECT_FALSE(ReadVersionFile(std::string(70000, 'x'), f));
}

TEST(VersionFileTest, SilentCheckLinesAndLevels) {
    auto line = SilentCheckLine(true, "1.1.14\r\nurl\r\n");
    EXPECT_TRUE(line.ok);
    EXPECT_FALSE(line.updateAvailable);
    EXPECT_EQ(line.text, std::string("You're running Orvanta 1.1.14 (") +
                             (sizeof(void*) == 4 ? "32" : "64") + "-bit). You're up to date.");
    EXPECT_EQ(line.level, 3);
    // Any other text is an update, an older version too.
    line = SilentCheckLine(true, "1.1.9\n");
    EXPECT_TRUE(line.updateAvailable);
    EXPECT_EQ(line.text,
              "Orvanta version 1.1.9 is available. Click 'Help' -> 'Check for updates' to update "
              "automatically.");
    EXPECT_EQ(line.level, 1);
    line = SilentCheckLine(true, "\r\nurl\n");
    EXPECT_FALSE(line.ok);
    EXPECT_EQ(line.text, "Error obtaining version information from the Internet!");
    EXPECT_EQ(line.level, 2);
    EXPECT_EQ(SilentCheckLine(false, "").text, "Failed to check for program updates!");
    EXPECT_EQ(SilentCheckLine(true, std::string("\0", 1)).text, "Failed to read version file!");
}

TEST(VersionFileTest, OnlyAVersionIsTakenForOne) {
    // What a captive portal, a broken server or a hostile one answers instead.
    for (const std::string body :
         {"<!DOCTYPE html>\n<html>", "\x1b]0;owned\x07\n", "1.2\x1b[2J\n", "v1.2\n", ".1\n",
          "1.2<b>\n", "1.2%s%n\n", "1.2\x7f\n", "1.2\xc3\xa9\n", "HTTP/1.1 200\n", "-1\n"}) {
        VersionFile f;
        EXPECT_FALSE(ReadVersionFile(body, f)) << body;
        const UpdateCheckLine line = SilentCheckLine(true, body);
        EXPECT_EQ(line.text, "Failed to read version file!") << body;
        EXPECT_FALSE(line.ok);
    }
    for (const char* version : {"1.1.15", "2", "1.2b", "2.0-rc1", "1.2 beta", "10.0_1+g"}) {
        VersionFile f;
        ASSERT_TRUE(ReadVersionFile(std::string(version) + "\r\nurl\r\n", f)) << version;
        EXPECT_EQ(f.version, version);
    }
    VersionFile f;
    ASSERT_TRUE(ReadVersionFile("\xEF\xBB\xBF" "1.1.15 \t\nurl\nSee \x1b[31mnotes\x1b[0m.\n", f));
    EXPECT_EQ(f.version, "1.1.15") << "an editor's byte-order mark and trailing blanks go";
    EXPECT_EQ(f.notes, "See [31mnotes[0m.\n") << "no escape reaches a terminal or a box";
    ASSERT_TRUE(ReadVersionFile("   \nurl\n", f));
    EXPECT_EQ(SilentCheckLine(true, "   \nurl\n").text,
              "Error obtaining version information from the Internet!");

    EXPECT_EQ(CheckFailedText(""), "Failed to check for program updates!");
    EXPECT_EQ(CheckFailedText("HTTP status 404"),
              "Failed to check for program updates! (HTTP status 404)");
}

TEST(VersionFileTest, ShortNotesAskTheShortQuestion) {
    VersionFile f{"1.2.0", "u", "abc"};
    EXPECT_EQ(UpdateQuestion(f), "Orvanta version 1.2.0 is available. Would you like to update now?");
    f.notes = "abcd";
    EXPECT_EQ(UpdateQuestion(f),
              "Orvanta version 1.2.0 is available.\nabcd\n\nWould you like to update now?");
}

TEST(VersionFileTest, ReservedExampleHostsAreNoServer) {
    for (const char* host : {"orvanta.example.org", "EXAMPLE.com", "example.net.", "a.b.example",
                             "updates.invalid", "host.test", "example.org"})
        EXPECT_TRUE(IsReservedExampleHost(host)) << host;
    for (const char* host : {"", "127.0.0.1", "localhost", "notexample.org", "example.org.evil.com",
                             "example.organ", "testing", "celestrak.org"})
        EXPECT_FALSE(IsReservedExampleHost(host)) << host;
}

TEST(ServerUrlTest, HostAndPortAsAFetchWouldUseThem) {
    ServerUrl u;
    std::string why;
    ASSERT_TRUE(ParseServerUrl("HTTPS://Orvanta.Example.ORG:8443/updates?x=1", u, why));
    EXPECT_TRUE(u.https);
    EXPECT_EQ(u.host, "orvanta.example.org");
    EXPECT_EQ(u.port, 8443);
    ASSERT_TRUE(ParseServerUrl("http://[::1]:65535", u, why));
    EXPECT_EQ(u.host, "::1");
    EXPECT_EQ(u.port, 65535);
    EXPECT_FALSE(ParseServerUrl("http://127.0.0.1:1@orvanta.example.org/", u, why));
    EXPECT_FALSE(ParseServerUrl("http://[fe80::1%25eth0]/", u, why)) << "no zone";
    EXPECT_FALSE(ParseServerUrl("file:///etc/passwd", u, why));
    for (const char* host : {"localhost", "LocalHost", "127.0.0.1", "::1"})
        EXPECT_TRUE(IsLoopbackHost(host)) << host;
    for (const char* host : {"", "127.0.0.2", "localhost.", "0:0:0:0:0:0:0:1", "127.0.0.1.nip.io"})
        EXPECT_FALSE(IsLoopbackHost(host)) << host;
    EXPECT_TRUE(IsSecureServerUrl("http://localhost:8080/", why));
    EXPECT_FALSE(IsSecureServerUrl("http://orvanta.example.org/", why));
    EXPECT_EQ(why,
              "plain HTTP is accepted only for this machine (127.0.0.1): "
              "http://orvanta.example.org/");
}

TEST(UpdatePathsTest, NamesBesideTheProgram) {
    const UpdatePaths p = UpdatePathsFor(fs::path("/opt/orvanta/bin/orvanta"));
    EXPECT_EQ(p.download, fs::path("/opt/orvanta/bin/orvanta.gz"));
    EXPECT_EQ(p.temporary, fs::path("/opt/orvanta/bin/orvanta.tmp"));
    EXPECT_EQ(p.old, fs::path("/opt/orvanta/bin/orvanta.old"));
    const UpdatePaths w = UpdatePathsFor(fs::path("C:/Orvanta/Orvanta32.exe"));
    EXPECT_EQ(w.download, fs::path("C:/Orvanta/Orvanta.exe.gz"));
    EXPECT_EQ(w.temporary, fs::path("C:/Orvanta/Orvanta32.exe.tmp"));
    EXPECT_EQ(w.old, fs::path("C:/Orvanta/Orvanta32.old"));
}

TEST_F(UpdateFilesTest, UnpacksMakesExecutableAndSwaps) {
    const std::string program = FakeProgram('N');
    test::WriteFile(paths.download.string(), test::MakeGzip(program));
    std::string detail;
    ASSERT_EQ(UnpackUpdate(paths, detail), UnpackStatus::Ok) << detail;
#ifndef _WIN32  // Windows runs a program by its name, not by a mode bit
    EXPECT_NE(fs::status(paths.temporary).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_NE(fs::status(paths.temporary).permissions() & fs::perms::group_exec, fs::perms::none);
#endif
    std::string error;
    ASSERT_TRUE(SwapInUpdate(paths, error)) << error;
    EXPECT_EQ(Slurp(paths.executable), program);
    EXPECT_FALSE(fs::exists(paths.temporary));
    EXPECT_FALSE(fs::exists(paths.download));
    EXPECT_FALSE(fs::exists(paths.old)) << "POSIX lets go of a running program at once";
}

TEST_F(UpdateFilesTest, LeftoverTemporaryFailsOnceAndIsRemoved) {
    Put(paths.temporary, "left over from an earlier attempt");
    test::WriteFile(paths.download.string(), test::MakeGzip(FakeProgram('N')));
    std::string detail;
    EXPECT_EQ(UnpackUpdate(paths, detail), UnpackStatus::UnzipFailed);
    EXPECT_EQ(detail, "unable to create target file");
    EXPECT_FALSE(fs::exists(paths.temporary));
    EXPECT_EQ(Slurp(paths.executable), "old program");
    EXPECT_EQ(UnpackUpdate(paths, detail), UnpackStatus::Ok) << "the next attempt succeeds";
}

TEST_F(UpdateFilesTest, DamagedOrImplausiblySmallUpdatesChangeNothing) {
    std::string detail;
    test::WriteFile(paths.download.string(), test::ToBytes("<html>Not found</html>"));
    EXPECT_EQ(UnpackUpdate(paths, detail), UnpackStatus::UnzipFailed);
    EXPECT_FALSE(fs::exists(paths.temporary));

    test::WriteFile(paths.download.string(), test::MakeGzip("<html>Not found</html>"));
    EXPECT_EQ(UnpackUpdate(paths, detail), UnpackStatus::TooSmall);
    EXPECT_EQ(detail,
              "The update is damaged: unpacked it is only 22 bytes long. Nothing has been changed.");
    EXPECT_FALSE(fs::exists(paths.temporary));
    EXPECT_EQ(Slurp(paths.executable), "old program");
}

TEST_F(UpdateFilesTest, AnUpdatePastTheWrappersCapIsRefused) {
    // About a megabyte that would inflate past the gzip wrapper's 256 MiB.
    test::WriteZeroGzip(paths.download.string(), kDefaultUnzipLimit + 1);
    ASSERT_LT(fs::file_size(paths.download), 2u << 20);
    std::string detail;
    EXPECT_EQ(UnpackUpdate(paths, detail), UnpackStatus::UnzipFailed);
    EXPECT_EQ(detail, "unzipped data exceeds the limit of 256 MiB");
    EXPECT_FALSE(fs::exists(paths.temporary));
    EXPECT_EQ(Slurp(paths.executable), "old program");
}

TEST_F(UpdateFilesTest, AFailedSwapPutsTheOldProgramBack) {
    // No unpacked program to move in: the second rename fails.
    std::string error;
    EXPECT_FALSE(SwapInUpdate(paths, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Slurp(paths.executable), "old program");
    EXPECT_FALSE(fs::exists(paths.old));
}

TEST(RestartRequestTest, IsProcessWide) {
    EXPECT_FALSE(RestartRequested());
    RequestRestart(true);
    EXPECT_TRUE(RestartRequested());
    RequestRestart(false);
    EXPECT_FALSE(RestartRequested());
}
