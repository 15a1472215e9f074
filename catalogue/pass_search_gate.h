#pragma once
// A gate the pass-search workers pass before each satellite. Left open it costs a lock per
// satellite; closed, it holds every worker before its next satellite until the holder lets
// some on or the search is aborted. It lets a caller (the tests above all) keep a search
// running, or stop it at a known point, whatever the speed of the machine.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orvanta {

class PassSearchGate {
public:
    explicit PassSearchGate(bool open = true) : open_(open) {}

    // Lets every worker through from now on.
    void Open();
    // Holds every worker before its next satellite.
    void Close();
    // Lets that many more satellite searches begin while the gate is closed.
    void Allow(int satellites);

    // Workers held at the gate right now.
    int Held() const;
    // Waits until at least count workers are held; false when the time-out ran out first.
    bool WaitUntilHeld(int count, std::chrono::milliseconds timeout) const;
    // Satellite searches begun through the gate so far.
    int Passed() const;

    // Worker side: waits until the worker may begin a satellite; false when abort was
    // set first (the worker then ends).
    bool Enter(const std::atomic<bool>& abort);
    // Wakes held workers so they see an abort set just before.
    void Wake();

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool open_;
    int permits_ = 0;
    int held_ = 0;
    int passed_ = 0;
};

}  // namespace orvanta
