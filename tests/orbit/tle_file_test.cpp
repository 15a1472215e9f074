// Element files: two- and three-line sets, comments, extra columns, CR line ends, gzip, and
// files that cannot be read.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "orbit/tle_file.h"
#include "tests/support/unique_temp_dir.h"

namespace orvanta {
namespace {

const std::string kL1 = "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
const std::string kL2 = "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437";
const std::string kG1 = "1 51850U 22021A   26127.66103786  .00000104  00000+0  00000+0 0  9994";
const std::string kG2 = "2 51850   0.0403  83.8935 0000653  17.6962 224.8959  1.00271767  6184";

class TleFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = orvanta::testing::MakeUniqueTempDir("orvanta-tle-");
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST(TleText, ThreeAndTwoLineSetsMixed) {
    const std::string text =
        "ISS (ZARYA)             \n" + kL1 + "\n" + kL2 + "\n" + kG1 + "\n" + kG2 + "\n";
    const TleReadResult r = ParseTleText(text);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0].name, "ISS (ZARYA)             ");
    EXPECT_EQ(r.records[0].line1, kL1);
    EXPECT_EQ(r.records[0].line2, kL2);
    EXPECT_EQ(r.records[0].lineNumber, 2);
    EXPECT_EQ(r.records[1].name, "");
    EXPECT_EQ(r.records[1].line1, kG1);
    EXPECT_EQ(r.records[1].lineNumber, 4);
    EXPECT_EQ(r.strayLines, 0);
}

TEST(TleText, CommentsCarriageReturnsAndExtraColumns) {
    const std::string text = "# header comment\r\n#1 not a line\r\nGOES 18\r\n" + kG1 + "\r\n" +
                             kG2 + "      0.0      1440.0        360.00\r\n\r\n" + "# tail";
    const TleReadResult r = ParseTleText(text);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].name, "GOES 18");
    EXPECT_EQ(r.records[0].line1, kG1);
    EXPECT_EQ(r.records[0].line2, kG2);  // cut at column 69
    EXPECT_EQ(r.records[0].lineNumber, 4);
}

TEST(TleText, StrayAndShortLines) {
    // A line 1 without its line 2, a lone line 2, and a set whose lines are short (kept: the
    // element set itself reports that it cannot be read).
    const std::string text = kL1 + "\nNAME\n" + kG2 + "\n" + kG1.substr(0, 40) + "\n" +
                             kG2.substr(0, 50) + "\nLAST\n" + kL1;
    const TleReadResult r = ParseTleText(text);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].line1.size(), 40u);
    EXPECT_EQ(r.records[0].name, "");
    EXPECT_EQ(r.strayLines, 3);
    EXPECT_TRUE(ParseTleText("").records.empty());
    EXPECT_TRUE(ParseTleText("\n\n\n").records.empty());
}

TEST_F(TleFileTest, PlainAndGzipFilesReadAlike) {
    const std::string text = "ISS\n" + kL1 + "\n" + kL2 + "\nGOES 18\n" + kG1 + "\n" + kG2 + "\n";
    const auto plain = dir / "plain.tle";
    std::ofstream(plain) << text;
    const auto packed = dir / "packed.tle.gz";
    gzFile gz = gzopen(packed.string().c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    ASSERT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())),
              static_cast<int>(text.size()));
    gzclose(gz);

    for (const auto& path : {plain, packed}) {
        TleReadResult r;
        std::string error;
        ASSERT_TRUE(ReadTleFile(path.string(), r, error)) << error;
        ASSERT_EQ(r.records.size(), 2u) << path;
        EXPECT_EQ(r.records[1].name, "GOES 18");
        EXPECT_EQ(r.records[1].line2, kG2);
    }
}

// Large files are parsed while they are still being inflated; the sets must be those of
// the whole text parsed at once, whichever chunk a line or set falls across, also when the
// size a gzip file announces is short (two members) and when the content is not element
// lines after all.
TEST_F(TleFileTest, LargeFilesReadAsTheirWholeText) {
    std::string text;
    for (int i = 0; text.size() < 700000; ++i) {
        const std::string name = "SAT " + std::string(static_cast<std::size_t>(i % 23), 'X');
        const int kind = i % 7;
        if (kind == 0)
            text += name + "\r\n" + kL1 + "\r\n" + kL2 + "\r\n";
        else if (kind == 1)
            text += kG1 + "\n" + kG2 + "   extra columns\n";
        else if (kind == 2)
            text += "# comment\n\n" + name + "\n" + kL1 + "\n";  // a stray line 1
        else if (kind == 3)
            text += kG2 + "\n";  // a stray line 2
        else
            text += name + "\n" + kG1 + "\n" + kG2 + "\n";
    }
    text += "LAST\n" + kL1 + "\n" + kL2;  // no final newline
    const TleReadResult whole = ParseTleText(text);
    ASSERT_GT(whole.records.size(), 3000u);

    const auto plain = dir / "big.tle";
    std::ofstream(plain, std::ios::binary) << text;
    const auto packed = dir / "big.tle.gz";
    const auto twoMembers = dir / "two.tle.gz";
    auto pack = [](const std::filesystem::path& path, const char* mode, std::string_view part) {
        gzFile gz = gzopen(path.string().c_str(), mode);
        ASSERT_NE(gz, nullptr);
        ASSERT_EQ(gzwrite(gz, part.data(), static_cast<unsigned>(part.size())),
                  static_cast<int>(part.size()));
        gzclose(gz);
    };
    pack(packed, "wb", text);
    pack(twoMembers, "wb", std::string_view(text).substr(0, 650000));
    pack(twoMembers, "ab", std::string_view(text).substr(650000));

    for (const auto& path : {plain, packed, twoMembers}) {
        TleReadResult r;
        std::string error;
        ASSERT_TRUE(ReadTleFile(path.string(), r, error)) << error;
        ASSERT_EQ(r.records.size(), whole.records.size()) << path;
        EXPECT_EQ(r.strayLines, whole.strayLines) << path;
        int differ = 0;
        for (std::size_t i = 0; i < r.records.size(); ++i) {
            const TleRecord &a = r.records[i], &b = whole.records[i];
            differ += a.name != b.name || a.line1 != b.line1 || a.line2 != b.line2 ||
                      a.lineNumber != b.lineNumber;
        }
        EXPECT_EQ(differ, 0) << path;
    }

    // Opening like a JSON document: read as one, however many element lines follow.
    const auto json = dir / "big.json";
    std::ofstream(json, std::ios::binary) << "[" << text;
    TleReadResult r;
    std::string error;
    EXPECT_FALSE(ReadTleFile(json.string(), r, error));
    EXPECT_NE(error.find(ParseElementSetText("[" + text).firstProblem), std::string::npos) << error;
}

TEST_F(TleFileTest, UnreadableFilesAreReported) {
    TleReadResult r;
    std::string error;
    EXPECT_FALSE(ReadTleFile((dir / "missing.tle").string(), r, error));
    EXPECT_NE(error.find("missing.tle"), std::string::npos);
    EXPECT_EQ(error.find('\n'), std::string::npos);

    error.clear();
    EXPECT_FALSE(ReadTleFile(dir.string(), r, error));  // a directory
    EXPECT_FALSE(error.empty());

    // A gzip stream cut off half way through.
    const auto packed = dir / "cut.gz";
    std::string text;
    for (int i = 0; i < 200; ++i) text += "SAT\n" + kL1 + "\n" + kL2 + "\n";
    gzFile gz = gzopen(packed.string().c_str(), "wb");
    gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
    gzclose(gz);
    const auto size = std::filesystem::file_size(packed);
    std::filesystem::resize_file(packed, size / 2);
    error.clear();
    EXPECT_FALSE(ReadTleFile(packed.string(), r, error));
    EXPECT_FALSE(error.empty());
}

TEST_F(TleFileTest, TextPastTheLimitIsRefusedPlainOrCompressed) {
    // Plain zeros and a gzip stream that unpacks to them: both stop at the limit.
    const auto plain = dir / "zeros.tle";
    std::ofstream(plain, std::ios::binary) << std::string(3 << 20, '\0');
    const auto packed = dir / "zeros.tle.gz";
    gzFile gz = gzopen(packed.string().c_str(), "wb9");
    ASSERT_NE(gz, nullptr);
    const std::string mib(1 << 20, '\0');
    for (int i = 0; i < 3; ++i) gzwrite(gz, mib.data(), static_cast<unsigned>(mib.size()));
    gzclose(gz);
    for (const auto& path : {plain, packed}) {
        TleReadResult r;
        std::string error;
        EXPECT_FALSE(ReadTleFile(path.string(), r, error, 2 << 20)) << path;
        EXPECT_NE(error.find("more than 2 MiB of element text"), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_TRUE(ReadTleFile(path.string(), r, error, 3 << 20)) << error;
        EXPECT_TRUE(r.records.empty());
    }
    EXPECT_EQ(kMaxElementText, std::size_t(256) << 20);
}

// A gzip file goes to zlib's stream whenever the whole-file inflate cannot vouch for it, so
// the sets and the errors stay zlib's: bytes after the member, a size in the trailer that
// lies, a header CRC (zlib checks it, the fast inflate would not).
TEST_F(TleFileTest, GzipFilesTheFastInflateCannotVouchForReadThroughZlib) {
    std::string text;
    for (int i = 0; text.size() < 300000; ++i)
        text += "SAT " + std::to_string(i) + "\n" + kL1 + "\n" + kL2 + "\n";
    const std::size_t sets = ParseTleText(text).records.size();
    auto gzip = [&](bool headerCrc) {
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
        gz_header header{};
        header.hcrc = headerCrc;
        deflateSetHeader(&z, &header);
        std::string out(deflateBound(&z, text.size()), '\0');
        z.next_in = reinterpret_cast<Bytef*>(text.data());
        z.avail_in = static_cast<uInt>(text.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    };
    auto read = [&](const std::string& bytes, std::string& error) {
        const auto path = dir / "file.gz";
        std::ofstream(path, std::ios::binary) << bytes;
        TleReadResult r;
        error.clear();
        return ReadTleFile(path.string(), r, error) ? r.records.size() : std::size_t(0);
    };
    std::string error, bytes = gzip(false);
    EXPECT_EQ(read(bytes + "trailing junk", error), sets) << error;
    bytes.back() ^= 1;  // the trailer's size
    EXPECT_EQ(read(bytes, error), 0u);
    EXPECT_NE(error.find("incorrect length check"), std::string::npos) << error;

    bytes = gzip(true);
    EXPECT_EQ(read(bytes, error), sets) << error;
    bytes[10] ^= 1;  // the header CRC
    EXPECT_EQ(read(bytes, error), 0u);
    EXPECT_NE(error.find("header crc mismatch"), std::string::npos) << error;
}

TEST_F(TleFileTest, VerificationFileWithItsExtraColumns) {
    TleReadResult r;
    std::string error;
    ASSERT_TRUE(ReadTleFile(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/SGP4-VER.TLE", r, error));
    ASSERT_EQ(r.records.size(), 33u);
    EXPECT_EQ(r.strayLines, 0);
    for (const TleRecord& rec : r.records) {
        EXPECT_LE(rec.line1.size(), 69u);
        EXPECT_LE(rec.line2.size(), 69u);
    }
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

// A read after a few satellites keeps exactly the sets a whole read would give for them, in
// file order and with their line numbers, from element lines (gzip, plain with CR line ends)
// and from OMM; the unpaired lines are counted as before.
TEST_F(TleFileTest, AFilteredReadKeepsTheWholeReadsSetsOfThoseNumbers) {
    const std::string data = std::string(ORVANTA_TEST_DATA_DIR);
    const std::string crlf = (dir / "crlf.tle").string();
    {
        std::ofstream out(crlf, std::ios::binary);
        // A set passed over takes its name with it: the two-line set after it has none.
        out << "ISS (ZARYA)\r\n" << kL1 << "\r\n" << kL2 << "\r\n" << kL1 << "\r\nGEO\r\n"
            << kG1 << "\r\n" << kG2 << "\r\n" << kL1 << "\r\n" << kL2 << "\r\nISS again\r\n"
            << kL1 << "\r\n" << kL2 << "\r\n";
    }
    const TleNumberFilter keep({25544, 48274, 99999});
    for (const std::string& path : {data + "/catalogue/wellknown.gz", crlf,
                                    data + "/omm/celestrak-stations-2026-04.json",
                                    data + "/omm/celestrak-stations-2026-04.csv"}) {
        SCOPED_TRACE(path);
        TleReadResult whole, some;
        std::string error;
        ASSERT_TRUE(ReadTleFile(path, whole, error)) << error;
        ASSERT_TRUE(ReadTleFile(path, some, error, kMaxElementText, &keep)) << error;
        std::vector<const TleRecord*> expected;
        for (const TleRecord& r : whole.records)
            if (keep.Keeps(r)) expected.push_back(&r);
        ASSERT_FALSE(expected.empty());
        ASSERT_LT(expected.size(), whole.records.size());
        ASSERT_EQ(some.records.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(some.records[i].name, expected[i]->name);
            EXPECT_EQ(some.records[i].line1, expected[i]->line1);
            EXPECT_EQ(some.records[i].line2, expected[i]->line2);
            EXPECT_EQ(some.records[i].lineNumber, expected[i]->lineNumber);
            EXPECT_EQ(some.records[i].catalogueNumber, expected[i]->catalogueNumber);
        }
        EXPECT_EQ(some.strayLines, whole.strayLines);
    }
}

}  // namespace
}  // namespace orvanta
