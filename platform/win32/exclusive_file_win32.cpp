#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/exclusive_file.h"

namespace orvanta::platform {

std::FILE* CreateNewFile(const std::filesystem::path& file) {
    const int fd = _wopen(file.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "w+b");
    if (!f) _close(fd);
    return f;
}

}  // namespace orvanta::platform
