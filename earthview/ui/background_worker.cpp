#include "earthview/ui/background_worker.h"

#include <chrono>

#include "earthview/cloud_map.h"
#include "earthview/daynight.h"

namespace orvanta {

EarthBackgroundWorker::EarthBackgroundWorker(PixelImage day, PixelImage night,
                                             std::filesystem::path cloudMapFile,
                                             std::function<double()> now,
                                             std::function<bool()> cloudsShown,
                                             EarthWorkerTiming timing)
    : day_(std::move(day)), night_(std::move(night)), cloudMapFile_(std::move(cloudMapFile)),
      now_(std::move(now)), cloudsShown_(std::move(cloudsShown)), timing_(timing) {
    cloud_ = PixelImage(day_.width, day_.height);
    composite_ = PixelImage(day_.width, day_.height);
}

EarthBackgroundWorker::~EarthBackgroundWorker() { Stop(-1); }

bool EarthBackgroundWorker::Start(int state) {
    if (thread_) return true;
    state_ = state;
    thread_ = QThread::create([this] { Run(); });
    if (!thread_) return false;
    thread_->start(QThread::LowestPriority);
    return true;
}

void EarthBackgroundWorker::Stop(int timeoutMs) {
    SetState(EARTH_STOP);
    if (!thread_) return;
    const bool ended = timeoutMs < 0 ? thread_->wait() : thread_->wait(QDeadlineTimer(timeoutMs));
    if (!ended) thread_->wait();  // it checks after every row, so this is short
    delete thread_;
    thread_ = nullptr;
}

bool EarthBackgroundWorker::Running() const { return thread_ && thread_->isRunning(); }

void EarthBackgroundWorker::SetState(int state) {
    {
        std::lock_guard lock(mutex_);
        state_ = state;
        // A pass under way started before this request, so it must start again.
        if (state == EARTH_REPAINT_NOW || state == EARTH_REPAINT_SLOW ||
            state == EARTH_REPAINT_FAST || state == EARTH_CLOUD_ARRIVED)
            ++requests_;
    }
    wake_.notify_all();
}

void EarthBackgroundWorker::RequestSlowRepaint() {
    int expected = state_.load();
    if (expected == EARTH_REPAINT_NOW || expected == EARTH_REPAINT_FAST || expected == EARTH_STOP)
        return;
    SetState(EARTH_REPAINT_SLOW);
}

void EarthBackgroundWorker::RequestFastRepaint() {
    const int expected = state_.load();
    if (expected == EARTH_REPAINT_NOW || expected == EARTH_REPAINT_FAST ||
        expected == EARTH_CLOUD_ARRIVED || expected == EARTH_STOP)
        return;
    SetState(EARTH_REPAINT_FAST);
}

bool EarthBackgroundWorker::TakeFinished(PixelImage& display) {
    std::lock_guard lock(mutex_);
    if (state_ != EARTH_PASS_DONE) return false;
    display = composite_;
    state_ = EARTH_IDLE;
    return true;
}

void EarthBackgroundWorker::LoadCloudMap() {
    LoadedCloudMap loaded = LoadCloudMapFile(cloudMapFile_, now_ ? now_() : 0.0);
    std::lock_guard lock(mutex_);
    cloudStatus_.line = loaded.line;
    cloudStatus_.mapTime = loaded.time;
    if (loaded.map) {
        cloud_ = CloudLayerFrom(*loaded.map, day_.width, day_.height);
        cloudStatus_.loaded = true;
    }
    // A missing or unreadable map keeps the layer as it was (black at first).
}

CloudMapStatus EarthBackgroundWorker::CloudStatus() const {
    std::lock_guard lock(mutex_);
    return cloudStatus_;
}

bool EarthBackgroundWorker::Sleep(int ms) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return state_ == EARTH_STOP; });
    return state_ != EARTH_STOP;
}

void EarthBackgroundWorker::Run() {
    for (;;) {
        const int state = state_.load();
        if (state == EARTH_STOP) return;
        if (state == EARTH_CLOUD_ARRIVED) {
            LoadCloudMap();
            std::lock_guard lock(mutex_);
            if (state_ == EARTH_CLOUD_ARRIVED) state_ = EARTH_REPAINT_NOW;
            continue;
        }
        if (state == EARTH_REPAINT_NOW || state == EARTH_REPAINT_SLOW ||
            state == EARTH_REPAINT_FAST) {
            if (!ComposePass()) return;
            continue;
        }
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(timing_.idlePollMs), [this] {
            const int s = state_.load();
            return s != EARTH_IDLE && s != EARTH_PASS_DONE;
        });
    }
}

bool EarthBackgroundWorker::ComposePass() {
    bool busy = false;
    auto setBusy = [&](bool on) {
        if (on != busy && busyChanged) busyChanged(on);
        busy = on;
    };
    for (;;) {
        if (day_.Empty() || night_.width != day_.width || night_.height != day_.height) {
            // Without a night image there is nothing to blend: the day image stands.
            std::lock_guard lock(mutex_);
            composite_ = day_;
            if (state_ != EARTH_STOP) state_ = EARTH_PASS_DONE;
            return state_ != EARTH_STOP;
        }
        std::unique_lock lock(mutex_);
        if (state_ == EARTH_STOP) break;
        if (state_ == EARTH_CLOUD_ARRIVED) {
            lock.unlock();
            LoadCloudMap();
            lock.lock();
            if (state_ == EARTH_CLOUD_ARRIVED) state_ = EARTH_REPAINT_NOW;
            continue;
        }
        // A pass restarted by "Show static" runs at full speed with the indicator.
        if (state_ == EARTH_REPAINT_NOW) setBusy(true);
        const unsigned request = requests_;
        const bool clouds = cloudsShown_ && cloudsShown_();
        // The cloud layer changes only on this thread (state 5) or before Start.
        const DayNightCompositor compositor(day_, night_, clouds ? &cloud_ : nullptr,
                                            SunGeometryAt(now_ ? now_() : 0.0));
        lock.unlock();
        PixelImage rows(day_.width, day_.height);
        bool restart = false;
        for (int row = 0; row < day_.height && !restart; ++row) {
            compositor.ComposeRow(row, rows);
            const int state = state_.load();
            if (state == EARTH_STOP) break;
            // Clouds switched or a new map: this pass would hand over the old look.
            restart = requests_.load() != request;
            if (!restart && state == EARTH_REPAINT_SLOW && timing_.rowPauseMs > 0 &&
                !Sleep(timing_.rowPauseMs))
                break;
        }
        if (state_ == EARTH_STOP) break;
        if (restart) continue;
        if (state_ != EARTH_REPAINT_FAST && timing_.finishPauseMs > 0 &&
            !Sleep(timing_.finishPauseMs))
            break;
        lock.lock();
        if (state_ == EARTH_STOP) break;
        // A request during the pause is still to be served, not overwritten by "done".
        if (requests_ != request) continue;
        composite_ = std::move(rows);
        state_ = EARTH_PASS_DONE;
        lock.unlock();
        setBusy(false);
        return true;
    }
    setBusy(false);
    return false;
}

}  // namespace orvanta
