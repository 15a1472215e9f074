#include "app/satellite_selection.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

namespace orvanta {

namespace {

constexpr std::size_t kFilterLength = 19;
constexpr std::size_t kPassesFieldLength = 2;

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

SatelliteListItem ItemFor(const KeplerRecord& record) {
    return {FormatCatalogueItem(record), record.catalogueNumber};
}

// Moves rows of `from` into `to`, both sorted; returns the moved items' rows in `to`.
std::vector<std::size_t> MoveRows(std::vector<SatelliteListItem>& from,
                                  std::vector<SatelliteListItem>& to,
                                  const std::vector<std::size_t>& rows) {
    std::vector<char> take(from.size(), 0);
    for (std::size_t r : rows)
        if (r < from.size()) take[r] = 1;

    std::vector<SatelliteListItem> moved, kept;
    kept.reserve(from.size());
    for (std::size_t i = 0; i < from.size(); ++i)
        (take[i] ? moved : kept).push_back(std::move(from[i]));
    from = std::move(kept);
    if (moved.empty()) return {};

    // A merge, not one sorted insertion per item: moving a whole catalogue of tens of
    // thousands of entries must stay instant.
    std::sort(moved.begin(), moved.end(), SatelliteListLess);
    std::vector<SatelliteListItem> merged;
    merged.reserve(to.size() + moved.size());
    std::vector<std::size_t> positions;
    positions.reserve(moved.size());
    std::size_t i = 0, j = 0;
    while (i < to.size() || j < moved.size()) {
        if (j < moved.size() && (i == to.size() || SatelliteListLess(moved[j], to[i]))) {
            positions.push_back(merged.size());
            merged.push_back(std::move(moved[j++]));
        } else {
            merged.push_back(std::move(to[i++]));
        }
    }
    to = std::move(merged);
    return positions;
}

}  // namespace

bool SatelliteListLess(const SatelliteListItem& a, const SatelliteListItem& b) {
    if (int c = CompareNoCase(a.text, b.text)) return c < 0;
    if (int c = a.text.compare(b.text)) return c < 0;
    return a.catalogueNumber < b.catalogueNumber;
}

std::string NormaliseSatelliteFilter(std::string_view typed) {
    std::string filter(typed.substr(0, kFilterLength));
    for (char& c : filter)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return filter;
}

std::optional<std::uint32_t> ParseNumberOfPasses(std::string_view field) {
    field = field.substr(0, kPassesFieldLength);
    for (char c : field)
        if (!((c >= '0' && c <= '9') || c == '.')) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::string FormatNumberOfPasses(std::uint32_t passes) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2u", passes);
    return text;
}

SatelliteChooser::SatelliteChooser(const KeplerCatalogue& catalogue,
                                   std::vector<SelectedSat> savedSelection, bool hideGeostationary)
    : catalogue_(catalogue),
      saved_(std::move(savedSelection)),
      hideGeostationary_(hideGeostationary) {
    Refill();
}

bool SatelliteChooser::Hidden(const KeplerRecord& record) const {
    return hideGeostationary_ && IsGeostationary(record);
}

bool SatelliteChooser::Passes(const KeplerRecord& record, const std::string& filter) const {
    return filter.empty() || record.Name().find(filter) != std::string_view::npos;
}

void SatelliteChooser::Refill(const std::string& filter) {
    filter_ = filter;
    available_.clear();

    std::unordered_set<std::int32_t> savedNumbers;
    for (const SelectedSat& s : saved_) savedNumbers.insert(s.catalogueNumber);
    // Only the available list is rebuilt: additions not yet saved stay selected, saved
    // entries that were taken out come back. Whatever is selected is never offered again,
    // so no satellite stands in both lists.
    std::unordered_set<std::int32_t> inSelected;
    for (const SatelliteListItem& item : selected_) inSelected.insert(item.catalogueNumber);

    // A number the file holds twice is offered once, as its first record: that is the one
    // the selection will refer to.
    std::unordered_set<std::int32_t> offered;
    for (const KeplerRecord& record : catalogue_.records) {
        if (savedNumbers.count(record.catalogueNumber)) {
            if (inSelected.insert(record.catalogueNumber).second)
                selected_.push_back(ItemFor(record));
        } else if (!inSelected.count(record.catalogueNumber) &&
                   offered.insert(record.catalogueNumber).second && Passes(record, filter) &&
                   !Hidden(record)) {
            available_.push_back(ItemFor(record));
        }
    }
    std::sort(available_.begin(), available_.end(), SatelliteListLess);
    std::sort(selected_.begin(), selected_.end(), SatelliteListLess);
}

void SatelliteChooser::ApplyFilter(std::string_view typed) {
    Refill(NormaliseSatelliteFilter(typed));
}

void SatelliteChooser::SetHideGeostationary(bool hide) {
    hideGeostationary_ = hide;
    Refill();
}

std::vector<std::size_t> SatelliteChooser::Add(const std::vector<std::size_t>& availableRows) {
    return MoveRows(available_, selected_, availableRows);
}

std::vector<std::size_t> SatelliteChooser::Remove(const std::vector<std::size_t>& selectedRows) {
    return MoveRows(selected_, available_, selectedRows);
}

std::vector<SelectedSat> SatelliteChooser::BuildSelection() const {
    // One pass over the catalogue, not a search per item: a constellation of 10,000 in a
    // catalogue of 15,000 took a tenth of a second of the window thread.
    std::unordered_map<std::int32_t, std::int32_t> firstIndex;
    firstIndex.reserve(selected_.size());
    for (const SatelliteListItem& item : selected_)
        firstIndex.emplace(item.catalogueNumber, NO_CATALOGUE_INDEX);
    for (std::int32_t i = 0; i < catalogue_.Count(); ++i) {
        auto it = firstIndex.find(catalogue_.records[static_cast<std::size_t>(i)].catalogueNumber);
        if (it != firstIndex.end() && it->second == NO_CATALOGUE_INDEX) it->second = i;
    }
    std::vector<SelectedSat> selection;
    selection.reserve(selected_.size());
    for (const SatelliteListItem& item : selected_) {
        SelectedSat s;
        s.catalogueNumber = item.catalogueNumber;
        s.catalogueIndex = firstIndex[item.catalogueNumber];
        selection.push_back(s);
    }
    return selection;
}

SatelliteSaveResult SaveSatelliteSettings(ISettingsWriter& writer, const SatelliteOptions& current,
                                          const SatelliteDialogInput& input,
                                          const SatelliteChooser& chooser, double nowJulian) {
    SatelliteSaveResult result;
    SatelliteOptions& o = result.options;
    o = current;
    o.checkForUpdates = input.checkForUpdates ? 1 : 0;
    o.searchIridiumFlares = input.searchIridiumFlares ? 1 : 0;
    o.searchLunarPasses = input.searchLunarPasses ? 1 : 0;
    o.passlistAutorefresh = input.passlistAutorefresh ? 1 : 0;
    o.automaticKeplerUpdate = input.autoKeplerUpdate ? nowJulian + 1.0 : 0.0;
    o.reportNvs = input.reportNvs ? 1 : 0;

    writer.WriteDword("DisplayUTC", o.displayUtc);
    writer.WriteDword("Check for updates", o.checkForUpdates);
    writer.WriteDword("Search Iridium Flares", o.searchIridiumFlares);
    writer.WriteDword("Search Lunar Passes", o.searchLunarPasses);
    writer.WriteDword("Passlist Autorefresh", o.passlistAutorefresh);
    writer.WriteDouble("Automatic Kepler Update", o.automaticKeplerUpdate);
    writer.WriteDword("Report NVS", o.reportNvs);

    const std::optional<std::uint32_t> passes = ParseNumberOfPasses(input.numberOfPassesField);
    if (!passes) {
        writer.Commit();
        return result;
    }
    result.numberValid = true;
    o.numberOfPasses = *passes;
    o.hideGeostationary = input.hideGeostationary ? 1 : 0;
    writer.WriteDword("Number of passes", o.numberOfPasses);
    writer.WriteDword("Hide Geostationary", o.hideGeostationary);

    result.selection = chooser.BuildSelection();
    writer.WriteBinary("Selected Satellites", SelectionToBlob(result.selection));
    writer.WriteDword("Number of Sats", static_cast<std::uint32_t>(result.selection.size()));
    o.visibleOnly = input.visibleOnly ? 1 : 0;
    writer.WriteDword("Visible Only", o.visibleOnly);
    writer.Commit();
    return result;
}

std::vector<int> MapSelectionIndices(const std::vector<SelectedSat>& former,
                                     const std::vector<SelectedSat>& current) {
    std::unordered_map<std::int32_t, int> firstPlace;
    firstPlace.reserve(current.size());
    for (std::size_t j = 0; j < current.size(); ++j)
        firstPlace.emplace(current[j].catalogueNumber, static_cast<int>(j));
    std::vector<int> map(former.size(), -1);
    for (std::size_t i = 0; i < former.size(); ++i) {
        auto it = firstPlace.find(former[i].catalogueNumber);
        if (it != firstPlace.end()) map[i] = it->second;
    }
    return map;
}

}  // namespace orvanta
