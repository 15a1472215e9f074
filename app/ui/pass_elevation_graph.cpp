#include "app/ui/pass_elevation_graph.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "common/time_format.h"
#include "orbit/julian_date.h"

namespace orvanta {

namespace {

const QColor kGrid(0, 90, 0);
const QColor kAzimuth(0, 170, 255);
const QColor kLit(255, 220, 0);
const QColor kShadow(140, 140, 140);

double AzimuthY(double azimuth, const QRectF& area) {
    return area.bottom() - azimuth / 360.0 * area.height();
}
double ElevationY(double elevation, const QRectF& area) {
    return area.bottom() - std::clamp(elevation, 0.0, 90.0) / 90.0 * area.height();
}

// The label spacing in minutes: the finest that leaves each label its room.
double LabelMinutes(double days, double widthPixels, double labelPixels) {
    static const double kChoices[] = {1,   2,   5,   10,  15,  20,   30,   60,   120,
                                      180, 240, 360, 480, 720, 1440, 2880, 5760, 11520};
    for (double m : kChoices)
        if (days * 1440.0 / m <= widthPixels / labelPixels) return m;
    return kChoices[std::size(kChoices) - 1];
}

}  // namespace

PassElevationGraph::PassElevationGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("passElevationGraph"));
    setMinimumSize(240, 180);
}

void PassElevationGraph::SetTrack(std::vector<PassDetailRow> rows, double culminationJd,
                                  double visibleStart, double visibleEnd) {
    rows_ = std::move(rows);
    culmination_ = culminationJd;
    visibleStart_ = visibleStart;
    visibleEnd_ = visibleEnd;
    update();
}

double PassElevationGraph::TimeToX(double jd, double aosJd, double losJd, const QRectF& area) {
    if (!(losJd > aosJd)) return area.left();
    return area.left() + (jd - aosJd) / (losJd - aosJd) * area.width();
}

std::vector<std::vector<QPointF>> PassElevationGraph::AzimuthRuns(
    const std::vector<PassDetailRow>& rows, const QRectF& area) {
    std::vector<std::vector<QPointF>> runs;
    if (rows.empty()) return runs;
    const double aos = rows.front().time, los = rows.back().time;
    const auto at = [&](double t, double az) {
        return QPointF(TimeToX(t, aos, los, area), AzimuthY(az, area));
    };
    runs.push_back({at(rows.front().time, rows.front().azimuth)});
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const PassDetailRow& a = rows[i - 1];
        const PassDetailRow& b = rows[i];
        if (std::abs(b.azimuth - a.azimuth) > 180.0) {
            // Through north: up to the edge it leaves by, on from the other one.
            const bool rising = b.azimuth < a.azimuth;  // e.g. 359 to 1
            const double gone = rising ? 360.0 - a.azimuth : a.azimuth;
            const double total = rising ? b.azimuth + gone : 360.0 - b.azimuth + gone;
            const double t = a.time + (b.time - a.time) * (total > 0.0 ? gone / total : 0.0);
            runs.back().push_back(at(t, rising ? 360.0 : 0.0));
            runs.push_back({at(t, rising ? 0.0 : 360.0)});
        }
        runs.back().push_back(at(b.time, b.azimuth));
    }
    return runs;
}

QRectF PassElevationGraph::PlotArea() const {
    const QFontMetrics fm(font());
    return QRectF(40, fm.height() + 10, std::max(10, width() - 72),
                  std::max(10, height() - 2 * fm.height() - 22));
}

void PassElevationGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::black);
    const QRectF area = PlotArea();
    const QFontMetrics fm(font());

    p.setPen(QPen(kGrid, 1));
    p.drawRect(area);
    for (double el : {30.0, 60.0}) {
        const double y = ElevationY(el, area);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    p.setPen(Qt::white);
    for (double el : {0.0, 30.0, 60.0, 90.0})
        p.drawText(QRectF(0, ElevationY(el, area) - 8, area.left() - 4, 16),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(el) + QChar(0x00B0));
    p.setPen(kAzimuth);
    const char* compass[] = {"N", "E", "S", "W", "N"};
    for (int i = 0; i < 5; ++i)
        p.drawText(QRectF(area.right() + 4, AzimuthY(90.0 * i, area) - 8, 28, 16),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(compass[i]));
    p.setPen(Qt::white);
    p.drawText(QRectF(area.left(), 2, area.width() / 2, fm.height() + 4),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Elevation"));
    p.setPen(kAzimuth);
    p.drawText(QRectF(area.center().x(), 2, area.width() / 2, fm.height() + 4),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Azimuth"));
    if (rows_.size() < 2) return;

    const double aos = rows_.front().time, los = rows_.back().time;
    // A pass of a day or more is labelled with dates; the times alone would repeat.
    const bool days = los - aos >= 1.0;
    const QString widest = QString::fromStdString(days ? FormatDateTime(cJulianDate::FromJd(los))
                                                       : FormatTime(cJulianDate::FromJd(los)));
    const double room = fm.horizontalAdvance(widest) + 16;
    const double step = LabelMinutes(los - aos, area.width(), room) / 1440.0;
    double freeFrom = -1e9;  // a label that would touch the one before is left out
    for (double t = std::ceil(aos / step - 1e-9) * step; t <= los + 1e-9; t += step) {
        const double x = TimeToX(t, aos, los, area);
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(Qt::white);
        const cJulianDate jd = cJulianDate::FromJd(t);
        const QString text = QString::fromStdString(days ? FormatDateTime(jd) : FormatTime(jd));
        const double w = fm.horizontalAdvance(text);
        const double left = std::clamp(x - w / 2, 0.0, width() - w);
        if (left < freeFrom) continue;
        freeFrom = left + w + 8;
        p.drawText(QPointF(left, area.bottom() + 6 + fm.ascent()), text);
    }
    if (culmination_ > aos && culmination_ < los) {
        const double x = TimeToX(culmination_, aos, los, area);
        p.setPen(QPen(QColor(0, 200, 255), 1, Qt::DashLine));
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }

    p.setPen(QPen(kAzimuth, 1.5));
    for (const auto& run : AzimuthRuns(rows_, area))
        p.drawPolyline(run.data(), static_cast<int>(run.size()));

    // Visible parts thick, lit ones thin, shadowed ones grey, as on the polar plot.
    const auto visible = [&](double t) {
        return visibleEnd_ > visibleStart_ && t >= visibleStart_ && t <= visibleEnd_;
    };
    for (std::size_t i = 1; i < rows_.size(); ++i) {
        const PassDetailRow& a = rows_[i - 1];
        const PassDetailRow& b = rows_[i];
        const bool lit = a.sunlit && b.sunlit;
        p.setPen(!lit                             ? QPen(kShadow, 2)
                 : visible((a.time + b.time) / 2) ? QPen(kLit, 4)
                                                  : QPen(kLit, 2));
        p.drawLine(QPointF(TimeToX(a.time, aos, los, area), ElevationY(a.elevation, area)),
                   QPointF(TimeToX(b.time, aos, los, area), ElevationY(b.elevation, area)));
    }
}

}  // namespace orvanta
