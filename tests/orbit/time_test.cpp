// Julian dates, sidereal time, calendar and Unix-time conversions, angle helpers, vectors and
// the inertial/geodetic conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "orbit/eci.h"
#include "orbit/globals.h"
#include "orbit/julian_date.h"

namespace orvanta {
namespace {

TEST(JulianDate, FromYearAndDay) {
    EXPECT_DOUBLE_EQ(cJulianDate(2000, 1.0).Date(), 2451544.5);
    EXPECT_DOUBLE_EQ(cJulianDate(2000, 1.5).Date(), 2451545.0);
    EXPECT_DOUBLE_EQ(cJulianDate().Date(), 2451544.5);
    // Meeus, Astronomical Algorithms, example 7.a: 1957 October 4.81 is JD 2436116.31.
    EXPECT_NEAR(cJulianDate(1957, 277.81).Date(), 2436116.31, 1e-9);
    // Across a leap day: 2024 day 60 is February 29, day 61 March 1.
    int year, month;
    double dom;
    cJulianDate(2024, 60.25).ToCalendar(year, &month, &dom);
    EXPECT_EQ(month, 2);
    EXPECT_DOUBLE_EQ(dom, 29.25);
    cJulianDate(2100, 60.0).ToCalendar(year, &month, &dom);  // 2100 is not a leap year
    EXPECT_EQ(month, 3);
    EXPECT_DOUBLE_EQ(dom, 1.0);
}

TEST(JulianDate, GreenwichSiderealTime) {
    // J2000.0 and the midnight before it.
    EXPECT_NEAR(cJulianDate::FromJd(2451545.0).ToGmst(), 4.894961212789, 1e-11);
    EXPECT_NEAR(cJulianDate::FromJd(2451544.5).ToGmst(), 1.744767163331, 1e-11);
    // Meeus example 12.a: 1987 April 10, 0h UT, mean sidereal time 13h10m46.3668s.
    const double meeus = (13.0 + 10.0 / 60.0 + 46.3668 / 3600.0) * 15.0 * DEG_TO_RAD;
    EXPECT_NEAR(cJulianDate::FromJd(2446895.5).ToGmst(), meeus, 1e-8);
    // Always in [0, 2 pi).
    for (double jd = 2400000.5; jd < 2500000.0; jd += 1234.567) {
        const double g = cJulianDate::FromJd(jd).ToGmst();
        EXPECT_GE(g, 0.0);
        EXPECT_LT(g, TWOPI);
    }
}

// The sidereal time reduces its seconds without std::fmod; every bit must stay as fmod gives
// it, or passes found to the second could move. Dates from 1858 to 2237 and before.
TEST(JulianDate, GreenwichSiderealTimeIsTheFmodFormulaToTheBit) {
    const auto reference = [](double date) {
        const double ut = std::fmod(date + 0.5, 1.0);
        const double tu = (date - J2000_JD - ut) / 36525.0;
        double g = 24110.54841 + tu * (8640184.812866 + tu * (0.093104 - tu * 6.2e-6));
        g = std::fmod(g + SEC_PER_DAY * EARTH_ROT_PER_DAY * ut, SEC_PER_DAY);
        if (g < 0.0) g += SEC_PER_DAY;
        return TWOPI * g / SEC_PER_DAY;
    };
    int differ = 0;
    for (double jd = 2400000.5; jd < 2538000.0; jd += 0.6180339887 * 1.37) {
        differ += cJulianDate::FromJd(jd).ToGmst() != reference(jd);
    }
    for (double jd : {2461168.25, 2461168.75, 2451545.0, 2451544.5, 1000000.25, 0.0, -5.5})
        differ += cJulianDate::FromJd(jd).ToGmst() != reference(jd);
    EXPECT_EQ(differ, 0);
}

TEST(JulianDate, LocalSiderealTimeWestIsUnnormalised) {
    const cJulianDate d = cJulianDate::FromJd(2451544.5);  // GMST 1.7448 rad
    const double lon = -2.5;
    const double lmst = d.ToLmst(lon);
    EXPECT_LT(lmst, 0.0);
    EXPECT_NEAR(std::sin(lmst), std::sin(Fmod2p(d.ToGmst() + lon)), 1e-12);
    EXPECT_NEAR(std::cos(lmst), std::cos(Fmod2p(d.ToGmst() + lon)), 1e-12);
}

// Both reductions skip std::fmod where the answer is exact without it; they must agree with
// it to the bit, including quotients that land next to a whole number of turns.
TEST(AngleHelpers, ReductionsAreFmodToTheBit) {
    const auto fmod2p = [](double x) {
        double r = std::fmod(x, TWOPI);
        return r < 0.0 ? r + TWOPI : r;
    };
    int differ = 0;
    for (double x = 0.0; x < 5e4; x = x * 1.0007 + 0.013) differ += Fmod2p(x) != fmod2p(x);
    for (int k = 0; k < 2000000; k += 997) {
        const double turn = k * TWOPI;
        for (double x : {turn, std::nextafter(turn, 0.0), std::nextafter(turn, 1e300)})
            differ += Fmod2p(x) != fmod2p(x) || Fmod2p(-x) != fmod2p(-x);
    }
    for (double x : {0.0, -0.0, 1e15, 3e17, -1e-300, 1e-300})
        differ += std::signbit(Fmod2p(x)) != std::signbit(fmod2p(x)) || Fmod2p(x) != fmod2p(x);
    for (double jd = 2400000.5; jd < 2540000.0; jd += 0.6180339887 * 13.7)
        for (double lon : {-PI, -2.5, -1e-9, 0.0, 1.3, PI}) {
            const cJulianDate d = cJulianDate::FromJd(jd);
            differ += d.ToLmst(lon) != std::fmod(d.ToGmst() + lon, TWOPI);
        }
    EXPECT_EQ(differ, 0);
}

TEST(JulianDate, CalendarComponents) {
    int year = 0, month = 0;
    double dom = 0;
    cJulianDate::FromJd(2451545.0).ToCalendar(year, &month, &dom);
    EXPECT_EQ(year, 2000);
    EXPECT_EQ(month, 1);
    EXPECT_DOUBLE_EQ(dom, 1.5);
    cJulianDate(2026, 127.0).ToCalendar(year, &month, &dom);  // 2026 May 7, 0h
    EXPECT_EQ(year, 2026);
    EXPECT_EQ(month, 5);
    EXPECT_DOUBLE_EQ(dom - std::trunc(dom), 0.0);
    EXPECT_DOUBLE_EQ(dom, 7.0);
    // Null month and day pointers are allowed.
    year = 0;
    cJulianDate(1999, 365.9).ToCalendar(year);
    EXPECT_EQ(year, 1999);
}

TEST(JulianDate, CalendarRoundTrip) {
    // Julian date -> calendar -> day of year -> Julian date, over four centuries.
    static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    for (double jd = 2305447.5; jd < 2451545.0 + 36525.0; jd += 97.3125) {
        int year, month;
        double dom;
        cJulianDate::FromJd(jd).ToCalendar(year, &month, &dom);
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        const double yday = kBefore[month - 1] + (month > 2 && leap ? 1 : 0) + dom;
        EXPECT_NEAR(cJulianDate(year, yday).Date(), jd, 1e-9) << jd;
    }
}

TEST(JulianDate, UnixTimeRoundTrip) {
    EXPECT_DOUBLE_EQ(cJulianDate(std::int64_t{0}).Date(), 2440587.5);
    EXPECT_EQ(cJulianDate(std::int64_t{0}).ToUnixTime(), 0);
    // Seconds through the years, including before 1970 and after 2038.
    for (std::int64_t t : {std::int64_t{-86400 * 365}, std::int64_t{951782400} /* 2000-02-29 */,
                           std::int64_t{1778112000}, std::int64_t{2208988800} /* 2040 */,
                           std::int64_t{1700000000} + 86399}) {
        EXPECT_EQ(cJulianDate(t).ToUnixTime(), t) << t;
    }
    // Every second of two days: whole seconds must survive the binary day fraction.
    for (std::int64_t t = 1700000000; t < 1700000000 + 2 * 86400; ++t)
        ASSERT_EQ(cJulianDate(t).ToUnixTime(), t);
    // 2026-05-07T16:02:00Z.
    const cJulianDate d(std::int64_t{1778169720});
    int year, month;
    double dom;
    d.ToCalendar(year, &month, &dom);
    EXPECT_EQ(year, 2026);
    EXPECT_EQ(month, 5);
    EXPECT_NEAR(dom, 7.0 + (16 * 60 + 2) / 1440.0, 1e-9);
}

TEST(JulianDate, DatesTheCalendarCannotHold) {
    // Far but representable: the year 100000 still converts.
    int year = 0, month = 0;
    double dom = 0.0;
    cJulianDate(100000, 1.0).ToCalendar(year, &month, &dom);
    EXPECT_EQ(year, 100000);
    EXPECT_EQ(month, 1);
    EXPECT_DOUBLE_EQ(dom, 1.0);
    EXPECT_GT(cJulianDate(100000, 1.0).ToUnixTime(), 0);
    // An element epoch day of 999999999999 or -60000 billion and non-numbers: no overflow,
    // -1 from ToUnixTime, fixed fields from ToCalendar.
    for (double jd : {1e12, -1e12, 1e300, -1e300, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        const cJulianDate d = cJulianDate::FromJd(jd);
        EXPECT_EQ(d.ToUnixTime(), -1) << jd;
        d.ToCalendar(year, &month, &dom);
        EXPECT_EQ(year, 0) << jd;
        EXPECT_EQ(month, 1) << jd;
        EXPECT_EQ(dom, 1.0) << jd;
        SystemTime st;
        d.ToSystemTime(st);  // 1969-12-31T23:59:59, from the -1
        EXPECT_EQ(st.wYear, 1969);
    }
    EXPECT_EQ(cJulianDate(2026, 999999999999.0).ToUnixTime(), -1);
}

TEST(JulianDate, ConversionsTruncateFractionsOfASecond) {
    cJulianDate d(std::int64_t{1000000000});
    d.AddSec(0.9);
    EXPECT_EQ(d.ToUnixTime(), 1000000000);
    SystemTime st;
    d.ToSystemTime(st);
    EXPECT_EQ(st.wSecond, 40);  // 2001-09-09T01:46:40.9Z
    EXPECT_EQ(st.wMinute, 46);
    EXPECT_EQ(st.wHour, 1);
    EXPECT_EQ(st.wDay, 9);
    EXPECT_EQ(st.wMonth, 9);
    EXPECT_EQ(st.wYear, 2001);
    EXPECT_EQ(st.wMilliseconds, 0);
    EXPECT_EQ(st.wDayOfWeek, 0);
}

TEST(JulianDate, IsoTextOfWholeSeconds) {
    EXPECT_EQ(FormatIsoUtcSeconds(2451545.0), "2000-01-01T12:00:00Z");
    EXPECT_EQ(FormatIsoUtcSeconds(2461168.25 - 0.4 / 86400.0), "2026-05-07T17:59:59Z");
    EXPECT_EQ(FormatIsoUtcSeconds(2461168.25 - 0.0004 / 86400.0), "2026-05-07T18:00:00Z");
    EXPECT_EQ(FormatIsoUtcSeconds(2086301.5), "0999-12-31T00:00:00Z");  // zero-padded year
    EXPECT_EQ(FormatIsoUtcSeconds(5373484.5), "10000-01-01T00:00:00Z");
    // Every field's carry over a leap day, both ways through the text.
    for (int s = -3; s <= 3; ++s) {
        const double jd = 2460735.5 + s / 86400.0;  // 2025-03-01T00:00:00Z
        const auto back = ParseIsoUtc(FormatIsoUtcSeconds(jd));
        ASSERT_TRUE(back.has_value());
        EXPECT_NEAR(*back, jd, 1e-6 / 86400.0) << FormatIsoUtcSeconds(jd);
    }
    EXPECT_EQ(FormatIsoUtcSeconds(2460735.5 - 1.0 / 86400.0), "2025-02-28T23:59:59Z");
}

TEST(JulianDate, SystemTimeRoundTrip) {
    SystemTime in;
    in.wYear = 2024;
    in.wMonth = 12;
    in.wDay = 31;
    in.wHour = 23;
    in.wMinute = 59;
    in.wSecond = 58;
    in.wMilliseconds = 999;  // ignored
    const cJulianDate d(in);
    EXPECT_EQ(d.ToUnixTime(), 1735689598);
    SystemTime out;
    d.ToSystemTime(out);
    EXPECT_EQ(out.wYear, 2024);
    EXPECT_EQ(out.wMonth, 12);
    EXPECT_EQ(out.wDay, 31);
    EXPECT_EQ(out.wHour, 23);
    EXPECT_EQ(out.wMinute, 59);
    EXPECT_EQ(out.wSecond, 58);
}

TEST(JulianDate, AddingMinutes) {
    cJulianDate d(2000, 1.0);
    d.AddMin(720.0);
    EXPECT_DOUBLE_EQ(d.Date(), 2451545.0);
    d.AddDay(-0.5);
    EXPECT_DOUBLE_EQ(d.Date(), 2451544.5);
    EXPECT_DOUBLE_EQ(cJulianDate(2000, 2.0).SpanMin(cJulianDate(2000, 1.0)), 1440.0);
}

TEST(AngleHelpers, Fmod2pAndAcTan) {
    EXPECT_NEAR(Fmod2p(-0.1), TWOPI - 0.1, 1e-15);
    EXPECT_EQ(Fmod2p(TWOPI), 0.0);
    EXPECT_NEAR(Fmod2p(7.0), 7.0 - TWOPI, 1e-15);
    EXPECT_DOUBLE_EQ(AcTan(0.0, 0.0), 3.0 * PI / 2.0);
    EXPECT_DOUBLE_EQ(AcTan(1.0, 0.0), PI / 2.0);
    EXPECT_DOUBLE_EQ(AcTan(-1.0, 0.0), 3.0 * PI / 2.0);
    EXPECT_DOUBLE_EQ(AcTan(1.0, -1.0), 3.0 * PI / 4.0);
    EXPECT_DOUBLE_EQ(AcTan(-1.0, 1.0), -PI / 4.0);
    EXPECT_DOUBLE_EQ(AcTan(-1.0, -1.0), 5.0 * PI / 4.0);
    EXPECT_DOUBLE_EQ(DegToRad(180.0), PI);
    EXPECT_DOUBLE_EQ(RadToDeg(PI / 2.0), 90.0);
}

TEST(Constants, DerivedValuesMatchTheirDefinitions) {
    EXPECT_DOUBLE_EQ(XKE, std::sqrt(3600.0 * 398600.8 / (XKMPER * XKMPER * XKMPER)));
    EXPECT_DOUBLE_EQ(QOMS2T, std::pow(QO - S, 4.0));
    EXPECT_DOUBLE_EQ(QO, AE + 120.0 / XKMPER);
    EXPECT_DOUBLE_EQ(S, AE + 78.0 / XKMPER);
    EXPECT_DOUBLE_EQ(E2, F * (2.0 - F));
    EXPECT_DOUBLE_EQ(ONE_MINUS_F, 1.0 - F);
    EXPECT_NEAR(KM_PER_S_PER_ER_PER_MIN, XKMPER / 60.0, 1e-12);
}

TEST(Vector, MagnitudeAndScale) {
    cVector v(3.0, -4.0, 12.0, 13.0);
    EXPECT_DOUBLE_EQ(v.Magnitude(), 13.0);
    v.Scale(-2.0);
    EXPECT_DOUBLE_EQ(v.x, -6.0);
    EXPECT_DOUBLE_EQ(v.z, -24.0);
    EXPECT_DOUBLE_EQ(v.w, 26.0);  // stays a magnitude
}

TEST(Eci, ToKilometresOnlyConvertsEarthRadii) {
    cEci none;
    none.ToKilometres();
    EXPECT_EQ(none.Units(), UNITS_NONE);
    EXPECT_EQ(none.Pos().x, 0.0);
    EXPECT_DOUBLE_EQ(none.Date().Date(), 2451544.5);

    cEci ae(cVector(1.0, 0.0, 0.0), cVector(0.0, 1.0, 0.0), cJulianDate());
    EXPECT_EQ(ae.Units(), UNITS_AE);
    ae.ToKilometres();
    EXPECT_EQ(ae.Units(), UNITS_KM);
    EXPECT_DOUBLE_EQ(ae.Pos().x, XKMPER);
    EXPECT_DOUBLE_EQ(ae.Vel().y, KM_PER_S_PER_ER_PER_MIN);
    ae.ToKilometres();  // idempotent
    EXPECT_DOUBLE_EQ(ae.Pos().x, XKMPER);
}

TEST(Eci, GeodeticRoundTrip) {
    const cJulianDate date(2026, 127.6789);
    for (double latDeg : {-89.0, -60.0, -1e-3, 0.0, 23.5, 51.4779, 80.0}) {
        for (double lonDeg : {0.0, 10.0, 179.9, 200.0, 359.0}) {
            for (double alt : {0.0, 0.5, 420.0, 35786.0}) {
                const cCoordGeo geo(DegToRad(latDeg), DegToRad(lonDeg), alt);
                cEci eci(geo, date);
                EXPECT_EQ(eci.Units(), UNITS_KM);
                const cCoordGeo back = eci.ToGeodetic();
                EXPECT_NEAR(back.lat, geo.lat, 2e-7) << latDeg << " " << lonDeg << " " << alt;
                EXPECT_NEAR(Fmod2p(back.lon), Fmod2p(geo.lon), 1e-9);
                EXPECT_NEAR(back.alt, alt, 2e-3);  // 1e-7 rad of latitude is under a metre
                EXPECT_GE(back.lon, 0.0);
                EXPECT_LT(back.lon, TWOPI);
            }
        }
    }
}

TEST(Eci, EquatorialPositionHasZeroLatitude) {
    const cJulianDate date(2010, 100.25);
    cEci eci(cVector(7000.0 / XKMPER, 1000.0 / XKMPER, 0.0), cVector(), date);
    const cCoordGeo geo = eci.ToGeodetic();
    EXPECT_EQ(geo.lat, 0.0);
    EXPECT_NEAR(geo.alt, std::hypot(7000.0, 1000.0) - XKMPER, 1e-9);
    EXPECT_EQ(eci.Units(), UNITS_KM);
}

TEST(Eci, PointsOnThePolarAxis) {
    for (double z : {7000.0, -7000.0}) {
        cEci eci(cVector(0.0, 0.0, z / XKMPER), cVector(), cJulianDate(2010, 1.0));
        const cCoordGeo geo = eci.ToGeodetic();
        EXPECT_DOUBLE_EQ(geo.lat, z > 0 ? PI / 2.0 : -PI / 2.0);
        EXPECT_NEAR(geo.alt, 7000.0 - XKMPER * (1.0 - F), 1e-9);
    }
}

TEST(Eci, FixedPointRotatesWithTheEarth) {
    const cEci eci(cCoordGeo(0.0, 0.0, 0.0), cJulianDate(2000, 1.0));
    // On the equator the point is one equatorial radius out and moves at 0.4651 km/s.
    EXPECT_NEAR(eci.Pos().w, XKMPER, 1e-9);
    EXPECT_NEAR(eci.Vel().w, 0.46510, 1e-4);
    EXPECT_NEAR(eci.Pos().x * eci.Vel().x + eci.Pos().y * eci.Vel().y, 0.0, 1e-9);
}

}  // namespace
}  // namespace orvanta
