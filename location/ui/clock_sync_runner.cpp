#include "location/ui/clock_sync_runner.h"

#include <QString>
#include <cmath>
#include <cstdio>
#include <utility>

#include "common/event_log.h"
#include "common/prompt.h"
#include "location/ui/gps_receiver.h"
#include "location/ui/serial_port.h"
#include "location/ui/time_server_query.h"

namespace orvanta {

namespace {

std::string Format(const char* format, auto... args) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

// Two synchronisations at once (a periodic run while the user presses the button) would
// fight over the port and the clock.
bool g_running = false;

class RunningGuard {
public:
    RunningGuard() : taken_(!g_running) { g_running = true; }
    ~RunningGuard() {
        if (taken_) g_running = false;
    }
    bool Taken() const { return taken_; }

private:
    bool taken_;
};

// A failure: a box when the user asked, an event-log line when nobody watches.
void Report(const ClockSyncOptions& options, IPrompt& prompt, const std::string& caption,
            const std::string& text, PromptIcon icon) {
    if (options.mode == ClockSyncMode::Interactive)
        prompt.Tell(caption, text, icon);
    else
        LogEvent(text, LOG_ERROR);
}

ClockSyncResult Apply(platform::ISystemClock& clock, IPrompt& prompt,
                      const ClockSyncOptions& options, std::int64_t newTimeMicros,
                      double differenceSeconds, const std::string& sourceText) {
    const bool interactive = options.mode == ClockSyncMode::Interactive;
    const platform::ClockSetResult set = clock.SetUtc(
        newTimeMicros, interactive ? platform::ClockSetMode::MayAsk
                                   : platform::ClockSetMode::NoQuestions);
    if (set.ok) {
        LogEvent(ClockAdjustedText(differenceSeconds), LOG_SUCCESS);
        return ClockSyncResult::Adjusted;
    }
    if (!interactive && set.permissionMissing && options.notices) {
        // It stays missing until somebody grants it: one line that says how, then quiet.
        if (!options.notices->permissionMissing) {
            options.notices->permissionMissing = true;
            LogEvent(std::string(kClockNotSet) + " " + set.grantHint, LOG_ERROR);
        }
        return ClockSyncResult::Failed;
    }
    if (interactive)
        prompt.Tell("GetLastError", set.errorText, PromptIcon::Information);
    else
        LogEvent(set.errorText, LOG_ERROR);
    LogEvent(sourceText, LOG_ERROR);
    LogEvent(kClockNotSet, LOG_ERROR);
    return ClockSyncResult::Failed;
}

// A large step is never taken unasked: unattended runs leave it to the user, the button
// asks with the time now and the time it would become.
bool StepAllowed(const ClockSyncOptions& options, IPrompt& prompt, double differenceSeconds,
                 const std::string& source, std::int64_t systemMicros) {
    const double size = std::fabs(differenceSeconds);
    if (options.mode == ClockSyncMode::Unattended) {
        if (size <= kMaxUnattendedAdjustmentSeconds) return true;
        LogEvent(Format(kAdjustmentTooLarge, differenceSeconds, source.c_str(),
                        static_cast<int>(kMaxUnattendedAdjustmentSeconds)),
                 LOG_WARNING);
        return false;
    }
    if (size <= kMaxUnaskedAdjustmentSeconds) return true;
    const auto step = static_cast<std::int64_t>(std::llround(differenceSeconds * 1e6));
    return prompt.Ask("Question", ClockStepQuestion(source, systemMicros, systemMicros + step),
                      PromptButtons::YesNo, PromptIcon::Question) == PromptAnswer::Yes;
}

}  // namespace

ClockSyncResult SyncClockFromGps(const std::string& portSetting, IPrompt& prompt,
                                 platform::ISystemClock& clock, const ClockSyncOptions& options) {
    RunningGuard guard;
    if (!guard.Taken()) {
        Report(options, prompt, "Error", kClockSyncBusy, PromptIcon::Warning);
        return ClockSyncResult::NotApplied;
    }
    // The messages name the device that is read, not the setting it came from.
    const std::string device = GpsPortDevice(portSetting);
    if (device.empty()) {
        Report(options, prompt, "Error", kNoSerialPort, PromptIcon::Error);
        return ClockSyncResult::Failed;
    }
    SerialPort port;
    if (!port.Open(device, kGpsBaudRate)) {
        Report(options, prompt, "Error", Format(kUnableToOpenPort, device.c_str()),
               PromptIcon::Error);
        return ClockSyncResult::Failed;
    }
    CaptureOptions capture;
    capture.timeoutMs = options.gpsTimeoutMs;
    if (options.mode == ClockSyncMode::Interactive) {
        capture.progressParent = options.progressParent;
        capture.portLabel = QString::fromStdString(device);
    }
    const CaptureResult r = CaptureGgaSentence(port, capture);
    // Right after the sentence's last byte: the instant the GPS time belongs to.
    const std::int64_t t0 = clock.TickMicros();
    const std::int64_t systemTime = clock.UtcMicros();
    const std::string portError = port.ErrorText();
    port.Close();

    switch (r.status) {
        case CaptureStatus::Captured: break;
        case CaptureStatus::Cancelled: return ClockSyncResult::NotApplied;
        case CaptureStatus::TimedOut:
            Report(options, prompt, "Error",
                   Format(kNoGpsData, device.c_str(), (options.gpsTimeoutMs + 999) / 1000),
                   PromptIcon::Error);
            return ClockSyncResult::Failed;
        case CaptureStatus::PortError:
            Report(options, prompt, "Error",
                   Format(kGpsPortFailed, device.c_str(), portError.c_str()),
                   PromptIcon::Error);
            return ClockSyncResult::Failed;
    }
    if (r.fix.fixQuality == 0 || !r.fix.hasTime) {
        Report(options, prompt, "Error", kGpsClockInvalidFix, PromptIcon::Error);
        return ClockSyncResult::Failed;
    }
    const std::int64_t t1 = clock.TickMicros();
    const GpsClockComputation c = ComputeGpsClockTime(systemTime, r.fix, t0, t1);
    if (c.status == GpsClockStatus::TimerRolledOver) {
        if (options.mode == ClockSyncMode::Interactive)
            prompt.Tell("Woops...", kTimerRolledOver, PromptIcon::Warning);
        LogEvent(kGpsSyncError, LOG_ERROR);
        return ClockSyncResult::Failed;
    }
    if (!StepAllowed(options, prompt, c.differenceSeconds, "the GPS", systemTime))
        return ClockSyncResult::NotApplied;
    // The time the question took counts as time since the sentence.
    const std::int64_t newTime = c.newTimeMicros + (clock.TickMicros() - t1);
    return Apply(clock, prompt, options, newTime, c.differenceSeconds, r.sentence);
}

ClockSyncResult SyncClockFromServer(const std::string& server, IPrompt& prompt,
                                    platform::ISystemClock& clock, const ClockSyncOptions& options) {
    const auto address = ParseServerAddress(server);
    if (!address) {
        // Unattended, it stays unchosen until the user comes: said once per start.
        const bool said = options.mode == ClockSyncMode::Unattended && options.notices &&
                          std::exchange(options.notices->noTimeServer, true);
        if (!said) Report(options, prompt, "Error", kNoTimeServer, PromptIcon::Error);
        return ClockSyncResult::Failed;
    }
    RunningGuard guard;
    if (!guard.Taken()) {
        Report(options, prompt, "Error", kClockSyncBusy, PromptIcon::Warning);
        return ClockSyncResult::NotApplied;
    }
    const SntpOutcome o = QueryTimeServer(address->host, address->port, options.serverTimeoutMs,
                                          [&clock] { return clock.UtcMicros(); });
    if (!o.Ok()) {
        const std::string text = Format(kTimeServerError, server.c_str(),
                                        DescribeSntpFailure(o, options.serverTimeoutMs).c_str());
        if (options.mode == ClockSyncMode::Interactive)
            prompt.Tell("Error", text, PromptIcon::Error);
        LogEvent(text, LOG_ERROR);
        return ClockSyncResult::Failed;
    }
    if (!StepAllowed(options, prompt, o.offsetSeconds, server, clock.UtcMicros()))
        return ClockSyncResult::NotApplied;
    // Read after the question, so the time it took to answer does not count.
    const auto offsetMicros = static_cast<std::int64_t>(std::llround(o.offsetSeconds * 1e6));
    return Apply(clock, prompt, options, clock.UtcMicros() + offsetMicros, o.offsetSeconds,
                 Format("Time server %s answered with an offset of %0.3f seconds", server.c_str(),
                        o.offsetSeconds));
}

ClockSyncResult SynchronizeClock(const Settings& settings, IPrompt& prompt,
                                 platform::ISystemClock& clock, const ClockSyncOptions& options) {
    switch (settings.timeSync) {
        case TIME_SYNC_GPS: return SyncClockFromGps(settings.gpsComPort, prompt, clock, options);
        case TIME_SYNC_INTERNET:
            return SyncClockFromServer(settings.timeServer, prompt, clock, options);
        case TIME_SYNC_NONE:
            if (options.mode == ClockSyncMode::Interactive)
                prompt.Tell("Error", kNoTimeSyncMode, PromptIcon::Error);
            return ClockSyncResult::NotApplied;
        default:
            // A value no radio stands for chooses no source.
            return ClockSyncResult::NotApplied;
    }
}

ClockSyncScheduler::ClockSyncScheduler(const Settings& settings, IPrompt& prompt,
                                       std::shared_ptr<platform::ISystemClock> clock,
                                       QObject* parent)
    : QObject(parent), settings_(settings), prompt_(prompt), clock_(std::move(clock)) {
    options_.mode = ClockSyncMode::Unattended;
    options_.notices = &notices_;
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        RunOnce();
        if (!stopped_) timer_.start(kClockSyncPeriodSeconds * 1000);
    });
}

void ClockSyncScheduler::Start() {
    stopped_ = false;
    timer_.start(kClockSyncFirstRunSeconds * 1000);
}

void ClockSyncScheduler::Stop() {
    stopped_ = true;
    timer_.stop();
}

ClockSyncResult ClockSyncScheduler::RunOnce() {
    return SynchronizeClock(settings_, prompt_, *clock_, options_);
}

}  // namespace orvanta
