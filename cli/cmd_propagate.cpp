// orvanta-cli propagate: positions and velocities of element sets, as CSV, for checking the
// orbit model against other tools.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

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
    "propagate [--tle FILE] [--sat CATNR ...] (--minutes START:STOP:STEP | --at ISO8601Z ...)";
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
    "One of --minutes and --at is required.\n"
    "\n"
    "Example:\n"
    "  orvanta-cli propagate --tle sample.tle --sat 25544 --minutes 0:1440:360\n";
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
        } else {
            return UsageError("unknown argument '" + a + "' (usage: " + kUsage + ")");
        }
    }
    if (haveMinutes == !instants.empty())
        return UsageError("give either --minutes START:STOP:STEP or --at TIME ...");

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

    std::printf("catalogue,tsince_min,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,ok\n");
    for (const TleRecord* record : chosen) {
        const cOrbit orbit(cElementSet(record->name, record->line1, record->line2));
        const int cat = CatalogueOf(*record);
        auto row = [&](double tsince) {
            cEci eci;
            const bool ok = orbit.PositionAt(tsince, eci);
            const cEci shown = ok ? eci : cEci();
            std::printf("%d,%.8f,%.8f,%.8f,%.8f,%.8f,%.8f,%.8f,%d\n", cat, tsince, shown.Pos().x,
                        shown.Pos().y, shown.Pos().z, shown.Vel().x, shown.Vel().y, shown.Vel().z,
                        ok ? 1 : 0);
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
