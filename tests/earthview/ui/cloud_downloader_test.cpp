// Cloud map downloads against a server on 127.0.0.1: the good map survives a failed
// download, retries pause, and a cancelled download changes nothing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <filesystem>
#include <fstream>

#include "common/event_log.h"
#include "common/settings.h"
#include "earthview/cloud_map.h"
#include "earthview/image_file.h"
#include "earthview/ui/cloud_downloader.h"
#include "platform/directories.h"
#include "tests/earthview/ui/local_http_server.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

QByteArray JpegBytes(std::uint32_t colour, const fs::path& scratch) {
    PixelImage image(32, 16, colour);
    SaveImageFile(image, scratch, 92);
    std::ifstream in(scratch, std::ios::binary);
    return QByteArray::fromStdString(std::string((std::istreambuf_iterator<char>(in)), {}));
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class CloudDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        downloader_ = std::make_unique<CloudMapDownloader>(dir_.Path());
        downloader_->SetRetryPauseMs(0);
        downloader_->SetRandomSource([] { return 0; });
        good_ = JpegBytes(PixelRgb(200, 200, 200), dir_.Path() / "scratch.jpg");
    }
    fs::path MapFile() const { return dir_.Path() / CLOUD_MAP_FILE; }
    QByteArray MapBytes() const {
        std::ifstream in(MapFile(), std::ios::binary);
        return QByteArray::fromStdString(std::string((std::istreambuf_iterator<char>(in)), {}));
    }

    platform::PrivateTempDir dir_;
    test::LocalHttpServer server_;
    std::unique_ptr<CloudMapDownloader> downloader_;
    QByteArray good_;
    EventRecorder log_;
};

TEST_F(CloudDownloaderTest, FetchesTheListThenTheMap) {
    const QString mapUrl = server_.Base().toString() + "/maps/latest.jpg";
    server_.Set("/cloudmaps.txt", 200, (mapUrl + "\r\n").toUtf8());
    server_.Set("/maps/latest.jpg", 200, good_);
    QSignalSpy ok(downloader_.get(), &CloudMapDownloader::succeeded);
    downloader_->Start(server_.Base());
    ASSERT_TRUE(WaitFor([&] { return ok.count() == 1; }));
    EXPECT_EQ(MapBytes(), good_);
    EXPECT_TRUE(fs::exists(dir_.Path() / CLOUD_SERVER_LIST_FILE));
    EXPECT_FALSE(fs::exists(dir_.Path() / "cloudmap.jpg.partial"));
    EXPECT_FALSE(downloader_->Running());
}

TEST_F(CloudDownloaderTest, BrokenOrFailedDownloadsKeepTheGoodMapAndGiveUpAfterTen) {
    std::ofstream(MapFile(), std::ios::binary).write(good_.constData(), good_.size());
    const QString mapUrl = server_.Base().toString() + "/maps/latest.jpg";
    server_.Set("/cloudmaps.txt", 200, mapUrl.toUtf8());
    server_.Set("/maps/latest.jpg", 200, good_.left(good_.size() / 3));  // cut short
    QSignalSpy failed(downloader_.get(), &CloudMapDownloader::failed);
    downloader_->Start(server_.Base());
    ASSERT_TRUE(WaitFor([&] { return failed.count() == 1; }));
    EXPECT_EQ(MapBytes(), good_);
    EXPECT_EQ(server_.Requests("/maps/latest.jpg"), 10);
    EXPECT_TRUE(log_.Contains("Failed to download a new cloudmap 10 times. Giving up for now.", LOG_WARNING));

    server_.Set("/maps/latest.jpg", 503, "busy");
    downloader_->Start(server_.Base());
    ASSERT_TRUE(WaitFor([&] { return failed.count() == 2; }));
    EXPECT_TRUE(log_.Contains("Error 503 while downloading the latest cloudmap from " + mapUrl.toStdString() + "!",
                              LOG_WARNING));
    EXPECT_EQ(MapBytes(), good_);
}

TEST_F(CloudDownloaderTest, AnExampleServerIsNotAskedAndSaysWhy) {
    // The built-in "Cloudmap Server" of a build without a vendor server.
    QSignalSpy failed(downloader_.get(), &CloudMapDownloader::failed);
    downloader_->Start(QUrl(QString::fromStdString(Settings().cloudmapServer)));
    EXPECT_EQ(failed.count(), 1);
    EXPECT_FALSE(downloader_->Running());
    EXPECT_TRUE(log_.Contains("No cloud map server is set (\"Cloudmap Server\" is "
                              "https://orvanta.example.org), so no cloud map is downloaded.",
                              LOG_INFORMATION));
    EXPECT_FALSE(log_.Contains("Failed to read cloudmap serverlist!", LOG_ERROR));
    // The schedule asks again every five minutes: the line is not repeated each time.
    log_.Clear();
    downloader_->Start(QUrl(QString::fromStdString(Settings().cloudmapServer)));
    EXPECT_EQ(failed.count(), 2);
    EXPECT_FALSE(log_.Contains("No cloud map server is set"));
}

TEST_F(CloudDownloaderTest, ServerAndMapAddressesObeyTheHttpsRule) {
    // A user-info part before this machine's address is refused before any request.
    QSignalSpy failed(downloader_.get(), &CloudMapDownloader::failed);
    QUrl withUser = server_.Base();
    withUser.setUserInfo(QStringLiteral("127.0.0.1:1"));
    downloader_->Start(withUser);
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(server_.TotalRequests(), 0);
    EXPECT_TRUE(log_.Contains("No cloud map is downloaded from the \"Cloudmap Server\": an "
                              "address with a user name or password",
                              LOG_ERROR));

    // In the list, only the lines that pass the same rule are picked from.
    const QString base = server_.Base().toString();
    const QString bad = "http://me:pw@" + base.mid(7) + "/bad.jpg";
    server_.Set("/cloudmaps.txt", 200, (bad + "\r\n" + base + "/good.jpg\r\n").toUtf8());
    server_.Set("/bad.jpg", 200, good_);
    server_.Set("/good.jpg", 200, good_);
    QSignalSpy ok(downloader_.get(), &CloudMapDownloader::succeeded);
    downloader_->Start(server_.Base());
    ASSERT_TRUE(WaitFor([&] { return ok.count() == 1; }));
    EXPECT_EQ(server_.Requests("/bad.jpg"), 0);
    EXPECT_EQ(server_.Requests("/good.jpg"), 1);
    EXPECT_TRUE(log_.Contains("1 address in cloudmaps.txt refused", LOG_WARNING));
    EXPECT_FALSE(log_.Contains("me:pw")) << "a password is never logged";
}

TEST_F(CloudDownloaderTest, RetriesWaitBetweenAttempts) {
    server_.Set("/cloudmaps.txt", 200, (server_.Base().toString() + "/missing.jpg").toUtf8());
    downloader_->SetRetryPauseMs(60000);
    downloader_->Start(server_.Base());
    ASSERT_TRUE(WaitFor([&] { return server_.Requests("/missing.jpg") == 1; }));
    // Within the pause no second attempt goes out.
    QDeadlineTimer wait(300);
    while (!wait.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(server_.Requests("/missing.jpg"), 1);
    EXPECT_TRUE(downloader_->Running());
    downloader_->Cancel();
    EXPECT_FALSE(downloader_->Running());
}

TEST_F(CloudDownloaderTest, MissingListIsReported) {
    QSignalSpy failed(downloader_.get(), &CloudMapDownloader::failed);
    downloader_->Start(server_.Base());  // the server has no list
    ASSERT_TRUE(WaitFor([&] { return failed.count() == 1; }));
    EXPECT_TRUE(log_.Contains("Failed to read cloudmap serverlist!", LOG_ERROR));
}

TEST_F(CloudDownloaderTest, CancelledDownloadChangesNothing) {
    server_.Set("/cloudmaps.txt", 200, (server_.Base().toString() + "/map.jpg").toUtf8());
    server_.Set("/map.jpg", 200, good_);
    QSignalSpy ok(downloader_.get(), &CloudMapDownloader::succeeded);
    QSignalSpy failed(downloader_.get(), &CloudMapDownloader::failed);
    downloader_->Start(server_.Base());
    downloader_->Cancel();
    QDeadlineTimer wait(500);
    while (!wait.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(ok.count() + failed.count(), 0);
    EXPECT_FALSE(fs::exists(MapFile()));
}

}  // namespace
}  // namespace orvanta
