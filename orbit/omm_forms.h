#pragma once
// Inside the OMM reader: each form of document (JSON, CSV, XML) read into records of named
// fields, one file per form; omm_reader.cpp maps the records onto element lines.
#include <string_view>
#include <vector>

#include "orbit/omm_reader.h"

namespace orvanta::omm {

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// An array of flat objects, or one object; a syntax error ends the document.
void ReadJson(std::string_view text, OmmReadResult& result, std::vector<OmmFields>& records);
// A header row naming the fields, then a record a row; a row of another width is dropped.
void ReadCsv(std::string_view text, OmmReadResult& result, std::vector<OmmFields>& records);
// One record for each <segment>.
void ReadXml(std::string_view text, std::vector<OmmFields>& records);

}  // namespace orvanta::omm
