#pragma once
// Reader for files of two- or three-line element sets, plain or gzip-compressed.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

struct TleRecord {
    std::string name;   // the line before line 1, unchanged; empty for a two-line set
    std::string line1;  // at most 69 characters, CR removed
    std::string line2;
    int lineNumber = 0;  // 1-based line of line 1 in the file (OMM: record number)
    // The full catalogue number of an OMM record; -1 for element lines, whose columns 3-7
    // hold it (OMM records above 339999 leave those columns blank).
    int catalogueNumber = -1;
};

struct TleReadResult {
    std::vector<TleRecord> records;
    // Element lines that did not pair up ("1 " without a following "2 ", or a lone "2 ").
    int strayLines = 0;
    // OMM input: records dropped (missing fields, wrong types, values the lines cannot
    // hold) and the reason for the first of them.
    int badRecords = 0;
    std::string firstProblem;
};

// Splits text into element sets. Lines starting with '#' and blank lines are skipped, CR
// characters dropped and anything after column 69 ignored (some files carry extra columns
// there). A set is a line starting "1 " directly followed by one starting "2 "; the line
// before it, when it is not an element line itself, is the set's name.
TleReadResult ParseTleText(std::string_view text);

// Element lines, or an OMM document (JSON, CSV or XML), told apart by content.
TleReadResult ParseElementSetText(std::string_view text);

// Most element text a file may hold, after decompression: far more than every catalogued
// object needs, so anything bigger is damaged or hostile and is refused before it fills
// the memory.
inline constexpr std::size_t kMaxElementText = std::size_t(256) << 20;

// Reads a file (gzip-compressed or plain, element lines or OMM, detected from its content). False with a one-line
// reason in error when the file cannot be opened or decompressed, or holds more than
// maxText bytes of text.
// The sets a reader keeps when it is after a few of them: those whose catalogue number (an
// element set's line 1 columns 3-7, an OMM record's own) is one of the numbers. The others
// are passed over before any of their text is copied.
class TleNumberFilter {
public:
    explicit TleNumberFilter(std::vector<int> numbers);
    bool Keeps(int number) const;
    bool Keeps(const TleRecord& record) const;

private:
    std::vector<int> numbers_;  // sorted
};

bool ReadTleFile(const std::string& path, TleReadResult& result, std::string& error,
                 std::size_t maxText = kMaxElementText, const TleNumberFilter* keep = nullptr);

}  // namespace orvanta
