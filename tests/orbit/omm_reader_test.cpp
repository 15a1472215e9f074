// OMM records against the element lines the same service gave for the same moment
// (tests/data/omm: CelesTrak GP "stations" and "visual", April 2026, JSON with its 3LE
// partner, and the CSV rewrite of the JSON), and damaged copies of them.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "orbit/eci.h"
#include "orbit/element_set.h"
#include "orbit/omm_reader.h"
#include "orbit/orbit.h"
#include "orbit/tle_file.h"

namespace orvanta {
namespace {

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/omm/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<int, TleRecord> ByNumber(const TleReadResult& r) {
    std::map<int, TleRecord> out;
    for (const TleRecord& t : r.records)
        out[cElementSet(t.name, t.line1, t.line2).CatalogueNumber()] = t;
    return out;
}

// Largest distance in km between the two sets' positions, hourly over three days.
double LargestSeparationKm(const std::string& a1, const std::string& a2, const std::string& b1,
                           const std::string& b2) {
    cOrbit a(cElementSet("A", a1, a2)), b(cElementSet("B", b1, b2));
    double worst = 0;
    for (double t = 0; t <= 3 * 1440; t += 60) {
        cEci ea, eb;
        if (!a.PositionAt(t, ea) || !b.PositionAt(t, eb)) return 1e9;
        const cVector& p = ea.Pos();
        const cVector& q = eb.Pos();
        worst = std::max(worst, std::hypot(p.x - q.x, p.y - q.y, p.z - q.z));
    }
    return worst;
}

void ExpectSameAsPartner(const std::string& ommFile, const std::string& tleFile,
                         std::size_t expected) {
    const OmmReadResult omm = ReadOmmText(ReadData(ommFile));
    EXPECT_EQ(omm.badRecords, 0) << omm.firstProblem;
    EXPECT_TRUE(omm.documentError.empty()) << omm.documentError;
    ASSERT_EQ(omm.sets.size(), expected);
    const auto partner = ByNumber(ParseTleText(ReadData(tleFile)));
    int identical = 0;
    for (const OmmSet& s : omm.sets) {
        auto it = partner.find(s.catalogueNumber);
        ASSERT_NE(it, partner.end()) << s.catalogueNumber;
        EXPECT_EQ(s.line1.size(), 69u);
        EXPECT_EQ(s.line2.size(), 69u);
        if (s.line1 == it->second.line1 && s.line2 == it->second.line2) ++identical;
        EXPECT_LT(LargestSeparationKm(s.line1, s.line2, it->second.line1, it->second.line2),
                  0.001)
            << s.name << "\n" << s.line1 << "\n" << it->second.line1 << "\n"
            << s.line2 << "\n" << it->second.line2;
    }
    // The service prints both forms from the same values: the lines come out identical.
    EXPECT_EQ(identical, static_cast<int>(expected));
}

TEST(OmmReader, CelesTrakJsonMatchesItsElementLines) {
    ExpectSameAsPartner("celestrak-stations-2026-04.json", "celestrak-stations-2026-04.tle", 28);
    ExpectSameAsPartner("celestrak-visual-2026-04.json", "celestrak-visual-2026-04.tle", 148);
}

TEST(OmmReader, CelesTrakCsvMatchesItsElementLines) {
    EXPECT_EQ(DetectElementTextFormat(ReadData("celestrak-stations-2026-04.csv")),
              ElementTextFormat::OmmCsv);
    ExpectSameAsPartner("celestrak-stations-2026-04.csv", "celestrak-stations-2026-04.tle", 28);
}

TEST(OmmReader, DetectsEachFormatByContent) {
    EXPECT_EQ(DetectElementTextFormat("\xEF\xBB\xBF  [{}]"), ElementTextFormat::OmmJson);
    EXPECT_EQ(DetectElementTextFormat("<?xml version=\"1.0\"?><ndm/>"), ElementTextFormat::OmmXml);
    EXPECT_EQ(DetectElementTextFormat("ISS\n1 25544U ...\n"), ElementTextFormat::ThreeLine);
    EXPECT_EQ(DetectElementTextFormat("A,B,C\n1,2,3\n"), ElementTextFormat::ThreeLine);
    EXPECT_EQ(DetectElementTextFormat(""), ElementTextFormat::ThreeLine);
}

const char* const kIss =
    R"j({"OBJECT_NAME":"ISS (ZARYA)","OBJECT_ID":"1998-067A","EPOCH":"2026-04-27T08:40:14.575584",)j"
    R"j("MEAN_MOTION":15.48988133,"ECCENTRICITY":0.0007016,"INCLINATION":51.632,)j"
    R"j("RA_OF_ASC_NODE":191.6695,"ARG_OF_PERICENTER":356.2195,"MEAN_ANOMALY":3.874,)j"
    R"j("EPHEMERIS_TYPE":0,"CLASSIFICATION_TYPE":"U","NORAD_CAT_ID":NUMBER,"ELEMENT_SET_NO":999,)j"
    R"j("REV_AT_EPOCH":56387,"BSTAR":0.00019594,"MEAN_MOTION_DOT":0.0001036,"MEAN_MOTION_DDOT":0})j";

std::string Iss(const std::string& number, const std::string& replace = "",
                const std::string& with = "") {
    std::string s = kIss;
    s.replace(s.find("NUMBER"), 6, number);
    if (!replace.empty()) s.replace(s.find(replace), replace.size(), with);
    return s;
}

TEST(OmmReader, SixDigitNumbersTakeTheAlpha5FormOrBlanks) {
    const OmmReadResult r =
        ReadOmmText("[" + Iss("123456") + "," + Iss("339999") + "," + Iss("340000") + "]");
    ASSERT_EQ(r.sets.size(), 3u);
    EXPECT_EQ(r.sets[0].line1.substr(0, 8), "1 C3456U");
    EXPECT_EQ(r.sets[0].line2.substr(0, 8), "2 C3456 ");
    EXPECT_EQ(cElementSet("x", r.sets[0].line1, r.sets[0].line2).CatalogueNumber(), 123456);
    EXPECT_EQ(r.sets[1].line1.substr(2, 5), "Z9999");
    // No five-column form exists: the number lives beside the lines only.
    EXPECT_EQ(r.sets[2].catalogueNumber, 340000);
    EXPECT_EQ(r.sets[2].line1.substr(2, 5), "     ");
    // Each line still carries a valid checksum.
    for (const OmmSet& s : r.sets) {
        EXPECT_EQ(s.line1[68] - '0', ElementLineChecksum(s.line1));
        EXPECT_EQ(s.line2[68] - '0', ElementLineChecksum(s.line2));
    }
}

TEST(OmmReader, SpaceTrackStringValuesAndEpochEdges) {
    // Space-Track sends every value as a string.
    std::string st = Iss("\"25544\"", "\"MEAN_MOTION\":15.48988133", "\"MEAN_MOTION\":\"15.48988133\"");
    OmmReadResult r = ReadOmmText(st);
    ASSERT_EQ(r.sets.size(), 1u) << r.firstProblem;
    EXPECT_EQ(r.sets[0].line1,
              "1 25544U 98067A   26117.36127981  .00010360  00000+0  19594-3 0  9994");
    // The last instant of a year rounds into the first day of the next.
    r = ReadOmmText(Iss("25544", "2026-04-27T08:40:14.575584", "2026-12-31T23:59:59.9999999"));
    ASSERT_EQ(r.sets.size(), 1u) << r.firstProblem;
    EXPECT_EQ(r.sets[0].line1.substr(18, 14), "27001.00000000");
    // Day-of-year epochs (CCSDS) and negative drag terms.
    r = ReadOmmText(Iss("25544", "2026-04-27T", "2026-117T"));
    ASSERT_EQ(r.sets.size(), 1u) << r.firstProblem;
    EXPECT_EQ(r.sets[0].line1.substr(18, 14), "26117.36127981");
    r = ReadOmmText(Iss("25544", "\"BSTAR\":0.00019594", "\"BSTAR\":-1.2345e-5"));
    ASSERT_EQ(r.sets.size(), 1u);
    EXPECT_EQ(r.sets[0].line1.substr(53, 8), "-12345-4");
}

// The element line's epoch holds a two-digit year (57-99 for 1957-1999, 00-56 for 2000-2056)
// and a day of year to eight places: every field is checked before rounding, and an epoch
// the columns cannot hold is one bad record.
TEST(OmmReader, EpochFieldsAndTheTwoDigitYear) {
    const struct {
        const char* epoch;
        const char* columns;  // line 1 columns 19-32; nullptr when the record is refused
    } cases[] = {
        {"1957-01-01T00:00:00", "57001.00000000"},
        {"2056-12-31T23:59:59.99", "56366.99999988"},
        {"2056-12-31T23:59:59.9999999", nullptr},  // rounds into 2057, read back as 1957
        {"1956-12-31T23:59:59", nullptr},
        {"2057-01-01T00:00:00", nullptr},
        {"-123-04-01T00:00:00", nullptr},
        {"+202-04-01T00:00:00", nullptr},
        {"2026-04-01T-9:-9:00", nullptr},
        {"2026-04-01T24:00:00", nullptr},
        {"2026-04-01T23:60:00", nullptr},
        {"2026-04-01T12:00:1e1", nullptr},
        {"2026-04-01T12:00:-0", nullptr},
        {"2026-04-01T12:00:60", nullptr},  // a leap second comes only at the end of a day
        {"2026-13-01T00:00:00", nullptr},
        {"2026-02-29T00:00:00", nullptr},
        {"2024-02-29T00:00:00", "24060.00000000"},
        {"2026-366T00:00:00", nullptr},
        {"2024-366T12:00:00", "24366.50000000"},
        // A leap second stays in its own day rather than opening the next.
        {"2016-12-31T23:59:60", "16366.99999999"},
        {"2016-12-31T23:59:60.9", "16366.99999999"},
        {"2015-06-30T23:59:60Z", "15181.99999999"},
    };
    for (const auto& c : cases) {
        const OmmReadResult r = ReadOmmText(Iss("25544", "2026-04-27T08:40:14.575584", c.epoch));
        if (c.columns) {
            ASSERT_EQ(r.sets.size(), 1u) << c.epoch << ": " << r.firstProblem;
            EXPECT_EQ(r.sets[0].line1.substr(18, 14), c.columns) << c.epoch;
            const cElementSet back("x", r.sets[0].line1, r.sets[0].line2);
            EXPECT_TRUE(back.IsValid()) << c.epoch;
        } else {
            EXPECT_TRUE(r.sets.empty()) << c.epoch << ": " << r.sets[0].line1;
            EXPECT_EQ(r.badRecords, 1) << c.epoch;
            EXPECT_NE(r.firstProblem.find("EPOCH"), std::string::npos) << r.firstProblem;
        }
    }
}

TEST(OmmReader, ABadRecordCostsOnlyThatRecord) {
    const std::string good = Iss("25544");
    const std::string damaged[] = {
        Iss("25544", "\"MEAN_MOTION\":15.48988133,", ""),                // missing
        Iss("25544", "\"MEAN_MOTION\":15.48988133", "\"MEAN_MOTION\":true"),  // wrong type
        Iss("25544", "\"MEAN_MOTION\":15.48988133", "\"MEAN_MOTION\":{\"x\":1}"),
        Iss("25544", "\"MEAN_MOTION\":15.48988133", "\"MEAN_MOTION\":\"fast\""),
        Iss("25544", "\"MEAN_MOTION\":15.48988133", "\"MEAN_MOTION\":1e308"),  // huge
        Iss("25544", "\"BSTAR\":0.00019594", "\"BSTAR\":1e300"),
        Iss("1e30"),
        Iss("25544", "\"ECCENTRICITY\":0.0007016", "\"ECCENTRICITY\":1.5"),
        Iss("25544", "2026-04-27T08:40:14.575584", "yesterday"),
        Iss("25544", "2026-04-27T08:40:14.575584", "2026-02-30T00:00:00"),
    };
    std::string doc = "[" + good;
    for (const std::string& d : damaged) doc += "," + d;
    doc += ",42," + good + "]";
    const OmmReadResult r = ReadOmmText(doc);
    EXPECT_EQ(r.sets.size(), 2u);
    EXPECT_EQ(r.badRecords, static_cast<int>(std::size(damaged)) + 1);
    EXPECT_FALSE(r.firstProblem.empty());
    EXPECT_TRUE(r.documentError.empty());

    // A cut document keeps what was read before the cut and says where it broke.
    const OmmReadResult cut = ReadOmmText(doc.substr(0, doc.size() / 2));
    EXPECT_FALSE(cut.documentError.empty());
    EXPECT_GE(cut.sets.size(), 1u);
    // Deep nesting ends with an error, not a stack overflow.
    const OmmReadResult deep = ReadOmmText(std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_FALSE(deep.documentError.empty());

    // CSV: a row with a wrong column count is one bad record.
    std::string csv = ReadData("celestrak-stations-2026-04.csv");
    csv += "BROKEN,1998-067A,2026-04-27T08:40:14\r\n";
    const OmmReadResult c = ReadOmmText(csv);
    EXPECT_EQ(c.sets.size(), 28u);
    EXPECT_EQ(c.badRecords, 1);
}

TEST(OmmReader, CcsdsXml) {
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<ndm><omm id="CCSDS_OMM_VERS" version="2.0"><header><CREATION_DATE/></header>
<body><segment><metadata><OBJECT_NAME>TEST &amp; SAT</OBJECT_NAME><OBJECT_ID>2024-001B</OBJECT_ID>
<CENTER_NAME>EARTH</CENTER_NAME><MEAN_ELEMENT_THEORY>SGP4</MEAN_ELEMENT_THEORY></metadata>
<data><meanElements><EPOCH>2026-04-27T08:40:14.575584</EPOCH><MEAN_MOTION>15.48988133</MEAN_MOTION>
<ECCENTRICITY>.0007016</ECCENTRICITY><INCLINATION>51.632</INCLINATION><RA_OF_ASC_NODE>191.6695</RA_OF_ASC_NODE>
<ARG_OF_PERICENTER>356.2195</ARG_OF_PERICENTER><MEAN_ANOMALY>3.874</MEAN_ANOMALY></meanElements>
<tleParameters><EPHEMERIS_TYPE>0</EPHEMERIS_TYPE><CLASSIFICATION_TYPE>U</CLASSIFICATION_TYPE>
<NORAD_CAT_ID>270001</NORAD_CAT_ID><ELEMENT_SET_NO>999</ELEMENT_SET_NO><REV_AT_EPOCH>56387</REV_AT_EPOCH>
<BSTAR>0.00019594</BSTAR><MEAN_MOTION_DOT>0.0001036</MEAN_MOTION_DOT><MEAN_MOTION_DDOT>0</MEAN_MOTION_DDOT>
</tleParameters></data></segment></body></omm></ndm>)";
    const OmmReadResult r = ReadOmmText(xml);
    ASSERT_EQ(r.sets.size(), 1u) << r.firstProblem;
    EXPECT_EQ(r.sets[0].name, "TEST & SAT");
    EXPECT_EQ(r.sets[0].catalogueNumber, 270001);
    EXPECT_EQ(r.sets[0].line1.substr(0, 17), "1 T0001U 24001B  ");
}

}  // namespace
}  // namespace orvanta
