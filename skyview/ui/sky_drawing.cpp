#include "skyview/ui/sky_drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTransform>
#include <cmath>
#include <cstdio>

#include "astro/sun_moon.h"
#include "catalogue/pass_list.h"
#include "common/settings.h"
#include "common/ui/drawing_objects.h"
#include "skyview/sky_bodies.h"
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

// The screen box a centre-top text turned by an escapement (tenths of a degree,
// counter-clockwise) covers.
PixelBox RotatedTextBox(QPainter& p, const SkyPoint& at, int escapement, const QString& text) {
    const QFontMetrics fm(p.font(), p.device());
    const int w = fm.horizontalAdvance(text);
    QTransform t;
    t.translate(at.x, at.y);
    t.rotate(-escapement / 10.0);
    const QRect r = t.mapRect(QRect(-w / 2, 0, w, fm.height()));
    return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

// Centre-top text turned by an escapement in tenths of a degree, counter-clockwise.
void DrawRotatedText(QPainter& p, const SkyPoint& at, int escapement, const QString& text) {
    p.save();
    p.translate(at.x, at.y);
    p.rotate(-escapement / 10.0);
    DrawTextAt(p, 0, 0, text, Align::Centre);
    p.restore();
}

// Trailing blanks are padding of the element file, not part of the name: centring them
// would put the text left of its marker.
QString DisplayName(const std::string& name) {
    QString q = Q(name);
    while (!q.isEmpty() && q.back().isSpace()) q.chop(1);
    return q;
}

// The lit part of a Moon disc of radius r at the origin with its bright limb along +x:
// the limb's half circle and, back from the bottom to the top, the terminator, the half
// ellipse x = (1 - 2k) * sqrt(r^2 - y^2).
QPainterPath LitMoonPath(double r, double k) {
    QPainterPath path;
    constexpr int kSteps = 24;
    constexpr double kPi = 3.14159265358979323846;
    for (int i = 0; i <= kSteps; ++i) {
        const double a = -kPi / 2 + kPi * i / kSteps;
        const QPointF pt(r * std::cos(a), r * std::sin(a));
        if (i == 0) path.moveTo(pt);
        else path.lineTo(pt);
    }
    for (int i = 0; i <= kSteps; ++i) {
        const double a = kPi / 2 - kPi * i / kSteps;
        path.lineTo((1.0 - 2.0 * k) * r * std::cos(a), r * std::sin(a));
    }
    path.closeSubpath();
    return path;
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
    // The realistic daylight sky hides the stars, twilight all but the brighter ones.
    const std::optional<double> limit = VisibleStarLimit(s.magLimit, s.sunEl, s.drawRealSky != 0);
    if (!s.showStars || !limit) {
        // Hidden stars must not answer tooltips from where they were last drawn.
        for (ScreenBox& b : in.stars->boxes) b = ScreenBox{};
        return;
    }
    SkyViewState limited = s;
    limited.magLimit = *limit;
    static thread_local std::vector<StarDisc> discs;
    ComputeStarDiscs(*in.stars, limited, ApparentSiderealTime(in.now), in.observer.latitude,
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
    // The dark disc with its outline, so a new Moon can still be found, then the lit part.
    p.setBrush(QColor(kSkyDarkGrey));
    p.drawEllipse(EllipseRect(pt->x - 6, pt->y - 6, pt->x + 6, pt->y + 6));
    s.moonBox = {pt->x - 6, pt->y - 6, pt->x + 6, pt->y + 6};
    const auto look = MoonChartPlace(in.now, in.observer.latitude, in.observer.longitude,
                                     s.heading, in.width, in.height, s.projection);
    if (!look) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(pt->x - 0.5, pt->y - 0.5);
    p.rotate(look->limbScreenAngle * 180.0 / 3.14159265358979323846);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(Qt::white));
    p.drawPath(LitMoonPath(5.5, look->illuminated));
    p.restore();
}

void DrawCompassLetters(QPainter& p, const SkyPaintInput& in) {
    p.setPen(Qt::white);
    p.setFont(in.fonts.letters);
    for (const CompassLetter& l :
         CompassLetters(in.state->heading, in.width, in.height, in.state->projection)) {
        const QString text(QChar(l.letter));
        DrawRotatedText(p, l.at, l.escapement, text);
        if (in.labels) in.labels->push_back(RotatedTextBox(p, l.at, l.escapement, text));
    }
}

void DrawElevationRings(QPainter& p, const SkyPaintInput& in) {
    p.setFont(in.fonts.letters);
    for (const ElevationRing& r :
         ElevationRings(in.state->heading, in.width, in.height, in.state->projection)) {
        p.setPen(QPen(QColor(kSkyLightGrey), 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(EllipseRect(r.box.left, r.box.top, r.box.right, r.box.bottom));
        p.setPen(Qt::white);
        // Near the horizon the Polar rings lie closer than a label is high: a label that
        // would touch another slides along its own ring, and is left out if it finds no room.
        const QString text = DegreeLabel(r.elevation);
        const int sign = IsNeswProjection(in.state->projection) ? -1 : 1;
        for (int slide : {0, -15, 15, -30, 30}) {
            const auto at = slide == 0 ? std::optional<SkyPoint>(r.labelAt)
                                       : ProjectDeg(in, in.state->heading - 45 + slide, r.elevation);
            if (!at) continue;
            const int escapement = r.labelEscapement + sign * 10 * slide;
            const PixelBox box = RotatedTextBox(p, *at, escapement, text);
            if (in.labels && OverlapsAny(box, *in.labels)) continue;
            DrawRotatedText(p, *at, escapement, text);
            if (in.labels) in.labels->push_back(box);
            break;
        }
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
        const QString name = sat ? DisplayName(std::string(sat->Name())) : QString();
        char range[64];
        std::snprintf(range, sizeof range, "%0.1f %s", r.currentRange, unit);
        const QString rangeText = QString::fromLatin1(range);
        p.setPen(Qt::white);
        // Labels go where they cover no letter, ring label or earlier satellite's labels;
        // with no room left they are left out.
        static const std::vector<PixelBox> kNoLabels;
        const auto clear = PlaceLabelsClear(
            x, y, s.showNames ? fm.horizontalAdvance(name) : 0,
            s.showRanges ? fm.horizontalAdvance(rangeText) : 0, fm.height(), in.width,
            in.height, in.labels ? *in.labels : kNoLabels);
        if (clear) {
            if (s.showNames) DrawTextAt(p, clear->at.name.x, clear->at.name.y, name, Align::Centre);
            if (s.showRanges)
                DrawTextAt(p, clear->at.range.x, clear->at.range.y, rangeText, Align::Centre);
            if (in.labels) in.labels->push_back(clear->box);
        }

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
    // The callout names the azimuth at the top, so it hangs below the top centre with its
    // pointer turned up at it (clear of the compass letter there).
    const QPolygon frame = ToPolygon(TransformPolygon(HeadingCalloutTemplate(), 180.0, 0.5,
                                                      in.width / 2 + 25, 51));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(frame);
    p.setPen(QPen(QColor(kSkyLightGrey), 1));
    p.drawPolyline(frame);
    p.setFont(in.fonts.bold);
    p.setPen(QColor(kSkyOrange));
    DrawTextAt(p, in.width / 2 + 3, 30,
               Q(HeadingIndicatorText(s.heading, s.projection)), Align::Centre);
}

QImage PaintSkyChart(const SkyPaintInput& input) {
    SkyPaintInput in = input;
    std::vector<PixelBox> labels;
    if (!in.labels) in.labels = &labels;
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
