#include "common/settings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/little_endian.h"
#include "common/prompt.h"
#include "common/registry.h"

namespace orvanta {

namespace {

// ---- records and blobs ------------------------------------------------------------

void ReadSelection(CRegistry& reg, Settings& s) {
    s.selectedSatellites.clear();
    if (s.numberOfSats < 1) return;
    // Never more than the stored bytes, so a damaged count cannot allocate without bound;
    // the catalogue reads the whole entries and ignores the rest.
    std::size_t wanted = std::min<std::size_t>(std::size_t(s.numberOfSats), MAX_SELECTED_SATS) * 24;
    std::size_t stored = reg.ValueSize("Selected Satellites");
    s.selectedSatellites.assign(std::min(wanted, stored), 0);
    std::size_t got = reg.ReadBinary("Selected Satellites", s.selectedSatellites);
    s.selectedSatellites.resize(got);
}

std::vector<std::uint8_t> EncodeSelection(const Settings& s) { return s.selectedSatellites; }

void ReadObs(CRegistry& reg, Settings& s) {
    std::array<std::uint8_t, 24> b = SerializeObserver(s.observer);
    reg.ReadRecord24("Obs", b);
    s.observer = ParseObserver(b);
}

std::vector<std::uint8_t> EncodeObs(const Settings& s) {
    auto b = SerializeObserver(s.observer);
    return {b.begin(), b.end()};
}

void ReadPing(CRegistry& reg, Settings& s) {
    std::array<std::uint8_t, 24> b{};
    reg.ReadBinary("PingParameters", b.data(), b.size());
    s.pingParameters = ParsePingParameters(b.data(), b.size());
}

std::vector<std::uint8_t> EncodePing(const Settings& s) {
    auto b = SerializePingParameters(s.pingParameters);
    return {b.begin(), b.end()};
}

// ---- table rows ---------------------------------------------------------------------

constexpr SettingDef Dword(const char* name, std::int32_t def, std::int32_t Settings::*m,
                           std::int32_t lo = INT32_MIN, std::int32_t hi = INT32_MAX) {
    return {name, SettingKind::Dword, def, nullptr, 0.0, 0, 0, {m, nullptr, nullptr}, lo, hi};
}
constexpr SettingDef Text(const char* name, const char* def, std::size_t limit,
                          std::string Settings::*m) {
    return {name, SettingKind::String, 0, def, 0.0, limit, 0, {m, nullptr, nullptr}};
}
constexpr SettingDef Real(const char* name, double def, double Settings::*m,
                          std::int32_t lo = INT32_MIN, std::int32_t hi = INT32_MAX) {
    return {name, SettingKind::Double, 0, nullptr, def, 0, 8, {m, nullptr, nullptr}, lo, hi};
}
constexpr SettingDef Record(const char* name, std::size_t size,
                            void (*read)(CRegistry&, Settings&) = nullptr,
                            std::vector<std::uint8_t> (*encode)(const Settings&) = nullptr) {
    return {name, SettingKind::Record, 0, nullptr, 0.0, 0, size, {std::monostate{}, read, encode}};
}
constexpr SettingDef Blob(const char* name, std::size_t entrySize,
                          void (*read)(CRegistry&, Settings&) = nullptr,
                          std::vector<std::uint8_t> (*encode)(const Settings&) = nullptr) {
    return {name, SettingKind::Blob, 0, nullptr, 0.0, 0, entrySize, {std::monostate{}, read, encode}};
}
constexpr SettingDef Owned(const char* name, std::int32_t def) {
    return {name, SettingKind::Dword, def, nullptr, 0.0, 0, 0, {}};
}
constexpr SettingDef OwnedText(const char* name, const char* def, std::size_t limit) {
    return {name, SettingKind::String, 0, def, 0.0, limit, 0, {}};
}

const SettingDef kTable[] = {
    Dword("DisplayUTC", 0, &Settings::displayUtc),
    Dword("Use 24h Time", 0, &Settings::use24hTime),
    Dword("Number of Passes", 5, &Settings::numberOfPasses, 0, 99),
    Dword("Number of Sats", 0, &Settings::numberOfSats, 0),
    Blob("Selected Satellites", 24, ReadSelection, EncodeSelection),
    Dword("Hide Geostationary", 1, &Settings::hideGeostationary),
    Dword("Search Lunar Passes", 0, &Settings::searchLunarPasses),
    Dword("Search Iridium Flares", 0, &Settings::searchIridiumFlares),
    Dword("Report NVS", 1, &Settings::reportNvs),
    Dword("Visible Only", 0, &Settings::visibleOnly),
    Dword("Passlist Autorefresh", 1, &Settings::passlistAutorefresh),
    // 0 (off) or a Julian date before the year 3000.
    Real("Automatic Kepler Update", 0.0, &Settings::automaticKeplerUpdate, 0, 2816788),
    Dword("Check for updates", 1, &Settings::checkForUpdates),
    Text("SpaceTrack Username", "", 254, &Settings::spaceTrackUsername),
    Text("SpaceTrack Password", "", 254, &Settings::spaceTrackPassword),
    Text("Element Source", "CelesTrak", 31, &Settings::elementSource),
    Text("Element Group", "active", 63, &Settings::elementGroup),
    Text("Element Format", "json", 7, &Settings::elementFormat),
    Text("CelesTrak URL", "https://celestrak.org", 255, &Settings::celesTrakUrl),
    Text("Space-Track URL", "https://www.space-track.org", 255, &Settings::spaceTrackUrl),
    Real("CelesTrak Last Download", 0.0, &Settings::celesTrakLastDownload, 0, 2816788),
    Text("CelesTrak Last Group", "", 63, &Settings::celesTrakLastGroup),
    // Every group fetched within its last 2 hours: "group=JD;group=JD".
    Text("CelesTrak Group Downloads", "", 1023, &Settings::celesTrakGroupDownloads),
    Real("Space-Track Last Download", 0.0, &Settings::spaceTrackLastDownload, 0, 2816788),
    Text("Element Server Host", "www.space-track.org", 255, &Settings::elementServerHost),
    Dword("Element Server Port", 80, &Settings::elementServerPort, 1, 65535),
    Text("Element Server Header Host", "www.space-track.org", 255,
         &Settings::elementServerHeaderHost),
    Text("Vendor Host", "orvanta.example.org", 255, &Settings::vendorHost),
    Record("Obs", 24, ReadObs, EncodeObs),
    Text("GPS Com Port", "COM1", 29, &Settings::gpsComPort),
    Dword("Metric", 1, &Settings::metric, 1, 3),
    Dword("Time Sync", 0, &Settings::timeSync),
    Dword("Skyview Update", 5, &Settings::skyviewUpdate, 1, 60),
    Dword("Earthview Update", 10, &Settings::earthviewUpdate, 1, 60),
    Dword("Skyview Screenshot", 0, &Settings::skyviewScreenshot),
    Text("Skyview Screenshot Filename", "", 259, &Settings::skyviewScreenshotFilename),
    Text("Skyview Screenshot Command", "", 1023, &Settings::skyviewScreenshotCommand),
    Dword("Earthview Screenshot", 0, &Settings::earthviewScreenshot),
    Text("Earthview Screenshot Filename", "", 259, &Settings::earthviewScreenshotFilename),
    Text("Earthview Screenshot Command", "", 1023, &Settings::earthviewScreenshotCommand),
    Dword("Desktop Background", 0, &Settings::desktopBackground),
    Text("Time Server", "", 255, &Settings::timeServer),
    Text("Update URL", "https://orvanta.example.org", 1023, &Settings::updateUrl),
    Dword("Earthview ShowClouds", 0, &Settings::earthviewShowClouds),
    Dword("Earthview AnimateClouds", 0, &Settings::earthviewAnimateClouds),
    Dword("Earthview Show Home Marker", 1, &Settings::earthviewShowHomeMarker),
    Real("Earthview Longitude", 0.0, &Settings::earthviewLongitude),
    Dword("Show Radio Horizon", 1, &Settings::showRadioHorizon),
    Dword("Show All Satnames", 1, &Settings::showAllSatnames),
    Dword("Detail Sat", 0, &Settings::detailSat),
    Dword("Show Name", 1, &Settings::showName),
    Dword("Show Range", 1, &Settings::showRange),
    Dword("Show Stars", 1, &Settings::showStars),
    Dword("Draw RealSky", 1, &Settings::drawRealSky),
    Dword("Mag Limit", 6, &Settings::magLimit),
    Dword("Star Size", 0, &Settings::starSize),
    Dword("Projection Type", 3, &Settings::projectionType),
    Dword("Skyview Orientation", 0, &Settings::skyviewOrientation),
    Dword("Show Tracks", 1, &Settings::showTracks),
    Dword("Skyview Open", 0, &Settings::skyviewOpen),
    Dword("Earthview Open", 0, &Settings::earthviewOpen),
    Text("Cloudmap Server", "https://orvanta.example.org", 1023, &Settings::cloudmapServer),
    // Read and written by their windows, the lists and the host monitor.
    Record("MainWindow", WINDOW_PLACEMENT_SIZE),
    Record("Skyview", WINDOW_PLACEMENT_SIZE),
    Record("Earthview", WINDOW_PLACEMENT_SIZE),
    Blob("Passlist", 4),
    Blob("Eventlog", 4),
    Blob("Passlist_ColOrder", 4),
    Blob("Eventlog_ColOrder", 4),
    Owned("Hosts", 0),
    Blob("Hostlist", HOST_RECORD_SIZE),
    Record("PingParameters", PING_PARAMETERS_SIZE, ReadPing, EncodePing),
    // Pass alerts and the tray, read and written by the alerts (catalogue/pass_alerts.h).
    OwnedText("Alert Satellites", "", 1023),
    Owned("Alert Minutes", 10),
    Owned("Alert Visible Only", 0),
    Owned("Alert Sound", 0),
    Owned("Close To Tray", 0),
    // Named locations and the active one's number, read and written by
    // location/named_locations.h; "Obs" above always holds the active place.
    Blob("Locations", 0),
    Owned("Active Location", 0),
};

bool SameName(const char* a, const std::string& b) {
    std::size_t i = 0;
    for (; a[i] && i < b.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return a[i] == 0 && i == b.size();
}

std::string Cut(const std::string& s, std::size_t limit) {
    return s.size() > limit ? s.substr(0, limit) : s;
}

void ReadEntry(CRegistry& reg, const SettingDef& d, Settings& s) {
    if (auto m = std::get_if<std::int32_t Settings::*>(&d.field.member)) {
        std::int32_t v = reg.ReadDword(d.name, d.dwordDefault);
        s.*(*m) = (v < d.minValue || v > d.maxValue) ? d.dwordDefault : v;
    } else if (auto m = std::get_if<std::string Settings::*>(&d.field.member)) {
        s.*(*m) = Cut(reg.ReadString(d.name, d.stringDefault), d.maxChars);
    } else if (auto m = std::get_if<double Settings::*>(&d.field.member)) {
        double v = d.doubleDefault;
        reg.ReadDouble(d.name, v);
        // Eight damaged bytes may be a NaN or an absurd date that no formatter can show.
        bool sane = std::isfinite(v) && v >= double(d.minValue) && v <= double(d.maxValue);
        s.*(*m) = sane ? v : d.doubleDefault;
    } else if (d.field.read) {
        d.field.read(reg, s);
    }
}

// The stored form of one entry, exactly as the CRegistry write of its type makes it.
platform::SettingValue EntryValue(const SettingDef& d, const Settings& s) {
    using platform::SettingValue;
    if (auto m = std::get_if<std::int32_t Settings::*>(&d.field.member))
        return SettingValue::Dword(std::uint32_t(s.*(*m)));
    if (auto m = std::get_if<std::string Settings::*>(&d.field.member))
        return SettingValue::String(Cut(std::string((s.*(*m)).c_str()), d.maxChars));
    if (auto m = std::get_if<double Settings::*>(&d.field.member)) {
        std::uint8_t b[8];
        PutDoubleLE(b, s.*(*m));
        return SettingValue::Binary(b, 8);
    }
    std::vector<std::uint8_t> bytes = d.field.encode(s);
    return SettingValue::Binary(bytes.data(), bytes.size());
}

bool Writable(const SettingDef& d) {
    return !std::holds_alternative<std::monostate>(d.field.member) || d.field.encode != nullptr;
}

}  // namespace

bool SettingDef::HasField() const {
    return !std::holds_alternative<std::monostate>(field.member) || field.read != nullptr;
}

std::span<const SettingDef> SettingsTable() { return kTable; }

const SettingDef* FindSetting(const std::string& name) {
    for (const SettingDef& d : kTable)
        if (SameName(d.name, name)) return &d;
    return nullptr;
}

Settings ReadAllSettings(CRegistry& reg) {
    Settings s;
    for (const SettingDef& d : kTable)
        if (d.HasField()) ReadEntry(reg, d, s);
    return s;
}

Settings ReadAllSettings() {
    CRegistry reg;
    reg.OpenSettings();  // creates the key on a first start; defaults either way
    return ReadAllSettings(reg);
}

// All values of one call go to the store as one change, so a settings file is rewritten
// once (a flushed rewrite costs milliseconds), not once per value.
bool WriteAllSettings(const Settings& s) {
    CRegistry reg;
    if (!reg.OpenSettings()) return false;
    std::vector<std::pair<std::string, platform::SettingValue>> batch;
    for (const SettingDef& d : kTable)
        if (Writable(d)) batch.emplace_back(d.name, EntryValue(d, s));
    return reg.WriteValues(batch);
}

bool WriteSettings(CRegistry& reg, const Settings& s, std::span<const char* const> names) {
    bool ok = true;
    std::vector<std::pair<std::string, platform::SettingValue>> batch;
    for (const char* name : names) {
        const SettingDef* d = FindSetting(name);
        if (d && Writable(*d))
            batch.emplace_back(d->name, EntryValue(*d, s));
        else
            ok = false;
    }
    return reg.WriteValues(batch) && ok;
}

bool WriteSettings(const Settings& s, std::span<const char* const> names) {
    CRegistry reg;
    if (!reg.OpenSettings()) return false;
    return WriteSettings(reg, s, names);
}

bool WriteSettings(CRegistry& reg, const Settings& s, std::initializer_list<const char*> names) {
    return WriteSettings(reg, s, std::span(names.begin(), names.size()));
}

bool WriteSettings(const Settings& s, std::initializer_list<const char*> names) {
    return WriteSettings(s, std::span(names.begin(), names.size()));
}

const char* DistanceUnitSuffix(std::int32_t metric) {
    switch (metric) {
        case 2: return "mi";
        case 3: return "nm";
        default: return "km";
    }
}

bool DeleteAllSettings() {
    CRegistry reg;
    return reg.DeleteKey(RootKey::CurrentUser, kSettingsKeyPath);
}

namespace {

bool AskAndDelete(IPrompt& prompt, const char* question) {
    if (prompt.Ask("Orvanta", question, PromptButtons::YesNo, PromptIcon::Question) !=
        PromptAnswer::Yes)
        return false;
    return DeleteAllSettings();
}

}  // namespace

bool OfferSettingsReset(IPrompt& prompt) { return AskAndDelete(prompt, kResetQuestion); }

bool OfferSettingsRemoval(IPrompt& prompt) { return AskAndDelete(prompt, kRemoveQuestion); }

}  // namespace orvanta
