#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pty.h"

namespace orvanta::platform {

PseudoTerminal::PseudoTerminal() {
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    // Raw line: bytes pass unchanged and are not echoed back to the master.
    termios t{};
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave, TCSANOW, &t);
    }
    close(slave);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    // A writer must never hang on a full line while nobody reads the slave side.
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    master_ = master;
    slavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    if (master_ >= 0) close(master_);
}

bool PseudoTerminal::Write(const void* data, std::size_t size) {
    if (master_ < 0) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(master_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool PseudoTerminal::SlaveOpen() const {
    if (master_ < 0) return false;
    // With no slave descriptor left the master reports a hang-up.
    pollfd pfd{master_, POLLIN, 0};
    if (poll(&pfd, 1, 0) < 0) return false;
    return (pfd.revents & POLLHUP) == 0;
}

}  // namespace orvanta::platform
