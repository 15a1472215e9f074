#include "app/ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVector>
#include <QtMath>

namespace orvanta {

namespace {

using Painter = void (*)(QPainter&, qreal);  // draws into a square of the given side

void Disc(QPainter& p, qreal s, QColor fill) {
    p.setPen(QPen(fill.darker(170), s / 16));
    p.setBrush(fill);
    p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
}

void Glyph(QPainter& p, qreal s, const QString& text, QColor colour) {
    QFont f("Arial");
    f.setBold(true);
    f.setPixelSize(qMax(1, int(s * 0.7)));
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, text);
}

void Success(QPainter& p, qreal s) {
    Disc(p, s, QColor(40, 170, 60));
    QPen pen(Qt::white, s / 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(
        QVector<QPointF>{{s * 0.28, s * 0.52}, {s * 0.44, s * 0.68}, {s * 0.72, s * 0.34}});
}

void Warning(QPainter& p, qreal s) {
    QPainterPath tri;
    tri.moveTo(s * 0.5, s * 0.06);
    tri.lineTo(s * 0.95, s * 0.9);
    tri.lineTo(s * 0.05, s * 0.9);
    tri.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 0), s / 16));
    p.setBrush(QColor(250, 200, 20));
    p.drawPath(tri);
    QFont f("Arial");
    f.setBold(true);
    f.setPixelSize(qMax(1, int(s * 0.6)));
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, s * 0.2, s, s * 0.7), Qt::AlignCenter, "!");
}

void Error(QPainter& p, qreal s) {
    Disc(p, s, QColor(210, 30, 30));
    p.setPen(QPen(Qt::white, s / 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
    p.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
}

void Information(QPainter& p, qreal s) {
    Disc(p, s, QColor(40, 100, 200));
    Glyph(p, s, "i", Qt::white);
}

// Moon face with a small satellite dot at its rim: where the dot sits tells start, full
// pass and end apart.
void MoonWithDot(QPainter& p, qreal s, int where) {
    p.setPen(QPen(QColor(120, 120, 110), s / 16));
    p.setBrush(QColor(225, 225, 200));
    p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 170, 150));
    p.drawEllipse(QRectF(s * 0.35, s * 0.3, s * 0.16, s * 0.16));
    p.drawEllipse(QRectF(s * 0.55, s * 0.55, s * 0.12, s * 0.12));
    p.setBrush(QColor(230, 40, 40));
    const qreal d = s * 0.26;
    if (where <= 0) p.drawEllipse(QRectF(0, s * 0.5 - d / 2, d, d));
    if (where == 0) {
        p.setPen(QPen(QColor(230, 40, 40), s / 14));
        p.drawLine(QPointF(d, s * 0.5), QPointF(s - d, s * 0.5));
        p.setPen(Qt::NoPen);
    }
    if (where >= 0) p.drawEllipse(QRectF(s - d, s * 0.5 - d / 2, d, d));
}

void LunarStart(QPainter& p, qreal s) {
    MoonWithDot(p, s, -1);
}
void LunarPass(QPainter& p, qreal s) {
    MoonWithDot(p, s, 0);
}
void LunarEnd(QPainter& p, qreal s) {
    MoonWithDot(p, s, 1);
}

void Flare(QPainter& p, qreal s) {
    // A four-pointed white-yellow glint.
    QPainterPath star;
    const QPointF c(s / 2, s / 2);
    for (int i = 0; i < 8; ++i) {
        const qreal r = (i % 2 ? 0.12 : 0.48) * s;
        const qreal a = i * M_PI / 4 - M_PI / 2;
        const QPointF pt = c + QPointF(r * qCos(a), r * qSin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(200, 150, 0), s / 20));
    p.setBrush(QColor(255, 250, 170));
    p.drawPath(star);
}

void SunUp(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(240, 170, 0), s / 12, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(s / 2, s / 2);
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * M_PI / 4;
        p.drawLine(c + QPointF(0.32 * s * qCos(a), 0.32 * s * qSin(a)),
                   c + QPointF(0.46 * s * qCos(a), 0.46 * s * qSin(a)));
    }
    p.setPen(QPen(QColor(220, 140, 0), s / 20));
    p.setBrush(QColor(255, 210, 40));
    p.drawEllipse(c, s * 0.22, s * 0.22);
}

void Dark(QPainter& p, qreal s) {
    // Crescent Moon on a night-blue square: the satellite sets in darkness.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 20, 70));
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.15, s * 0.15);
    QPainterPath moon;
    moon.addEllipse(QRectF(s * 0.2, s * 0.18, s * 0.6, s * 0.6));
    QPainterPath bite;
    bite.addEllipse(QRectF(s * 0.36, s * 0.1, s * 0.56, s * 0.56));
    p.setBrush(QColor(235, 235, 190));
    p.drawPath(moon.subtracted(bite));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s * 0.72, s * 0.75), s * 0.05, s * 0.05);
}

void Twilight(QPainter& p, qreal s) {
    // Half a Sun on the horizon under an orange-to-blue sky.
    QLinearGradient sky(0, 0, 0, s);
    sky.setColorAt(0, QColor(40, 60, 140));
    sky.setColorAt(1, QColor(250, 140, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.15, s * 0.15);
    p.setBrush(QColor(255, 220, 60));
    p.drawPie(QRectF(s * 0.25, s * 0.45, s * 0.5, s * 0.5), 0, 180 * 16);
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(s * 0.04, s * 0.7, s * 0.92, s * 0.26));
}

constexpr Painter kPainters[] = {Success,  Warning, Error, Information, LunarStart, LunarPass,
                                 LunarEnd, Flare,   SunUp, Dark,        Twilight};

QIcon Draw(Painter paint) {
    QIcon icon;
    for (int side : {16, 24, 32, 48}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paint(p, side);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void Dish(QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 20, 60));
    p.drawEllipse(QRectF(s * 0.02, s * 0.02, s * 0.96, s * 0.96));
    p.setPen(QPen(QColor(120, 200, 255), s / 24));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.18, s * 0.32, s * 0.64, s * 0.36));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 230, 0));
    p.drawEllipse(QPointF(s * 0.78, s * 0.42), s * 0.08, s * 0.08);
    p.setBrush(QColor(90, 140, 255));
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.14, s * 0.14);
}

}  // namespace

QIcon SharedIcon(int index) {
    static const QVector<QIcon> icons = [] {
        QVector<QIcon> v;
        for (Painter p : kPainters) v.push_back(Draw(p));
        return v;
    }();
    return index >= 0 && index < icons.size() ? icons[index] : QIcon();
}

QIcon ApplicationIcon() {
    static const QIcon icon = Draw(Dish);
    return icon;
}

}  // namespace orvanta
