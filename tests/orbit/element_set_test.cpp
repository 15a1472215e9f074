// Two-line element sets: field cutting, the exponent notation, units and the cache, catalogue
// numbers in the Alpha-5 form, and lines too short to cut.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <random>

#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/orbit.h"

namespace orvanta {
namespace {

// ISS (ZARYA), CelesTrak 2026-05-07.
const char* kName = "ISS (ZARYA)             ";
const char* kLine1 = "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
const char* kLine2 = "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437";

// Builds line 1 with the given texts at columns 34-44 (first derivative), 45-52 (second
// derivative) and 54-61 (B*).
std::string Line1With(const std::string& ndot, const std::string& nddot, const std::string& bstar) {
    std::string l = kLine1;
    l.replace(33, 11, ndot);
    l.replace(44, 8, nddot);
    l.replace(53, 8, bstar);
    return l;
}

TEST(ElementSet, CutsTheFifteenFields) {
    const cElementSet set(kName, kLine1, kLine2);
    ASSERT_TRUE(set.IsValid());
    EXPECT_EQ(set.FieldText(FLD_NORADNUM), "25544");
    EXPECT_EQ(set.FieldText(FLD_INTLDESC), "98067A  ");  // blanks kept
    EXPECT_EQ(set.FieldText(FLD_SET), "999");
    EXPECT_EQ(set.FieldText(FLD_EPOCHYEAR), "26");
    EXPECT_EQ(set.FieldText(FLD_EPOCHDAY), "127.42525608");
    EXPECT_EQ(set.FieldText(FLD_ORBITNUM), "56543");
    EXPECT_EQ(set.FieldText(FLD_I), "51.6306");
    EXPECT_EQ(set.FieldText(FLD_RAAN), "141.8725");
    EXPECT_EQ(set.FieldText(FLD_E), "0.0007388");
    EXPECT_EQ(set.FieldText(FLD_ARGPER), "32.8924");
    EXPECT_EQ(set.FieldText(FLD_M), "327.2523");
    EXPECT_EQ(set.FieldText(FLD_MMOTION), "15.49130994");
    EXPECT_EQ(set.FieldText(FLD_MMOTIONDT), "0.00005474 ");
    EXPECT_EQ(set.FieldText(FLD_MMOTIONDT2), "0.000000000");
    EXPECT_EQ(set.FieldText(FLD_BSTAR), "0.000106950");
    EXPECT_EQ(set.Name(), kName);
    EXPECT_EQ(set.CatalogueNumber(), 25544);
    EXPECT_DOUBLE_EQ(set.FieldValue(FLD_ORBITNUM, U_NATIVE), 56543.0);
}

TEST(ElementSet, EccentricityHasAnImpliedPoint) {
    std::string l2 = kLine2;
    l2.replace(26, 7, "0001234");
    cElementSet set("", kLine1, l2);
    EXPECT_DOUBLE_EQ(set.FieldValue(FLD_E, U_NATIVE), 0.0001234);
}

TEST(ElementSet, FirstDerivativeSign) {
    cElementSet minus("", Line1With("-.00012345 ", " 00000-0", " 00000-0"), kLine2);
    EXPECT_EQ(minus.FieldText(FLD_MMOTIONDT), "-0.00012345 ");
    EXPECT_DOUBLE_EQ(minus.FieldValue(FLD_MMOTIONDT, U_NATIVE), -0.00012345);
    for (const char* ndot : {" .00012345 ", "+.00012345 "}) {
        cElementSet plus("", Line1With(ndot, " 00000-0", " 00000-0"), kLine2);
        EXPECT_DOUBLE_EQ(plus.FieldValue(FLD_MMOTIONDT, U_NATIVE), 0.00012345) << ndot;
    }
}

TEST(ElementSet, ExponentNotation) {
    struct Case {
        const char* columns;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {" 12345-4", 1.2345e-5, "0.000012345"},
        {"-11606-4", -1.1606e-5, "-0.000011606"},
        {" 00000-0", 0.0, "0.000000000"},
        {" 00000+0", 0.0, "0.000000000"},
        {" 12345-5", 1.235e-6, "0.000001235"},  // printed with nine decimals
        {" 10000+1", 1.0, "1.000000000"},
        {" 50000-9", 1e-9, "0.000000001"},       // the value is read back from the text
        {" 40000-9", 0.0, "0.000000000"},        // below 5e-10: nine zeros
        {" 01234-3", 0.0001234, "0.000123400"},  // a leading zero of the mantissa is lost
    };
    for (const Case& c : cases) {
        cElementSet set("", Line1With(" .00000000 ", " 00000-0", c.columns), kLine2);
        EXPECT_EQ(set.FieldText(FLD_BSTAR), c.text) << c.columns;
        EXPECT_NEAR(set.FieldValue(FLD_BSTAR, U_NATIVE), c.value, 5e-10) << c.columns;
        cElementSet second("", Line1With(" .00000000 ", c.columns, " 00000-0"), kLine2);
        EXPECT_EQ(second.FieldText(FLD_MMOTIONDT2), c.text) << c.columns;
    }
}

TEST(ElementSet, UnitsAndCache) {
    cElementSet set(kName, kLine1, kLine2);
    std::string l2 = kLine2;
    l2.replace(8, 8, " 51.6416");
    cElementSet inc("", kLine1, l2);
    EXPECT_NEAR(inc.FieldValue(FLD_I, U_RAD), 0.9013159509979, 1e-13);
    EXPECT_DOUBLE_EQ(inc.FieldValue(FLD_I, U_NATIVE), 51.6416);
    EXPECT_DOUBLE_EQ(inc.FieldValue(FLD_I, U_DEG), 51.6416);
    // Cached values come back identical, and the const read agrees with the cached one.
    EXPECT_EQ(inc.FieldValue(FLD_I, U_RAD), std::as_const(inc).FieldValue(FLD_I, U_RAD));
    // Only the four angles convert to radians.
    EXPECT_DOUBLE_EQ(set.FieldValue(FLD_MMOTION, U_RAD), 15.49130994);
    EXPECT_DOUBLE_EQ(set.FieldValue(FLD_M, U_RAD), 327.2523 * DEG_TO_RAD);
    // A copy carries the cache and the texts.
    const cElementSet copy = set;
    EXPECT_EQ(copy.FieldText(FLD_E), "0.0007388");
    EXPECT_DOUBLE_EQ(copy.FieldValue(FLD_M, U_RAD), 327.2523 * DEG_TO_RAD);
}

TEST(ElementSet, UnitWords) {
    const cElementSet set(kName, kLine1, kLine2);
    std::string text = "overwritten";
    set.FieldText(FLD_MMOTION, text, true);
    EXPECT_EQ(text, "15.49130994 revs / day");
    set.FieldText(FLD_E, text, true);
    EXPECT_EQ(text, "0.0007388");
    set.FieldText(FLD_I, text, true);
    EXPECT_EQ(text, "51.6306 degrees");
    set.FieldText(FLD_BSTAR, text, true);
    EXPECT_EQ(text, "0.000106950");
    set.FieldText(FLD_I, text, false);
    EXPECT_EQ(text, "51.6306");
}

TEST(ElementSet, EpochCentury) {
    std::string l1 = kLine1;
    l1.replace(18, 2, "56");
    EXPECT_DOUBLE_EQ(cElementSet("", l1, kLine2).Epoch().Date(),
                     cJulianDate(2056, 127.42525608).Date());
    l1.replace(18, 2, "57");
    EXPECT_DOUBLE_EQ(cElementSet("", l1, kLine2).Epoch().Date(),
                     cJulianDate(1957, 127.42525608).Date());
}

TEST(ElementSet, EpochOutsideTheCalendarMakesTheSetInvalid) {
    // Columns 19-20 the year, 21-32 the day of the year with its fraction.
    auto withEpoch = [](const std::string& year, const std::string& day) {
        std::string l1 = kLine1;
        l1.replace(18, 2, year);
        l1.replace(20, 12, day);
        return cElementSet("", l1, kLine2);
    };
    EXPECT_TRUE(withEpoch("26", "001.00000000").IsValid());
    EXPECT_TRUE(withEpoch("24", "366.99999999").IsValid());  // the last moment of a leap year
    for (const char* day : {"999999999999", "      -60000", "000.99999999", "367.00000000",
                            "            ", "nan         ", "inf         ", "1e300       "}) {
        const cElementSet set = withEpoch("26", day);
        EXPECT_FALSE(set.IsValid()) << day;
        EXPECT_EQ(set.FieldText(FLD_EPOCHDAY), "") << day;
        EXPECT_FALSE(cOrbit(set).IsValid()) << day;
    }
    for (const char* year : {" 6", "6 ", "-6", "+6", "  ", "2A"})
        EXPECT_FALSE(withEpoch(year, "127.42525608").IsValid()) << year;
}

TEST(ElementSet, ReadsNumbersWhateverTheCLocale) {
    // The user interface may switch the C locale to one with a decimal comma.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            switched = true;
            break;
        }
    }
    cElementSet set(kName, kLine1, kLine2);
    EXPECT_DOUBLE_EQ(set.FieldValue(FLD_MMOTION, U_NATIVE), 15.49130994);
    EXPECT_EQ(set.FieldText(FLD_BSTAR), "0.000106950");
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched) GTEST_SKIP() << "no other locale installed";
}

TEST(ElementSet, ShortLinesAreNeverReadPastTheirEnd) {
    const std::string l1 = kLine1;
    const std::string l2 = kLine2;
    // 68 characters are enough; one fewer on either line is not.
    EXPECT_TRUE(cElementSet("", l1.substr(0, 68), l2.substr(0, 68)).IsValid());
    for (std::size_t n : {0u, 1u, 20u, 67u}) {
        const cElementSet a("", l1.substr(0, n), l2);
        const cElementSet b("", l1, l2.substr(0, n));
        EXPECT_FALSE(a.IsValid()) << n;
        EXPECT_FALSE(b.IsValid()) << n;
        EXPECT_EQ(a.FieldValue(FLD_MMOTION, U_NATIVE), 0.0);
        EXPECT_EQ(b.FieldText(FLD_NORADNUM), "");
        EXPECT_EQ(b.CatalogueNumber(), -1);
        const cOrbit orbit(b);
        EXPECT_FALSE(orbit.IsValid());
        cEci eci;
        EXPECT_FALSE(orbit.PositionAt(0.0, eci));
        EXPECT_EQ(eci.Units(), UNITS_NONE);
    }
}

TEST(ElementSet, GarbageReadsAsZero) {
    std::string l2 = kLine2;
    l2.replace(52, 11, "abcdefghijk");
    cElementSet set("", kLine1, l2);
    EXPECT_TRUE(set.IsValid());
    EXPECT_EQ(set.FieldValue(FLD_MMOTION, U_NATIVE), 0.0);
    // A zero mean motion has no period and no orbit to propagate.
    const cOrbit orbit(set);
    EXPECT_EQ(orbit.Period(), 0.0);
    cEci eci;
    EXPECT_FALSE(orbit.PositionAt(10.0, eci));
}

TEST(CatalogueNumber, FiveDigitsAndAlpha5) {
    EXPECT_EQ(CatalogueNumberFromText("25544"), 25544);
    EXPECT_EQ(CatalogueNumberFromText("00005"), 5);
    EXPECT_EQ(CatalogueNumberFromText("    5"), 5);
    EXPECT_EQ(CatalogueNumberFromText("99999"), 99999);
    EXPECT_EQ(CatalogueNumberFromText("A0000"), 100000);
    EXPECT_EQ(CatalogueNumberFromText("H9999"), 179999);
    EXPECT_EQ(CatalogueNumberFromText("J0000"), 180000);  // I is skipped
    EXPECT_EQ(CatalogueNumberFromText("N9999"), 229999);
    EXPECT_EQ(CatalogueNumberFromText("P0000"), 230000);  // O is skipped
    EXPECT_EQ(CatalogueNumberFromText("Z9999"), 339999);
    for (const char* bad : {"I0000", "O1234", "A12", "123456", "12 45", "     ", "1234x", "-1234"})
        EXPECT_EQ(CatalogueNumberFromText(bad), -1) << bad;
    for (int n : {0, 5, 99999, 100000, 179999, 180000, 229999, 230000, 339999, 270433})
        EXPECT_EQ(CatalogueNumberFromText(CatalogueNumberToText(n)), n) << n;
    EXPECT_EQ(CatalogueNumberToText(100000), "A0000");
    EXPECT_EQ(CatalogueNumberToText(339999), "Z9999");
    EXPECT_EQ(CatalogueNumberToText(340000), "");
    EXPECT_EQ(CatalogueNumberToText(-1), "");
}

TEST(CatalogueNumber, Alpha5InAnElementLineKeepsItsText) {
    std::string l1 = kLine1, l2 = kLine2;
    l1.replace(2, 5, "T0042");
    l2.replace(2, 5, "T0042");
    const cElementSet set("", l1, l2);
    EXPECT_EQ(set.FieldText(FLD_NORADNUM), "T0042");
    EXPECT_EQ(set.CatalogueNumber(), 270042);
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

TEST(ElementSet, MalformedLinesNeverCrash) {
    // Real lines with characters overwritten at random, and lines of random bytes: every set
    // either is invalid or yields an orbit whose requests succeed or fail cleanly.
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255), column(0, 68), length(0, 80);
    for (int round = 0; round < 3000; ++round) {
        std::string l1 = kLine1, l2 = kLine2;
        if (round % 3 == 0) {
            l1.assign(length(rng), ' ');
            l2.assign(length(rng), ' ');
            for (char& c : l1) c = static_cast<char>(byte(rng));
            for (char& c : l2) c = static_cast<char>(byte(rng));
        } else {
            for (int k = 0; k < 1 + round % 7; ++k) {
                l1[column(rng)] = static_cast<char>(byte(rng));
                l2[column(rng)] = static_cast<char>(byte(rng));
            }
        }
        cElementSet set("", l1, l2);
        std::string text;
        for (int f = 0; f < FLD_LAST; ++f) {
            set.FieldValue(static_cast<ElementField>(f), U_RAD);
            set.FieldText(static_cast<ElementField>(f), text, true);
        }
        const cOrbit orbit(set);
        for (double t : {-1000.0, 0.0, 1000.0}) {
            cEci eci;
            if (orbit.PositionAt(t, eci)) {
                EXPECT_TRUE(std::isfinite(eci.Pos().x) && std::isfinite(eci.Vel().x));
            }
        }
    }
}

}  // namespace
}  // namespace orvanta
