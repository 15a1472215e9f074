#include "earthview/ui/screenshot.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "common/event_log.h"
#include "earthview/screenshot_command.h"
#include "platform/wallpaper.h"

namespace orvanta {

namespace fs = std::filesystem;

QString ScreenshotFileFilter() {
    return QStringLiteral(
        "Independent JPEG Group (*.jpg);;"
        "Portable Network Graphics (*.png);;"
        "Windows or OS/2 Bitmap (*.bmp);;"
        "Adobe Photoshop (*.psd);;"
        "Truevision Targa (*.tga);;"
        "Tagged Image File Format (*.tif)");
}

QString ChooseScreenshotFile(QWidget* owner) {
    QFileDialog dialog(owner, QStringLiteral("Save Screenshot as..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ScreenshotFileFilter());
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    // As before, an existing file is replaced without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

PixelImage CaptureImage(const QImage& frame) {
    const QImage rgb = frame.format() == QImage::Format_RGB32
                           ? frame
                           : frame.convertToFormat(QImage::Format_RGB32);
    PixelImage image(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::copy(line, line + rgb.width(), &image.pixels[static_cast<std::size_t>(y) * rgb.width()]);
    }
    return image;
}

bool SaveScreenshotImage(const QImage& frame, const std::string& file, int jpegQuality) {
    if (file.empty() || frame.isNull()) return false;
    const fs::path target = fs::u8path(file);
    fs::path temporary = target;
    temporary += ".partial";
    if (!SaveImageFile(CaptureImage(frame), temporary, jpegQuality, target)) {
        std::error_code ec;
        fs::remove(temporary, ec);
        return false;
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

namespace {

void ReportCommandError(int code, const std::string& command) {
    LogEvent("Error " + std::to_string(code) + " executing command: " + command + "!", LOG_ERROR);
}

}  // namespace

bool RunScreenshotCommand(const std::string& command) {
    // The code the shell gave for a file it could not find.
    constexpr int kFileNotFound = 2;
    const auto words = SplitCommandLine(command);
    if (!words) {
        ReportCommandError(kFileNotFound, command);
        return false;
    }
    if (words->empty()) return true;
    QStringList arguments;
    for (std::size_t i = 1; i < words->size(); ++i)
        arguments << QString::fromStdString((*words)[i]);
    const QString program = QString::fromStdString(words->front());
    if (QProcess::startDetached(program, arguments)) return true;
    // A document rather than a program (a page, a script without its execute bit): open it
    // with the desktop's application for it, as the shell did.
    if (arguments.isEmpty() && QFileInfo(program).isFile() &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(program)))
        return true;
    ReportCommandError(kFileNotFound, command);
    return false;
}

bool TakeScreenshot(const QImage& frame, const ScreenshotJob& job) {
    if (job.request == SCREENSHOT_NONE) return false;
    const std::string& file =
        job.request == SCREENSHOT_PERIODIC ? job.periodicFile : job.chosenFile;
    const bool saved = SaveScreenshotImage(frame, file, job.jpegQuality);
    if (job.reportResult) {
        if (!saved)
            LogEvent("Failed to save image file!", LOG_ERROR);
        else if (job.request == SCREENSHOT_USER)
            LogEvent("File " + file + " successfully saved", LOG_INFORMATION);
    }
    if (job.request == SCREENSHOT_PERIODIC) {
        RunScreenshotCommand(job.command);
        if (job.setWallpaper && !file.empty()) {
            std::string error;
            if (!platform::SetDesktopWallpaper(fs::u8path(file), &error))
                LogEvent("Failed to set the desktop background: " + error, LOG_WARNING);
        }
    }
    return saved;
}

}  // namespace orvanta
