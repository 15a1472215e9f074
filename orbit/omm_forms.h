#pragma once
// Inside the OMM reader: each form of document (JSON, CSV, XML) read into records of named
// fields, one file per form; omm_reader.cpp maps the records onto element lines.
#include <cstddef>
#include <string>
#include <string_view>

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

// Far more than any element service puts in one record (about forty fields, a few hundred
// bytes); a record past either is refused, so a hostile document cannot multiply its size.
constexpr std::size_t MAX_RECORD_FIELDS = 256;
constexpr std::size_t MAX_RECORD_BYTES = 64 * 1024;

// Takes each record as soon as the form's reader has it, so a document never holds more
// than one record's fields at a time. Records are numbered in document order.
class RecordSink {
public:
    RecordSink(OmmReadResult& result, std::size_t maxSets) : result_(result), maxSets_(maxSets) {}
    // A whole record: its element set, or a bad record with the reason.
    void Take(const OmmFields& fields);
    // A record the form's reader could not take (too wide, too long, not an object).
    void Refuse(const std::string& problem);
    std::size_t Count() const { return count_; }

private:
    OmmReadResult& result_;
    std::size_t maxSets_;
    std::size_t count_ = 0;
};

// An array of flat objects, or one object; a syntax error ends the document.
void ReadJson(std::string_view text, OmmReadResult& result, RecordSink& sink);
// A header row naming the fields, then a record a row; a row of another width is dropped.
void ReadCsv(std::string_view text, OmmReadResult& result, RecordSink& sink);
// One record for each <segment>.
void ReadXml(std::string_view text, RecordSink& sink);

}  // namespace orvanta::omm
