// The Earth view window: its placement, popup menus and their commands, the status lines,
// painting, the 1-second tick, cloud maps and screenshots. Mouse and keys are in
// earth_view_input.cpp.
#include "earthview/ui/earth_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <thread>

#include "common/event_log.h"
#include "common/settings_records.h"
#include "common/time_format.h"
#include "common/ui/drawing_objects.h"
#include "common/ui/window_placement.h"
#include "earthview/earth_images.h"
#include "earthview/ui/cloud_downloader.h"
#include "earthview/ui/earth_view_render.h"
#include "earthview/ui/screenshot.h"
#include "orbit/globals.h"
#include "orbit/julian_date.h"

namespace orvanta {

// The small animated wheel in the corner while the background is composed at full speed.
class BusyIndicator : public QWidget {
public:
    explicit BusyIndicator(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("elThrobbo"));
        setFixedSize(24, 24);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
        connect(&timer_, &QTimer::timeout, this, [this] {
            // Frames 0 and 1 show once; the animation loops over 2 ... 12.
            if (++frame_ == 13) frame_ = 2;
            update();
        });
    }
    void Start() {
        timer_.start(100);
        show();
    }
    void Stop() {
        timer_.stop();
        hide();
        if (++frame_ == 13) frame_ = 2;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(0, 0, 0, 120));
        p.setPen(QPen(QColor(192, 192, 192), 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(QPen(QColor(255, 170, 0), 3));
        p.drawArc(QRect(5, 5, 14, 14), -frame_ * 30 * 16, 100 * 16);
    }

private:
    QTimer timer_;
    int frame_ = 0;
};

namespace {

constexpr int kChecked = 8;  // the stored "all" values are menu check flags

}  // namespace

CloudBookkeeping& EarthView::CloudSchedule() {
    // Outlives the view: a download's results and the map's age decide the next one.
    static CloudBookkeeping schedule;
    return schedule;
}

EarthView::EarthView(EarthViewEnvironment environment, QSize size, QWidget* parent)
    : QWidget(parent, Qt::Window), env_(std::move(environment)), settings_(*env_.settings) {
    setObjectName(QStringLiteral("EarthView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Earthview"));
    steady_.start();
    resize(size);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("earthStatusBar"));
    statusBar_->setSizeGripEnabled(true);
    statusBar_->setAutoFillBackground(true);  // the map paints opaque, the bar's ground too
    mouseLabel_ = new QLabel(statusBar_);
    detailLabel_ = new QLabel(statusBar_);
    for (QLabel* part : {mouseLabel_, detailLabel_}) {
        part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        part->setIndent(2);
    }
    mouseLabel_->setFixedWidth(200);
    mouseLabel_->setText(QStringLiteral("Mouse:"));
    statusBar_->addWidget(mouseLabel_);
    statusBar_->addWidget(detailLabel_, 1);

    // The layers: this month's day image and the night image; until the first pass is
    // done the view shows the day image.
    const double now = env_.now ? env_.now() : 0.0;
    EarthLayers layers = LoadEarthLayers(env_.imageDirectory, MonthOf(now));
    displayMap_ = ToQImage(layers.day);
    worker_ = std::make_unique<EarthBackgroundWorker>(
        std::move(layers.day), std::move(layers.night), env_.programDirectory / CLOUD_MAP_FILE,
        env_.now, [this] { return settings_.earthviewShowClouds != 0; }, env_.workerTiming);
    worker_->LoadCloudMap();

    RestoreWindowPlacement(*this, "Earthview");

    RebuildEarthView(false);  // the first paint already shows the markers

    busy_ = new BusyIndicator(this);
    busy_->move(5, 5);
    QPointer<BusyIndicator> busy = busy_;
    worker_->busyChanged = [busy](bool running) {
        QMetaObject::invokeMethod(
            busy,
            [busy, running] {
                if (!busy) return;
                running ? busy->Start() : busy->Stop();
            },
            Qt::QueuedConnection);
    };

    downloader_ = new CloudMapDownloader(env_.programDirectory, this);
    downloader_->SetRetryPauseMs(env_.cloudRetryPauseMs);
    connect(downloader_, &CloudMapDownloader::succeeded, this, [this] {
        CloudSchedule().lastSuccess = env_.now ? env_.now() : 0.0;
        worker_->SetState(EARTH_CLOUD_ARRIVED);
    });

    connect(&timer_, &QTimer::timeout, this, &EarthView::Tick);
    if (env_.startTimer) timer_.start(1000);
    // The full-speed pass starting now makes the first slow refresh due in five minutes.
    repaintMark_ = TickMs();
    shadeTime_ = env_.now ? env_.now() : 0.0;
    if (env_.startWorker && !worker_->Start(EARTH_REPAINT_NOW))
        LogEvent("Earth update thread could not be created!", LOG_ERROR);
    screenshotMark_ = TickMs();
    UpdateSatPositions(true);
}

EarthView::~EarthView() {
    if (worker_) worker_->Stop(-1);
}

qint64 EarthView::TickMs() const {
    return env_.tickMs ? env_.tickMs() : steady_.msecsSinceReference();
}

void EarthView::RebuildEarthView(bool background) {
    tracks_.ShowAddedSatellites(*env_.selection, settings_.showAllSatnames == kChecked,
                                settings_.showRadioHorizon == kChecked);
    tracks_.Rebuild(*env_.catalogue, *env_.selection, background);
    BuildPopupMenu();
}

int EarthView::DetailIndex() const {
    const int count = static_cast<int>(env_.selection->size());
    return settings_.detailSat >= count ? count - 1 : settings_.detailSat;
}

void EarthView::RequestTracks(double now) {
    if (pendingTracks_.valid()) return;  // one rebuild at a time; a due one follows it
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    pendingTracks_ = std::async(std::launch::async, ComputeTracks,
                                tracks_.PrepareTracks(*env_.selection, now), cores);
}

void EarthView::CollectTracks() {
    if (!pendingTracks_.valid() ||
        pendingTracks_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    // A rebuilt selection since the job started makes ApplyTracks refuse the result.
    if (tracks_.ApplyTracks(pendingTracks_.get())) update();
}

int EarthView::UpdateSatPositions(bool withTracks) {
    const double now = env_.now ? env_.now() : 0.0;
    return tracks_.Update(*env_.selection, settings_.observer, now, withTracks, DetailIndex());
}

void EarthView::SetAllFlags(std::int32_t SelectedSat::*flag, std::int32_t value) {
    for (SelectedSat& s : *env_.selection) s.*flag = value;
}

void EarthView::RunCommand(int command) {
    std::vector<SelectedSat>& selection = *env_.selection;
    const int count = static_cast<int>(selection.size());
    if (command >= CMD_SATELLITE_BASE && command < CMD_SATELLITE_BASE + count) {
        const int i = command - CMD_SATELLITE_BASE;
        selection[i].shown = selection[i].shown ? 0 : 1;
        if (i < static_cast<int>(satelliteActions_.size()))
            satelliteActions_[i]->setChecked(selection[i].shown == 1);
        // A satellite shown again needs its track before the next once-a-minute cycle.
        if (selection[i].shown) UpdateSatPositions(true);
        return;
    }
    const bool targetValid = popupTarget_ >= 0 && popupTarget_ < count;
    switch (command) {
        case CMD_SAT_SHOW_TRACK:
            if (targetValid) selection[popupTarget_].track ^= 1;
            update();
            break;
        case CMD_SAT_SHOW_HORIZON:
            if (targetValid) selection[popupTarget_].radioHorizon ^= 1;
            UpdateSatPositions(false);  // horizons are computed only where drawn
            settings_.showRadioHorizon = 0;
            if (QAction* a = Action(CMD_SHOW_RADIO_HORIZONS)) a->setChecked(false);
            update();
            break;
        case CMD_SAT_SHOW_NAME:
            if (targetValid) selection[popupTarget_].nameLabel ^= 1;
            settings_.showAllSatnames = 0;
            if (QAction* a = Action(CMD_SHOW_ALL_NAMES)) a->setChecked(false);
            update();
            break;
        case CMD_SHOW_STATIC:
            settings_.earthviewShowClouds = settings_.earthviewShowClouds ? 0 : 1;
            if (QAction* a = Action(CMD_SHOW_STATIC)) a->setChecked(settings_.earthviewShowClouds != 0);
            repaintMark_ = 0;
            worker_->RequestRepaint();
            break;
        case CMD_SAVE_SCREENSHOT: {
            const QString file = env_.chooseScreenshotFile ? env_.chooseScreenshotFile(this)
                                                           : ChooseScreenshotFile(this);
            if (!file.isEmpty()) TakeScreenshot(SCREENSHOT_USER, file.toStdString());
            break;
        }
        case CMD_SHOW_HOME_MARKER:
            settings_.earthviewShowHomeMarker = settings_.earthviewShowHomeMarker ? 0 : 1;
            if (QAction* a = Action(CMD_SHOW_HOME_MARKER))
                a->setChecked(settings_.earthviewShowHomeMarker != 0);
            update();
            break;
        case CMD_CENTER_HOME:
            settings_.earthviewLongitude = -(settings_.observer.longitude * DEG_TO_RAD);
            update();
            break;
        case CMD_CENTER_GREENWICH:
            settings_.earthviewLongitude = 0.0;
            update();
            break;
        case CMD_SHOW_ALL:
            SetAllFlags(&SelectedSat::shown, 1);
            for (QAction* a : satelliteActions_) a->setChecked(true);
            UpdateSatPositions(true);
            break;
        case CMD_HIDE_ALL:
            SetAllFlags(&SelectedSat::shown, 0);
            for (QAction* a : satelliteActions_) a->setChecked(false);
            update();
            break;
        case CMD_RECALCULATE_TRACKS:
            UpdateSatPositions(true);
            update();
            break;
        case CMD_SHOW_RADIO_HORIZONS: {
            const bool on = settings_.showRadioHorizon != kChecked;
            settings_.showRadioHorizon = on ? kChecked : 0;
            SetAllFlags(&SelectedSat::radioHorizon, on ? 1 : 0);
            UpdateSatPositions(false);
            if (QAction* a = Action(CMD_SHOW_RADIO_HORIZONS)) a->setChecked(on);
            update();
            break;
        }
        case CMD_SHOW_ALL_NAMES: {
            const bool on = settings_.showAllSatnames != kChecked;
            settings_.showAllSatnames = on ? kChecked : 0;
            SetAllFlags(&SelectedSat::nameLabel, on ? 1 : 0);
            if (QAction* a = Action(CMD_SHOW_ALL_NAMES)) a->setChecked(on);
            update();
            break;
        }
        case CMD_ANIMATE_CLOUDS:
            // Kept and stored; nothing draws animated clouds.
            settings_.earthviewAnimateClouds = settings_.earthviewAnimateClouds ? 0 : 1;
            break;
        default:
            break;
    }
}

QSize EarthView::MapSize() const {
    // A minimised window keeps its normal size, so periodic screenshots go on.
    const QSize client = isMinimized() ? normalGeometry().size() : size();
    const int statusHeight = statusBar_->isVisible() || !isVisible() ? statusBar_->sizeHint().height() : 0;
    return QSize(client.width(), std::max(1, client.height() - statusHeight));
}

EarthPaintInput EarthView::PaintInput() {
    EarthPaintInput in;
    in.background = displayMap_.isNull() ? nullptr : &displayMap_;
    in.offset = settings_.earthviewLongitude;
    in.showHome = settings_.earthviewShowHomeMarker != 0;
    in.home = settings_.observer;
    const CloudMapStatus cloud = worker_->CloudStatus();
    in.showCloudLine = settings_.earthviewShowClouds != 0 && worker_->Width() > 0;
    in.cloudLine = cloud.line;
    in.catalogue = env_.catalogue;
    in.selection = env_.selection;
    in.records = &tracks_.Records();
    in.dragging = dragAnchor_ != 0;
    in.statusBarHeight = statusBar_->height();
    return in;
}

QImage EarthView::RenderMap() {
    const QSize size = MapSize();
    QImage image(size, QImage::Format_RGB32);
    PaintEarthMap(image, PaintInput(), SharedDrawingObjects(), &backgroundCache_);
    return image;
}

void EarthView::UpdateDetailLine() {
    const int i = DetailIndex();
    if (i < 0) return;  // an empty selection leaves the line as it was
    settings_.detailSat = i;
    const SelectedSat& s = (*env_.selection)[i];
    const KeplerRecord* record = SelectedRecord(*env_.catalogue, s);
    if (!record || i >= static_cast<int>(tracks_.Records().size())) return;
    detailLabel_->setText(QString::fromStdString(
        DetailLine(TrimmedName(*record), tracks_.Records()[i], settings_.metric)));
}

QString EarthView::MouseText() const { return mouseLabel_->text(); }
QString EarthView::DetailText() const { return detailLabel_->text(); }

void EarthView::paintEvent(QPaintEvent*) {
    UpdateDetailLine();
    const QImage map = RenderMap();
    QPainter p(this);
    p.drawImage(0, 0, map);
}

void EarthView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int h = statusBar_->sizeHint().height();
    statusBar_->setGeometry(0, height() - h, width(), h);
}

void EarthView::ShowSatellitePopup(int index, const QPoint& globalPos) {
    delete satPopup_;
    satPopup_ = new QMenu(this);
    satPopup_->setObjectName(QStringLiteral("satellitePopup"));
    popupTarget_ = index;
    const SelectedSat& s = (*env_.selection)[index];
    const KeplerRecord* record = SelectedRecord(*env_.catalogue, s);
    const QString name = record ? QString::fromStdString(TrimmedName(*record)) : QString();
    QAction* title =
        satPopup_->addAction(QStringLiteral("Menu for %1").arg(QString(name).replace('&', "&&")));
    title->setData(CMD_SAT_MENU_TITLE);
    satPopup_->addSeparator();
    const std::pair<const char*, int> items[] = {{"Show Track", CMD_SAT_SHOW_TRACK},
                                                 {"Show Radio Horizon", CMD_SAT_SHOW_HORIZON},
                                                 {"Show Sat Name", CMD_SAT_SHOW_NAME}};
    const std::int32_t flags[] = {s.track, s.radioHorizon, s.nameLabel};
    for (int k = 0; k < 3; ++k) {
        QAction* a = satPopup_->addAction(QString::fromLatin1(items[k].first));
        a->setData(items[k].second);
        a->setCheckable(true);
        a->setChecked(flags[k] != 0);
        const int command = items[k].second;
        connect(a, &QAction::triggered, this, [this, command] { RunCommand(command); });
    }
    satPopup_->popup(globalPos);
}

void EarthView::UpdateTitle() {
    const double now = env_.now ? env_.now() : 0.0;
    QString title = QString::fromStdString("EarthView @ " + FormatDateTime(cJulianDate::FromJd(now)));
    if (worker_->State() == EARTH_REPAINT_NOW)
        title += QStringLiteral(" Background is being repainted now...");
    if (env_.simulated && env_.simulated()) title += QStringLiteral(" (simulated)");
    setWindowTitle(title);
}

void EarthView::HandOver() {
    PixelImage finished;
    if (worker_->TakeFinished(finished)) {
        displayMap_ = ToQImage(finished);
        update();
    }
}

void EarthView::CloudSchedule(double now) {
    CloudBookkeeping& b = CloudSchedule();
    b.mapTime = worker_->CloudStatus().mapTime;
    if (!CloudDownloadDue(b, now, settings_.earthviewShowClouds != 0)) return;
    if (downloader_->Running()) {
        LogEvent("terminating old cloud download thread", LOG_INFORMATION);
        downloader_->Cancel();
    }
    b.lastAttempt = now;
    downloader_->Start(QUrl(QString::fromStdString(settings_.cloudmapServer)));
}

void EarthView::TakeScreenshot(int request, const std::string& chosenFile) {
    ScreenshotJob job;
    job.request = request;
    job.chosenFile = chosenFile;
    job.periodicFile = settings_.earthviewScreenshotFilename;
    job.command = settings_.earthviewScreenshotCommand;
    job.jpegQuality = 92;
    job.setWallpaper = settings_.desktopBackground == 2;
    orvanta::TakeScreenshot(RenderMap(), job);
}

void EarthView::Tick() {
    const double now = env_.now ? env_.now() : 0.0;
    const qint64 tick = TickMs();
    UpdateTitle();
    if (UpdateSatPositions(false) == 1) update();
    CollectTracks();
    HandOver();
    CloudSchedule(now);
    // Tracks once a minute, and whenever a fast or jumping clock has left their span.
    const bool cycle = std::llabs(tick - trackMark_) > 30000;
    if (cycle) trackMark_ = tick + 30000;
    if (cycle || tracks_.TracksDue(*env_.selection, now)) RequestTracks(now);
    if (std::llabs(tick - repaintMark_) > 300000) {
        repaintMark_ = tick;
        shadeTime_ = now;
        worker_->RequestSlowRepaint();
    } else if (std::fabs(now - shadeTime_) > 10.0 / 1440.0) {
        // A jump or a fast clock: the slow refresh would show an old day and night.
        shadeTime_ = now;
        worker_->RequestFastRepaint();
    }
    if (std::llabs(tick - screenshotMark_) >= static_cast<qint64>(settings_.earthviewUpdate) * 60000) {
        screenshotMark_ = tick;
        if (settings_.earthviewScreenshot) TakeScreenshot(SCREENSHOT_PERIODIC, {});
    }
}

void EarthView::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    closing_ = true;
    timer_.stop();
    downloader_->Cancel();
    const WindowPlacement wp = CurrentPlacement(*this);
    hide();
    worker_->Stop(1000);
    SavePlacement("Earthview", wp);
    WriteSettings(settings_, {"Earthview ShowClouds", "Earthview AnimateClouds",
                              "Earthview Show Home Marker", "Earthview Longitude",
                              "Show Radio Horizon", "Show All Satnames", "Detail Sat"});
    emit closed();
    event->accept();
}

}  // namespace orvanta
