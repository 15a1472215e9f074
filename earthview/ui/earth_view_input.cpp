// The Earth view under the mouse and the keys: the position line, dragging the map round,
// clicking a satellite for its track, the popup menus, minute steps and help.
#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include "earthview/map_projection.h"
#include "earthview/ui/earth_view.h"

namespace orvanta {

namespace {

constexpr int kChecked = 8;  // the stored "all" values are menu check flags, as in the view

}  // namespace

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

void EarthView::BuildPopupMenu() {
    delete popup_;
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("earthPopup"));
    auto add = [this](QMenu* menu, const QString& text, int command, bool checkable = false) {
        QAction* a = menu->addAction(text);
        a->setData(command);
        a->setCheckable(checkable);
        connect(a, &QAction::triggered, this, [this, command] { RunCommand(command); });
        return a;
    };
    QMenu* background = popup_->addMenu(QStringLiteral("Background Options"));
    QMenu* cloudmap = background->addMenu(QStringLiteral("Cloudmap"));
    add(cloudmap, QStringLiteral("Show static"), CMD_SHOW_STATIC, true)
        ->setChecked(settings_.earthviewShowClouds != 0);
    add(background, QStringLiteral("Show home marker"), CMD_SHOW_HOME_MARKER, true)
        ->setChecked(settings_.earthviewShowHomeMarker != 0);
    background->addSeparator();
    add(background, QStringLiteral("Save Screenshot as..."), CMD_SAVE_SCREENSHOT);
    background->addSeparator();
    QMenu* centre = background->addMenu(QStringLiteral("Set Center Longitude to"));
    add(centre, QStringLiteral("Home Longitude"), CMD_CENTER_HOME);
    add(centre, QString::fromUtf8("0\xC2\xB0 (Greenwich)"), CMD_CENTER_GREENWICH);

    QMenu* satellites = popup_->addMenu(QStringLiteral("Satellites"));
    add(satellites, QStringLiteral("Show all"), CMD_SHOW_ALL);
    add(satellites, QStringLiteral("Hide all"), CMD_HIDE_ALL);
    // One entry a satellite, made when the menu first opens: a constellation's 10,000
    // actions took a tenth of a second at every new selection.
    satelliteActions_.clear();
    satellitesMenu_ = satellites;
    connect(satellites, &QMenu::aboutToShow, this, &EarthView::FillSatelliteMenu);
    popup_->addSeparator();
    add(popup_, QStringLiteral("Show Radio Horizons"), CMD_SHOW_RADIO_HORIZONS, true)
        ->setChecked(settings_.showRadioHorizon == kChecked);
    add(popup_, QStringLiteral("Show All Satellite Names"), CMD_SHOW_ALL_NAMES, true)
        ->setChecked(settings_.showAllSatnames == kChecked);
    popup_->addSeparator();
    add(popup_, QStringLiteral("Recalculate Tracks now..."), CMD_RECALCULATE_TRACKS);
}

QAction* EarthView::Action(int command) const {
    if (command == CMD_SAT_SHOW_TRACK || command == CMD_SAT_SHOW_HORIZON ||
        command == CMD_SAT_SHOW_NAME || command == CMD_SAT_MENU_TITLE) {
        if (!satPopup_) return nullptr;
        for (QAction* a : satPopup_->actions())
            if (a->data().toInt() == command) return a;
        return nullptr;
    }
    const int count = static_cast<int>(env_.selection->size());
    if (command >= CMD_SATELLITE_BASE && command < CMD_SATELLITE_BASE + count) {
        // Asking for an entry makes the entries, as opening the menu does.
        const_cast<EarthView*>(this)->FillSatelliteMenu();
        const auto i = static_cast<std::size_t>(command - CMD_SATELLITE_BASE);
        return i < satelliteActions_.size() ? satelliteActions_[i] : nullptr;
    }
    const QList<QAction*> all = popup_->findChildren<QAction*>();
    for (QAction* a : all)
        if (!a->isSeparator() && a->data().isValid() && a->data().toInt() == command) return a;
    // findChildren misses actions owned by sub-menus on some styles; walk the menus too.
    std::function<QAction*(QMenu*)> walk = [&](QMenu* menu) -> QAction* {
        for (QAction* a : menu->actions()) {
            if (a->menu())
                if (QAction* found = walk(a->menu())) return found;
            if (!a->isSeparator() && a->data().isValid() && a->data().toInt() == command) return a;
        }
        return nullptr;
    };
    return walk(popup_);
}

void EarthView::FillSatelliteMenu() {
    if (!satellitesMenu_ || !satelliteActions_.empty() || env_.selection->empty()) return;
    satellitesMenu_->addSeparator();
    satelliteActions_.reserve(env_.selection->size());
    for (std::size_t i = 0; i < env_.selection->size(); ++i) {
        const SelectedSat& s = (*env_.selection)[i];
        const KeplerRecord* record = SelectedRecord(*env_.catalogue, s);
        const QString name = record ? QString::fromStdString(TrimmedName(*record))
                                    : QString::number(s.catalogueNumber);
        QAction* a = satellitesMenu_->addAction(QString(name).replace('&', "&&"));
        const int command = CMD_SATELLITE_BASE + static_cast<int>(i);
        a->setData(command);
        a->setCheckable(true);
        a->setChecked(s.shown == 1);
        connect(a, &QAction::triggered, this, [this, command] { RunCommand(command); });
        satelliteActions_.push_back(a);
    }
}

}  // namespace orvanta
