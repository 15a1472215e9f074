// orvanta-cli propagate: positions and velocities of element sets, as CSV, for checking the
// orbit model against other tools.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/satellite_details.h"
#include "cli/command.h"
#include "cli/element_age.h"
#include "cli/program_elements.h"
#include "orbit/element_set.h"
#include "orbit/julian_date.h"
#include "orbit/orbit.h"
#include "orbit/tle_file.h"

namespace orvanta::cli {

namespace {

constexpr const char* kUsage =
    "propagate [--tle FILE] [--sat CATNR ...] (--minutes START:STOP:STEP | --at ISO8601Z ...) "
    "[--details [--lat DEG --lon DEG [--alt-m M]]]";
constexpr const char* kHelp =
    "Positions (km) and velocities (km/s) from the orbit model, one CSV row a set and time;\n"
    "ok is 0 where the model gives no position.\n"
    "\n"
    "Options:\n"
    "  --tle FILE                  element file, TLE or OMM (default: the program's element "
    "file)\n"
    "  --sat CATNR ...             catalogue numbers, Alpha-5 too (default: every set)\n"
    "  --minutes START:STOP:STEP   minutes from each set's own epoch\n"
    "  --at ISO8601Z ...           instants, UTC\n"
    "  --details                   add the columns lat_deg,lon_deg,alt_km,speed_kms,\n"
    "                              footprint_km,azimuth,elevation,range_km,range_rate_kms,\n"
    "                              sunlit,period_min,apogee_km,perigee_km,inclination_deg,\n"
    "                              epoch_utc,age_days,next_aos_utc\n"
    "  --lat DEG                   with --details: site latitude, -90 ... 90, north positive\n"
    "  --lon DEG                   with --details: site longitude, -180 ... 180, east positive\n"
    "  --alt-m M                   with --details: site height in whole metres (default: 0)\n"
    "One of --minutes and --at is required. Without a site, the columns azimuth to\n"
    "range_rate_kms and next_aos_utc are empty; next_aos_utc is the first rise after the\n"
    "time (after the pass in progress while the satellite is up), empty when none is found\n"
    "within 7 days or the satellite is geosynchronous. Where ok is 0 the position columns\n"
    "are empty too.\n"
    "\n"
    "Example:\n"
    "  orvanta-cli propagate --tle sample.tle --sat 25544 --minutes 0:1440:360\n"
    "  orvanta-cli propagate --sat 25544 --at 2026-05-07T19:43:00Z --details --lat 51.4779 "
    "--lon -0.0015\n";
// A bound on the rows one request may ask for, so a mistyped step cannot fill the disk.
constexpr double kMaxTimes = 1e7;

bool ParseDouble(const std::string& text, double& value) {
    if (text.empty()) return false;
    std::size_t used = 0;
    try {
        value = std::stod(text, &used);
    } catch (...) {
        return false;
    }
    return used == text.size() && std::isfinite(value);
}

// "1440", "25544" or the Alpha-5 form "A0001".
bool ParseCatalogue(const std::string& text, int& number) {
    // Up to nine digits: OMM files carry numbers beyond the 339999 element lines can hold.
    if (!text.empty() && text.size() <= 9 &&
        text.find_first_not_of("0123456789") == std::string::npos) {
        number = std::stoi(text);
        return true;
    }
    if (text.size() == 5) {
        number = CatalogueNumberFromText(text);
        return number >= 0;
    }
    return false;
}

// YYYY-MM-DDTHH:MM:SS[.fff]Z, UTC.
bool ParseIsoTime(const std::string& text, cJulianDate& date) {
    int y, mo, d, h, mi, consumed = 0;
    double s;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf%n", &y, &mo, &d, &h, &mi, &s,
                    &consumed) != 6)
        return false;
    if (static_cast<std::size_t>(consumed) != text.size() - 1 || text.back() != 'Z') return false;
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':')
        return false;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || h > 23 || mi > 59 ||
        !(s >= 0.0 && s < 60.0))
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (mo == 2 && d == 29 && !leap) return false;
    // Day of the year with fraction, so no precision goes through a seconds count.
    static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int yday = kBefore[mo - 1] + d + (mo > 2 && leap ? 1 : 0);
    date = cJulianDate(y, yday + (h * 3600.0 + mi * 60.0 + s) / 86400.0);
    return true;
}

constexpr const char* kDetailsHeader =
    ",lat_deg,lon_deg,alt_km,speed_kms,footprint_km,azimuth,elevation,range_km,range_rate_kms,"
    "sunlit,period_min,apogee_km,perigee_km,inclination_deg,epoch_utc,age_days,next_aos_utc";

void PrintDetails(const SatelliteDetails& d, const std::optional<double>& nextAos) {
    if (d.positionKnown)
        std::printf(",%.8f,%.8f,%.8f,%.8f,%.8f", d.latitudeDeg, d.longitudeDeg, d.altitudeKm,
                    d.speedKms, d.footprintKm);
    else
        std::printf(",,,,,");
    if (d.view)
        std::printf(",%.8f,%.8f,%.8f,%.8f", d.view->azimuthDeg, d.view->elevationDeg,
                    d.view->rangeKm, d.view->rangeRateKms);
    else
        std::printf(",,,,");
    if (d.positionKnown)
        std::printf(",%d", d.sunlit ? 1 : 0);
    else
        std::printf(",");
    std::printf(",%.8f,%.8f,%.8f,%.8f,%s,%.8f,%s", d.periodMin, d.apogeeKm, d.perigeeKm,
                d.inclinationDeg, FormatIsoUtcSeconds(d.epochJd).c_str(), d.ageDays,
                nextAos ? FormatIsoUtcSeconds(*nextAos).c_str() : "");
}

// A pass search a row would be slow over a long --minutes range. The first rise after t0
// is also the first after any later t before it, so rows in time order reuse it.
class NextAosCache {
public:
    std::optional<double> At(const cElementSet& elements, const ObserverLocation& site,
                             double jd) {
        if (!(valid_ && jd >= from_ && aos_ && jd < *aos_)) {
            aos_ = NextAos(elements, site, jd);
            from_ = jd;
            valid_ = true;
        }
        return aos_;
    }

private:
    bool valid_ = false;
    double from_ = 0.0;
    std::optional<double> aos_;
};

int CatalogueOf(const TleRecord& record) {
    if (record.catalogueNumber >= 0) return record.catalogueNumber;  // from an OMM record
    return record.line1.size() >= 7 ? CatalogueNumberFromText(record.line1.substr(2, 5)) : -1;
}

int Run(const std::vector<std::string>& args) {
    std::string tlePath;
    std::set<int> wanted;
    std::vector<int> wantedOrder;
    bool haveMinutes = false;
    double start = 0, stop = 0, step = 0;
    std::vector<cJulianDate> instants;
    std::vector<std::string> instantTexts;
    bool details = false;
    std::optional<double> siteLat, siteLon;
    std::optional<long> siteAltM;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto values = [&](std::vector<std::string>& out) {
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) out.push_back(args[++i]);
        };
        if (a == "--tle") {
            if (i + 1 >= args.size()) return UsageError("--tle needs a file name");
            tlePath = args[++i];
        } else if (a == "--sat") {
            std::vector<std::string> v;
            values(v);
            if (v.empty()) return UsageError("--sat needs at least one catalogue number");
            for (const std::string& text : v) {
                int n;
                if (!ParseCatalogue(text, n))
                    return UsageError("bad catalogue number '" + text + "'");
                if (wanted.insert(n).second) wantedOrder.push_back(n);
            }
        } else if (a == "--minutes") {
            if (haveMinutes) return UsageError("--minutes given twice");
            if (i + 1 >= args.size()) return UsageError("--minutes needs START:STOP:STEP");
            const std::string range = args[++i];
            const std::size_t c1 = range.find(':');
            const std::size_t c2 = c1 == std::string::npos ? c1 : range.find(':', c1 + 1);
            if (c2 == std::string::npos || !ParseDouble(range.substr(0, c1), start) ||
                !ParseDouble(range.substr(c1 + 1, c2 - c1 - 1), stop) ||
                !ParseDouble(range.substr(c2 + 1), step))
                return UsageError("bad --minutes '" + range + "' (want START:STOP:STEP)");
            if (!(step > 0.0)) return UsageError("--minutes step must be positive");
            if (stop < start) return UsageError("--minutes stop lies before start");
            if ((stop - start) / step + 1.0 > kMaxTimes)
                return UsageError("--minutes asks for more than 10000000 times");
            haveMinutes = true;
        } else if (a == "--at") {
            std::vector<std::string> v;
            values(v);
            if (v.empty()) return UsageError("--at needs at least one time (YYYY-MM-DDTHH:MM:SSZ)");
            for (const std::string& text : v) {
                cJulianDate d;
                if (!ParseIsoTime(text, d))
                    return UsageError("bad time '" + text + "' (want YYYY-MM-DDTHH:MM:SSZ)");
                instants.push_back(d);
                instantTexts.push_back(text);
            }
        } else if (a == "--details") {
            details = true;
        } else if (a == "--lat" || a == "--lon") {
            const double limit = a == "--lat" ? 90.0 : 180.0;
            double deg;
            if (i + 1 >= args.size() || !ParseDouble(args[i + 1], deg) || deg < -limit ||
                deg > limit)
                return UsageError(a + " needs degrees, -" + (a == "--lat" ? "90" : "180") +
                                  " ... " + (a == "--lat" ? "90" : "180"));
            ++i;
            (a == "--lat" ? siteLat : siteLon) = deg;
        } else if (a == "--alt-m") {
            double m;
            if (i + 1 >= args.size() || !ParseDouble(args[i + 1], m) || m != std::floor(m) ||
                std::fabs(m) > 1e6)
                return UsageError("--alt-m needs whole metres");
            ++i;
            siteAltM = static_cast<long>(m);
        } else {
            return UsageError("unknown argument '" + a + "' (usage: " + kUsage + ")");
        }
    }
    if (haveMinutes == !instants.empty())
        return UsageError("give either --minutes START:STOP:STEP or --at TIME ...");
    if (!details && (siteLat || siteLon || siteAltM))
        return UsageError("--lat, --lon and --alt-m go with --details");
    if (siteLat.has_value() != siteLon.has_value() || (siteAltM && !siteLat))
        return UsageError("a site needs both --lat and --lon");
    std::optional<ObserverLocation> site;
    if (siteLat) {
        site = ObserverLocation{};
        site->latitude = *siteLat;
        site->longitude = *siteLon;
        site->altitudeMetres = static_cast<std::int32_t>(siteAltM.value_or(0));
    }

    TleReadResult file;
    std::string error;
    if (tlePath.empty()) {
        tlePath = ProgramElementFile(error);
        if (tlePath.empty()) return UsageError(error);
    }
    if (!ReadTleFile(tlePath, file, error)) return UsageError(error);

    std::vector<const TleRecord*> chosen;
    std::set<int> found;
    for (const TleRecord& record : file.records) {
        const int cat = CatalogueOf(record);
        if (!wanted.empty() && !wanted.count(cat)) continue;
        chosen.push_back(&record);
        found.insert(cat);
    }
    for (int n : wantedOrder)
        if (!found.count(n))
            return UsageError("satellite " + std::to_string(n) + " is not in " + tlePath);
    if (chosen.empty()) return UsageError("no element sets in " + tlePath);
    // Times given as minutes from each set's own epoch say nothing about the sets' age.
    if (!instants.empty()) {
        std::vector<double> epochs;
        for (const TleRecord* record : chosen)
            epochs.push_back(
                cElementSet(record->name, record->line1, record->line2).Epoch().Date());
        double latest = instants.front().Date();
        for (const cJulianDate& when : instants) latest = std::max(latest, when.Date());
        WarnIfElementsStale(epochs, latest);
    }

    std::vector<double> minutes;
    if (haveMinutes) {
        // Each time from the start, not by summing steps, so no error builds up.
        const long count = static_cast<long>(std::floor((stop - start) / step + 1e-9)) + 1;
        for (long k = 0; k < count; ++k) minutes.push_back(start + k * step);
    }

    std::printf("catalogue,tsince_min,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,ok%s\n",
                details ? kDetailsHeader : "");
    for (const TleRecord* record : chosen) {
        const cElementSet elements(record->name, record->line1, record->line2);
        const cOrbit orbit(elements);
        NextAosCache aosCache;
        const int cat = CatalogueOf(*record);
        auto row = [&](double tsince) {
            cEci eci;
            const bool ok = orbit.PositionAt(tsince, eci);
            const cEci shown = ok ? eci : cEci();
            std::printf("%d,%.8f,%.8f,%.8f,%.8f,%.8f,%.8f,%.8f,%d", cat, tsince, shown.Pos().x,
                        shown.Pos().y, shown.Pos().z, shown.Vel().x, shown.Vel().y, shown.Vel().z,
                        ok ? 1 : 0);
            if (details) {
                const double jd = orbit.Epoch().Date() + tsince / 1440.0;
                std::optional<double> aos;
                if (site) aos = aosCache.At(elements, *site, jd);
                PrintDetails(ComputeSatelliteDetails(orbit, site, jd), aos);
            }
            std::printf("\n");
        };
        if (haveMinutes) {
            for (double t : minutes) row(t);
        } else {
            for (const cJulianDate& when : instants)
                row((when.Date() - orbit.Epoch().Date()) * 1440.0);
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "orvanta-cli: cannot write the output\n");
        return 1;
    }
    return 0;
}

}  // namespace

ORVANTA_CLI_COMMAND(kPropagateCommand, "propagate", kUsage, kHelp, Run);

}  // namespace orvanta::cli
