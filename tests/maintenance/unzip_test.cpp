// The gzip wrapper: its file contract, its exact messages, and damaged input of every kind.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "gzip_test_util.h"
#include "maintenance/gzip_decoder.h"
#include "maintenance/unzip.h"
#include "platform/directories.h"

namespace orvanta {
namespace {

using test::Bytes;
using test::MakeGzip;
namespace fs = std::filesystem;

const char* const NOT_GZIP = "problem while unzipping file";
const char* const CORRUPT = "problem with zipping/unzipping operation : 1";

class UnzipTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (tmp_.Path() / name).string(); }

    // Writes `source` and unzips it into a fresh target; returns the exception text or "".
    std::string Unzip(const Bytes& source, std::string* output = nullptr) {
        std::string src = Path("src.gz");
        std::string dst = Path("out" + std::to_string(++runs_));
        test::WriteFile(src, source);
        try {
            CUnzip(src).Run(dst);
        } catch (const CZipException& e) {
            return e.what();
        }
        if (output) *output = test::ToString(test::ReadFile(dst));
        return "";
    }

    platform::PrivateTempDir tmp_;
    int runs_ = 0;
};

std::string RandomText(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST_F(UnzipTest, DecodesMembersWithAndWithoutOptionalHeaderFields) {
    std::string text = "ISS (ZARYA)\n1 25544U 98067A ...\n2 25544  51.6416 ...\n";
    std::string out;
    EXPECT_EQ(Unzip(MakeGzip(text), &out), "");
    EXPECT_EQ(out, text);

    test::GzipOptions all;
    all.extra = std::string(300, 'x');
    all.name = "keplers";
    all.comment = "three-line sets";
    EXPECT_EQ(Unzip(MakeGzip(text, all), &out), "");
    EXPECT_EQ(out, text);

    all.flags = 0x01;  // "probably text" hint changes nothing
    EXPECT_EQ(Unzip(MakeGzip(text, all), &out), "");
    EXPECT_EQ(out, text);

    EXPECT_EQ(Unzip(MakeGzip(""), &out), "");  // an empty member is valid
    EXPECT_EQ(out, "");
}

TEST_F(UnzipTest, LargeIncompressibleContentSpansManyBuffers) {
    std::string text = RandomText(3 * 1024 * 1024 + 17, 7);
    std::string out;
    EXPECT_EQ(Unzip(MakeGzip(text), &out), "");
    EXPECT_EQ(out, text);
}

TEST_F(UnzipTest, FileContractMessages) {
    std::string src = Path("a.gz");
    test::WriteFile(src, MakeGzip("abc"));

    auto message = [](const std::string& from, const std::string& to) -> std::string {
        try {
            CUnzip(from).Run(to);
        } catch (const CZipException& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(message(src, src), "target name must be different than source name");
    EXPECT_EQ(message(Path("missing.gz"), Path("t1")), "unable to open source file");
    EXPECT_EQ(message(src, Path("no/such/dir/t")), "unable to create target file");

    // An existing target is never overwritten, whatever it holds.
    test::WriteFile(Path("t2"), test::ToBytes("keep me"));
    EXPECT_EQ(message(src, Path("t2")), "unable to create target file");
    EXPECT_EQ(test::ToString(test::ReadFile(Path("t2"))), "keep me");

    EXPECT_EQ(message(src, Path("t3")), "");
#ifndef _WIN32  // Windows files have no group or others bits
    auto perms = fs::status(Path("t3")).permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
#endif
    EXPECT_EQ(test::ToString(test::ReadFile(Path("t3"))), "abc");
}

TEST_F(UnzipTest, SourcesThatAreNotGzipFailAsTheOperation) {
    EXPECT_EQ(Unzip({}), NOT_GZIP);  // zero-length
    EXPECT_EQ(Unzip(test::ToBytes("plain text, not compressed\n")), NOT_GZIP);
    EXPECT_EQ(Unzip({0x1F}), NOT_GZIP);
    EXPECT_EQ(Unzip({0x1F, 0x8B, 0x08}), NOT_GZIP);

    test::GzipOptions stored;
    stored.method = 0;
    EXPECT_EQ(Unzip(MakeGzip("abc", stored)), NOT_GZIP);

    // Multi-part, encrypted and the two reserved flag bits are refused.
    for (std::uint8_t flag : {0x02, 0x20, 0x40, 0x80}) {
        test::GzipOptions o;
        o.flags = flag;
        EXPECT_EQ(Unzip(MakeGzip("abc", o)), NOT_GZIP) << "flag " << int(flag);
    }
}

TEST_F(UnzipTest, DamagedTrailerIsCorrupt) {
    Bytes good = MakeGzip("some text to check\n");
    Bytes badCrc = good;
    badCrc[badCrc.size() - 8] ^= 0x01;
    EXPECT_EQ(Unzip(badCrc), CORRUPT);

    Bytes badLength = good;
    badLength[badLength.size() - 4] ^= 0x01;
    EXPECT_EQ(Unzip(badLength), CORRUPT);

    // The length is kept modulo 2^32: a high byte that differs is still a mismatch.
    Bytes badHigh = good;
    badHigh[badHigh.size() - 1] ^= 0x80;
    EXPECT_EQ(Unzip(badHigh), CORRUPT);
}

TEST_F(UnzipTest, EveryTruncationFailsWithTheMessageOfWhereItStops) {
    test::GzipOptions o;
    o.name = "keplers";
    Bytes good = MakeGzip(std::string(5000, 'a') + RandomText(200, 3), o);
    std::size_t header = test::GzipHeaderSize(o);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        Bytes part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(Unzip(part), cut < header ? NOT_GZIP : CORRUPT) << "cut at " << cut;
    }
}

TEST_F(UnzipTest, OnlyTheFirstMemberIsDecoded) {
    Bytes two = MakeGzip("first\n");
    Bytes second = MakeGzip("second\n");
    two.insert(two.end(), second.begin(), second.end());
    std::string out;
    EXPECT_EQ(Unzip(two, &out), "");
    EXPECT_EQ(out, "first\n");

    Bytes junk = MakeGzip("first\n");
    for (int i = 0; i < 100; ++i) junk.push_back(static_cast<std::uint8_t>(i * 37));
    EXPECT_EQ(Unzip(junk, &out), "");
    EXPECT_EQ(out, "first\n");
}

TEST_F(UnzipTest, OutputPastTheLimitFailsAndLeavesNoTarget) {
    // 6 MiB of zeros in some 6 KB: the shape of a decompression bomb.
    const std::string src = Path("bomb.gz");
    test::WriteZeroGzip(src, 6u << 20);
    ASSERT_LT(fs::file_size(src), 64u * 1024);
    const std::string dst = Path("bomb");
    try {
        CUnzip(src, 4u << 20).Run(dst);
        FAIL() << "no exception";
    } catch (const CZipException& e) {
        EXPECT_STREQ(e.what(), "unzipped data exceeds the limit of 4 MiB");
    }
    EXPECT_FALSE(fs::exists(dst));

    // Exactly at the limit is fine; one byte less is not, and says so in bytes.
    CUnzip(src, 6u << 20).Run(Path("exact"));
    EXPECT_EQ(fs::file_size(Path("exact")), 6u << 20);
    try {
        CUnzip(src, (6u << 20) - 1).Run(Path("short"));
        FAIL() << "no exception";
    } catch (const CZipException& e) {
        EXPECT_STREQ(e.what(), "unzipped data exceeds the limit of 6291455 bytes");
    }
    EXPECT_FALSE(fs::exists(Path("short")));
    EXPECT_EQ(kDefaultUnzipLimit, 256u << 20);
}

TEST_F(UnzipTest, FailedRunsRemoveTheirPartialTarget) {
    Bytes cut = MakeGzip(RandomText(300000, 5));
    cut.resize(cut.size() / 2);
    EXPECT_EQ(Unzip(cut), CORRUPT);
    EXPECT_FALSE(fs::exists(Path("out1")));
    EXPECT_EQ(Unzip(test::ToBytes("plain text")), NOT_GZIP);
    EXPECT_FALSE(fs::exists(Path("out2")));
}

TEST(CZipExceptionTest, MessageIsCutTo127Characters) {
    CZipException e(std::string(300, 'm'));
    EXPECT_EQ(std::string(e.what()), std::string(127, 'm'));
}

TEST(GunzipBufferTest, DecodesAndReportsLikeTheFileWrapper) {
    std::string text = RandomText(100000, 11);
    Bytes gz = MakeGzip(text);
    EXPECT_EQ(test::ToString(GunzipBuffer(gz)), text);

    auto message = [](const Bytes& b, std::size_t limit) -> std::string {
        try {
            GunzipBuffer(b, limit);
        } catch (const CZipException& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(message({}, 1000), NOT_GZIP);
    EXPECT_EQ(message(gz, text.size()), "");
    EXPECT_EQ(message(gz, text.size() - 1), "unzipped data exceeds the limit of 99999 bytes");
    Bytes bad = gz;
    bad[bad.size() - 6] ^= 0xFF;
    EXPECT_EQ(message(bad, 1 << 20), CORRUPT);
}

TEST(GunzipBufferTest, RandomDamageNeverCrashes) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "1 25544U 98067A   26127.5 line " + std::to_string(i) + "\n";
    Bytes good = MakeGzip(text);
    std::mt19937 rng(42);
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes b = good;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
        if (rng() % 4 == 0) b.resize(rng() % b.size());
        try {
            std::vector<std::uint8_t> out = GunzipBuffer(b, 1 << 20);
            ++decoded;
            // Anything accepted passed the CRC and length check, so it is the original
            // (or a header-only edit such as the time stamp).
            EXPECT_EQ(test::ToString(out), text);
        } catch (const CZipException& e) {
            std::string m = e.what();
            EXPECT_TRUE(m == NOT_GZIP || m == CORRUPT) << m;
        }
    }
    EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace orvanta
