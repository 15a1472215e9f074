#pragma once
// The warning the command line gives when its element sets are too old to trust.
#include <optional>
#include <string>
#include <vector>

namespace orvanta::cli {

// The warning line for sets whose newest epoch (Julian date) lies ageDays before the time
// predicted for, or nothing when they are young enough (the desktop program's "very
// inaccurate" age).
std::optional<std::string> StaleElementsWarning(double newestEpochJd, double whenJd);

// Writes that warning to stderr, at most once per run. epochs: the sets used.
void WarnIfElementsStale(const std::vector<double>& epochJds, double whenJd);

}  // namespace orvanta::cli
