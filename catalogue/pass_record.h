#pragma once
// One predicted pass of a selected satellite, with the fields the views and the flare and
// lunar-pass searches add. The pass table is one zero-filled array of these; a record whose
// AOS is 0 is an empty slot.
#include <array>
#include <cstdint>

namespace orvanta {

// Lighting at LOS, also the image index of the pass-list row icon.
enum PassLighting : std::int32_t {
    LIGHTING_NONE = 0,       // empty slot
    LIGHTING_SUNLIT = 8,     // Sun above +3 degrees at LOS
    LIGHTING_DARK = 9,       // Sun below -6 degrees at LOS
    LIGHTING_TWILIGHT = 10,  // in between
};

constexpr int FLARE_ANTENNAS = 3;
constexpr int TRACK_POINTS = 30;

struct TrackPoint {
    double azimuth = 0.0;    // radians
    double elevation = 0.0;  // radians
};

struct ScreenBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct PassRecord {
    std::int32_t satellite = 0;  // index in the selection (not the catalogue)
    std::int32_t listed = 0;     // 1 while the record has a row in the pass list
    double aos = 0.0;            // Julian date (UTC), first second above the horizon
    double los = 0.0;            // Julian date (UTC), first second below it again
    double lunarStart = 0.0;     // Julian date the satellite entered the Moon's disc, 0 if none
    double lunarEnd = 0.0;       // Julian date it left the disc (or the Moon set), 0 if none
    double midAzimuth = 0.0;     // degrees, at the midpoint between AOS and LOS
    double maxElevation = 0.0;   // degrees, at that midpoint (shown as "Max El")
    double riseAzimuth = 0.0;    // degrees at AOS
    double setAzimuth = 0.0;     // degrees at LOS
    // Live values while the pass is in progress, kept by the pass list (range in the
    // display unit).
    double currentAzimuth = 0.0;
    double currentElevation = 0.0;
    double currentRange = 0.0;
    ScreenBox screenBox;          // the satellite's marker in the Sky view, for hit-testing
    std::int32_t trackValid = 0;  // 1 while the tracks below hold the current track
    std::array<TrackPoint, TRACK_POINTS> pastTrack{};    // AOS up to now
    std::array<TrackPoint, TRACK_POINTS> futureTrack{};  // now towards LOS
    std::int32_t flareMirror = 0;                     // antenna (0, 1, 2) whose flare started last
    std::array<double, FLARE_ANTENNAS> flareStart{};  // Julian date per antenna, 0 if none
    std::array<double, FLARE_ANTENNAS> flareEnd{};    // Julian date per antenna, 0 if none
    double flareElevation = 0.0;  // satellite elevation (degrees) at the end of the flare
    double flareAzimuth = 0.0;    // satellite azimuth (degrees) at the end of the flare
    double flareRange = 0.0;      // satellite range (km) at the end of the flare
    double flareMagnitude = 0.0;  // estimated brightness of the flare
    std::int32_t lighting = LIGHTING_NONE;
    // For visual observers (catalogue/pass_visibility.h), filled when the search is asked
    // for them; times are Julian dates (UTC), 0 where there is nothing.
    std::int32_t visibilityKnown = 0;  // 1 once the fields below are computed
    std::int32_t sunlitAtAos = 0;      // 1 when the satellite is lit by the Sun at AOS
    double culmination = 0.0;          // time of the highest elevation of the pass
    double culminationElevation = 0.0; // degrees, to 0.01
    double shadowEntry = 0.0;          // first second in the Earth's shadow, inside the pass
    double shadowExit = 0.0;           // first second lit again after it, inside the pass
    double visibleStart = 0.0;         // first second of the visible window
    double visibleEnd = 0.0;           // first second after it (LOS when seen until it sets)
    double visibleMaxElevation = 0.0;  // degrees, highest elevation inside the window
    double brightestTime = 0.0;        // 0: no magnitude (none known, or not visible)
    double brightestMagnitude = 0.0;   // apparent visual magnitude at that time

    bool HasVisibleWindow() const { return visibleStart != 0.0 && visibleEnd > visibleStart; }

    bool IsEmpty() const { return aos == 0.0; }
    // Index of the antenna whose flare ended last, or -1 when no flare ended in this pass.
    // The stored magnitude, azimuth, elevation and range belong to that flare.
    int LastCompletedFlare() const {
        int best = -1;
        for (int i = 0; i < FLARE_ANTENNAS; ++i)
            if (flareEnd[i] != 0.0 && (best < 0 || flareEnd[i] > flareEnd[best])) best = i;
        return best;
    }
};

}  // namespace orvanta
