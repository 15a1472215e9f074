#include "common/event_log.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace orvanta {

namespace {

struct EventBus {
    std::mutex mutex;
    std::deque<EventEntry> queue;
    std::uint64_t nextSequence = 1;
    std::function<void()> notifier;
    std::vector<std::vector<EventEntry>*> recorders;
};

EventBus& Bus() {
    static EventBus bus;
    return bus;
}

// Keeps an unattended program (no user interface draining) from growing without bound.
constexpr std::size_t kMaxQueued = 100000;

}  // namespace

struct EventRecorder::Impl {
    std::vector<EventEntry> entries;
};

void LogEvent(const std::string& text, int level) {
    EventBus& bus = Bus();
    std::function<void()> notify;
    {
        std::lock_guard lock(bus.mutex);
        EventEntry e;
        e.sequence = bus.nextSequence++;
        e.when = std::chrono::system_clock::now();
        e.text = text;
        e.level = level;
        for (auto* r : bus.recorders) r->push_back(e);
        bus.queue.push_back(std::move(e));
        if (bus.queue.size() > kMaxQueued) bus.queue.pop_front();
        notify = bus.notifier;
    }
    if (notify) notify();
}

std::vector<EventEntry> TakeQueuedEvents() {
    EventBus& bus = Bus();
    std::lock_guard lock(bus.mutex);
    std::vector<EventEntry> out(std::make_move_iterator(bus.queue.begin()),
                                std::make_move_iterator(bus.queue.end()));
    bus.queue.clear();
    return out;
}

void SetEventNotifier(std::function<void()> notifier) {
    EventBus& bus = Bus();
    std::lock_guard lock(bus.mutex);
    bus.notifier = std::move(notifier);
}

EventRecorder::EventRecorder() : impl_(new Impl) {
    std::lock_guard lock(Bus().mutex);
    Bus().recorders.push_back(&impl_->entries);
}

EventRecorder::~EventRecorder() {
    {
        std::lock_guard lock(Bus().mutex);
        auto& r = Bus().recorders;
        r.erase(std::remove(r.begin(), r.end(), &impl_->entries), r.end());
    }
    delete impl_;
}

std::vector<EventEntry> EventRecorder::Entries() const {
    std::lock_guard lock(Bus().mutex);
    return impl_->entries;
}

bool EventRecorder::Contains(const std::string& textPart, int level) const {
    std::lock_guard lock(Bus().mutex);
    return std::any_of(impl_->entries.begin(), impl_->entries.end(), [&](const EventEntry& e) {
        return e.text.find(textPart) != std::string::npos && (level < 0 || e.level == level);
    });
}

void EventRecorder::Clear() {
    std::lock_guard lock(Bus().mutex);
    impl_->entries.clear();
}

}  // namespace orvanta
