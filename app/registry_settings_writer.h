#pragma once
// The satellite settings dialog against the program's settings: its writes go through
// CRegistry into the settings key, and its options move to and from the Settings copy the
// main window keeps. Header-only, so the dialogs library itself needs no settings store.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/satellite_selection.h"
#include "common/little_endian.h"
#include "common/registry.h"
#include "common/settings.h"

namespace orvanta {

// Gathers the dialog's values and stores them in one change at Commit (one rewrite of a
// settings file), so a crash leaves either all of them or none.
class RegistrySettingsWriter final : public ISettingsWriter {
public:
    void WriteDword(const std::string& name, std::uint32_t value) override {
        batch_.emplace_back(name, platform::SettingValue::Dword(value));
    }
    void WriteDouble(const std::string& name, double value) override {
        std::uint8_t bytes[8];
        PutDoubleLE(bytes, value);
        batch_.emplace_back(name, platform::SettingValue::Binary(bytes, 8));
    }
    void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        batch_.emplace_back(name, platform::SettingValue::Binary(bytes.data(), bytes.size()));
    }
    void Commit() override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteValues(batch_);
        batch_.clear();
    }

private:
    std::vector<std::pair<std::string, platform::SettingValue>> batch_;
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
