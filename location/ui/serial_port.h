#pragma once
// The GPS receiver's serial line: opened for one reading and closed again.
#include <QSerialPort>
#include <string>

namespace orvanta {

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the port named by the setting ("COM3", "ttyUSB0", "/dev/pts/4") for reading
    // and writing, exclusively, at the given baud rate with 8 data bits, no parity, one
    // stop bit and no flow control. True when it is open (also when it already was).
    bool Open(const std::string& portSetting, int baudRate);
    // Copies at most count bytes that have already arrived; never waits. 0 when the port
    // is closed or nothing is there.
    int Read(char* buffer, int count);
    bool Close();
    bool IsOpen() const { return port_.isOpen(); }

    // The device, for its readyRead and errorOccurred signals.
    QSerialPort& Device() { return port_; }
    // The system's text for the last failure.
    std::string ErrorText() const { return port_.errorString().toStdString(); }

private:
    QSerialPort port_;
};

}  // namespace orvanta
