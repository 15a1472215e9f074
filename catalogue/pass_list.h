#pragma once
// The pass list's rows over the pass table: which records have a row, in table order, and
// what a one-second tick changes (rows removed at LOS, live values of passes in progress).
// The list view only mirrors these changes, so a tick never rebuilds the list.
#include <functional>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "catalogue/pass_list_format.h"
#include "catalogue/pass_record.h"
#include "common/settings_records.h"

namespace orvanta {

// Everything a row needs besides its record.
struct PassListContext {
    const KeplerCatalogue* catalogue = nullptr;
    const std::vector<SelectedSat>* selection = nullptr;
    ObserverLocation observer;
    int metric = 1;  // 1 km, 2 statute miles, 3 nautical miles
    RowTimeOptions time;
    bool visibleOnly = false;  // "Visible Only": rows only for passes one can see
    // Rows only for the passes this keeps (null: every pass), such as those a second site
    // sees at the same time.
    std::function<bool(const PassRecord&, const PassListContext&)> keep;
};

// Live azimuth, elevation (degrees) and range (display unit) of a pass in progress, from
// the satellite's orbit at now. False (record untouched) when the orbit cannot be built
// or propagated.
bool UpdateLiveValues(PassRecord& record, const KeplerRecord& satellite,
                      const ObserverLocation& observer, int metric, double now);

// After the selection changed without a new search: renumbers each record's satellite
// by formerToNew (see MapSelectionIndices) and empties the records of satellites no
// longer selected, so nothing can show a satellite under another's name.
void RemapPassTable(std::vector<PassRecord>& table, const std::vector<int>& formerToNew);

// A record's satellite in the catalogue, or nullptr when the selection or catalogue no
// longer has it.
const KeplerRecord* PassSatellite(const PassRecord& record, const PassListContext& context);

bool PassInProgress(const PassRecord& record, double now);
bool PassHasFlare(const PassRecord& record);

// Cell text, row icon and colours.
std::string PassCellText(const PassRecord& record, int column, double now,
                         const PassListContext& context);
int PassIconIndex(const PassRecord& record);
// Tooltip of a row: "Visible 19:42:10–19:46:55, brightest −2.1 mag at 19:44:02,
// culmination 63.4° at 19:44:20" (display time, the row's time format, UTF-8); without a
// visible window only the culmination; empty when the search worked out neither.
std::string PassVisibilityTooltip(const PassRecord& record, const RowTimeOptions& time);
Rgb PassRowTextColour(const PassRecord& record, double now);

class PassListRows {
public:
    struct TickChanges {
        // Rows removed, each index as it stood at the moment of its removal, in order.
        std::vector<int> removed;
        // Rows (after the removals) whose pass is in progress; their live cells changed.
        std::vector<int> live;
    };

    // Rebuilds the rows: every record that is not empty, not over and whose satellite is
    // in the selection, in table order. Sets listed on those records, clears it on others.
    void Fill(std::vector<PassRecord>& table, double now, const PassListContext& context);
    // Once a second: drops the rows of passes that ended, refreshes live values.
    TickChanges Tick(std::vector<PassRecord>& table, double now, const PassListContext& context);
    // Removes every row (clearing listed on the records, when a table is given).
    void Clear(std::vector<PassRecord>* table = nullptr);

    int Count() const { return static_cast<int>(rows_.size()); }
    // Index into the pass table of a row's record.
    int RecordIndex(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    const std::vector<int>& Rows() const { return rows_; }

private:
    std::vector<int> rows_;
};

}  // namespace orvanta
