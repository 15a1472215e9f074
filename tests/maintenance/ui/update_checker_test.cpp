// The update check and download against an HTTP server on 127.0.0.1: every message, the
// status bar's progress, unpacking, the swap, the restart question, and the refusals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <filesystem>
#include <fstream>

#include "common/event_log.h"
#include "common/prompt.h"
#include "common/settings.h"
#include "maintenance/ui/update_checker.h"
#include "maintenance/unzip.h"
#include "platform/directories.h"
#include "tests/maintenance/gzip_test_util.h"
#include "tests/support/cli_runner.h"
#include "tests/support/http_test_server.h"

using namespace orvanta;
using namespace orvanta::testing;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The up-to-date line names this build's edition.
std::string UpToDate(const std::string& version) {
    return "You're running Orvanta " + version + (sizeof(void*) == 4 ? " (32-bit)" : " (64-bit)") +
           ". You're up to date.";
}

std::string NewProgram() {
    std::string s(kMinimumProgramBytes * 3, 'P');
    for (std::size_t i = 0; i < s.size(); i += 101) s[i] = static_cast<char>(i);
    return s;
}

class UpdateCheckerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.Ok());
        exe = dir.Path() / "orvanta";
        std::ofstream(exe, std::ios::binary) << "old program";
        RequestRestart(false);
        env.baseUrl = QString::fromStdString(server.Url());
        env.executable = exe;
        env.prompt = &prompt;
        env.setStatus = [this](const QString& t) { statuses.push_back(t.toStdString()); };
        env.showProgress = [this](int p) { progress.push_back(p); };
        env.hideProgress = [this] { ++hidden; };
        env.removeSearchProgress = [this] { ++searchBarRemoved; };
        env.requestClose = [this] { ++closeRequests; };
        env.transferTimeoutMs = 10000;
    }
    void TearDown() override { RequestRestart(false); }

    void Offer(const std::string& version, const std::string& updatePath = "/orvanta.gz",
               const std::string& notes = "") {
        const std::string url =
            updatePath.starts_with("http") ? updatePath : server.Url(updatePath);
        server.Set("/version32.txt", {200, Bytes(version + "\r\n" + url + "\r\n" + notes)});
    }
    void ServeProgram(const std::string& program) {
        const auto gz = test::MakeGzip(program);
        server.Set("/orvanta.gz", {200, QByteArray(reinterpret_cast<const char*>(gz.data()),
                                                   static_cast<qsizetype>(gz.size()))});
    }
    // Runs one check to its end.
    void Run(bool interactive) {
        UpdateChecker checker(env);
        QSignalSpy done(&checker, &UpdateChecker::finished);
        interactive ? checker.CheckInteractively() : checker.CheckSilently();
        ASSERT_TRUE(done.count() > 0 || done.wait(20000)) << "the check never ended";
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& a : prompt.asked) t.push_back(a.text);
        return t;
    }
    bool Requested(const std::string& path) const {
        for (const auto& p : server.Requested())
            if (p == path) return true;
        return false;
    }

    HttpTestServer server;
    platform::PrivateTempDir dir;
    fs::path exe;
    ScriptedPrompt prompt;
    EventRecorder log;
    UpdateCheckerEnvironment env;
    std::vector<std::string> statuses;
    std::vector<int> progress;
    int hidden = 0, searchBarRemoved = 0, closeRequests = 0;
};

}  // namespace

TEST(TrustedUpdateUrlTest, HttpsOrLoopbackOnly) {
    EXPECT_TRUE(IsTrustedUpdateUrl(QUrl("https://orvanta.example.org/Orvanta.exe.gz")));
    EXPECT_TRUE(IsTrustedUpdateUrl(QUrl("http://127.0.0.1:8080/x.gz")));
    // Only the three names of this machine, whatever else 127.0.0.0/8 holds.
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("http://127.1.2.3/x.gz")));
    EXPECT_TRUE(IsTrustedUpdateUrl(QUrl("http://localhost/x.gz")));
    EXPECT_TRUE(IsTrustedUpdateUrl(QUrl("http://[::1]:81/x.gz")));
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("http://192.0.2.1/x.gz")));
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("http://updates.example.org/x.gz")));
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("ftp://127.0.0.1/x.gz")));
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("file:///tmp/x.gz")));
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("x.gz")));
    // The user-info part must not pass for the host, nor be allowed at all.
    std::string why;
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("http://127.0.0.1:1@updates.example.org/x.gz"), &why));
    EXPECT_EQ(why, "an address with a user name or password before its host is not accepted");
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("https://me:pw@orvanta.example.org/x.gz")));
    EXPECT_FALSE(IsTrustedUpdateUrl(QUrl("http://192.0.2.1/x.gz"), &why));
    EXPECT_EQ(why, "plain HTTP is accepted only for this machine (127.0.0.1): http://192.0.2.1/x.gz");
}

TEST_F(UpdateCheckerTest, SilentCheckLogsOneLine) {
    Offer("1.1.14");
    Run(false);
    EXPECT_TRUE(log.Contains(UpToDate("1.1.14"), 3));
    Offer("1.1.15");
    Run(false);
    EXPECT_TRUE(log.Contains("Orvanta version 1.1.15 is available. Click 'Help' -> 'Check for "
                             "updates' to update automatically.",
                             1));
    server.Set("/version32.txt", {200, "\r\n"});
    Run(false);
    EXPECT_TRUE(log.Contains("Error obtaining version information from the Internet!", 2));
    server.Set("/version32.txt", {404, "gone"});
    Run(false);
    EXPECT_TRUE(log.Contains("Failed to check for program updates! (HTTP status 404)", 2));
    server.Set("/version32.txt", {200, QByteArray("1.1\0\0", 5)});
    Run(false);
    EXPECT_TRUE(log.Contains("Failed to read version file!", 2));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(Slurp(exe), "old program");
}

TEST_F(UpdateCheckerTest, AnExampleServerIsNotAskedAndSaysWhy) {
    // The built-in "Update URL" of a build without a vendor server: no request, no failure,
    // one informational line (or box) that says what to do instead.
    env.baseUrl = QString::fromStdString(Settings().updateUrl);
    Run(false);
    EXPECT_TRUE(log.Contains("No update server is set (\"Update URL\" is "
                             "https://orvanta.example.org), so Orvanta did not check for program "
                             "updates. Updates come with your system's package manager.",
                             3));
    EXPECT_FALSE(log.Contains("Failed to check for program updates!", 2));
    Run(true);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Information);
    EXPECT_EQ(prompt.asked[0].caption, "Orvanta Update");
    EXPECT_NE(prompt.asked[0].text.find("did not check"), std::string::npos);
}

TEST_F(UpdateCheckerTest, InteractiveBoxesForEachAnswer) {
    Offer("1.1.14");
    Run(true);
    server.Set("/version32.txt", {404, ""});
    Run(true);
    server.Set("/version32.txt", {200, "\n"});
    Run(true);
    Offer("1.1.16", "/orvanta.gz", "Faster passes.\r\n");
    prompt.answers = {PromptAnswer::No};
    Run(true);
    ASSERT_EQ(prompt.asked.size(), 4u);
    EXPECT_EQ(prompt.asked[0].text, UpToDate("1.1.14"));
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Information);
    EXPECT_EQ(prompt.asked[1].text, "Failed to check for program updates! (HTTP status 404)");
    EXPECT_EQ(prompt.asked[1].icon, PromptIcon::Warning);
    EXPECT_EQ(prompt.asked[2].text, "Error obtaining version information from the Internet!");
    EXPECT_EQ(prompt.asked[3].text,
              "Orvanta version 1.1.16 is available.\nFaster passes.\r\n\n\nWould you like to "
              "update now?");
    EXPECT_EQ(prompt.asked[3].buttons, PromptButtons::YesNo);
    for (const auto& a : prompt.asked) EXPECT_EQ(a.caption, "Orvanta Update");
    EXPECT_FALSE(Requested("/orvanta.gz")) << "No downloads nothing";
}

TEST_F(UpdateCheckerTest, YesDownloadsUnpacksSwapsAndAsksToRestart) {
    const std::string program = NewProgram();
    Offer("1.2.0");
    ServeProgram(program);
    Run(true);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text,
              "Orvanta version 1.2.0 is available. Would you like to update now?");
    EXPECT_EQ(prompt.asked[1].text,
              "Program update complete. Orvanta needs to exit now. Would you like to restart?");
    EXPECT_EQ(Slurp(exe), program);
    EXPECT_NE(fs::status(exe).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_FALSE(fs::exists(dir.Path() / "orvanta.gz"));
    EXPECT_FALSE(fs::exists(dir.Path() / "orvanta.tmp"));
    EXPECT_TRUE(RestartRequested());
    EXPECT_EQ(closeRequests, 1);

    // The status bar: where it downloads from, how far, then the unpacking, then idle.
    auto seen = [&](const std::string& s) {
        return std::find(statuses.begin(), statuses.end(), s) != statuses.end();
    };
    EXPECT_TRUE(seen("Locating server 127.0.0.1"));
    EXPECT_TRUE(seen("Beginning download from 127.0.0.1"));
    EXPECT_TRUE(seen("Downloading update: 100.0%"));
    EXPECT_TRUE(seen("Downloading done, unzipping and replacing files..."));
    EXPECT_EQ(statuses.back(), "");
    EXPECT_EQ(searchBarRemoved, 1);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(hidden, 1);
}

TEST_F(UpdateCheckerTest, NoToTheRestartStillCloses) {
    Offer("1.2.0");
    ServeProgram(NewProgram());
    prompt.answers = {PromptAnswer::Yes, PromptAnswer::No};
    Run(true);
    EXPECT_FALSE(RestartRequested());
    EXPECT_EQ(closeRequests, 1);
}

TEST_F(UpdateCheckerTest, FailedDownloadAndDamagedUpdateLeaveTheProgram) {
    Offer("1.2.0", "/missing.gz");
    Run(true);
    EXPECT_EQ(prompt.asked.back().text, "The download of the update failed!");
    EXPECT_EQ(hidden, 1);

    // A leftover unpacked file makes the unpacking fail, and goes with that failure.
    Offer("1.2.0");
    ServeProgram(NewProgram());
    std::ofstream(dir.Path() / "orvanta.tmp") << "leftover";
    Run(true);
    EXPECT_EQ(prompt.asked.back().text, "Error unzipping the update! (unable to create target file)");
    EXPECT_EQ(prompt.asked.back().icon, PromptIcon::Warning);
    EXPECT_FALSE(fs::exists(dir.Path() / "orvanta.tmp"));
    EXPECT_EQ(Slurp(exe), "old program");
    EXPECT_EQ(statuses.back(), "");
    EXPECT_EQ(closeRequests, 0);

    // A page instead of a program.
    server.Set("/orvanta.gz", {200, "<html>moved</html>"});
    Run(true);
    EXPECT_EQ(prompt.asked.back().text, "Error unzipping the update! (problem while unzipping file)");
    EXPECT_EQ(Slurp(exe), "old program");

    // The next attempt with a sound file succeeds.
    ServeProgram(NewProgram());
    Run(true);
    EXPECT_EQ(Slurp(exe), NewProgram());
}

TEST_F(UpdateCheckerTest, RefusesPlainHttpFromElsewhereAndAReadOnlyInstall) {
    Offer("1.3.0", "http://updates.example.org/Orvanta.exe.gz");
    Run(true);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "Orvanta version 1.3.0 is available, but it is not offered over a secure "
              "connection (HTTPS), so it cannot be installed automatically. Please download it "
              "from our website.");

    Offer("1.3.0");
    ServeProgram(NewProgram());
    env.directoryWritable = [](const fs::path&) { return false; };
    Run(true);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text, "Orvanta version 1.3.0 is available, but the program's folder " +
                                        dir.Path().string() +
                                        " cannot be written to. Please update Orvanta through "
                                        "your system's package manager.");
    EXPECT_FALSE(Requested("/orvanta.gz"));
    EXPECT_EQ(Slurp(exe), "old program");
}

TEST_F(UpdateCheckerTest, CommandLinePrintsTheSilentChecksLine) {
    const std::string cli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
    Offer("1.1.14");
    CliRun run = RunCli(cli, "check-update --base-url " + server.Url(), dir.Path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::vector<std::string>{UpToDate("1.1.14")});
    Offer("2.0");
    run = RunCli(cli, "check-update --base-url " + server.Url() + "/", dir.Path());
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.out.size(), 1u);
    EXPECT_EQ(run.out[0].rfind("Orvanta version 2.0 is available.", 0), 0u);
    server.Set("/version32.txt", {500, "boom"});
    run = RunCli(cli, "check-update --base-url " + server.Url(), dir.Path());
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out,
              std::vector<std::string>{"Failed to check for program updates! (HTTP status 500)"});
    server.Set("/version32.txt", {200, "<!DOCTYPE html>\n<html>\x1b[2J</html>\n"});
    run = RunCli(cli, "check-update --base-url " + server.Url(), dir.Path());
    EXPECT_EQ(run.out, std::vector<std::string>{"Failed to read version file!"});
    const std::string withUser = "http://me:pw@" + server.Url().substr(7);
    run = RunCli(cli, "check-update --base-url " + withUser, dir.Path());
    ASSERT_EQ(run.out.size(), 1u);
    EXPECT_EQ(run.out[0].rfind("Failed to check for program updates! (an address with a user", 0),
              0u);
    EXPECT_EQ(server.Requested().size(), 4u) << "the address with a password is never asked";
    EXPECT_EQ(RunCli(cli, "check-update", dir.Path()).status, 2);
}

TEST_F(UpdateCheckerTest, TheVersionFileObeysTheHttpsRuleToo) {
    // A user-info part before this machine's address: refused before any request.
    env.baseUrl = QString::fromStdString("http://127.0.0.1:1@" + server.Url().substr(7));
    Offer("1.9");
    Run(false);
    Run(true);
    EXPECT_TRUE(server.Requested().empty());
    EXPECT_TRUE(log.Contains("Failed to check for program updates! (an address with a user name "
                             "or password before its host is not accepted)",
                             2));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text.rfind("Failed to check for program updates! (an address", 0), 0u);
    EXPECT_FALSE(log.Contains("1.9"));
}

TEST_F(UpdateCheckerTest, AnOfferThatIsNoVersionIsNeverShown) {
    for (const char* body : {"<!DOCTYPE html>\n<html><body>Sign in</body></html>\n",
                             "\x1b]0;owned\x07\x1b[2J\nhttps://x/y.gz\n"}) {
        server.Set("/version32.txt", {200, body});
        Run(false);
        Run(true);
    }
    EXPECT_FALSE(log.Contains("is available"));
    EXPECT_FALSE(log.Contains("\x1b"));
    ASSERT_EQ(prompt.asked.size(), 2u);
    for (const auto& a : prompt.asked) EXPECT_EQ(a.text, "Failed to read version file!");
}

TEST_F(UpdateCheckerTest, AFailedCheckSaysWhy) {
    // A port nobody listens on.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    env.baseUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
    Run(false);
    EXPECT_TRUE(log.Contains("Failed to check for program updates! (connection refused)", 2));

    // A server that takes the connection and never answers.
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost, 0));
    env.baseUrl = QStringLiteral("http://127.0.0.1:%1").arg(mute.serverPort());
    env.transferTimeoutMs = 300;
    Run(true);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Failed to check for program updates! (timed out)");
}

TEST_F(UpdateCheckerTest, AnUpdatePastTheUnzipCapIsRefusedAndSaysSo) {
    const fs::path bomb = dir.Path() / "bomb.gz";
    test::WriteZeroGzip(bomb.string(), kDefaultUnzipLimit + 1);
    const std::string gz = Slurp(bomb);
    fs::remove(bomb);
    Offer("1.2.0");
    server.Set("/orvanta.gz", {200, Bytes(gz)});
    Run(true);
    EXPECT_EQ(prompt.asked.back().text,
              "Error unzipping the update! (unzipped data exceeds the limit of 256 MiB)");
    EXPECT_FALSE(fs::exists(dir.Path() / "orvanta.tmp"));
    EXPECT_EQ(Slurp(exe), "old program");
}
