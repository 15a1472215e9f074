// The image library behind image_file.h: FreeImage.
#include "earthview/image_file.h"

#include <FreeImage.h>

#include <cstring>
#include <mutex>

#include "common/event_log.h"

namespace orvanta {

bool ImageSupportBuiltIn() { return true; }

namespace {

// Copies a decoded bitmap of any depth into a top-down 0xAARRGGBB buffer.
std::optional<PixelImage> FromBitmap(FIBITMAP* dib) {
    if (!dib) return std::nullopt;
    FIBITMAP* rgb = FreeImage_ConvertTo32Bits(dib);
    FreeImage_Unload(dib);
    if (!rgb) return std::nullopt;
    PixelImage image(static_cast<int>(FreeImage_GetWidth(rgb)),
                     static_cast<int>(FreeImage_GetHeight(rgb)));
    for (int y = 0; y < image.height; ++y) {
        // The library keeps rows bottom-up, each pixel as B, G, R, A bytes.
        const BYTE* src = FreeImage_GetScanLine(rgb, image.height - 1 - y);
        std::uint32_t* dst = &image.pixels[static_cast<std::size_t>(y) * image.width];
        for (int x = 0; x < image.width; ++x, src += 4)
            dst[x] = PixelRgb(src[FI_RGBA_RED], src[FI_RGBA_GREEN], src[FI_RGBA_BLUE]);
    }
    FreeImage_Unload(rgb);
    return image;
}

}  // namespace

std::optional<PixelImage> DecodeJpegFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
#ifdef _WIN32
    return FromBitmap(FreeImage_LoadU(FIF_JPEG, file.c_str(), JPEG_ACCURATE));
#else
    return FromBitmap(FreeImage_Load(FIF_JPEG, file.c_str(), JPEG_ACCURATE));
#endif
}

std::optional<PixelImage> DecodeJpegMemory(const std::uint8_t* data, std::size_t size) {
    if (!data || size == 0) return std::nullopt;
    FIMEMORY* mem = FreeImage_OpenMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    if (!mem) return std::nullopt;
    auto image = FromBitmap(FreeImage_LoadFromMemory(FIF_JPEG, mem, JPEG_ACCURATE));
    FreeImage_CloseMemory(mem);
    return image;
}

bool SaveImageFile(const PixelImage& image, const std::filesystem::path& file, int jpegQuality,
                   const std::filesystem::path& formatName) {
    if (image.Empty() || file.empty()) return false;
    const std::filesystem::path& named = formatName.empty() ? file : formatName;
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFIFFromFilename(named.string().c_str());
    if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsWriting(fif)) return false;
    FIBITMAP* dib = FreeImage_Allocate(image.width, image.height, 24);
    if (!dib) return false;
    for (int y = 0; y < image.height; ++y) {
        BYTE* dst = FreeImage_GetScanLine(dib, image.height - 1 - y);
        const std::uint32_t* src = &image.pixels[static_cast<std::size_t>(y) * image.width];
        for (int x = 0; x < image.width; ++x, dst += 3) {
            dst[FI_RGBA_RED] = static_cast<BYTE>(RedOf(src[x]));
            dst[FI_RGBA_GREEN] = static_cast<BYTE>(GreenOf(src[x]));
            dst[FI_RGBA_BLUE] = static_cast<BYTE>(BlueOf(src[x]));
        }
    }
    const int flags = fif == FIF_JPEG ? jpegQuality : 0;
#ifdef _WIN32
    const bool ok = FreeImage_SaveU(fif, dib, file.c_str(), flags) != 0;
#else
    const bool ok = FreeImage_Save(fif, dib, file.c_str(), flags) != 0;
#endif
    FreeImage_Unload(dib);
    return ok;
}

namespace {

void DLL_CALLCONV ReportImageError(FREE_IMAGE_FORMAT fif, const char* message) {
    const char* format = fif == FIF_UNKNOWN ? nullptr : FreeImage_GetFormatFromFIF(fif);
    LogEvent(ImageErrorText(message ? message : "", format ? format : "Unknown"), LOG_ERROR);
}

}  // namespace

void InstallImageMessageHandler() {
    static std::once_flag once;
    std::call_once(once, [] { FreeImage_SetOutputMessage(ReportImageError); });
}

}  // namespace orvanta
