#pragma once
// Shared by the pass-search tests: element sets from fixtures, a plain one-second search
// to hold the engine against, and a synthetic element-set builder.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/pass_finder.h"
#include "catalogue/pass_search.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "orbit/tle_file.h"

namespace orvanta::test {

inline std::vector<PassSearchSatellite> LoadSatellites(const std::string& path) {
    TleReadResult file;
    std::string error;
    std::vector<PassSearchSatellite> out;
    if (!ReadTleFile(path, file, error)) return out;
    for (const TleRecord& r : file.records) {
        PassSearchSatellite s;
        s.name = r.name;
        s.line1 = r.line1;
        s.line2 = r.line2;
        s.catalogueNumber = cElementSet(r.name, r.line1, r.line2).CatalogueNumber();
        out.push_back(s);
    }
    return out;
}

inline const PassSearchSatellite* Find(const std::vector<PassSearchSatellite>& sats, int number) {
    for (const auto& s : sats)
        if (s.catalogueNumber == number) return &s;
    return nullptr;
}

struct SecondPass {
    long long aos = 0, los = 0;  // seconds from the start
};

// Every pass by stepping each second, as the simplest search would: AOS the first second
// above the horizon, LOS the first second below it again.
inline std::vector<SecondPass> OneSecondPasses(const PassSearchSatellite& sat,
                                               const ObserverLocation& obs, double now,
                                               long long seconds) {
    const cElementSet el(sat.name, sat.line1, sat.line2);
    const cOrbit orbit(el);
    const cSite site(obs.latitude, obs.longitude, static_cast<double>(obs.altitudeMetres / 1000));
    const double t0 = (now - orbit.Epoch().Date()) * 1440.0;
    std::vector<SecondPass> out;
    bool up = false;
    SecondPass cur;
    for (long long k = 0; k <= seconds; ++k) {
        cEci eci;
        orbit.PositionAt(t0 + static_cast<double>(k) / 60.0, eci);
        const double e = site.LookAngles(eci).el;
        if (!up && e > 0.0) {
            up = true;
            cur.aos = k;
        } else if (up && e < 0.0) {
            up = false;
            cur.los = k;
            if (cur.aos > 0) out.push_back(cur);  // a pass in progress at the start is cut
        }
    }
    return out;
}

inline long long SecondsFrom(double now, double jd) {
    return std::llround((jd - now) * 86400.0);
}

// A two-line set with the given elements (checksums are not read by the model).
inline PassSearchSatellite SyntheticSatellite(const std::string& name, int number, int epochYear2,
                                              double epochDay, double inclination, double raan,
                                              double eccentricity, double argPerigee,
                                              double meanAnomaly, double meanMotion) {
    char l1[80], l2[80];
    std::snprintf(l1, sizeof l1,
                  "1 %05dU 98067A   %02d%012.8f  .00000000  00000-0  00000-0 0  9990", number,
                  epochYear2, epochDay);
    std::snprintf(l2, sizeof l2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f    10", number,
                  inclination, raan, static_cast<int>(std::lround(eccentricity * 1e7)), argPerigee,
                  meanAnomaly, meanMotion);
    PassSearchSatellite s;
    s.name = name;
    s.catalogueNumber = number;
    s.line1 = l1;
    s.line2 = l2;
    return s;
}

}  // namespace orvanta::test
