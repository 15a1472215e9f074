// The Earth view under the mouse and the keys: the position line, dragging the map round,
// clicking a satellite for its track, the popup menus, minute steps and help.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include "earthview/map_projection.h"
#include "earthview/ui/earth_view.h"

namespace orvanta {

void EarthView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const QSize map = MapSize();
    if (!(event->buttons() & Qt::LeftButton)) {
        if (p.y() < map.height())
            mouseLabel_->setText(QString::fromStdString(
                MouseLine(p.x(), p.y(), map.width(), map.height(), settings_.earthviewLongitude)));
        return;
    }
    const int dx = (dragAnchor_ ? dragAnchor_ : p.x()) - p.x();
    settings_.earthviewLongitude = DragOffset(settings_.earthviewLongitude, dx, map.width());
    // 0 means "no drag", so a drag at the very left edge anchors one pixel in.
    dragAnchor_ = p.x() == 0 ? 1 : p.x();
    update();
}

void EarthView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragAnchor_ = 0;
        update();
    }
}

int EarthView::HitSatellite(const QPoint& p) const {
    const auto& records = tracks_.Records();
    for (std::size_t i = 0; i < env_.selection->size() && i < records.size(); ++i) {
        const TrackRecord& r = records[i];
        if ((*env_.selection)[i].shown && p.x() >= r.hitLeft && p.x() < r.hitRight &&
            p.y() >= r.hitTop && p.y() < r.hitBottom)
            return static_cast<int>(i);
    }
    return -1;
}

void EarthView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    const auto& records = tracks_.Records();
    for (std::size_t i = 0; i < env_.selection->size() && i < records.size(); ++i) {
        const TrackRecord& r = records[i];
        SelectedSat& s = (*env_.selection)[i];
        if (s.shown && p.x() >= r.hitLeft && p.x() < r.hitRight && p.y() >= r.hitTop &&
            p.y() < r.hitBottom) {
            s.track ^= 1;
            settings_.detailSat = static_cast<int>(i);
        }
    }
}

void EarthView::contextMenuEvent(QContextMenuEvent* event) {
    const int hit = HitSatellite(event->pos());
    if (hit >= 0)
        ShowSatellitePopup(hit, event->globalPos());
    else
        popup_->popup(event->globalPos());
}

void EarthView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            if (env_.addMinutes) env_.addMinutes(1.0);
            return;
        case Qt::Key_Down:
            if (env_.addMinutes) env_.addMinutes(-1.0);
            return;
        case Qt::Key_F1:
            if (env_.openHelp) env_.openHelp(kHelpContext);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace orvanta
