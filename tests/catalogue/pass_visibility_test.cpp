// Passes for visual observers: the Earth's shadow against an independent reference
// (python3-sgp4 positions with python3-ephem's Sun, tools/make_shadow_reference.py), the
// certified shadow steps against one-second stepping, the visible window, the culmination
// against 0.1-second stepping, and the magnitude formula on hand-computed cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "astro/sun_moon.h"
#include "catalogue/pass_search.h"
#include "catalogue/pass_visibility.h"
#include "catalogue/std_magnitude.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/julian_date.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "pass_test_util.h"

namespace orvanta {
namespace {

const std::string kData = std::string(ORVANTA_TEST_DATA_DIR) + "/catalogue/";
constexpr double kTwoSeconds = 2.0;  // allowed between the program and the reference

struct ReferenceSpan {
    std::string name, line1, line2;
    int number = 0;
    double start = 0.0, end = 0.0;
    std::vector<std::pair<double, bool>> transitions;  // time, entering the shadow
};

std::vector<ReferenceSpan> LoadReference() {
    std::ifstream in(kData + "shadow_reference.txt");
    std::vector<ReferenceSpan> spans;
    std::string line, name, l1, l2;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("ELEMENTS ", 0) == 0) {
            const std::string rest = line.substr(9);
            const auto a = rest.find('|'), b = rest.find('|', a + 1);
            name = rest.substr(0, a);
            l1 = rest.substr(a + 1, b - a - 1);
            l2 = rest.substr(b + 1);
            continue;
        }
        std::istringstream f(line);
        std::string first, second, third;
        f >> first >> second >> third;
        if (first == "SPAN") {
            ReferenceSpan s;
            s.name = name;
            s.line1 = l1;
            s.line2 = l2;
            s.number = std::stoi(second);
            s.start = *ParseIsoUtc(third.substr(0, 19) + "Z");
            std::string fourth;
            f >> fourth;
            s.end = *ParseIsoUtc(fourth.substr(0, 19) + "Z");
            spans.push_back(s);
        } else if (!spans.empty()) {
            const double whole = *ParseIsoUtc(third.substr(0, 19) + "Z");
            const double frac = std::stod(third.substr(19, 4));
            spans.back().transitions.emplace_back(whole + frac / SEC_PER_DAY, second == "enter");
        }
    }
    return spans;
}

// The program's shadow changes over a span, found with its certified steps.
std::vector<std::pair<double, bool>> ProgramTransitions(const ReferenceSpan& span,
                                                        std::int64_t* evaluations = nullptr) {
    const cElementSet el(span.name, span.line1, span.line2);
    const cOrbit orbit(el);
    const cSite site(0.0, 0.0, 0.0);
    PassVisibility vis(orbit, site, AstroSite(0.0, 0.0), std::nullopt);
    const auto seconds = static_cast<std::int64_t>(std::llround((span.end - span.start) * 86400));
    PassVisibility::Intervals lit;
    EXPECT_TRUE(vis.SunlitIntervals((span.start - orbit.Epoch().Date()) * 1440.0, span.start,
                                    seconds, lit));
    std::vector<std::pair<double, bool>> out;
    for (const auto& [from, to] : lit) {
        if (from > 0) out.emplace_back(span.start + from / SEC_PER_DAY, false);
        if (to < seconds) out.emplace_back(span.start + to / SEC_PER_DAY, true);
    }
    std::sort(out.begin(), out.end());
    if (evaluations) *evaluations = vis.Evaluations();
    return out;
}

TEST(EarthShadow, EntryAndExitAgreeWithTheReferenceWithinTwoSeconds) {
    const auto spans = LoadReference();
    ASSERT_EQ(spans.size(), 4u);
    for (const ReferenceSpan& span : spans) {
        SCOPED_TRACE(span.name);
        const auto mine = ProgramTransitions(span);
        ASSERT_EQ(mine.size(), span.transitions.size());
        for (std::size_t i = 0; i < mine.size(); ++i) {
            EXPECT_EQ(mine[i].second, span.transitions[i].second) << i;
            // The program reports the first whole second in the new state.
            EXPECT_NEAR((mine[i].first - span.transitions[i].first) * SEC_PER_DAY, 0.0,
                        kTwoSeconds)
                << FormatIsoUtcSeconds(span.transitions[i].first);
        }
    }
    // The ISS and NOAA 20 go in and out of the shadow every orbit for the four days.
    EXPECT_GT(spans[0].transitions.size(), 100u);
    EXPECT_GT(spans[1].transitions.size(), 100u);
}

TEST(EarthShadow, GeostationaryEclipsesAtTheEquinoxOnlyAndAboutSeventyMinutes) {
    const auto spans = LoadReference();
    ASSERT_EQ(spans.size(), 4u);
    const auto equinox = ProgramTransitions(spans[2]);
    ASSERT_EQ(equinox.size(), 4u);
    for (std::size_t i = 0; i < 4; i += 2) {
        EXPECT_TRUE(equinox[i].second);
        const double minutes = (equinox[i + 1].first - equinox[i].first) * 1440.0;
        EXPECT_GT(minutes, 65.0);
        EXPECT_LT(minutes, 72.0);
    }
    EXPECT_TRUE(ProgramTransitions(spans[3]).empty());  // June: always lit
}

TEST(EarthShadow, CertifiedStepsFindWhatOneSecondSteppingFinds) {
    const auto spans = LoadReference();
    ASSERT_FALSE(spans.empty());
    const ReferenceSpan& iss = spans[0];
    const cOrbit orbit(cElementSet(iss.name, iss.line1, iss.line2));
    const double t0 = (iss.start - orbit.Epoch().Date()) * 1440.0;
    std::vector<std::pair<double, bool>> plain;
    bool wasLit = true;
    const std::int64_t seconds = 86400;
    for (std::int64_t k = 0; k < seconds; ++k) {
        cEci eci;
        ASSERT_TRUE(orbit.PositionAt(t0 + k / 60.0, eci));
        const bool lit =
            SunlightAt(eci.Pos(), SunPositionKm(iss.start + k / SEC_PER_DAY)).Sunlit();
        if (k > 0 && lit != wasLit) plain.emplace_back(iss.start + k / SEC_PER_DAY, !lit);
        wasLit = lit;
    }
    ReferenceSpan day = iss;
    day.end = iss.start + 1.0;
    std::int64_t evaluations = 0;
    const auto mine = ProgramTransitions(day, &evaluations);
    ASSERT_EQ(mine.size(), plain.size());
    for (std::size_t i = 0; i < mine.size(); ++i) {
        EXPECT_EQ(std::llround((mine[i].first - iss.start) * SEC_PER_DAY),
                  std::llround((plain[i].first - iss.start) * SEC_PER_DAY));
        EXPECT_EQ(mine[i].second, plain[i].second);
    }
    EXPECT_LT(evaluations, seconds / 20);  // and far fewer propagations
}

TEST(EarthShadow, UmbraPenumbraAndTheSunsCentreOnTheLimb) {
    const cVector sun(ASTRONOMICAL_UNIT_KM, 0.0, 0.0);
    EXPECT_TRUE(SunlightAt(cVector(7000.0, 0.0, 0.0), sun).Sunlit());
    EXPECT_EQ(SunlightAt(cVector(7000.0, 0.0, 0.0), sun).fraction, 1.0);
    const Sunlight behind = SunlightAt(cVector(-7000.0, 0.0, 0.0), sun);
    EXPECT_FALSE(behind.Sunlit());
    EXPECT_TRUE(behind.Umbra());
    // Straight behind the limb: the Sun's centre on the Earth's edge, half the disc left.
    const double x = -1000.0;
    const Sunlight edge = SunlightAt(cVector(x, XKMPER * (1.0 + 1e-7), 0.0), sun);
    EXPECT_NEAR(edge.margin, 0.0, 1e-4);  // the Sun is 1 AU away, not at infinity
    EXPECT_NEAR(edge.fraction, 0.5, 0.01);
    EXPECT_TRUE(edge.Penumbra());
    // The penumbra is as wide as the Sun's disc seen from there (about 0.53 degree).
    const Sunlight inside = SunlightAt(cVector(x, XKMPER - 30.0, 0.0), sun);
    EXPECT_TRUE(inside.Umbra() || inside.fraction < 0.5);
}

TEST(Magnitude, DiffuseSphereOnHandComputedCases) {
    EXPECT_DOUBLE_EQ(DiffuseSpherePhase(PI / 2.0), 1.0);
    EXPECT_DOUBLE_EQ(ApparentMagnitude(-1.3, 1000.0, PI / 2.0), -1.3);
    EXPECT_NEAR(ApparentMagnitude(-1.3, 2000.0, PI / 2.0), -1.3 + 1.505, 0.0005);
    EXPECT_NEAR(ApparentMagnitude(4.0, 500.0, PI / 2.0), 4.0 - 1.505, 0.0005);
    // Full phase: F = pi, 2.5 log10(pi) = 1.2429 brighter.
    EXPECT_NEAR(ApparentMagnitude(2.0, 1000.0, 0.0), 2.0 - 1.2429, 0.0005);
    // 120 degrees: F = sin 120 + (pi / 3) cos 120 = 0.34243, 1.1634 fainter.
    EXPECT_NEAR(ApparentMagnitude(2.0, 1000.0, 2.0 * PI / 3.0), 2.0 + 1.1634, 0.0005);
    EXPECT_TRUE(std::isinf(ApparentMagnitude(2.0, 1000.0, PI)));  // no lit side in view
}

TEST(Magnitude, BuiltInTableHasWhatTheSourceHasAndNothingElse) {
    EXPECT_GT(StandardMagnitudeCount(), 33000u);
    ASSERT_TRUE(StandardMagnitude(25544).has_value());
    EXPECT_DOUBLE_EQ(*StandardMagnitude(25544), -1.0);   // ISS
    EXPECT_DOUBLE_EQ(*StandardMagnitude(43013), 5.5);    // NOAA 20
    EXPECT_DOUBLE_EQ(*StandardMagnitude(5), 10.5);       // the first entry
    EXPECT_FALSE(StandardMagnitude(0).has_value());
    EXPECT_FALSE(StandardMagnitude(99999).has_value());  // never a made-up value
}

// ---- passes ---------------------------------------------------------------------------

struct VisibleCase {
    PassSearchSatellite sat;
    ObserverLocation obs;
    double start = 0.0;
    int passes = 0;
};

std::vector<PassRecord> Search(const VisibleCase& c, bool visibility = true) {
    PassSearchInputs in;
    in.now = c.start;
    in.observer = c.obs;
    in.options.passesPerSatellite = c.passes;
    in.options.visibility = visibility;
    in.satellites = {c.sat};
    PassSearch search([](int, int, const std::string&) {});
    search.Run(in, 1);
    std::vector<PassRecord> out;
    for (const PassRecord& r : search.Records())
        if (!r.IsEmpty()) out.push_back(r);
    return out;
}

PassSearchSatellite FromReference(int index) {
    const auto spans = LoadReference();
    PassSearchSatellite s;
    s.name = spans.at(static_cast<std::size_t>(index)).name;
    s.line1 = spans.at(static_cast<std::size_t>(index)).line1;
    s.line2 = spans.at(static_cast<std::size_t>(index)).line2;
    s.catalogueNumber = spans.at(static_cast<std::size_t>(index)).number;
    return s;
}

ObserverLocation Site(double lat, double lon) {
    ObserverLocation o;
    o.latitude = lat;
    o.longitude = lon;
    return o;
}

TEST(VisiblePasses, WindowIsTheLongestRunOfSecondsLitAboveTheHorizonInADarkSky) {
    const VisibleCase c{FromReference(0), Site(51.4779, -0.0015), *ParseIsoUtc("2026-05-07T12:00:00Z"),
                        16};
    const auto passes = Search(c);
    ASSERT_EQ(passes.size(), 16u);
    const cOrbit orbit(cElementSet(c.sat.name, c.sat.line1, c.sat.line2));
    const cSite site(c.obs.latitude, c.obs.longitude, 0.0);
    const AstroSite astro(c.obs.latitude, c.obs.longitude);
    int visible = 0, shadowChanges = 0;
    for (const PassRecord& r : passes) {
        ASSERT_EQ(r.visibilityKnown, 1);
        const auto seconds = std::llround((r.los - r.aos) * SEC_PER_DAY);
        const double t0 = (r.aos - orbit.Epoch().Date()) * 1440.0;
        long long bestFrom = -1, bestTo = -1, runFrom = -1;
        bool litAtAos = false;
        for (long long k = 0; k <= seconds; ++k) {
            bool vis = false;
            if (k < seconds) {
                cEci eci;
                ASSERT_TRUE(orbit.PositionAt(t0 + k / 60.0, eci));
                const bool lit = SunlightAt(eci.Pos(), SunPositionKm(r.aos + k / SEC_PER_DAY)).Sunlit();
                if (k == 0) litAtAos = lit;
                double az, sunEl;
                SunHorizontal(r.aos + k / SEC_PER_DAY, astro, az, sunEl);
                vis = lit && sunEl < -6.0;
            }
            if (vis && runFrom < 0) runFrom = k;
            if (!vis && runFrom >= 0) {
                if (k - runFrom > bestTo - bestFrom) {
                    bestFrom = runFrom;
                    bestTo = k;
                }
                runFrom = -1;
            }
        }
        EXPECT_EQ(r.sunlitAtAos, litAtAos ? 1 : 0);
        if (r.shadowEntry != 0.0 || r.shadowExit != 0.0) ++shadowChanges;
        if (bestFrom < 0) {
            EXPECT_FALSE(r.HasVisibleWindow()) << FormatIsoUtcSeconds(r.aos);
            EXPECT_EQ(r.brightestTime, 0.0);
            continue;
        }
        ++visible;
        ASSERT_TRUE(r.HasVisibleWindow()) << FormatIsoUtcSeconds(r.aos);
        EXPECT_EQ(std::llround((r.visibleStart - r.aos) * SEC_PER_DAY), bestFrom);
        EXPECT_EQ(std::llround((r.visibleEnd - r.aos) * SEC_PER_DAY), bestTo);
        EXPECT_LE(r.visibleMaxElevation, r.culminationElevation + 1e-9);
        EXPECT_GT(r.visibleMaxElevation, 0.0);
        // The ISS has a standard magnitude: the brightest moment lies in the window.
        ASSERT_NE(r.brightestTime, 0.0);
        EXPECT_GE(r.brightestTime, r.visibleStart - 1e-9);
        EXPECT_LT(r.brightestTime, r.visibleEnd);
        EXPECT_LT(r.brightestMagnitude, 3.0);
        EXPECT_GT(r.brightestMagnitude, -5.0);
    }
    EXPECT_GE(visible, 4);  // May nights in London: the ISS is seen most nights
    EXPECT_GE(shadowChanges, 2);
}

TEST(VisiblePasses, CulminationIsTheTrueMaximumAndNeverBelowTheMidpoint) {
    for (int index : {0, 1}) {
        const VisibleCase c{FromReference(index), Site(51.4779, -0.0015),
                            *ParseIsoUtc("2026-05-07T12:00:00Z"), 8};
        const auto passes = Search(c);
        ASSERT_EQ(passes.size(), 8u);
        const cOrbit orbit(cElementSet(c.sat.name, c.sat.line1, c.sat.line2));
        const cSite site(c.obs.latitude, c.obs.longitude, 0.0);
        for (const PassRecord& r : passes) {
            const double t0 = (r.aos - orbit.Epoch().Date()) * 1440.0;
            const double span = (r.los - r.aos) * SEC_PER_DAY;
            double best = -1.0, bestT = 0.0;
            for (double t = 0.0; t <= span; t += 0.1) {
                cEci eci;
                ASSERT_TRUE(orbit.PositionAt(t0 + t / 60.0, eci));
                const double el = RadToDeg(site.LookAngles(eci).el);
                if (el > best) {
                    best = el;
                    bestT = t;
                }
            }
            SCOPED_TRACE(FormatIsoUtcSeconds(r.aos));
            EXPECT_NEAR(r.culminationElevation, best, 0.01);
            EXPECT_GE(r.culminationElevation, best - 1e-6);  // refined, not sampled
            EXPECT_GE(r.culminationElevation, r.maxElevation);
            EXPECT_NEAR((r.culmination - r.aos) * SEC_PER_DAY, bestT, best > 80.0 ? 0.5 : 3.0);
        }
    }
}

TEST(VisiblePasses, HighLatitudeInJuneIsSunlitButNeverDarkEnough) {
    // NOAA 20 over Tromso around the solstice: the satellite never enters the shadow over
    // the site, and the Sun never sets there.
    const VisibleCase c{FromReference(1), Site(69.6496, 18.9560),
                        *ParseIsoUtc("2026-06-20T00:00:00Z"), 12};
    const auto passes = Search(c);
    ASSERT_EQ(passes.size(), 12u);
    for (const PassRecord& r : passes) {
        EXPECT_EQ(r.sunlitAtAos, 1);
        EXPECT_EQ(r.shadowEntry, 0.0);
        EXPECT_EQ(r.shadowExit, 0.0);
        EXPECT_FALSE(r.HasVisibleWindow());
    }
}

TEST(VisiblePasses, OffByDefaultAndThePassesThemselvesUnchanged) {
    const VisibleCase c{FromReference(0), Site(51.4779, -0.0015),
                        *ParseIsoUtc("2026-05-07T12:00:00Z"), 6};
    const auto plain = Search(c, false);
    const auto full = Search(c, true);
    ASSERT_EQ(plain.size(), full.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(plain[i].visibilityKnown, 0);
        EXPECT_EQ(plain[i].culmination, 0.0);
        EXPECT_EQ(plain[i].aos, full[i].aos);
        EXPECT_EQ(plain[i].los, full[i].los);
        EXPECT_EQ(plain[i].maxElevation, full[i].maxElevation);
        EXPECT_EQ(plain[i].lighting, full[i].lighting);
    }
}

}  // namespace
}  // namespace orvanta
