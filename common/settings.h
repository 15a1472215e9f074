#pragma once
// Every persistent setting, declared once: its value name, type, default, string limit
// and the Settings variable it fills. Start-up reads the whole table; dialogs and windows
// write back the entries they change through the same table.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "common/settings_records.h"

namespace orvanta {

class CRegistry;
class IPrompt;

// Most "Selected Satellites" entries read back: more than the whole public catalogue, so
// only a damaged value is cut.
constexpr std::size_t MAX_SELECTED_SATS = 100000;

struct Settings {
    std::int32_t displayUtc = 0;
    std::int32_t use24hTime = 0;
    std::int32_t numberOfPasses = 5;
    std::int32_t numberOfSats = 0;
    // "Number of Sats" x 24-byte selection entries exactly as stored (see catalogue's
    // SelectionFromBlob); empty when the count is below 1 or the value is missing.
    std::vector<std::uint8_t> selectedSatellites;
    std::int32_t hideGeostationary = 1;
    std::int32_t searchLunarPasses = 0;
    std::int32_t searchIridiumFlares = 0;
    std::int32_t reportNvs = 1;
    std::int32_t visibleOnly = 0;  // "Visible Only": the pass list shows visible passes only
    std::int32_t passlistAutorefresh = 1;
    double automaticKeplerUpdate = 0.0;  // Julian date (UTC) of the next download; 0 = off
    std::int32_t checkForUpdates = 1;
    std::string spaceTrackUsername;
    std::string spaceTrackPassword;
    // Element download: the service, CelesTrak's group and format, the services' addresses,
    // the last downloads (Julian dates, UTC; for the services' rate rules) and the element
    // server's own connection.
    std::string elementSource = "CelesTrak";
    std::string elementGroup = "active";
    std::string elementFormat = "json";
    std::string celesTrakUrl = "https://celestrak.org";
    std::string spaceTrackUrl = "https://www.space-track.org";
    double celesTrakLastDownload = 0.0;
    std::string celesTrakLastGroup;
    std::string celesTrakGroupDownloads;  // each group's last fetch, see download_times.h
    double spaceTrackLastDownload = 0.0;
    std::string elementServerHost = "www.space-track.org";
    std::int32_t elementServerPort = 80;
    std::string elementServerHeaderHost = "www.space-track.org";
    std::string vendorHost = "orvanta.example.org";
    ObserverLocation observer;
    std::string gpsComPort = "COM1";
    std::int32_t metric = 1;  // 1 km, 2 statute miles, 3 nautical miles
    std::int32_t timeSync = 0;
    std::int32_t skyviewUpdate = 5;
    std::int32_t earthviewUpdate = 10;
    std::int32_t skyviewScreenshot = 0;
    std::string skyviewScreenshotFilename;
    std::string skyviewScreenshotCommand;
    std::int32_t earthviewScreenshot = 0;
    std::string earthviewScreenshotFilename;
    std::string earthviewScreenshotCommand;
    std::int32_t desktopBackground = 0;
    std::string timeServer;  // "HOST[:PORT]" of the time server the clock is set from
    std::string updateUrl = "https://orvanta.example.org";  // holds "/version32.txt"
    std::int32_t earthviewShowClouds = 0;
    std::int32_t earthviewAnimateClouds = 0;
    std::int32_t earthviewShowHomeMarker = 1;
    double earthviewLongitude = 0.0;  // radians, positive west; 0 centres Greenwich
    std::int32_t showRadioHorizon = 1;
    std::int32_t showAllSatnames = 1;
    std::int32_t detailSat = 0;
    std::int32_t showName = 1;
    std::int32_t showRange = 1;
    std::int32_t showStars = 1;
    std::int32_t drawRealSky = 1;
    std::int32_t magLimit = 6;
    std::int32_t starSize = 0;
    std::int32_t projectionType = 3;
    std::int32_t skyviewOrientation = 0;
    std::int32_t showTracks = 1;
    std::int32_t skyviewOpen = 0;
    std::int32_t earthviewOpen = 0;
    std::string cloudmapServer = "https://orvanta.example.org";  // base URL of "/cloudmaps.txt"
    PingParameters pingParameters;

    bool operator==(const Settings&) const = default;
};

// How a value is stored.
enum class SettingKind {
    Dword,       // 32-bit integer
    String,      // text, cut to maxChars
    Double,      // 8-byte binary double
    Record,      // fixed-size binary record (binarySize bytes)
    Blob,        // variable-size binary
};

// Values whose variable lives elsewhere (window placements, column layouts, the host
// list) are in the table too, with no field: their owners read and write them.
struct SettingField {
    std::variant<std::monostate, std::int32_t Settings::*, std::string Settings::*,
                 double Settings::*>
        member;
    // Records and blobs: how they move between the store and Settings.
    void (*read)(CRegistry&, Settings&) = nullptr;
    std::vector<std::uint8_t> (*encode)(const Settings&) = nullptr;
};

struct SettingDef {
    const char* name;
    SettingKind kind;
    std::int32_t dwordDefault;
    const char* stringDefault;
    double doubleDefault;
    std::size_t maxChars;    // String: longest text kept
    std::size_t binarySize;  // Record: bytes; Blob: bytes per entry (0: free size)
    SettingField field;
    // Dword and double values outside [minValue, maxValue] (and doubles that are not
    // finite) read as the default: a hand-edited or damaged store must not hand a timer a
    // zero period, the search an absurd count or a formatter a NaN date.
    std::int32_t minValue = INT32_MIN;
    std::int32_t maxValue = INT32_MAX;

    bool HasField() const;
};

// The table, in the order start-up reads it ("Number of Sats" before "Selected
// Satellites").
std::span<const SettingDef> SettingsTable();
// Case-insensitive look-up; nullptr when the name is not in the table.
const SettingDef* FindSetting(const std::string& name);

// Reads every entry with a field from the settings key (created when missing); absent
// values take their defaults and strings are cut to their limits.
Settings ReadAllSettings();
Settings ReadAllSettings(CRegistry& reg);  // reg must be open on the settings key
// Writes every entry with a field.
bool WriteAllSettings(const Settings& s);
// Writes the named entries in the given order (each must be in the table with a field);
// false when any write failed or a name is unknown.
bool WriteSettings(const Settings& s, std::initializer_list<const char*> names);
bool WriteSettings(CRegistry& reg, const Settings& s, std::initializer_list<const char*> names);
bool WriteSettings(const Settings& s, std::span<const char* const> names);
bool WriteSettings(CRegistry& reg, const Settings& s, std::span<const char* const> names);

// "km", "mi" or "nm" for the "Metric" value; "km" for anything else.
const char* DistanceUnitSuffix(std::int32_t metric);

// Reset at start (Shift and Ctrl held): asks, and on Yes deletes the settings key with
// everything beneath it before any setting is read. Returns true when it was deleted.
bool OfferSettingsReset(IPrompt& prompt);
// Removal at exit (Shift and Ctrl held): asks, and on Yes deletes the settings key.
bool OfferSettingsRemoval(IPrompt& prompt);
inline constexpr char kResetQuestion[] =
    "This will reset Orvanta registry settings to default. Are you sure?";
inline constexpr char kRemoveQuestion[] =
    "This will remove Orvanta registry settings from your system. Are you sure?";
// Deletes HKEY_CURRENT_USER\Software\Quorrin\Orvanta, sub-keys included.
bool DeleteAllSettings();

}  // namespace orvanta
