#pragma once
// The satellite catalogue (every element set of the element file, in file order) and the
// user's selection of tracked satellites, which names catalogue entries by number.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// Text fields of a catalogue record hold at most 99 characters plus the terminator.
constexpr std::size_t KEPLER_TEXT_SIZE = 100;

// One catalogue entry: the three lines of a set exactly as the file gives them (line ending
// removed, blanks kept) and the catalogue number read from line 1.
struct KeplerRecord {
    char name[KEPLER_TEXT_SIZE] = {};
    std::int32_t catalogueNumber = 0;
    char line1[KEPLER_TEXT_SIZE] = {};
    char line2[KEPLER_TEXT_SIZE] = {};

    std::string_view Name() const { return name; }
    // The name as lists, menus and log lines show it: built-in names are padded with
    // blanks to 24 characters, and the padding is no part of the name.
    std::string_view DisplayName() const {
        std::string_view n = name;
        const std::size_t end = n.find_last_not_of(' ');
        return end == std::string_view::npos ? std::string_view() : n.substr(0, end + 1);
    }
    std::string_view Line1() const { return line1; }
    std::string_view Line2() const { return line2; }
};

// The whole catalogue, replaced as a unit by each successful load and only read otherwise.
struct KeplerCatalogue {
    std::vector<KeplerRecord> records;

    std::int32_t Count() const { return static_cast<std::int32_t>(records.size()); }
    // The record at index, or nullptr when the index lies outside the catalogue.
    const KeplerRecord* At(std::int32_t index) const {
        return index >= 0 && index < Count() ? &records[static_cast<std::size_t>(index)] : nullptr;
    }
};

// Catalogue index of a selection entry whose satellite is not in the loaded catalogue.
constexpr std::int32_t NO_CATALOGUE_INDEX = -1;

// One entry of the selection; stored as 24 little-endian bytes in "Selected Satellites".
// The four flags are the Earth view's per-satellite display options (0 or 1).
struct SelectedSat {
    std::int32_t catalogueNumber = 0;
    std::int32_t catalogueIndex = NO_CATALOGUE_INDEX;
    std::int32_t shown = 0;         // drawn in the Earth view, menu item checked
    std::int32_t track = 0;         // ground track drawn
    std::int32_t radioHorizon = 0;  // radio horizon drawn
    std::int32_t nameLabel = 0;     // name drawn beside the satellite

    bool operator==(const SelectedSat&) const = default;
};

constexpr std::size_t SELECTED_SAT_SIZE = 24;

// Index of the first record with this catalogue number, or NO_CATALOGUE_INDEX.
std::int32_t FindCatalogueIndex(const KeplerCatalogue& catalogue, std::int32_t catalogueNumber);

// The "Hide Geostationary" filter: mean motion (line 2, columns 54-63) times 86400 strictly
// between 85800 and 87000.
bool IsGeostationary(const KeplerRecord& record);

// "NAME   (NUMBER)", the text lists show for a satellite.
std::string FormatCatalogueItem(const KeplerRecord& record);

// Catalogue number from the five characters of line 1, columns 3-7: a decimal number
// (leading blanks skipped) or the Alpha-5 form (A0000 = 100000 ... Z9999 = 339999; I and O
// are not used). Reads no further than the text it is given.
std::int32_t ParseCatalogueNumber(std::string_view columns3to7);

// A catalogue record from a set's three lines, each cut at 99 characters, its number read
// from line 1 as ParseCatalogueNumber reads it.
KeplerRecord MakeKeplerRecord(std::string_view name, std::string_view line1,
                              std::string_view line2);

// Sets every entry's catalogue index to its first match in the catalogue, or
// NO_CATALOGUE_INDEX when its number is absent, so no consumer can index outside it.
void RemapSelection(const KeplerCatalogue& catalogue, std::vector<SelectedSat>& selection);

// The record an entry refers to, or nullptr when its index is not usable in this catalogue.
const KeplerRecord* SelectedRecord(const KeplerCatalogue& catalogue, const SelectedSat& entry);

// "Selected Satellites" blob: count x 24 bytes, no header ("Number of Sats" holds the count).
std::vector<std::uint8_t> SelectionToBlob(const std::vector<SelectedSat>& selection);
// Reads up to count entries; a blob shorter than count x 24 bytes yields only the whole
// entries it holds, so a damaged count can neither over-read nor allocate without bound.
std::vector<SelectedSat> SelectionFromBlob(const std::uint8_t* data, std::size_t size,
                                           std::uint32_t count);
inline std::vector<SelectedSat> SelectionFromBlob(const std::vector<std::uint8_t>& blob,
                                                  std::uint32_t count) {
    return SelectionFromBlob(blob.data(), blob.size(), count);
}

}  // namespace orvanta
