// orvanta-cli propagate as scripts see it: the CSV header, the number formats, the rows and
// the exit status of bad requests. Runs the built program; skipped when it was not built.
#include <gtest/gtest.h>
#include <zlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "tests/support/unique_temp_dir.h"

namespace {

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";

struct Result {
    int status = -1;
    std::vector<std::string> lines;  // standard output
};

Result RunCli(const std::string& args) {
    Result r;
#ifdef _WIN32
    (void)args;
    return r;
#else
    const std::string command = "'" + kCli + "' " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::string out;
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream s(out);
    for (std::string line; std::getline(s, line);) r.lines.push_back(line);
    return r;
#endif
}

class PropagateCli : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "runs the program through a POSIX shell";
#endif
        if (!std::filesystem::exists(kCli)) GTEST_SKIP() << "orvanta-cli not built";
        dir = orvanta::testing::MakeUniqueTempDir("orvanta-cli-");
    }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
    const std::string str3 = std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/str3.tle";
};

TEST_F(PropagateCli, MinuteRangeRows) {
    const Result r = RunCli("propagate --tle '" + str3 + "' --sat 88888 --minutes -1440:1440:720");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.lines.size(), 6u);
    EXPECT_EQ(r.lines[0], "catalogue,tsince_min,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,ok");
    EXPECT_EQ(r.lines[1].rfind("88888,-1440.00000000,", 0), 0u) << r.lines[1];
    // Spacetrack Report No. 3, 88888 at epoch: 2328.97 -5995.22 1719.97 km.
    EXPECT_EQ(r.lines[3].rfind("88888,0.00000000,2328.97", 0), 0u) << r.lines[3];
    EXPECT_NE(r.lines[3].find(",-5995.22"), std::string::npos);
    EXPECT_EQ(r.lines[5].substr(r.lines[5].size() - 2), ",1");
    // Eight decimals in every numeric column.
    std::istringstream fields(r.lines[3]);
    std::string field;
    std::getline(fields, field, ',');
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(std::getline(fields, field, ','));
        const auto point = field.find('.');
        ASSERT_NE(point, std::string::npos) << field;
        EXPECT_EQ(field.size() - point - 1, 8u) << field;
    }
}

TEST_F(PropagateCli, FixedInstantsGzipAndFailedRows) {
    // The decaying verification set: propagates at 50 minutes, fails from 55 on.
    const std::string text =
        "# comment\nMINOTAUR R/B\n"
        "1 28872U 05037B   05333.02012661  .25992681  00000-0  24476-3 0  1534\n"
        "2 28872  96.4736 157.9986 0303955 244.0492 110.6523 16.46015938 10708      0.0"
        "        60.0          5.00\n";
    const auto path = dir / "sets.gz";
    gzFile gz = gzopen(path.string().c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
    gzclose(gz);
    const Result r = RunCli("propagate --tle '" + path.string() + "' --minutes 50:60:5");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[1].substr(r.lines[1].size() - 2), ",1");
    EXPECT_EQ(r.lines[2],
              "28872,55.00000000,0.00000000,0.00000000,0.00000000,0.00000000,"
              "0.00000000,0.00000000,0");
    // The epoch 2005 day 333.02012661 is 2005-11-29T00:28:58.939Z: a time 60 s later is one
    // minute from epoch.
    const Result at = RunCli("propagate --tle '" + path.string() +
                             "' --at 2005-11-29T00:29:58.939104Z 2005-11-29T00:28:58.939104Z");
    ASSERT_EQ(at.status, 0);
    ASSERT_EQ(at.lines.size(), 3u);
    // Julian dates resolve some 40 microseconds.
    EXPECT_NEAR(std::stod(at.lines[1].substr(6)), 1.0, 1e-6) << at.lines[1];
    EXPECT_NEAR(std::stod(at.lines[2].substr(6)), 0.0, 1e-6) << at.lines[2];
}

TEST_F(PropagateCli, OmmFileWithSixDigitAndLargerNumbers) {
    // The same ISS elements under three numbers; the OMM file is read by its content.
    std::string json = "[";
    for (const char* number : {"25544", "123456", "400000"}) {
        if (json.size() > 1) json += ",";
        json += std::string(R"({"OBJECT_NAME":"ISS","OBJECT_ID":"1998-067A",)") +
                R"("EPOCH":"2026-04-27T08:40:14.575584","MEAN_MOTION":15.48988133,)"
                R"("ECCENTRICITY":0.0007016,"INCLINATION":51.632,"RA_OF_ASC_NODE":191.6695,)"
                R"("ARG_OF_PERICENTER":356.2195,"MEAN_ANOMALY":3.874,"BSTAR":0.00019594,)"
                R"("MEAN_MOTION_DOT":0.0001036,"NORAD_CAT_ID":)" + number + "}";
    }
    json += "]";
    const auto path = dir / "gp.json";
    std::ofstream(path) << json;
    const Result r = RunCli("propagate --tle '" + path.string() + "' --minutes 0:60:60");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.lines.size(), 7u);
    EXPECT_EQ(r.lines[1].substr(0, r.lines[1].find(',', 6)), "25544,0.00000000");
    // Same elements, same positions, whatever the number.
    EXPECT_EQ(r.lines[3], "123456" + r.lines[1].substr(5));
    EXPECT_EQ(r.lines[5], "400000" + r.lines[1].substr(5));
    const Result one = RunCli("propagate --tle '" + path.string() + "' --sat 400000 --at "
                              "2026-04-27T08:40:14.575584Z");
    ASSERT_EQ(one.status, 0);
    ASSERT_EQ(one.lines.size(), 2u);
    EXPECT_EQ(one.lines[1].rfind("400000,", 0), 0u);
}

TEST_F(PropagateCli, DetailsAddColumnsAndLeaveThePlainOutputAlone) {
    const std::string base = "propagate --tle '" + str3 + "' --sat 88888 --minutes 0:360:360";
    const Result plain = RunCli(base);
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(plain.lines.size(), 3u);
    EXPECT_EQ(plain.lines[0], "catalogue,tsince_min,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,ok");
    EXPECT_EQ(plain.lines[1],
              "88888,0.00000000,2328.97070437,-5995.22083333,1719.97065611,2.91207225,"
              "-0.98341531,-7.09081697,1");

    const Result details = RunCli(base + " --details");
    ASSERT_EQ(details.status, 0);
    ASSERT_EQ(details.lines.size(), 3u);
    EXPECT_EQ(details.lines[0],
              plain.lines[0] +
                  ",lat_deg,lon_deg,alt_km,speed_kms,footprint_km,azimuth,elevation,range_km,"
                  "range_rate_kms,sunlit,period_min,apogee_km,perigee_km,inclination_deg,"
                  "epoch_utc,age_days,next_aos_utc");
    for (std::size_t k = 1; k < 3; ++k)
        EXPECT_EQ(details.lines[k].rfind(plain.lines[k] + ",", 0), 0u) << details.lines[k];
    // No site: the four look-angle columns and the next rise stay empty.
    EXPECT_NE(details.lines[1].find(",,,,,"), std::string::npos) << details.lines[1];
    EXPECT_EQ(details.lines[1].back(), ',');

    // ISS over Greenwich, up at 19:43 (tests/data/catalogue/pass_reference.csv): the next
    // rise is that of the pass after.
    const std::string iss = std::string(ORVANTA_TEST_DATA_DIR) + "/catalogue/pass_reference.tle";
    const Result site = RunCli("propagate --tle '" + iss + "' --sat 25544 --at "
                               "2026-05-07T19:43:00Z --details --lat 51.4779 --lon -0.0015");
    ASSERT_EQ(site.status, 0);
    ASSERT_EQ(site.lines.size(), 2u);
    EXPECT_EQ(site.lines[1].substr(site.lines[1].size() - 52),
              "2026-05-07T10:12:22Z,0.39627170,2026-05-07T21:14:09Z")
        << site.lines[1];
}

TEST_F(PropagateCli, BadRequestsExitWithTwo) {
    const std::vector<std::string> requests = {
        "propagate",
        "propagate --tle '" + str3 + "'",
        "propagate --tle /nonexistent/file --minutes 0:10:1",
        "propagate --tle '" + str3 + "' --minutes 0:10:0",
        "propagate --tle '" + str3 + "' --minutes 10:0:1",
        "propagate --tle '" + str3 + "' --minutes 0:10",
        "propagate --tle '" + str3 + "' --sat 12345 --minutes 0:10:1",
        "propagate --tle '" + str3 + "' --at 2026-13-01T00:00:00Z",
        "propagate --tle '" + str3 + "' --at 2026-01-01T00:00:00",
        "propagate --tle '" + str3 + "' --minutes 0:1:1 --at 2026-01-01T00:00:00Z",
        "propagate --tle '" + str3 + "' --minutes 0:1:1 --frobnicate",
        "propagate --tle '" + str3 + "' --minutes 0:1:1 --lat 10 --lon 10",
        "propagate --tle '" + str3 + "' --minutes 0:1:1 --details --lat 10",
        "propagate --tle '" + str3 + "' --minutes 0:1:1 --details --lat 91 --lon 0"};
    for (const std::string& args : requests) {
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.lines.empty()) << args;
    }
}

}  // namespace
