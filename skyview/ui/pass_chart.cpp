#include "skyview/ui/pass_chart.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

#include "astro/rise_set.h"
#include "astro/sun_moon.h"
#include "catalogue/pass_finder.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"
#include "skyview/sky_chart.h"
#include "skyview/ui/sky_drawing.h"
#include "skyview/ui/sky_view_render.h"

namespace orvanta {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxPassNumber = 100;

// The time of day, or the date too on a pass of a day or more.
QString TimeText(double jd, bool withDate) {
    const cJulianDate t = cJulianDate::FromJd(jd);
    return QString::fromStdString(withDate ? FormatDateTime(t) : FormatTime(t));
}

struct ChartTrack {
    std::vector<QPointF> points;  // one per row, or empty when a row falls off the chart
    std::vector<double> times;
};

ChartTrack ProjectRows(const PassChartInput& in, QSize size) {
    ChartTrack track;
    for (const PassDetailRow& r : in.rows) {
        const auto pt = Project(DegToRadians(in.options.heading + r.azimuth),
                                DegToRadians(std::max(0.0, r.elevation)), size.width(),
                                size.height(), in.options.projection);
        if (!pt) continue;
        track.points.emplace_back(pt->x, pt->y);
        track.times.push_back(r.time);
    }
    return track;
}

// The point at a time, between two rows on the screen rather than in azimuth, so a track
// through north does not swing round the chart.
QPointF TrackAt(const ChartTrack& t, double jd) {
    const auto later = std::lower_bound(t.times.begin(), t.times.end(), jd);
    if (later == t.times.begin()) return t.points.front();
    if (later == t.times.end()) return t.points.back();
    const std::size_t i = static_cast<std::size_t>(later - t.times.begin());
    const double span = t.times[i] - t.times[i - 1];
    const double f = span > 0.0 ? (jd - t.times[i - 1]) / span : 0.0;
    return t.points[i - 1] + (t.points[i] - t.points[i - 1]) * f;
}

// A label box beside a point, pushed toward the centre so the ones at the rim stay on the
// chart, and down past the boxes already drawn.
QRectF LabelBox(QPointF at, QSizeF text, QSizeF size, const std::vector<QRectF>& taken) {
    const bool right = at.x() > size.width() / 2.0;
    const bool below = at.y() < size.height() / 2.0;
    QRectF box(right ? at.x() - 8 - text.width() : at.x() + 8,
               below ? at.y() + 4 : at.y() - 4 - text.height(), text.width(), text.height());
    for (int tries = 0; tries < 8; ++tries) {
        const bool clash = std::any_of(taken.begin(), taken.end(),
                                       [&](const QRectF& r) { return r.intersects(box); });
        if (!clash) break;
        box.translate(0, below ? text.height() : -text.height());
    }
    box.moveLeft(std::clamp(box.left(), 2.0, std::max(2.0, size.width() - box.width() - 2)));
    box.moveTop(std::clamp(box.top(), 2.0, std::max(2.0, size.height() - box.height() - 2)));
    return box;
}

void DrawTrack(QPainter& p, const PassChartInput& in, QSize size, const QFont& font) {
    const ChartTrack track = ProjectRows(in, size);
    if (track.points.size() < 2) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const auto visibleAt = [&](double t) {
        return in.visibleEnd > in.visibleStart && t >= in.visibleStart && t <= in.visibleEnd;
    };
    std::size_t row = 0;
    for (std::size_t i = 1; i < track.points.size(); ++i) {
        while (row + 1 < in.rows.size() && in.rows[row].time < track.times[i]) ++row;
        const double mid = (track.times[i - 1] + track.times[i]) / 2.0;
        const bool lit = in.rows[row].sunlit;
        p.setPen(visibleAt(mid) ? QPen(QColor(kSkyYellow), 3)
                 : lit          ? QPen(QColor(kSkyOrange), 2)
                                : QPen(QColor(150, 150, 150), 2));
        p.drawLine(track.points[i - 1], track.points[i]);
    }
    const double aos = track.times.front(), los = track.times.back();
    const bool days = los - aos >= 1.0;
    const double spacing = PassTickSpacing(aos, los);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (double t = std::ceil(aos / spacing) * spacing; t < los; t += spacing)
        p.drawEllipse(TrackAt(track, t), 2.0, 2.0);

    p.setFont(font);
    const QFontMetrics fm(font, p.device());
    // The caption bottom left, clear of the rise and set texts at the top; the labels
    // keep off it.
    const QString caption = QString::fromStdString(in.name) + QStringLiteral(" at ") +
                            QString::fromStdString(FormatDateTime(cJulianDate::FromJd(in.atJd)));
    p.setPen(Qt::white);
    p.drawText(QPointF(5, size.height() - 5 - fm.descent()), caption);
    std::vector<QRectF> taken{
        QRectF(5, size.height() - 5 - fm.height(), fm.horizontalAdvance(caption), fm.height())};
    const QSizeF s(size);
    const auto label = [&](QPointF at, const QString& text, QColor colour) {
        const QRectF box =
            LabelBox(at, QSizeF(fm.horizontalAdvance(text) + 2, fm.height()), s, taken);
        taken.push_back(box);
        // A dark backing keeps the text readable over the stars and the daylight sky.
        p.fillRect(box.adjusted(-2, 0, 2, 0), QColor(0, 0, 0, 150));
        p.setPen(colour);
        p.drawText(box, Qt::AlignCenter, text);
    };
    const QPointF sat = TrackAt(track, std::clamp(in.atJd, aos, los));
    for (const auto& [at, name, colour, when] :
         {std::tuple{track.points.front(), "AOS ", QColor(0, 230, 0), aos},
          std::tuple{track.points.back(), "LOS ", QColor(255, 110, 110), los}}) {
        p.setPen(QPen(colour, 1));
        p.setBrush(colour);
        p.drawEllipse(at, 3.5, 3.5);
        label(at, QString::fromLatin1(name) + TimeText(when, days), colour);
    }
    p.setPen(QPen(QColor(kSkyOrange), 1));
    p.setBrush(QColor(kSkyYellow));
    p.drawEllipse(sat, 4.5, 4.5);
    label(sat, QString::fromStdString(in.name) + QLatin1Char(' ') + TimeText(in.atJd, days),
          Qt::white);

    p.restore();
}

// The lit part of a Moon disc of radius r at the origin with its bright limb along +x: the
// limb's half circle and back along the terminator's half ellipse.
QPainterPath LitMoonPath(double r, double k) {
    QPainterPath path;
    constexpr int kSteps = 24;
    for (int i = 0; i <= kSteps; ++i) {
        const double a = -kPi / 2 + kPi * i / kSteps;
        const QPointF pt(r * std::cos(a), r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    for (int i = 0; i <= kSteps; ++i) {
        const double a = kPi / 2 - kPi * i / kSteps;
        path.lineTo((1.0 - 2.0 * k) * r * std::cos(a), r * std::sin(a));
    }
    path.closeSubpath();
    return path;
}

}  // namespace

void DrawSunSymbol(QPainter& p, QPointF at) {
    p.save();
    p.setPen(QPen(QColor(kSkyOrange), 1));
    p.setBrush(QColor(kSkyYellow));
    p.drawEllipse(at, 6.0, 6.0);
    p.restore();
}

void DrawMoonSymbol(QPainter& p, QPointF at, double illuminated, double limbAngleRad) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(kSkyLightGrey), 1));
    p.setBrush(QColor(kSkyDarkGrey));
    p.drawEllipse(at, 6.0, 6.0);
    p.translate(at);
    p.rotate(limbAngleRad * 180.0 / kPi);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(LitMoonPath(5.5, illuminated));
    p.restore();
}

QImage RenderPassChart(const PassChartInput& input, QSize size) {
    EnsureStarsLoaded();
    SkyViewState state = input.options;
    const double jd = input.atJd;
    FillRiseSetTexts(state, jd, input.observer);

    SkyPaintInput in;
    in.state = &state;
    in.width = size.width();
    in.height = size.height();
    in.observer = input.observer;
    const std::shared_ptr<StarCatalogue> stars = GetStarCatalogue();
    in.stars = stars.get();
    in.fonts = DefaultSkyFonts();
    // The realistic sky tells morning from evening by the Sun a second earlier.
    in.now = jd - 1.0 / 86400.0;
    UpdateSunPosition(in);
    in.now = jd;
    QImage image = PaintSkyChart(in);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    DrawTrack(p, input, size, in.fonts.small);
    return image;
}

QImage RenderPassChartView(const RenderContext& context, const RenderRequest& request) {
    const auto fail = [&](const std::string& why) {
        if (request.error) *request.error = why;
        return QImage();
    };
    if (request.satellite <= 0) return fail("passchart needs --sat CATNR");
    if (request.passNumber < 1 || request.passNumber > kMaxPassNumber)
        return fail("--pass wants a number from 1 to " + std::to_string(kMaxPassNumber));
    const KeplerRecord* sat =
        context.catalogue.At(FindCatalogueIndex(context.catalogue, request.satellite));
    if (!sat)
        return fail("satellite " + std::to_string(request.satellite) +
                    " is not in the element file");

    PassSearchSatellite search;
    search.name = std::string(sat->Name());
    search.line1 = std::string(sat->Line1());
    search.line2 = std::string(sat->Line2());
    search.catalogueNumber = sat->catalogueNumber;
    SatelliteSearchContext ctx;
    ctx.now = request.julianDate;
    ctx.observer = context.settings.observer;
    ctx.options.passesPerSatellite = request.passNumber;
    ctx.options.visibility = true;
    ctx.log = [](int, const std::string&) {};
    ctx.formatDateTime = [](double t) { return FormatUtcDateTime(t); };
    std::vector<PassRecord> passes(static_cast<std::size_t>(request.passNumber));
    const SatelliteSearchResult result = SearchSatellitePasses(search, 0, ctx, passes.data());
    const PassRecord& pass = passes.back();
    if (result.passes < request.passNumber || pass.los == 0.0) {
        std::string why = "satellite " + std::to_string(request.satellite) + " has no pass " +
                          std::to_string(request.passNumber) + " after " +
                          FormatIsoUtcSeconds(request.julianDate);
        if (result.end == SatelliteSearchEnd::GEOSYNCHRONOUS) why += " (geostationary)";
        if (result.end == SatelliteSearchEnd::NEVER_SETS) why += " (it never sets)";
        return fail(why);
    }

    PassDetailsRequest details;
    details.observer = ctx.observer;
    details.aosJd = pass.aos;
    details.losJd = pass.los;
    details.stepSeconds = DefaultPassDetailStep(pass.aos, pass.los);
    PassChartInput input;
    if (!ComputePassDetails(cElementSet(search.name, search.line1, search.line2), details,
                            input.rows))
        return fail("the orbit cannot be propagated over the pass");
    LoadSkyStartupOptions(input.options, context.settings);
    input.observer = ctx.observer;
    input.name = std::string(sat->DisplayName());
    input.atJd = PassHighlightTime(pass, input.rows);
    if (pass.HasVisibleWindow()) {
        input.visibleStart = pass.visibleStart;
        input.visibleEnd = pass.visibleEnd;
    }
    return RenderPassChart(input, request.size);
}

PassStarChart::PassStarChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("passStarChart"));
    setMinimumSize(200, 200);
}

void PassStarChart::SetPass(PassChartInput input) {
    input_ = std::move(input);
    cache_ = QImage();
    update();
}

void PassStarChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(kSkyDarkGrey));
    // The chart is round: drawn square and centred, so stars and tracks keep their shape.
    const int side = std::min(width(), height());
    if (side < 2 || input_.rows.empty()) return;
    if (cache_.size() != QSize(side, side)) cache_ = RenderPassChart(input_, QSize(side, side));
    p.drawImage((width() - side) / 2, (height() - side) / 2, cache_);
}

}  // namespace orvanta
