#pragma once
// What the chart shows of the Moon's phase and of the stars against a bright sky, and where
// a satellite's labels may go without covering another label: pure geometry for the
// drawing steps.
#include <optional>
#include <vector>

#include "skyview/sky_chart.h"

namespace orvanta {

// The Moon's illuminated fraction k (0 new ... 1 full) and the position angle of its bright
// limb, degrees from the disc's north point through east (Meeus, Astronomical Algorithms,
// ch. 48, from the geocentric places of the Sun and the Moon).
struct MoonPhase {
    double illuminated = 1.0;
    double brightLimbDeg = 0.0;
};
MoonPhase MoonPhaseAt(double jd);

// The Moon as the chart draws it: the phase and the direction of the bright limb on the
// screen (radians, atan2 of the screen y and x offsets, y down), for the heading (degrees)
// and projection; nothing when the Moon is below the horizon.
struct MoonOnChart {
    SkyPoint centre;
    double illuminated = 1.0;
    double limbScreenAngle = 0.0;
};
std::optional<MoonOnChart> MoonChartPlace(double jd, double latDeg, double lonDeg, int heading,
                                          int width, int height, std::int32_t projection);

// The faintest star drawn for the Sun's elevation: all the limit at night; in the
// realistic sky only the brighter ones through civil twilight (down to magnitude 1.0 at
// sunset) and none while the Sun is up.
std::optional<double> VisibleStarLimit(double magLimit, double sunElevation, bool realSky);

// Whether a box shares a pixel with any of the others (right and bottom excluded).
bool OverlapsAny(const PixelBox& box, const std::vector<PixelBox>& others);

// The name and range labels of a marker at (x, y) placed clear of the occupied boxes: where
// PlaceSatelliteLabels puts them, else above, right of or left of the marker; nothing when
// every place inside the window is taken. rangeWidth 0: no range line; textWidth 0: no name.
struct ClearLabels {
    LabelPlacement at;
    PixelBox box;  // the space both lines take
};
std::optional<ClearLabels> PlaceLabelsClear(int x, int y, int textWidth, int rangeWidth,
                                            int textHeight, int width, int height,
                                            const std::vector<PixelBox>& occupied);

}  // namespace orvanta
