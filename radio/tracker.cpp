#include "radio/tracker.h"

#include <cmath>
#include <vector>

#include "catalogue/pass_finder.h"
#include "orbit/globals.h"

namespace orvanta {

namespace {

constexpr double SECOND = 1.0 / 86400.0;

bool Moved(const std::optional<LookAngle>& sent, const LookAngle& now, double threshold) {
    return !sent || std::abs(sent->az - now.az) > threshold ||
           std::abs(sent->el - now.el) > threshold;
}

bool Moved(const std::optional<std::int64_t>& sent, const std::optional<std::int64_t>& now,
           double threshold) {
    if (!now) return false;
    return !sent || std::abs(static_cast<double>(*sent - *now)) > threshold;
}

}  // namespace

const char* TrackPhaseName(TrackPhase phase) {
    switch (phase) {
    case TrackPhase::WAITING: return "waiting";
    case TrackPhase::PARKING: return "before AOS";
    case TrackPhase::TRACKING: return "tracking";
    case TrackPhase::PARKED: return "after LOS";
    case TrackPhase::NO_PASS: return "no pass";
    }
    return "";
}

SatelliteTracker::SatelliteTracker(const cElementSet& elements_, const ObserverLocation& observer_,
                                   TrackerSettings settings_)
    : elements(elements_),
      orbit(elements_),
      observer(observer_),
      // Whole kilometres, as the pass search takes the site, so AOS and LOS agree with the list.
      site(observer_.latitude, observer_.longitude,
           static_cast<double>(observer_.altitudeMetres / 1000)),
      settings(settings_) {}

void SatelliteTracker::SetLimits(const RotatorLimits& limits) {
    settings.limits = limits;
    if (aos != 0.0) {
        const double from = aos;
        aos = los = 0.0;
        FindPass(from - SECOND);
    }
}

void SatelliteTracker::SetFrequencies(double downlinkHz, double uplinkHz, double offsetHz) {
    settings.downlinkHz = downlinkHz;
    settings.uplinkHz = uplinkHz;
    settings.offsetHz = offsetHz;
    RadioNotSent();
}

bool SatelliteTracker::Look(double jd, LookAngle& look, double& range, double& rate) const {
    cEci eci;
    if (!orbit.PositionAt((jd - orbit.Epoch().Date()) * 1440.0, eci)) return false;
    const cCoordTopo topo = site.LookAngles(eci);
    look = {topo.az * 180.0 / PI, topo.el * 180.0 / PI};
    range = topo.range;
    rate = topo.rangeRate;
    return true;
}

void SatelliteTracker::FindPass(double fromJd) {
    aos = los = 0.0;
    parkedSent = false;
    PassSearchSatellite sat;
    sat.name = elements.Name();
    sat.line1 = elements.Line1();
    sat.line2 = elements.Line2();
    sat.catalogueNumber = elements.CatalogueNumber();
    SatelliteSearchContext ctx;
    ctx.now = fromJd;
    ctx.observer = observer;
    ctx.options.passesPerSatellite = 1;
    ctx.options.reportNvs = false;
    ctx.log = [](int, const std::string&) {};
    ctx.formatDateTime = [](double jd) { return FormatUtcDateTime(jd); };
    PassRecord record;
    const SatelliteSearchResult result = SearchSatellitePasses(sat, 0, ctx, &record);
    if (result.end != SatelliteSearchEnd::COMPLETE || record.IsEmpty() || record.los == 0.0) {
        searchedUpTo = fromJd + 1.0;  // try again in a day of steps, not every second
        return;
    }
    aos = record.aos;
    los = record.los;
    // The whole pass, a second apart, decides how the rotator flies it.
    std::vector<LookAngle> track;
    for (double t = aos; t <= los + 0.5 * SECOND; t += SECOND) {
        LookAngle look;
        double range = 0, rate = 0;
        if (Look(t, look, range, rate)) track.push_back(look);
    }
    plan = PlanPass(track, settings.limits);
    lastCommandAz = plan.startAz;
}

TrackStep SatelliteTracker::Step(double jd) {
    TrackStep step;
    step.jd = jd;
    step.computed = Look(jd, step.look, step.rangeKm, step.rangeRateKmS);
    if (!step.computed) return step;

    if ((aos == 0.0 || jd >= los) && jd >= searchedUpTo) {
        FindPass(jd);
    }

    if (aos == 0.0) {
        step.phase = TrackPhase::NO_PASS;
    } else if (jd >= aos && jd < los) {
        step.phase = TrackPhase::TRACKING;
    } else if (jd < aos && jd >= aos - settings.preAosSeconds * SECOND) {
        step.phase = TrackPhase::PARKING;
    } else {
        step.phase = TrackPhase::WAITING;
    }
    // After a pass and before the next one's parking: the park position, once.
    const bool afterPass =
        (step.phase == TrackPhase::WAITING || step.phase == TrackPhase::NO_PASS) &&
        sentRotator.has_value();

    std::optional<LookAngle> want;
    if (step.phase == TrackPhase::TRACKING) {
        want = RotatorCommand(plan, step.look, lastCommandAz, settings.limits);
    } else if (step.phase == TrackPhase::PARKING) {
        want = LookAngle{plan.startAz, plan.startEl};
    } else if (afterPass && settings.parkAfterLos && !parkedSent) {
        want = LookAngle{settings.parkAz, settings.parkEl};
        step.phase = TrackPhase::PARKED;
        parkedSent = true;
    }
    if (want) {
        lastCommandAz = want->az;
        step.sendRotator = Moved(sentRotator, *want, settings.rotatorThresholdDeg);
        if (step.sendRotator) sentRotator = want;
        step.rotator = sentRotator;
    } else {
        step.rotator = sentRotator;
    }

    if (step.phase == TrackPhase::TRACKING || step.phase == TrackPhase::PARKING) {
        // Before AOS the radio is preset for the first second of the pass.
        double rate = step.rangeRateKmS;
        if (step.phase == TrackPhase::PARKING) {
            LookAngle look;
            double range = 0;
            if (!Look(aos, look, range, rate)) rate = step.rangeRateKmS;
        }
        if (settings.downlinkHz > 0.0)
            step.downlinkHz =
                std::llround(DopplerDownlink(settings.downlinkHz + settings.offsetHz, rate));
        if (settings.uplinkHz > 0.0)
            step.uplinkHz = std::llround(DopplerUplink(settings.uplinkHz, rate));
        step.sendRadio = Moved(sentDownlink, step.downlinkHz, settings.radioThresholdHz) ||
                         Moved(sentUplink, step.uplinkHz, settings.radioThresholdHz);
        if (step.sendRadio) {
            if (step.downlinkHz) sentDownlink = step.downlinkHz;
            if (step.uplinkHz) sentUplink = step.uplinkHz;
        }
    }
    if (!step.downlinkHz) step.downlinkHz = sentDownlink;
    if (!step.uplinkHz) step.uplinkHz = sentUplink;
    return step;
}

}  // namespace orvanta
