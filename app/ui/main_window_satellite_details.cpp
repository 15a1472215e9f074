// The details window of one satellite: opened from the Earth view and the pass details,
// fed with the program clock and the pass list's own next AOS where it has one.
#include <QMouseEvent>
#include <functional>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/satellite_details_window.h"
#include "catalogue/pass_record.h"
#include "earthview/ui/earth_view.h"

namespace orvanta {

namespace {

// Watches the Earth view from outside: the view knows its markers, the shell its windows.
class MarkerDoubleClicks : public QObject {
public:
    MarkerDoubleClicks(EarthView* view, std::function<void(int)> open)
        : QObject(view), view_(view), open_(std::move(open)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_ && event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int hit = view_->HitSatellite(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && hit >= 0) open_(hit);
        }
        // The view still takes it: as a second press it toggles the track back.
        return false;
    }

private:
    EarthView* view_;
    std::function<void(int)> open_;
};

}  // namespace

void MainWindow::WatchMarkerDoubleClicks(EarthView* view) {
    view->installEventFilter(new MarkerDoubleClicks(view, [this](int index) {
        if (index < static_cast<int>(selection_.size()))
            OpenSatelliteDetails(selection_[static_cast<std::size_t>(index)].catalogueNumber);
    }));
}

SatelliteDetailsWindow* MainWindow::OpenSatelliteDetails(int catalogueNumber) {
    for (SatelliteDetailsWindow* open : findChildren<SatelliteDetailsWindow*>()) {
        // A closed window lingers hidden until it is deleted.
        if (open->CatalogueNumber() != catalogueNumber || !open->isVisible()) continue;
        open->showNormal();
        open->raise();
        open->activateWindow();
        return open;
    }
    const KeplerRecord* sat = catalogue_.At(FindCatalogueIndex(catalogue_, catalogueNumber));
    if (!sat) return nullptr;
    SatelliteDetailsInput input;
    input.elements =
        cElementSet(std::string(sat->Name()), std::string(sat->Line1()), std::string(sat->Line2()));
    input.name = std::string(sat->DisplayName());
    input.observer = settings_.observer;
    input.now = [this] { return clock_.Now(); };
    input.simulated = [this] { return !clock_.IsRealTime(); };
    input.listedAos = [this, catalogueNumber](double after) {
        return ListedAos(catalogueNumber, after);
    };
    auto* window = new SatelliteDetailsWindow(std::move(input), this);
    window->show();
    return window;
}

std::optional<double> MainWindow::ListedAos(int catalogueNumber, double after) const {
    // The table holds each satellite's passes in a row from the instant it was searched
    // from; a search under way may be replacing it with passes from another instant.
    if (SearchRunning() || after < listedFrom_) return std::nullopt;
    std::optional<double> first;
    for (const PassRecord& p : *passTable_) {
        if (p.IsEmpty() || p.aos <= after || p.satellite < 0 ||
            p.satellite >= static_cast<int>(selection_.size()) ||
            selection_[static_cast<std::size_t>(p.satellite)].catalogueNumber != catalogueNumber)
            continue;
        if (!first || p.aos < *first) first = p.aos;
    }
    return first;
}

}  // namespace orvanta
