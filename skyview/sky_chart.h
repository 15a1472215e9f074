#pragma once
// The sky chart's geometry and colours, without any drawing library: where an azimuth and
// elevation land in the window for each of the four projections, where the stars, rings,
// letters and labels go, which colours the sky takes, and the shaded realistic sky
// rendered straight into a pixel buffer.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/pass_record.h"

namespace orvanta {

// "Projection Type" values.
enum SkyProjection : std::int32_t {
    PROJECTION_POLAR_NWSE = 1,
    PROJECTION_POLAR_NESW = 2,     // "Polar NESW (Kaltrop Projection)"
    PROJECTION_STRETCHED_NWSE = 3,
    PROJECTION_STRETCHED_NESW = 4,
};

bool IsNeswProjection(std::int32_t projection);    // 2 and 4: east on the right
bool IsPolarProjection(std::int32_t projection);   // 1 and 2
bool IsValidProjection(std::int32_t projection);   // 1 ... 4

struct SkyPoint {
    int x = 0;
    int y = 0;
    bool operator==(const SkyPoint&) const = default;
};

// Radial factor of an elevation (radians): cos(el) in the Polar projections, the linear
// zenith distance (pi/2 - el)/(pi/2) in the Stretched ones; 0 at the zenith, 1 on the
// horizon in both.
double SkyRadius(double elevationRad, std::int32_t projection);

// The point at azimuth azRad (north 0 through east, heading already added) and radial
// factor r in a W x H window; nothing for an unknown projection.
std::optional<SkyPoint> ProjectRadius(double azRad, double r, int width, int height,
                                      std::int32_t projection);
// Project: azimuth and elevation in radians (heading already added) to window pixels.
// North is up in all four; NWSE puts east on the left, NESW on the right; the horizon is
// the ellipse inscribed in the window.
std::optional<SkyPoint> Project(double azRad, double elRad, int width, int height,
                                std::int32_t projection);

double DegToRadians(double degrees);

// Rotates and scales a template polygon about (centreX, centreY); the angle in degrees.
std::vector<SkyPoint> TransformPolygon(const std::vector<std::array<double, 2>>& points,
                                       double angleDeg, double scale, int centreX, int centreY);
// The four-pointed flare star (9 points) and the heading callout frame (8 points).
const std::vector<std::array<double, 2>>& FlareStarTemplate();
const std::vector<std::array<double, 2>>& HeadingCalloutTemplate();

// ---- stars --------------------------------------------------------------------------
// The limit for a "Mag Limit" menu index 1 ... 6 (1.0, 2.5, 3.5, 4.5, 5.5, 6.5), nothing
// for any other index.
std::optional<double> MagnitudeLimitForIndex(std::int32_t index);
// Size class 1 (faint) ... 5 (bright) of a magnitude.
int StarSizeClass(double magnitude);
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom excluded
    bool operator==(const PixelBox&) const = default;
};
// The disc drawn for a star of size s (size class + "Star Size") at (x, y).
PixelBox StarDiscBox(int x, int y, int size);

// Horizontal place of a star: azimuth counted from south (radians) and elevation
// (radians) by the closed-form hour-angle formulas; gastDeg the Greenwich apparent
// sidereal time, the site in degrees (east positive).
struct StarHorizon {
    double azimuthFromSouth = 0.0;
    double elevation = 0.0;
};
StarHorizon StarPosition(double raHours, double decDegrees, double gastDeg, double latDeg,
                         double lonDeg);

// ---- sky colours --------------------------------------------------------------------
struct SkyRgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const SkyRgb&) const = default;
};
// The plain sky's single colour for a Sun elevation (degrees).
SkyRgb PlainSkyColour(double sunElevation);
// The realistic sky's zenith, rim away from the Sun and rim toward the Sun. Rising when
// the elevation is above the previous repaint's.
struct RealSkyColours {
    SkyRgb zenith, away, toward;
};
RealSkyColours RealSkyPalette(double sunElevation, double previousSunElevation);
// Renders the 360 Gouraud-shaded wedges of the realistic sky into a 32-bit 0xAARRGGBB
// buffer (pixels outside the horizon ellipse are left alone). sunAzDeg includes the
// heading.
void RenderRealSky(std::uint32_t* pixels, int width, int height, int strideWords,
                   double sunAzDeg, const RealSkyColours& colours, std::int32_t projection);

// ---- compass, rings, labels ---------------------------------------------------------
struct CompassLetter {
    char letter = 'N';
    SkyPoint at;
    int escapement = 0;   // tenths of a degree, counter-clockwise
    int orientation = 0;  // tenths of a degree
};
// "N", "S", "W", "E" in that order for the heading (degrees) and projection.
std::vector<CompassLetter> CompassLetters(int heading, int width, int height,
                                          std::int32_t projection);

struct ElevationRing {
    int elevation = 0;      // degrees: 80, 60, 40, 20, 10
    PixelBox box;           // normalised, right and bottom excluded
    SkyPoint labelAt;
    int labelEscapement = 0;  // tenths of a degree
};
std::vector<ElevationRing> ElevationRings(int heading, int width, int height,
                                          std::int32_t projection);

// Where the name and range labels of a satellite marker at (x, y) go (centre-top
// alignment), for a name text of tw x th pixels.
struct LabelPlacement {
    SkyPoint name, range;
};
LabelPlacement PlaceSatelliteLabels(int x, int y, int textWidth, int textHeight, int width,
                                    int height);

// The scale of a flare marker for its magnitude.
double FlareMarkerScale(double magnitude);

// The azimuth at the top of the chart (0 ... 359), shown while dragging, and its text
// "%0.3d°".
int HeadingIndicatorValue(int heading, std::int32_t projection);
std::string HeadingIndicatorText(int heading, std::int32_t projection);

// One mouse move of a left-button drag: the new heading (1 ... 360). previousX is the last
// x of the drag, or 0 when the drag starts with this move.
int DragHeading(int heading, int previousX, int x, int y, int height);

}  // namespace orvanta
