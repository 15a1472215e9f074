#pragma once
// The host monitor's use of the shared drawing objects: the label font (Arial 8 pt), the
// brushes in its three colours, and the conversion of stored colours (0x00BBGGRR).
#include <QColor>
#include <QFont>
#include <array>
#include <cstdint>

#include "common/settings_records.h"
#include "common/ui/drawing_objects.h"

namespace orvanta {

inline QColor ColourFromRef(std::uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

inline std::uint32_t RefFromColour(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

inline QFont HostLabelFont() {
    return SharedDrawingObjects().labelFont;
}

inline std::array<QRgb, 3> HostColours(const PingParameters& p) {
    return {ColourFromRef(p.okColour).rgb(), ColourFromRef(p.warningColour).rgb(),
            ColourFromRef(p.failureColour).rgb()};
}

}  // namespace orvanta
