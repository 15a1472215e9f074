// Location: how fast serial input turns into GGA fixes, and what opening the user settings
// costs for the city list.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bench/bench.h"
#include "location/city_list.h"
#include "location/nmea.h"
#include "platform/directories.h"

namespace {

using namespace orvanta;

void BenchGgaCapture() {
    // One second of a typical 1 Hz receiver: GSA, GSV x3, RMC, then the GGA.
    const std::string cycle =
        "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
        "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\r\n"
        "$GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*74\r\n"
        "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00,,,,*4D\r\n"
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
        "$GPGGA,123519.000,4807.0380,N,01131.0000,E,1,08,0.94,545.4,M,46.9,M,,*6D\r\n";
    const int rounds = 200000;
    double t0 = bench::Now();
    int captured = 0;
    for (int i = 0; i < rounds; ++i) {
        GgaCapture cap;
        // Fed in serial-sized pieces, as the port delivers them.
        for (std::size_t at = 0; at < cycle.size() && !cap.Done(); at += 32)
            cap.Feed(std::string_view(cycle).substr(at, 32));
        captured += cap.Done();
    }
    double dt = bench::Now() - t0;
    bench::Report("location.gga_capture", rounds * cycle.size() / dt / 1e6, "MB/s");
    bench::Report("location.gga_capture_ok", captured == rounds ? 1 : 0, "flag");
}

void BenchCityList() {
    std::ifstream in(std::filesystem::path(bench::SourceDirectory()) / "resources/cities.gz",
                     std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), {});
    platform::PrivateTempDir dir;
    const int rounds = 20;
    std::size_t lines = 0;
    double t0 = bench::Now();
    for (int i = 0; i < rounds; ++i) lines = LoadCityList(data, dir.Path()).size();
    double dt = bench::Now() - t0;
    bench::Report("location.city_list_load", dt / rounds * 1e3, "ms");
    bench::Report("location.city_list_lines", static_cast<double>(lines), "lines");
}

}  // namespace

ORVANTA_BENCHMARK(benchGgaCapture, "location", BenchGgaCapture);
ORVANTA_BENCHMARK(benchCityList, "location", BenchCityList);
