#include "location/serial_port_name.h"

#include <cctype>

namespace orvanta {

int SerialPortNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 7) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    int n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string PlatformPortName(const std::string& setting, PortNaming naming) {
    int n = SerialPortNumber(setting);
    if (naming == PortNaming::Windows) return n > 0 ? "COM" + std::to_string(n) : setting;
    if (n > 0) return "/dev/ttyS" + std::to_string(n - 1);
    return setting;
}

bool PortMatchesSetting(const std::string& portName, const std::string& systemLocation,
                        const std::string& setting, PortNaming naming) {
    if (setting.empty()) return false;
    if (portName == setting || systemLocation == setting) return true;
    std::string mapped = PlatformPortName(setting, naming);
    if (naming == PortNaming::Windows) return portName == mapped;
    if (mapped == systemLocation) return true;
    // A bare name such as "ttyUSB0" means the device of that name under /dev.
    return mapped.find('/') == std::string::npos && systemLocation == "/dev/" + mapped;
}

}  // namespace orvanta
