#pragma once
// A pseudo-terminal pair: the slave side looks like a serial device to the code under
// test, the master side is the far end of the line (a GPS receiver in tests).
// POSIX only; Windows tests use a virtual COM port driver instead.
#include <cstddef>
#include <string>

namespace orvanta::platform {

class PseudoTerminal {
public:
    // Opens the pair; the slave is closed again at once, so only the code under test
    // holds it open. Check Ok().
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Ok() const { return master_ >= 0; }
    // Device path of the slave side, e.g. "/dev/pts/3".
    const std::string& SlavePath() const { return slavePath_; }

    // Writes every byte to the master side; false on an error or when the line is full
    // (nobody reads the slave side), so a writer thread never hangs.
    bool Write(const void* data, std::size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    // True while some file descriptor of the slave side is open.
    bool SlaveOpen() const;

private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace orvanta::platform
