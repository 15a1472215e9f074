#pragma once
// Setting the computer clock from the GPS receiver or from a time server: once at the
// user's request ("Synchronize now...", message boxes, a question before a step larger than
// kMaxUnaskedAdjustmentSeconds) or unattended every 3 hours (event log only, never by more
// than kMaxUnattendedAdjustmentSeconds, and never asking for permission).
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/settings.h"
#include "location/clock_sync.h"
#include "location/sntp.h"
#include "platform/system_clock.h"

class QWidget;

namespace orvanta {

class IPrompt;

enum class ClockSyncMode { Interactive, Unattended };

// What the periodic runs have said once already since the program started: a lasting
// condition is logged once, not every 3 hours.
struct ClockSyncNotices {
    bool noTimeServer = false;
    bool permissionMissing = false;
};

struct ClockSyncOptions {
    ClockSyncMode mode = ClockSyncMode::Interactive;
    int gpsTimeoutMs = 10000;
    int serverTimeoutMs = kSntpTimeoutMs;
    QWidget* progressParent = nullptr;  // the GPS wait window's owner (interactive runs)
    ClockSyncNotices* notices = nullptr;  // null: every run reports everything
};

enum class ClockSyncResult { Adjusted, Failed, NotApplied };

// The GPS synchronisation: one GGA sentence from the port, its time of day as the new
// system time (location/clock_sync.h). Failures are told through the prompt (interactive)
// or the event log (unattended).
ClockSyncResult SyncClockFromGps(const std::string& portSetting, IPrompt& prompt,
                                 platform::ISystemClock& clock,
                                 const ClockSyncOptions& options = {});

// The time-server synchronisation: one SNTP exchange with "HOST[:PORT]", its offset
// applied through the same clock. Waits (processing events) at most the time-out.
ClockSyncResult SyncClockFromServer(const std::string& server, IPrompt& prompt,
                                    platform::ISystemClock& clock,
                                    const ClockSyncOptions& options = {});

// Synchronises from the source the settings choose ("Time Sync", "GPS Com Port", "Time
// Server"). With no source, interactive runs say so and unattended ones do nothing.
ClockSyncResult SynchronizeClock(const Settings& settings, IPrompt& prompt,
                                 platform::ISystemClock& clock, const ClockSyncOptions& options);

// The periodic synchronisation the System Settings dialog announces: the first run a
// minute after Start(), then every 3 hours, each from the source chosen at that moment.
class ClockSyncScheduler : public QObject {
    Q_OBJECT
public:
    ClockSyncScheduler(const Settings& settings, IPrompt& prompt,
                       std::shared_ptr<platform::ISystemClock> clock, QObject* parent = nullptr);
    void Start();
    // No further runs; one in progress finishes (the program is closing).
    void Stop();
    // One unattended run, as the timer makes it.
    ClockSyncResult RunOnce();
    const QTimer& Timer() const { return timer_; }
    ClockSyncOptions& Options() { return options_; }

private:
    const Settings& settings_;
    IPrompt& prompt_;
    std::shared_ptr<platform::ISystemClock> clock_;
    ClockSyncNotices notices_;
    ClockSyncOptions options_;
    QTimer timer_;
    bool stopped_ = false;
};

}  // namespace orvanta
