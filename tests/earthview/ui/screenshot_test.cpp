// Screenshots: the file, the command after it and the wallpaper step, with a stand-in for
// the desktop so this machine's wallpaper never changes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "common/event_log.h"
#include "common/ui/drawing_objects.h"
#include "earthview/ui/screenshot.h"
#include "platform/directories.h"
#include "platform/wallpaper.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

bool WaitForFile(const fs::path& file, std::uintmax_t minSize = 1, int timeoutMs = 20000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        std::error_code ec;
        if (fs::exists(file, ec) && fs::file_size(file, ec) >= minSize) return true;
        QThread::msleep(20);
    }
    return false;
}

std::string Magic(const fs::path& file, std::size_t n) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    return bytes;
}

class ScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame_ = QImage(120, 80, QImage::Format_RGB32);
        frame_.fill(QColor(10, 20, 200));
        wallpaper_ = std::make_shared<platform::RecordingWallpaper>();
        platform::SetWallpaperBackend(wallpaper_);
    }
    void TearDown() override { platform::SetWallpaperBackend(nullptr); }
    std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }

    platform::PrivateTempDir dir_;
    QImage frame_;
    std::shared_ptr<platform::RecordingWallpaper> wallpaper_;
    EventRecorder log_;
};

TEST_F(ScreenshotTest, UserRequestSavesInTheChosenFormatAndSaysSo) {
    ScreenshotJob job;
    job.request = SCREENSHOT_USER;
    job.chosenFile = Path("view.png");
    job.command = "should-not-run";
    job.setWallpaper = true;
    EXPECT_TRUE(TakeScreenshot(frame_, job));
    EXPECT_EQ(Magic(Path("view.png"), 4), "\x89PNG");
    EXPECT_TRUE(log_.Contains("File " + Path("view.png") + " successfully saved", LOG_INFORMATION));
    EXPECT_FALSE(fs::exists(Path("view.png.partial")));
    // Neither the command nor the wallpaper belong to a requested save.
    EXPECT_TRUE(wallpaper_->files.empty());
    EXPECT_FALSE(log_.Contains("executing command"));
    const QImage back(QString::fromStdString(Path("view.png")));
    EXPECT_EQ(back.size(), QSize(120, 80));
    EXPECT_EQ(back.pixelColor(5, 5), QColor(10, 20, 200));
}

TEST_F(ScreenshotTest, PeriodicScreenshotRunsTheCommandWithQuotedPathsAndSetsTheWallpaper) {
    ScreenshotJob job;
    job.request = SCREENSHOT_PERIODIC;
    job.periodicFile = Path("earth.jpg");
    // A copy to a name with spaces, far past the old 119-character limit.
    const std::string copy = Path("copy of the earth view screenshot with a long name " +
                                  std::string(80, 'x') + ".jpg");
    job.command = "sh -c 'cp \"$0\" \"$1\"' \"" + Path("earth.jpg") + "\" \"" + copy + "\"";
    job.setWallpaper = true;
    EXPECT_TRUE(TakeScreenshot(frame_, job));
    EXPECT_EQ(Magic(Path("earth.jpg"), 3), "\xFF\xD8\xFF");
    ASSERT_TRUE(WaitForFile(copy));
    EXPECT_EQ(wallpaper_->files, std::vector<fs::path>{fs::path(Path("earth.jpg"))});
    EXPECT_FALSE(log_.Contains("successfully saved"));  // periodic saves stay quiet
}

TEST_F(ScreenshotTest, FailedSaveIsReportedAndKeepsThePreviousFile) {
    std::ofstream(Path("earth.jpg")) << "previous";
    ScreenshotJob job;
    job.request = SCREENSHOT_PERIODIC;
    job.periodicFile = Path("earth.jpg");
    EXPECT_TRUE(TakeScreenshot(frame_, job));
    const auto saved = fs::file_size(Path("earth.jpg"));

    job.periodicFile = Path("earth.unknown");
    job.setWallpaper = true;
    job.command = "sh -c 'touch \"$0\"' " + Path("ran");
    EXPECT_FALSE(TakeScreenshot(frame_, job));
    EXPECT_TRUE(log_.Contains("Failed to save image file!", LOG_ERROR));
    // The command and the wallpaper still run after a failed periodic save.
    EXPECT_TRUE(WaitForFile(Path("ran"), 0));
    EXPECT_EQ(wallpaper_->files.size(), 1u);
    EXPECT_EQ(fs::file_size(Path("earth.jpg")), saved);
    EXPECT_FALSE(fs::exists(Path("earth.unknown.partial")));
}

TEST_F(ScreenshotTest, SkyViewStyleJobDoesNotReport) {
    ScreenshotJob job;
    job.request = SCREENSHOT_PERIODIC;
    job.periodicFile = Path("sky.bad");
    job.jpegQuality = 0;
    job.reportResult = false;
    EXPECT_FALSE(TakeScreenshot(frame_, job));
    EXPECT_FALSE(log_.Contains("Failed to save image file!"));
}

TEST_F(ScreenshotTest, CommandsThatCannotStartAreReported) {
    EXPECT_TRUE(RunScreenshotCommand(""));
    EXPECT_FALSE(RunScreenshotCommand("/nonexistent/program --flag"));
    EXPECT_TRUE(log_.Contains("Error 2 executing command: /nonexistent/program --flag!", LOG_ERROR));
    EXPECT_FALSE(RunScreenshotCommand("prog \"open quote"));
    EXPECT_TRUE(log_.Contains("Error 2 executing command: prog \"open quote!", LOG_ERROR));
}

TEST(ScreenshotFilter, SixFormatsJpegFirst) {
    const QStringList filters = ScreenshotFileFilter().split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 6);
    EXPECT_EQ(filters[0], QStringLiteral("Independent JPEG Group (*.jpg)"));
    EXPECT_EQ(filters[5], QStringLiteral("Tagged Image File Format (*.tif)"));
}

TEST(Wallpaper, DesktopIsChosenFromXdgCurrentDesktop) {
    using platform::DesktopKind;
    EXPECT_EQ(platform::DesktopFromXdg("GNOME"), DesktopKind::Gnome);
    EXPECT_EQ(platform::DesktopFromXdg("ubuntu:GNOME"), DesktopKind::Gnome);
    EXPECT_EQ(platform::DesktopFromXdg("KDE"), DesktopKind::Kde);
    EXPECT_EQ(platform::DesktopFromXdg("XFCE"), DesktopKind::Xfce);
    EXPECT_EQ(platform::DesktopFromXdg("i3"), DesktopKind::Other);
    EXPECT_EQ(platform::DesktopFromXdg(""), DesktopKind::Other);
}

TEST(Wallpaper, CommandsNameTheFileForEachDesktop) {
    using platform::DesktopKind;
    const fs::path file = "/home/u/My Shots/earth.jpg";
    const auto gnome = platform::WallpaperCommands(DesktopKind::Gnome, file);
    ASSERT_EQ(gnome.size(), 3u);
    EXPECT_EQ(gnome[0], (std::vector<std::string>{"gsettings", "set", "org.gnome.desktop.background",
                                                  "picture-uri", "file:///home/u/My%20Shots/earth.jpg"}));
    EXPECT_EQ(gnome[1][3], "picture-uri-dark");
    const auto kde = platform::WallpaperCommands(DesktopKind::Kde, file);
    ASSERT_EQ(kde.size(), 1u);
    EXPECT_EQ(kde[0][0], "dbus-send");
    EXPECT_NE(kde[0].back().find("file:///home/u/My%20Shots/earth.jpg"), std::string::npos);
    const auto xfce = platform::WallpaperCommands(DesktopKind::Xfce, file);
    EXPECT_EQ(xfce[0][0], "xfconf-query");
    EXPECT_EQ(xfce[0].back(), file.string());
    EXPECT_EQ(platform::WallpaperCommands(DesktopKind::Other, file),
              (std::vector<std::vector<std::string>>{{"feh", "--bg-center", file.string()}}));
}

TEST(DrawingObjects, FontsFollowTheScreensResolution) {
    EXPECT_EQ(FontPixelHeight(8, 96), 11);
    EXPECT_EQ(FontPixelHeight(12, 96), 16);
    EXPECT_EQ(FontPixelHeight(7, 96), 9);
    EXPECT_EQ(FontPixelHeight(8, 120), 13);
    const DrawingObjects d = MakeDrawingObjects(96);
    EXPECT_EQ(d.labelFont.pixelSize(), 11);
    EXPECT_TRUE(d.largeFont.bold());
    EXPECT_EQ(d.greyDotted.style(), Qt::DotLine);
    EXPECT_EQ(d.oliveDotted.color(), QColor(192, 192, 0));
    EXPECT_EQ(d.orange.color(), QColor(255, 170, 0));
    EXPECT_EQ(d.darkBlueBrush.color(), QColor(0, 0, 64));
    EXPECT_EQ(d.hostBrushes[2].color(), QColor(255, 0, 0));
}

}  // namespace
}  // namespace orvanta
