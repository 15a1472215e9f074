#include "catalogue/pass_list_search.h"

#include <algorithm>
#include <cstdio>

#include "common/event_log.h"

namespace orvanta {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

}  // namespace

LogLine ElementAgeLine(double ageDays, const std::string& lastUpdated) {
    const int hours = static_cast<int>(ageDays * 24.0);
    const double minutes = (ageDays * 24.0 - hours) * 60.0;
    if (ageDays > kVeryInaccurateAgeDays)
        return {Format("Kepler age: %0.2dh %02.0fm! Predictions very inaccurate. Last updated %s",
                       hours, minutes, lastUpdated.c_str()),
                LOG_ERROR};
    if (ageDays > kSomewhatInaccurateAgeDays)
        return {
            Format("Kepler age: %0.2dh %02.0fm! Predictions somewhat inaccurate. Last updated %s",
                   hours, minutes, lastUpdated.c_str()),
            LOG_WARNING};
    return {Format("Kepler age: %0.2dh %02.0fm", hours, minutes), LOG_SUCCESS};
}

double ElementAgeStart(double fileWritten, std::optional<double> newestEpoch) {
    if (newestEpoch && fileWritten - *newestEpoch > 1.0) return *newestEpoch;
    return fileWritten;
}

AutorefreshResult FindAutorefresh(const std::vector<PassRecord>& table, int selected,
                                  int passesPerSatellite, double now) {
    AutorefreshResult result{now + 10.0, -1};
    for (int s = 0; s < selected; ++s) {
        double last = 0.0;
        for (int k = 0; k < passesPerSatellite; ++k) {
            const std::size_t i = static_cast<std::size_t>(s) * passesPerSatellite + k;
            if (i < table.size()) last = std::max(last, table[i].los);
        }
        if (last != 0.0 && last < result.time) {
            result.time = last;
            result.satellite = s;
        }
    }
    return result;
}

LogLine AutorefreshLine(bool autorefreshOn, const std::string& when, const std::string& name) {
    if (autorefreshOn)
        return {Format("Passlist will autorefresh at: %s. Satellite %s runs out of passes.",
                       when.c_str(), name.c_str()),
                LOG_INFORMATION};
    return {Format("Passlist auto refresh is OFF! First satellite will expire at: %s. %s runs "
                   "out of passes.",
                   when.c_str(), name.c_str()),
            LOG_INFORMATION};
}

LogLine SearchSummaryLine(bool aborted, double progressPercent, int selected,
                          int passesPerSatellite, int passesDisplayed, double elapsedSeconds) {
    if (aborted)
        return {
            Format("Passlist updated, but interrupted. Approximately %1.0f passes are displayed",
                   progressPercent * selected * passesPerSatellite / 100.0),
            LOG_WARNING};
    return {Format("Passlist updated. Total of %d passes displayed in %02.1f seconds",
                   passesDisplayed, elapsedSeconds),
            LOG_INFORMATION};
}

LogLine AbortLine(double elapsedSeconds) {
    return {Format("User aborted passlist generation after %02.1f seconds", elapsedSeconds),
            LOG_ERROR};
}

std::string ProgressText(double progressPercent) {
    return Format("Finding passes: %0.2f%% and going. Press <ESC> to abort.", progressPercent);
}

}  // namespace orvanta
