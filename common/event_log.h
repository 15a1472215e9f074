#pragma once
// The program's running journal. Any thread may log; the user-interface thread drains the
// queue in order and shows the newest entry first.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvanta {

enum EventLevel : int {
    LOG_SUCCESS = 0,
    LOG_WARNING = 1,
    LOG_ERROR = 2,
    LOG_INFORMATION = 3,
};

struct EventEntry {
    std::uint64_t sequence = 0;                     // strictly increasing, from 1
    std::chrono::system_clock::time_point when;     // wall-clock time of the call
    std::string text;
    int level = LOG_INFORMATION;
};

// Appends an event. Callable from any thread; never blocks on the user interface.
void LogEvent(const std::string& text, int level);

// Removes and returns every queued entry, oldest first.
std::vector<EventEntry> TakeQueuedEvents();

// Called (from the logging thread) after each LogEvent, e.g. to post a queued drain to
// the user-interface thread. Pass an empty function to detach.
void SetEventNotifier(std::function<void()> notifier);

// Test aid: records every entry logged while it lives, in order, without draining the
// queue that the user interface reads.
class EventRecorder {
public:
    EventRecorder();
    ~EventRecorder();
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;
    std::vector<EventEntry> Entries() const;
    bool Contains(const std::string& textPart, int level = -1) const;
    void Clear();

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace orvanta
