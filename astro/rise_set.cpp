// Next rise and set of the Sun and the Moon.
#include "astro/rise_set.h"

#include <cmath>

namespace orvanta {

namespace {

// The steps in whole seconds. The search counts seconds from the start and
// forms each date afresh, so hundreds of steps add no rounding and a result
// lies exactly on a whole second after the start.
constexpr long COARSE_SECONDS = 3600;
constexpr long BACK_SECONDS = 24;
constexpr long FINE_SECONDS = 1;
static_assert(COARSE_SECONDS / 86400.0 == RISE_SET_COARSE_STEP);
static_assert(BACK_SECONDS / 86400.0 == RISE_SET_BACK_STEP);
static_assert(FINE_SECONDS / 86400.0 == RISE_SET_FINE_STEP);

// A back-step run ends within one coarse step (150 back-steps), a fine run
// within one back-step; the limits only guard against a misbehaving input.
constexpr int MAX_BACK_STEPS = COARSE_SECONDS / BACK_SECONDS + 1;
constexpr int MAX_FINE_STEPS = BACK_SECONDS / FINE_SECONDS + 1;

struct ElevationSearch {
    RiseSetBody body;
    const AstroSite& site;
    double start;
    long seconds = 0;   // from start
    double t;
    double threshold = 0.0;
    double el = 0.0;
    int coarseSteps = 0;

    ElevationSearch(RiseSetBody b, double startJd, const AstroSite& s)
        : body(b), site(s), start(startJd), t(startJd) {
        double az, distance;
        if (body == RiseSetBody::Sun) {
            SunHorizontal(t, site, az, el);
            threshold = SUN_RISE_THRESHOLD;
        } else {
            // Fixed for the whole search, from the distance at its start.
            MoonHorizontal(t, site, az, el, distance);
            threshold = MoonRiseThreshold(distance);
        }
    }

    void Step(long deltaSeconds) {
        seconds += deltaSeconds;
        t = start + static_cast<double>(seconds) / 86400.0;
        double az, distance;
        if (body == RiseSetBody::Sun)
            SunHorizontal(t, site, az, el);
        else
            MoonHorizontal(t, site, az, el, distance);
    }

    bool Up() const { return el > threshold; }
    bool Down() const { return el < threshold; }

    // Hourly steps while the body stays up (or down); false when the
    // 48-hour budget of the whole search runs out first.
    bool CoarseWhileUp() {
        while (Up()) {
            if (coarseSteps == RISE_SET_MAX_COARSE_STEPS) return false;
            ++coarseSteps;
            Step(COARSE_SECONDS);
        }
        return true;
    }
    bool CoarseWhileDown() {
        while (Down()) {
            if (coarseSteps == RISE_SET_MAX_COARSE_STEPS) return false;
            ++coarseSteps;
            Step(COARSE_SECONDS);
        }
        return true;
    }
};

}  // namespace

double MoonRiseThreshold(double distanceKm) { return -0.5 * (358473400.0 / distanceKm) / 3600.0; }

std::optional<double> NextRise(RiseSetBody body, double startJd, const AstroSite& site) {
    if (!std::isfinite(startJd)) return std::nullopt;
    ElevationSearch s(body, startJd, site);
    if (s.Up()) {
        // Up now: the next rise follows the coming set.
        if (!s.CoarseWhileUp()) return std::nullopt;
        if (s.Down() && !s.CoarseWhileDown()) return std::nullopt;
    } else if (s.Down()) {
        if (!s.CoarseWhileDown()) return std::nullopt;
    }
    for (int i = 0; i < MAX_BACK_STEPS && s.Up(); ++i) s.Step(-BACK_SECONDS);
    for (int i = 0; i < MAX_FINE_STEPS && s.Down(); ++i) s.Step(FINE_SECONDS);
    return s.t;
}

std::optional<double> NextSet(RiseSetBody body, double startJd, const AstroSite& site) {
    if (!std::isfinite(startJd)) return std::nullopt;
    ElevationSearch s(body, startJd, site);
    if (s.Up()) {
        if (!s.CoarseWhileUp()) return std::nullopt;
    } else if (s.Down()) {
        // Down now: the next set follows the coming rise.
        if (!s.CoarseWhileDown()) return std::nullopt;
        if (s.Up() && !s.CoarseWhileUp()) return std::nullopt;
    }
    for (int i = 0; i < MAX_BACK_STEPS && s.Down(); ++i) s.Step(-BACK_SECONDS);
    for (int i = 0; i < MAX_FINE_STEPS && s.Up(); ++i) s.Step(FINE_SECONDS);
    return s.t;
}

RiseSetTexts RefreshRiseSet(double nowJd, const AstroSite& site, const TimeOfDayFormatter& format) {
    auto text = [&](const std::optional<double>& when) {
        std::string s = when ? format(*when) : std::string(RISE_SET_NONE_TEXT);
        if (s.size() > RISE_SET_TEXT_MAX) s.resize(RISE_SET_TEXT_MAX);
        return s;
    };
    RiseSetTexts texts;
    texts.sunrise = text(NextRise(RiseSetBody::Sun, nowJd, site));
    texts.sunset = text(NextSet(RiseSetBody::Sun, nowJd, site));
    texts.moonrise = text(NextRise(RiseSetBody::Moon, nowJd, site));
    texts.moonset = text(NextSet(RiseSetBody::Moon, nowJd, site));
    return texts;
}

}  // namespace orvanta
