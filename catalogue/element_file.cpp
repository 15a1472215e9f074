#include "catalogue/element_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "common/little_endian.h"
#include "orbit/element_set.h"

namespace orvanta {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips leading blanks and one sign, as the C library's number conversions do; true when
// the sign was a minus.
bool SkipBlanksAndSign(std::string_view text, std::size_t& i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
    return false;
}

// Leading blanks skipped, an optional sign, then as much of a decimal number as stands
// there; no number reads as 0. Locale-independent, unlike strtod under a Qt program.
double LeadingDouble(std::string_view text) {
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if (first < last && (IsDigit(*first) || *first == '.')) {
        auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
        if (ec != std::errc()) value = 0.0;
        (void)ptr;
    }
    return negative ? -value : value;
}

}  // namespace

std::int32_t FindCatalogueIndex(const KeplerCatalogue& catalogue, std::int32_t catalogueNumber) {
    for (std::int32_t i = 0; i < catalogue.Count(); ++i)
        if (catalogue.records[static_cast<std::size_t>(i)].catalogueNumber == catalogueNumber)
            return i;
    return NO_CATALOGUE_INDEX;
}

bool IsGeostationary(const KeplerRecord& record) {
    std::string_view line2 = record.Line2();
    std::string_view motion = line2.size() > 53 ? line2.substr(53, 10) : std::string_view();
    double perDay = LeadingDouble(motion) * 86400.0;
    return perDay > 85800.0 && perDay < 87000.0;
}

std::string FormatCatalogueItem(const KeplerRecord& record) {
    std::string text(record.DisplayName());
    text += "   (";
    text += std::to_string(record.catalogueNumber);
    text += ')';
    return text;
}

KeplerRecord MakeKeplerRecord(std::string_view name, std::string_view line1,
                              std::string_view line2) {
    KeplerRecord k;
    auto copy = [](char (&to)[KEPLER_TEXT_SIZE], std::string_view text) {
        const std::size_t n = std::min(text.size(), KEPLER_TEXT_SIZE - 1);
        std::memcpy(to, text.data(), n);
        to[n] = '\0';
    };
    copy(k.name, name);
    copy(k.line1, line1);
    copy(k.line2, line2);
    k.catalogueNumber = line1.size() > 2 ? ParseCatalogueNumber(line1.substr(2, 5)) : 0;
    return k;
}

std::int32_t ParseCatalogueNumber(std::string_view field) {
    if (field.size() > 5) field = field.substr(0, 5);
    // A capital letter opens the Alpha-5 form, read as the element-set parser reads it.
    if (field.size() == 5 && field[0] >= 'A' && field[0] <= 'Z') {
        int alpha5 = CatalogueNumberFromText(field);
        if (alpha5 >= 0) return alpha5;
    }
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(field, i);
    std::int32_t value = 0;
    for (; i < field.size() && IsDigit(field[i]); ++i) value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

void RemapSelection(const KeplerCatalogue& catalogue, std::vector<SelectedSat>& selection) {
    for (SelectedSat& entry : selection)
        entry.catalogueIndex = FindCatalogueIndex(catalogue, entry.catalogueNumber);
}

const KeplerRecord* SelectedRecord(const KeplerCatalogue& catalogue, const SelectedSat& entry) {
    const KeplerRecord* record = catalogue.At(entry.catalogueIndex);
    // An index from an older catalogue may point at another satellite: trust the number.
    return record && record->catalogueNumber == entry.catalogueNumber ? record : nullptr;
}

std::vector<std::uint8_t> SelectionToBlob(const std::vector<SelectedSat>& selection) {
    std::vector<std::uint8_t> blob(selection.size() * SELECTED_SAT_SIZE);
    std::uint8_t* p = blob.data();
    for (const SelectedSat& s : selection) {
        PutInt32LE(p + 0, s.catalogueNumber);
        PutInt32LE(p + 4, s.catalogueIndex);
        PutInt32LE(p + 8, s.shown);
        PutInt32LE(p + 12, s.track);
        PutInt32LE(p + 16, s.radioHorizon);
        PutInt32LE(p + 20, s.nameLabel);
        p += SELECTED_SAT_SIZE;
    }
    return blob;
}

std::vector<SelectedSat> SelectionFromBlob(const std::uint8_t* data, std::size_t size,
                                           std::uint32_t count) {
    std::size_t whole = data ? size / SELECTED_SAT_SIZE : 0;
    if (whole > count) whole = count;
    std::vector<SelectedSat> selection(whole);
    for (std::size_t i = 0; i < whole; ++i) {
        const std::uint8_t* p = data + i * SELECTED_SAT_SIZE;
        SelectedSat& s = selection[i];
        s.catalogueNumber = GetInt32LE(p + 0);
        s.catalogueIndex = GetInt32LE(p + 4);
        s.shown = GetInt32LE(p + 8);
        s.track = GetInt32LE(p + 12);
        s.radioHorizon = GetInt32LE(p + 16);
        s.nameLabel = GetInt32LE(p + 20);
    }
    return selection;
}

}  // namespace orvanta
