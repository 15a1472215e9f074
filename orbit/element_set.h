#pragma once
// One two-line element set: the name line and the two element lines as the element file gives
// them, cut into fifteen text fields by fixed columns.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "orbit/julian_date.h"

namespace orvanta {

enum ElementField : int {
    FLD_NORADNUM = 0,     // catalogue number, line 1 columns 3-7, text as it stands
    FLD_INTLDESC = 1,     // international designator, line 1 columns 10-17
    FLD_SET = 2,          // element set number, line 1 columns 65-68
    FLD_EPOCHYEAR = 3,    // two-digit epoch year, line 1 columns 19-20
    FLD_EPOCHDAY = 4,     // epoch day of year with fraction, line 1 columns 21-32
    FLD_ORBITNUM = 5,     // revolution number at epoch, line 2 columns 64-68
    FLD_I = 6,            // inclination, degrees
    FLD_RAAN = 7,         // right ascension of the ascending node, degrees
    FLD_E = 8,            // eccentricity
    FLD_ARGPER = 9,       // argument of perigee, degrees
    FLD_M = 10,           // mean anomaly, degrees
    FLD_MMOTION = 11,     // mean motion, revolutions per day
    FLD_MMOTIONDT = 12,   // first derivative of mean motion / 2, revolutions per day^2
    FLD_MMOTIONDT2 = 13,  // second derivative of mean motion / 6
    FLD_BSTAR = 14,       // drag term B*, per earth radius
    FLD_LAST = 15
};

enum FieldUnits : int {
    U_RAD = 0,     // the four angles in radians, everything else as written
    U_DEG = 1,     // as written
    U_NATIVE = 2,  // as written
};

// Catalogue number of field 0's text: five digits, or the Alpha-5 form (A0000 = 100000 ...
// Z9999 = 339999, letters I and O unused). Leading blanks count as zeros. -1 when malformed.
int CatalogueNumberFromText(std::string_view text);
// The five-character field text for a catalogue number 0..339999 (Alpha-5 above 99999);
// empty when out of range.
std::string CatalogueNumberToText(int number);

class cElementSet {
public:
    cElementSet() = default;
    cElementSet(const std::string& name, const std::string& line1, const std::string& line2);
    cElementSet(const cElementSet&) = default;
    cElementSet& operator=(const cElementSet&) = default;
    cElementSet(cElementSet&&) = default;
    cElementSet& operator=(cElementSet&&) = default;

    // Both element lines hold at least 68 characters, so every field could be cut, and the
    // epoch has a two-digit year and a day of the year in 1 <= day < 367. An invalid set has
    // empty fields and reads 0 everywhere.
    bool IsValid() const { return valid; }

    // Numeric value of a field in the given units, cached under field + 100 * units.
    double FieldValue(ElementField field, FieldUnits units);
    // The same value without touching the cache (safe on a shared const set).
    double FieldValue(ElementField field, FieldUnits units) const;

    // Replaces text by the field's text, with its unit word (" degrees", " revs / day") when
    // withUnits is set.
    void FieldText(ElementField field, std::string& text, bool withUnits) const;
    std::string FieldText(ElementField field, bool withUnits = false) const;

    const std::string& Name() const { return name; }
    const std::string& Line1() const { return line1; }
    const std::string& Line2() const { return line2; }

    // Catalogue number from field 0 (Alpha-5 aware); -1 when it cannot be read.
    int CatalogueNumber() const { return CatalogueNumberFromText(fields[FLD_NORADNUM]); }
    // Epoch from fields 3 and 4: two-digit years below 57 are 20yy, the rest 19yy.
    cJulianDate Epoch() const;

private:
    void Parse();
    static double ConvertText(const std::string& text, FieldUnits units, ElementField field);

    std::string name;
    std::string line1;
    std::string line2;
    std::array<std::string, FLD_LAST> fields;
    std::map<std::int32_t, double> valueCache;
    bool valid = false;
};

}  // namespace orvanta
