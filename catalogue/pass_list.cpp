#include "catalogue/pass_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/time_format.h"
#include "orbit/element_set.h"
#include "orbit/julian_date.h"
#include "orbit/orbit.h"
#include "orbit/site.h"

namespace orvanta {

namespace {

double RadToDegrees(double r) {
    return r * 180.0 / 3.14159265358979323846;
}

}  // namespace

bool UpdateLiveValues(PassRecord& record, const KeplerRecord& satellite,
                      const ObserverLocation& observer, int metric, double now) {
    const cElementSet elements(std::string(satellite.Name()), std::string(satellite.Line1()),
                               std::string(satellite.Line2()));
    const cOrbit orbit(elements);
    if (!orbit.IsValid()) return false;
    cEci eci;
    if (!orbit.PositionAt((now - orbit.Epoch().Date()) * 1440.0, eci)) return false;
    // Whole kilometres, as every site of the program is built.
    const cSite site(observer.latitude, observer.longitude, observer.altitudeMetres / 1000);
    const cCoordTopo look = site.LookAngles(eci);
    double range = look.range;
    if (metric == 2) range /= 1.609347;
    if (metric == 3) range /= 1.852;
    record.currentAzimuth = RadToDegrees(look.az);
    record.currentElevation = RadToDegrees(look.el);
    record.currentRange = range;
    return true;
}

void RemapPassTable(std::vector<PassRecord>& table, const std::vector<int>& formerToNew) {
    for (PassRecord& r : table) {
        const int s = r.satellite;
        const int mapped = s >= 0 && s < static_cast<int>(formerToNew.size()) ? formerToNew[s] : -1;
        if (mapped < 0) {
            r = PassRecord{};
        } else {
            r.satellite = mapped;
        }
    }
}

const KeplerRecord* PassSatellite(const PassRecord& record, const PassListContext& context) {
    if (!context.catalogue || !context.selection) return nullptr;
    if (record.satellite < 0 || record.satellite >= static_cast<int>(context.selection->size()))
        return nullptr;
    return SelectedRecord(*context.catalogue,
                          (*context.selection)[static_cast<std::size_t>(record.satellite)]);
}

bool PassInProgress(const PassRecord& record, double now) {
    return record.aos < now && record.los >= now;
}

bool PassHasFlare(const PassRecord& record) {
    const int m = record.flareMirror;
    return m >= 0 && m < 3 && record.flareStart[m] != 0.0;
}

std::string PassCellText(const PassRecord& r, int column, double now,
                         const PassListContext& context) {
    const bool live = PassInProgress(r, now);
    switch (column) {
        case COL_SATELLITE: {
            const KeplerRecord* sat = PassSatellite(r, context);
            return sat ? FormatSatelliteCell(sat->DisplayName(), sat->catalogueNumber) : std::string();
        }
        case COL_AOS:
            return FormatRowTime(r.aos, now, context.time);
        case COL_LOS:
            return FormatRowTime(r.los, now, context.time);
        case COL_COUNTDOWN:
            return FormatCountdown(live ? r.los : r.aos, now);
        case COL_RISE_AZ:
            return FormatAzimuthCell(r.riseAzimuth);
        case COL_MAX_EL:
            return FormatMaxElevationCell(r.midAzimuth, r.maxElevation);
        case COL_SET_AZ:
            return FormatAzimuthCell(r.setAzimuth);
        case COL_DURATION:
            return FormatDurationCell(r.aos, r.los);
        case COL_AZ:
            return live ? FormatLiveAzimuth(r.currentAzimuth) : "--";
        case COL_EL:
            return live ? FormatLiveElevation(r.currentElevation) : "--";
        case COL_RANGE:
            return live ? FormatLiveRange(r.currentRange) : "";
        case COL_LUNAR_START:
            return r.lunarStart != 0.0 ? FormatRowTime(r.lunarStart, now, context.time) : "";
        case COL_LUNAR_END:
            return r.lunarStart != 0.0 && r.lunarEnd != 0.0
                       ? FormatRowTime(r.lunarEnd, now, context.time)
                       : "";
        case COL_FLARE:
            if (!PassHasFlare(r)) return "";
            return FormatFlareCell(FormatTime(cJulianDate::FromJd(r.flareStart[r.flareMirror])),
                                   r.flareMagnitude, r.flareAzimuth, r.flareElevation);
        case COL_MAGNITUDE:
            return r.HasVisibleWindow() && r.brightestTime != 0.0
                       ? FormatMagnitudeCell(r.brightestMagnitude)
                       : "";
        case COL_VISIBLE:
            return r.HasVisibleWindow() ? FormatVisibleCell(r.visibleStart, r.visibleEnd, context.time)
                                        : "";
        default:
            return "";
    }
}

int PassIconIndex(const PassRecord& r) {
    return PassRowIcon(PassHasFlare(r), r.lunarStart != 0.0, r.lunarEnd != 0.0, r.lighting);
}

std::string PassVisibilityTooltip(const PassRecord& r, const RowTimeOptions& time) {
    if (!r.visibilityKnown || r.culmination == 0.0) return {};
    // The time of day only: a "now" equal to the time drops the days-ahead prefix.
    auto clock = [&](double jd) { return FormatRowTime(jd, jd, time); };
    auto fixed1 = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", v);
        std::string s = buf;
        if (!s.empty() && s[0] == '-') s.replace(0, 1, "\xE2\x88\x92");  // minus sign
        return s;
    };
    std::string out;
    if (r.HasVisibleWindow()) {
        out = "Visible " + clock(r.visibleStart) + "\xE2\x80\x93" + clock(r.visibleEnd) + ", ";
        if (r.brightestTime != 0.0)
            out += "brightest " + fixed1(r.brightestMagnitude) + " mag at " +
                   clock(r.brightestTime) + ", ";
    }
    out += std::string(out.empty() ? "Culmination " : "culmination ") +
           fixed1(r.culminationElevation) + "\xC2\xB0 at " + clock(r.culmination);
    return out;
}

Rgb PassRowTextColour(const PassRecord& r, double now) {
    return PassTextColour(PassInProgress(r, now), r.currentElevation, r.maxElevation);
}

void PassListRows::Fill(std::vector<PassRecord>& table, double now,
                        const PassListContext& context) {
    rows_.clear();
    const int selected = context.selection ? static_cast<int>(context.selection->size()) : 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        PassRecord& r = table[i];
        r.listed = 0;
        if (r.aos == 0.0 || r.los == 0.0 || r.los < now) continue;
        if (r.satellite < 0 || r.satellite >= selected) continue;
        if (context.visibleOnly && !r.HasVisibleWindow()) continue;
        if (context.keep && !context.keep(r, context)) continue;
        r.listed = 1;
        // A pass under way shows where the satellite is from the first paint, not 0/0/0.
        if (r.aos < now)
            if (const KeplerRecord* sat = PassSatellite(r, context))
                UpdateLiveValues(r, *sat, context.observer, context.metric, now);
        rows_.push_back(static_cast<int>(i));
    }
}

PassListRows::TickChanges PassListRows::Tick(std::vector<PassRecord>& table, double now,
                                             const PassListContext& context) {
    TickChanges changes;
    const bool usable = context.catalogue && context.catalogue->Count() > 0 && context.selection &&
                        !context.selection->empty() && !table.empty();
    if (!usable) {
        for (int row = Count() - 1; row >= 0; --row) changes.removed.push_back(row);
        Clear(&table);
        return changes;
    }
    // Rows are in table order, so one walk over them finds every ended pass.
    std::vector<int> kept;
    kept.reserve(rows_.size());
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const int index = rows_[row];
        if (index < 0 || index >= static_cast<int>(table.size())) {
            changes.removed.push_back(static_cast<int>(kept.size()));
            continue;
        }
        PassRecord& r = table[static_cast<std::size_t>(index)];
        if (r.los < now) {
            r.listed = 0;
            changes.removed.push_back(static_cast<int>(kept.size()));
            continue;
        }
        if (r.aos < now) {
            if (const KeplerRecord* sat = PassSatellite(r, context))
                UpdateLiveValues(r, *sat, context.observer, context.metric, now);
            changes.live.push_back(static_cast<int>(kept.size()));
        }
        kept.push_back(index);
    }
    rows_ = std::move(kept);
    return changes;
}

void PassListRows::Clear(std::vector<PassRecord>* table) {
    if (table)
        for (int index : rows_)
            if (index >= 0 && index < static_cast<int>(table->size()))
                (*table)[static_cast<std::size_t>(index)].listed = 0;
    rows_.clear();
}

}  // namespace orvanta
