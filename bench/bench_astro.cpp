// Sun and Moon: the per-step cost the pass search pays for lighting, flares
// and lunar passes, and one rise/set refresh.
#include <string>

#include "astro/rise_set.h"
#include "astro/sun_moon.h"
#include "bench/bench.h"

namespace orvanta::bench {
namespace {

// Keeps the optimiser from dropping the loop.
volatile double sink;

void RunAstro() {
    const AstroSite site(48.85, 2.35);
    const double start = 2461383.0;
    const int n = 200000;
    const double step = 1.0 / 1440.0;

    double acc = 0;
    double t0 = Now();
    for (int i = 0; i < n; ++i) {
        double sra, sdec, mra, mdec, dist;
        SunEquatorial(start + i * step, sra, sdec);
        MoonEquatorial(start + i * step, mra, mdec, dist);
        acc += sra + sdec + mra + mdec + dist;
    }
    Report("astro_sun_moon_equatorial", (Now() - t0) / n * 1e9, "ns/call");

    t0 = Now();
    for (int i = 0; i < n; ++i) {
        double az, el, dist;
        SunHorizontal(start + i * step, site, az, el);
        acc += az + el;
        MoonHorizontal(start + i * step, site, az, el, dist);
        acc += az + el;
    }
    Report("astro_sun_moon_horizontal", (Now() - t0) / n * 1e9, "ns/call");

    const int refreshes = 200;
    t0 = Now();
    for (int i = 0; i < refreshes; ++i) {
        const RiseSetTexts texts =
            RefreshRiseSet(start + i * 0.37, site, [](double jd) { return std::to_string(jd); });
        acc += static_cast<double>(texts.moonset.size());
    }
    Report("astro_rise_set_refresh", (Now() - t0) / refreshes * 1e3, "ms");
    sink = acc;
}

}  // namespace

ORVANTA_BENCHMARK(kAstroBenchmark, "astro", RunAstro);

}  // namespace orvanta::bench
