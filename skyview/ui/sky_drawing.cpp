#include "skyview/ui/sky_drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <cstdio>

#include "astro/sun_moon.h"
#include "catalogue/pass_list.h"
#include "common/settings.h"
#include "common/ui/drawing_objects.h"
#include "skyview/sky_chart.h"

namespace orvanta {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// GDI draws an ellipse inside its box with the right and bottom edges excluded; a QPainter
// outline of an aliased rectangle covers both edges, hence the one-pixel smaller rect.
QRect EllipseRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

std::optional<SkyPoint> ProjectDeg(const SkyPaintInput& in, double azDeg, double elDeg) {
    return Project(DegToRadians(azDeg), DegToRadians(elDeg), in.width, in.height,
                   in.state->projection);
}

// Text with its top centre (or top left, or top right) at (x, y).
enum class Align { Left, Centre, Right };
void DrawTextAt(QPainter& p, int x, int y, const QString& text, Align align) {
    const QFontMetrics fm(p.font(), p.device());
    const int w = fm.horizontalAdvance(text);
    const int left = align == Align::Left ? x : align == Align::Centre ? x - w / 2 : x - w;
    p.drawText(QPoint(left, y + fm.ascent()), text);
}

// Centre-top text turned by an escapement in tenths of a degree, counter-clockwise.
void DrawRotatedText(QPainter& p, const SkyPoint& at, int escapement, const QString& text) {
    p.save();
    p.translate(at.x, at.y);
    p.rotate(-escapement / 10.0);
    DrawTextAt(p, 0, 0, text, Align::Centre);
    p.restore();
}

QPolygon ToPolygon(const std::vector<SkyPoint>& points) {
    QPolygon poly;
    poly.reserve(static_cast<int>(points.size()));
    for (const SkyPoint& pt : points) poly << QPoint(pt.x, pt.y);
    return poly;
}

QPolygon ProjectTrack(const SkyPaintInput& in, const std::array<TrackPoint, TRACK_POINTS>& track) {
    QPolygon poly;
    const double heading = DegToRadians(in.state->heading);
    for (const TrackPoint& t : track)
        if (auto pt = Project(heading + t.azimuth, t.elevation, in.width, in.height,
                              in.state->projection))
            poly << QPoint(pt->x, pt->y);
    return poly;
}

QString DegreeLabel(int degrees) {
    return QString::number(degrees) + QChar(0x00B0);
}

}  // namespace

SkyFonts DefaultSkyFonts() {
    SkyFonts f;
    const DrawingObjects& shared = SharedDrawingObjects();
    f.small = shared.labelFont;
    f.bold = shared.largeFont;
    // A cell height of 16 pixels: the em of Arial is about 0.87 of its cell.
    f.letters = QFont(QStringLiteral("Arial"));
    f.letters.setPixelSize(14);
    f.letters.setWeight(QFont::Bold);
    f.letters.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void FillChartBackground(QPainter& p, const SkyPaintInput& in) {
    p.fillRect(0, 0, in.width, in.height, QColor(kSkyDarkGrey));
}

void UpdateSunPosition(const SkyPaintInput& in) {
    SkyViewState& s = *in.state;
    s.previousSunEl = s.sunEl;
    SunHorizontal(in.now, AstroSite(in.observer.latitude, in.observer.longitude), s.sunAz, s.sunEl);
}

void DrawSkyBackground(QPainter& p, const SkyPaintInput& in) {
    const SkyViewState& s = *in.state;
    if (s.drawRealSky) {
        const RealSkyColours colours = RealSkyPalette(s.sunEl, s.previousSunEl);
        // The wedges are shaded straight into a 32-bit target image; any other device
        // gets them through a copy.
        auto* target = dynamic_cast<QImage*>(p.device());
        const bool direct = target && target->width() == in.width &&
                            target->height() == in.height &&
                            (target->format() == QImage::Format_RGB32 ||
                             target->format() == QImage::Format_ARGB32_Premultiplied);
        if (direct) {
            p.beginNativePainting();
            RenderRealSky(reinterpret_cast<std::uint32_t*>(target->bits()), in.width, in.height,
                          static_cast<int>(target->bytesPerLine() / 4), s.heading + s.sunAz,
                          colours, s.projection);
            p.endNativePainting();
            return;
        }
        QImage sky(in.width, in.height, QImage::Format_RGB32);
        sky.fill(QColor(kSkyDarkGrey));
        RenderRealSky(reinterpret_cast<std::uint32_t*>(sky.bits()), in.width, in.height,
                      static_cast<int>(sky.bytesPerLine() / 4), s.heading + s.sunAz, colours,
                      s.projection);
        p.drawImage(0, 0, sky);
        return;
    }
    const SkyRgb c = PlainSkyColour(s.sunEl);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(c.r, c.g, c.b));
    p.drawEllipse(EllipseRect(0, 0, in.width, in.height));
}

void DrawStars(QPainter& p, const SkyPaintInput& in) {
    if (!in.stars) return;
    const SkyViewState& s = *in.state;
    if (!s.showStars) {
        // Hidden stars must not answer tooltips from where they were last drawn.
        for (ScreenBox& b : in.stars->boxes) b = ScreenBox{};
        return;
    }
    static thread_local std::vector<StarDisc> discs;
    ComputeStarDiscs(*in.stars, s, ApparentSiderealTime(in.now), in.observer.latitude,
                     in.observer.longitude, in.width, in.height, discs);
    const QColor white(Qt::white);
    p.setPen(QPen(white, 1));
    p.setBrush(white);
    for (const StarDisc& d : discs) {
        const PixelBox b = StarDiscBox(d.x, d.y, d.size);
        if (d.size <= 2)
            p.fillRect(b.left, b.top, b.right - b.left, b.bottom - b.top, white);
        else
            p.drawEllipse(EllipseRect(b.left, b.top, b.right, b.bottom));
    }
}

void DrawSun(QPainter& p, const SkyPaintInput& in) {
    SkyViewState& s = *in.state;
    s.sunBox = ScreenBox{};
    if (!(s.sunEl > 0.0)) return;
    const auto pt = ProjectDeg(in, s.sunAz + s.heading, s.sunEl);
    if (!pt) return;
    p.setPen(QPen(QColor(kSkyOrange), 1));
    p.setBrush(QColor(kSkyYellow));
    p.drawEllipse(EllipseRect(pt->x - 6, pt->y - 6, pt->x + 6, pt->y + 6));
    s.sunBox = {pt->x - 6, pt->y - 6, pt->x + 6, pt->y + 6};
}

void DrawMoon(QPainter& p, const SkyPaintInput& in) {
    SkyViewState& s = *in.state;
    p.setPen(QPen(QColor(kSkyLightGrey), 1));
    p.setBrush(QColor(Qt::white));
    MoonHorizontal(in.now, AstroSite(in.observer.latitude, in.observer.longitude), s.moonAz,
                   s.moonEl, s.moonDistance);
    s.moonBox = ScreenBox{};
    if (!(s.moonEl > 0.0)) return;
    const auto pt = ProjectDeg(in, s.moonAz + s.heading, s.moonEl);
    if (!pt) return;
    p.drawEllipse(EllipseRect(pt->x - 6, pt->y - 6, pt->x + 6, pt->y + 6));
    s.moonBox = {pt->x - 6, pt->y - 6, pt->x + 6, pt->y + 6};
}

void DrawCompassLetters(QPainter& p, const SkyPaintInput& in) {
    p.setPen(Qt::white);
    p.setFont(in.fonts.letters);
    for (const CompassLetter& l :
         CompassLetters(in.state->heading, in.width, in.height, in.state->projection))
        DrawRotatedText(p, l.at, l.escapement, QString(QChar(l.letter)));
}

void DrawElevationRings(QPainter& p, const SkyPaintInput& in) {
    p.setFont(in.fonts.letters);
    for (const ElevationRing& r :
         ElevationRings(in.state->heading, in.width, in.height, in.state->projection)) {
        p.setPen(QPen(QColor(kSkyLightGrey), 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(EllipseRect(r.box.left, r.box.top, r.box.right, r.box.bottom));
        p.setPen(Qt::white);
        DrawRotatedText(p, r.labelAt, r.labelEscapement, DegreeLabel(r.elevation));
    }
    p.setPen(QPen(QColor(kSkyLightGrey), 1));
}

void DrawSpokes(QPainter& p, const SkyPaintInput& in) {
    const int h = in.state->heading;
    for (int a : {0, 90, 180, 270}) {
        const auto from = ProjectDeg(in, h + a, 5.0);
        const auto to = ProjectDeg(in, h + a, 80.0);
        if (from && to) p.drawLine(from->x, from->y, to->x, to->y);
    }
}

void DrawZenithCross(QPainter& p, const SkyPaintInput& in) {
    const int h = in.state->heading;
    for (int a : {0, 90}) {
        const auto from = ProjectDeg(in, h + a, 88.0);
        const auto to = ProjectDeg(in, h + a, 92.0);
        if (from && to) p.drawLine(from->x, from->y, to->x, to->y);
    }
}

void DrawSatellites(QPainter& p, const SkyPaintInput& in) {
    if (!in.passes) return;
    const SkyViewState& s = *in.state;
    const QPen orange(QColor(kSkyOrange), 1), yellow(QColor(kSkyYellow), 1),
        grey(QColor(kSkyGrey), 1);
    QPen current = orange;
    p.setBrush(QColor(kSkyYellow));
    p.setFont(in.fonts.small);
    const QFontMetrics fm(in.fonts.small, p.device());
    const char* unit = DistanceUnitSuffix(in.metric);
    for (PassRecord& r : *in.passes) {
        if (!SkyPassVisible(r)) continue;
        if (r.trackValid == 1) {
            p.setPen(yellow);
            p.drawPolyline(ProjectTrack(in, r.futureTrack));
            p.setPen(grey);
            p.drawPolyline(ProjectTrack(in, r.pastTrack));
            current = grey;
        }
        const auto pt = ProjectDeg(in, s.heading + r.currentAzimuth, r.currentElevation);
        if (!pt) continue;
        const int x = pt->x, y = pt->y;
        p.setPen(current);
        p.setBrush(QColor(kSkyYellow));
        p.drawEllipse(EllipseRect(x - 4, y - 4, x + 4, y + 4));
        r.screenBox = {x - 4, y - 4, x + 4, y + 4};

        const KeplerRecord* sat = in.satelliteOf ? in.satelliteOf(r) : nullptr;
        const QString name = sat ? Q(std::string(sat->Name())) : QString();
        char range[64];
        std::snprintf(range, sizeof range, "%0.1f %s", r.currentRange, unit);
        const LabelPlacement at =
            PlaceSatelliteLabels(x, y, fm.horizontalAdvance(name), fm.height(), in.width, in.height);
        p.setPen(Qt::white);
        if (s.showNames) DrawTextAt(p, at.name.x, at.name.y, name, Align::Centre);
        if (s.showRanges) DrawTextAt(p, at.range.x, at.range.y, QString::fromLatin1(range), Align::Centre);

        if (PassHasFlare(r)) {
            if (auto f = ProjectDeg(in, s.heading + r.flareAzimuth, r.flareElevation)) {
                const QPolygon star = ToPolygon(TransformPolygon(
                    FlareStarTemplate(), -s.heading, FlareMarkerScale(r.flareMagnitude), f->x, f->y));
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(kSkyOrange));
                p.drawPolygon(star, Qt::OddEvenFill);
                p.setPen(yellow);
                p.drawPolyline(star);
                current = grey;
            }
        }
        p.setPen(current);
    }
}

void DrawCornerTexts(QPainter& p, const SkyPaintInput& in) {
    const SkyViewState& s = *in.state;
    p.setFont(in.fonts.small);
    p.setPen(Qt::white);
    const QFontMetrics fm(in.fonts.small, p.device());
    const QString sunset = QStringLiteral("Sunset: ") + Q(s.sunsetText);
    const QString moonset = QStringLiteral("Moon sets: ") + Q(s.moonsetText);
    DrawTextAt(p, 5, 5, QStringLiteral("Sunrise: ") + Q(s.sunriseText), Align::Left);
    DrawTextAt(p, 5, fm.boundingRect(sunset).height() + 10, sunset, Align::Left);
    DrawTextAt(p, in.width - 5, 5, QStringLiteral("Moon rises: ") + Q(s.moonriseText), Align::Right);
    DrawTextAt(p, in.width - 5, fm.boundingRect(moonset).height() + 10, moonset, Align::Right);
}

void DrawHeadingIndicator(QPainter& p, const SkyPaintInput& in) {
    const SkyViewState& s = *in.state;
    if (s.dragLastX == 0) return;
    const QPolygon frame = ToPolygon(TransformPolygon(HeadingCalloutTemplate(), 0.0, 0.5,
                                                      in.width / 2 - 25, in.height - 33));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(frame);
    p.setPen(QPen(QColor(kSkyLightGrey), 1));
    p.drawPolyline(frame);
    p.setFont(in.fonts.bold);
    p.setPen(QColor(kSkyOrange));
    DrawTextAt(p, in.width / 2 + 3, in.height - 29,
               Q(HeadingIndicatorText(s.heading, s.projection)), Align::Centre);
}

QImage PaintSkyChart(const SkyPaintInput& in) {
    QImage image(std::max(1, in.width), std::max(1, in.height), QImage::Format_RGB32);
    QPainter p(&image);
    FillChartBackground(p, in);
    UpdateSunPosition(in);
    DrawSkyBackground(p, in);
    DrawStars(p, in);
    DrawSun(p, in);
    DrawMoon(p, in);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    DrawCompassLetters(p, in);
    DrawElevationRings(p, in);
    DrawSpokes(p, in);
    DrawZenithCross(p, in);
    DrawSatellites(p, in);
    DrawCornerTexts(p, in);
    DrawHeadingIndicator(p, in);
    return image;
}

}  // namespace orvanta
