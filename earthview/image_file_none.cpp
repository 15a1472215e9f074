// An edition built without an image library: every read and write fails with one message,
// so the day/night command and screenshots say why instead of failing on a file.
#include "common/event_log.h"
#include "earthview/image_file.h"

namespace orvanta {

namespace {

void ReportNoImageSupport() { LogEvent(kNoImageSupportText, LOG_ERROR); }

}  // namespace

bool ImageSupportBuiltIn() { return false; }

std::string ImageSupportProblem() { return kNoImageSupportText; }

std::optional<PixelImage> DecodeJpegFile(const std::filesystem::path&) {
    ReportNoImageSupport();
    return std::nullopt;
}

std::optional<PixelImage> DecodeJpegMemory(const std::uint8_t*, std::size_t) {
    ReportNoImageSupport();
    return std::nullopt;
}

bool SaveImageFile(const PixelImage&, const std::filesystem::path&, int,
                   const std::filesystem::path&) {
    ReportNoImageSupport();
    return false;
}

void InstallImageMessageHandler() {}

}  // namespace orvanta
