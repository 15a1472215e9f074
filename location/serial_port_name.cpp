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

bool IsLegacyDefaultPort(const std::string& setting) {
    return SerialPortNumber(setting) == 1 && setting.size() == 4;
}

std::string ResolvePortDevice(const std::string& setting, const std::vector<std::string>& realPorts,
                              PortNaming naming) {
    if (naming == PortNaming::Posix && IsLegacyDefaultPort(setting))
        return realPorts.empty() ? std::string() : realPorts.front();
    return PlatformPortName(setting, naming);
}

bool PortNameLess(std::string_view a, std::string_view b) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Compare the two numbers without converting them: leading zeros aside, the
            // longer run is the larger number, and runs of equal length compare as text.
            std::size_t i0 = i, j0 = j;
            while (i0 < a.size() && a[i0] == '0') ++i0;
            while (j0 < b.size() && b[j0] == '0') ++j0;
            std::size_t i1 = i0, j1 = j0;
            while (i1 < a.size() && digit(a[i1])) ++i1;
            while (j1 < b.size() && digit(b[j1])) ++j1;
            if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0;
            const int c = a.substr(i0, i1 - i0).compare(b.substr(j0, j1 - j0));
            if (c != 0) return c < 0;
            i = i1;
            j = j1;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

}  // namespace orvanta
