#pragma once
// The "GPS Com Port" setting holds a Windows port name ("COM3"); other systems name their
// ports differently, and users of those systems type their own names ("ttyUSB0").
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

enum class PortNaming { Windows, Posix };

#ifdef _WIN32
constexpr PortNaming kNativePortNaming = PortNaming::Windows;
#else
constexpr PortNaming kNativePortNaming = PortNaming::Posix;
#endif

// The number after "COM" (case-insensitive) when the name is exactly "COM" and digits, else 0.
int SerialPortNumber(const std::string& name);

// The name to hand to the serial-port layer. Windows: "COMn" unchanged (the layer adds the
// device-namespace prefix that ports 10 and above need). POSIX: "COMn" is the n-th serial
// port, "/dev/ttyS<n-1>"; any other name ("ttyUSB0", "/dev/ttyACM0", "/dev/pts/3") stands
// as it is.
std::string PlatformPortName(const std::string& setting, PortNaming naming = kNativePortNaming);

// True when the enumerated port (its short name and its device path) is the port the
// setting means, so "COM1" selects "ttyS0" in the port list.
bool PortMatchesSetting(const std::string& portName, const std::string& systemLocation,
                        const std::string& setting, PortNaming naming = kNativePortNaming);

// True for "COM1" (any case), the setting's default from the Windows days; on other
// systems it stands for no port in particular.
bool IsLegacyDefaultPort(const std::string& setting);

// The device the setting means, given the real ports (device paths, in list order).
// Windows: PlatformPortName. POSIX: the legacy "COM1" is the first real port, or "" when
// there is none, so no message names a COM1 that is not there; anything else is
// PlatformPortName.
std::string ResolvePortDevice(const std::string& setting, const std::vector<std::string>& realPorts,
                              PortNaming naming = kNativePortNaming);

// Natural order of port names: runs of digits compare by their value, so "ttyS2" comes
// before "ttyS10"; the rest compares character by character.
bool PortNameLess(std::string_view a, std::string_view b);

}  // namespace orvanta
