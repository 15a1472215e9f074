#pragma once
// The Earth view: a world map with the day/night background, every chosen satellite where
// it is now, where it was and where it goes, whom it can hear, and the home cross. At most
// one per process; the main window opens and closes it and owns the data it shows.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "common/settings.h"
#include "earthview/cloud_map.h"
#include "earthview/earth_tracks.h"
#include "earthview/ui/background_worker.h"
#include "earthview/ui/earth_view_painter.h"

class QLabel;
class QMenu;
class QAction;
class QStatusBar;

namespace orvanta {

class CloudMapDownloader;
class BusyIndicator;

// Everything the view takes from its owner, so tests can run it at a fixed instant.
struct EarthViewEnvironment {
    Settings* settings = nullptr;                 // the owner's copies; written back at close
    const KeplerCatalogue* catalogue = nullptr;
    std::vector<SelectedSat>* selection = nullptr;  // its display flags change here
    std::function<double()> now;                  // program time, UTC Julian date + offset
    std::function<void(double minutes)> addMinutes;  // Up and Down keys
    std::function<bool()> simulated;              // program time not real (null: real)
    std::function<void(int context)> openHelp;    // F1
    std::function<qint64()> tickMs;               // monotonic milliseconds (null: steady clock)
    std::filesystem::path programDirectory;       // "cloudmap.jpg", "cloudmaps.txt"
    std::filesystem::path imageDirectory;         // the built-in world images
    std::function<QString(QWidget*)> chooseScreenshotFile;  // null: the Save As dialog
    EarthWorkerTiming workerTiming;
    int cloudRetryPauseMs = 30000;
    bool startWorker = true;
    bool startTimer = true;
};

// Menu command numbers (the popup menu and the per-satellite menu).
enum EarthViewCommand : int {
    CMD_SHOW_STATIC = 32807,
    CMD_SAVE_SCREENSHOT = 32808,
    CMD_SHOW_HOME_MARKER = 32810,
    CMD_CENTER_HOME = 32811,
    CMD_CENTER_GREENWICH = 32812,
    CMD_SHOW_ALL = 32813,
    CMD_HIDE_ALL = 32814,
    CMD_RECALCULATE_TRACKS = 32815,
    CMD_SHOW_RADIO_HORIZONS = 32816,
    CMD_SHOW_ALL_NAMES = 32817,
    CMD_ANIMATE_CLOUDS = 32819,
    CMD_SATELLITE_BASE = 10000,
    CMD_SAT_MENU_TITLE = 19000,
    CMD_SAT_SHOW_TRACK = 19001,
    CMD_SAT_SHOW_HORIZON = 19002,
    CMD_SAT_SHOW_NAME = 19003,
};

class EarthView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 90;

    // size: 1000 x 600 from the View menu, 700 x 300 when re-opened at start; a saved
    // placement ("Earthview") overrides it.
    EarthView(EarthViewEnvironment environment, QSize size, QWidget* parent = nullptr);
    ~EarthView() override;

    // For a new selection or catalogue: new track records and a new satellite menu; the
    // orbits in the background, markers from the first tick after they are built.
    void RebuildEarthView(bool background = true);
    // Recomputes positions (and with tracks the track points); 1 when the selection is not
    // empty.
    int UpdateSatPositions(bool withTracks);
    // The 1-second timer's work.
    void Tick();
    // Runs a menu command by its number.
    void RunCommand(int command);

    // The map area as it would be painted now (also while minimised).
    QImage RenderMap();
    QSize MapSize() const;

    // State, for the owner and for tests.
    QMenu* PopupMenu() const { return popup_; }
    QMenu* SatellitePopup() const { return satPopup_; }
    QAction* Action(int command) const;
    QString MouseText() const;
    QString DetailText() const;
    const std::vector<TrackRecord>& Records() const { return tracks_.Records(); }
    EarthBackgroundWorker* Worker() const { return worker_.get(); }
    CloudMapDownloader* Downloader() const { return downloader_; }
    const QImage& DisplayMap() const { return displayMap_; }
    int DragAnchor() const { return dragAnchor_; }
    int PopupTarget() const { return popupTarget_; }
    int HitSatellite(const QPoint& p) const;  // selection index of the marker at p, or -1
    static CloudBookkeeping& CloudSchedule();

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildPopupMenu();
    void FillSatelliteMenu();
    void ShowSatellitePopup(int index, const QPoint& globalPos);
    void UpdateTitle();
    void UpdateDetailLine();
    void HandOver();
    void CloudSchedule(double now);
    void TakeScreenshot(int request, const std::string& chosenFile);
    qint64 TickMs() const;
    // The tick's track rebuild runs on its own threads; the window keeps drawing the tracks
    // it has (split at the time shown) until the new ones are taken over.
    void RequestTracks(double now);
    void CollectTracks();
    int DetailIndex() const;
    EarthPaintInput PaintInput();
    void SetAllFlags(std::int32_t SelectedSat::*flag, std::int32_t value);

    EarthViewEnvironment env_;
    Settings& settings_;
    EarthTracks tracks_;
    std::future<TrackResult> pendingTracks_;
    std::unique_ptr<EarthBackgroundWorker> worker_;
    CloudMapDownloader* downloader_ = nullptr;
    BusyIndicator* busy_ = nullptr;
    QImage displayMap_;
    EarthBackgroundCache backgroundCache_;
    QStatusBar* statusBar_ = nullptr;
    QLabel* mouseLabel_ = nullptr;
    QLabel* detailLabel_ = nullptr;
    QMenu* popup_ = nullptr;
    QMenu* satPopup_ = nullptr;
    QMenu* satellitesMenu_ = nullptr;
    std::vector<QAction*> satelliteActions_;  // empty until the satellites menu is filled
    QTimer timer_;
    QElapsedTimer steady_;
    qint64 trackMark_ = 0;
    qint64 repaintMark_ = 0;
    double shadeTime_ = 0.0;  // the clock's time at the last repaint asked for
    qint64 screenshotMark_ = 0;
    int dragAnchor_ = 0;
    int popupTarget_ = -1;
    bool closing_ = false;
    bool busyShown_ = false;
};

}  // namespace orvanta
