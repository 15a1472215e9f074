// orvanta-cli download against a stand-in service on 127.0.0.1: the file it writes, its
// exit statuses and its one-line messages. The command runs as a child process so that the
// stand-in keeps answering in this one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "maintenance/gzip_decoder.h"
#include "stand_in_server.h"

namespace orvanta {
namespace {

using testing::Answer;
using testing::Ok;
using testing::StandIn;

std::string ReadFile(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct CliResult {
    int status = -1;
    std::string err;
};

class DownloadCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_download_cli";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        ASSERT_TRUE(dir_.isValid());
        out_ = dir_.filePath("fresh.gz").toStdString();
    }

    // The command keeps its download times in the program directory: a temporary one.
    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVANTA_HOME"), dir_.filePath(QStringLiteral("home")));
        return env;
    }

    CliResult Cli(const QStringList& args) { return Cli(args, Env()); }
    CliResult Cli(const QStringList& args, const QProcessEnvironment& env) {
        QProcess p;
        p.setProcessEnvironment(env);
        QSignalSpy finished(&p, &QProcess::finished);
        p.start(QStringLiteral(ORVANTA_BINARY_DIR "/bin/orvanta-cli"),
                QStringList{QStringLiteral("download")} + args);
        CliResult r;
        if (!finished.wait(60000)) {
            p.kill();
            ADD_FAILURE() << "orvanta-cli did not finish";
            return r;
        }
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = p.readAllStandardError().toStdString();
        return r;
    }

    QTemporaryDir dir_;
    std::string out_;
};

TEST_F(DownloadCliTest, CelesTrakToAnElementFile) {
    const std::string json = ReadFile(ORVANTA_TEST_DATA_DIR "/omm/celestrak-stations-2026-04.json");
    StandIn server([&](const std::string&) { return Answer{{Ok(json)}}; });
    const CliResult r = Cli({"--group", "stations", "--base-url", server.Base(), "--out",
                       QString::fromStdString(out_)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "28 element sets written to " + out_ + "\n");
    const std::string gz = ReadFile(out_);
    const auto text = GunzipBuffer(reinterpret_cast<const std::uint8_t*>(gz.data()), gz.size());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 * 28);
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_TRUE(server.requests[0].starts_with(
        "GET /NORAD/elements/gp.php?GROUP=stations&FORMAT=json HTTP/1.1"));
}

TEST_F(DownloadCliTest, FailuresLeaveTheFileAndSayWhyOnOneLine) {
    std::ofstream(out_) << "old";
    StandIn server([](const std::string&) {
        return Answer{{"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"}};
    });
    CliResult r = Cli({"--base-url", server.Base(), "--out", QString::fromStdString(out_)});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("HTTP 403"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(out_), "old");

    // Space-Track refusing the login; the password comes from the environment.
    StandIn refusing([](const std::string&) { return Answer{{Ok("{\"Login\":\"Failed\"}")}}; });
    QProcessEnvironment env = Env();
    env.insert(QStringLiteral("ORVANTA_SPACETRACK_PASSWORD"), QStringLiteral("s&cret"));
    r = Cli({"--source", "spacetrack", "--user", "me", "--base-url", refusing.Base(), "--out",
             QString::fromStdString(out_)},
            env);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Login failed!"), std::string::npos) << r.err;
    ASSERT_EQ(refusing.requests.size(), 1u);
    EXPECT_TRUE(refusing.requests[0].ends_with("identity=me&password=s%26cret"));
    EXPECT_EQ(ReadFile(out_), "old");

    // Bad arguments exit 2 before any request.
    for (const QStringList& bad :
         {QStringList{"--format", "xml", "--out", "x"}, QStringList{"--source", "nasa", "--out", "x"},
          QStringList{"--group", "active"}, QStringList{"--base-url", "http://example.com", "--out", "x"},
          QStringList{"--source", "spacetrack", "--out", "x"}}) {
        QProcessEnvironment clean = Env();
        clean.remove(QStringLiteral("ORVANTA_SPACETRACK_PASSWORD"));
        EXPECT_EQ(Cli(bad, clean).status, 2) << bad.join(' ').toStdString();
    }
}

TEST_F(DownloadCliTest, RateRulesHoldUnlessForced) {
    const std::string json = ReadFile(ORVANTA_TEST_DATA_DIR "/omm/celestrak-stations-2026-04.json");
    StandIn server([&](const std::string&) { return Answer{{Ok(json)}}; });
    const QString out = QString::fromStdString(out_);
    auto group = [&](const QString& name, bool force = false) {
        QStringList args{"--group", name, "--base-url", server.Base(), "--out", out};
        if (force) args << QStringLiteral("--force");
        return Cli(args);
    };
    EXPECT_EQ(group("stations").status, 0);
    EXPECT_EQ(group("visual").status, 0);
    // The same group again within 2 hours, another one between: refused before any request.
    CliResult r = group("stations");
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(r.err.starts_with("orvanta-cli: download: CelesTrak allows one download of the "
                                  "\"stations\" group every 2 hours; the next is allowed at "))
        << r.err;
    EXPECT_NE(r.err.find("Z (--force to ask anyway)\n"), std::string::npos) << r.err;
    EXPECT_EQ(server.requests.size(), 2u);
    // The user who knows better.
    EXPECT_EQ(group("stations", true).status, 0);
    EXPECT_EQ(server.requests.size(), 3u);
    // The times are the command's own, in the program directory.
    EXPECT_TRUE(std::filesystem::exists(dir_.filePath("home/download-times").toStdString()));

    // Space-Track: its hourly rule counts a failed request too.
    StandIn refusing([](const std::string&) { return Answer{{Ok("{\"Login\":\"Failed\"}")}}; });
    const QStringList spaceTrack{"--source", "spacetrack", "--user", "me", "--password", "pw",
                                 "--base-url", refusing.Base(), "--out", out};
    EXPECT_EQ(Cli(spaceTrack).status, 3);
    r = Cli(spaceTrack);
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("Space-Track allows one download of the element catalogue an hour"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(refusing.requests.size(), 1u);
}

TEST_F(DownloadCliTest, OnlyAnAnswerCountsAndDamageIsNamed) {
    const QString out = QString::fromStdString(out_);
    const std::string times = dir_.filePath("home/download-times").toStdString();
    // Nothing listens on port 9: no 2-hour block, only a minute's pause.
    CliResult r = Cli({"--base-url", "http://127.0.0.1:9", "--out", out});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(ReadFile(times).find("celestrak "), std::string::npos) << ReadFile(times);
    r = Cli({"--base-url", "http://127.0.0.1:9", "--out", out});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("reached no element service"), std::string::npos) << r.err;

    // A gzip body cut short counts as a download and says what the zlib text means.
    std::string gz = ReadFile(ORVANTA_TEST_DATA_DIR "/omm/celestrak-stations-2026-04.json");
    StandIn server([&](const std::string&) {
        const std::string body = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03" + gz.substr(0, 40);
        return Answer{{Ok(body)}};
    });
    r = Cli({"--base-url", server.Base(), "--force", "--out", out});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.ends_with(" (the file is damaged or cut short)\n")) << r.err;
    EXPECT_NE(ReadFile(times).find("celestrak active "), std::string::npos);
}

}  // namespace
}  // namespace orvanta
