#pragma once
// Mutual visibility: the windows when one satellite is above the horizons of two sites at
// once, as radio contacts between two stations need. Each site's passes come from the pass
// search (AOS and LOS to the second); a window is the overlap of a pass at each site.
#include <functional>
#include <string>
#include <vector>

#include "catalogue/pass_finder.h"
#include "catalogue/pass_search.h"
#include "common/settings_records.h"

namespace orvanta {

struct MutualWindow {
    double start = 0.0;  // Julian date (UTC), first second above both horizons
    double end = 0.0;    // first second below either horizon again
    // Degrees: the highest elevation at each site from start to the last second inside.
    double maxElevationHere = 0.0;
    double maxElevationThere = 0.0;
};

struct MutualSearchResult {
    // The first search that did not end normally (COMPLETE, UNTIL_REACHED or
    // NO_FURTHER_PASS), else COMPLETE.
    SatelliteSearchEnd end = SatelliteSearchEnd::COMPLETE;
    std::vector<MutualWindow> windows;  // chronological
};

// Every window that starts before untilJd (> now) for the satellite. A window in progress
// at now starts at the later of its two rises, however long ago. log gets the pass
// search's lines (level, text).
MutualSearchResult FindMutualWindows(const PassSearchSatellite& satellite,
                                     const ObserverLocation& here, const ObserverLocation& there,
                                     double now, double untilJd,
                                     const std::function<void(int, const std::string&)>& log = {});

// True when the pass (a record of the search over here) has a moment when there sees the
// satellite too.
bool PassSeenFromBoth(const PassSearchSatellite& satellite, const PassRecord& pass,
                      const ObserverLocation& here, const ObserverLocation& there);

}  // namespace orvanta
