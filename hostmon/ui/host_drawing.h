#pragma once
// The few drawing objects the host monitor shares: the label font (Arial 8 pt) and the
// conversion of stored colours (0x00BBGGRR).
#include <QColor>
#include <QFont>
#include <cstdint>

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
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(8);
    return f;
}

}  // namespace orvanta
