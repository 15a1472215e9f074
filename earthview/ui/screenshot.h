#pragma once
// Saving what a view shows: once on request ("Save Screenshot as...") or periodically under
// a fixed name, then the user's command and, when asked, the desktop wallpaper. The Earth
// view and the Sky view share every step; each passes its own settings.
#include <QImage>
#include <QString>
#include <string>

#include "earthview/image_file.h"

class QWidget;

namespace orvanta {

enum ScreenshotRequest : int {
    SCREENSHOT_NONE = 0,
    SCREENSHOT_PERIODIC = 1,
    SCREENSHOT_USER = 2,
};

// The save dialog's filter, in order (JPEG first, the default extension "jpg").
QString ScreenshotFileFilter();

// The Save As dialog with the six formats; empty when cancelled.
QString ChooseScreenshotFile(QWidget* owner);

// The frame as a plain 24-bit pixel buffer.
PixelImage CaptureImage(const QImage& frame);

// Writes the frame in the format the name's extension names; JPEG at jpegQuality (0: the
// library's default), other formats with their defaults. The file is first written under a
// temporary name beside it and renamed into place, so a program reading the file (an
// upload command, a wallpaper) never sees half an image and a failed save keeps the
// previous file.
bool SaveScreenshotImage(const QImage& frame, const std::string& file, int jpegQuality);

// Starts the command (program and arguments split like a shell does) without waiting for
// it. Empty: nothing, true. Logs "Error %d executing command: %s!" at level 2 and returns
// false when the command cannot be parsed (2) or its program cannot be started (2).
bool RunScreenshotCommand(const std::string& command);

struct ScreenshotJob {
    int request = SCREENSHOT_NONE;  // ScreenshotRequest
    std::string chosenFile;         // SCREENSHOT_USER: the file from the dialog
    std::string periodicFile;       // SCREENSHOT_PERIODIC: "... Screenshot Filename"
    std::string command;            // SCREENSHOT_PERIODIC: "... Screenshot Command"
    int jpegQuality = 92;           // the Earth view's; the Sky view passes 0
    bool reportResult = true;       // log the save's failure (and a requested save's success)
    bool setWallpaper = false;      // "Desktop Background" names this view
};

// The capture-and-save step of a view's paint: saves the frame to the job's file, logs
// "Failed to save image file!" (level 2) or, for a requested save, "File %s successfully
// saved" (level 3); after a periodic screenshot runs the command and sets the wallpaper
// (both also after a failed save). Returns whether the image was saved.
bool TakeScreenshot(const QImage& frame, const ScreenshotJob& job);

}  // namespace orvanta
