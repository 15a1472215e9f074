#include "catalogue/element_loader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include "common/event_log.h"
#include "common/prompt.h"
#include "maintenance/gzip_decoder.h"
#include "maintenance/unzip.h"
#include "orbit/element_set.h"
#include "orbit/omm_reader.h"

namespace orvanta {

namespace fs = std::filesystem;

namespace {

// Element lines must reach column 68: the element-set parser cuts fields up to there.
constexpr std::size_t MIN_ELEMENT_LINE = 68;

const char* const CAPTION_DOWNLOAD = "Kestrova";

// Copies at most 99 characters; the stored text ends at the first NUL, as every reader of
// the record sees it. Returns that visible length.
std::size_t CopyText(char (&dst)[KEPLER_TEXT_SIZE], std::string_view src) {
    std::size_t n = std::min(src.size(), KEPLER_TEXT_SIZE - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
    return std::strlen(dst);
}

// Lines end at LF; the LF and a CR before it are dropped; the last line may lack its LF.
// The parser looks at three lines at a time, so the text is never split into a list of all
// its lines (a file of blank lines would cost memory per line).
class LineWindow {
public:
    explicit LineWindow(std::string_view text) : text_(text) {}
    // True when three lines are in view.
    bool Fill() {
        while (count_ < 3 && pos_ < text_.size()) {
            std::size_t end = text_.find('\n', pos_);
            std::size_t next = end == std::string_view::npos ? text_.size() : end + 1;
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(pos_, end - pos_);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines_[count_++] = line;
            pos_ = next;
        }
        return count_ == 3;
    }
    std::string_view operator[](std::size_t i) const { return lines_[i]; }
    void Drop(std::size_t n) {
        for (std::size_t i = n; i < count_; ++i) lines_[i - n] = lines_[i];
        count_ -= n;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::string_view lines_[3];
    std::size_t count_ = 0;
};

// Visible length as a record would keep it (cut at 99 characters and at a NUL).
std::size_t KeptLength(std::string_view line) {
    line = line.substr(0, KEPLER_TEXT_SIZE - 1);
    std::size_t nul = line.find('\0');
    return nul == std::string_view::npos ? line.size() : nul;
}

bool LooksLikeElementLine(std::string_view line, char number) {
    return !line.empty() && line[0] == number;
}

bool UsableElementLine(std::string_view line, char number) {
    return LooksLikeElementLine(line, number) && KeptLength(line) >= MIN_ELEMENT_LINE;
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

bool ReadWholeFile(const fs::path& path, std::string& text) {
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f) return false;
    char chunk[64 * 1024];
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (!ec) text.reserve(static_cast<std::size_t>(size));
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Dates the installed copy at its newest element epoch. The built-in file's own date
// (checkout, build copy or package install) says nothing about when its sets were fetched;
// the newest epoch is at most a few hours before the fetch, so the age it gives errs
// towards an older file, i.e. towards warning the user early rather than late.
void DateByNewestEpoch(const fs::path& copy, const fs::path& source) {
    std::string gz;
    if (!ReadWholeFile(source, gz)) return;
    std::optional<cJulianDate> newest;
    try {
        std::vector<std::uint8_t> text =
            GunzipBuffer(reinterpret_cast<const std::uint8_t*>(gz.data()), gz.size());
        newest = NewestElementEpoch(ParseElementText(
            std::string_view(reinterpret_cast<const char*>(text.data()), text.size())));
    } catch (const CZipException&) {
        return;  // the load reports an undecodable file; its date does not matter then
    }
    if (!newest) return;
    using namespace std::chrono;
    const std::int64_t now = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    const std::int64_t epoch = newest->ToUnixTime();
    // Only a date between 1970 and now: the file clock counts nanoseconds in 64 bits, so a
    // far-off epoch from a damaged set would overflow on the way to it.
    if (epoch < 0) return;
    const std::int64_t when = std::min(epoch, now);
    std::error_code ec;
    fs::last_write_time(copy, file_clock::from_sys(sys_seconds(seconds(when))), ec);
}

}  // namespace

std::optional<cJulianDate> NewestElementEpoch(const KeplerCatalogue& catalogue) {
    std::vector<double> epochs;
    epochs.reserve(catalogue.records.size());
    for (const KeplerRecord& r : catalogue.records) {
        cElementSet set(r.name, r.line1, r.line2);
        if (!set.IsValid()) continue;
        double jd = set.Epoch().Date();
        if (std::isfinite(jd)) epochs.push_back(jd);
    }
    if (epochs.empty()) return std::nullopt;
    // Some high orbits (XMM-Newton, Chandra, Cluster) are issued with elements dated days
    // ahead of their release; sets more than a day past the median are such, not newer.
    auto middle = epochs.begin() + static_cast<std::ptrdiff_t>(epochs.size() / 2);
    std::nth_element(epochs.begin(), middle, epochs.end());
    const double limit = *middle + 1.0;
    double newest = *middle;
    for (double jd : epochs)
        if (jd <= limit && jd > newest) newest = jd;
    return cJulianDate::FromJd(newest);
}

KeplerCatalogue ParseElementText(std::string_view text, std::int32_t* skipped) {
    LineWindow lines(text);
    KeplerCatalogue catalogue;
    std::int32_t dropped = 0;
    while (lines.Fill()) {
        std::string_view l1 = lines[1];
        std::string_view l2 = lines[2];
        if (LooksLikeElementLine(l1, '1') && LooksLikeElementLine(l2, '2')) {
            if (UsableElementLine(l1, '1') && UsableElementLine(l2, '2')) {
                KeplerRecord& r = catalogue.records.emplace_back();
                CopyText(r.name, lines[0]);
                CopyText(r.line1, l1);
                CopyText(r.line2, l2);
                r.catalogueNumber = ParseCatalogueNumber(r.Line1().substr(2, 5));
            } else {
                ++dropped;  // too short for the element-set parser
            }
            lines.Drop(3);
            continue;
        }
        // Out of step (a missing or extra line): count one broken set and pick up again at
        // the next name line that a line 1 and a line 2 follow, so later sets survive.
        ++dropped;
        lines.Drop(1);
        while (lines.Fill() &&
               !(LooksLikeElementLine(lines[1], '1') && LooksLikeElementLine(lines[2], '2')))
            lines.Drop(1);
    }
    if (skipped) *skipped = dropped;
    return catalogue;
}

KeplerCatalogue ParseAnyElementText(std::string_view text, ElementTextReport* report) {
    ElementTextReport local;
    ElementTextReport& r = report ? *report : local;
    const ElementTextFormat format = DetectElementTextFormat(text);
    if (!IsOmm(format)) return ParseElementText(text, &r.skipped);
    r.omm = true;
    OmmReadResult omm = ReadOmmText(text, format);
    KeplerCatalogue catalogue;
    catalogue.records.reserve(omm.sets.size());
    for (const OmmSet& set : omm.sets) {
        KeplerRecord& k = catalogue.records.emplace_back();
        CopyText(k.name, set.name);
        CopyText(k.line1, set.line1);
        CopyText(k.line2, set.line2);
        k.catalogueNumber = set.catalogueNumber;
    }
    r.skipped = omm.badRecords;
    r.problem = !omm.documentError.empty() ? omm.documentError : omm.firstProblem;
    return catalogue;
}

ElementLoadReport LoadElementFile(const ElementLoadContext& context, KeplerCatalogue& catalogue,
                                  std::vector<SelectedSat>* selection) {
    ElementLoadReport report;
    const fs::path& elementFile = context.elementFile;
    // Without a private directory the work file goes beside the element file.
    const fs::path workDirectory =
        context.workDirectory.empty() ? elementFile.parent_path() : context.workDirectory;
    fs::path workFile = workDirectory / (elementFile.filename().string() + "unz");

    if (!std::ifstream(elementFile, std::ios::binary)) {
        report.result = ElementLoadResult::FileMissing;
        report.message = "Your application needs to be reinstalled. The Keplers file is missing!";
        if (context.prompt) context.prompt->Tell("Problem", report.message, PromptIcon::Error);
        return report;
    }

    RemoveQuietly(workFile);  // the wrapper never overwrites; a stale work file is ours
    try {
        CUnzip(elementFile.string()).Run(workFile.string());
    } catch (const CZipException& e) {
        report.result = ElementLoadResult::DecompressionFailed;
        report.message = std::string("kepler error: ") + e.what();
        LogEvent(report.message, LOG_ERROR);
        if (context.prompt &&
            context.prompt->Ask(CAPTION_DOWNLOAD,
                                "No Kepler elements were found. Would you like to download a "
                                "fresh set of elements now?",
                                PromptButtons::YesNo, PromptIcon::Question) == PromptAnswer::Yes) {
            if (context.startDownload && context.startDownload())
                context.prompt->Tell(
                    CAPTION_DOWNLOAD,
                    "Download has been initiated!\nPlease wait until you see the 'Download "
                    "complete' message in the event log window,\nthen proceed to 'Settings' -> "
                    "'Satellites' in order to select the satellites you would like to track",
                    PromptIcon::Information);
        }
        RemoveQuietly(workFile);
        return report;
    }

    std::string text;
    if (!ReadWholeFile(workFile, text)) {
        report.result = ElementLoadResult::WorkFileUnreadable;
        report.message = "Failed to open kepler elements file!";
        LogEvent(report.message, LOG_ERROR);
        RemoveQuietly(workFile);
        return report;
    }
    RemoveQuietly(workFile);

    ElementTextReport parsed;
    KeplerCatalogue fresh = ParseAnyElementText(text, &parsed);
    report.skipped = parsed.skipped;
    catalogue = std::move(fresh);
    if (selection) RemapSelection(catalogue, *selection);

    report.result = ElementLoadResult::Loaded;
    report.loaded = catalogue.Count();
    if (parsed.omm && (report.skipped > 0 || !parsed.problem.empty())) {
        LogEvent(std::to_string(report.skipped) + " OMM records skipped (first: " +
                     parsed.problem + ")",
                 LOG_WARNING);
    } else if (report.skipped > 0) {
        char warning[160];
        std::snprintf(warning, sizeof warning,
                      "%d Kepler element sets skipped: element lines missing or shorter than 68 "
                      "characters",
                      static_cast<int>(report.skipped));
        LogEvent(warning, LOG_WARNING);
    }
    char line[96];
    std::snprintf(line, sizeof line, "%i Kepler elements loaded from file",
                  static_cast<int>(report.loaded));
    LogEvent(line, LOG_INFORMATION);
    return report;
}

bool InstallDefaultElementFile(const fs::path& programDirectory, const fs::path& builtInDirectory) {
    std::error_code ec;
    fs::path target = programDirectory / ELEMENT_FILE_NAME;
    fs::path source = builtInDirectory / ELEMENT_FILE_NAME;
    if (fs::exists(target, ec) || !fs::is_regular_file(source, ec)) return false;
    if (fs::equivalent(programDirectory, builtInDirectory, ec)) return false;

    // Copy under a temporary name first: an interrupted copy must not pass for the file.
    fs::path partial = programDirectory / (std::string(ELEMENT_FILE_NAME) + ".partial");
    fs::copy_file(source, partial, fs::copy_options::overwrite_existing, ec);
    if (!ec) {
        DateByNewestEpoch(partial, source);
        fs::rename(partial, target, ec);
    }
    if (ec) {
        RemoveQuietly(partial);
        LogEvent("Could not install the built-in Kepler elements in " + target.string() + ": " +
                     ec.message(),
                 LOG_WARNING);
        return false;
    }
    LogEvent("No Kepler elements found in the program directory: installed the built-in set as " +
                 target.string(),
             LOG_INFORMATION);
    return true;
}

}  // namespace orvanta
