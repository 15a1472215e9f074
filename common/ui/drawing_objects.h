#pragma once
// The pens, brushes and fonts the views and the host tiles share. Created once by the main
// window (or on first use) and recreated when the host monitor's colours change.
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>
#include <array>

namespace orvanta {

struct DrawingObjects {
    // Pens, 1 pixel wide.
    QPen black;
    QPen lightGrey;        // 232, 232, 232: the Earth view's centre-longitude marker
    QPen lightGreyDotted;
    QPen orange;           // 255, 170, 0: radio horizons, the Sky view's Sun outline
    QPen yellow;           // 255, 255, 0: home cross, marker outline on dark ground
    QPen yellowDotted;
    QPen oliveDotted;      // 192, 192, 0: track ahead of a satellite
    QPen grey;             // 92, 92, 92
    QPen greyDotted;       // track behind a satellite
    QPen red;              // marker outline on light ground

    QBrush redBrush;
    QBrush yellowBrush;
    QBrush orangeBrush;
    QBrush darkBlueBrush;  // 0, 0, 64
    std::array<QBrush, 3> hostBrushes;  // OK, warning, failure colours of the host monitor

    QFont smallFont;   // Arial 7 pt: the cloud map line
    QFont labelFont;   // Arial 8 pt: satellite names, host tiles
    QFont largeFont;   // Arial 12 pt bold: the centre-longitude label
};

// Host monitor colours until its settings say otherwise.
inline constexpr std::array<QRgb, 3> kDefaultHostColours = {0xFF00FF00u, 0xFFFFFF00u,
                                                            0xFFFF0000u};

// Font pixel height for a point size at a resolution, rounded as the system's MulDiv does.
int FontPixelHeight(int points, int dotsPerInch);

// The shared set; built on first use for the primary screen's resolution (96 dots per inch
// without a screen). Only the user-interface thread may use it.
const DrawingObjects& SharedDrawingObjects();
// Builds the set afresh with new host colours (the host settings dialog's colour buttons).
void RecreateDrawingObjects(const std::array<QRgb, 3>& hostColours = kDefaultHostColours);
// A set for an explicit resolution (off-screen renders, tests).
DrawingObjects MakeDrawingObjects(int dotsPerInch,
                                  const std::array<QRgb, 3>& hostColours = kDefaultHostColours);

}  // namespace orvanta
