#include "cli/element_lookup.h"

#include <string_view>
#include <unordered_map>

#include "orbit/element_set.h"

namespace orvanta::cli {
namespace {

// Columns 3-7 of line 1, which a full parse takes the number from when the set is usable.
int NumberColumns(const TleRecord& record) {
    if (record.catalogueNumber >= 0) return record.catalogueNumber;
    if (record.line1.size() < 7) return -1;
    return CatalogueNumberFromText(std::string_view(record.line1).substr(2, 5));
}

}  // namespace

int RecordCatalogueNumber(const TleRecord& record) {
    if (record.catalogueNumber >= 0) return record.catalogueNumber;
    return cElementSet(record.name, record.line1, record.line2).CatalogueNumber();
}

std::vector<const TleRecord*> FindRecords(const std::vector<TleRecord>& records,
                                          const std::vector<int>& numbers) {
    std::unordered_map<int, const TleRecord*> wanted;
    wanted.reserve(numbers.size());
    for (int n : numbers) wanted.emplace(n, nullptr);
    // Backwards, so the first usable match is the last in the file. A set whose columns match
    // but which does not parse (short lines, a bad epoch) has no number and is passed over.
    std::size_t open = wanted.size();
    for (auto r = records.rbegin(); r != records.rend() && open > 0; ++r) {
        const auto it = wanted.find(NumberColumns(*r));
        if (it == wanted.end() || it->second) continue;
        if (RecordCatalogueNumber(*r) != it->first) continue;
        it->second = &*r;
        --open;
    }
    std::vector<const TleRecord*> out;
    out.reserve(numbers.size());
    for (int n : numbers) out.push_back(wanted[n]);
    return out;
}

}  // namespace orvanta::cli
