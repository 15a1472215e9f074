#pragma once
// A GPS receiver played on the master side of a pseudo-terminal, for the tests that read
// the slave side as a serial port.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/pty.h"

namespace orvanta::testing {

// Why a test that needs the pair skipped: containers and build jails often mount no /dev/pts.
inline constexpr const char* kNoPty =
    "no pseudo-terminal could be opened (is /dev/pts mounted?); skipped";

// "$body*CS\r\n" with the sentence's XOR checksum.
inline std::string Nmea(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char cs[8];
    std::snprintf(cs, sizeof cs, "*%02X\r\n", sum);
    return "$" + body + cs;
}

// Writes the cycle of sentences over and over, ten bytes every ~10 ms (about 9600 baud),
// until destroyed. Bytes written while nobody reads the slave side are simply lost.
class FakeGpsReceiver {
public:
    FakeGpsReceiver(platform::PseudoTerminal& pty, std::string cycle)
        : pty_(pty), cycle_(std::move(cycle)) {
        thread_ = std::thread([this] {
            std::size_t at = 0;
            while (!stop_) {
                const std::size_t n = std::min<std::size_t>(10, cycle_.size() - at);
                pty_.Write(cycle_.data() + at, n);
                at = (at + n) % cycle_.size();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~FakeGpsReceiver() {
        stop_ = true;
        thread_.join();
    }
    FakeGpsReceiver(const FakeGpsReceiver&) = delete;
    FakeGpsReceiver& operator=(const FakeGpsReceiver&) = delete;

private:
    platform::PseudoTerminal& pty_;
    std::string cycle_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace orvanta::testing
