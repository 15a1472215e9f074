#pragma once
// Picking element sets by catalogue number out of a whole file without parsing every set.
#include <vector>

#include "orbit/tle_file.h"

namespace orvanta::cli {

// The catalogue number the pass search gives a record: the OMM record's own, or that of its
// element lines when they parse as a usable set (-1 otherwise).
int RecordCatalogueNumber(const TleRecord& record);

// For each number, the last record of the file with it (a later set replaces an earlier
// one), or nullptr when there is none. The same as RecordCatalogueNumber on every record,
// but only the records whose number columns match are parsed in full.
std::vector<const TleRecord*> FindRecords(const std::vector<TleRecord>& records,
                                          const std::vector<int>& numbers);

}  // namespace orvanta::cli
