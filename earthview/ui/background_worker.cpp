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
    }
    wake_.notify_all();
}

void EarthBackgroundWorker::RequestSlowRepaint() {
    int expected = state_.load();
    if (expected == EARTH_REPAINT_NOW || expected == EARTH_STOP) return;
    SetState(EARTH_REPAINT_SLOW);
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
        if (state == EARTH_REPAINT_NOW || state == EARTH_REPAINT_SLOW) {
            const bool busy = state == EARTH_REPAINT_NOW;
            if (busy && busyChanged) busyChanged(true);
            const bool finished = ComposePass();
            if (busy && busyChanged) busyChanged(false);
            if (!finished) return;
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
    for (;;) {
        if (day_.Empty() || night_.width != day_.width || night_.height != day_.height) {
            // Without a night image there is nothing to blend: the day image stands.
            std::lock_guard lock(mutex_);
            composite_ = day_;
            if (state_ != EARTH_STOP) state_ = EARTH_PASS_DONE;
            return state_ != EARTH_STOP;
        }
        bool restart = false;
        {
            std::unique_lock lock(mutex_);
            const bool clouds = cloudsShown_ && cloudsShown_();
            // The cloud layer changes only on this thread (state 5 below) or before Start.
            const DayNightCompositor compositor(day_, night_, clouds ? &cloud_ : nullptr,
                                                SunGeometryAt(now_ ? now_() : 0.0));
            lock.unlock();
            PixelImage rows(day_.width, day_.height);
            for (int row = 0; row < day_.height; ++row) {
                compositor.ComposeRow(row, rows);
                const int state = state_.load();
                if (state == EARTH_STOP) return false;
                if (state == EARTH_CLOUD_ARRIVED) {
                    LoadCloudMap();
                    SetState(EARTH_REPAINT_NOW);
                    restart = true;
                    break;
                }
                if (state == EARTH_REPAINT_SLOW && timing_.rowPauseMs > 0 && !Sleep(timing_.rowPauseMs))
                    return false;
            }
            if (!restart) {
                if (timing_.finishPauseMs > 0 && !Sleep(timing_.finishPauseMs)) return false;
                std::lock_guard guard(mutex_);
                if (state_ == EARTH_STOP) return false;
                composite_ = std::move(rows);
                state_ = EARTH_PASS_DONE;
                return true;
            }
        }
    }
}

}  // namespace orvanta
