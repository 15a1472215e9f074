// The update server's version file, as the silent check and the question read it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "maintenance/update_check.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    VersionFile file;
    if (ReadVersionFile(text, file)) UpdateQuestion(file);
    SilentCheckLine(true, text);
    return 0;
}
