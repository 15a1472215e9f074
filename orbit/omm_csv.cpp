// OMM documents in CSV: a header row of field names, then one record a row.
#include <string>
#include <vector>

#include "orbit/omm_forms.h"

namespace orvanta::omm {

namespace {

// RFC 4180 rows read one at a time: quoted fields may hold commas, doubled quotes and line
// breaks. The row's fields live in buffers reused from row to row, and only the first
// `keep` of them are stored, so a row costs at most its own length however it is made.
class CsvRowReader {
public:
    explicit CsvRowReader(std::string_view text) : s_(text) {}

    // The next row that holds anything; false at the end of the text.
    bool Next(std::size_t keep) {
        for (;;) {
            if (i_ >= s_.size()) return false;
            const std::size_t start = i_;
            columns_ = 0;
            bool quoted = false, any = false;
            Open(keep);
            for (; i_ < s_.size(); ++i_) {
                const char c = s_[i_];
                if (quoted) {
                    if (c != '"') {
                        Append(c);
                    } else if (i_ + 1 < s_.size() && s_[i_ + 1] == '"') {
                        Append('"');
                        ++i_;
                    } else {
                        quoted = false;
                    }
                } else if (c == '"') {
                    quoted = any = true;
                } else if (c == ',') {
                    ++columns_;
                    Open(keep);
                    any = true;
                } else if (c == '\n') {
                    break;
                } else if (c != '\r') {
                    Append(c);
                    any = true;
                }
            }
            bytes_ = i_ - start;
            if (i_ < s_.size()) ++i_;  // the line break
            if (any) {
                ++columns_;
                return true;
            }
        }
    }

    std::size_t Columns() const { return columns_; }
    std::size_t Bytes() const { return bytes_; }
    // Field c of the row, for c below both Columns() and the `keep` it was read with.
    const std::string& Field(std::size_t c) const { return fields_[c]; }

private:
    // Starts field number columns_, stored only when it is one of the first `keep`.
    void Open(std::size_t keep) {
        current_ = nullptr;
        if (columns_ >= keep) return;
        if (columns_ >= fields_.size()) fields_.emplace_back();
        current_ = &fields_[columns_];
        current_->clear();
    }
    void Append(char c) {
        if (current_ && current_->size() < MAX_RECORD_BYTES) current_->push_back(c);
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::size_t columns_ = 0;
    std::size_t bytes_ = 0;
    std::vector<std::string> fields_;
    std::string* current_ = nullptr;
};

}  // namespace

void ReadCsv(std::string_view text, OmmReadResult& result, RecordSink& sink) {
    CsvRowReader rows(text);
    if (!rows.Next(MAX_RECORD_FIELDS)) return;
    if (rows.Columns() > MAX_RECORD_FIELDS || rows.Bytes() > MAX_RECORD_BYTES) {
        result.documentError = "CSV header row has more than " + std::to_string(MAX_RECORD_FIELDS) +
                               " columns or " + std::to_string(MAX_RECORD_BYTES) + " bytes";
        return;
    }
    std::vector<std::string> header;
    for (std::size_t c = 0; c < rows.Columns(); ++c) header.emplace_back(Trim(rows.Field(c)));
    OmmFields f;
    for (std::size_t r = 2; rows.Next(header.size()); ++r) {
        if (rows.Columns() != header.size()) {
            sink.Refuse("row " + std::to_string(r) + " has " + std::to_string(rows.Columns()) +
                        " columns, not " + std::to_string(header.size()));
            continue;
        }
        if (rows.Bytes() > MAX_RECORD_BYTES) {
            sink.Refuse("row " + std::to_string(r) + " is longer than " +
                        std::to_string(MAX_RECORD_BYTES) + " bytes");
            continue;
        }
        for (std::size_t c = 0; c < header.size(); ++c) f[header[c]].text = rows.Field(c);
        sink.Take(f);
    }
}

}  // namespace orvanta::omm
