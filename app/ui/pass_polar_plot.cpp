#include "app/ui/pass_polar_plot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "catalogue/pass_details.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"
#include "skyview/ui/pass_chart.h"

namespace orvanta {

namespace {

constexpr double kMargin = 24.0;  // room for the compass letters and the labels
double Radius(QSizeF size) {
    return std::max(1.0, std::min(size.width(), size.height()) / 2.0 - kMargin);
}

// The time of day, or the date too on a pass of a day or more.
QString TimeText(double jd, bool withDate) {
    const cJulianDate t = cJulianDate::FromJd(jd);
    return QString::fromStdString(withDate ? FormatDateTime(t) : FormatTime(t));
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

void PassPolarPlot::SetVisibleWindow(double start, double end) {
    visibleStart_ = start;
    visibleEnd_ = end;
    update();
}

void PassPolarPlot::SetSunMoon(double sunAz, double sunEl, double moonAz, double moonEl,
                               double moonIlluminated) {
    sunAz_ = sunAz;
    sunEl_ = sunEl;
    moonAz_ = moonAz;
    moonEl_ = moonEl;
    moonLit_ = moonIlluminated;
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
    // The Sun and Moon at the culmination, the Moon's bright limb turned to the Sun.
    if (sunEl_ > 0.0) DrawSunSymbol(p, Project(sunAz_, sunEl_, s));
    if (moonEl_ > 0.0) {
        const QPointF moon = Project(moonAz_, moonEl_, s);
        const double sunR = radius * (90.0 - sunEl_) / 90.0, sunA = sunAz_ * M_PI / 180.0;
        const QPointF toSun =
            QPointF(centre.x() - sunR * std::sin(sunA), centre.y() - sunR * std::cos(sunA)) - moon;
        DrawMoonSymbol(p, moon, moonLit_, std::atan2(toSun.y(), toSun.x()));
    }
    if (rows_.size() < 2) return;

    // Visible parts thick yellow, the rest of the lit parts thin yellow, shadowed ones grey.
    const auto visible = [&](double t) {
        return visibleEnd_ > visibleStart_ && t >= visibleStart_ && t <= visibleEnd_;
    };
    for (std::size_t i = 1; i < rows_.size(); ++i) {
        const bool lit = rows_[i - 1].sunlit && rows_[i].sunlit;
        const bool seen = visible((rows_[i - 1].time + rows_[i].time) / 2);
        p.setPen(!lit ? QPen(QColor(140, 140, 140), 2)
                      : QPen(QColor(255, 220, 0), seen ? 4 : 2));
        p.drawLine(Project(rows_[i - 1].azimuth, rows_[i - 1].elevation, s),
                   Project(rows_[i].azimuth, rows_[i].elevation, s));
    }

    const double aos = rows_.front().time;
    const double los = rows_.back().time;
    p.setPen(QPen(Qt::white, 1));
    // A minute apart on a short pass, further on long ones so the ticks stay apart.
    const double tick = PassTickSpacing(aos, los);
    for (double t = std::ceil(aos / tick) * tick; t < los; t += tick) {
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
    const QFontMetricsF fm(font());
    std::vector<QRectF> taken;
    for (const auto& m : marks) {
        const QPointF at = At(m.jd);
        p.setPen(QPen(m.colour, 1));
        p.setBrush(m.colour);
        p.drawEllipse(at, 4, 4);
        // Labels face the centre, so the ones at the rim stay inside the plot, and step
        // down past earlier ones: a slow pass puts all three marks close together.
        const QString text =
            QString::fromLatin1(m.name) + QLatin1Char(' ') + TimeText(m.jd, los - aos >= 1.0);
        const bool right = at.x() > centre.x();
        const double w = fm.horizontalAdvance(text) + 2, h = fm.height();
        QRectF box(right ? at.x() - 6 - w : at.x() + 6, at.y() - 2 - h, w, h);
        for (int i = 0; i < 6 && std::any_of(taken.begin(), taken.end(), [&](const QRectF& r) {
                            return r.intersects(box);
                        });
             ++i)
            box.translate(0, h);
        taken.push_back(box);
        p.drawText(box, Qt::AlignCenter, text);
    }
}

}  // namespace orvanta
