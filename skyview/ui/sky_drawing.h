#pragma once
// The Sky view's repaint as an ordered list of small drawing steps. Each step takes the
// paint input (state, size, time, place, passes, stars) and a QPainter on the off-screen
// image, so it can be run, tested and read alone; positions come from skyview/sky_chart.h.
#include <QFont>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "catalogue/pass_record.h"
#include "common/settings_records.h"
#include "skyview/sky_chart.h"
#include "skyview/sky_tick.h"
#include "skyview/sky_view_state.h"
#include "skyview/star_catalogue.h"

class QPainter;

namespace orvanta {

// Fonts of the chart: the shared small (Arial 8 pt) and bold (Arial 12 pt bold) fonts,
// and the 16-pixel bold face of the compass letters and ring labels.
struct SkyFonts {
    QFont small;
    QFont bold;
    QFont letters;
};
SkyFonts DefaultSkyFonts();

struct SkyPaintInput {
    SkyViewState* state = nullptr;
    int width = 600;
    int height = 600;
    double now = 0.0;  // program time, Julian date (UTC)
    ObserverLocation observer;
    std::vector<PassRecord>* passes = nullptr;  // may be null
    // The satellite of a pass record (name for labels), or null.
    std::function<const KeplerRecord*(const PassRecord&)> satelliteOf;
    StarCatalogue* stars = nullptr;  // null: the load failed, no stars
    int metric = 1;                  // distance unit of the range labels
    SkyFonts fonts;
    // The boxes of the letters and labels drawn so far, so later ones keep clear of them
    // (PaintSkyChart supplies one when null).
    std::vector<PixelBox>* labels = nullptr;
};

// The steps, in repaint order.
void FillChartBackground(QPainter& p, const SkyPaintInput& in);
void UpdateSunPosition(const SkyPaintInput& in);  // previousSunEl, sunAz, sunEl
void DrawSkyBackground(QPainter& p, const SkyPaintInput& in);
void DrawStars(QPainter& p, const SkyPaintInput& in);
void DrawSun(QPainter& p, const SkyPaintInput& in);
void DrawMoon(QPainter& p, const SkyPaintInput& in);  // also refreshes the Moon's place
void DrawCompassLetters(QPainter& p, const SkyPaintInput& in);
void DrawElevationRings(QPainter& p, const SkyPaintInput& in);
void DrawSpokes(QPainter& p, const SkyPaintInput& in);
void DrawZenithCross(QPainter& p, const SkyPaintInput& in);
void DrawSatellites(QPainter& p, const SkyPaintInput& in);  // tracks, markers, labels, flares
void DrawCornerTexts(QPainter& p, const SkyPaintInput& in);
void DrawHeadingIndicator(QPainter& p, const SkyPaintInput& in);

// Runs every step into a new W x H image (what the window copies and a screenshot saves).
QImage PaintSkyChart(const SkyPaintInput& in);

// The chart's colours.
inline constexpr QRgb kSkyOrange = 0xFFFFAA00;
inline constexpr QRgb kSkyYellow = 0xFFFFFF00;
inline constexpr QRgb kSkyGrey = 0xFF5C5C5C;
inline constexpr QRgb kSkyLightGrey = 0xFFE8E8E8;
inline constexpr QRgb kSkyDarkGrey = 0xFF404040;

}  // namespace orvanta
