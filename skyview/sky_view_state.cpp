#include "skyview/sky_view_state.h"

#include <array>
#include <iterator>
#include <span>

#include "common/registry.h"
#include "common/settings.h"
#include "skyview/sky_chart.h"

namespace orvanta {

namespace {

// A menu item either flips a flag or sets a field to one value; its check mark follows.
constexpr std::int32_t kToggle = -1;

struct MenuChoice {
    int command;
    std::int32_t SkyViewState::*field;
    std::int32_t value;  // kToggle for a flag
};

constexpr MenuChoice kMenuChoices[] = {
    {SKY_CMD_SHOW_NAMES, &SkyViewState::showNames, kToggle},
    {SKY_CMD_SHOW_RANGES, &SkyViewState::showRanges, kToggle},
    {SKY_CMD_SHOW_TRACKS, &SkyViewState::showTracks, kToggle},
    {SKY_CMD_SHOW_STARS, &SkyViewState::showStars, kToggle},
    {SKY_CMD_REAL_SKY, &SkyViewState::drawRealSky, kToggle},
    {SKY_CMD_STAR_SIZE_1, &SkyViewState::starSizeBase, 0},
    {SKY_CMD_STAR_SIZE_2, &SkyViewState::starSizeBase, 1},
    {SKY_CMD_STRETCHED_NWSE, &SkyViewState::projection, PROJECTION_STRETCHED_NWSE},
    {SKY_CMD_POLAR_NWSE, &SkyViewState::projection, PROJECTION_POLAR_NWSE},
    {SKY_CMD_STRETCHED_NESW, &SkyViewState::projection, PROJECTION_STRETCHED_NESW},
    {SKY_CMD_POLAR_NESW, &SkyViewState::projection, PROJECTION_POLAR_NESW},
};

const MenuChoice* FindChoice(int command) {
    for (const MenuChoice& c : kMenuChoices)
        if (c.command == command) return &c;
    return nullptr;
}

// The options kept in the settings, in the order they are written.
struct StoredOption {
    std::int32_t SkyViewState::*state;
    std::int32_t Settings::*setting;
    const char* valueName;
};

constexpr StoredOption kStoredOptions[] = {
    {&SkyViewState::heading, &Settings::skyviewOrientation, "Skyview Orientation"},
    {&SkyViewState::showTracks, &Settings::showTracks, "Show Tracks"},
    {&SkyViewState::showNames, &Settings::showName, "Show Name"},
    {&SkyViewState::showRanges, &Settings::showRange, "Show Range"},
    {&SkyViewState::showStars, &Settings::showStars, "Show Stars"},
    {&SkyViewState::drawRealSky, &Settings::drawRealSky, "Draw RealSky"},
    {&SkyViewState::projection, &Settings::projectionType, "Projection Type"},
    {&SkyViewState::starSizeBase, &Settings::starSize, "Star Size"},
    {&SkyViewState::magLimitIndex, &Settings::magLimit, "Mag Limit"},
};

bool IsMagnitudeCommand(int command) {
    return command >= SKY_CMD_MAG_65 && command <= SKY_CMD_MAG_10;
}

std::int32_t MagnitudeIndexOf(int command) {
    return 6 - (command - SKY_CMD_MAG_65);
}

}  // namespace

bool ApplySkyMenuCommand(SkyViewState& s, int command) {
    if (const MenuChoice* c = FindChoice(command)) {
        std::int32_t& field = s.*(c->field);
        field = c->value == kToggle ? (field ? 0 : 1) : c->value;
        return true;
    }
    if (command == SKY_CMD_RESET_HEADING) {
        s.heading = 0;
        return true;
    }
    if (IsMagnitudeCommand(command)) {
        s.magLimitIndex = MagnitudeIndexOf(command);
        s.magLimit = *MagnitudeLimitForIndex(s.magLimitIndex);
        return true;
    }
    return false;
}

bool SkyMenuItemChecked(const SkyViewState& s, int command) {
    if (const MenuChoice* c = FindChoice(command)) {
        const std::int32_t field = s.*(c->field);
        return c->value == kToggle ? field != 0 : field == c->value;
    }
    return IsMagnitudeCommand(command) && s.magLimitIndex == MagnitudeIndexOf(command);
}

void LoadSkyStartupOptions(SkyViewState& s, const Settings& settings) {
    for (const StoredOption& o : kStoredOptions) s.*(o.state) = settings.*(o.setting);
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
    std::array<const char*, std::size(kStoredOptions)> names{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        out.*(kStoredOptions[i].setting) = s.*(kStoredOptions[i].state);
        names[i] = kStoredOptions[i].valueName;
    }
    // A limit index outside 1 ... 6 was never used: the stored "Mag Limit" (last) stays.
    const std::size_t count = MagnitudeLimitForIndex(s.magLimitIndex) ? names.size() : names.size() - 1;
    return WriteSettings(out, std::span<const char* const>(names.data(), count));
}

}  // namespace orvanta
