#include "catalogue/pass_search_gate.h"

namespace orvanta {

void PassSearchGate::Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
}

void PassSearchGate::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

void PassSearchGate::Allow(int satellites) {
    std::lock_guard lock(mutex_);
    if (satellites > 0) permits_ += satellites;
    changed_.notify_all();
}

int PassSearchGate::Held() const {
    std::lock_guard lock(mutex_);
    return held_;
}

bool PassSearchGate::WaitUntilHeld(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return held_ >= count; });
}

int PassSearchGate::Passed() const {
    std::lock_guard lock(mutex_);
    return passed_;
}

bool PassSearchGate::Enter(const std::atomic<bool>& abort) {
    std::unique_lock lock(mutex_);
    ++held_;
    changed_.notify_all();
    // The abort flag is set outside the lock, but Wake takes the lock before it notifies,
    // so a worker cannot miss it between its check and its wait.
    changed_.wait(lock, [&] { return abort.load() || open_ || permits_ > 0; });
    --held_;
    if (abort.load()) return false;
    if (!open_) --permits_;
    ++passed_;
    return true;
}

void PassSearchGate::Wake() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

}  // namespace orvanta
