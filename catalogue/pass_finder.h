#pragma once
// The search of one satellite: steps its orbit through time from "now", finds each AOS and
// LOS to the second, and runs the flare and lunar-pass steps while it is above the horizon.
// catalogue/README.md explains how the stepping stays exact without a one-second step.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/pass_record.h"
#include "catalogue/pass_search.h"
#include "common/settings_records.h"

namespace orvanta {

enum class SatelliteSearchEnd {
    COMPLETE,            // N passes found
    NOT_LOCATED,         // not in the catalogue: nothing searched
    NO_ORBIT,            // elements that give no orbit
    GEOSYNCHRONOUS,      // period between 85800 and 87000 s
    NOT_VISIBLE,         // no pass starts within 7 days
    NEVER_SETS,          // above the horizon for more than 7 days
    UNTIL_REACHED,       // no further pass starts before the options' limit
    NO_FURTHER_PASS,     // no pass within 30 days of the last one
    PROPAGATION_FAILED,  // the propagator gave up (e.g. a decayed orbit)
    ABORTED,
};

struct SatelliteSearchResult {
    SatelliteSearchEnd end = SatelliteSearchEnd::COMPLETE;
    int passes = 0;
    std::int64_t evaluations = 0;  // propagations, for benchmarks
};

struct SatelliteSearchContext {
    double now = 0.0;  // Julian date
    ObserverLocation observer;
    PassSearchOptions options;
    const std::atomic<bool>* abort = nullptr;
    std::function<void(int level, const std::string& text)> log;
    PassTimeFormatter formatDateTime;  // never empty here
    // Called after pass k (0-based) has been stored.
    std::function<void(int k)> passStored;
};

// Searches one satellite and writes up to options.passesPerSatellite complete records into
// slots (chronological). Slots of passes not found are left as they are.
SatelliteSearchResult SearchSatellitePasses(const PassSearchSatellite& satellite,
                                            int selectionIndex,
                                            const SatelliteSearchContext& context,
                                            PassRecord* slots);

// "YYYY-MM-DD HH:MM:SS" in UTC, rounded to the second.
std::string FormatUtcDateTime(double julianDate);

}  // namespace orvanta
