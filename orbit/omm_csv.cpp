// OMM documents in CSV: a header row of field names, then one record a row.
#include <string>

#include "orbit/omm_forms.h"

namespace orvanta::omm {

namespace {

// RFC 4180 rows: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<std::vector<std::string>> CsvRows(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n') {
            if (any || !field.empty()) {
                row.push_back(std::move(field));
                rows.push_back(std::move(row));
            }
            row.clear();
            field.clear();
            any = false;
        } else if (c != '\r') {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

void ReadCsv(std::string_view text, OmmReadResult& result, std::vector<OmmFields>& records) {
    auto rows = CsvRows(text);
    if (rows.empty()) return;
    const std::vector<std::string>& header = rows.front();
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() != header.size()) {
            ++result.badRecords;
            if (result.firstProblem.empty())
                result.firstProblem = "row " + std::to_string(r + 1) + " has " +
                                      std::to_string(rows[r].size()) + " columns, not " +
                                      std::to_string(header.size());
            continue;
        }
        OmmFields f;
        for (std::size_t c = 0; c < header.size(); ++c)
            f[std::string(Trim(header[c]))] = OmmValue{rows[r][c], true};
        records.push_back(std::move(f));
    }
}

}  // namespace orvanta::omm
