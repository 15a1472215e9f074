// The image library behind image_file.h: FreeImage, through the table of freeimage_api.h.
#include "earthview/image_file.h"

#include <cstring>
#include <mutex>

#include "common/event_log.h"
#include "earthview/freeimage_api.h"

namespace orvanta {

bool ImageSupportBuiltIn() { return true; }

namespace {

struct ImageLibrary {
    FreeImageApi api;
    std::string error;  // why it is not there; empty once it is
};

void DLL_CALLCONV ReportImageError(FREE_IMAGE_FORMAT fif, const char* message);

// The message handler asked for before the library was opened is installed when it is.
std::mutex handlerMutex;
bool handlerWanted = false;
const FreeImageApi* openedApi = nullptr;  // both guarded by handlerMutex

// Opens the library on the first image read or write of the process, on whichever thread.
const ImageLibrary& Library() {
    static const ImageLibrary library = [] {
        ImageLibrary opened;
        if (!LoadFreeImageApi(opened.api, opened.error) && opened.error.empty())
            opened.error = "image support is not available";
        return opened;
    }();
    static std::once_flag handlerOnce;
    std::call_once(handlerOnce, [] {
        if (!library.error.empty()) return;
        const std::lock_guard lock(handlerMutex);
        openedApi = &library.api;
        if (handlerWanted) library.api.SetOutputMessage(ReportImageError);
    });
    return library;
}

// The table, or nullptr after logging why images cannot be read or written.
const FreeImageApi* Api() {
    const ImageLibrary& library = Library();
    if (library.error.empty()) return &library.api;
    LogEvent(library.error, LOG_ERROR);
    return nullptr;
}

// Copies a decoded bitmap of any depth into a top-down 0xAARRGGBB buffer.
std::optional<PixelImage> FromBitmap(const FreeImageApi& fi, FIBITMAP* dib) {
    if (!dib) return std::nullopt;
    FIBITMAP* rgb = fi.ConvertTo32Bits(dib);
    fi.Unload(dib);
    if (!rgb) return std::nullopt;
    PixelImage image(static_cast<int>(fi.GetWidth(rgb)), static_cast<int>(fi.GetHeight(rgb)));
    for (int y = 0; y < image.height; ++y) {
        // The library keeps rows bottom-up, each pixel as B, G, R, A bytes.
        const BYTE* src = fi.GetScanLine(rgb, image.height - 1 - y);
        std::uint32_t* dst = &image.pixels[static_cast<std::size_t>(y) * image.width];
        for (int x = 0; x < image.width; ++x, src += 4)
            dst[x] = PixelRgb(src[FI_RGBA_RED], src[FI_RGBA_GREEN], src[FI_RGBA_BLUE]);
    }
    fi.Unload(rgb);
    return image;
}

}  // namespace

std::string ImageSupportProblem() { return Library().error; }

std::optional<PixelImage> DecodeJpegFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    const FreeImageApi* fi = Api();
    if (!fi) return std::nullopt;
#ifdef _WIN32
    return FromBitmap(*fi, fi->LoadU(FIF_JPEG, file.c_str(), JPEG_ACCURATE));
#else
    return FromBitmap(*fi, fi->Load(FIF_JPEG, file.c_str(), JPEG_ACCURATE));
#endif
}

std::optional<PixelImage> DecodeJpegMemory(const std::uint8_t* data, std::size_t size) {
    if (!data || size == 0) return std::nullopt;
    const FreeImageApi* fi = Api();
    if (!fi) return std::nullopt;
    FIMEMORY* mem = fi->OpenMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    if (!mem) return std::nullopt;
    auto image = FromBitmap(*fi, fi->LoadFromMemory(FIF_JPEG, mem, JPEG_ACCURATE));
    fi->CloseMemory(mem);
    return image;
}

bool SaveImageFile(const PixelImage& image, const std::filesystem::path& file, int jpegQuality,
                   const std::filesystem::path& formatName) {
    if (image.Empty() || file.empty()) return false;
    const FreeImageApi* fi = Api();
    if (!fi) return false;
    const std::filesystem::path& named = formatName.empty() ? file : formatName;
    const FREE_IMAGE_FORMAT fif = fi->GetFIFFromFilename(named.string().c_str());
    if (fif == FIF_UNKNOWN || !fi->FIFSupportsWriting(fif)) return false;
    FIBITMAP* dib = fi->Allocate(image.width, image.height, 24, 0, 0, 0);
    if (!dib) return false;
    for (int y = 0; y < image.height; ++y) {
        BYTE* dst = fi->GetScanLine(dib, image.height - 1 - y);
        const std::uint32_t* src = &image.pixels[static_cast<std::size_t>(y) * image.width];
        for (int x = 0; x < image.width; ++x, dst += 3) {
            dst[FI_RGBA_RED] = static_cast<BYTE>(RedOf(src[x]));
            dst[FI_RGBA_GREEN] = static_cast<BYTE>(GreenOf(src[x]));
            dst[FI_RGBA_BLUE] = static_cast<BYTE>(BlueOf(src[x]));
        }
    }
    const int flags = fif == FIF_JPEG ? jpegQuality : 0;
#ifdef _WIN32
    const bool ok = fi->SaveU(fif, dib, file.c_str(), flags) != 0;
#else
    const bool ok = fi->Save(fif, dib, file.c_str(), flags) != 0;
#endif
    fi->Unload(dib);
    return ok;
}

namespace {

void DLL_CALLCONV ReportImageError(FREE_IMAGE_FORMAT fif, const char* message) {
    // Called by the library, so it is open.
    const char* format = fif == FIF_UNKNOWN ? nullptr : Library().api.GetFormatFromFIF(fif);
    LogEvent(ImageErrorText(message ? message : "", format ? format : "Unknown"), LOG_ERROR);
}

}  // namespace

void InstallImageMessageHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        const std::lock_guard lock(handlerMutex);
        handlerWanted = true;
        if (openedApi) openedApi->SetOutputMessage(ReportImageError);
    });
}

}  // namespace orvanta
