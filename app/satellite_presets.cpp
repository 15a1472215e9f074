#include "app/satellite_presets.h"

#include <algorithm>
#include <set>

namespace orvanta {

namespace {

struct PresetEntry {
    int preset;
    int number;
};

constexpr PresetEntry kEntries[] = {
#include "resources/presets.inc"
};

constexpr SatellitePreset kPresets[] = {
    {"Bright satellites you can see", "visual"},      {"Space stations", "stations"},
    {"Weather satellites", "weather,noaa,goes"},      {"Amateur radio", "amateur"},
    {"Navigation (GPS, Galileo)", "gps-ops,galileo"},
};

}  // namespace

std::span<const SatellitePreset> SatellitePresets() {
    return kPresets;
}

std::vector<int> PresetNumbers(int preset) {
    std::vector<int> out;
    for (const PresetEntry& e : kEntries)
        if (e.preset == preset) out.push_back(e.number);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<SelectedSat> PresetSelection(const KeplerCatalogue& catalogue,
                                         const std::vector<int>& presets,
                                         const std::vector<int>& extraNumbers) {
    std::vector<int> numbers;
    for (int p : presets) {
        const std::vector<int> n = PresetNumbers(p);
        numbers.insert(numbers.end(), n.begin(), n.end());
    }
    numbers.insert(numbers.end(), extraNumbers.begin(), extraNumbers.end());
    std::vector<SelectedSat> out;
    std::set<int> taken;
    for (int number : numbers) {
        if (!taken.insert(number).second) continue;
        const std::int32_t index = FindCatalogueIndex(catalogue, number);
        if (index == NO_CATALOGUE_INDEX) continue;
        if (IsGeostationary(catalogue.records[static_cast<std::size_t>(index)])) continue;
        SelectedSat s;
        s.catalogueNumber = number;
        s.catalogueIndex = index;
        out.push_back(s);
    }
    return out;
}

}  // namespace orvanta
