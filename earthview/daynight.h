#pragma once
// The Earth view's background: the day image where the Sun is up, the night image where it
// is down, a blend of the two while the Sun stands less than about six degrees high, and
// the cloud map laid over both. Works on plain pixel buffers so it runs on any thread and
// without a display.
#include <cstdint>
#include <vector>

#include "earthview/image_file.h"

namespace orvanta {

// Upper end of the twilight band, radians of Sun altitude (about 6 degrees).
constexpr double kTwilightAltitude = 0.105;
// Blend weight per radian of altitude inside the band (1 / 0.105).
constexpr double kTwilightScale = 9.524;

// What holds for a whole pass: Greenwich apparent sidereal time, the Sun's right
// ascension and declination, all radians.
struct SunGeometry {
    double gastRad = 0.0;
    double raRad = 0.0;
    double decRad = 0.0;
};
SunGeometry SunGeometryAt(double julianDate);

// One output pixel from the night pixel, the day pixel, the Sun's altitude h (radians) and
// the cloud value (the cloud pixel's red, 0-255; negative: no clouds).
std::uint32_t ComposePixel(std::uint32_t night, std::uint32_t day, double h, int cloud);

// Sun altitude at the centre of pixel (column, row) of a width x height map, straight from
// the formula (one arcsine a pixel).
double SunAltitudeAt(const SunGeometry& sun, int column, int row, int width, int height);

// The fast pass: per-row and per-column terms prepared once, an arcsine only in the
// twilight band. Gives the same pixels as the per-pixel formula.
class DayNightCompositor {
public:
    // day and night of the same size; clouds null (none) or of that size too.
    DayNightCompositor(const PixelImage& day, const PixelImage& night, const PixelImage* clouds,
                       const SunGeometry& sun);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Writes row `row` of out (which must have the images' size).
    void ComposeRow(int row, PixelImage& out) const;
    void ComposeAll(PixelImage& out) const;

private:
    const PixelImage& day_;
    const PixelImage& night_;
    const PixelImage* clouds_;
    SunGeometry sun_;
    int width_ = 0;
    int height_ = 0;
    std::vector<double> cosHourAngle_;  // per column
    double sinTwilight_ = 0.0;
};

// The whole background at an instant, fast pass; clouds may be null.
PixelImage ComposeDayNight(const PixelImage& day, const PixelImage& night,
                           const PixelImage* clouds, double julianDate);
// The same, one arcsine a pixel: the definition the fast pass is tested against.
PixelImage ComposeDayNightReference(const PixelImage& day, const PixelImage& night,
                                    const PixelImage* clouds, double julianDate);

// A cloud layer of width x height: black, with the cloud map drawn unscaled from the
// top-left corner (a larger map is cut at the right and bottom).
PixelImage CloudLayerFrom(const PixelImage& cloudMap, int width, int height);

}  // namespace orvanta
