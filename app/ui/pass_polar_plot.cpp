#include "app/ui/pass_polar_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "common/time_format.h"
#include "orbit/julian_date.h"

namespace orvanta {

namespace {

constexpr double kMargin = 24.0;  // room for the compass letters and the labels
constexpr double kMinute = 1.0 / 1440.0;

double Radius(QSizeF size) {
    return std::max(1.0, std::min(size.width(), size.height()) / 2.0 - kMargin);
}

QString TimeText(double jd) {
    return QString::fromStdString(FormatTime(cJulianDate::FromJd(jd)));
}

}  // namespace

PassPolarPlot::PassPolarPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("passPolarPlot"));
    setMinimumSize(200, 200);
}

void PassPolarPlot::SetTrack(std::vector<PassDetailRow> rows, double culminationJd) {
    rows_ = std::move(rows);
    culmination_ = culminationJd;
    update();
}

QPointF PassPolarPlot::Project(double azimuth, double elevation, QSizeF size) {
    const double r = Radius(size) * (90.0 - std::clamp(elevation, 0.0, 90.0)) / 90.0;
    const double a = azimuth * M_PI / 180.0;
    // Seen from below, east lies to the left of north.
    return {size.width() / 2.0 - r * std::sin(a), size.height() / 2.0 - r * std::cos(a)};
}

QPointF PassPolarPlot::At(double jd) const {
    const auto later =
        std::lower_bound(rows_.begin(), rows_.end(), jd,
                         [](const PassDetailRow& r, double t) { return r.time < t; });
    const QSizeF s = size();
    if (later == rows_.begin()) return Project(later->azimuth, later->elevation, s);
    if (later == rows_.end()) return Project(rows_.back().azimuth, rows_.back().elevation, s);
    const PassDetailRow& a = *(later - 1);
    const PassDetailRow& b = *later;
    // Between rows on the screen, not in azimuth, so a track through north does not swing.
    const double f = b.time > a.time ? (jd - a.time) / (b.time - a.time) : 0.0;
    const QPointF pa = Project(a.azimuth, a.elevation, s);
    const QPointF pb = Project(b.azimuth, b.elevation, s);
    return pa + (pb - pa) * f;
}

void PassPolarPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::black);
    const QSizeF s = size();
    const QPointF centre(s.width() / 2.0, s.height() / 2.0);
    const double radius = Radius(s);

    p.setPen(QPen(QColor(0, 110, 0), 1));
    for (double el : {0.0, 30.0, 60.0}) {
        const double r = radius * (90.0 - el) / 90.0;
        p.drawEllipse(centre, r, r);
    }
    p.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));
    p.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
    p.setPen(QColor(0, 200, 0));
    const struct {
        double azimuth;
        const char* text;
    } compass[] = {{0, "N"}, {90, "E"}, {180, "S"}, {270, "W"}};
    for (const auto& c : compass) {
        const double a = c.azimuth * M_PI / 180.0;
        const QPointF at(centre.x() - (radius + 12) * std::sin(a),
                         centre.y() - (radius + 12) * std::cos(a));
        p.drawText(QRectF(at.x() - 10, at.y() - 10, 20, 20), Qt::AlignCenter, c.text);
    }
    if (rows_.size() < 2) return;

    // Lit parts solid yellow, parts in the Earth's shadow grey.
    for (std::size_t i = 1; i < rows_.size(); ++i) {
        const bool lit = rows_[i - 1].sunlit && rows_[i].sunlit;
        p.setPen(lit ? QPen(QColor(255, 220, 0), 3) : QPen(QColor(140, 140, 140), 2));
        p.drawLine(Project(rows_[i - 1].azimuth, rows_[i - 1].elevation, s),
                   Project(rows_[i].azimuth, rows_[i].elevation, s));
    }

    const double aos = rows_.front().time;
    const double los = rows_.back().time;
    p.setPen(QPen(Qt::white, 1));
    for (double t = std::ceil(aos / kMinute) * kMinute; t < los; t += kMinute) {
        const QPointF at = At(t);
        p.drawEllipse(at, 1.5, 1.5);
    }

    const struct {
        double jd;
        const char* name;
        QColor colour;
    } marks[] = {{aos, "AOS", QColor(0, 220, 0)},
                 {culmination_ > aos && culmination_ < los ? culmination_ : (aos + los) / 2, "Max",
                  QColor(0, 200, 255)},
                 {los, "LOS", QColor(255, 80, 80)}};
    for (const auto& m : marks) {
        const QPointF at = At(m.jd);
        p.setPen(QPen(m.colour, 1));
        p.setBrush(m.colour);
        p.drawEllipse(at, 4, 4);
        // Labels face the centre, so the ones at the rim stay inside the plot.
        const QString text = QString::fromLatin1(m.name) + QLatin1Char(' ') + TimeText(m.jd);
        const bool right = at.x() > centre.x();
        const QRectF box(right ? at.x() - 206 : at.x() + 6, at.y() - 18, 200, 16);
        p.drawText(box, (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignBottom, text);
    }
}

}  // namespace orvanta
