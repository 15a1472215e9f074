#include "earthview/ui/earth_view_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/settings.h"
#include "earthview/map_projection.h"
#include "location/units.h"
#include "orbit/globals.h"

namespace orvanta {

namespace {

std::string Format(const char* format, auto... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

QRgb PixelOr(const QImage& image, int x, int y, QRgb fallback) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return fallback;
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
}

// The background turned by the offset: the image's date line moves to where the offset
// puts it, and the two pieces meet without a gap.
void DrawBackground(QPainter& p, const QImage& scaled, int w, int h, double c) {
    if (c == 0.0) {
        p.drawImage(0, 0, scaled);
        return;
    }
    if (c < 0) {
        const int d = static_cast<int>(w * -c / TWOPI);
        p.drawImage(QPoint(0, 0), scaled, QRect(d, 0, w - d, h));
        p.drawImage(QPoint(w - d, 0), scaled, QRect(0, 0, d, h));
    } else {
        const int d = static_cast<int>(w * c / TWOPI);
        p.drawImage(QPoint(0, 0), scaled, QRect(w - d, 0, d, h));
        p.drawImage(QPoint(d, 0), scaled, QRect(0, 0, w - d, h));
    }
}

// One-pixel lines written straight into the image: thousands of satellites give hundreds
// of thousands of short segments a second, too many for the painter's per-line set-up.
// Dotted lines keep their pattern across the segments of a polyline (one pixel on, two off).
class PixelLines {
public:
    PixelLines(QImage& image, QRgb colour, bool dotted)
        : bits_(reinterpret_cast<QRgb*>(image.bits())), stride_(image.bytesPerLine() / 4),
          width_(image.width()), height_(image.height()), colour_(colour), dotted_(dotted) {}

    void Line(int x0, int y0, int x1, int y1) {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            if (!dotted_ || phase_ == 0) Plot(x0, y0);
            if (++phase_ == 3) phase_ = 0;
            if (x0 == x1 && y0 == y1) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }

private:
    void Plot(int x, int y) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) bits_[y * stride_ + x] = colour_;
    }
    QRgb* bits_;
    int stride_, width_, height_;
    QRgb colour_;
    bool dotted_;
    int phase_ = 0;
};

// A polyline across the date line: a jump of more than half the map moves the pen to the
// edge on the new point's side instead of drawing across the map.
class DateLinePolyline {
public:
    DateLinePolyline(PixelLines& lines, int width) : lines_(lines), width_(width) {}
    void Start(const MapPoint& m) {
        penX_ = lastX_ = m.x;
        penY_ = m.y;
    }
    void To(const MapPoint& m) {
        const int half = width_ / 2;
        if (m.x - lastX_ > half) {
            penX_ = width_;
            penY_ = m.y;
        } else if (m.x - lastX_ < -half) {
            penX_ = 0;
            penY_ = m.y;
        } else {
            lines_.Line(penX_, penY_, m.x, m.y);
            penX_ = m.x;
            penY_ = m.y;
        }
        lastX_ = m.x;
    }

private:
    PixelLines& lines_;
    int width_;
    int lastX_ = 0, penX_ = 0, penY_ = 0;
};

// The split of a kept track at the time drawn: the points before `at` behind the marker,
// those after it ahead, whichever array they were computed in.
template <typename Fn>
void TrackSide(const TrackRecord& r, bool ahead, Fn fn) {
    // Index of the first future point after `at`; negative when the time went back and that
    // many past points lie ahead.
    int firstAhead = 0;
    if (r.at > r.trackAt && r.futureStep > 0.0)
        firstAhead = static_cast<int>(std::min<double>(FUTURE_TRACK_POINTS, (r.at - r.trackAt) / r.futureStep));
    else if (r.at < r.trackAt && r.pastStep > 0.0)
        firstAhead = -static_cast<int>(std::min<double>(PAST_TRACK_POINTS, (r.trackAt - r.at) / r.pastStep));
    if (ahead) {
        for (int k = std::max(0, -firstAhead) - 1; k >= 0 && firstAhead < 0; --k) fn(r.past[k]);
        for (int k = std::max(0, firstAhead); k < FUTURE_TRACK_POINTS; ++k) fn(r.future[k]);
    } else {
        for (int k = firstAhead - 1; k >= 0; --k) fn(r.future[k]);
        for (int k = std::max(0, -firstAhead); k < PAST_TRACK_POINTS; ++k) fn(r.past[k]);
    }
}

// A marker disc as the painter draws it (aliased, outline and fill of one colour), kept as
// the pixel offsets from its centre so thousands of markers are written straight in.
struct MarkerGlyph {
    std::vector<QPoint> offsets;
};

MarkerGlyph MakeGlyph(int radius) {
    const int size = 2 * radius + 5;
    QImage glyph(size, size, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    {
        QPainter g(&glyph);
        g.setPen(QColor(255, 255, 255));
        g.setBrush(QColor(255, 255, 255));
        g.drawEllipse(QRect(2, 2, 2 * radius, 2 * radius));
    }
    MarkerGlyph out;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (qAlpha(glyph.pixel(x, y)) > 127) out.offsets.emplace_back(x - 2 - radius, y - 2 - radius);
    return out;
}

const MarkerGlyph& Glyph(int radius) {
    static const MarkerGlyph kGlyphs[] = {MakeGlyph(1), MakeGlyph(2), MakeGlyph(4)};
    return kGlyphs[radius == 1 ? 0 : radius == 2 ? 1 : 2];
}

}  // namespace

LabelOccupancy::LabelOccupancy(int width, int height)
    : columns_(std::max(1, width / kCell + 1)), rows_(std::max(1, height / kCell + 1)),
      cells_(static_cast<std::size_t>(columns_) * rows_) {}

template <typename Fn>
void LabelOccupancy::ForCells(const QRect& box, Fn fn) const {
    const int x0 = std::clamp(box.left() / kCell, 0, columns_ - 1);
    const int x1 = std::clamp(box.right() / kCell, 0, columns_ - 1);
    const int y0 = std::clamp(box.top() / kCell, 0, rows_ - 1);
    const int y1 = std::clamp(box.bottom() / kCell, 0, rows_ - 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) fn(static_cast<std::size_t>(y) * columns_ + x);
}

bool LabelOccupancy::Free(const QRect& box) const {
    bool free = true;
    ForCells(box, [&](std::size_t cell) {
        for (const QRect& other : cells_[cell])
            if (other.intersects(box)) free = false;
    });
    return free;
}

void LabelOccupancy::Take(const QRect& box) {
    ForCells(box, [&](std::size_t cell) {
        cells_[cell].push_back(box);
    });
}

const QImage& EarthBackgroundCache::Scaled(const QImage& background, int width, int height) {
    if (background.cacheKey() != key_ || size_ != QSize(width, height)) {
        scaled_ = background.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                      .convertToFormat(QImage::Format_RGB32);
        key_ = background.cacheKey();
        size_ = QSize(width, height);
    }
    return scaled_;
}

const QStaticText& EarthBackgroundCache::Label(const std::string& text, const QFont& font) {
    if (font != labelFont_) {
        labels_.clear();
        labelFont_ = font;
    }
    auto it = labels_.find(text);
    if (it == labels_.end()) {
        QStaticText label(QString::fromStdString(text));
        label.setTextFormat(Qt::PlainText);
        label.prepare(QTransform(), font);
        it = labels_.emplace(text, std::move(label)).first;
    }
    return it->second;
}

std::string TrimmedName(const KeplerRecord& record) {
    std::string name(record.Name());
    while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
    return name;
}

void PaintEarthMap(QImage& target, const EarthPaintInput& in, const DrawingObjects& objects,
                   EarthBackgroundCache* cache) {
    const int w = target.width();
    const int h = target.height();
    if (w <= 0 || h <= 0) return;
    const double c = in.offset;
    EarthBackgroundCache local;
    EarthBackgroundCache& labels = cache ? *cache : local;
    QPainter p(&target);
    if (in.background && !in.background->isNull()) {
        DrawBackground(p, labels.Scaled(*in.background, w, h), w, h, c);
    } else {
        p.fillRect(0, 0, w, h, Qt::black);
    }

    if (in.showHome) {
        const MapPoint m = ProjectToMap(in.home.latitude * DEG_TO_RAD,
                                        in.home.longitude * DEG_TO_RAD, w, h, c);
        p.setPen(objects.yellow);
        p.drawLine(m.x, m.y - 5, m.x, m.y + 5);
        p.drawLine(m.x - 5, m.y, m.x + 5, m.y);
    }

    if (in.showCloudLine) {
        p.setFont(objects.smallFont);
        p.setPen(QColor(192, 0, 0));
        p.drawText(QRect(0, 2, w - 2, h), Qt::AlignRight | Qt::AlignTop,
                   QString::fromStdString(in.cloudLine));
    }

    const bool haveSatellites = in.selection && in.records && in.catalogue &&
                                in.records->size() == in.selection->size();
    if (haveSatellites) {
        // Horizons and tracks of every shown satellite first, straight into the pixels;
        // the markers and names then go on top of all of them.
        p.end();
        for (std::size_t i = 0; i < in.selection->size(); ++i) {
            const SelectedSat& s = (*in.selection)[i];
            const TrackRecord& r = (*in.records)[i];
            if (!s.shown || !r.computed) continue;
            const MapPoint now = ProjectToMap(r.now.lat, r.now.lon, w, h, c);
            if (s.radioHorizon) {
                PixelLines pixels(target, objects.orange.color().rgb(), false);
                DateLinePolyline line(pixels, w);
                line.Start(ProjectToMap(r.horizon[0].lat, r.horizon[0].lon, w, h, c));
                for (int k = 0; k < HORIZON_POINTS; ++k)
                    line.To(ProjectToMap(r.horizon[k].lat, r.horizon[k].lon, w, h, c));
            }
            if (s.track && r.hasTrack) {
                PixelLines past(target, objects.greyDotted.color().rgb(), true);
                DateLinePolyline behind(past, w);
                behind.Start(now);
                TrackSide(r, false, [&](const GeoPoint& g) { behind.To(ProjectToMap(g.lat, g.lon, w, h, c)); });
                PixelLines future(target, objects.oliveDotted.color().rgb(), true);
                DateLinePolyline ahead(future, w);
                ahead.Start(now);
                TrackSide(r, true, [&](const GeoPoint& g) { ahead.To(ProjectToMap(g.lat, g.lon, w, h, c)); });
            }
        }
        const QRgb dark = qRgb(0, 0, 0);
        // Colours follow the map and tracks under a marker or name, not the markers drawn
        // before it: in a crowd those would turn every later one red.
        const QImage ground = target.copy();
        // Markers also go straight into the pixels, one glyph per size and colour.
        QRgb* bits = reinterpret_cast<QRgb*>(target.bits());
        const int stride = target.bytesPerLine() / 4;
        const QRgb yellow = objects.yellow.color().rgb(), red = objects.red.color().rgb();
        // Markers per 4 x 4 pixel cell: a name that would hide more than a couple of other
        // satellites is left out, so a crowded map shows its markers, not a sheet of text.
        constexpr int kCell = 4, kMaxHidden = 2;
        const int cellColumns = w / kCell + 1, cellRows = h / kCell + 1;
        std::vector<std::uint16_t> markers(static_cast<std::size_t>(cellColumns) * cellRows, 0);
        for (std::size_t i = 0; i < in.selection->size(); ++i) {
            const SelectedSat& s = (*in.selection)[i];
            TrackRecord& r = (*in.records)[i];
            if (!s.shown || !r.computed) continue;
            const MapPoint now = ProjectToMap(r.now.lat, r.now.lon, w, h, c);
            const MapPoint one = ProjectToMap(r.oneMinuteAgo.lat, r.oneMinuteAgo.lon, w, h, c);
            const MapPoint two = ProjectToMap(r.twoMinutesAgo.lat, r.twoMinutesAgo.lon, w, h, c);
            const int small = s.track ? 2 : 1;
            const int large = s.track ? 4 : 2;
            for (const auto& [m, radius] : {std::pair{one, small}, {two, small}, {now, large}}) {
                // A marker stands out against the ground under it: yellow on dark, red on
                // light.
                const QRgb under = PixelOr(ground, m.x - 2, m.y - 2, dark);
                const QRgb colour = qRed(under) <= 200 || qGreen(under) <= 200 ? yellow : red;
                for (const QPoint& d : Glyph(radius).offsets) {
                    const int x = m.x + d.x(), y = m.y + d.y();
                    if (x >= 0 && y >= 0 && x < w && y < h) bits[y * stride + x] = colour;
                }
            }
            r.hitLeft = now.x - 5;
            r.hitTop = now.y - 5;
            r.hitRight = now.x + 5;
            r.hitBottom = now.y + 5;
            if (now.x >= 0 && now.y >= 0 && now.x < w && now.y < h)
                ++markers[static_cast<std::size_t>(now.y / kCell) * cellColumns + now.x / kCell];
        }
        auto hidden = [&](const QRect& box) {
            int count = 0;
            for (int y = std::max(0, box.top() / kCell); y <= std::min(cellRows - 1, box.bottom() / kCell); ++y)
                for (int x = std::max(0, box.left() / kCell); x <= std::min(cellColumns - 1, box.right() / kCell); ++x)
                    count += markers[static_cast<std::size_t>(y) * cellColumns + x];
            return count;
        };
        p.begin(&target);
        p.setFont(objects.labelFont);
        const QFontMetrics metrics(objects.labelFont);
        LabelOccupancy placed(w, h);  // names drawn so far: a later one must not cover them
        for (std::size_t i = 0; i < in.selection->size(); ++i) {
            const SelectedSat& s = (*in.selection)[i];
            const TrackRecord& r = (*in.records)[i];
            if (!s.shown || !r.computed) continue;
            const MapPoint now = ProjectToMap(r.now.lat, r.now.lon, w, h, c);
            const MapPoint two = ProjectToMap(r.twoMinutesAgo.lat, r.twoMinutesAgo.lon, w, h, c);
            if (s.nameLabel) {
                const KeplerRecord* record = SelectedRecord(*in.catalogue, s);
                if (!record) continue;
                const QStaticText& label = labels.Label(TrimmedName(*record), objects.labelFont);
                const int cx = qCeil(label.size().width());
                const int cy = metrics.height();
                const int x = now.x, y = now.y;
                const int lx = std::clamp(x, cx / 2, std::max(cx / 2, w - cx / 2));
                const bool clamped = lx != x;
                int ly;
                if (y < two.y)
                    ly = y < 1.5 * cy ? static_cast<int>(y + 0.5 * cy) : static_cast<int>(y - 1.5 * cy);
                else if (clamped)
                    ly = y > h - 1.5 * cy ? static_cast<int>(y - 2.5 * cy) : static_cast<int>(y + 0.5 * cy);
                else
                    ly = y + 2.5 * cy > h ? static_cast<int>(y - 1.5 * cy) : static_cast<int>(y + 0.5 * cy);
                auto covers = [&](int top) {
                    const QRect box(lx - cx / 2, top, cx, cy);
                    return !placed.Free(box) || hidden(box) > kMaxHidden;
                };
                if (covers(ly)) {
                    // The other side of the marker, else no name: a crowd stays legible.
                    ly = ly > y ? static_cast<int>(y - 1.5 * cy) : static_cast<int>(y + 0.5 * cy);
                    if (covers(ly)) continue;
                }
                placed.Take(QRect(lx - cx / 2, ly, cx, cy));
                const QRgb under = PixelOr(ground, lx, ly, dark);
                // A dark shadow keeps the name readable over other satellites' markers.
                p.setPen(Qt::black);
                p.drawStaticText(QPoint(lx - cx / 2 + 1, ly + 1), label);
                p.setPen(qRed(under) > 200 && qGreen(under) > 200 ? QColor(255, 0, 0)
                                                                    : QColor(255, 255, 0));
                p.drawStaticText(QPoint(lx - cx / 2, ly), label);
            }
        }
    }

    if (in.dragging) {
        static const QPoint kCallout[8] = {{0, 0},   {0, 25},  {65, 25}, {65, 0},
                                           {35, 0},  {30, -8}, {25, 0},  {0, 0}};
        const int ox = w / 2 - 30, oy = h - in.statusBarHeight;
        QPolygon callout;
        for (const QPoint& q : kCallout) callout << q + QPoint(ox, oy);
        p.setPen(objects.lightGrey);
        p.setBrush(Qt::black);
        p.drawPolygon(callout, Qt::OddEvenFill);
        const double degrees = c * RAD_TO_DEG;
        const std::string text =
            degrees >= 0 ? Format("%03.1f\xC2\xB0W", degrees) : Format("%03.1f\xC2\xB0" "E", -degrees);
        p.setFont(objects.largeFont);
        p.setPen(QColor(255, 170, 0));
        p.drawText(QRect(w / 2 + 4 - 100, oy + 3, 200, 40), Qt::AlignHCenter | Qt::AlignTop,
                   QString::fromStdString(text));
        p.setPen(objects.lightGrey);
        p.drawLine(w / 2, h - 33, w / 2, 0);
    }
}

std::string DetailLine(const std::string& name, const TrackRecord& r, int metric) {
    const double lat = r.now.lat * RAD_TO_DEG;
    double lon = r.now.lon * RAD_TO_DEG;
    while (lon > 180.0) lon -= 360.0;
    while (lon < -180.0) lon += 360.0;
    return Format("%s: %s %02.2f  %s %03.2f Altitude: %03.2f %s Az:%03.1f El:%02.1f", name.c_str(),
                  lat >= 0 ? "N" : "S", std::fabs(lat), lon >= 0 ? "E" : "W", std::fabs(lon),
                  KilometresToDisplayUnit(r.now.alt, metric), DistanceUnitSuffix(metric),
                  r.azimuth * RAD_TO_DEG, r.elevation * RAD_TO_DEG);
}

std::string MouseLine(int x, int y, int width, int height, double offset) {
    const MapCoordinates m = MapToCoordinates(x, y, width, height, offset);
    return Format("Mouse: %s %02.2f  %s %03.2f", m.lat >= 0 ? "N" : "S",
                  std::fabs(m.lat * RAD_TO_DEG), m.westLon < 0 ? "E" : "W",
                  std::fabs(m.westLon * RAD_TO_DEG));
}

}  // namespace orvanta
