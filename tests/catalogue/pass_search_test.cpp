// The pass search engine: against Skyfield, against a plain one-second search, and the
// worker, window and failure behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/pass_finder.h"
#include "catalogue/pass_search.h"
#include "orbit/julian_date.h"
#include "pass_test_util.h"

namespace orvanta {
namespace {

using test::Find;
using test::LoadSatellites;

const std::string kData = std::string(ORVANTA_TEST_DATA_DIR) + "/catalogue/";

struct Collected {
    std::vector<std::pair<int, std::string>> lines;  // level, text
    bool Has(const std::string& part, int level) const {
        for (const auto& [l, t] : lines)
            if (l == level && t.find(part) != std::string::npos) return true;
        return false;
    }
};

struct Outcome {
    SatelliteSearchResult result;
    std::vector<PassRecord> passes;
    Collected log;
};

Outcome Search(const PassSearchSatellite& sat, const ObserverLocation& obs, double now, int n,
               double until = 0.0, bool flares = false, bool lunar = false, bool nvs = true) {
    Outcome run;
    SatelliteSearchContext ctx;
    ctx.now = now;
    ctx.observer = obs;
    ctx.options.passesPerSatellite = n;
    ctx.options.untilJd = until;
    ctx.options.searchIridiumFlares = flares;
    ctx.options.searchLunarPasses = lunar;
    ctx.options.reportNvs = nvs;
    ctx.log = [&run](int level, const std::string& text) {
        run.log.lines.emplace_back(level, text);
    };
    run.passes.assign(static_cast<std::size_t>(std::max(n, 0)), PassRecord{});
    run.result = SearchSatellitePasses(sat, 3, ctx, run.passes.data());
    run.passes.resize(static_cast<std::size_t>(run.result.passes));
    return run;
}

ObserverLocation Site(double lat, double lon, int altM = 0) {
    ObserverLocation o;
    o.latitude = lat;
    o.longitude = lon;
    o.altitudeMetres = altM;
    return o;
}

double Jd(const char* iso) {
    return *ParseIsoUtc(iso);
}

// ---- independent reference: Skyfield find_events (tools/make_pass_reference.py) ----------

struct RefPass {
    std::string site;
    double lat, lon;
    int alt, number;
    double start, end, aos, los, culmination, midpoint;
};

std::vector<RefPass> ReadReference() {
    std::ifstream in(kData + "pass_reference.csv");
    std::vector<RefPass> out;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (header) {
            header = false;
            continue;
        }
        std::stringstream ss(line);
        std::vector<std::string> f;
        std::string cell;
        while (std::getline(ss, cell, ',')) f.push_back(cell);
        if (f.size() != 12) continue;
        out.push_back({f[0], std::stod(f[1]), std::stod(f[2]), std::stoi(f[3]), std::stoi(f[4]),
                       Jd(f[5].c_str()), Jd(f[6].c_str()), Jd(f[7].c_str()), Jd(f[8].c_str()),
                       std::stod(f[9]), std::stod(f[10])});
    }
    return out;
}

TEST(PassSearchReference, MatchesSkyfieldToTwoSecondsAndHalfADegree) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    const auto ref = ReadReference();
    ASSERT_EQ(sats.size(), 4u);
    ASSERT_GT(ref.size(), 100u);

    std::map<std::pair<std::string, int>, std::vector<RefPass>> groups;
    for (const auto& r : ref) groups[{r.site, r.number}].push_back(r);
    ASSERT_EQ(groups.size(), 8u);  // four satellites from two sites

    double worstAos = 0, worstLos = 0, worstEl = 0;
    int compared = 0;
    for (const auto& [key, passes] : groups) {
        const RefPass& g = passes.front();
        const PassSearchSatellite* sat = Find(sats, g.number);
        ASSERT_NE(sat, nullptr);
        const Outcome run = Search(*sat, Site(g.lat, g.lon, g.alt), g.start, 500, g.end);
        for (const RefPass& r : passes) {
            const PassRecord* match = nullptr;
            for (const auto& p : run.passes)
                if (std::fabs(p.aos - r.aos) * 86400.0 < 30.0) match = &p;
            ASSERT_NE(match, nullptr) << key.first << " #" << key.second << " missing pass at "
                                      << FormatIsoUtcSeconds(r.aos);
            // Our AOS and LOS are whole seconds (the first above and the first below), the
            // reference's are interpolated crossings.
            const double dAos = (match->aos - r.aos) * 86400.0;
            const double dLos = (match->los - r.los) * 86400.0;
            const double dEl = match->maxElevation - r.midpoint;
            EXPECT_LE(std::fabs(dAos), 2.0) << key.first << " #" << key.second;
            EXPECT_LE(std::fabs(dLos), 2.0) << key.first << " #" << key.second;
            EXPECT_LE(std::fabs(dEl), 0.5) << key.first << " #" << key.second;
            EXPECT_LE(match->maxElevation, r.culmination + 0.05);
            worstAos = std::max(worstAos, std::fabs(dAos));
            worstLos = std::max(worstLos, std::fabs(dLos));
            worstEl = std::max(worstEl, std::fabs(dEl));
            ++compared;
        }
        // Passes of ours the reference lacks may only be grazing ones it can miss.
        for (const auto& p : run.passes) {
            if (p.aos < g.start || p.los > g.end) continue;
            bool known = false;
            for (const RefPass& r : passes)
                known = known || std::fabs(p.aos - r.aos) * 86400.0 < 30.0;
            if (!known) {
                EXPECT_LT(p.maxElevation, 0.2) << "extra pass at " << FormatIsoUtcSeconds(p.aos);
            }
        }
    }
    RecordProperty("passes_compared", compared);
    RecordProperty("worst_aos_s", std::to_string(worstAos));
    RecordProperty("worst_los_s", std::to_string(worstLos));
    RecordProperty("worst_max_el_deg", std::to_string(worstEl));
    std::printf("compared %d passes: worst AOS %.3f s, LOS %.3f s, max el %.3f deg\n", compared,
                worstAos, worstLos, worstEl);
}

// ---- the same passes as stepping every second ---------------------------------------

TEST(PassSearchStepping, SameSecondsAsAOneSecondSearch) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    struct Case {
        int number;
        double lat, lon;
        const char* start;
    } cases[] = {
        {25544, 51.4779, -0.0015, "2026-05-07T12:00:00Z"},
        {25544, 78.2232, 15.6267, "2026-05-07T12:00:00Z"},  // grazing passes far north
        {41917, -33.8688, 151.2093, "2026-05-07T12:00:07Z"},
        {43013, 0.0, 30.0, "2026-05-07T18:00:00Z"},
        {25847, 51.4779, -0.0015, "2022-02-04T00:00:00Z"},  // Molniya, SDP4
        {25847, -33.8688, 151.2093, "2022-02-04T00:00:00Z"},
    };
    for (const Case& c : cases) {
        const PassSearchSatellite* sat = Find(sats, c.number);
        ASSERT_NE(sat, nullptr) << c.number;
        const double now = Jd(c.start);
        const long long span = 2 * 86400;
        const auto plain = test::OneSecondPasses(*sat, Site(c.lat, c.lon), now, span);
        const Outcome run = Search(*sat, Site(c.lat, c.lon), now, 500, now + span / 86400.0);
        std::vector<test::SecondPass> ours;
        for (const auto& p : run.passes) {
            const test::SecondPass sp{test::SecondsFrom(now, p.aos), test::SecondsFrom(now, p.los)};
            if (sp.aos > 0 && sp.los <= span) ours.push_back(sp);
        }
        ASSERT_EQ(ours.size(), plain.size()) << c.number << " at " << c.lat;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(ours[i].aos, plain[i].aos) << c.number << " pass " << i;
            EXPECT_EQ(ours[i].los, plain[i].los) << c.number << " pass " << i;
        }
        // Far fewer propagations than one a second.
        EXPECT_LT(run.result.evaluations, span / 20) << c.number;
    }
}

// ---- resuming at LOS against resuming one period after AOS less ten minutes ----------

// The older rule, stepping every second: after a pass the search goes on at AOS + period -
// 600 s; a start above the horizon is followed back to its rise. At most maxPasses.
std::vector<test::SecondPass> PassesResumingAfterAos(const PassSearchSatellite& sat,
                                                     const ObserverLocation& obs, double now,
                                                     long long seconds, std::size_t maxPasses) {
    const cElementSet el(sat.name, sat.line1, sat.line2);
    const cOrbit orbit(el);
    const cSite site(obs.latitude, obs.longitude, static_cast<double>(obs.altitudeMetres / 1000));
    const double t0 = (now - orbit.Epoch().Date()) * 1440.0;
    auto elevation = [&](long long k) {
        cEci eci;
        orbit.PositionAt(t0 + static_cast<double>(k) / 60.0, eci);
        return site.LookAngles(eci).el;
    };
    const long long resume = std::llround(orbit.Period() - 600.0);
    std::vector<test::SecondPass> out;
    long long k = 0;
    while (k <= seconds && out.size() < maxPasses) {
        if (!(elevation(k) > 0.0)) {
            ++k;
            continue;
        }
        test::SecondPass p;
        p.aos = k;
        while (elevation(p.aos - 1) > 0.0) --p.aos;
        p.los = k + 1;
        while (!(elevation(p.los) < 0.0)) ++p.los;
        out.push_back(p);
        k = p.aos + resume;
    }
    return out;
}

// Whether the older rule, applied to a complete list of passes, would have given the same
// list: no pass ends after the restart (it would be found twice) and none lies wholly between
// a LOS and the restart (it would be skipped).
bool OlderRuleKeepsEveryPass(const std::vector<PassRecord>& passes, double periodSeconds) {
    for (std::size_t i = 0; i + 1 < passes.size(); ++i) {
        const double restart = passes[i].aos + (periodSeconds - 600.0) / 86400.0;
        if (passes[i].los > restart || passes[i + 1].los <= restart) return false;
    }
    return true;
}

TEST(PassSearchStepping, ResumingAtLosGivesTheSamePassesAsOnePeriodAfterAosForLowOrbits) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    struct Case {
        int number;
        double lat, lon;
    } cases[] = {
        {25544, 51.4779, -0.0015},   {25544, 65.0, 15.6267}, {25544, -33.8688, 151.2093},
        {41917, -33.8688, 151.2093}, {41917, 70.0, 25.0},    {43013, 0.0, 30.0},
        {43013, 51.4779, -0.0015},
    };
    const double now = Jd("2026-05-07T12:00:00Z");
    const long long span = 2 * 86400;
    for (const Case& c : cases) {
        const PassSearchSatellite* sat = Find(sats, c.number);
        ASSERT_NE(sat, nullptr);
        const auto older = PassesResumingAfterAos(*sat, Site(c.lat, c.lon), now, span, 500);
        const Outcome run = Search(*sat, Site(c.lat, c.lon), now, 500, now + span / 86400.0);
        std::vector<test::SecondPass> ours;
        for (const auto& p : run.passes)
            ours.push_back({test::SecondsFrom(now, p.aos), test::SecondsFrom(now, p.los)});
        ASSERT_GE(older.size(), 5u) << c.number << " at " << c.lat;
        ASSERT_EQ(ours.size(), older.size()) << c.number << " at " << c.lat;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(ours[i].aos, older[i].aos) << c.number << " at " << c.lat << " pass " << i;
            EXPECT_EQ(ours[i].los, older[i].los) << c.number << " at " << c.lat << " pass " << i;
        }
    }
    // The same over the whole globe for four days: for these orbits the two rules agree.
    for (int number : {25544, 41917, 43013}) {
        const PassSearchSatellite& sat = *Find(sats, number);
        const double period = cOrbit(cElementSet(sat.name, sat.line1, sat.line2)).Period();
        for (double lat = -80.0; lat <= 80.0; lat += 10.0) {
            for (double lon = -180.0; lon < 180.0; lon += 30.0) {
                const Outcome run = Search(sat, Site(lat, lon), now, 500, now + 4.0);
                EXPECT_TRUE(OlderRuleKeepsEveryPass(run.passes, period))
                    << number << " at " << lat << ", " << lon;
            }
        }
    }
}

TEST(PassSearchStepping, ResumingAtLosFindsTheMolniyaPassesOnePeriodAfterAosSkips) {
    // From 60 degrees south a Molniya makes a long pass round apogee and, 11.5 hours after
    // its rise, a short one near perigee, both within one 12-hour period: resuming one period
    // after AOS less ten minutes jumps over the short one.
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    const PassSearchSatellite& molniya = *Find(sats, 25847);
    const double period = cOrbit(cElementSet(molniya.name, molniya.line1, molniya.line2)).Period();
    const double now = Jd("2022-02-04T00:00:00Z");
    const long long span = 3 * 86400;
    for (const auto& [lat, lon] : {std::pair{-60.0, 50.0}, std::pair{78.2232, 15.6267}}) {
        const ObserverLocation obs = Site(lat, lon);
        const auto plain = test::OneSecondPasses(molniya, obs, now, span);
        const Outcome run = Search(molniya, obs, now, 500, now + span / 86400.0);
        std::vector<test::SecondPass> ours;
        for (const auto& p : run.passes) {
            const test::SecondPass sp{test::SecondsFrom(now, p.aos), test::SecondsFrom(now, p.los)};
            if (sp.aos > 0 && sp.los <= span) ours.push_back(sp);
        }
        ASSERT_EQ(ours.size(), plain.size()) << lat;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(ours[i].aos, plain[i].aos) << lat << " pass " << i;
            EXPECT_EQ(ours[i].los, plain[i].los) << lat << " pass " << i;
        }
        std::size_t older = 0;
        for (const auto& p : PassesResumingAfterAos(molniya, obs, now, span, 500))
            older += p.aos > 0 && p.los <= span ? 1 : 0;
        if (lat < 0.0) {
            EXPECT_LT(older, plain.size());
            EXPECT_FALSE(OlderRuleKeepsEveryPass(run.passes, period));
        } else {
            EXPECT_EQ(older, plain.size()) << lat;
        }
    }
}

TEST(PassSearchStepping, RecordFieldsOfAPass) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    const double now = Jd("2026-05-07T12:00:00Z");
    const Outcome run = Search(*Find(sats, 25544), Site(51.4779, -0.0015), now, 5);
    ASSERT_EQ(run.result.end, SatelliteSearchEnd::COMPLETE);
    ASSERT_EQ(run.passes.size(), 5u);
    for (std::size_t i = 0; i < run.passes.size(); ++i) {
        const PassRecord& p = run.passes[i];
        EXPECT_EQ(p.satellite, 3);
        EXPECT_GT(p.aos, now);
        EXPECT_GT(p.los, p.aos);
        if (i > 0) {
            EXPECT_GT(p.aos, run.passes[i - 1].los);
        }
        EXPECT_GT(p.maxElevation, 0.0);
        for (double az : {p.riseAzimuth, p.setAzimuth, p.midAzimuth}) {
            EXPECT_GE(az, 0.0);
            EXPECT_LT(az, 360.0);
        }
        EXPECT_TRUE(p.lighting == LIGHTING_SUNLIT || p.lighting == LIGHTING_DARK ||
                    p.lighting == LIGHTING_TWILIGHT);
        EXPECT_EQ(p.lunarStart, 0.0);
        EXPECT_EQ(p.flareStart[0] + p.flareStart[1] + p.flareStart[2], 0.0);
    }
    // 19:40 UTC in May at Greenwich: the Sun is a few degrees down (twilight); 23:00 dark.
    EXPECT_EQ(run.passes[0].lighting, LIGHTING_TWILIGHT);
    EXPECT_EQ(run.passes[2].lighting, LIGHTING_DARK);
}

TEST(PassSearchStepping, PassInProgressAtTheStartKeepsItsRise) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    const PassSearchSatellite& iss = *Find(sats, 25544);
    const ObserverLocation obs = Site(51.4779, -0.0015);
    const double now = Jd("2026-05-07T12:00:00Z");
    const Outcome before = Search(iss, obs, now, 3);
    ASSERT_EQ(before.passes.size(), 3u);
    const PassRecord& second = before.passes[1];
    const double inside = second.aos + 120.0 / 86400.0;
    const Outcome during = Search(iss, obs, inside, 2);
    ASSERT_EQ(during.passes.size(), 2u);
    EXPECT_LT(during.passes[0].aos, inside);
    EXPECT_NEAR(during.passes[0].aos, second.aos, 0.5 / 86400.0);
    EXPECT_NEAR(during.passes[0].los, second.los, 0.5 / 86400.0);
    EXPECT_NEAR(during.passes[1].aos, before.passes[2].aos, 0.5 / 86400.0);
}

// ---- windows, limits and satellites that are never or always up ---------------------

// An equatorial orbit slightly faster than the Earth turns: it drifts east 25 degrees a
// day, so it is up for days and down for about eight.
PassSearchSatellite Drifter(double meanMotion) {
    return test::SyntheticSatellite("DRIFTER", 90001, 26, 127.5, 0.05, 10.0, 0.0002, 0.0, 0.0,
                                    meanMotion);
}

TEST(PassSearchWindow, FirstPassMustStartWithinSevenDays) {
    const PassSearchSatellite sat = Drifter(1.07);
    const ObserverLocation obs = Site(0.0, 0.0);
    const double epoch = 2461168.0;  // 2026 day 127.5
    const Outcome first = Search(sat, obs, epoch, 3, epoch + 40.0);
    ASSERT_GE(first.passes.size(), 2u);
    // Right after a set the next rise is more than 7 days away: nothing is found, and the
    // satellite is reported as not visible (only when asked to).
    const double afterSet = first.passes[0].los + 60.0 / 86400.0;
    ASSERT_GT(first.passes[1].aos - afterSet, 7.0);
    const Outcome none = Search(sat, obs, afterSet, 3);
    EXPECT_EQ(none.result.end, SatelliteSearchEnd::NOT_VISIBLE);
    EXPECT_TRUE(none.passes.empty());
    EXPECT_TRUE(none.log.Has("This satellite is not visible within 7 days: DRIFTER (#90001)", 1));
    const Outcome quiet = Search(sat, obs, afterSet, 3, 0.0, false, false, /*nvs=*/false);
    EXPECT_TRUE(quiet.log.lines.empty());
    // Two days later the rise is within the window; the pass after it, two weeks on, is
    // still searched for although it lies beyond the 7 days.
    const Outcome later = Search(sat, obs, afterSet + 2.0, 2);
    ASSERT_EQ(later.passes.size(), 2u);
    EXPECT_NEAR(later.passes[0].aos, first.passes[1].aos, 1.0 / 86400.0);
    EXPECT_GT(later.passes[1].aos - (afterSet + 2.0), 7.0);
}

TEST(PassSearchWindow, SatelliteThatNeverSetsDoesNotHang) {
    // Drifts 6 degrees a day: in view for about four weeks at a time.
    const PassSearchSatellite sat = Drifter(1.02);
    const Outcome run = Search(sat, Site(0.0, 0.0), 2461168.0 + 1.0, 5);
    EXPECT_EQ(run.result.end, SatelliteSearchEnd::NEVER_SETS);
    EXPECT_TRUE(run.passes.empty());
    EXPECT_TRUE(run.log.Has("does not set within 7 days", 1));
}

TEST(PassSearchWindow, GeosynchronousAndBrokenSetsAreSkippedWithALine) {
    const PassSearchSatellite geo = Drifter(1.0027);
    const Outcome run = Search(geo, Site(0.0, 0.0), 2461168.0, 5);
    EXPECT_EQ(run.result.end, SatelliteSearchEnd::GEOSYNCHRONOUS);
    EXPECT_TRUE(run.log.Has(
        "Aborted trying to find passes for geosynchronous satellite DRIFTER (#90001)!", 1));

    PassSearchSatellite broken = geo;
    broken.line2 = broken.line2.substr(0, 40);
    const Outcome b = Search(broken, Site(0.0, 0.0), 2461168.0, 5);
    EXPECT_EQ(b.result.end, SatelliteSearchEnd::NO_ORBIT);
    EXPECT_EQ(b.log.lines.size(), 1u);
}

TEST(PassSearchWindow, UntilStopsTheSearch) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    const double now = Jd("2026-05-07T12:00:00Z");
    const Outcome run = Search(*Find(sats, 25544), Site(51.4779, -0.0015), now, 100, now + 1.0);
    EXPECT_EQ(run.result.end, SatelliteSearchEnd::UNTIL_REACHED);
    ASSERT_FALSE(run.passes.empty());
    for (const auto& p : run.passes) EXPECT_LE(p.aos, now + 1.0);
    EXPECT_LT(run.passes.size(), 10u);
}

// ---- workers -------------------------------------------------------------------------

TEST(PassSearchWorkers, SelectionIsDividedAsBefore) {
    EXPECT_EQ(WorkerCount(8, 3), 3);
    EXPECT_EQ(WorkerCount(2, 7), 2);
    EXPECT_EQ(WorkerCount(0, 7), 1);
    EXPECT_EQ(WorkerCount(4, 0), 0);
    const auto seven = DivideSelection(7, 2);
    ASSERT_EQ(seven.size(), 2u);
    EXPECT_EQ(seven[0], std::make_pair(0, 2));
    EXPECT_EQ(seven[1], std::make_pair(3, 6));
    const auto three = DivideSelection(3, 3);
    EXPECT_EQ(three[2], std::make_pair(2, 2));
    const auto ten = DivideSelection(10, 4);  // 2, 2, 2 and 4
    EXPECT_EQ(ten[3], std::make_pair(6, 9));
}

PassSearchInputs IssInputs(int copies, int n) {
    const auto sats = LoadSatellites(kData + "pass_reference.tle");
    PassSearchInputs in;
    in.now = Jd("2026-05-07T12:00:00Z");
    in.observer = Site(51.4779, -0.0015);
    in.options.passesPerSatellite = n;
    for (int i = 0; i < copies; ++i) in.satellites.push_back(*Find(sats, 25544));
    return in;
}

TEST(PassSearchWorkers, EachSatelliteFillsItsOwnSlots) {
    PassSearchInputs in = IssInputs(3, 4);
    in.satellites.push_back(in.satellites[0]);
    in.satellites.back().located = false;  // no longer in the catalogue: slots stay empty
    std::vector<std::string> lines;
    PassSearch search([&lines](int, int, const std::string& t) { lines.push_back(t); });
    ASSERT_TRUE(search.Run(in, 8));
    EXPECT_EQ(search.Workers(), 4);
    EXPECT_FALSE(search.Running());
    const auto& table = search.Records();
    ASSERT_EQ(table.size(), 16u);
    for (int s = 0; s < 3; ++s) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(table[s * 4 + k].satellite, s);
            EXPECT_DOUBLE_EQ(table[s * 4 + k].aos, table[k].aos);
        }
    }
    for (int k = 12; k < 16; ++k) EXPECT_TRUE(table[k].IsEmpty());
    EXPECT_DOUBLE_EQ(search.Progress(), 100.0);

    std::vector<PassRecord> sorted = search.TakeRecords();
    SortPassTable(sorted);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(sorted[i].IsEmpty());
    for (std::size_t i = 5; i < sorted.size(); ++i) EXPECT_LE(sorted[i - 1].aos, sorted[i].aos);
}

TEST(PassSearchWorkers, WorkerLinesCarryTheirThreadNumber) {
    PassSearchInputs in = IssInputs(2, 1);
    in.satellites[1] = Drifter(1.0027);    // geosynchronous: one line from worker 1
    std::vector<std::pair<int, int>> who;  // thread, level
    PassSearch search(
        [&who](int thread, int level, const std::string&) { who.emplace_back(thread, level); });
    ASSERT_TRUE(search.Run(in, 2));
    ASSERT_EQ(who.size(), 1u);
    EXPECT_EQ(who[0], std::make_pair(1, 1));
    EXPECT_NE(search.Worker(1)->Message().find("geosynchronous"), std::string::npos);
    EXPECT_TRUE(search.Worker(0)->Message().empty());
}

TEST(PassSearchWorkers, AbortEndsEveryWorkerAndLeavesNoHalfRecords) {
    PassSearchInputs in = IssInputs(300, 20);
    in.options.searchLunarPasses = true;
    // Three satellites may begin: two are searched whole, and the worker that finishes
    // first is part-way through the third when the other waits at the gate.
    in.gate = std::make_shared<PassSearchGate>(false);
    in.gate->Allow(3);
    PassSearch search;
    ASSERT_TRUE(search.Start(in, 2));
    EXPECT_FALSE(search.Start(in, 2));  // one search at a time
    ASSERT_TRUE(in.gate->WaitUntilHeld(1, std::chrono::minutes(5)));
    EXPECT_TRUE(search.Running());
    search.Abort();
    search.Wait();
    EXPECT_FALSE(search.Running());
    EXPECT_TRUE(search.AbortRequested());
    const double progress = search.Progress();
    EXPECT_GT(progress, 0.0);
    EXPECT_LT(progress, 100.0);
    int filled = 0;
    for (const auto& r : search.Records()) {
        EXPECT_EQ(r.aos == 0.0, r.los == 0.0);  // complete records or empty slots
        filled += r.IsEmpty() ? 0 : 1;
    }
    EXPECT_GT(filled, 0);
    EXPECT_LT(filled, 300 * 20);
    // A new search may start once the old one has ended.
    in.satellites.resize(1);
    in.options.passesPerSatellite = 1;
    in.gate->Open();
    EXPECT_TRUE(search.Run(in, 2));
    EXPECT_FALSE(search.Records()[0].IsEmpty());
}

TEST(PassSearchWorkers, AClosedGateHoldsTheSearchUntilOpenedAndAbortReleasesIt) {
    PassSearchInputs in = IssInputs(4, 1);
    in.gate = std::make_shared<PassSearchGate>(false);
    PassSearch search;
    ASSERT_TRUE(search.Start(in, 2));
    ASSERT_TRUE(in.gate->WaitUntilHeld(2, std::chrono::minutes(1)));
    EXPECT_TRUE(search.Running());
    EXPECT_EQ(search.Progress(), 0.0);
    in.gate->Open();
    search.Wait();
    EXPECT_EQ(in.gate->Passed(), 4);
    EXPECT_DOUBLE_EQ(search.Progress(), 100.0);

    // Held workers see an abort at once and begin nothing more.
    in.gate->Close();
    PassSearch held;
    ASSERT_TRUE(held.Start(in, 2));
    ASSERT_TRUE(in.gate->WaitUntilHeld(2, std::chrono::minutes(1)));
    held.Abort();
    held.Wait();
    EXPECT_FALSE(held.Running());
    EXPECT_EQ(in.gate->Passed(), 4);
    for (const auto& r : held.Records()) EXPECT_TRUE(r.IsEmpty());
}

TEST(PassSearchWorkers, NothingToSearch) {
    PassSearch search;
    EXPECT_FALSE(search.Start(PassSearchInputs{}, 2));
    EXPECT_EQ(search.Progress(), 0.0);
    EXPECT_TRUE(search.Records().empty());
}

TEST(PassSearchWorkers, SelectionMapsToTheLastMatchingRecord) {
    KeplerCatalogue cat;
    cat.records.resize(3);
    const char* names[] = {"FIRST", "OTHER", "SECOND"};
    const int numbers[] = {25544, 1, 25544};
    for (int i = 0; i < 3; ++i) {
        std::snprintf(cat.records[i].name, KEPLER_TEXT_SIZE, "%s", names[i]);
        cat.records[i].catalogueNumber = numbers[i];
    }
    std::vector<SelectedSat> sel(2);
    sel[0].catalogueNumber = 25544;
    sel[1].catalogueNumber = 777;
    std::vector<std::string> lines;
    const auto sats =
        SearchSatellitesFromSelection(cat, sel, [&lines](const std::string& t, int level) {
            if (level == 1) lines.push_back(t);
        });
    ASSERT_EQ(sats.size(), 2u);
    EXPECT_EQ(sats[0].name, "SECOND");
    EXPECT_FALSE(sats[1].located);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "The elements for satellite number 777 could no longer be located in the loaded "
              "Kepler elements file!");
    PassSearchOptions o;
    o.searchIridiumFlares = true;
    EXPECT_EQ(
        SearchStartedText(o),
        "Started searching for passes. Search options used: Lunar passes OFF, Iridium flares: ON");
}

}  // namespace
}  // namespace orvanta
