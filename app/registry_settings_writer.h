#pragma once
// The satellite settings dialog against the program's settings: its writes go through
// CRegistry into the settings key, and its options move to and from the Settings copy the
// main window keeps. Header-only, so the dialogs library itself needs no settings store.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/registry.h"
#include "app/satellite_selection.h"
#include "app/settings.h"

namespace orvanta {

class RegistrySettingsWriter final : public ISettingsWriter {
public:
    // One short-lived accessor per value, as every user of settings does.
    void WriteDword(const std::string& name, std::uint32_t value) override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteDword(name, static_cast<std::int32_t>(value));
    }
    void WriteDouble(const std::string& name, double value) override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteDouble(name, value);
    }
    void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteBinary(name, bytes);
    }
};

inline SatelliteOptions SatelliteOptionsFrom(const Settings& s) {
    auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    SatelliteOptions o;
    o.displayUtc = u(s.displayUtc);
    // A negative stored count would show as a ten-digit number in a two-digit field.
    o.numberOfPasses = u(std::max(0, s.numberOfPasses));
    o.hideGeostationary = u(s.hideGeostationary);
    o.searchLunarPasses = u(s.searchLunarPasses);
    o.searchIridiumFlares = u(s.searchIridiumFlares);
    o.reportNvs = u(s.reportNvs);
    o.passlistAutorefresh = u(s.passlistAutorefresh);
    o.automaticKeplerUpdate = s.automaticKeplerUpdate;
    o.checkForUpdates = u(s.checkForUpdates);
    o.visibleOnly = u(s.visibleOnly);
    return o;
}

// Copies the dialog's options into the settings copy; with a selection, also its count
// and stored bytes.
inline void ApplySatelliteOptions(const SatelliteOptions& o, Settings& s) {
    auto i = [](std::uint32_t v) { return static_cast<std::int32_t>(v); };
    s.displayUtc = i(o.displayUtc);
    s.numberOfPasses = i(o.numberOfPasses);
    s.hideGeostationary = i(o.hideGeostationary);
    s.searchLunarPasses = i(o.searchLunarPasses);
    s.searchIridiumFlares = i(o.searchIridiumFlares);
    s.reportNvs = i(o.reportNvs);
    s.passlistAutorefresh = i(o.passlistAutorefresh);
    s.automaticKeplerUpdate = o.automaticKeplerUpdate;
    s.checkForUpdates = i(o.checkForUpdates);
    s.visibleOnly = i(o.visibleOnly);
}
inline void ApplySelection(const std::vector<SelectedSat>& selection, Settings& s) {
    s.numberOfSats = static_cast<std::int32_t>(selection.size());
    s.selectedSatellites = SelectionToBlob(selection);
}

}  // namespace orvanta
