#include "common/ui/drawing_objects.h"

#include <QGuiApplication>
#include <QScreen>
#include <memory>

namespace orvanta {

namespace {

std::unique_ptr<DrawingObjects> shared;

QPen Pen(int r, int g, int b, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(QColor(r, g, b), 1, style);
    // One device pixel whatever the transform: Qt's fast line path, also for dotted pens.
    pen.setCosmetic(true);
    return pen;
}

QFont Font(int points, bool bold, int dpi) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(FontPixelHeight(points, dpi));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

int ScreenDpi() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return qRound(screen->logicalDotsPerInchY());
    return 96;
}

}  // namespace

int FontPixelHeight(int points, int dotsPerInch) {
    // MulDiv(points, dpi, 72) rounds half away from zero.
    return (points * dotsPerInch + 36) / 72;
}

DrawingObjects MakeDrawingObjects(int dotsPerInch, const std::array<QRgb, 3>& hostColours) {
    DrawingObjects d;
    d.black = Pen(0, 0, 0);
    d.lightGrey = Pen(232, 232, 232);
    d.lightGreyDotted = Pen(232, 232, 232, Qt::DotLine);
    d.orange = Pen(255, 170, 0);
    d.yellow = Pen(255, 255, 0);
    d.yellowDotted = Pen(255, 255, 0, Qt::DotLine);
    d.oliveDotted = Pen(192, 192, 0, Qt::DotLine);
    d.grey = Pen(92, 92, 92);
    d.greyDotted = Pen(92, 92, 92, Qt::DotLine);
    d.red = Pen(255, 0, 0);
    d.redBrush = QBrush(QColor(255, 0, 0));
    d.yellowBrush = QBrush(QColor(255, 255, 0));
    d.orangeBrush = QBrush(QColor(255, 170, 0));
    d.darkBlueBrush = QBrush(QColor(0, 0, 64));
    for (std::size_t i = 0; i < hostColours.size(); ++i)
        d.hostBrushes[i] = QBrush(QColor::fromRgb(hostColours[i]));
    d.smallFont = Font(7, false, dotsPerInch);
    d.labelFont = Font(8, false, dotsPerInch);
    d.largeFont = Font(12, true, dotsPerInch);
    return d;
}

const DrawingObjects& SharedDrawingObjects() {
    if (!shared) RecreateDrawingObjects();
    return *shared;
}

void RecreateDrawingObjects(const std::array<QRgb, 3>& hostColours) {
    shared = std::make_unique<DrawingObjects>(MakeDrawingObjects(ScreenDpi(), hostColours));
}

}  // namespace orvanta
