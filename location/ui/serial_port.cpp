#include "location/ui/serial_port.h"

#include "location/serial_port_name.h"

namespace orvanta {

bool SerialPort::Open(const std::string& portSetting, int baudRate) {
    if (port_.isOpen()) return true;
    port_.setPortName(QString::fromStdString(PlatformPortName(portSetting)));
    if (!port_.open(QIODevice::ReadWrite)) return false;
    bool ok = port_.setBaudRate(baudRate) && port_.setDataBits(QSerialPort::Data8) &&
              port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
              port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        port_.close();
        return false;
    }
    // Whatever the driver held from before the open is stale.
    port_.clear(QSerialPort::Input);
    return true;
}

int SerialPort::Read(char* buffer, int count) {
    if (!port_.isOpen() || count <= 0) return 0;
    qint64 n = port_.read(buffer, count);
    return n > 0 ? static_cast<int>(n) : 0;
}

bool SerialPort::Close() {
    if (!port_.isOpen()) return true;
    port_.close();
    return true;
}

}  // namespace orvanta
