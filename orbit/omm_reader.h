#pragma once
// Orbit Mean-Elements Messages (CCSDS OMM) as the element services publish them: JSON,
// CSV and XML. Each record becomes the three lines of an element set holding the same
// fifteen field values, so the rest of the program sees only element lines.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

enum class ElementTextFormat { ThreeLine, OmmJson, OmmCsv, OmmXml };

// Decides by content: '[' or '{' opens JSON, '<' XML, a first line naming NORAD_CAT_ID
// among comma-separated columns CSV; anything else is read as element lines.
ElementTextFormat DetectElementTextFormat(std::string_view text);

inline bool IsOmm(ElementTextFormat f) { return f != ElementTextFormat::ThreeLine; }

// One value of a record: its text, and whether it was a plain value (number or string)
// rather than an object, an array or a boolean.
struct OmmValue {
    std::string text;
    bool scalar = true;
};
using OmmFields = std::map<std::string, OmmValue>;

struct OmmSet {
    std::string name;
    std::string line1;  // 69 characters with checksum
    std::string line2;
    int catalogueNumber = 0;  // the full number; above 339999 the lines carry blanks there
};

struct OmmReadResult {
    std::vector<OmmSet> sets;
    int badRecords = 0;        // records dropped, each for one reason
    std::string firstProblem;  // why the first of them was dropped
    std::string documentError; // non-empty when the text could not be read to its end
};

// Highest catalogue number the five-column field can hold (Alpha-5 "Z9999").
constexpr int MAX_ALPHA5_NUMBER = 339999;

// Most element sets kept from one document, several times the whole public catalogue: a set
// costs two whole lines however short its record, so a flood of tiny records stops here.
constexpr std::size_t MAX_OMM_SETS = 500000;

// Reads every record of an OMM document in the given format (JSON, CSV or XML); records
// past the first maxSets sets are counted as bad.
OmmReadResult ReadOmmText(std::string_view text, ElementTextFormat format,
                          std::size_t maxSets = MAX_OMM_SETS);
inline OmmReadResult ReadOmmText(std::string_view text) {
    return ReadOmmText(text, DetectElementTextFormat(text));
}

// The element set of one record; false with the reason when a field is missing, is not
// a number where one is needed, or does not fit its element-line columns.
bool OmmFieldsToSet(const OmmFields& fields, OmmSet& set, std::string& problem);

// Modulo-10 checksum of the first 68 columns (digits count their value, '-' counts 1).
int ElementLineChecksum(std::string_view line);

}  // namespace orvanta
