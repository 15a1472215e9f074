#pragma once
// A pass second by second for the details table: where the satellite stands, how fast it
// recedes, the Doppler shift on a frequency, whether the Sun lights it and how bright it
// looks, from AOS to LOS at a fixed step.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/pass_record.h"
#include "common/settings_records.h"
#include "orbit/element_set.h"

namespace orvanta {

struct PassDetailRow {
    double time = 0.0;       // Julian date (UTC)
    double azimuth = 0.0;    // degrees from north through east
    double elevation = 0.0;  // degrees
    double rangeKm = 0.0;
    double rangeRateKmS = 0.0;        // positive while the satellite recedes
    std::optional<double> dopplerHz;  // shift of the frequency asked for, when one was
    // Apparent visual magnitude, when the satellite has a standard magnitude, is lit and the
    // Sun stands below VISIBLE_SUN_LIMIT_DEG at the site.
    std::optional<double> magnitude;
    bool sunlit = false;
};

// The step the table uses unless the user picks one: 10 s for a pass under 30 minutes,
// a minute for longer ones. Seconds, from AOS and LOS as Julian dates.
double DefaultPassDetailStep(double aosJd, double losJd);

// Days between the time ticks drawn along a pass's track: a minute for a pass under half
// an hour, then 10 minutes, an hour, 6 hours and a day, so a pass of many hours or days
// keeps its ticks apart.
double PassTickSpacing(double aosJd, double losJd);

// The moment a chart of the pass shows the satellite at: its brightest when it has a
// magnitude, else its culmination, else its highest row (AOS when there are none).
double PassHighlightTime(const PassRecord& pass, const std::vector<PassDetailRow>& rows);

struct PassDetailsRequest {
    ObserverLocation observer;  // the site as the pass search takes it (whole kilometres)
    double aosJd = 0.0;
    double losJd = 0.0;
    double stepSeconds = 0.0;  // > 0; DefaultPassDetailStep when the user gave none
    std::optional<double> frequencyHz;
};

// Rows at AOS, AOS + step, ... and a last one exactly at LOS. Doppler: -f rangeRate / c.
// False (rows cleared) when the request is malformed (no step, LOS before AOS, more than
// a million rows) or the orbit cannot be propagated over the pass.
bool ComputePassDetails(const cElementSet& elements, const PassDetailsRequest& request,
                        std::vector<PassDetailRow>& rows);

// The table as CSV under the header "time_utc,azimuth,elevation,range_km,range_rate_kms,
// doppler_hz,magnitude,sunlit": ISO UTC seconds, angles to 0.01 degree, km and km/s to 1e-8,
// whole hertz, the magnitude to 0.1, empty fields where nothing is known.
std::string PassDetailsCsv(const std::vector<PassDetailRow>& rows);

}  // namespace orvanta
