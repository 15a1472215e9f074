// A search worker: its satellites are searched together. Up to kLanes searches are open at
// once; each waits on one propagation at a time, and a round gives all of them to the batch
// propagator in one call and resumes each, so the orbit model runs on whole vectors instead
// of one satellite after another. Each search takes the same steps as it would alone; the
// states differ from the scalar propagator's by well under a millimetre.
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/pass_finder.h"
#include "catalogue/pass_finder_core.h"
#include "catalogue/pass_search.h"
#include "orbit/sgp4_batch.h"
#include "orbit/site.h"
#include "orbit/site_frame.h"
#include "orbit/site_look_batch.h"

namespace orvanta {

namespace {

// Open searches a worker keeps: one block of the batch propagator.
constexpr std::size_t kLanes = 64;

using pass_finder::Finder;

struct Lane {
    int satellite = 0;  // selection index
    SatelliteSearchContext ctx;
    std::unique_ptr<Finder> finder;
    std::optional<SearchTask<SatelliteSearchResult>> task;
};

// Event-log lines in the order a worker searching one satellite after the other would give
// them: the earliest unfinished satellite's lines go out at once, later ones' are held until
// every satellite before them has ended.
class LineOrder {
public:
    LineOrder(PassSearchState& state, int thread, int first, int count)
        : state_(state), thread_(thread), first_(first), held_(count), ended_(count, 0) {}

    void Log(int satellite, int level, const std::string& text) {
        if (static_cast<std::size_t>(satellite - first_) == head_)
            state_.Log(thread_, level, text);
        else
            held_[static_cast<std::size_t>(satellite - first_)].emplace_back(level, text);
    }
    void Ended(int satellite) {
        ended_[static_cast<std::size_t>(satellite - first_)] = 1;
        while (head_ < held_.size() && ended_[head_]) {
            ++head_;
            if (head_ < held_.size()) Flush(head_);
        }
    }
    // Whatever is still held, in satellite order (an aborted search).
    void FlushAll() {
        for (std::size_t i = head_; i < held_.size(); ++i) Flush(i);
    }

private:
    void Flush(std::size_t i) {
        for (const auto& [level, text] : held_[i]) state_.Log(thread_, level, text);
        held_[i].clear();
    }

    PassSearchState& state_;
    int thread_;
    int first_;
    std::size_t head_ = 0;  // the earliest satellite not ended, from first_
    std::vector<std::vector<std::pair<int, std::string>>> held_;
    std::vector<char> ended_;
};

}  // namespace

void SearchWorker(PassSearchState& state, int threadNumber) {
    state.FillTable();
    SearchThread& me = *state.threads[static_cast<std::size_t>(threadNumber)];
    const PassSearchInputs& in = state.inputs;
    const int n = in.options.passesPerSatellite;
    const int count = me.last - me.first + 1;
    const double slotsDone = count > 0 && n > 0 ? 100.0 / (static_cast<double>(count) * n) : 0.0;
    if (count <= 0) {
        me.running.store(false, std::memory_order_release);
        return;
    }

    SatelliteSearchContext base;
    base.now = in.now;
    base.observer = in.observer;
    base.options = in.options;
    base.abort = &state.abort;
    base.formatDateTime =
        in.formatDateTime ? in.formatDateTime : PassTimeFormatter(FormatUtcDateTime);

    std::vector<cOrbit> orbits;
    orbits.reserve(static_cast<std::size_t>(count));
    for (int s = me.first; s <= me.last; ++s) {
        const PassSearchSatellite& sat = in.satellites[static_cast<std::size_t>(s)];
        orbits.emplace_back(cElementSet(sat.name, sat.line1, sat.line2));
    }
    const cSgp4Batch batch(std::move(orbits));
    // The site as every search places it (whole kilometres of height, see the finder).
    const cSite site(in.observer.latitude, in.observer.longitude,
                     static_cast<double>(in.observer.altitudeMetres / 1000));
    const cSiteFrame frame(site.GetLocation());
    cSiteLooks looks;
    std::vector<SampleLook*> lookTo;

    LineOrder lines(state, threadNumber, me.first, count);
    double slotsFilled = 0.0;  // slots stored, and the unused ones of ended satellites
    auto ended = [&](Lane& lane) {
        const SatelliteSearchResult r = lane.task->Result();
        if (r.end != SatelliteSearchEnd::ABORTED) {
            // A satellite with fewer than N passes still counts as done for the progress bar.
            slotsFilled += n > 0 ? n - r.passes : 0;
            me.progress.store(n > 0 ? slotsDone * slotsFilled : 100.0, std::memory_order_relaxed);
        }
        lines.Ended(lane.satellite);
    };

    std::vector<PendingPropagation> queue, waiting;
    std::vector<std::unique_ptr<Lane>> lanes;
    std::vector<std::size_t> sets;
    std::vector<double> times;
    cSgp4BatchStates states;
    int next = me.first;
    for (;;) {
        if (state.abort.load(std::memory_order_relaxed)) break;
        // Open searches up to the lanes. A gate is passed before each satellite, so a gated
        // worker (the tests' hold on a search) begins one only when it has none open, as
        // when every satellite was searched alone.
        bool refused = false;
        const std::size_t open = in.gate ? 1 : kLanes;
        while (lanes.size() < open && next <= me.last) {
            if (in.gate && !in.gate->Enter(state.abort)) {
                refused = true;
                break;
            }
            auto lane = std::make_unique<Lane>();
            lane->satellite = next;
            lane->ctx = base;
            const int s = next;
            lane->ctx.log = [&lines, s](int level, const std::string& text) {
                lines.Log(s, level, text);
            };
            lane->ctx.passStored = [&me, &slotsFilled, slotsDone](int) {
                slotsFilled += 1.0;
                me.progress.store(slotsDone * slotsFilled, std::memory_order_relaxed);
            };
            const std::size_t set = static_cast<std::size_t>(next - me.first);
            PassRecord* slots = n > 0 ? &state.table[static_cast<std::size_t>(next) * n] : nullptr;
            lane->finder = std::make_unique<Finder>(in.satellites[static_cast<std::size_t>(next)],
                                                    next, lane->ctx, slots, &batch.Orbit(set));
            // Deep-space sets propagate on the scalar path at once, so they never wait.
            if (batch.IsVectorised(set)) lane->finder->Queue(&queue, set);
            lane->task.emplace(lane->finder->Run());
            ++next;
            lane->task->Start();
            if (lane->task->Done())
                ended(*lane);
            else
                lanes.push_back(std::move(lane));
        }
        if (lanes.empty()) {
            if (next > me.last || refused) break;
            continue;
        }

        // Every open search waits on one propagation: all of them in one call.
        waiting.swap(queue);
        queue.clear();
        sets.clear();
        times.clear();
        for (const PendingPropagation& p : waiting) {
            sets.push_back(p.set);
            times.push_back(p.tsince);
        }
        batch.PropagateRequests(sets, times, states);
        looks.Clear();
        lookTo.clear();
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            const std::size_t at = states.Index(i, 0);
            const bool ok = states.status[at] == SGP4_BATCH_OK;
            waiting[i].Deliver(ok, cVector(states.x[at], states.y[at], states.z[at]),
                               cVector(states.vx[at], states.vy[at], states.vz[at]));
            if (!ok || !waiting[i].look) continue;
            looks.Add(waiting[i].state->Date().Date(), states.x[at], states.y[at], states.z[at]);
            lookTo.push_back(waiting[i].look);
        }
        // The looks from the site of the samples that want one, together.
        LookFromSite(frame, looks);
        for (std::size_t j = 0; j < lookTo.size(); ++j) {
            SampleLook& l = *lookTo[j];
            l.sinTheta = looks.sinTheta[j];
            l.cosTheta = looks.cosTheta[j];
            l.south = looks.south[j];
            l.east = looks.east[j];
            l.up = looks.up[j];
            l.range = looks.range[j];
            l.el = looks.el[j];
            l.ready = true;
        }
        for (const PendingPropagation& p : waiting) p.resume.resume();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            if (lanes[i]->task->Done())
                ended(*lanes[i]);
            else
                lanes[kept++] = std::move(lanes[i]);
        }
        lanes.resize(kept);
    }
    // Searches still open after an abort end here, with what they have stored; no record is
    // half written, as a record goes to its slot only when complete.
    lanes.clear();
    lines.FlushAll();
    me.running.store(false, std::memory_order_release);
}

}  // namespace orvanta
