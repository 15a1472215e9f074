// Propagator branches and failure rules: atmosphere thresholds, the simple drag path, the
// model switch, resonance and Lyddane classification, the resonance integrator and the
// continuity of low-inclination deep-space positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "orbit/globals.h"
#include "orbit/orbit.h"

namespace orvanta {
namespace {

// A two-line element set with the given elements (epoch 2026 day 127.5, B* 1e-4 unless
// given). Checksums are not computed; nothing reads them.
cElementSet MakeSet(double revPerDay, double e, double inclDeg, double argpDeg = 30.0,
                    const char* bstar = " 10000-3", double raanDeg = 40.0, double maDeg = 50.0) {
    char l1[80], l2[80];
    std::snprintf(l1, sizeof l1, "1 99999U 26001A   26127.50000000  .00000000  00000-0 %s 0  9990",
                  bstar);
    const int ecc = static_cast<int>(std::lround(e * 1e7));
    std::snprintf(l2, sizeof l2, "2 99999 %8.4f %8.4f %07d %8.4f %8.4f %11.8f    10", inclDeg,
                  raanDeg, ecc, argpDeg, maDeg, revPerDay);
    cElementSet set("TEST", l1, l2);
    EXPECT_TRUE(set.IsValid()) << l1 << "\n" << l2;
    return set;
}

// Eccentricity (rounded to the seven digits of the field) giving the perigee height h km.
cElementSet SetWithPerigee(double revPerDay, double h) {
    double e = 0.01;
    for (int i = 0; i < 20; ++i) {
        const cOrbit o(MakeSet(revPerDay, e, 51.6));
        e = 1.0 - (1.0 + h / XKMPER) / o.SemiMajor();
    }
    return MakeSet(revPerDay, e, 51.6);
}

TEST(NearEarth, AtmosphereBelow156Km) {
    {
        const cOrbit o(SetWithPerigee(15.9, 150.0));
        const cNoradBase* m = o.Model();
        ASSERT_NE(m, nullptr);
        ASSERT_NEAR(m->Perigee(), 150.0, 0.01);
        const double s4km = m->Perigee() - 78.0;  // about 72 km
        EXPECT_NEAR(m->S4(), s4km / XKMPER + 1.0, 1e-12);
        EXPECT_NEAR(m->Qoms24(), std::pow((120.0 - s4km) / XKMPER, 4.0), 1e-20);
    }
    {
        const cOrbit o(SetWithPerigee(16.2, 95.0));
        ASSERT_NEAR(o.Model()->Perigee(), 95.0, 0.01);
        EXPECT_DOUBLE_EQ(o.Model()->S4(), 20.0 / XKMPER + 1.0);
        EXPECT_DOUBLE_EQ(o.Model()->Qoms24(), std::pow(100.0 / XKMPER, 4.0));
    }
    for (double h : {156.05, 400.0}) {
        const cOrbit o(SetWithPerigee(15.5, h));
        ASSERT_GE(o.Model()->Perigee(), 156.0);
        EXPECT_EQ(o.Model()->S4(), S) << h;
        EXPECT_EQ(o.Model()->Qoms24(), QOMS2T) << h;
    }
    const cOrbit below(SetWithPerigee(15.5, 155.95));
    ASSERT_LT(below.Model()->Perigee(), 156.0);
    EXPECT_LT(below.Model()->S4(), S);
}

TEST(NearEarth, SimpleDragPathBelow220Km) {
    const cOrbit low(SetWithPerigee(15.9, 200.0));
    const cOrbit high(SetWithPerigee(15.5, 230.0));
    ASSERT_NE(low.NearEarthModel(), nullptr);
    EXPECT_TRUE(low.NearEarthModel()->IsSimple());
    EXPECT_FALSE(high.NearEarthModel()->IsSimple());
    // Both still propagate, forwards and backwards.
    for (double t : {-1440.0, -1.0, 0.0, 1.0, 1440.0}) {
        cEci eci;
        EXPECT_TRUE(low.PositionAt(t, eci)) << t;
        EXPECT_TRUE(high.PositionAt(t, eci)) << t;
    }
}

TEST(Orbit, StateAtEpochIsDatedAtEpochInKilometres) {
    const cOrbit o(MakeSet(15.5, 0.0005, 51.6));
    cEci eci;
    ASSERT_TRUE(o.PositionAt(0.0, eci));
    EXPECT_EQ(eci.Units(), UNITS_KM);
    EXPECT_EQ(eci.Date().Date(), o.Epoch().Date());
    EXPECT_NEAR(eci.Pos().Magnitude(), o.SemiMajor() * XKMPER, 30.0);
    EXPECT_EQ(eci.Pos().w, 0.0);
    ASSERT_TRUE(o.PositionAt(-90.0, eci));
    EXPECT_NEAR(eci.Date().Date(), o.Epoch().Date() - 90.0 / 1440.0, 1e-9);
    // The Julian-date form asks for the same instant.
    cEci byDate;
    cJulianDate when = o.Epoch();
    when.AddMin(-90.0);
    ASSERT_TRUE(o.PositionAt(when, byDate));
    EXPECT_NEAR(byDate.Pos().x, eci.Pos().x, 1e-5);
}

TEST(Orbit, SwitchUsesTheBrouwerPeriod) {
    const cOrbit inclined(MakeSet(6.4, 0.01, 60.0));
    EXPECT_NEAR(inclined.Period() / 60.0, 224.988, 0.001);
    EXPECT_FALSE(inclined.IsDeepSpace());
    const cOrbit equatorial(MakeSet(6.4, 0.01, 0.0));
    EXPECT_NEAR(equatorial.Period() / 60.0, 225.099, 0.001);
    EXPECT_TRUE(equatorial.IsDeepSpace());
    EXPECT_TRUE(cOrbit(MakeSet(1.0027, 0.0002, 0.05)).IsDeepSpace());
    EXPECT_FALSE(cOrbit(MakeSet(15.5, 0.0005, 51.6)).IsDeepSpace());
}

TEST(Orbit, Period) {
    const cOrbit o(MakeSet(15.5, 0.0005, 51.6));
    EXPECT_NEAR(o.Period(), 5574.82, 0.01);
    EXPECT_EQ(o.Period(), o.Period());
}

TEST(Orbit, CopiesPropagateAlike) {
    const cOrbit a(MakeSet(1.0027, 0.0002, 0.05));
    cOrbit b = a;
    const cOrbit c(std::move(b));
    cEci ea, ec;
    ASSERT_TRUE(a.PositionAt(5000.0, ea));
    ASSERT_TRUE(c.PositionAt(5000.0, ec));
    EXPECT_EQ(ea.Pos().x, ec.Pos().x);
    EXPECT_EQ(ea.Vel().z, ec.Vel().z);
}

TEST(DeepSpace, ResonanceClassification) {
    const cOrbit geo(MakeSet(1.0027, 0.0002, 0.05));
    ASSERT_NE(geo.DeepSpaceModel(), nullptr);
    EXPECT_TRUE(geo.DeepSpaceModel()->IsResonant());
    EXPECT_TRUE(geo.DeepSpaceModel()->IsSynchronous());

    const cOrbit molniya(MakeSet(2.006, 0.7, 63.4));
    EXPECT_TRUE(molniya.DeepSpaceModel()->IsResonant());
    EXPECT_FALSE(molniya.DeepSpaceModel()->IsSynchronous());
    EXPECT_TRUE(cOrbit(MakeSet(2.006, 0.5, 63.4)).DeepSpaceModel()->IsResonant());
    EXPECT_FALSE(cOrbit(MakeSet(2.006, 0.4, 63.4)).DeepSpaceModel()->IsResonant());
    EXPECT_FALSE(cOrbit(MakeSet(4.0, 0.7, 63.4)).DeepSpaceModel()->IsResonant());
}

TEST(DeepSpace, LyddaneBranchBelowPointTwoRadians) {
    // 0.2 rad is 11.45916 degrees.
    EXPECT_TRUE(cOrbit(MakeSet(2.0, 0.1, 11.4591)).DeepSpaceModel()->UsesLyddane());
    EXPECT_FALSE(cOrbit(MakeSet(2.0, 0.1, 11.4592)).DeepSpaceModel()->UsesLyddane());
    EXPECT_TRUE(cOrbit(MakeSet(1.0027, 0.0002, 0.05)).DeepSpaceModel()->UsesLyddane());
}

TEST(DeepSpace, IntegratorStepsOf720Minutes) {
    const cOrbit geo(MakeSet(1.0027, 0.0002, 0.05));
    const cNoradSDP4* m = geo.DeepSpaceModel();
    EXPECT_EQ(m->IntegratorSteps(0.0), 0);
    EXPECT_EQ(m->IntegratorSteps(719.0), 0);
    EXPECT_EQ(m->IntegratorSteps(-719.0), 0);
    EXPECT_EQ(m->IntegratorSteps(720.0), 1);
    EXPECT_EQ(m->IntegratorSteps(-720.0), 1);
    EXPECT_EQ(m->IntegratorSteps(1440.0), 2);
    EXPECT_EQ(m->IntegratorSteps(30 * 1440.0), 60);
    EXPECT_EQ(cOrbit(MakeSet(4.0, 0.1, 30.0)).DeepSpaceModel()->IntegratorSteps(7200.0), 0);
    // The state is continuous across a step boundary: 0.06 s before it, position plus
    // velocity times 0.06 s lands within a metre.
    cEci a, b;
    ASSERT_TRUE(geo.PositionAt(719.999, a));
    ASSERT_TRUE(geo.PositionAt(720.0, b));
    EXPECT_LT(std::hypot(a.Pos().x + a.Vel().x * 0.06 - b.Pos().x,
                         a.Pos().y + a.Vel().y * 0.06 - b.Pos().y,
                         a.Pos().z + a.Vel().z * 0.06 - b.Pos().z),
              0.001);
}

TEST(DeepSpace, RequestOrderDoesNotMatter) {
    // Real sets: GOES 18 (synchronous resonance), MERIDIAN 8 (12-hour resonance) and
    // NAVSTAR 80 (not resonant).
    const cElementSet sets[] = {
        cElementSet("GOES 18",
                    "1 51850U 22021A   26127.66103786  .00000104  00000+0  00000+0 0  9994",
                    "2 51850   0.0403  83.8935 0000653  17.6962 224.8959  1.00271767  6184"),
        cElementSet("MERIDIAN 8",
                    "1 44453U 19046A   26125.34792601 -.00000053  00000+0  00000+0 0  9995",
                    "2 44453  63.0894  56.2734 7063901 274.7464  14.8690  2.00609987 49483"),
        cElementSet("NAVSTAR 80",
                    "1 46826U 20078A   26124.44025308  .00000014  00000+0  00000+0 0  9997",
                    "2 46826  53.9867 212.5528 0071479 206.0342 188.1917  2.00565048 40634"),
    };
    std::vector<double> times = {0.0,  5000.0,  10.0,  -3000.0, 43200.0, 721.0,
                                 -0.5, 20000.0, 719.0, 43199.0, -43200.0};
    for (const cElementSet& set : sets) {
        const cOrbit shared(set);
        ASSERT_TRUE(shared.IsDeepSpace());
        std::vector<double> order = times;
        std::mt19937 rng(7);
        for (int round = 0; round < 3; ++round) {
            for (double t : order) {
                cEci seq, fresh;
                ASSERT_TRUE(shared.PositionAt(t, seq));
                ASSERT_TRUE(cOrbit(set).PositionAt(t, fresh));
                EXPECT_EQ(seq.Pos().x, fresh.Pos().x) << set.Name() << " " << t;
                EXPECT_EQ(seq.Pos().y, fresh.Pos().y);
                EXPECT_EQ(seq.Vel().z, fresh.Vel().z);
            }
            std::shuffle(order.begin(), order.end(), rng);
        }
    }
}

// Largest second difference of the position over one-minute steps: a smooth orbit bends by
// under a kilometre a minute, a jump of the node shows as hundreds.
double LargestKink(const cOrbit& orbit, double from, double to) {
    double worst = 0.0;
    cEci a, b, c;
    EXPECT_TRUE(orbit.PositionAt(from, a));
    EXPECT_TRUE(orbit.PositionAt(from + 1.0, b));
    for (double t = from + 2.0; t <= to; t += 1.0) {
        EXPECT_TRUE(orbit.PositionAt(t, c));
        const double kx = c.Pos().x - 2 * b.Pos().x + a.Pos().x;
        const double ky = c.Pos().y - 2 * b.Pos().y + a.Pos().y;
        const double kz = c.Pos().z - 2 * b.Pos().z + a.Pos().z;
        worst = std::max(worst, std::sqrt(kx * kx + ky * ky + kz * kz));
        a = b;
        b = c;
    }
    return worst;
}

TEST(DeepSpace, LowInclinationNodeStaysContinuous) {
    // Geostationary sets whose node wraps within the span: GOES 18 (0.04 deg) and the
    // verification set XM-3 (0.0019 deg), and a low-inclination transfer orbit.
    const cOrbit goes(cElementSet(
        "GOES 18", "1 51850U 22021A   26127.66103786  .00000104  00000+0  00000+0 0  9994",
        "2 51850   0.0403  83.8935 0000653  17.6962 224.8959  1.00271767  6184"));
    EXPECT_LT(LargestKink(goes, -2.0 * 1440.0, 30.0 * 1440.0), 2.0);
    const cOrbit xm3(
        cElementSet("XM-3", "1 28626U 05008A   06176.46683397 -.00000205  00000-0  10000-3 0  2190",
                    "2 28626   0.0019 286.9433 0000335  13.7918  55.6504  1.00270176  4891"));
    // Its mean inclination passes through zero at 1126 minutes, where the model turns node
    // and perigee by pi before adding the periodic terms: a kink of 6.6 km there, by design.
    EXPECT_LT(LargestKink(xm3, 0.0, 1120.0), 2.0);
    EXPECT_LT(LargestKink(xm3, 1130.0, 10.0 * 1440.0), 2.0);
    EXPECT_LT(LargestKink(xm3, 1120.0, 1130.0), 10.0);
    // A node right at AcTan's branch cut (3 pi / 2): each crossing used to turn node and
    // perigee by 2 pi (1 - cos i).
    const cOrbit atCut(MakeSet(1.0027, 0.0003, 2.0, 30.0, " 00000+0", 270.0));
    EXPECT_LT(LargestKink(atCut, -1440.0, 5.0 * 1440.0), 2.0);
    const cOrbit gto(MakeSet(2.3, 0.72, 5.0, 180.0));
    EXPECT_LT(LargestKink(gto, 0.0, 3.0 * 1440.0), 60.0);  // perigee passes bend sharply
}

TEST(Propagators, CircularOrbitsStayFinite) {
    for (double n : {15.5, 2.0, 1.0027}) {
        const cOrbit o(MakeSet(n, 0.0, 45.0));
        for (double t : {-720.0, 0.0, 100.0, 5000.0}) {
            cEci eci;
            ASSERT_TRUE(o.PositionAt(t, eci)) << n << " " << t;
            EXPECT_TRUE(std::isfinite(eci.Pos().x) && std::isfinite(eci.Vel().z));
            EXPECT_NEAR(eci.Pos().Magnitude(), o.SemiMajor() * XKMPER, 30.0) << n << " " << t;
        }
    }
}

TEST(Propagators, DegenerateSetsFailInsteadOfReturningNonsense) {
    // Every combination either fails or yields a finite state between the radius limits;
    // none hangs (Kepler's equation stops after ten passes).
    int failures = 0;
    for (double n : {0.0001, 0.05, 1.0, 6.4, 16.0, 17.5, 30.0}) {
        for (double e : {0.0, 1e-7, 0.3, 0.9, 0.99, 0.9999999}) {
            for (double i : {0.0, 63.4, 90.0, 180.0}) {
                for (const char* bstar : {" 00000+0", " 99999+0", "-99999+0"}) {
                    const cOrbit o(MakeSet(n, e, i, 30.0, bstar));
                    for (double t : {-1e5, -1.0, 0.0, 37.0, 1e5}) {
                        cEci eci;
                        if (!o.PositionAt(t, eci)) {
                            ++failures;
                            EXPECT_EQ(eci.Units(), UNITS_NONE);
                            continue;
                        }
                        const double r = eci.Pos().Magnitude();
                        EXPECT_TRUE(r >= 6370.0 && r <= 84483.784) << n << " " << e << " " << t;
                        EXPECT_TRUE(std::isfinite(eci.Vel().Magnitude()))
                            << n << " " << e << " " << i << " " << bstar << " " << t << " "
                            << eci.Vel().x << " " << eci.Pos().x;
                    }
                }
            }
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(Propagators, FailureLeavesThePreviousStateAlone) {
    // Decays within an hour (the verification set of a sub-orbital stage).
    const cOrbit o(
        cElementSet("", "1 28872U 05037B   05333.02012661  .25992681  00000-0  24476-3 0  1534",
                    "2 28872  96.4736 157.9986 0303955 244.0492 110.6523 16.46015938 10708"));
    cEci eci;
    ASSERT_TRUE(o.PositionAt(50.0, eci));
    const double x = eci.Pos().x;
    EXPECT_FALSE(o.PositionAt(60.0, eci));
    EXPECT_EQ(eci.Pos().x, x);
    EXPECT_EQ(eci.Units(), UNITS_KM);
}

}  // namespace
}  // namespace orvanta
