// Catalogue records, look-ups, the geostationary filter and the stored selection layout.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/element_file.h"

namespace orvanta {
namespace {

KeplerRecord Record(const char* name, std::int32_t number, const char* line2 = "") {
    KeplerRecord r;
    std::strncpy(r.name, name, KEPLER_TEXT_SIZE - 1);
    r.catalogueNumber = number;
    std::strncpy(r.line2, line2, KEPLER_TEXT_SIZE - 1);
    return r;
}

// Line 2 of GOES 16 (CelesTrak, 2026-05-07) with its mean motion replaced by `motion`
// (columns 53-63, eleven characters).
std::string Line2WithMotion(const std::string& motion) {
    std::string line = "2 41866   0.2388  85.6439 0001100 275.7902 359.6556  1.00272766 34699";
    return line.substr(0, 52) + motion + line.substr(63);
}

// A record made from a set's lines keeps 99 characters of each and reads an Alpha-5 number.
TEST(CatalogueNumberTest, RecordFromLines) {
    const std::string line1 = "1 A0001U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
    const KeplerRecord k = MakeKeplerRecord(std::string(120, 'N'), line1, "2 A0001");
    EXPECT_EQ(k.catalogueNumber, 100001);
    EXPECT_EQ(std::string(k.name), std::string(99, 'N'));
    EXPECT_EQ(std::string(k.line1), line1);
    EXPECT_EQ(std::string(k.line2), "2 A0001");
    EXPECT_EQ(MakeKeplerRecord("", "1", "").catalogueNumber, 0);
}

TEST(CatalogueNumberTest, DecimalAndAlpha5Forms) {
    EXPECT_EQ(ParseCatalogueNumber("25544"), 25544);
    EXPECT_EQ(ParseCatalogueNumber("    5"), 5);
    EXPECT_EQ(ParseCatalogueNumber("00005"), 5);
    EXPECT_EQ(ParseCatalogueNumber("99999"), 99999);
    EXPECT_EQ(ParseCatalogueNumber("A0000"), 100000);
    EXPECT_EQ(ParseCatalogueNumber("A0001"), 100001);
    EXPECT_EQ(ParseCatalogueNumber("H9999"), 179999);
    EXPECT_EQ(ParseCatalogueNumber("J0000"), 180000);  // I is not used
    EXPECT_EQ(ParseCatalogueNumber("N9999"), 229999);
    EXPECT_EQ(ParseCatalogueNumber("P0000"), 230000);  // nor O
    EXPECT_EQ(ParseCatalogueNumber("Z9999"), 339999);
    // Not Alpha-5: the decimal reading applies and finds no digits.
    EXPECT_EQ(ParseCatalogueNumber("I0000"), 0);
    EXPECT_EQ(ParseCatalogueNumber("O1234"), 0);
    EXPECT_EQ(ParseCatalogueNumber("a1234"), 0);
    EXPECT_EQ(ParseCatalogueNumber("A12 4"), 0);
    // Only the five columns count, and short text is read as far as it goes.
    EXPECT_EQ(ParseCatalogueNumber("255441"), 25544);
    EXPECT_EQ(ParseCatalogueNumber("12"), 12);
    EXPECT_EQ(ParseCatalogueNumber(""), 0);
    // Read as the C library reads a decimal: blanks, then one sign.
    EXPECT_EQ(ParseCatalogueNumber(" +123"), 123);
    EXPECT_EQ(ParseCatalogueNumber("  -12"), -12);
    EXPECT_EQ(ParseCatalogueNumber(" - 12"), 0);
}

TEST(CatalogueLookupTest, FirstMatchWinsAndAbsentIsNone) {
    KeplerCatalogue c;
    EXPECT_EQ(FindCatalogueIndex(c, 25544), NO_CATALOGUE_INDEX);
    c.records = {Record("A", 100), Record("B", 25544), Record("C", 25544), Record("D", 7)};
    EXPECT_EQ(FindCatalogueIndex(c, 25544), 1);
    EXPECT_EQ(FindCatalogueIndex(c, 7), 3);
    EXPECT_EQ(FindCatalogueIndex(c, 8), NO_CATALOGUE_INDEX);
    EXPECT_EQ(c.At(-1), nullptr);
    EXPECT_EQ(c.At(4), nullptr);
    EXPECT_EQ(c.At(3)->catalogueNumber, 7);
}

TEST(CatalogueLookupTest, FormatCatalogueItemDropsTheNamesTrailingBlanks) {
    EXPECT_EQ(FormatCatalogueItem(Record("ISS (ZARYA)             ", 25544)),
              "ISS (ZARYA)   (25544)");
    EXPECT_EQ(FormatCatalogueItem(Record(" A  B ", 7)), " A  B   (7)");
    EXPECT_EQ(FormatCatalogueItem(Record("OBJ", 100001)), "OBJ   (100001)");
}

TEST(GeostationaryTest, MeanMotionWindowIsOpenAtBothEnds) {
    EXPECT_TRUE(IsGeostationary(Record("GOES 16", 41866, Line2WithMotion(" 1.00272766").c_str())));
    // 85800 / 86400 = 0.993055..., 87000 / 86400 = 1.006944...
    EXPECT_FALSE(IsGeostationary(Record("x", 1, Line2WithMotion(" 0.99305555").c_str())));
    EXPECT_TRUE(IsGeostationary(Record("x", 1, Line2WithMotion(" 0.99305556").c_str())));
    EXPECT_TRUE(IsGeostationary(Record("x", 1, Line2WithMotion(" 1.00694444").c_str())));
    EXPECT_FALSE(IsGeostationary(Record("x", 1, Line2WithMotion(" 1.00694445").c_str())));
    EXPECT_FALSE(IsGeostationary(Record("ISS", 25544, Line2WithMotion("15.49130994").c_str())));
    // A column 53 digit lies outside the ten columns read: 11.0027 reads as 1.0027.
    EXPECT_TRUE(IsGeostationary(Record("x", 1, Line2WithMotion("11.00272766").c_str())));
    // Short or empty lines read as no motion, never past their end.
    EXPECT_FALSE(IsGeostationary(Record("x", 1, "2 41866   0.2388")));
    EXPECT_FALSE(IsGeostationary(Record("x", 1, "")));
}

TEST(SelectionBlobTest, LayoutIsTwentyFourLittleEndianBytesPerEntry) {
    std::vector<SelectedSat> sel(2);
    sel[0] = {25544, 3, 1, 0, 1, 0};
    sel[1] = {339999, NO_CATALOGUE_INDEX, 0, 1, 0, 1};
    std::vector<std::uint8_t> blob = SelectionToBlob(sel);
    ASSERT_EQ(blob.size(), 48u);
    const std::uint8_t first[24] = {0xC8, 0x63, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0,
                                    0,    0,    0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(blob.data(), first, 24), 0);
    const std::uint8_t secondHead[8] = {0x1F, 0x30, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(blob.data() + 24, secondHead, 8), 0);
    EXPECT_EQ(SelectionFromBlob(blob, 2), sel);
    EXPECT_TRUE(SelectionToBlob({}).empty());
}

TEST(SelectionBlobTest, CountAndBlobSizeDisagreeing) {
    std::vector<SelectedSat> sel = {{1, 0, 0, 0, 0, 0}, {2, 1, 1, 1, 1, 1}, {3, 2, 0, 0, 0, 0}};
    std::vector<std::uint8_t> blob = SelectionToBlob(sel);
    EXPECT_EQ(SelectionFromBlob(blob, 1).size(), 1u);            // fewer counted than stored
    EXPECT_EQ(SelectionFromBlob(blob, 0xFFFFFFFFu).size(), 3u);  // damaged count
    blob.resize(50);                                             // a cut-off last entry
    std::vector<SelectedSat> two = SelectionFromBlob(blob, 3);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1], sel[1]);
    EXPECT_TRUE(SelectionFromBlob(nullptr, 48, 2).empty());
}

TEST(SelectionRemapTest, AbsentSatellitesBecomeUnusable) {
    KeplerCatalogue c;
    c.records = {Record("A", 10), Record("B", 20), Record("B again", 20)};
    std::vector<SelectedSat> sel = {{20, 7, 1, 0, 0, 0}, {99, 2, 0, 0, 0, 0}, {10, -1, 0, 0, 0, 0}};
    RemapSelection(c, sel);
    EXPECT_EQ(sel[0].catalogueIndex, 1);
    EXPECT_EQ(sel[0].shown, 1);  // display flags survive a re-map
    EXPECT_EQ(sel[1].catalogueIndex, NO_CATALOGUE_INDEX);
    EXPECT_EQ(sel[2].catalogueIndex, 0);
    EXPECT_EQ(SelectedRecord(c, sel[0])->Name(), "B");
    EXPECT_EQ(SelectedRecord(c, sel[1]), nullptr);

    // A stale index that points at another satellite is not trusted either.
    SelectedSat stale{10, 1, 0, 0, 0, 0};
    EXPECT_EQ(SelectedRecord(c, stale), nullptr);
    SelectedSat beyond{20, 3, 0, 0, 0, 0};
    EXPECT_EQ(SelectedRecord(c, beyond), nullptr);
}

}  // namespace
}  // namespace orvanta
