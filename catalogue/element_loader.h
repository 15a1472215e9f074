#pragma once
// Loading the gzip-compressed element file "keplers" into the catalogue.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/element_file.h"
#include "orbit/julian_date.h"

namespace orvanta {

class IPrompt;

constexpr const char* ELEMENT_FILE_NAME = "keplers";

struct ElementLoadContext {
    std::filesystem::path elementFile;    // the program directory's "keplers"
    std::filesystem::path workDirectory;  // private directory for the decompressed work file
                                          // (empty: the element file's own directory)
    IPrompt* prompt = nullptr;            // message boxes; none are shown when null
    // Run when the user accepts a fresh download; true when a download has begun (only then
    // is the user told so). Null, or false: the caller has already said why there is none.
    std::function<bool()> startDownload;
};

enum class ElementLoadResult {
    Loaded,               // catalogue replaced, selection re-mapped
    FileMissing,          // element file cannot be opened
    DecompressionFailed,  // not gzip or damaged; the user was offered a download
    WorkFileUnreadable,   // decompressed text cannot be read back
};

struct ElementLoadReport {
    ElementLoadResult result = ElementLoadResult::FileMissing;
    std::string message;       // the event-log or message-box text of a failure
    std::int32_t loaded = 0;   // records in the new catalogue
    std::int32_t skipped = 0;  // sets dropped because their element lines were unusable
};

// Builds a new catalogue from the element file and, on success only, replaces `catalogue`
// and re-maps `selection` (may be null). Failures are reported through the prompt and the
// event log; the catalogue is left as it was. Pass-search workers read the catalogue
// without locks, so the owner calls this only while no search runs.
//
// At start: InstallDefaultElementFile(platform::ProgramDirectory(),
// platform::BuiltInDataDirectory()), then load ProgramDirectory()/"keplers" with a
// platform::PrivateTempDir as the work directory.
ElementLoadReport LoadElementFile(const ElementLoadContext& context, KeplerCatalogue& catalogue,
                                  std::vector<SelectedSat>* selection);

// Groups decompressed element text into records. Lines end at LF (a CR before it is dropped
// too) and keep at most 99 characters. Sets whose element lines are shorter than 68
// characters, or that are not a line-1/line-2 pair, are skipped and counted in `skipped`.
KeplerCatalogue ParseElementText(std::string_view text, std::int32_t* skipped = nullptr);

// The catalogue of decompressed element-file text in either form: element lines (as
// ParseElementText) or an OMM document (JSON, CSV or XML), told apart by content. OMM
// records keep their full catalogue number, also above 339999. badRecords counts the sets
// or records dropped; problem names the first OMM fault.
struct ElementTextReport {
    std::int32_t skipped = 0;
    std::string problem;
    bool omm = false;
};
KeplerCatalogue ParseAnyElementText(std::string_view text, ElementTextReport* report = nullptr);

// Epoch of the most recent usable set, leaving out sets dated more than a day past the
// median epoch (elements issued ahead of time); nothing when no set has a readable epoch.
std::optional<cJulianDate> NewestElementEpoch(const KeplerCatalogue& catalogue);

// First start: when programDirectory has no element file, copies the built-in one from
// builtInDirectory and logs it. Returns true when a copy was made. The copy is dated at
// its newest element epoch (never later than now), since the element age shown at start
// is measured from the file's date and the copy's own time would read as brand new.
bool InstallDefaultElementFile(const std::filesystem::path& programDirectory,
                               const std::filesystem::path& builtInDirectory);

}  // namespace orvanta
