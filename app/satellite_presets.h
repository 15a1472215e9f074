#pragma once
// The satellite groups a new user picks from in the welcome assistant: each names the
// CelesTrak groups it stands for and carries the catalogue numbers of the built-in element
// file, so a preset works before any download.
#include <span>
#include <string>
#include <vector>

#include "catalogue/element_file.h"

namespace orvanta {

struct SatellitePreset {
    const char* title;
    const char* celesTrakGroups;  // comma-separated
};

// Bright, stations, weather, amateur, navigation, in the order the assistant lists them.
std::span<const SatellitePreset> SatellitePresets();
// Catalogue numbers of one preset, ascending; empty for an unknown index.
std::vector<int> PresetNumbers(int preset);

// The selection of the chosen presets followed by the extra numbers: each satellite once,
// only those in the catalogue, geostationary ones left out (they never rise or set), every
// Earth view flag 0 as the chooser stores them.
std::vector<SelectedSat> PresetSelection(const KeplerCatalogue& catalogue,
                                         const std::vector<int>& presets,
                                         const std::vector<int>& extraNumbers);

}  // namespace orvanta
