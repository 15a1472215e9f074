#pragma once
// The arithmetic around a pass search that the main window performs: the element-age
// line, the progress text, the autorefresh time at the end and the lines of completion.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/pass_record.h"

namespace orvanta {

struct LogLine {
    std::string text;
    int level = 0;
};

// Element sets older than this (days) give very inaccurate predictions; beyond 2 days, somewhat.
constexpr double kVeryInaccurateAgeDays = 6.0;
constexpr double kSomewhatInaccurateAgeDays = 2.0;

// "Kepler age: ..." with the age of the element file (days) and its formatted date.
LogLine ElementAgeLine(double ageDays, const std::string& lastUpdated);

// The date the element age counts from (Julian dates): the file's last-write time, unless
// the newest set in it is more than a day older than that. Such a file is a copy (made by a
// build, a checkout or a backup), not a fresh download, and its sets are as old as their
// epochs, whatever the file's date says.
double ElementAgeStart(double fileWritten, std::optional<double> newestEpoch);

struct AutorefreshResult {
    double time = 0.0;   // the autorefresh time (now + 10 days when no satellite gives one)
    int satellite = -1;  // selection index of the first satellite to run out, or -1
};
// Per satellite the latest LOS among its records; the earliest non-zero such value
// before now + 10 days wins. Works on the table as the workers left it (slots s * N ...).
AutorefreshResult FindAutorefresh(const std::vector<PassRecord>& table, int selected,
                                  int passesPerSatellite, double now);

// The line that announces it.
LogLine AutorefreshLine(bool autorefreshOn, const std::string& when, const std::string& name);

// The completion line. A finished search names the passes the list shows (not the slots
// searched, which overstates it whenever a satellite has fewer passes); an interrupted one
// estimates from the progress.
LogLine SearchSummaryLine(bool aborted, double progressPercent, int selected,
                          int passesPerSatellite, int passesDisplayed, double elapsedSeconds);
LogLine AbortLine(double elapsedSeconds);
// "Finding passes: 12.50% and going. Press <ESC> to abort."
std::string ProgressText(double progressPercent);

}  // namespace orvanta
