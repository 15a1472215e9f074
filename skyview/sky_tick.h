#pragma once
// The Sky view's once-a-second work without any window: the periodic screenshot and rise
// and set schedule, the satellites' sky tracks, the tooltip timing, hit-testing and texts,
// and the star positions a repaint draws.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "catalogue/pass_list_format.h"
#include "catalogue/pass_record.h"
#include "common/settings_records.h"
#include "skyview/sky_view_state.h"
#include "skyview/star_catalogue.h"

namespace orvanta {

// Step 2: true when the periodic interval ("Skyview Update" minutes) has passed; the mark
// moves then, and screenshotRequested is set when periodic screenshots are on (the caller
// then repaints at once).
bool PeriodicScreenshotCheck(SkyViewState& state, std::uint32_t tick, int updateMinutes,
                             bool screenshotsOn);
// Step 3: counts the tick; true (counter and flag cleared) when rise and set are due:
// after more than 3600 ticks, or when a recompute was asked for.
bool RiseSetDue(SkyViewState& state, bool recomputeRequested);

// A pass the view draws: in use (listed) and above the horizon now.
bool SkyPassVisible(const PassRecord& record);

// Fills the record's 30-point tracks (AOS to now, now towards LOS; radians) from the
// satellite's orbit. False, tracks untouched, when the orbit cannot be built.
bool ComputePassTrack(PassRecord& record, const KeplerRecord& satellite,
                      const ObserverLocation& observer, double now);
// The same for many passes at once, through the batch propagator; per record true when its
// orbit could be built (and its tracks were filled).
std::vector<char> ComputePassTracks(const std::vector<PassRecord*>& records,
                                    const std::vector<const KeplerRecord*>& satellites,
                                    const ObserverLocation& observer, double now);
// Step 5 over the whole table. satelliteOf gives a record's catalogue entry (or null).
template <typename SatelliteOf>
void UpdateSkyTracks(std::vector<PassRecord>& table, const SkyViewState& state,
                     const ObserverLocation& observer, double now, SatelliteOf satelliteOf) {
    std::vector<PassRecord*> records;
    std::vector<const KeplerRecord*> satellites;
    for (std::size_t i = 0; i < table.size(); ++i) {
        PassRecord& r = table[i];
        if (!SkyPassVisible(r)) continue;
        if (state.showTracks) {
            if (const KeplerRecord* sat = satelliteOf(r)) {
                records.push_back(&r);
                satellites.push_back(sat);
            }
        } else if (state.tooltipOwner != static_cast<int>(i)) {
            r.trackValid = 0;
        }
    }
    if (records.empty()) return;
    const std::vector<char> ok = ComputePassTracks(records, satellites, observer, now);
    for (std::size_t k = 0; k < records.size(); ++k)
        if (ok[k]) records[k]->trackValid = 1;
}

// Step 6: what the tooltip does on this tick.
enum class TooltipStep { Nothing, TryShow, Hide };
TooltipStep TooltipTiming(std::uint32_t tick, std::uint32_t lastMouseMoveTick, bool tooltipShown);

// What lies under the resting pointer, first match wins: Sun, Moon, a visible pass's
// marker (table order), a star (catalogue order; zero records never match).
struct TooltipTarget {
    enum Kind { Sun, Moon, Satellite, Star } kind = Sun;
    int index = -1;  // pass record or star record
};
bool BoxContains(const ScreenBox& box, int x, int y);
std::optional<TooltipTarget> HitTestSky(const SkyViewState& state, int x, int y,
                                        const std::vector<PassRecord>& table,
                                        const StarCatalogue* stars);

// Tooltip texts ("\r" between lines, "\t" between caption and value).
std::string SunTooltipText(const SkyViewState& state);
// Converts moonDistance to the "Metric" unit in the state (until the next repaint).
std::string MoonTooltipText(SkyViewState& state, int metric);
std::string SatelliteTooltipText(const std::string& name, int catalogueNumber,
                                 const std::string& aosText, const std::string& losText);
std::string StarTooltipText(const StarRecord& star);
// The AOS and LOS texts of a satellite tooltip.
std::string SkyPassTimeText(double jd, double now, const RowTimeOptions& options);

// The star discs of one repaint: every record brighter than the limit and above the
// horizon, with its screen box written to the catalogue's boxes (others cleared).
struct StarDisc {
    int x = 0, y = 0;
    int size = 1;  // size class + star size base, 1 ... 6
};
void ComputeStarDiscs(StarCatalogue& stars, const SkyViewState& state, double gastDeg,
                      double latDeg, double lonDeg, int width, int height,
                      std::vector<StarDisc>& out);

}  // namespace orvanta
