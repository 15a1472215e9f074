#include <io.h>

#include "platform/file_flush.h"

namespace orvanta::platform {

bool FlushToDisk(std::FILE* file) {
    // _commit is FlushFileBuffers on the stream's handle.
    return file && std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

void FlushDirectory(const std::filesystem::path&) {}

}  // namespace orvanta::platform
