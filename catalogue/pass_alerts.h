#pragma once
// Pass alerts: which reminders are due now for the listed passes ("rises in 10 min" before
// AOS and "rises now" at AOS), each fired once per pass, and the alert settings. Times are
// the real UTC time: an alert is for the sky outside, never for a simulated instant.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "catalogue/pass_list_format.h"
#include "catalogue/pass_record.h"

namespace orvanta {

class CRegistry;

struct PassAlertSettings {
    std::set<std::int32_t> satellites;  // catalogue numbers, "Alert Satellites"
    bool visibleOnly = false;           // "Alert Visible Only": passes one can see
    int leadMinutes = 10;               // "Alert Minutes": 0 alerts at AOS only
    bool sound = false;                 // "Alert Sound"
    bool closeToTray = false;           // "Close To Tray"

    bool operator==(const PassAlertSettings&) const = default;
};
inline constexpr int kMaxAlertMinutes = 720;

// "25544,33591" and back; anything that is not a positive number is skipped.
std::string AlertSatellitesText(const std::set<std::int32_t>& satellites);
std::set<std::int32_t> ParseAlertSatellites(const std::string& text);

// From the settings key (reg open on it); missing or out-of-range values take defaults.
PassAlertSettings ReadPassAlertSettings(CRegistry& reg);
PassAlertSettings ReadPassAlertSettings();
bool WritePassAlertSettings(const PassAlertSettings& settings);

// One listed pass of a satellite; the record stays in the pass table (checked once a
// second, so nothing is copied).
struct PassAlertRow {
    std::int32_t catalogueNumber = 0;
    std::string name;  // trailing blanks are dropped
    const PassRecord* record = nullptr;
};

enum class PassAlertKind { Lead, Rise };

struct DueAlert {
    PassAlertKind kind = PassAlertKind::Lead;
    std::int32_t catalogueNumber = 0;
    double aos = 0.0;
    std::string title;  // the satellite's name
    // "ISS (ZARYA) rises in 10 min at 19:42:05, azimuth 251° (WSW), max. elevation 63°,
    // magnitude -3.1" (UTF-8; the magnitude only for a visible pass).
    std::string text;
};

// "N", "NNE", ... "NNW" for an azimuth in degrees.
const char* CompassPoint(double azimuthDegrees);
std::string PassAlertText(const PassAlertRow& row, PassAlertKind kind, int leadMinutes,
                          const RowTimeOptions& time);

class PassAlerts {
public:
    // An alert whose time passed longer ago than this (the program was not running, or the
    // machine slept) is dropped rather than told late.
    static constexpr double kLateLimitSeconds = 60.0;
    // A new search finds the same pass with its AOS moved by a second or two; within this
    // it counts as the one already alerted.
    static constexpr double kSamePassSeconds = 30.0;

    // The alerts due at realNow (UTC Julian date), each returned once. realTime false (the
    // rows were searched for a simulated time) gives nothing: they are not the real passes.
    std::vector<DueAlert> Due(const std::vector<PassAlertRow>& rows,
                              const PassAlertSettings& settings, double realNow, bool realTime,
                              const RowTimeOptions& time);

private:
    struct Fired {
        std::int32_t catalogueNumber;
        PassAlertKind kind;
        double aos;
    };
    bool AlreadyFired(std::int32_t catalogueNumber, PassAlertKind kind, double aos) const;
    std::vector<Fired> fired_;
};

// "Next: ISS (ZARYA) 19:42:05 in 1h 12m" for the earliest pass rising after realNow, or
// "Now: ISS (ZARYA) until 19:52:40" while one is in progress; empty when none is left.
std::string NextPassText(const std::vector<PassAlertRow>& rows, double realNow,
                         const RowTimeOptions& time);

}  // namespace orvanta
