#pragma once
// Reading the GPS receiver: the port list of the settings dialogs, the capture of one GGA
// sentence and the "Use GPS" position reading.
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/settings_records.h"
#include "location/nmea.h"

class QComboBox;
class QWidget;

namespace orvanta {

class IPrompt;
class SerialPort;

inline constexpr int kGpsBaudRate = 9600;
inline constexpr int kGpsCaptureTimeoutMs = 10000;

struct SerialPortEntry {
    QString name;            // "ttyS0"
    QString systemLocation;  // "/dev/ttyS0"
};

// The ports that exist, in natural order ("ttyS2" before "ttyS10"): those the system
// lists, and on POSIX every /dev/ttyUSB* and /dev/ttyACM* besides.
std::vector<SerialPortEntry> RealSerialPorts();
// Replaces RealSerialPorts' answer (tests); null restores the system's ports.
void SetSerialPortSource(std::function<std::vector<SerialPortEntry>()> source);

// The device the setting means among the real ports (location/serial_port_name.h):
// "/dev/ttyUSB0" for the legacy "COM1" when that is the first port, "" when there is none.
std::string GpsPortDevice(const std::string& portSetting);

// Fills the list with the real ports and selects the one the setting names ("COM3"
// selects "ttyS2", the legacy "COM1" the first port), or none when it names none of them.
void EnumerateSerialPorts(QComboBox* list, const std::string& currentPort);
// The same for a given set of ports.
void FillSerialPortList(QComboBox* list, std::vector<SerialPortEntry> ports,
                        const std::string& currentPort);

enum class CaptureStatus { Captured, TimedOut, Cancelled, PortError };

struct CaptureResult {
    CaptureStatus status = CaptureStatus::TimedOut;
    std::string sentence;  // the whole GGA sentence, when captured
    GgaFix fix;
    // When its line end arrived, for the clock synchronisation's delay correction.
    std::chrono::steady_clock::time_point capturedAt;
};

struct CaptureOptions {
    int timeoutMs = kGpsCaptureTimeoutMs;
    // When set, a small window with a Cancel button appears over it while the capture
    // waits longer than a moment; the capture never blocks the event loop either way.
    QWidget* progressParent = nullptr;
    QString portLabel;  // shown in that window
};

// Waits, processing events, for the first whole GGA sentence with a valid checksum on the
// open port; other sentences and damaged lines are skipped. Ends on the time-out, on
// Cancel and when the port fails.
CaptureResult CaptureGgaSentence(SerialPort& port, const CaptureOptions& options = {});

// The texts of the reading, kept character for character.
inline constexpr char kUnableToOpenPort[] = "Unable to open %s!";
inline constexpr char kNoSerialPort[] =
    "No serial port was found for the GPS. Connect the receiver and choose its port.";
inline constexpr char kNoGpsData[] = "No GPS data received on %s within %d seconds.";
inline constexpr char kGpsPortFailed[] = "The connection to the GPS on %s failed: %s";
inline constexpr char kInvalidFix[] =
    "Your GPS reports an invalid position fix. Please try again after your GPS as acquired "
    "enough satellites.";
inline constexpr char kHdopQuestion[] =
    "Your GPS reports a horizontal dilution of precision (HDOP) of %0.1f. Values of 3.0 or "
    "smaller are considered good. This means your position may not be very accurate. "
    "Continue anyway?";
inline constexpr char kPositionUpdated[] = "Your position has been updated from the GPS.";

struct GpsReadingOptions {
    CaptureOptions capture;
    // Called with the new position after it is taken and before the success message, so
    // the caller can show it in its fields.
    std::function<void(const ObserverLocation&)> positionTaken;
};

// The "Use GPS" reading: opens the port (GpsPortDevice) at 9600 baud, captures one
// sentence, closes the port, checks the fix and the HDOP (asking above 3.0) and on success writes the position
// into location. An altitude the receiver leaves out keeps the old one. Every failure is
// told through the prompt and leaves location unchanged. True when location changed.
bool ReadGpsPosition(const std::string& portSetting, IPrompt& prompt, ObserverLocation& location,
                     const GpsReadingOptions& options = {});

}  // namespace orvanta
