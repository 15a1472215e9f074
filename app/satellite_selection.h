#pragma once
// The satellite chooser without its widgets: the two lists (available and selected), their
// filling from the catalogue and the saved selection, moving items between them, and the
// saving of the selection and the prediction options in the order the program writes them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/element_file.h"

namespace orvanta {

// One line of either list: the text shown and the satellite's catalogue number.
struct SatelliteListItem {
    std::string text;
    std::int32_t catalogueNumber = 0;

    bool operator==(const SatelliteListItem&) const = default;
};

// The order both lists keep: text compared without regard to letter case, then with it,
// then by catalogue number, so equal names still sort the same way every time.
bool SatelliteListLess(const SatelliteListItem& a, const SatelliteListItem& b);

// The filter as it is applied: at most 19 characters, letters a-z made capitals.
std::string NormaliseSatelliteFilter(std::string_view typed);

// The prediction options the dialog edits, as the settings hold them.
struct SatelliteOptions {
    std::uint32_t displayUtc = 0;  // written back unchanged
    std::uint32_t numberOfPasses = 5;
    std::uint32_t hideGeostationary = 1;
    std::uint32_t searchLunarPasses = 0;
    std::uint32_t searchIridiumFlares = 0;
    std::uint32_t reportNvs = 1;
    std::uint32_t passlistAutorefresh = 1;
    double automaticKeplerUpdate = 0.0;  // Julian date of the next update, 0 = off
    std::uint32_t checkForUpdates = 1;
    std::uint32_t visibleOnly = 0;  // "Visible Only"

    bool operator==(const SatelliteOptions&) const = default;
};

// The number-of-passes field: valid when it holds only the digits 0-9 and points; its value
// is the run of digits at the start (so "" and "." give 0, "7." gives 7). Nullopt when
// invalid.
std::optional<std::uint32_t> ParseNumberOfPasses(std::string_view field);

// How the field shows a count: two digits, zero-padded ("%0.2d").
std::string FormatNumberOfPasses(std::uint32_t passes);

// The two lists of the chooser over one catalogue. The catalogue must outlive the chooser.
class SatelliteChooser {
public:
    SatelliteChooser(const KeplerCatalogue& catalogue, std::vector<SelectedSat> savedSelection,
                     bool hideGeostationary);

    const std::vector<SatelliteListItem>& Available() const { return available_; }
    const std::vector<SatelliteListItem>& Selected() const { return selected_; }
    bool HideGeostationary() const { return hideGeostationary_; }
    const std::string& Filter() const { return filter_; }

    // Rebuilds the available list from the catalogue and puts every saved satellite back
    // on the selected side; additions not yet saved stay selected. The filter is used as
    // given (case-sensitive).
    void Refill(const std::string& filter = std::string());
    // The "Filter" button: normalises the typed text and refills with it.
    void ApplyFilter(std::string_view typed);
    // The hide box: takes the new state and refills without a filter.
    void SetHideGeostationary(bool hide);

    // Moves the given rows of one list to the other, keeping both sorted. Returns the rows
    // the moved items occupy in the receiving list afterwards, ascending. Rows outside the
    // list and repeated rows are ignored.
    std::vector<std::size_t> Add(const std::vector<std::size_t>& availableRows);
    std::vector<std::size_t> Remove(const std::vector<std::size_t>& selectedRows);

    // The selection the selected list stands for, in list order: catalogue index looked up
    // by number, every Earth view flag 0.
    std::vector<SelectedSat> BuildSelection() const;

    // Makes a selection the saved one (after saving), so a later refill starts from it.
    void SetSavedSelection(std::vector<SelectedSat> saved) { saved_ = std::move(saved); }

private:
    bool Hidden(const KeplerRecord& record) const;
    bool Passes(const KeplerRecord& record, const std::string& filter) const;

    const KeplerCatalogue& catalogue_;
    std::vector<SelectedSat> saved_;
    bool hideGeostationary_;
    std::string filter_;
    std::vector<SatelliteListItem> available_;
    std::vector<SatelliteListItem> selected_;
};

// Where the dialog's values go: the settings store in the program, a recorder in tests.
class ISettingsWriter {
public:
    virtual ~ISettingsWriter() = default;
    virtual void WriteDword(const std::string& name, std::uint32_t value) = 0;
    virtual void WriteDouble(const std::string& name, double value) = 0;  // 8-byte binary
    virtual void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& bytes) = 0;
    // Ends one save. A writer that gathers the values stores them here, all as one change,
    // so "Number of Sats" never disagrees with "Selected Satellites" after a crash.
    virtual void Commit() {}
};

// What the dialog's check boxes and number field hold when a save button is pressed.
struct SatelliteDialogInput {
    bool checkForUpdates = true;
    bool searchIridiumFlares = false;
    bool searchLunarPasses = false;
    bool passlistAutorefresh = true;
    bool autoKeplerUpdate = false;
    bool reportNvs = true;
    bool hideGeostationary = true;
    std::string numberOfPassesField;
    bool visibleOnly = false;  // "Show visible passes only"
};

struct SatelliteSaveResult {
    bool numberValid = false;            // false: only the first seven values were written
    SatelliteOptions options;            // every option after the save
    std::vector<SelectedSat> selection;  // the new selection (only when numberValid)
};

// Writes, in order: "DisplayUTC", "Check for updates", "Search Iridium Flares", "Search Lunar
// Passes", "Passlist Autorefresh", "Automatic Kepler Update" (now + 1 day when on, else 0),
// "Report NVS"; then, only when the number field is valid, "Number of passes", "Hide
// Geostationary", "Selected Satellites", "Number of Sats" and "Visible Only"; then commits
// the writer.
SatelliteSaveResult SaveSatelliteSettings(ISettingsWriter& writer, const SatelliteOptions& current,
                                          const SatelliteDialogInput& input,
                                          const SatelliteChooser& chooser, double nowJulian);

// After a save without a new search the pass table still numbers satellites by the former
// selection. For every former index: its index in the new selection (same catalogue number,
// first match), or -1 when the satellite is no longer selected.
std::vector<int> MapSelectionIndices(const std::vector<SelectedSat>& former,
                                     const std::vector<SelectedSat>& current);

}  // namespace orvanta
