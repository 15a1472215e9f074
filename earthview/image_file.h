#pragma once
// Plain pixel buffers and the image library behind them: decoding the built-in and
// downloaded JPEG images, and writing screenshots in the format their file name names.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// Top row first, one 0xAARRGGBB word a pixel (alpha is 0xFF); the layout of a 32-bit
// QImage, so the views hand pixels over without converting.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    PixelImage() = default;
    PixelImage(int w, int h, std::uint32_t fill = 0xFF000000u)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
    bool Empty() const { return width <= 0 || height <= 0; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

constexpr std::uint32_t PixelRgb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}
constexpr int RedOf(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int GreenOf(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int BlueOf(std::uint32_t p) { return static_cast<int>(p & 0xFF); }

// False in an edition built without an image library; there every read and write below
// fails and logs kNoImageSupportText.
bool ImageSupportBuiltIn();
inline constexpr const char* kNoImageSupportText = "image support is not built into this edition";

// Empty when images can be read and written; else why they cannot, the line every read and
// write logs (kNoImageSupportText, or the image library could not be opened).
std::string ImageSupportProblem();

// Decodes a JPEG file with the library's accurate (slower, exact) decoder; nothing when
// the file is missing or is not a readable JPEG.
std::optional<PixelImage> DecodeJpegFile(const std::filesystem::path& file);
std::optional<PixelImage> DecodeJpegMemory(const std::uint8_t* data, std::size_t size);

// Writes the image at 24 bits per pixel in the format that formatName's extension names
// (formatName defaults to file itself, so a temporary name can be written in the final
// file's format). JPEG is written at jpegQuality (0: the library's default), every other
// format with its default options. False for an unknown or read-only format, an empty
// image or an unwritable file.
bool SaveImageFile(const PixelImage& image, const std::filesystem::path& file, int jpegQuality,
                   const std::filesystem::path& formatName = {});

// The event-log line for a message of the image library.
std::string ImageErrorText(const std::string& message, const std::string& formatName);

// Routes the image library's own messages to the event log at level 2 (once at start). It
// does not open the library: that waits for the first image read or write.
void InstallImageMessageHandler();

}  // namespace orvanta
