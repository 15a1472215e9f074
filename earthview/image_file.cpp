#include "earthview/image_file.h"

namespace orvanta {

std::string ImageErrorText(const std::string& message, const std::string& formatName) {
    return "File format error: " + message + ", Format: " + formatName + " ";
}

}  // namespace orvanta
