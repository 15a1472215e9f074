// The element download against stand-in services on 127.0.0.1: a CelesTrak-style GP query,
// a Space-Track-style session, the element server's own exchange over a plain socket, and
// the ways they fail (non-200, cut body, stall, oversized header or body, refused redirect,
// refused login) without harming the file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "catalogue/element_install.h"
#include "catalogue/ui/element_downloader.h"
#include "maintenance/gzip_decoder.h"
#include "stand_in_server.h"

namespace orvanta {
namespace {

using testing::Answer;
using testing::Ok;
using testing::StandIn;

namespace fs = std::filesystem;

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_download_ui";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(dir_.isValid());
        target_ = fs::path(dir_.path().toStdString()) / "keplers";
        original_ = GzipBytes(ReadData("omm/celestrak-stations-2026-04.tle"));
        std::ofstream(target_, std::ios::binary)
            .write(reinterpret_cast<const char*>(original_.data()),
                   static_cast<std::streamsize>(original_.size()));
        QObject::connect(&downloader_, &ElementDownloader::LogLine,
                         [this](const QString& text, int) { log_.push_back(text.toStdString()); });
    }

    // Runs the download to its end (generous time-out: the machine may be loaded).
    bool Run(ElementDownloadRequest request) {
        request.target = target_;
        QSignalSpy finished(&downloader_, &ElementDownloader::Finished);
        if (!downloader_.Start(request)) return false;
        if (finished.isEmpty() && !finished.wait(30000)) {
            ADD_FAILURE() << "the download never finished";
            return false;
        }
        return finished.first().first().toBool();
    }

    bool Logged(const std::string& part) const {
        for (const std::string& l : log_)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

    void ExpectUntouched() {
        EXPECT_EQ(ReadFile(target_), std::string(original_.begin(), original_.end()));
        EXPECT_TRUE(Logged("The element file was left as it was."));
    }

    std::string Installed() {
        const std::string gz = ReadFile(target_);
        const auto text = GunzipBuffer(reinterpret_cast<const std::uint8_t*>(gz.data()), gz.size());
        return std::string(text.begin(), text.end());
    }

    QTemporaryDir dir_;
    fs::path target_;
    std::vector<std::uint8_t> original_;
    ElementDownloader downloader_;
    std::vector<std::string> log_;
};

TEST_F(DownloaderTest, CelesTrakGroupAsOmmJson) {
    const std::string json = ReadData("omm/celestrak-visual-2026-04.json");
    // The header's blank line falls between two writes.
    StandIn server([&](const std::string&) {
        const std::string whole = Ok(json, "Content-Type: application/json\r\n");
        const std::size_t split = whole.find("\r\n\r\n") + 2;
        return Answer{{whole.substr(0, split), whole.substr(split)}};
    });
    ElementDownloadRequest r;
    r.celesTrakUrl = server.Base().toStdString();
    r.group = "visual";
    ASSERT_TRUE(Run(r)) << downloader_.LastError().toStdString();
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].substr(0, server.requests[0].find("\r\n")),
              "GET /NORAD/elements/gp.php?GROUP=visual&FORMAT=json HTTP/1.1");
    EXPECT_NE(server.requests[0].find(std::string("User-Agent: ") + ELEMENT_USER_AGENT),
              std::string::npos);
    EXPECT_EQ(downloader_.Result().written, 148);
    // The file holds the service's own element lines for the same sets.
    const std::string text = Installed();
    const std::string partner = ReadData("omm/celestrak-visual-2026-04.tle");
    const std::size_t l1 = partner.find("\n1 ") + 1;
    EXPECT_NE(text.find(partner.substr(l1, 69) + "\n"), std::string::npos);
    EXPECT_TRUE(Logged("Kepler update complete!"));
}

TEST_F(DownloaderTest, CelesTrakContentEncodings) {
    // A gzip body goes to the install step as it came; an encoding nobody asked for does not.
    const std::vector<std::uint8_t> gz = GzipBytes(ReadData("omm/celestrak-visual-2026-04.json"));
    std::string encoding = "gzip";
    StandIn server([&](const std::string&) {
        return Answer{{Ok(std::string(gz.begin(), gz.end()),
                          "Content-Encoding: " + encoding + "\r\n")}};
    });
    ElementDownloadRequest r;
    r.celesTrakUrl = server.Base().toStdString();
    encoding = "br";
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("The CelesTrak download failed: The server sent its answer in an "
                       "encoding this program cannot read (br)"))
        << downloader_.LastError().toStdString();
    ExpectUntouched();
    encoding = "gzip";
    ASSERT_TRUE(Run(r)) << downloader_.LastError().toStdString();
    EXPECT_NE(server.requests[0].find("\r\nAccept-Encoding: gzip\r\n"), std::string::npos);
    EXPECT_EQ(downloader_.Result().written, 148);
}

TEST_F(DownloaderTest, CelesTrakFailuresKeepTheFile) {
    StandIn unavailable([](const std::string&) {
        return Answer{{"HTTP/1.1 503 Service Unavailable\r\nContent-Length: 4\r\n\r\nbusy"}};
    });
    ElementDownloadRequest r;
    r.celesTrakUrl = unavailable.Base().toStdString();
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("HTTP 503 Service Unavailable")) << downloader_.LastError().toStdString();
    ExpectUntouched();

    // A body cut short of its Content-Length.
    StandIn cut([](const std::string&) {
        return Answer{{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n[{\"OBJECT_NAME\":"}};
    });
    r.celesTrakUrl = cut.Base().toStdString();
    EXPECT_FALSE(Run(r));
    ExpectUntouched();

    // A page that is not element sets.
    StandIn page([](const std::string&) { return Answer{{Ok("<html>moved</html>")}}; });
    r.celesTrakUrl = page.Base().toStdString();
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("no valid element set"));
    ExpectUntouched();

    // Plain HTTP to anything but this machine is refused before any connection.
    r.celesTrakUrl = "http://celestrak.org";
    EXPECT_FALSE(downloader_.Start(r));
    EXPECT_FALSE(downloader_.Running());
}

TEST_F(DownloaderTest, HttpsGoesThroughTls) {
    // No certificate here: a server answering in plain text proves the https address took
    // the TLS path and that its failure reads as one.
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&plain, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = plain.nextPendingConnection()) {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
            s->disconnectFromHost();
        }
    });
    ElementDownloadRequest r;
    r.celesTrakUrl = "https://127.0.0.1:" + std::to_string(plain.serverPort());
    r.stallSeconds = 10;
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("The CelesTrak download failed: TLS handshake failed: "))
        << downloader_.LastError().toStdString();
    ExpectUntouched();
}

TEST_F(DownloaderTest, AStalledServerIsGivenUp) {
    StandIn silent([](const std::string&) { return Answer{{}, false}; });
    ElementDownloadRequest r;
    r.celesTrakUrl = silent.Base().toStdString();
    r.stallSeconds = 1;
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("No data from CelesTrak for 1 seconds: download abandoned"));
    EXPECT_FALSE(Logged("No complete reply header"));
    ExpectUntouched();

    // A header that never ends is not "no data"; a body that stops is.
    log_.clear();
    StandIn endless([](const std::string&) {
        return Answer{{"HTTP/1.1 200 OK\r\nX-Padding: aaaaaaaa\r\nX-Padding: b\r\n"}, false};
    });
    r.celesTrakUrl = endless.Base().toStdString();
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("No complete reply header from CelesTrak in 1 seconds"));
    log_.clear();
    StandIn halfBody([](const std::string&) {
        return Answer{{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n[{"}, false};
    });
    r.celesTrakUrl = halfBody.Base().toStdString();
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("No data from CelesTrak for 1 seconds: download abandoned"));
    ExpectUntouched();

    r.source = ElementSource::Legacy;
    r.user = "me";
    r.password = "pw";
    r.legacy.host = "127.0.0.1";
    r.legacy.port = silent.Port();
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("No data from the element server for 1 seconds: download abandoned"));
    ExpectUntouched();
}

TEST_F(DownloaderTest, OversizedRepliesAreCutShort) {
    // A status line, then 1 MiB of header lines and no end: given up at 64 KiB, not when
    // the connection stalls.
    StandIn flood([](const std::string&) {
        Answer a{{"HTTP/1.1 200 OK\r\n"}, false};
        const std::string line = "X-Padding: " + std::string(1012, 'a') + "\r\n";
        std::string chunk;
        while (chunk.size() < 64 * 1024) chunk += line;
        for (int i = 0; i < 16; ++i) a.chunks.push_back(chunk);
        return a;
    });
    ElementDownloadRequest r;
    r.celesTrakUrl = flood.Base().toStdString();
    r.stallSeconds = 20;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(Run(r));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(Logged("The CelesTrak download failed: The server's reply headers are too long"))
        << downloader_.LastError().toStdString();
    EXPECT_FALSE(Logged("No complete reply header"));
    ExpectUntouched();

    // A body past the cap, announced or not.
    r.maxBody = 1000;
    StandIn announced([](const std::string&) {
        return Answer{{"HTTP/1.1 200 OK\r\nContent-Length: 1001\r\n\r\n"}, false};
    });
    StandIn streamed([](const std::string&) {
        return Answer{{"HTTP/1.1 200 OK\r\n\r\n", std::string(600, 'x'), std::string(600, 'x')},
                      false};
    });
    for (StandIn* server : {&announced, &streamed}) {
        log_.clear();
        r.celesTrakUrl = server->Base().toStdString();
        EXPECT_FALSE(Run(r));
        EXPECT_TRUE(Logged("The answer of 127.0.0.1 exceeds 1000 bytes: download abandoned"))
            << downloader_.LastError().toStdString();
        ExpectUntouched();
    }
}

TEST_F(DownloaderTest, RedirectsAreFollowedWithinTheRules) {
    const std::string json = ReadData("omm/celestrak-visual-2026-04.json");
    StandIn other([&](const std::string&) { return Answer{{Ok(json)}}; });
    const std::string elsewhere = other.Base().toStdString() + "/moved?GROUP=visual";
    std::string location;
    StandIn server([&](const std::string&) {
        return Answer{{"HTTP/1.1 302 Found\r\nLocation: " + location +
                       "\r\nContent-Length: 0\r\n\r\n"}};
    });
    ElementDownloadRequest r;
    r.celesTrakUrl = server.Base().toStdString();

    // Plain HTTP to another machine is refused before any connection; a loop ends.
    location = "http://example.invalid/";
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("The CelesTrak download failed: Redirect refused: plain HTTP is accepted "
                       "only for this machine (127.0.0.1): http://example.invalid/"))
        << downloader_.LastError().toStdString();
    EXPECT_EQ(server.requests.size(), 1u);
    ExpectUntouched();
    location = "/again";
    server.requests.clear();
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("The CelesTrak download failed: Too many redirects (more than 5)"));
    EXPECT_EQ(server.requests.size(), 6u);
    ExpectUntouched();

    // One hop to another path on this machine.
    location = elsewhere;
    ASSERT_TRUE(Run(r)) << downloader_.LastError().toStdString();
    ASSERT_EQ(other.requests.size(), 1u);
    EXPECT_TRUE(other.requests[0].starts_with("GET /moved?GROUP=visual HTTP/1.1\r\n"));
    EXPECT_NE(other.requests[0].find("\r\nHost: 127.0.0.1:" + std::to_string(other.Port()) +
                                     "\r\n"),
              std::string::npos);
    EXPECT_EQ(downloader_.Result().written, 148);
}

TEST_F(DownloaderTest, SpaceTrackLoginAnsweredBySeeOther) {
    // The login's 303 sets the session cookie; its target is fetched with GET, and the cookie
    // goes with every later request to the host.
    StandIn server([](const std::string& request) {
        if (request.starts_with("POST /ajaxauth/login "))
            return Answer{{"HTTP/1.1 303 See Other\r\nLocation: /welcome\r\n"
                           "Set-Cookie: chocolatechip=abc123; path=/; HttpOnly\r\n"
                           "Set-Cookie: flavour=oat\r\nContent-Length: 0\r\n\r\n"}};
        if (request.starts_with("GET /welcome ")) return Answer{{Ok("\"\"")}};
        if (request.starts_with("GET /basicspacedata/"))
            return Answer{{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}};
        return Answer{{Ok("\"Successfully logged out\"")}};
    });
    ElementDownloadRequest r;
    r.source = ElementSource::SpaceTrack;
    r.spaceTrackUrl = server.Base().toStdString();
    r.user = "me";
    r.password = "pw";
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("The Space-Track query failed: the server answered \"HTTP 404 Not Found\""))
        << downloader_.LastError().toStdString();
    ASSERT_EQ(server.requests.size(), 4u);
    EXPECT_TRUE(server.requests[1].starts_with("GET /welcome HTTP/1.1\r\n"));
    EXPECT_EQ(server.requests[1].find("Content-Length"), std::string::npos);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_NE(server.requests[i].find("\r\nCookie: chocolatechip=abc123; flavour=oat\r\n"),
                  std::string::npos)
            << server.requests[i];
    EXPECT_TRUE(server.requests[3].starts_with("GET /ajaxauth/logout "));
    ExpectUntouched();
}

TEST_F(DownloaderTest, SpaceTrackSession) {
    const std::string json = ReadData("omm/celestrak-stations-2026-04.json");
    // Space-Track sends every value as a string.
    std::string strings;
    for (std::size_t i = 0; i < json.size(); ++i) {
        strings += json[i];
        if (json[i] == ':' && json[i - 1] == '"' && json[i + 1] != '"') {
            strings += '"';
            const std::size_t end = json.find_first_of(",}", i + 1);
            strings += json.substr(i + 1, end - i - 1) + '"';
            i = end - 1;
        }
    }
    StandIn server([&](const std::string& request) {
        if (request.starts_with("POST /ajaxauth/login "))
            return Answer{{Ok("\"\"", "Set-Cookie: chocolatechip=abc123; path=/\r\n")}};
        if (request.starts_with("GET /basicspacedata/")) return Answer{{Ok(strings)}};
        return Answer{{Ok("\"Successfully logged out\"")}};
    });
    ElementDownloadRequest r;
    r.source = ElementSource::SpaceTrack;
    r.spaceTrackUrl = server.Base().toStdString() + "/";
    r.user = "me@example.org";
    r.password = "a&b=c+d%";
    ASSERT_TRUE(Run(r)) << downloader_.LastError().toStdString();
    ASSERT_EQ(server.requests.size(), 3u);
    EXPECT_TRUE(server.requests[0].ends_with(
        "\r\n\r\nidentity=me%40example.org&password=a%26b%3Dc%2Bd%25"));
    EXPECT_TRUE(server.requests[1].starts_with(
        "GET "
        "/basicspacedata/query/class/gp/EPOCH/%3Enow-30/orderby/NORAD_CAT_ID/format/json "))
        << server.requests[1];
    EXPECT_NE(server.requests[1].find("chocolatechip=abc123"), std::string::npos);
    EXPECT_TRUE(server.requests[2].starts_with("GET /ajaxauth/logout "));
    EXPECT_EQ(downloader_.Result().written, 28);
}

TEST_F(DownloaderTest, SpaceTrackRefusedLogin) {
    StandIn server([](const std::string&) { return Answer{{Ok("{\"Login\":\"Failed\"}")}}; });
    ElementDownloadRequest r;
    r.source = ElementSource::SpaceTrack;
    r.spaceTrackUrl = server.Base().toStdString();
    r.user = "me";
    r.password = "wrong";
    EXPECT_FALSE(Run(r));
    EXPECT_EQ(server.requests.size(), 1u);
    EXPECT_TRUE(Logged("Login failed!"));
    ExpectUntouched();
}

TEST_F(DownloaderTest, SpaceTrackLogsOutAfterAFailedQuery) {
    // The query fails with a status, then by going silent: the session is closed each time.
    for (const bool stall : {false, true}) {
        StandIn server([&](const std::string& request) {
            if (request.starts_with("POST /ajaxauth/login "))
                return Answer{{Ok("\"\"", "Set-Cookie: chocolatechip=abc123; path=/\r\n")}};
            if (request.starts_with("GET /basicspacedata/")) {
                if (stall) return Answer{{}, false};
                return Answer{{"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"}};
            }
            return Answer{{Ok("\"Successfully logged out\"")}};
        });
        ElementDownloadRequest r;
        r.source = ElementSource::SpaceTrack;
        r.spaceTrackUrl = server.Base().toStdString();
        r.user = "me";
        r.password = "pw";
        r.stallSeconds = 1;
        EXPECT_FALSE(Run(r));
        ASSERT_EQ(server.requests.size(), 3u) << stall;
        EXPECT_TRUE(server.requests[2].starts_with("GET /ajaxauth/logout ")) << server.requests[2];
        EXPECT_NE(server.requests[2].find("chocolatechip=abc123"), std::string::npos);
        EXPECT_TRUE(Logged(stall ? "No data from Space-Track for 1 seconds"
                                 : "HTTP 500 Internal Server Error"))
            << downloader_.LastError().toStdString();
        ExpectUntouched();
    }
}

TEST_F(DownloaderTest, ElementServerExchangeOverASocket) {
    const std::vector<std::uint8_t> gz = GzipBytes(ReadData("omm/celestrak-stations-2026-04.tle"));
    const std::string body(gz.begin(), gz.end());
    StandIn server([&](const std::string& request) {
        if (request.starts_with("POST /perl/login.pl"))
            return Answer{{"HTTP/1.1 200 OK\r\nSet-Cookie: sess=42; path=/\r\n\r\nWelcome"}};
        // No length: the body runs to the close, its header's end split across writes.
        return Answer{{"HTTP/1.1 200 OK\r\nContent-Type: application/x-gzip\r\n\r", "\n",
                       body.substr(0, 100), body.substr(100)}};
    });
    ElementDownloadRequest r;
    r.source = ElementSource::Legacy;
    r.user = "me";
    r.password = "p&ss";
    r.legacy.host = "127.0.0.1";
    r.legacy.port = server.Port();
    r.legacy.headerHost = "elements.test";
    ASSERT_TRUE(Run(r)) << downloader_.LastError().toStdString();
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_NE(server.requests[0].find("&password=p%26ss&"), std::string::npos);
    EXPECT_NE(server.requests[1].find("\r\nCookie: sess=42\r\n"), std::string::npos);
    // The server's gzip body is stored unchanged.
    EXPECT_EQ(ReadFile(target_), body);
    EXPECT_TRUE(Logged("Login OK. Now initiating download..."));
    EXPECT_TRUE(Logged("Kepler update complete!"));

    // Nobody listening: one line, the file kept.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    r.legacy.port = closed.serverPort();
    closed.close();
    const std::string before = ReadFile(target_);
    EXPECT_FALSE(Run(r));
    EXPECT_TRUE(Logged("Failed to establish connection"));
    EXPECT_EQ(ReadFile(target_), before);
}

}  // namespace
}  // namespace orvanta
