#pragma once
// The search of one satellite, for pass_finder.cpp and the lockstep workers only: everyone
// else calls SearchSatellitePasses (pass_finder.h). The search is a coroutine that waits on
// each propagation of its stepping. Alone it propagates at once and never waits; in
// lockstep it queues the propagation, and the worker runs the queues of many satellites
// through the batch propagator together and resumes each.
#include <coroutine>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "astro/sun_moon.h"
#include "catalogue/flare.h"
#include "catalogue/lunar_pass.h"
#include "catalogue/pass_finder.h"
#include "catalogue/pass_visibility.h"
#include "catalogue/propagation_queue.h"
#include "catalogue/search_task.h"
#include "orbit/element_set.h"
#include "orbit/globals.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "orbit/site_frame.h"

namespace orvanta::pass_finder {

struct Sample {
    std::int64_t k = 0;  // seconds from the search start
    cEci eci;
    // The line of sight's south and east components, km: the azimuth is wanted at few samples.
    double south = 0.0, east = 0.0;
    double el = 0.0;     // radians
    double range = 0.0;  // km
    double h = 0.0;      // height above the site's horizon plane, km (sign of el)
    double hdot = 0.0;   // its rate, km/s
    double Az() const { return cSiteFrame::Azimuth(south, east); }  // radians
};

class Finder {
public:
    // orbit: the satellite's orbit when the caller holds one for as long as the finder
    // lives (the lockstep workers' batch); null: the finder builds its own.
    Finder(const PassSearchSatellite& sat, int selectionIndex, const SatelliteSearchContext& ctx,
           PassRecord* slots, const cOrbit* orbit = nullptr);
    Finder(const Finder&) = delete;
    Finder& operator=(const Finder&) = delete;

    SearchTask<SatelliteSearchResult> Run();

    // From now on the propagations go to queue (and wait there) instead of being made at
    // once; set is the orbit's index in the caller's batch.
    void Queue(std::vector<PendingPropagation>* queue, std::size_t set) {
        queue_.queue = queue;
        queue_.set = set;
    }

private:
    using End = SatelliteSearchEnd;

    // co_await Propagate(k): true with state_ holding the orbit at second k.
    Propagation Propagate(std::int64_t k) {
        return Propagation{orbit_, Tsince(k), queue_, state_, stateOk_, &look_};
    }

    bool Aborted() const { return ctx_.abort && ctx_.abort->load(std::memory_order_relaxed); }
    double Jd(std::int64_t k) const { return ctx_.now + static_cast<double>(k) / SEC_PER_DAY; }
    double Tsince(std::int64_t k) const { return t0_ + static_cast<double>(k) / 60.0; }
    void Log(int level, const std::string& text) const {
        if (ctx_.log) ctx_.log(level, text);
    }
    std::string Named(const char* format) const;

    void InitBounds();
    void WidenBounds(double r, double v);
    // The sample at second k from state_, after co_await Propagate(k) gave ok.
    bool Evaluated(std::int64_t k, bool ok, Sample& s);
    double HorizonTime(const Sample& s, int direction) const;
    double AngularTime(double budgetRad, double rangeKm, double constantRate) const;
    static std::int64_t StepOf(double seconds);

    SearchTask<End> FindAosForward(Sample& cur, std::int64_t limit, Sample& aos, bool& found);
    SearchTask<End> FindAosBackward(const Sample& above, Sample& aos);
    SearchTask<End> TracePass(const Sample& aos, PassRecord& record, Sample& los);
    double FlareStep(const Sample& s, PassRecord& record);
    double LunarStep(const Sample& s, PassRecord& record);
    double LunarWait(const Sample& s, double moonAz, double moonEl, double drift) const;
    // mid: the state at the middle of the pass, null when it could not be computed.
    void FinishPass(PassRecord& record, const Sample& los, const cEci* mid);
    SatelliteSearchResult Finish(SatelliteSearchResult result, End end) const;

    const PassSearchSatellite& sat_;
    int index_;
    const SatelliteSearchContext& ctx_;
    PassRecord* slots_;
    std::optional<cOrbit> ownOrbit_;
    const cOrbit& orbit_;
    const cElementSet& elements_;
    cSite site_;
    AstroSite astroSite_;
    cSiteFrame frame_;
    double lat_ = 0, lon_ = 0, sinLat_ = 0, cosLat_ = 1;
    double t0_ = 0.0;
    std::int64_t evaluations_ = 0;

    PropagationQueue queue_;
    cEci state_;  // the last propagation's answer
    bool stateOk_ = false;
    SampleLook look_;  // its look from the site, when a lockstep worker worked it out

    // Bounds on the orbit over the search, with margins; widened if a state ever exceeds them.
    double aKm_ = 0, ecc_ = 0;
    double rMin_ = 0, rMax_ = 0, vMax_ = 0, vMin_ = 0, accMax_ = 0;
    double hAcc_ = 0;        // bound on the second derivative of h, km/s^2
    double relSpeed_ = 0;    // bound on the satellite's speed relative to the site, km/s
    double mirrorRate_ = 0;  // bound on the turning rate of an antenna normal, rad/s
    double siteSpeed_ = 0;

    bool flareActive_ = false;
    bool lunarActive_ = false;
    FlareTracker flare_;
    LunarTracker lunar_;
    bool moonKnown_ = false;
    double moonJd_ = 0.0, moonAz_ = 0.0, moonEl_ = 0.0;  // the last exact Moon place, its date
    std::optional<PassVisibility> visibility_;  // when the options ask for it
};

}  // namespace orvanta::pass_finder
