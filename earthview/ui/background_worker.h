#pragma once
// The Earth view's background composer: a thread of the lowest priority that blends the day
// and night layers (and the clouds) into a composite, hands it to the window's timer, and
// loads a newly downloaded cloud map. The window never sees a half-composed image.
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "earthview/image_file.h"

namespace orvanta {

enum EarthWorkerState : int {
    EARTH_REPAINT_NOW = 1,    // compose at full speed, busy indicator shown
    EARTH_IDLE = 2,           // display map up to date
    EARTH_STOP = 3,           // the worker is to end
    EARTH_PASS_DONE = 4,      // the composite is finished; the window takes it over
    EARTH_CLOUD_ARRIVED = 5,  // a new cloud map file; load it, then compose at full speed
    EARTH_REPAINT_SLOW = 6,   // compose, pausing after every row
    EARTH_REPAINT_FAST = 7,   // compose at full speed, quietly (a clock run fast or set)
};

struct EarthWorkerTiming {
    int idlePollMs = 500;      // between looks at the state
    int rowPauseMs = 100;      // after each row of a slow pass (keeps the machine quiet)
    int finishPauseMs = 1000;  // after the last row
};

// The cloud map as the worker last loaded it; read by the window for its line and schedule.
struct CloudMapStatus {
    double mapTime = 0.0;  // Julian date; 0: none
    std::string line = "No cloudmap found";
    bool loaded = false;   // the layer holds a map
};

class EarthBackgroundWorker {
public:
    // day and night must be of one size (the day image alone is shown otherwise). now gives
    // the program's current time; cloudsShown whether clouds are to be composed in.
    EarthBackgroundWorker(PixelImage day, PixelImage night, std::filesystem::path cloudMapFile,
                          std::function<double()> now, std::function<bool()> cloudsShown,
                          EarthWorkerTiming timing = {});
    ~EarthBackgroundWorker();
    EarthBackgroundWorker(const EarthBackgroundWorker&) = delete;
    EarthBackgroundWorker& operator=(const EarthBackgroundWorker&) = delete;

    // Starts the thread at the lowest priority in the given state. False when it could not.
    bool Start(int state = EARTH_REPAINT_NOW);
    // Asks the thread to end and waits for it (at most timeoutMs; 0 without waiting).
    void Stop(int timeoutMs = 1000);
    bool Running() const;

    int State() const { return state_.load(); }
    void SetState(int state);
    // Full-speed repaint unless one is under way (the "Show static" command, a new map).
    void RequestRepaint() { SetState(EARTH_REPAINT_NOW); }
    // The five-minute refresh: a slow pass unless a full-speed one is under way.
    void RequestSlowRepaint();
    // The Sun has moved on faster than the slow refresh follows: a quiet full-speed pass,
    // unless a full-speed one is under way (asking again would only restart it).
    void RequestFastRepaint();

    // In state 4: copies the composite into display, sets the state to idle, true.
    bool TakeFinished(PixelImage& display);

    // Loads the cloud map file into the cloud layer now (at set-up, before Start).
    void LoadCloudMap();
    CloudMapStatus CloudStatus() const;

    // Called from the worker thread when a full-speed pass starts (true) and ends (false).
    std::function<void(bool)> busyChanged;

    int Width() const { return day_.width; }
    int Height() const { return day_.height; }

private:
    void Run();
    // Composes one pass; false when it was interrupted by a stop.
    bool ComposePass();
    bool Sleep(int ms);  // false when a stop arrived meanwhile

    PixelImage day_, night_, cloud_, composite_;
    std::filesystem::path cloudMapFile_;
    std::function<double()> now_;
    std::function<bool()> cloudsShown_;
    EarthWorkerTiming timing_;
    std::atomic<int> state_{EARTH_IDLE};
    std::atomic<unsigned> requests_{0};  // repaint and cloud requests so far
    mutable std::mutex mutex_;  // composite_ hand-over, cloud_ loading and the cloud status
    std::condition_variable wake_;
    CloudMapStatus cloudStatus_;
    QThread* thread_ = nullptr;
};

}  // namespace orvanta
