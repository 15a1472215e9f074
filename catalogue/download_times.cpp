#include "catalogue/download_times.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <vector>

#include "catalogue/element_install.h"

namespace orvanta {

namespace {

constexpr std::size_t MAX_STATE_FILE = 64 * 1024;

std::string Jd(double jd) {
    char text[32];
    std::snprintf(text, sizeof text, "%.8f", jd);
    return text;
}

std::optional<double> ParseJd(std::string_view text) {
    double jd = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), jd);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !(jd > 0.0) || jd > 1e7)
        return std::nullopt;
    return jd;
}

// Whether a download at lastJd can still hold up one at nowJd.
bool StillCounts(double lastJd, double nowJd, double intervalDays) {
    return NextAllowedDownload(lastJd, nowJd, intervalDays).has_value();
}

// The groups that still count, newest first.
std::vector<std::pair<std::string, double>> Live(const std::map<std::string, double>& times,
                                                 double nowJd) {
    std::vector<std::pair<std::string, double>> live;
    for (const auto& [group, jd] : times)
        if (IsElementGroup(group) && StillCounts(jd, nowJd, CELESTRAK_INTERVAL_DAYS))
            live.emplace_back(group, jd);
    std::sort(live.begin(), live.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    return live;
}

}  // namespace

std::string FormatGroupTimes(const std::map<std::string, double>& times, double nowJd) {
    std::string text;
    for (const auto& [group, jd] : Live(times, nowJd)) {
        const std::string entry = (text.empty() ? "" : ";") + group + "=" + Jd(jd);
        if (text.size() + entry.size() > MAX_GROUP_TIMES_TEXT) break;
        text += entry;
    }
    return text;
}

std::map<std::string, double> ParseGroupTimes(std::string_view text) {
    std::map<std::string, double> times;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view entry = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos || !IsElementGroup(entry.substr(0, eq))) continue;
        if (auto jd = ParseJd(entry.substr(eq + 1))) {
            double& kept = times[std::string(entry.substr(0, eq))];
            kept = std::max(kept, *jd);
        }
    }
    return times;
}

std::optional<double> NextAllowedFor(const DownloadTimes& times, ElementSource source,
                                     const std::string& group, double nowJd) {
    switch (source) {
        case ElementSource::CelesTrak: {
            const auto it = times.celesTrak.find(group);
            if (it == times.celesTrak.end()) return std::nullopt;
            return NextAllowedDownload(it->second, nowJd, CELESTRAK_INTERVAL_DAYS);
        }
        case ElementSource::SpaceTrack:
            return NextAllowedDownload(times.spaceTrack, nowJd, SPACETRACK_INTERVAL_DAYS);
        case ElementSource::Legacy:
            break;
    }
    return std::nullopt;
}

std::string RateRuleRefusal(ElementSource source, const std::string& group,
                            const std::string& when) {
    const std::string what = source == ElementSource::CelesTrak
                                 ? "CelesTrak allows one download of the \"" + group +
                                       "\" group every 2 hours"
                                 : std::string("Space-Track allows one download of the element "
                                               "catalogue an hour");
    return what + "; the next is allowed at " + when;
}

std::optional<double> NextRetryAfterNoAnswer(const DownloadTimes& times, double nowJd) {
    return NextAllowedDownload(times.unanswered, nowJd, UNANSWERED_RETRY_DAYS);
}

std::string NoAnswerRefusal(const std::string& when) {
    return "The last download attempt reached no element service; the next is allowed at " +
           when;
}

void NoteNoAnswer(DownloadTimes& times, double nowJd) {
    times.unanswered = nowJd;
}

void NoteDownload(DownloadTimes& times, ElementSource source, const std::string& group,
                  double nowJd) {
    if (source == ElementSource::CelesTrak) {
        times.celesTrak[group] = nowJd;
    } else if (source == ElementSource::SpaceTrack) {
        times.spaceTrack = nowJd;
    }
}

std::string FormatDownloadState(const DownloadTimes& times, double nowJd) {
    std::string text = "# orvanta-cli download: last requests (Julian dates, UTC)\n";
    for (const auto& [group, jd] : Live(times.celesTrak, nowJd))
        text += "celestrak " + group + " " + Jd(jd) + "\n";
    if (StillCounts(times.spaceTrack, nowJd, SPACETRACK_INTERVAL_DAYS))
        text += "spacetrack " + Jd(times.spaceTrack) + "\n";
    if (StillCounts(times.unanswered, nowJd, UNANSWERED_RETRY_DAYS))
        text += "unanswered " + Jd(times.unanswered) + "\n";
    return text;
}

DownloadTimes ParseDownloadState(std::string_view text) {
    DownloadTimes times;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with("celestrak ")) {
            line.remove_prefix(10);
            const std::size_t space = line.find(' ');
            if (space == std::string_view::npos || !IsElementGroup(line.substr(0, space)))
                continue;
            if (auto jd = ParseJd(line.substr(space + 1))) {
                double& kept = times.celesTrak[std::string(line.substr(0, space))];
                kept = std::max(kept, *jd);
            }
        } else if (line.starts_with("spacetrack ")) {
            if (auto jd = ParseJd(line.substr(11))) times.spaceTrack = std::max(times.spaceTrack, *jd);
        } else if (line.starts_with("unanswered ")) {
            if (auto jd = ParseJd(line.substr(11))) times.unanswered = std::max(times.unanswered, *jd);
        }
    }
    return times;
}

DownloadTimes LoadDownloadState(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string text(MAX_STATE_FILE, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseDownloadState(text);
}

bool SaveDownloadState(const std::filesystem::path& file, const DownloadTimes& times,
                       double nowJd, std::string& error) {
    const std::string text = FormatDownloadState(times, nowJd);
    return WriteFileAtomically(file, std::vector<std::uint8_t>(text.begin(), text.end()), error);
}

}  // namespace orvanta
