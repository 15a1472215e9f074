#pragma once
// When each service was last asked, for its rate rule: CelesTrak counts every group on its
// own, Space-Track its one catalogue query. The program keeps these in its settings, the
// command line in a small state file of its own; both use the text forms below.
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/element_sources.h"

namespace orvanta {

struct DownloadTimes {
    std::map<std::string, double> celesTrak;  // group -> Julian date (UTC) of its last fetch
    double spaceTrack = 0.0;                  // Julian date (UTC); 0: none yet
    // The last attempt that reached no service (refused, unresolved, timed out); 0: none.
    double unanswered = 0.0;
};

// An attempt that never reached the service is no download to its rules: the next may
// follow after a minute.
constexpr double UNANSWERED_RETRY_DAYS = 1.0 / 1440.0;

// The longest stored list of groups ("CelesTrak Group Downloads"): only groups still inside
// their 2 hours are kept, the oldest dropped first if more would not fit.
constexpr std::size_t MAX_GROUP_TIMES_TEXT = 1023;

// "active=2461000.50000000;stations=2461000.52000000": groups whose 2 hours are not over
// at nowJd, newest kept when the text would pass MAX_GROUP_TIMES_TEXT.
std::string FormatGroupTimes(const std::map<std::string, double>& times, double nowJd);
// The same text back; entries that are not a group name and a positive date are skipped.
std::map<std::string, double> ParseGroupTimes(std::string_view text);

// When the rules refuse a download of source (and CelesTrak group) at nowJd, the Julian
// date from which it is allowed; nothing when it may go ahead. The element server has none.
std::optional<double> NextAllowedFor(const DownloadTimes& times, ElementSource source,
                                     const std::string& group, double nowJd);
// "CelesTrak allows one download of the "active" group every 2 hours; the next is allowed
// at <when>" (and Space-Track's hourly form).
std::string RateRuleRefusal(ElementSource source, const std::string& group,
                            const std::string& when);
// When an attempt that reached no service holds up the next, from when it is allowed.
std::optional<double> NextRetryAfterNoAnswer(const DownloadTimes& times, double nowJd);
// "The last download attempt reached no element service; the next is allowed at <when>".
std::string NoAnswerRefusal(const std::string& when);
// Counts a request the service answered at nowJd, whatever the answer: the services count
// requests, not successes. A request that got no answer goes to NoteNoAnswer.
void NoteNoAnswer(DownloadTimes& times, double nowJd);
void NoteDownload(DownloadTimes& times, ElementSource source, const std::string& group,
                  double nowJd);

// The command line's state file: "celestrak GROUP JD", "spacetrack JD" and
// "unanswered JD" lines.
constexpr const char* DOWNLOAD_STATE_FILE_NAME = "download-times";
std::string FormatDownloadState(const DownloadTimes& times, double nowJd);
DownloadTimes ParseDownloadState(std::string_view text);
// A missing or unreadable file is no downloads yet; only its first 64 KiB are read.
DownloadTimes LoadDownloadState(const std::filesystem::path& file);
bool SaveDownloadState(const std::filesystem::path& file, const DownloadTimes& times,
                       double nowJd, std::string& error);

}  // namespace orvanta
