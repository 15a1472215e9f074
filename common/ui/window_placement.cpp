#include "common/ui/window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace orvanta {

namespace {

// The stored rectangle's right and bottom are exclusive; QRect's are inclusive.
QRect ToRect(const PlacementRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

PlacementRect FromRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

WindowPlacement CurrentPlacement(const QWidget& window) {
    WindowPlacement wp;
    wp.showCmd = window.isMaximized() ? SHOW_MAXIMIZED
                                      : (window.isMinimized() ? SHOW_MINIMIZED : SHOW_NORMAL);
    wp.normal = FromRect(window.isMaximized() || window.isMinimized() ? window.normalGeometry()
                                                                      : window.geometry());
    return wp;
}

void RestoreWindowPlacement(QWidget& window, const std::string& valueName) {
    const auto wp = RestorePlacement(valueName);
    if (!wp) return;
    const QRect placed = ToRect(wp->normal);
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableVirtualGeometry().intersects(placed);
    if (visible && placed.width() > 0 && placed.height() > 0) window.setGeometry(placed);
    if (wp->showCmd == SHOW_MAXIMIZED) window.setWindowState(Qt::WindowMaximized);
}

}  // namespace orvanta
