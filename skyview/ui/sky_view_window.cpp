#include "skyview/ui/sky_view_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "astro/rise_set.h"
#include "common/event_log.h"
#include "common/settings_records.h"
#include "common/time_format.h"
#include "common/ui/help_window.h"
#include "common/ui/window_placement.h"
#include "location/rise_set_recompute.h"
#include "orbit/julian_date.h"
#include "skyview/sky_chart.h"
#include "skyview/sky_tick.h"

namespace orvanta {

namespace {

std::uint32_t MonotonicTick() {
    static QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<std::uint32_t>(since.elapsed());
}

}  // namespace

QString SkyTooltipHtml(const std::string& text) {
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=1>");
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\r'))) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        html += QStringLiteral("<tr>");
        if (cells.size() == 1) {
            html += QStringLiteral("<td colspan=2><b>") + cells[0].toHtmlEscaped() +
                    QStringLiteral("</b></td>");
        } else {
            html += QStringLiteral("<td>") + cells[0].toHtmlEscaped() +
                    QStringLiteral("&nbsp;&nbsp;</td><td>") +
                    cells.mid(1).join(QLatin1Char(' ')).toHtmlEscaped() + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

SkyViewWindow::SkyViewWindow(ISkyViewHost& host, SkyViewState& state, TickSource tick,
                             bool startTimer)
    : QWidget(nullptr), host_(host), state_(state), tick_(tick ? std::move(tick) : MonotonicTick) {
    setObjectName(QStringLiteral("SkyView"));
    setWindowTitle(QStringLiteral("Skyview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    resize(kDefaultWidth, kDefaultHeight);
    fonts_ = DefaultSkyFonts();

    RestoreWindowPlacement(*this, "Skyview");
    OpenSkyViewState(state_, tick_());
    BuildMenu();
    connect(&timer_, &QTimer::timeout, this, &SkyViewWindow::OnSkyTimer);
    if (startTimer) timer_.start(1000);
}

SkyViewWindow::~SkyViewWindow() {
    if (tooltip_) delete tooltip_;
}

void SkyViewWindow::BuildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("skyMenu"));
    auto add = [this](QMenu* m, const char* text, int id) {
        QAction* a = m->addAction(QString::fromUtf8(text));
        a->setData(id);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, id] {
            ApplySkyMenuCommand(state_, id);
            RefreshMenuChecks();
        });
        return a;
    };
    add(menu_, "Show Sat Name", SKY_CMD_SHOW_NAMES);
    add(menu_, "Show Sat Range", SKY_CMD_SHOW_RANGES);
    add(menu_, "Show Sat Tracks", SKY_CMD_SHOW_TRACKS);
    menu_->addSeparator();
    add(menu_, "Show Stars", SKY_CMD_SHOW_STARS);
    QMenu* mag = menu_->addMenu(QStringLiteral("Magnitude Limit"));
    const char* limits[] = {"6.5", "5.5", "4.5", "3.5", "2.5", "1.0"};
    for (int i = 0; i < 6; ++i) add(mag, limits[i], SKY_CMD_MAG_65 + i);
    QMenu* size = menu_->addMenu(QStringLiteral("Star Size"));
    add(size, "Minimum 1 Pixel (Ideal for TFT/LCD)", SKY_CMD_STAR_SIZE_1);
    add(size, "Minimum 2 Pixels (Ideal for CRT's)", SKY_CMD_STAR_SIZE_2);
    menu_->addSeparator();
    add(menu_, "Draw RealSky", SKY_CMD_REAL_SKY);
    menu_->addSeparator();
    QMenu* proj = menu_->addMenu(QStringLiteral("Projection Type"));
    add(proj, "NWSE Stretched", SKY_CMD_STRETCHED_NWSE);
    add(proj, "Polar NWSE", SKY_CMD_POLAR_NWSE);
    add(proj, "NESW Stretched", SKY_CMD_STRETCHED_NESW);
    add(proj, "Polar NESW (Kaltrop Projection)", SKY_CMD_POLAR_NESW);
    QAction* reset = menu_->addAction(QStringLiteral("Reset Heading to North"));
    reset->setData(static_cast<int>(SKY_CMD_RESET_HEADING));
    connect(reset, &QAction::triggered, this,
            [this] { ApplySkyMenuCommand(state_, SKY_CMD_RESET_HEADING); });
    RefreshMenuChecks();
}

void SkyViewWindow::RefreshMenuChecks() {
    std::function<void(QMenu*)> walk = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->menu()) walk(a->menu());
            else if (a->isCheckable()) a->setChecked(SkyMenuItemChecked(state_, a->data().toInt()));
        }
    };
    walk(menu_);
}

void SkyViewWindow::contextMenuEvent(QContextMenuEvent* event) {
    RefreshMenuChecks();
    menu_->popup(event->globalPos());
}

QSize SkyViewWindow::DrawingSize() const {
    // While minimised the chart keeps the size of the restored window.
    if (isMinimized()) return normalGeometry().size();
    return size();
}

const KeplerRecord* SkyViewWindow::SatelliteOf(const PassRecord& r) const {
    const auto& selection = host_.SkySelection();
    if (r.satellite < 0 || r.satellite >= static_cast<int>(selection.size())) return nullptr;
    return SelectedRecord(host_.SkyCatalogue(), selection[static_cast<std::size_t>(r.satellite)]);
}

SkyPaintInput SkyViewWindow::PaintInput() {
    SkyPaintInput in;
    in.state = &state_;
    const QSize size = DrawingSize();
    in.width = size.width();
    in.height = size.height();
    in.now = host_.Now();
    const Settings& settings = host_.SkySettings();
    in.observer = settings.observer;
    in.passes = host_.SkyPasses();
    in.satelliteOf = [this](const PassRecord& r) { return SatelliteOf(r); };
    in.stars = GetStarCatalogue().get();
    in.metric = settings.metric;
    in.fonts = fonts_;
    return in;
}

QImage SkyViewWindow::RenderChart() {
    return PaintSkyChart(PaintInput());
}

void SkyViewWindow::SaveRequestedScreenshot() {
    if (!state_.screenshotRequested) return;
    state_.screenshotRequested = 0;
    if (host_.SkySettings().skyviewScreenshotFilename.empty())
        LogEvent("Couldn't create screenshot because no filename was given!", LOG_ERROR);
    else
        host_.SaveSkyScreenshot(chart_);
}

void SkyViewWindow::paintEvent(QPaintEvent*) {
    // The timer's chart is shown as it is; a drag or a resize since then draws anew.
    if (!chartFresh_ || chart_.size() != DrawingSize()) chart_ = RenderChart();
    chartFresh_ = false;
    SaveRequestedScreenshot();
    QPainter p(this);
    p.drawImage(0, 0, chart_);
}

void SkyViewWindow::OnSkyTimer() {
    const double now = host_.Now();
    const Settings& settings = host_.SkySettings();
    setWindowTitle(QStringLiteral("SkyView @ ") +
                   QString::fromStdString(FormatDateTime(cJulianDate::FromJd(now))) +
                   (host_.Simulated() ? QStringLiteral(" (simulated)") : QString()));

    PeriodicScreenshotCheck(state_, tick_(), settings.skyviewUpdate,
                            settings.skyviewScreenshot != 0);

    if (RiseSetDue(state_, TakeRiseSetRecompute())) {
        const RiseSetTexts texts = RefreshRiseSet(
            now, AstroSite(settings.observer.latitude, settings.observer.longitude),
            [](double jd) { return FormatTime(cJulianDate::FromJd(jd)); });
        state_.sunriseText = texts.sunrise;
        state_.sunsetText = texts.sunset;
        state_.moonriseText = texts.moonrise;
        state_.moonsetText = texts.moonset;
    }

    if (std::vector<PassRecord>* passes = host_.SkyPasses())
        UpdateSkyTracks(*passes, state_, settings.observer, now,
                        [this](const PassRecord& r) { return SatelliteOf(r); });

    // Drawn here rather than in the paint handler, which Qt skips while the window is
    // minimised or hidden: the periodic screenshot and the wallpaper must not stop then.
    chart_ = RenderChart();
    chartFresh_ = true;
    SaveRequestedScreenshot();
    update();

    switch (TooltipTiming(tick_(), state_.lastMouseMoveTick, TooltipShown())) {
        case TooltipStep::TryShow: ShowTooltip(); break;
        case TooltipStep::Hide: HideTooltip(); break;
        case TooltipStep::Nothing: break;
    }
}

bool SkyViewWindow::TooltipShown() const {
    return state_.tooltipOwner.has_value();
}

std::string SkyViewWindow::PassTooltip(int index) {
    std::vector<PassRecord>* passes = host_.SkyPasses();
    PassRecord& r = (*passes)[static_cast<std::size_t>(index)];
    const Settings& settings = host_.SkySettings();
    const double now = host_.Now();
    if (r.trackValid == 0) {
        if (const KeplerRecord* sat = SatelliteOf(r))
            ComputePassTrack(r, *sat, settings.observer, now);
    }
    r.trackValid = 1;
    RowTimeOptions o;
    o.displayOffsetMinutes = CurrentTimeFormatter().DisplayOffsetMinutes(cJulianDate::FromJd(now));
    o.use24h = settings.use24hTime != 0;
    o.localeTime = host_.LocaleTime();
    const KeplerRecord* sat = SatelliteOf(r);
    return SatelliteTooltipText(sat ? std::string(sat->Name()) : std::string(),
                                sat ? sat->catalogueNumber : 0, SkyPassTimeText(r.aos, now, o),
                                SkyPassTimeText(r.los, now, o));
}

void SkyViewWindow::ShowTooltip() {
    std::vector<PassRecord>* passes = host_.SkyPasses();
    static const std::vector<PassRecord> kNone;
    const std::shared_ptr<StarCatalogue> stars = GetStarCatalogue();
    const auto hit = HitTestSky(state_, state_.mouseX, state_.mouseY, passes ? *passes : kNone,
                                stars.get());
    if (!hit) return;
    std::string text;
    int owner = -1;
    switch (hit->kind) {
        case TooltipTarget::Sun: text = SunTooltipText(state_); break;
        case TooltipTarget::Moon: text = MoonTooltipText(state_, host_.SkySettings().metric); break;
        case TooltipTarget::Satellite:
            text = PassTooltip(hit->index);
            owner = hit->index;
            break;
        case TooltipTarget::Star:
            text = StarTooltipText(stars->table[static_cast<std::size_t>(hit->index)]);
            break;
    }
    tooltipText_ = QString::fromStdString(text);
    if (!tooltip_) {
        tooltip_ = new QLabel(nullptr, Qt::ToolTip | Qt::WindowStaysOnTopHint);
        tooltip_->setObjectName(QStringLiteral("skyTooltip"));
        tooltip_->setTextFormat(Qt::RichText);
        tooltip_->setMaximumWidth(1000);
        tooltip_->setMargin(4);
        tooltip_->setFrameStyle(QFrame::Box | QFrame::Plain);
    }
    tooltip_->setText(SkyTooltipHtml(text));
    tooltip_->adjustSize();
    tooltip_->move(mapToGlobal(QPoint(state_.mouseX, state_.mouseY)) + QPoint(12, 12));
    tooltip_->show();
    state_.tooltipOwner = owner;
}

void SkyViewWindow::HideTooltip() {
    if (!state_.tooltipOwner) return;
    const int owner = *state_.tooltipOwner;
    std::vector<PassRecord>* passes = host_.SkyPasses();
    if (owner >= 0 && !state_.showTracks && passes &&
        owner < static_cast<int>(passes->size()))
        (*passes)[static_cast<std::size_t>(owner)].trackValid = 0;
    if (tooltip_) tooltip_->hide();
    tooltipText_.clear();
    state_.tooltipOwner.reset();
}

void SkyViewWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up: host_.ShiftTimeMinutes(1); return;
        case Qt::Key_Down: host_.ShiftTimeMinutes(-1); return;
        case Qt::Key_F2: state_.screenshotRequested = 1; return;
        case Qt::Key_F1: HelpWindow::ShowContext(HELP_SKY_VIEW); return;
        default: QWidget::keyPressEvent(event);
    }
}

void SkyViewWindow::mouseMoveEvent(QMouseEvent* event) {
    state_.lastMouseMoveTick = tick_();
    const QPoint pos = event->position().toPoint();
    state_.mouseX = pos.x();
    state_.mouseY = pos.y();
    if (event->buttons() & Qt::LeftButton) {
        state_.heading = DragHeading(state_.heading, state_.dragLastX, pos.x(), pos.y(),
                                     DrawingSize().height());
        state_.dragLastX = pos.x();
        chartFresh_ = false;
        update();
    }
}

void SkyViewWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) state_.dragLastX = 0;
    QWidget::mouseReleaseEvent(event);
}

void SkyViewWindow::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    closed_ = true;
    timer_.stop();
    HideTooltip();
    hide();
    SavePlacement("Skyview", CurrentPlacement(*this));
    SaveSkyViewState(state_);
    host_.SkyViewClosed();
    event->accept();
}

}  // namespace orvanta
