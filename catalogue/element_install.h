#pragma once
// Turning a downloaded body into the element file: check it, convert it to gzip-compressed
// three-line sets, and put it in place atomically so that a failed or cut download never
// harms the file that is there.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/element_file.h"

namespace orvanta {

// Bounds on what a download may hand us: the body as received and its decompressed text.
constexpr std::size_t MAX_ELEMENT_BODY = std::size_t(64) << 20;
constexpr std::size_t MAX_ELEMENT_TEXT = std::size_t(256) << 20;

// Name, line 1, line 2 of every record, LF line ends. Records whose number has no
// five-column form (above 339999) are left out and counted in skippedAbove.
std::string ThreeLineText(const KeplerCatalogue& catalogue, std::int32_t* skippedAbove = nullptr);

// A single-member gzip file of the bytes.
std::vector<std::uint8_t> GzipBytes(std::string_view data);

// Writes a temporary file beside target, flushes it and renames it over target. On any
// failure target is untouched, the temporary file removed and error says why.
bool WriteFileAtomically(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes,
                         std::string& error);

struct ElementInstallResult {
    bool ok = false;
    std::string message;              // failure: one line for the log
    std::int32_t written = 0;         // sets in the file written
    std::int32_t skippedAbove = 0;    // records above 339999 not written
    std::int32_t badRecords = 0;      // records or sets dropped as unreadable
    std::string firstProblem;         // reason for the first of them
    bool damaged = false;             // a gzip body that is damaged or cut short
    KeplerCatalogue catalogue;        // every usable set, including those above 339999
};

// Checks that body (gzip or plain; element lines or OMM) holds at least one valid element
// set, then writes target as the gzip-compressed three-line file. A gzip body of element
// lines is stored unchanged. maxText bounds the decompressed text.
ElementInstallResult InstallElementData(const std::vector<std::uint8_t>& body,
                                        const std::filesystem::path& target,
                                        std::size_t maxText = MAX_ELEMENT_TEXT);

// The text of a service's error answer given in place of element sets: the "error" of a
// JSON object ({"error":"..."}) or a short text body without element lines, cleaned of
// control characters and cut to a line. Empty when the body does not look like one.
std::string ServiceErrorText(std::string_view body);

// "The new element sets are 12h 00m old (newest epoch <when>)", with the warnings of the
// pass search's age line past 2 and 6 days; level gets the event-log level.
std::string NewElementsAgeLine(double ageDays, const std::string& newestEpoch, int& level);

// The log line for skipped records above 339999: "%d element sets above catalogue number
// 339999 kept in memory only (the three-line file cannot hold them)".
std::string SkippedAboveLine(std::int32_t count);

}  // namespace orvanta
