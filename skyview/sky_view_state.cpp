#include "skyview/sky_view_state.h"

#include "app/registry.h"
#include "app/settings.h"
#include "skyview/sky_chart.h"

namespace orvanta {

namespace {

void Toggle(std::int32_t& flag) {
    flag = flag ? 0 : 1;
}

}  // namespace

bool ApplySkyMenuCommand(SkyViewState& s, int command) {
    switch (command) {
        case SKY_CMD_SHOW_NAMES: Toggle(s.showNames); return true;
        case SKY_CMD_SHOW_RANGES: Toggle(s.showRanges); return true;
        case SKY_CMD_SHOW_TRACKS: Toggle(s.showTracks); return true;
        case SKY_CMD_SHOW_STARS: Toggle(s.showStars); return true;
        case SKY_CMD_REAL_SKY: Toggle(s.drawRealSky); return true;
        case SKY_CMD_STAR_SIZE_1: s.starSizeBase = 0; return true;
        case SKY_CMD_STAR_SIZE_2: s.starSizeBase = 1; return true;
        case SKY_CMD_STRETCHED_NWSE: s.projection = PROJECTION_STRETCHED_NWSE; return true;
        case SKY_CMD_POLAR_NWSE: s.projection = PROJECTION_POLAR_NWSE; return true;
        case SKY_CMD_STRETCHED_NESW: s.projection = PROJECTION_STRETCHED_NESW; return true;
        case SKY_CMD_POLAR_NESW: s.projection = PROJECTION_POLAR_NESW; return true;
        case SKY_CMD_RESET_HEADING: s.heading = 0; return true;
        default: break;
    }
    if (command >= SKY_CMD_MAG_65 && command <= SKY_CMD_MAG_10) {
        s.magLimitIndex = 6 - (command - SKY_CMD_MAG_65);
        s.magLimit = *MagnitudeLimitForIndex(s.magLimitIndex);
        return true;
    }
    return false;
}

bool SkyMenuItemChecked(const SkyViewState& s, int command) {
    switch (command) {
        case SKY_CMD_SHOW_NAMES: return s.showNames != 0;
        case SKY_CMD_SHOW_RANGES: return s.showRanges != 0;
        case SKY_CMD_SHOW_TRACKS: return s.showTracks != 0;
        case SKY_CMD_SHOW_STARS: return s.showStars != 0;
        case SKY_CMD_REAL_SKY: return s.drawRealSky != 0;
        case SKY_CMD_STAR_SIZE_1: return s.starSizeBase == 0;
        case SKY_CMD_STAR_SIZE_2: return s.starSizeBase == 1;
        case SKY_CMD_STRETCHED_NWSE: return s.projection == PROJECTION_STRETCHED_NWSE;
        case SKY_CMD_POLAR_NWSE: return s.projection == PROJECTION_POLAR_NWSE;
        case SKY_CMD_STRETCHED_NESW: return s.projection == PROJECTION_STRETCHED_NESW;
        case SKY_CMD_POLAR_NESW: return s.projection == PROJECTION_POLAR_NESW;
        default: break;
    }
    if (command >= SKY_CMD_MAG_65 && command <= SKY_CMD_MAG_10)
        return s.magLimitIndex == 6 - (command - SKY_CMD_MAG_65);
    return false;
}

void LoadSkyStartupOptions(SkyViewState& s, const Settings& settings) {
    s.showNames = settings.showName;
    s.showRanges = settings.showRange;
    s.showStars = settings.showStars;
    s.drawRealSky = settings.drawRealSky;
    s.magLimitIndex = settings.magLimit;
    s.starSizeBase = settings.starSize;
    s.projection = settings.projectionType;
    s.heading = settings.skyviewOrientation;
    s.showTracks = settings.showTracks;
    if (auto limit = MagnitudeLimitForIndex(s.magLimitIndex)) s.magLimit = *limit;
}

void OpenSkyViewState(SkyViewState& s, std::uint32_t tick) {
    CRegistry reg;
    if (reg.OpenSettings()) {
        s.heading = reg.ReadDword("Skyview Orientation", 0);
        s.showTracks = reg.ReadDword("Show Tracks", 1);
    }
    // An index outside 1 ... 6 checks nothing and keeps the limit as it was.
    if (auto limit = MagnitudeLimitForIndex(s.magLimitIndex)) s.magLimit = *limit;
    s.riseSetCounter = 1000000;
    s.lastScreenshotTick = tick;
    s.dragLastX = 0;
    s.tooltipOwner.reset();
}

bool SaveSkyViewState(const SkyViewState& s) {
    Settings out;
    out.skyviewOrientation = s.heading;
    out.showTracks = s.showTracks;
    out.showName = s.showNames;
    out.showRange = s.showRanges;
    out.showStars = s.showStars;
    out.drawRealSky = s.drawRealSky;
    out.projectionType = s.projection;
    out.starSize = s.starSizeBase;
    out.magLimit = s.magLimitIndex;
    bool ok = WriteSettings(out, {"Skyview Orientation", "Show Tracks", "Show Name", "Show Range",
                                  "Show Stars", "Draw RealSky", "Projection Type", "Star Size"});
    if (MagnitudeLimitForIndex(s.magLimitIndex)) ok = WriteSettings(out, {"Mag Limit"}) && ok;
    return ok;
}

}  // namespace orvanta
