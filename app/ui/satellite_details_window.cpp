#include "app/ui/satellite_details_window.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "catalogue/satellite_details.h"
#include "common/clock.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"

namespace orvanta {

namespace {

constexpr double kSecondsPerDay = 86400.0;
// A search that found no rise is asked again once the program time is this far on.
constexpr double kNoRiseRetryDays = 1.0 / 24.0;

const QString kUnknown = QStringLiteral("unknown");

QString Degrees(double value, int decimals) {
    return QString::number(value, 'f', decimals) + QChar(0x00B0);
}

// "51.48° N", "0.12° W"
QString Hemisphere(double value, char positive, char negative) {
    return Degrees(std::fabs(value), 2) + QLatin1Char(' ') +
           QLatin1Char(value >= 0 ? positive : negative);
}

QString Km(double value, int decimals = 1) {
    return QString::number(value, 'f', decimals) + QStringLiteral(" km");
}

// In the display zone, with its label, as the pass list's headers name it.
QString When(double jd) {
    const auto unixSeconds =
        static_cast<std::int64_t>(std::floor((jd - kUnixEpochJulian) * kSecondsPerDay));
    return QString::fromStdString(FormatDateTime(cJulianDate::FromJd(jd)) + " " +
                                  CurrentTimeFormatter().HeaderZoneLabel(unixSeconds));
}

QString Countdown(double days) {
    const long s = std::lround(std::max(0.0, days) * kSecondsPerDay);
    return QString::asprintf("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
}

}  // namespace

SatelliteDetailsWindow::SatelliteDetailsWindow(SatelliteDetailsInput input, QWidget* parent)
    : QWidget(parent, Qt::Window),
      input_(std::move(input)),
      orbit_(input_.elements),
      catalogueNumber_(input_.elements.CatalogueNumber()) {
    setObjectName(QStringLiteral("satelliteDetails"));
    setAttribute(Qt::WA_DeleteOnClose);

    // One label width for all groups, so the values line up from group to group.
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("Elements epoch: "));
    const auto group = [this, labelWidth](const QString& title, const QStringList& labels) {
        auto* box = new QGroupBox(title, this);
        auto* form = new QFormLayout(box);
        for (const QString& label : labels) {
            auto* name = new QLabel(label + QLatin1Char(':'), this);
            name->setMinimumWidth(labelWidth);
            auto* value = new QLabel(this);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance(
                QStringLiteral("2026-12-09 21:00:00 UTC (in 00:00:00)")));
            form->addRow(name, value);
            values_[label] = value;
        }
        return box;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group(QStringLiteral("Position"), {"Latitude", "Longitude", "Altitude",
                                                         "Speed", "Footprint", "Sunlight"}));
    layout->addWidget(group(QStringLiteral("From the site"),
                            {"Azimuth", "Elevation", "Range", "Range rate", "Next AOS"}));
    layout->addWidget(group(QStringLiteral("Orbit"), {"Period", "Apogee", "Perigee", "Inclination",
                                                      "Elements epoch", "Elements age"}));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    Refresh();
}

QString SatelliteDetailsWindow::Value(const QString& label) const {
    const auto it = values_.find(label);
    return it == values_.end() ? QString() : it->second->text();
}

void SatelliteDetailsWindow::SetElements(const cElementSet& elements) {
    input_.elements = elements;
    orbit_ = cOrbit(elements);
    searched_ = false;  // the old sets' next rise
    Refresh();
}

std::optional<double> SatelliteDetailsWindow::NextAosAt(double now) {
    if (input_.listedAos)
        if (const auto listed = input_.listedAos(now)) return listed;
    // The first rise after the last search is still the next one until it is reached;
    // backwards in time it may not be.
    const bool holds =
        searched_ && now >= searchedFrom_ &&
        (searchedAos_ ? now < *searchedAos_ : now < searchedFrom_ + kNoRiseRetryDays);
    if (!holds) {
        searchedAos_ = NextAos(input_.elements, input_.observer, now);
        searchedFrom_ = now;
        searched_ = true;
    }
    return searchedAos_;
}

void SatelliteDetailsWindow::Refresh() {
    const double now = input_.now ? input_.now() : SystemUtcJulian();
    const bool simulated = input_.simulated && input_.simulated();
    setWindowTitle(QStringLiteral("Satellite Details - ") + QString::fromStdString(input_.name) +
                   (simulated ? QStringLiteral(" (simulated)") : QString()));

    const SatelliteDetails d = ComputeSatelliteDetails(orbit_, input_.observer, now);
    const auto set = [this](const char* label, const QString& text) {
        values_[QString::fromLatin1(label)]->setText(text);
    };
    const bool known = d.positionKnown;
    set("Latitude", known ? Hemisphere(d.latitudeDeg, 'N', 'S') : kUnknown);
    set("Longitude", known ? Hemisphere(d.longitudeDeg, 'E', 'W') : kUnknown);
    set("Altitude", known ? Km(d.altitudeKm) : kUnknown);
    set("Speed", known ? QString::number(d.speedKms, 'f', 3) + QStringLiteral(" km/s") : kUnknown);
    set("Footprint", known ? Km(d.footprintKm, 0) : kUnknown);
    set("Sunlight", !known     ? kUnknown
                    : d.sunlit ? QStringLiteral("Sunlit")
                               : QStringLiteral("In shadow"));
    const bool seen = known && d.view;
    set("Azimuth", seen ? Degrees(d.view->azimuthDeg, 1) : kUnknown);
    set("Elevation", seen ? Degrees(d.view->elevationDeg, 1) : kUnknown);
    set("Range", seen ? Km(d.view->rangeKm) : kUnknown);
    set("Range rate",
        seen ? QString::number(d.view->rangeRateKms, 'f', 3) + QStringLiteral(" km/s") : kUnknown);
    const std::optional<double> aos = NextAosAt(now);
    set("Next AOS", aos ? QStringLiteral("%1 (in %2)").arg(When(*aos), Countdown(*aos - now))
                        : QStringLiteral("none found"));

    set("Period", QString::number(d.periodMin, 'f', 2) + QStringLiteral(" min"));
    set("Apogee", Km(d.apogeeKm));
    set("Perigee", Km(d.perigeeKm));
    set("Inclination", Degrees(d.inclinationDeg, 4));
    set("Elements epoch", When(d.epochJd));
    set("Elements age", QString::number(d.ageDays, 'f', 1) + QStringLiteral(" days"));
}

}  // namespace orvanta
