// Decoding and writing images through the image library.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/event_log.h"
#include "earthview/image_file.h"
#include "platform/directories.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

PixelImage Gradient(int w, int h) {
    PixelImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.At(x, y) = PixelRgb(x * 255 / (w - 1), y * 255 / (h - 1), 60);
    return image;
}

// The first bytes say which format a file really is.
std::string Magic(const fs::path& file, std::size_t n) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    return bytes;
}

class ImageFileTest : public ::testing::Test {
protected:
    platform::PrivateTempDir dir_;
    fs::path Path(const std::string& name) const { return dir_.Path() / name; }
};

TEST_F(ImageFileTest, EverySaveFormatIsWrittenInTheFormatItsExtensionNames) {
    const PixelImage image = Gradient(64, 32);
    ASSERT_TRUE(SaveImageFile(image, Path("a.jpg"), 92));
    ASSERT_TRUE(SaveImageFile(image, Path("a.png"), 92));
    ASSERT_TRUE(SaveImageFile(image, Path("a.bmp"), 92));
    ASSERT_TRUE(SaveImageFile(image, Path("a.psd"), 92));
    ASSERT_TRUE(SaveImageFile(image, Path("a.tga"), 92));
    ASSERT_TRUE(SaveImageFile(image, Path("a.tif"), 92));
    EXPECT_EQ(Magic(Path("a.jpg"), 3), "\xFF\xD8\xFF");
    EXPECT_EQ(Magic(Path("a.png"), 4), "\x89PNG");
    EXPECT_EQ(Magic(Path("a.bmp"), 2), "BM");
    EXPECT_EQ(Magic(Path("a.psd"), 4), "8BPS");
    const std::string tif = Magic(Path("a.tif"), 2);
    EXPECT_TRUE(tif == "II" || tif == "MM");
    EXPECT_GT(fs::file_size(Path("a.tga")), 64u * 32u * 3u / 2u);
}

TEST_F(ImageFileTest, JpegRoundTripKeepsThePictureAndQualityChangesTheFile) {
    const PixelImage image = Gradient(128, 64);
    ASSERT_TRUE(SaveImageFile(image, Path("q92.jpg"), 92));
    ASSERT_TRUE(SaveImageFile(image, Path("q30.jpg"), 30));
    EXPECT_GT(fs::file_size(Path("q92.jpg")), fs::file_size(Path("q30.jpg")));
    const auto back = DecodeJpegFile(Path("q92.jpg"));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->width, 128);
    ASSERT_EQ(back->height, 64);
    int worst = 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(static_cast<int>((image.pixels[i] >> shift) & 0xFF) -
                                             static_cast<int>((back->pixels[i] >> shift) & 0xFF)));
    EXPECT_LE(worst, 12);
    // Top row first: the top-left pixel is dark, the bottom-right bright.
    EXPECT_LT(RedOf(back->At(0, 0)) + GreenOf(back->At(0, 0)), 40);
    EXPECT_GT(RedOf(back->At(127, 63)) + GreenOf(back->At(127, 63)), 470);
}

TEST_F(ImageFileTest, TemporaryNameIsWrittenInTheFinalNamesFormat) {
    ASSERT_TRUE(SaveImageFile(Gradient(8, 8), Path("shot.png.partial"), 92, Path("shot.png")));
    EXPECT_EQ(Magic(Path("shot.png.partial"), 4), "\x89PNG");
}

TEST_F(ImageFileTest, FailuresAreReportedNotThrown) {
    const PixelImage image = Gradient(8, 8);
    EXPECT_FALSE(SaveImageFile(image, Path("a.unknownext"), 92));
    EXPECT_FALSE(SaveImageFile(image, Path("noextension"), 92));
    EXPECT_FALSE(SaveImageFile(image, "", 92));
    EXPECT_FALSE(SaveImageFile(PixelImage(), Path("empty.png"), 92));
    EXPECT_FALSE(SaveImageFile(image, Path("missing/dir/a.png"), 92));
    EXPECT_FALSE(DecodeJpegFile(Path("absent.jpg")).has_value());
    std::ofstream(Path("broken.jpg"), std::ios::binary) << "\xFF\xD8\xFF not really a jpeg";
    EXPECT_FALSE(DecodeJpegFile(Path("broken.jpg")).has_value());
    const std::uint8_t junk[] = {1, 2, 3};
    EXPECT_FALSE(DecodeJpegMemory(junk, sizeof junk).has_value());
}

TEST_F(ImageFileTest, LibraryMessagesReachTheEventLog) {
    EXPECT_EQ(ImageErrorText("Not a JPEG file", "JPEG"), "File format error: Not a JPEG file, Format: JPEG ");
    InstallImageMessageHandler();
    EventRecorder log;
    std::ofstream(Path("half.jpg"), std::ios::binary) << std::string("\xFF\xD8\xFF\xE0", 4);
    EXPECT_FALSE(DecodeJpegFile(Path("half.jpg")).has_value());
    EXPECT_TRUE(log.Contains("File format error: ", LOG_ERROR));
    EXPECT_TRUE(log.Contains(", Format: JPEG ", LOG_ERROR));
}

}  // namespace
}  // namespace orvanta
