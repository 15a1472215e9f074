#pragma once
// The FreeImage functions the image code calls, as one table. On Linux the library is opened
// the first time an image is read or written (most orvanta-cli commands never touch one, and
// it brings some twenty codec libraries with it); Windows links it directly. Private to
// image_file_freeimage.cpp and the two ways of filling the table.
#include <FreeImage.h>

#include <string>

#ifdef _WIN32
#define ORVANTA_FREEIMAGE_FILE_FUNCTIONS(X) X(LoadU) X(SaveU)
#else
#define ORVANTA_FREEIMAGE_FILE_FUNCTIONS(X) X(Load) X(Save)
#endif

// Every name n stands for FreeImage_n.
// clang-format off
#define ORVANTA_FREEIMAGE_FUNCTIONS(X)                                                    \
    X(Allocate) X(CloseMemory) X(ConvertTo32Bits) X(FIFSupportsWriting)                   \
    X(GetFIFFromFilename) X(GetFormatFromFIF) X(GetHeight) X(GetScanLine) X(GetWidth)     \
    X(LoadFromMemory) X(OpenMemory) X(SetOutputMessage) X(Unload)                         \
    ORVANTA_FREEIMAGE_FILE_FUNCTIONS(X)
// clang-format on

namespace orvanta {

// Pointers lose the header's default arguments: calls through the table pass every one.
struct FreeImageApi {
#define ORVANTA_FREEIMAGE_MEMBER(name) decltype(&FreeImage_##name) name = nullptr;
    ORVANTA_FREEIMAGE_FUNCTIONS(ORVANTA_FREEIMAGE_MEMBER)
#undef ORVANTA_FREEIMAGE_MEMBER
};

// Fills api; false with the line to log in error when the library cannot be used. The
// library initialises itself when it is loaded (its shared build's constructor), and stays
// loaded until the process ends. Called once per process.
bool LoadFreeImageApi(FreeImageApi& api, std::string& error);

}  // namespace orvanta
