// orvanta-cli passes as scripts see it: header, row order, time format, quoting, exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/scoped_env.h"
#include "tests/support/cli_runner.h"
#include "tests/support/unique_temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
const std::string kSample = std::string(ORVANTA_BINARY_DIR) + "/bin/sample.tle";
const std::string kHeader =
    "catalogue,name,aos_utc,los_utc,rise_az,max_el,mid_az,set_az,duration_s,lighting,"
    "lunar_start_utc,lunar_end_utc,flare_start_utc,flare_mag,flare_az,flare_el,"
    "culmination_utc,culmination_el,sunlit_at_aos,visible_start_utc,visible_end_utc,"
    "visible_max_el,brightest_mag,brightest_utc";

using orvanta::testing::CliRun;

class PassesCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orvanta::testing::MakeUniqueTempDir("orvanta-passes-cli-");
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::vector<std::string> Lines(const fs::path& p) {
        return orvanta::testing::ReadLines(p);
    }

    CliRun Run(const std::string& args) {
        return orvanta::testing::RunCli(kCli, "passes " + args, dir_);
    }

    fs::path dir_;
};

std::vector<std::string> Split(const std::string& row) {
    return orvanta::testing::SplitCsv(row);
}

TEST_F(PassesCli, BuiltInSamplePrintsPassesInAosOrder) {
    const CliRun r =
        Run("--tle \"" + kSample + "\" --lat 51.4779 --lon -0.0015 --start 2026-05-07T12:00:00Z");
    ASSERT_EQ(r.status, 0);
    ASSERT_GT(r.out.size(), 10u);
    EXPECT_EQ(r.out[0], kHeader);
    std::string previous;
    for (std::size_t i = 1; i < r.out.size(); ++i) {
        const auto f = Split(r.out[i]);
        ASSERT_EQ(f.size(), 24u) << r.out[i];
        ASSERT_EQ(f[2].size(), 20u);
        EXPECT_EQ(f[2][10], 'T');
        EXPECT_EQ(f[2].back(), 'Z');
        EXPECT_GE(f[2], previous);  // ISO times sort as text
        EXPECT_LT(f[2], f[3]);
        previous = f[2];
    }
    // The geostationary sample and any satellite without a pass are reported on stderr.
    bool geo = false;
    for (const auto& l : r.err) {
        if (l.find("geosynchronous") == std::string::npos) continue;
        geo = true;
        EXPECT_EQ(l.find("  (#"), std::string::npos) << "padded name: " << l;
    }
    EXPECT_TRUE(geo);
}

TEST_F(PassesCli, UntilAndSelectedSatellites) {
    const CliRun r = Run("--tle \"" + kSample +
                         "\" --sat 25544 --lat 51.4779 --lon -0.0015 "
                         "--start 2026-05-07T12:00:00Z --until 2026-05-08T12:00:00Z");
    ASSERT_EQ(r.status, 0);
    ASSERT_GE(r.out.size(), 4u);  // more than the default five would be fine, fewer passes a day
    for (std::size_t i = 1; i < r.out.size(); ++i) {
        const auto f = Split(r.out[i]);
        EXPECT_EQ(f[0], "25544");
        EXPECT_EQ(f[1], "ISS (ZARYA)");  // trailing blanks of the name line dropped
        EXPECT_LE(f[2], "2026-05-08T12:00:00Z");
    }
}

TEST_F(PassesCli, NamesAreQuotedAsRfc4180Requires) {
    const fs::path tle = dir_ / "odd.tle";
    std::ofstream(tle) << "ISS, \"THE\" STATION\n"
                          "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993\n"
                          "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437\n";
    const CliRun r = Run("--tle \"" + tle.string() +
                         "\" --lat 51.4779 --lon -0.0015 "
                         "--start 2026-05-07T12:00:00Z --passes 1");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_EQ(r.out[1].rfind("25544,\"ISS, \"\"THE\"\" STATION\",2026-05-07T19:40:47Z,", 0), 0u)
        << r.out[1];
}

// --sat takes the last usable set with the number: a later set replaces an earlier one, and
// one whose epoch cannot be read has no number at all.
TEST_F(PassesCli, SelectedNumberTakesTheLastUsableSet) {
    const fs::path tle = dir_ / "twice.tle";
    const std::string iss1 =
        "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993\n";
    const std::string iss2 =
        "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437\n";
    std::ofstream(tle) << "FIRST ISS\n" << iss1 << iss2
                       << "NOAA 20\n"
                          "1 43013U 17073A   26127.75369479  .00000054  00000+0  46588-4 0  9990\n"
                          "2 43013  98.7755  67.5796 0001885  57.4918 302.6440 14.19550083438730\n"
                       << "LATER ISS\n" << iss1 << iss2 << "BAD EPOCH ISS\n"
                       << "1 25544U 98067A   26400.42525608" << iss1.substr(32) << iss2;
    const CliRun r = Run("--tle \"" + tle.string() +
                         "\" --sat 43013,25544 --lat 51.4779 --lon -0.0015 "
                         "--start 2026-05-07T12:00:00Z --passes 2");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 5u);
    int iss = 0;
    for (std::size_t i = 1; i < r.out.size(); ++i) {
        const auto f = Split(r.out[i]);
        EXPECT_EQ(f[1], f[0] == "25544" ? "LATER ISS" : "NOAA 20") << r.out[i];
        iss += f[0] == "25544";
    }
    EXPECT_EQ(iss, 2);
}

// With --until the table first has room for one pass a revolution; a retrograde orbit seen
// from the equator has more (120 in a week for 112 revolutions) and is searched again. Every
// pass must come out, in order among the ISS's, as a search with room to spare gives them.
TEST_F(PassesCli, UntilKeepsEveryPassOfASatelliteWithMoreThanOneARevolution) {
    const fs::path tle = dir_ / "retro.tle";
    std::ofstream(tle) << "RETRO\n"
                          "1 99991U 98067A   26127.42525608  .00000000  00000+0  00000-0 0  9993\n"
                          "2 99991 175.0000 141.8725 0001000  32.8924 327.2523 16.00000000565437\n"
                          "ISS\n"
                          "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993\n"
                          "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437\n";
    const std::string site = "--tle \"" + tle.string() +
                             "\" --lat 0 --lon 0 --start 2026-05-07T12:00:00Z ";
    const std::string until = "2026-05-14T12:00:00Z";
    const CliRun week = Run(site + "--until " + until);
    const CliRun spare = Run(site + "--passes 200");
    ASSERT_EQ(week.status, 0);
    ASSERT_EQ(spare.status, 0);
    std::vector<std::string> expected;
    int retro = 0;
    for (const std::string& row : spare.out)
        if (row == spare.out[0] || Split(row)[2] <= until) expected.push_back(row);
    for (const std::string& row : week.out) retro += row.rfind("99991,", 0) == 0;
    EXPECT_GT(retro, 112 + 2);
    EXPECT_EQ(week.out, expected);
}

TEST_F(PassesCli, ManySatellitesForAWeekInBoundedMemory) {
    // 5000 copies of the ISS for 7 days reserve about 220 slots each: a pass table of 1.3 GB
    // if it were allocated in one piece. The rows must come out as from one table: AOS order,
    // equal AOS in file order.
    const int copies = 5000;
    const fs::path tle = dir_ / "many.tle";
    {
        std::ofstream f(tle);
        for (int i = 0; i < copies; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "COPY %04d", i);
            f << name << "\n"
              << "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993\n"
              << "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437\n";
        }
    }
    std::string limit;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    limit = "ulimit -v 800000; ";  // KiB of address space
#endif
    const std::string args = "--tle \"" + tle.string() +
                             "\" --lat 51.4779 --lon -0.0015 --start 2026-05-07T12:00:00Z "
                             "--until 2026-05-14T12:00:00Z --threads 2";
    const fs::path out = dir_ / "out.csv", err = dir_ / "err.txt";
    const std::string cmd = "sh -c '" + limit + "\"" + kCli + "\" passes " + args + "' >\"" +
                            out.string() + "\" 2>\"" + err.string() + "\"";
    const int raw = std::system(cmd.c_str());
#ifdef WEXITSTATUS
    ASSERT_EQ(WEXITSTATUS(raw), 0) << (Lines(err).empty() ? "" : Lines(err)[0]);
#else
    ASSERT_EQ(raw, 0);
#endif
    const auto rows = Lines(out);
    ASSERT_GT(rows.size(), 1u);
    const std::size_t passes = (rows.size() - 1) / copies;
    ASSERT_EQ(rows.size(), 1 + passes * copies);
    ASSERT_GT(passes, 20u);
    for (std::size_t p = 0; p < passes; ++p) {
        const auto first = Split(rows[1 + p * copies]);
        for (int i = 0; i < copies; ++i) {
            const auto f = Split(rows[1 + p * copies + static_cast<std::size_t>(i)]);
            char name[32];
            std::snprintf(name, sizeof name, "COPY %04d", i);
            ASSERT_EQ(f[1], name) << "pass " << p;
            ASSERT_EQ(f[2], first[2]);
            ASSERT_EQ(f[3], first[3]);
        }
    }
}

// The newest sample set has its epoch on 2026-05-07 at 18:05 UTC; beyond six days the
// predictions are very inaccurate, and the command line says so once, on stderr only.
TEST_F(PassesCli, ElementSetsOlderThanSixDaysWarnOnceOnStderr) {
    auto warnings = [](const CliRun& r) {
        int n = 0;
        for (const auto& line : r.err) n += line.find("warning: the element sets are") != std::string::npos;
        return n;
    };
    const std::string base = "--tle \"" + kSample + "\" --lat 51.4779 --lon -0.0015 --passes 1";
    const CliRun young = Run(base + " --start 2026-05-13T18:00:00Z");
    ASSERT_EQ(young.status, 0);
    EXPECT_EQ(warnings(young), 0);

    const CliRun old = Run(base + " --start 2026-05-14T19:00:00Z");
    ASSERT_EQ(old.status, 0);
    EXPECT_EQ(warnings(old), 1);
    for (const auto& line : old.err)
        if (line.find("warning:") != std::string::npos) {
            EXPECT_NE(line.find("7 days old (newest epoch 2026-05-07T"), std::string::npos) << line;
            EXPECT_NE(line.find("Download Keplers"), std::string::npos) << line;
        }
    EXPECT_EQ(old.out[0], kHeader);
}

TEST_F(PassesCli, VisibleOnlyKeepsThePassesWithAWindowAndItsColumns) {
    const std::string base = "--tle \"" + kSample +
                             "\" --sat 25544 --lat 51.4779 --lon -0.0015 "
                             "--start 2026-05-07T12:00:00Z --until 2026-05-09T12:00:00Z";
    const CliRun all = Run(base);
    const CliRun visible = Run(base + " --visible-only");
    ASSERT_EQ(all.status, 0);
    ASSERT_EQ(visible.status, 0);
    EXPECT_EQ(visible.out[0], kHeader);
    std::vector<std::string> expected;
    for (std::size_t i = 1; i < all.out.size(); ++i)
        if (!Split(all.out[i])[19].empty()) expected.push_back(all.out[i]);
    ASSERT_GE(expected.size(), 3u);
    ASSERT_LT(expected.size(), all.out.size() - 1);
    ASSERT_EQ(visible.out.size(), expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(visible.out[i + 1], expected[i]);
        const auto f = Split(expected[i]);
        EXPECT_LE(f[2], f[19]);  // AOS <= visible start < visible end <= LOS
        EXPECT_LT(f[19], f[20]);
        EXPECT_LE(f[20], f[3]);
        EXPECT_FALSE(f[22].empty());  // the ISS has a standard magnitude
        EXPECT_LE(f[19], f[23]);
        EXPECT_LT(f[23], f[20]);
        EXPECT_GE(std::stod(f[17]), std::stod(f[5]));  // culmination >= midpoint elevation
    }
    // Every row has a culmination and a sunlit flag.
    for (std::size_t i = 1; i < all.out.size(); ++i) {
        const auto f = Split(all.out[i]);
        EXPECT_EQ(f[16].size(), 20u);
        EXPECT_TRUE(f[18] == "0" || f[18] == "1");
    }
}

TEST_F(PassesCli, ICalendarParsesWithARealParserAndKeepsTheTimes) {
    const std::string base = "--tle \"" + kSample +
                             "\" --sat 25544 --lat 51.4779 --lon -0.0015 "
                             "--start 2026-05-07T12:00:00Z --passes 6";
    const CliRun csv = Run(base);
    const CliRun ics = Run(base + " --format ical");
    ASSERT_EQ(ics.status, 0);
    ASSERT_EQ(csv.out.size(), 7u);
    ASSERT_FALSE(ics.out.empty());
    EXPECT_EQ(ics.out.front(), "BEGIN:VCALENDAR\r");
    EXPECT_EQ(ics.out.back(), "END:VCALENDAR\r");
    // The parser Debian ships (python3-icalendar) reads it back: one event per pass, with
    // the CSV's AOS and LOS.
    const fs::path file = dir_ / "out.csv";  // what the run wrote
    const fs::path copy = dir_ / "passes.ics";
    fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
    if (std::system("/usr/bin/python3 -c 'import icalendar' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-icalendar is not installed";
    const fs::path script = dir_ / "read.py", parsed = dir_ / "parsed.txt";
    std::ofstream(script)
        << "import sys, icalendar\n"
           "cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
           "for e in cal.walk('VEVENT'):\n"
           "    s, t = e.decoded('DTSTART'), e.decoded('DTEND')\n"
           "    print(s.strftime('%Y-%m-%dT%H:%M:%SZ'), t.strftime('%Y-%m-%dT%H:%M:%SZ'),\n"
           "          s.utcoffset().total_seconds(), str(e['UID']), len(str(e['DESCRIPTION'])) > 0,\n"
           "          str(e['SUMMARY']).startswith('ISS (ZARYA) (25544), culmination'))\n";
    const std::string cmd = "/usr/bin/python3 \"" + script.string() + "\" \"" + copy.string() +
                            "\" >\"" + parsed.string() + "\" 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << (Lines(parsed).empty() ? "" : Lines(parsed)[0]);
    const auto events = Lines(parsed);
    ASSERT_EQ(events.size(), 6u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const auto f = Split(csv.out[i + 1]);
        std::istringstream e(events[i]);
        std::string start, end, offset, uid, hasDesc, summary;
        e >> start >> end >> offset >> uid >> hasDesc >> summary;
        EXPECT_EQ(start, f[2]);
        EXPECT_EQ(end, f[3]);
        EXPECT_EQ(offset, "0.0");  // UTC
        EXPECT_EQ(uid.rfind("25544-", 0), 0u);
        EXPECT_EQ(hasDesc, "True");
        EXPECT_EQ(summary, "True");
    }
}

TEST_F(PassesCli, BadArgumentsAndInputsExitTwo) {
    const std::string base =
        "--tle \"" + kSample + "\" --lat 51 --lon 0 --start 2026-05-07T12:00:00Z";
    for (const std::string& args : {
             std::string("--tle \"") + kSample + "\" --lon 0 --start 2026-05-07T12:00:00Z",
             base + " --passes x",
             base + " --until 2026-05-01T00:00:00Z",
             base + " --sat 99999",
             base + " --frobnicate",
             base + " --format xml",
             base + " --format",
             std::string("--tle \"") + (dir_ / "missing.tle").string() +
                 "\" --lat 51 --lon 0 --start 2026-05-07T12:00:00Z",
             std::string("--tle \"") + kSample + "\" --lat 91 --lon 0 --start 2026-05-07T12:00:00Z",
             std::string("--tle \"") + kSample + "\" --lat 51 --lon 0 --start 2026-05-07 12:00",
         }) {
        const CliRun r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        ASSERT_EQ(r.err.size(), 1u) << args;
        EXPECT_EQ(r.err[0].rfind("orvanta-cli: passes: ", 0), 0u) << r.err[0];
    }
}

}  // namespace

namespace {

// Without --tle, passes and propagate read the program's own element file, set up from the
// built-in one on first use, so an installed command line needs no file at hand.
TEST_F(PassesCli, WithoutTleTheProgramsOwnElementFileIsUsed) {
    const fs::path home = dir_ / "home";
    CliRun passes, propagate;
    {
        const orvanta::test::ScopedEnv env("ORVANTA_HOME", home.string().c_str());
        passes = Run("--sat 25544 --lat 51.4779 --lon -0.0015 --start 2026-05-08T00:00:00Z "
                     "--passes 1");
        propagate = orvanta::testing::RunCli(kCli, "propagate --sat 25544 --minutes 0:10:10", dir_);
    }

    ASSERT_EQ(passes.status, 0);
    ASSERT_EQ(passes.out.size(), 2u);
    EXPECT_EQ(Split(passes.out[1])[0], "25544");
    EXPECT_TRUE(fs::is_regular_file(home / "keplers"));
    ASSERT_EQ(propagate.status, 0);
    ASSERT_EQ(propagate.out.size(), 3u);
    EXPECT_EQ(propagate.out[1].rfind("25544,0.00000000,", 0), 0u) << propagate.out[1];
}

}  // namespace
