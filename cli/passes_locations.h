#pragma once
// orvanta-cli passes with the user's named locations: --location NAME as the observer and
// --mutual NAME|LAT,LON[,ALT_M] for the windows a satellite is above both sites.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/pass_search.h"
#include "common/settings_records.h"

namespace orvanta::cli {

// The named location from the user's settings; nothing, with the reason and where it looked
// in error, when there is none of that name.
std::optional<ObserverLocation> StoredLocation(const std::string& name, std::string& error);
// "LAT,LON[,ALT_M]" or a stored location's name.
std::optional<ObserverLocation> LocationOrCoordinates(const std::string& text, std::string& error);

inline constexpr char kMutualCsvHeader[] =
    "catalogue,name,start_utc,end_utc,duration_s,max_el_here,max_el_there";

// One CSV row a mutual window, in start order (ties in satellite order), each satellite
// at most maxWindows (0: no limit). Returns the exit status.
int PrintMutualWindows(const std::vector<PassSearchSatellite>& satellites,
                       const ObserverLocation& here, const ObserverLocation& there, double start,
                       double until, int threads, int maxWindows);

}  // namespace orvanta::cli
