#pragma once
// The program's own updates: the version file the vendor's server offers, the lines the
// checks log and ask, and the files of an update beside the executable (download, unpacked
// new program, previous program) with the swap that puts the new one in place.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/version.h"
#include "maintenance/vendor_server.h"

namespace orvanta {

// Path of the version file under the update base URL ("Update URL").
inline constexpr char kVersionFilePath[] = "/version32.txt";

struct VersionFile {
    std::string version;    // line 1 without its line end, at most 8 characters
    std::string updateUrl;  // line 2: the gzip-compressed program
    std::string notes;      // the further lines as read, line ends kept, at most 1023
};
inline constexpr std::size_t kMaxVersionChars = 8;
inline constexpr std::size_t kMaxNotesChars = 1023;

// A version as a release names itself: digits and dots from a digit on ("1.1.14"), and
// optionally a label of letters, digits and " +-._" after it ("1.2b", "2.0-rc1"). The
// text reaches the log, the terminal and message boxes, so nothing else may pass.
bool IsVersionText(std::string_view version);

// False when the text is not a version file (a NUL byte, larger than a version file can
// sensibly be, or a first line that is no version, as an HTML page's), so "Failed to read
// version file!" applies. An empty first line is read, as "no version information". The
// notes lose their control characters other than line ends and tabs.
bool ReadVersionFile(std::string_view text, VersionFile& file);

// What a check concluded, as the silent check logs it (level of common/event_log.h).
struct UpdateCheckLine {
    bool ok = false;  // up to date or an update on offer; false for every failure
    bool updateAvailable = false;
    std::string text;
    int level = 2;
};
// The silent check's line for a downloaded version file (downloaded false: the download
// failed).
UpdateCheckLine SilentCheckLine(bool downloaded, std::string_view body,
                                std::string_view ownVersion = kProgramVersion);
// "Failed to check for program updates!" followed by why in brackets ("HTTP status 404",
// "connection refused", "timed out"), when known.
std::string CheckFailedText(std::string_view why);
// The silent check's line for a version file that could not be had, and why.
UpdateCheckLine SilentCheckFailure(std::string_view why);

// The texts, character for character.
inline constexpr char kUpdateCaption[] = "Orvanta Update";
inline constexpr char kCheckFailed[] = "Failed to check for program updates!";
inline constexpr char kVersionFileUnreadable[] = "Failed to read version file!";
inline constexpr char kNoVersionInformation[] =
    "Error obtaining version information from the Internet!";
inline constexpr char kUpdateAvailableLog[] =
    "Orvanta version %s is available. Click 'Help' -> 'Check for updates' to update "
    "automatically.";
// Names the edition of this build.
inline constexpr const char* kUpToDate =
    sizeof(void*) == 4 ? "You're running Orvanta %s (32-bit). You're up to date."
                       : "You're running Orvanta %s (64-bit). You're up to date.";
inline constexpr char kUpdateQuestionWithNotes[] =
    "Orvanta version %s is available.\n%s\n\nWould you like to update now?";
inline constexpr char kUpdateQuestion[] =
    "Orvanta version %s is available. Would you like to update now?";
inline constexpr char kDownloadFailed[] = "The download of the update failed!";
inline constexpr char kUnpackingStatus[] = "Downloading done, unzipping and replacing files...";
inline constexpr char kUnzipFailed[] = "Error unzipping the update!";
inline constexpr char kUpdateComplete[] =
    "Program update complete. Orvanta needs to exit now. Would you like to restart?";
inline constexpr char kLocatingStatus[] = "Locating server %s";
inline constexpr char kConnectingStatus[] = "Connecting to server %s";
inline constexpr char kBeginningStatus[] = "Beginning download from %s";
inline constexpr char kDownloadingStatus[] = "Downloading update: %02.1f%%";
// Refusals that keep an update from doing harm.
inline constexpr char kInsecureUpdate[] =
    "Orvanta version %s is available, but it is not offered over a secure connection "
    "(HTTPS), so it cannot be installed automatically. Please download it from our website.";
inline constexpr char kUpdateNotWritable[] =
    "Orvanta version %s is available, but the program's folder %s cannot be written to. "
    "Please update Orvanta through your system's package manager.";
inline constexpr char kUpdateTooSmall[] =
    "The update is damaged: unpacked it is only %lld bytes long. Nothing has been changed.";
inline constexpr char kSwapFailed[] =
    "The update could not replace the program (%s). Nothing has been changed.";

// An "Update URL" under a reserved example name (vendor_server.h) is not asked; this line
// says so instead of a failure at every start.
inline constexpr char kNoUpdateServer[] =
    "No update server is set (\"Update URL\" is %s), so Orvanta did not check for program "
    "updates. Updates come with your system's package manager.";

// The question for an offered version: the long form when the notes say something.
std::string UpdateQuestion(const VersionFile& file);

// A new program smaller than this is no program of ours (an error page, a truncated file).
inline constexpr std::uintmax_t kMinimumProgramBytes = 100 * 1024;

// The files of an update: for "orvanta" (or "Orvanta.exe") the download "orvanta.gz", the
// unpacked "orvanta.tmp" ("Orvanta.exe.tmp") and the previous program "orvanta.old"
// ("Orvanta.old"), all beside the executable.
struct UpdatePaths {
    std::filesystem::path executable, download, temporary, old;
};
UpdatePaths UpdatePathsFor(const std::filesystem::path& executable);

enum class UnpackStatus { Ok, UnzipFailed, TooSmall };
// Unpacks the download into the temporary file and gives it the executable's permissions
// (at least the owner's execute bit). Any failure removes the temporary file, so a
// leftover one never blocks the next attempt; detail then says why.
UnpackStatus UnpackUpdate(const UpdatePaths& paths, std::string& detail);

// Puts the unpacked program in place: the old one becomes the ".old" file, the new one
// takes its name, the ".old" file and the download are deleted (the ".old" one only where
// the system lets go of a running program). When the new name cannot be taken the old
// program is put back. False with the reason in error.
bool SwapInUpdate(const UpdatePaths& paths, std::string& error);

// The process-wide restart request the main window reads when it closes.
void RequestRestart(bool restart);
bool RestartRequested();

}  // namespace orvanta
