// Hostile OMM documents (a download is at most 256 MiB unpacked): whatever their shape, reading
// one costs a small multiple of its size, and an oversized record costs only itself.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "orbit/omm_reader.h"

namespace {

// Heap bytes in use and their peak, counted by this test program's operator new.
std::atomic<std::size_t> gLive{0}, gPeak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t n) {
    auto* p = static_cast<unsigned char*>(std::malloc(n + kHeader));
    if (!p) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(p) = n;
    const std::size_t live = gLive += n;
    for (std::size_t peak = gPeak; live > peak && !gPeak.compare_exchange_weak(peak, live);) {
    }
    return p + kHeader;
}

void operator delete(void* p) noexcept {
    if (!p) return;
    auto* base = static_cast<unsigned char*>(p) - kHeader;
    gLive -= *reinterpret_cast<std::size_t*>(base);
    std::free(base);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace orvanta {
namespace {

// Peak heap bytes taken while reading `text` in `format`, above what was in use before.
std::size_t PeakBytesToRead(const std::string& text, ElementTextFormat format) {
    const std::size_t before = gLive;
    gPeak = before;
    OmmReadResult r = ReadOmmText(text, format);
    return gPeak - before;
}

std::string Repeated(std::string_view piece, std::size_t bytes) {
    std::string s;
    s.reserve(bytes + piece.size());
    while (s.size() < bytes) s += piece;
    return s;
}

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/omm/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(OmmBounds, HostileShapesCostAtMostFourTimesTheirSize) {
    constexpr std::size_t kSize = 4 << 20;
    std::string wideJson = "{";
    for (int i = 0; wideJson.size() < kSize; ++i) wideJson += "\"k" + std::to_string(i) + "\":1,";
    wideJson.back() = '}';
    std::string wideXml = "<segment>";
    for (int i = 0; wideXml.size() < kSize; ++i)
        wideXml += "<k" + std::to_string(i) + ">1</k" + std::to_string(i) + ">";
    const struct {
        const char* what;
        std::string text;
        ElementTextFormat format;
    } cases[] = {
        {"a line of commas", "NORAD_CAT_ID,EPOCH\n" + Repeated(",", kSize),
         ElementTextFormat::OmmCsv},
        {"rows of commas", "NORAD_CAT_ID,EPOCH\n" + Repeated(",,,,,,,\n", kSize),
         ElementTextFormat::OmmCsv},
        {"a header of commas", Repeated(",", kSize), ElementTextFormat::OmmCsv},
        {"empty objects", "[" + Repeated("{},", kSize) + "{}]", ElementTextFormat::OmmJson},
        {"one object of many keys", wideJson, ElementTextFormat::OmmJson},
        {"empty elements", "<segment>" + Repeated("<a></a>", kSize), ElementTextFormat::OmmXml},
        {"unclosed segments", Repeated("<segment>", kSize), ElementTextFormat::OmmXml},
        {"one segment of many elements", wideXml, ElementTextFormat::OmmXml},
    };
    for (const auto& c : cases)
        EXPECT_LE(PeakBytesToRead(c.text, c.format), 4 * c.text.size()) << c.what;
}

TEST(OmmBounds, AnOversizedRecordIsOneBadRecord) {
    // CSV: a row past 64 KiB (a quoted name of the right width) and rows past the header's
    // width are refused; the rows around them are read.
    const std::string csv = ReadData("celestrak-stations-2026-04.csv");
    const std::size_t firstRowEnd = csv.find('\n', csv.find('\n') + 1) + 1;
    std::string row = csv.substr(csv.find('\n') + 1, firstRowEnd - csv.find('\n') - 1);
    row.erase(row.find_last_not_of("\r\n") + 1);
    row.replace(0, row.find(','), "\"" + std::string(70000, 'N') + "\"");
    OmmReadResult r = ReadOmmText(csv.substr(0, firstRowEnd) + row + std::string(300, ',') +
                                  "\r\n" + csv.substr(firstRowEnd));
    EXPECT_EQ(r.sets.size(), 28u);
    EXPECT_EQ(r.badRecords, 1);
    EXPECT_EQ(r.firstProblem, "record 2: row 3 has 317 columns, not 17");
    r = ReadOmmText(csv.substr(0, firstRowEnd) + row + "\r\n" + csv.substr(firstRowEnd));
    EXPECT_EQ(r.sets.size(), 28u);
    EXPECT_EQ(r.firstProblem, "record 2: row 3 is longer than 65536 bytes");
    // A header wider than any record ends the document.
    r = ReadOmmText(std::string(300, ',') + "NORAD_CAT_ID\n" + csv.substr(csv.find('\n') + 1));
    EXPECT_TRUE(r.sets.empty());
    EXPECT_FALSE(r.documentError.empty());

    // JSON: a record of 300 fields, then a good one.
    const std::string json = ReadData("celestrak-stations-2026-04.json");
    std::string wide = "[{";
    for (int i = 0; i < 300; ++i) wide += "\"F" + std::to_string(i) + "\":0,";
    wide += "\"NORAD_CAT_ID\":1},";
    r = ReadOmmText(wide + json.substr(json.find('[') + 1));
    EXPECT_EQ(r.sets.size(), 28u);
    EXPECT_EQ(r.badRecords, 1);
    EXPECT_EQ(r.firstProblem, "record 1: more than 256 fields");

    // XML: a segment past 64 KiB, then a good one.
    const std::string good =
        "<segment><EPOCH>2026-117T08:40:14</EPOCH><MEAN_MOTION>15.5</MEAN_MOTION>"
        "<ECCENTRICITY>.0007</ECCENTRICITY><INCLINATION>51.6</INCLINATION>"
        "<RA_OF_ASC_NODE>191</RA_OF_ASC_NODE><ARG_OF_PERICENTER>356</ARG_OF_PERICENTER>"
        "<MEAN_ANOMALY>3.9</MEAN_ANOMALY><NORAD_CAT_ID>25544</NORAD_CAT_ID></segment>";
    r = ReadOmmText("<ndm><segment><OBJECT_NAME>" + std::string(70000, 'N') +
                    "</OBJECT_NAME></segment>" + good + "</ndm>");
    EXPECT_EQ(r.sets.size(), 1u);
    EXPECT_EQ(r.badRecords, 1);
    EXPECT_EQ(r.firstProblem, "record 1: longer than 65536 bytes");
}

// Each set is two 69-character lines however short its record, so a flood of the smallest
// valid CSV rows would multiply its size: past the cap, sets are refused, not kept.
TEST(OmmBounds, SetsPastTheCapAreBadRecords) {
    std::string csv =
        "NORAD_CAT_ID,EPOCH,MEAN_MOTION,ECCENTRICITY,INCLINATION,RA_OF_ASC_NODE,"
        "ARG_OF_PERICENTER,MEAN_ANOMALY\n";
    for (int i = 1; i <= 5; ++i) csv += std::to_string(i) + ",2020-001,1,0,0,0,0,0\n";
    OmmReadResult r = ReadOmmText(csv, ElementTextFormat::OmmCsv);
    EXPECT_EQ(r.sets.size(), 5u);
    r = ReadOmmText(csv, ElementTextFormat::OmmCsv, 3);
    ASSERT_EQ(r.sets.size(), 3u);
    EXPECT_EQ(r.sets[2].catalogueNumber, 3);
    EXPECT_EQ(r.badRecords, 2);
    EXPECT_EQ(r.firstProblem, "record 4: more than 3 element sets in one document");
    EXPECT_GE(MAX_OMM_SETS, std::size_t(MAX_ALPHA5_NUMBER));
}

}  // namespace
}  // namespace orvanta
