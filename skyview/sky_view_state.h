#pragma once
// The Sky view's state: display options (persisted), the Sun and Moon as last drawn, the
// rise and set texts, drag, screenshot and tooltip bookkeeping. One instance lives for the
// whole run, so options survive closing and re-opening the view.
#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/pass_record.h"

namespace orvanta {

struct Settings;

struct SkyViewState {
    std::int32_t heading = 0;           // degrees; 1 ... 360 after a drag, 0 after a reset
    std::int32_t projection = 3;        // SkyProjection
    std::int32_t showNames = 1;
    std::int32_t showRanges = 1;
    std::int32_t showTracks = 1;
    std::int32_t showStars = 1;
    std::int32_t drawRealSky = 1;
    std::int32_t magLimitIndex = 6;     // 1 ... 6
    double magLimit = 6.5;
    std::int32_t starSizeBase = 0;      // 0 minimum one pixel, 1 minimum two pixels
    std::int32_t dragLastX = 0;         // 0: no drag; else the x of the drag's last move
    std::int32_t screenshotRequested = 0;

    double sunAz = 0.0, sunEl = 0.0, previousSunEl = 0.0;  // degrees
    double moonAz = 0.0, moonEl = 0.0;                     // degrees
    double moonDistance = 0.0;                             // km (display unit in tooltips)
    ScreenBox sunBox, moonBox;  // last drawn discs; empty while the body is down

    std::string sunriseText, sunsetText, moonriseText, moonsetText;

    // Timer bookkeeping (milliseconds on the view's tick counter).
    std::uint32_t lastScreenshotTick = 0;
    std::int32_t riseSetCounter = 1000000;  // ticks since the last rise and set computation
    std::int32_t riseSetRecompute = 0;
    std::uint32_t lastMouseMoveTick = 0;
    std::int32_t mouseX = 0, mouseY = 0;    // client coordinates
    // Owner of the shown tooltip: nothing when none is shown, -1 for the Sun, the Moon or a
    // star, else the pass record's index.
    std::optional<int> tooltipOwner;
};

// Popup menu 140 command ids.
enum SkyMenuCommand : int {
    SKY_CMD_SHOW_NAMES = 32784,
    SKY_CMD_SHOW_RANGES = 32785,
    SKY_CMD_SHOW_TRACKS = 32786,
    SKY_CMD_SHOW_STARS = 32789,
    SKY_CMD_REAL_SKY = 32790,
    SKY_CMD_MAG_65 = 32791,  // ... 32796 for 1.0
    SKY_CMD_MAG_10 = 32796,
    SKY_CMD_POLAR_NWSE = 32798,
    SKY_CMD_POLAR_NESW = 32799,
    SKY_CMD_STAR_SIZE_1 = 32800,
    SKY_CMD_STAR_SIZE_2 = 32801,
    SKY_CMD_STRETCHED_NWSE = 32804,
    SKY_CMD_STRETCHED_NESW = 32805,
    SKY_CMD_RESET_HEADING = 32806,
};

// Changes the state for a menu command; false for an id that is not one of the view's.
bool ApplySkyMenuCommand(SkyViewState& state, int command);
// Whether the command's menu item carries a check mark in this state.
bool SkyMenuItemChecked(const SkyViewState& state, int command);

// The options read once at program start ("Show Name", "Show Range", "Show Stars",
// "Draw RealSky", "Mag Limit", "Star Size", "Projection Type").
void LoadSkyStartupOptions(SkyViewState& state, const Settings& settings);
// At the view's creation: "Skyview Orientation" (default 0) and "Show Tracks" (default 1)
// from the settings store; the limit follows "Mag Limit" when that index is 1 ... 6;
// rise and set are due on the first tick and the screenshot interval starts at tick.
void OpenSkyViewState(SkyViewState& state, std::uint32_t tick);
// At the view's destruction: every option to the settings store ("Mag Limit" only when
// its index is 1 ... 6). False when a write failed.
bool SaveSkyViewState(const SkyViewState& state);

}  // namespace orvanta
