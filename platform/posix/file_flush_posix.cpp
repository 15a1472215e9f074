#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_flush.h"

namespace orvanta::platform {

bool FlushToDisk(std::FILE* file) {
    if (!file || std::fflush(file) != 0) return false;
    int rc;
    do {
        rc = ::fsync(::fileno(file));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void FlushDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace orvanta::platform
