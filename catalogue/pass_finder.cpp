#include "catalogue/pass_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>

#include "astro/sun_moon.h"
#include "catalogue/flare.h"
#include "catalogue/lunar_pass.h"
#include "catalogue/pass_finder_core.h"
#include "catalogue/pass_visibility.h"
#include "catalogue/std_magnitude.h"
#include "common/event_log.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "orbit/site_frame.h"

namespace orvanta {

namespace {

constexpr std::int64_t kDay = 86400;            // seconds
constexpr std::int64_t kWindow = 7 * kDay;      // first-pass window, longest pass, look-back
constexpr std::int64_t kGiveUpGap = 30 * kDay;  // no pass this long after the last one
constexpr std::int64_t kMaxStep = 6 * 3600;     // longest single step, seconds
constexpr double kMu = 398600.8;                // km^3/s^2 (WGS-72)
constexpr double kEarthRate = TWOPI * EARTH_ROT_PER_DAY / SEC_PER_DAY;  // rad/s
// The Moon's elevation changes by the Earth's turn plus its own motion of about 0.55
// degrees an hour; a little more, to be safe.
constexpr double kMoonElevationRate = 8.0e-5;  // rad/s
constexpr double kSunRate = 2.0e-7;            // rad/s, its motion along the ecliptic
constexpr double kAngleMargin = 0.01;          // degrees kept in hand by the skips

std::string Printf(const char* format, const std::string& name, int number) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, name.c_str(), number);
    return buf;
}

}  // namespace

namespace pass_finder {

Finder::Finder(const PassSearchSatellite& sat, int selectionIndex, const SatelliteSearchContext& ctx,
               PassRecord* slots, const cOrbit* orbit)
    : sat_(sat),
      index_(selectionIndex),
      ctx_(ctx),
      slots_(slots),
      ownOrbit_(orbit ? std::nullopt
                      : std::optional<cOrbit>(std::in_place,
                                              cElementSet(sat.name, sat.line1, sat.line2))),
      orbit_(orbit ? *orbit : *ownOrbit_),
      elements_(orbit_.Elements()),
      site_(ctx.observer.latitude, ctx.observer.longitude,
            // Sites take whole kilometres, as everywhere the location is used.
            static_cast<double>(ctx.observer.altitudeMetres / 1000)),
      astroSite_(ctx.observer.latitude, ctx.observer.longitude),
      frame_(site_.GetLocation()) {
    lat_ = DegToRad(ctx.observer.latitude);
    lon_ = DegToRad(ctx.observer.longitude);
    sinLat_ = std::sin(lat_);
    cosLat_ = std::cos(lat_);
    siteSpeed_ = kEarthRate * (XKMPER + std::max(0.0, site_.GetLocation().alt) + 10.0);
    flareActive_ = ctx.options.searchIridiumFlares &&
                   IsFlareCandidate(sat.name, elements_.FieldText(FLD_INTLDESC));
    lunarActive_ = ctx.options.searchLunarPasses;
    if (ctx.options.visibility)
        visibility_.emplace(orbit_, site_, astroSite_, StandardMagnitude(sat.catalogueNumber));
    if (visibility_) visibility_->Queue(&queue_);
}

std::string Finder::Named(const char* format) const {
    return Printf(format, sat_.name, sat_.catalogueNumber);
}

std::int64_t Finder::StepOf(double seconds) {
    if (!(seconds >= 1.0)) return 1;  // also NaN
    const double floored = std::floor(seconds * (1.0 - 1e-9));
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::min(floored, 1e9)), 1,
                                    kMaxStep);
}

void Finder::InitBounds() {
    aKm_ = orbit_.SemiMajor() * XKMPER;
    ecc_ = std::clamp(elements_.FieldValue(FLD_E, U_NATIVE), 0.0, 0.999);
    rMin_ = 0.95 * aKm_ * (1.0 - ecc_);
    rMax_ = 1.05 * aKm_ * (1.0 + ecc_);
    const double aHigh = 1.05 * aKm_, aLow = 0.95 * aKm_;
    vMax_ = std::sqrt(kMu * (2.0 / rMin_ - 1.0 / aHigh));
    vMin_ = std::sqrt(std::max(kMu * (2.0 / rMax_ - 1.0 / aLow), 0.01));
    accMax_ = 1.01 * kMu / (rMin_ * rMin_) + 1e-5;
    WidenBounds(0.0, 0.0);
}

void Finder::WidenBounds(double r, double v) {
    if (r > 0.0 && r < rMin_) {
        rMin_ = 0.95 * r;
        accMax_ = 1.01 * kMu / (rMin_ * rMin_) + 1e-5;
    }
    if (r > rMax_) rMax_ = 1.05 * r;
    if (v > vMax_) vMax_ = 1.05 * v;
    if (v > 0.0 && v < vMin_) vMin_ = 0.95 * v;
    hAcc_ = accMax_ + 2.0 * kEarthRate * vMax_ + kEarthRate * kEarthRate * rMax_;
    relSpeed_ = vMax_ + siteSpeed_;
    // The antenna normal turns with the satellite frame: the velocity's direction at no more
    // than a/v, the orbit normal far slower (perturbations only); the tilt mixes the two.
    const double angularMomentum = std::max(rMin_ * vMin_, 1.0);
    mirrorRate_ = 1.42 * (accMax_ / vMin_ + 0.01 * accMax_ * rMax_ / angularMomentum);
}

bool Finder::Evaluated(std::int64_t k, bool ok, Sample& s) {
    ++evaluations_;
    const bool worked = std::exchange(look_.ready, false);
    const cEci& eci = state_;
    if (!ok || eci.Units() != UNITS_KM) return false;
    const cVector& p = eci.Pos();
    const cVector& v = eci.Vel();
    if (!std::isfinite(p.x + p.y + p.z + v.x + v.y + v.z)) return false;
    const double r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    const double speed = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (r < rMin_ || r > rMax_ || speed > vMax_ || speed < vMin_) WidenBounds(r, speed);

    // One sidereal time and one sine and cosine of it serve the look angles and dh/dt; a
    // lockstep worker has worked them out with the round's other samples.
    double st, ct;
    s.k = k;
    if (worked) {
        st = look_.sinTheta;
        ct = look_.cosTheta;
        s.south = look_.south;
        s.east = look_.east;
        s.el = look_.el;
        s.range = look_.range;
        s.h = look_.up;
    } else {
        const double theta = eci.Date().ToLmst(frame_.lon);
        st = std::sin(theta);
        ct = std::cos(theta);
        const cSiteFrame::Look topo = frame_.LookWithoutAzimuth(eci, st, ct);
        s.south = topo.south;
        s.east = topo.east;
        s.el = topo.el;
        s.range = topo.range;
        s.h = topo.range * std::sin(topo.el);
    }
    // dh/dt for h = u.(p - o) with u the site's zenith turning with the Earth; u.o is
    // constant, so only the satellite's terms remain.
    const double ux = cosLat_ * ct, uy = cosLat_ * st, uz = sinLat_;
    const double udx = -kEarthRate * cosLat_ * st, udy = kEarthRate * cosLat_ * ct;
    s.hdot = udx * p.x + udy * p.y + ux * v.x + uy * v.y + uz * v.z;
    s.eci = eci;
    return std::isfinite(s.el) && std::isfinite(s.hdot);
}

// Seconds (forward for direction +1, backward for -1) before h can reach 0, from
// |h(t + tau) - h - hdot tau| <= hAcc tau^2 / 2.
double Finder::HorizonTime(const Sample& s, int direction) const {
    const double ah = std::fabs(s.h);
    if (ah == 0.0) return 0.0;
    const double approach = (s.h < 0.0 ? s.hdot : -s.hdot) * direction;
    const double root = std::sqrt(approach * approach + 2.0 * hAcc_ * ah);
    // The two forms of the same root, each free of cancellation on its side.
    if (approach < 0.0) return (root - approach) / hAcc_;
    const double denom = approach + root;
    return denom > 0.0 ? 2.0 * ah / denom : 0.0;
}

// Seconds during which an angle that moves at no more than constantRate + |dR/dt| / |R|
// (R the line of sight, shortening at no more than relSpeed) cannot use up budgetRad.
double Finder::AngularTime(double budgetRad, double rangeKm, double constantRate) const {
    if (!(budgetRad > 0.0) || !(rangeKm > 0.0)) return 0.0;
    const double T = rangeKm / relSpeed_;
    // Budget used by time t: constantRate t - ln(1 - t / T). Two lower bounds on the root.
    const double linear = std::min(T / 2.0, budgetRad / (constantRate + 2.0 / T));
    const double t1 = T * (1.0 - std::exp(-budgetRad));
    const double rest = budgetRad - constantRate * t1;
    const double t2 = rest > 0.0 ? T * (1.0 - std::exp(-rest)) : 0.0;
    return std::max(linear, t2);
}

SearchTask<SatelliteSearchEnd> Finder::FindAosForward(Sample& cur, std::int64_t limit,
                                                      Sample& aos, bool& found) {
    found = false;
    for (;;) {
        if (Aborted()) co_return End::ABORTED;
        const std::int64_t k = cur.k + StepOf(HorizonTime(cur, +1));
        // Every second before k is certified below the horizon.
        if (k > limit) co_return End::COMPLETE;
        Sample next;
        const bool ok = co_await Propagate(k);
        if (!Evaluated(k, ok, next)) co_return End::PROPAGATION_FAILED;
        if (next.el > 0.0) {
            aos = next;
            found = true;
            co_return End::COMPLETE;
        }
        cur = next;
    }
}

SearchTask<SatelliteSearchEnd> Finder::FindAosBackward(const Sample& above, Sample& aos) {
    Sample cur = above;
    const std::int64_t limit = above.k - kWindow;
    for (;;) {
        if (Aborted()) co_return End::ABORTED;
        const std::int64_t step = StepOf(HorizonTime(cur, -1));
        const std::int64_t k = cur.k - step;
        if (k < limit) co_return End::NEVER_SETS;
        Sample prev;
        const bool ok = co_await Propagate(k);
        if (!Evaluated(k, ok, prev)) co_return End::PROPAGATION_FAILED;
        if (!(prev.el > 0.0)) {
            // Seconds after k up to cur are certified above: AOS is the next one.
            if (step == 1) {
                aos = cur;
            } else {
                const bool next = co_await Propagate(k + 1);
                if (!Evaluated(k + 1, next, aos)) co_return End::PROPAGATION_FAILED;
            }
            co_return End::COMPLETE;
        }
        cur = prev;
    }
}

double Finder::FlareStep(const Sample& s, PassRecord& record) {
    bool anyLive = false;
    for (int i = 0; i < FLARE_ANTENNAS; ++i)
        anyLive = anyLive || FlareTracker::AntennaLive(record, i);
    if (!anyLive) return std::numeric_limits<double>::infinity();

    const double jd = Jd(s.k);
    FlareTracker::Geometry g;
    g.pos = s.eci.Pos();
    g.vel = s.eci.Vel();
    g.lineOfSight = site_.GetRangeVector(s.eci);
    SunEquatorial(jd, g.sunRaDeg, g.sunDecDeg);
    g.azimuthDeg = RadToDeg(s.Az());
    g.elevationDeg = RadToDeg(s.el);
    g.rangeKm = s.range;

    std::array<double, FLARE_ANTENNAS> sep{}, theta{};
    for (int i = 0; i < FLARE_ANTENNAS; ++i) {
        bool faces = false;
        sep[i] = FlareSeparation(g.pos, g.vel, g.lineOfSight, g.sunRaDeg, g.sunDecDeg,
                                 FLARE_ANTENNA_TILT_DEG, FLARE_ANTENNA_AZIMUTH_DEG[i], &faces);
        theta[i] = faces ? sep[i] : 180.0;
    }
    flare_.StepAngles(jd, theta, g, record, [this](int i, const PassRecord& r) {
        const std::string details = FlareDetailsText(ctx_.formatDateTime(r.flareStart[i]), r);
        char buf[768];
        std::snprintf(buf, sizeof buf, "Flare found: %s (#%d) %s", sat_.name.c_str(),
                      sat_.catalogueNumber, details.c_str());
        Log(LOG_INFORMATION, buf);
    });

    double budgetDeg = std::numeric_limits<double>::infinity();
    for (int i = 0; i < FLARE_ANTENNAS; ++i) {
        if (FlareTracker::FlareUnderWay(record, i)) return 1.0;
        if (record.flareStart[i] == 0.0) budgetDeg = std::min(budgetDeg, sep[i]);
    }
    if (!std::isfinite(budgetDeg)) return budgetDeg;  // every antenna has had its flare
    // The mirrored direction turns with the line of sight and twice as fast as the mirror.
    return AngularTime(DegToRad(budgetDeg - FLARE_THRESHOLD_DEG - kAngleMargin), s.range,
                       2.0 * mirrorRate_ + kSunRate);
}

// Seconds during which no lunar pass can begin, from the Moon's place at some earlier time
// (drift: how far it may have moved since, degrees); 0 when one might. A pass begins only
// with the Moon up and the satellite inside its box, which needs the elevations within one
// radius and the two directions within two radii.
double Finder::LunarWait(const Sample& s, double moonAz, double moonEl, double drift) const {
    const double moonRate = RadToDeg(kMoonElevationRate);    // degrees per second
    const double satRate = kEarthRate + kMoonElevationRate;  // frame turning + the Moon
    const double satEl = RadToDeg(s.el);
    const double radius = MOON_MAX_APPARENT_RADIUS_DEG;
    double wait = 0.0;
    if (moonEl + drift < -kAngleMargin) wait = (-moonEl - drift - kAngleMargin) / moonRate;
    const double apartEl = std::fabs(satEl - moonEl) - drift - radius - kAngleMargin;
    if (apartEl > 0.0) wait = std::max(wait, AngularTime(DegToRad(apartEl), s.range, satRate));
    const double cosSep =
        std::sin(s.el) * std::sin(DegToRad(moonEl)) +
        std::cos(s.el) * std::cos(DegToRad(moonEl)) * std::cos(s.Az() - DegToRad(moonAz));
    const double sep = RadToDeg(std::acos(std::clamp(cosSep, -1.0, 1.0)));
    const double apart = sep - drift - 2.0 * radius - kAngleMargin;
    if (apart > 0.0) wait = std::max(wait, AngularTime(DegToRad(apart), s.range, satRate));
    return wait;
}

double Finder::LunarStep(const Sample& s, PassRecord& record) {
    const double jd = Jd(s.k);
    if (!lunar_.UnderWay() && moonKnown_) {
        // The Moon moves little: its last exact place, with how far it may have gone since,
        // usually shows that nothing can happen for a while.
        const double drift = RadToDeg(kMoonElevationRate) * std::fabs(jd - moonJd_) * SEC_PER_DAY;
        const double wait = LunarWait(s, moonAz_, moonEl_, drift);
        if (wait > 0.0) return wait;
    }
    double moonAz = 0, moonEl = 0, moonDist = 0;
    MoonHorizontal(jd, astroSite_, moonAz, moonEl, moonDist);
    moonKnown_ = true;
    moonJd_ = jd;
    moonAz_ = moonAz;
    moonEl_ = moonEl;
    switch (lunar_.Step(jd, RadToDeg(s.Az()), RadToDeg(s.el), moonAz, moonEl, moonDist, record)) {
        case LunarTracker::LUNAR_MOON_SET:
            Log(LOG_INFORMATION, Named("Lunar pass found, but moon sets during pass: %s (#%d)"));
            break;
        case LunarTracker::LUNAR_FOUND: {
            char buf[768];
            std::snprintf(buf, sizeof buf, "Lunar pass found: %s (#%d) %s", sat_.name.c_str(),
                          sat_.catalogueNumber, ctx_.formatDateTime(record.lunarStart).c_str());
            Log(LOG_INFORMATION, buf);
            break;
        }
        default:
            break;
    }
    if (lunar_.UnderWay()) return 1.0;
    return std::max(1.0, LunarWait(s, moonAz, moonEl, 0.0));
}

SearchTask<SatelliteSearchEnd> Finder::TracePass(const Sample& aos, PassRecord& record,
                                                 Sample& los) {
    flare_.Reset();
    lunar_.Reset();
    Sample cur = aos;
    for (;;) {
        if (Aborted()) co_return End::ABORTED;
        if (cur.k - aos.k > kWindow) co_return End::NEVER_SETS;
        double wait = HorizonTime(cur, +1);
        if (cur.el > 0.0) {
            // Flare first, then the lunar step, at every second above the horizon that
            // either could act on; the seconds skipped are certified to be no-ops.
            if (flareActive_) wait = std::min(wait, FlareStep(cur, record));
            if (lunarActive_) wait = std::min(wait, LunarStep(cur, record));
        }
        Sample next;
        const std::int64_t k = cur.k + StepOf(wait);
        const bool ok = co_await Propagate(k);
        if (!Evaluated(k, ok, next)) co_return End::PROPAGATION_FAILED;
        if (next.el < 0.0) {
            los = next;
            co_return End::COMPLETE;
        }
        cur = next;
    }
}

void Finder::FinishPass(PassRecord& record, const Sample& los, const cEci* mid) {
    record.los = Jd(los.k);
    record.setAzimuth = RadToDeg(los.Az());
    if (lunar_.EndOfPass(record.los, record) == LunarTracker::LUNAR_FOUND) {
        char buf[768];
        std::snprintf(buf, sizeof buf, "Lunar pass found: %s (#%d) %s", sat_.name.c_str(),
                      sat_.catalogueNumber, ctx_.formatDateTime(record.lunarStart).c_str());
        Log(LOG_INFORMATION, buf);
    }
    if (mid && mid->Units() == UNITS_KM) {
        const cCoordTopo topo = site_.LookAngles(*mid);
        record.maxElevation = RadToDeg(topo.el);
        record.midAzimuth = RadToDeg(topo.az);
    }
    double sunAz = 0, sunEl = 0;
    SunHorizontal(record.los, astroSite_, sunAz, sunEl);
    record.lighting = sunEl > 3.0    ? LIGHTING_SUNLIT
                      : sunEl < -6.0 ? LIGHTING_DARK
                                     : LIGHTING_TWILIGHT;
}

SatelliteSearchResult Finder::Finish(SatelliteSearchResult result, End end) const {
    result.end = end;
    result.evaluations = evaluations_ + (visibility_ ? visibility_->Evaluations() : 0);
    switch (end) {
        case End::NO_ORBIT:
            Log(LOG_WARNING, Named("Aborted trying to find passes for satellite %s (#%d): its "
                                   "elements give no orbit!"));
            break;
        case End::PROPAGATION_FAILED:
            Log(LOG_WARNING, Named("Stopped trying to find passes for satellite %s (#%d): its "
                                   "orbit could not be computed further!"));
            break;
        case End::NEVER_SETS:
            Log(LOG_WARNING, Named("Aborted trying to find passes for satellite %s (#%d): it "
                                   "does not set within 7 days!"));
            break;
        case End::NO_FURTHER_PASS:
            Log(LOG_WARNING, Named("Stopped trying to find passes for satellite %s (#%d): no "
                                   "further pass within 30 days!"));
            break;
        default:
            break;
    }
    return result;
}

SearchTask<SatelliteSearchResult> Finder::Run() {
    SatelliteSearchResult result;

    if (!sat_.located) co_return Finish(result, End::NOT_LOCATED);
    if (!orbit_.IsValid()) co_return Finish(result, End::NO_ORBIT);
    const double period = orbit_.Period();
    if (period > 85800.0 && period < 87000.0) {
        Log(LOG_WARNING,
            Named("Aborted trying to find passes for geosynchronous satellite %s (#%d)!"));
        co_return Finish(result, End::GEOSYNCHRONOUS);
    }
    const int n = ctx_.options.passesPerSatellite;
    if (n <= 0) co_return Finish(result, End::COMPLETE);
    InitBounds();
    t0_ = (ctx_.now - orbit_.Epoch().Date()) * MIN_PER_DAY;

    std::int64_t untilK = std::numeric_limits<std::int64_t>::max();
    if (ctx_.options.untilJd > 0.0)
        untilK = static_cast<std::int64_t>(
            std::floor((ctx_.options.untilJd - ctx_.now) * SEC_PER_DAY + 1e-6));

    Sample cur;
    const bool ok = co_await Propagate(0);
    if (!Evaluated(0, ok, cur)) co_return Finish(result, End::PROPAGATION_FAILED);
    Sample aos;
    bool haveAos = false;
    if (cur.el > 0.0) {
        // A pass in progress is found from its rise, however long ago.
        const End e = co_await FindAosBackward(cur, aos);
        if (e != End::COMPLETE) co_return Finish(result, e);
        haveAos = true;
    }
    const std::int64_t windowEnd = (haveAos ? aos.k : 0) + kWindow;
    std::int64_t lastLos = 0;

    while (result.passes < n) {
        if (Aborted()) co_return Finish(result, End::ABORTED);
        if (!haveAos) {
            const bool first = result.passes == 0;
            const std::int64_t natural = first ? windowEnd : lastLos + kGiveUpGap;
            const std::int64_t limit = std::min(natural, untilK);
            const End e = co_await FindAosForward(cur, limit, aos, haveAos);
            if (e != End::COMPLETE) co_return Finish(result, e);
            if (!haveAos) {
                if (untilK <= natural) co_return Finish(result, End::UNTIL_REACHED);
                if (!first) co_return Finish(result, End::NO_FURTHER_PASS);
                if (ctx_.options.reportNvs)
                    Log(LOG_WARNING,
                        Named("This satellite is not visible within 7 days: %s (#%d)"));
                co_return Finish(result, End::NOT_VISIBLE);
            }
        }
        if (aos.k > untilK) co_return Finish(result, End::UNTIL_REACHED);

        PassRecord record{};
        record.satellite = index_;
        record.aos = Jd(aos.k);
        record.riseAzimuth = RadToDeg(aos.Az());
        Sample los;
        const End e = co_await TracePass(aos, record, los);
        if (e != End::COMPLETE) co_return Finish(result, e);
        // Midpoint between AOS and LOS: the "maximum" elevation the list shows.
        const double tMid = Tsince(los.k) - (Jd(los.k) - record.aos) * 720.0;
        cEci mid;
        bool midOk = false;
        co_await Propagation{orbit_, tMid, queue_, mid, midOk, nullptr};
        FinishPass(record, los, midOk ? &mid : nullptr);
        if (visibility_)
            co_await visibility_->ComputeSteps(Tsince(aos.k), los.k - aos.k, record, &aos.eci);
        slots_[result.passes] = record;
        if (ctx_.passStored) ctx_.passStored(result.passes);
        ++result.passes;
        cur = los;
        lastLos = los.k;
        haveAos = false;
    }
    co_return Finish(result, End::COMPLETE);
}

}  // namespace pass_finder

SatelliteSearchResult SearchSatellitePasses(const PassSearchSatellite& satellite,
                                            int selectionIndex,
                                            const SatelliteSearchContext& context,
                                            PassRecord* slots) {
    SatelliteSearchContext ctx = context;
    if (!ctx.formatDateTime) ctx.formatDateTime = FormatUtcDateTime;
    pass_finder::Finder finder(satellite, selectionIndex, ctx, slots);
    // Alone, the search propagates at once and so never waits: it runs to its end here.
    SearchTask<SatelliteSearchResult> task = finder.Run();
    task.Start();
    return task.Result();
}

std::string FormatUtcDateTime(double jd) {
    const std::int64_t total =
        static_cast<std::int64_t>(std::llround((jd - kUnixEpochJd) * SEC_PER_DAY));
    std::int64_t days = total >= 0 ? total / kDay : -((-total + kDay - 1) / kDay);
    const std::int64_t secs = total - days * kDay;
    std::int64_t y = 0;
    int m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    char buf[160];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d %02lld:%02lld:%02lld",
                  static_cast<long long>(y), m, d,
                  static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60));
    return buf;
}

}  // namespace orvanta
