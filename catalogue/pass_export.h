#pragma once
// Passes as text for other programs: the CSV table of `orvanta-cli passes` (RFC 4180) and
// iCalendar (RFC 5545, one VEVENT per pass), shared by the command line and File → Export.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/pass_record.h"
#include "orbit/julian_date.h"  // FormatIsoUtcSeconds

namespace orvanta {

struct PassExportRow {
    int catalogueNumber = 0;
    std::string name;  // trailing blanks are dropped on output
    PassRecord record;
};

// RFC 4180: a field holding a comma, a quote or a line break is quoted, quotes doubled.
std::string CsvField(const std::string& text);

// Header line of the pass table (no line end): the original sixteen columns, then
// culmination_utc, culmination_el, sunlit_at_aos, visible_start_utc, visible_end_utc,
// visible_max_el, brightest_mag, brightest_utc.
std::string PassCsvHeader();
// One row, with its line end. The visibility columns are empty when the record has none.
std::string PassCsvRow(const PassExportRow& row);
// The same row appended to out, for a table built in one string.
void AppendPassCsvRow(std::string& out, const PassExportRow& row);
// The same from the row's parts, for a caller that holds the record elsewhere.
void AppendPassCsvRow(std::string& out, int catalogueNumber, std::string_view name,
                      const PassRecord& record);
// Header and every row, "\n" line ends.
std::string PassesCsv(const std::vector<PassExportRow>& rows);

// An iCalendar object with one event per pass (UTC times, CRLF line ends, lines folded at
// 75 octets). stampJd is the DTSTAMP of every event (the time of the export). The UID is
// stable: catalogue number and AOS, so a re-export updates the same calendar entries.
// alarmMinutes >= 0 gives each event a display reminder that many minutes before AOS.
std::string PassesICalendar(const std::vector<PassExportRow>& rows, double stampJd,
                            int alarmMinutes = -1);
// The same in pieces, for output written as it comes: the calendar's first lines, one
// pass's VEVENT (empty for an empty record) and the last line.
std::string ICalendarBegin();
std::string PassICalEvent(const PassExportRow& row, double stampJd, int alarmMinutes = -1);
std::string ICalendarEnd();

}  // namespace orvanta
