#pragma once
// The main window: its creation is the program's start-up sequence, its 1-second timer the
// program's clock, its close the shut-down sequence. It owns the catalogue, the selection,
// the pass table, the settings copies and the running pass search.
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QRect>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "common/clock.h"
#include "common/settings.h"
#include "platform/system_clock.h"
#include "skyview/sky_view_state.h"

class QLabel;
class QAction;
class QMenu;

namespace orvanta {

class IPrompt;
class EventLogView;
class PassListView;
class PassSearch;
class PassSearchGate;
struct PassRecord;
class ClockSyncScheduler;
class UpdateChecker;
class HostMonitorPanel;
struct HostMonitorEnvironment;
class SkyViewWindow;
class ISkyViewHost;
class ElementDownloader;
class EarthView;
class PassDetailsWindow;
class SatelliteDetailsWindow;
class TimeControlDialog;
class WelcomeWizard;
struct WelcomeChoices;
class PassAlertService;

// Everything the window takes from outside, so tests can run it at a fixed instant in a
// temporary directory and answer its questions.
struct MainWindowEnvironment {
    std::filesystem::path programDirectory;  // empty: the platform's program directory
    std::filesystem::path builtInDirectory;  // where the built-in element file lies
    IPrompt* prompt = nullptr;               // null: Qt message boxes
    Clock::UtcSource utcSource;              // null: the system clock
    Clock::MonotonicSource monotonicSource;  // null: the system's steady clock
    int processorCount = 0;                  // 0: ask the system
    std::function<bool()> shiftCtrlHeld;     // null: the keyboard state
    bool startClockTimer = true;             // tests drive TickClock() themselves
    // The silent update check and the periodic clock synchronisation (network traffic).
    bool startNetworkChecks = true;
    std::shared_ptr<platform::ISystemClock> systemClock;  // null: the machine's clock
    // Starts the program again after an update; null: QProcess::startDetached.
    std::function<bool(const QString&, const QStringList&)> startProgram;
    const HostMonitorEnvironment* hostMonitor = nullptr;  // null: the system's ping
    // Handed to every pass search, so a test can hold one open; null: none.
    std::shared_ptr<PassSearchGate> searchGate;
    // The welcome assistant at a start without any settings yet.
    bool offerWelcome = true;
};

// Placement of the children for a client area of width x height (status bar included).
struct MainWindowLayout {
    QRect passList;
    QRect eventLog;
    QRect searchProgress;    // in status-bar coordinates
    QRect downloadProgress;  // in status-bar coordinates
};
MainWindowLayout ComputeMainWindowLayout(int width, int height, int statusBarHeight,
                                         bool hasHostTiles, int progressHeight);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowEnvironment environment = {});
    ~MainWindow() override;

    // Starts a pass search over the selection. 1 when one started or every selected
    // satellite is missing from the catalogue; 0 without selection or catalogue.
    int StartPassSearch();
    bool SearchRunning() const;
    // Asks a running search to stop, as Escape does.
    void AbortPassSearch();
    // Waits (processing events) until no search runs; false on timeout.
    bool WaitForSearch(int timeoutMs);

    // Starts the element download from the chosen service ("Element Source"); false when
    // one runs already or the service's rate rule refuses it (with a log line). fromMenu:
    // the user asked, so a failure is also told in the status bar and a message box.
    bool StartElementDownload(bool fromMenu = false);
    ElementDownloader* Downloader();

    // Timer 1 body: advance now, autorefresh, daily element update, pass-list tick.
    void TickClock();
    // Timer 2 body: progress, abort and completion of the running search.
    void PollPassSearch();
    // Re-sets the AOS/LOS headers and refills the list (system time change, dialogs).
    void SetPassListHeaders();
    void FillPassList();

    // State, for the views and for tests.
    double Now() const { return clock_.Now(); }
    Clock& ProgramClock() { return clock_; }
    const Settings& CurrentSettings() const { return settings_; }
    const KeplerCatalogue& Catalogue() const { return catalogue_; }
    const std::vector<SelectedSat>& Selection() const { return selection_; }
    const std::vector<PassRecord>& PassTable() const;
    PassListView* PassList() const { return passList_; }
    EventLogView* EventLog() const { return eventLog_; }
    QString StatusText() const;
    QProgressBar* SearchProgressBar() const { return searchProgress_; }
    double NextAutorefresh() const { return nextAutorefresh_; }
    const std::filesystem::path& ProgramDirectory() const { return programDirectory_; }
    ClockSyncScheduler* ClockSync() const { return clockSync_.get(); }
    UpdateChecker* Updates() const { return updates_.get(); }
    QProgressBar* DownloadProgressBar() const { return downloadProgress_; }

    // The pass table the views draw from and write their screen boxes and tracks into.
    std::vector<PassRecord>* MutablePassTable() { return passTable_.get(); }
    // View menu "&Skyview Window": raises the open Sky view or opens one.
    void OpenSkyView();
    SkyViewWindow* SkyView() const;
    SkyViewState& SkyState() { return skyState_; }

    // Replaces the selection (as the satellite dialog does) without touching the pass
    // table; written to the settings at close.
    void SetSelection(std::vector<SelectedSat> selection);
    // Tells the layout that host tiles take the top 100 pixels.
    void SetHostTilesPresent(bool present);
    HostMonitorPanel* Hosts() const { return hosts_; }
    // Settings > Hosts...: the host settings dialog, reachable with an empty list too.
    void OpenHostSettings();
    // File > Export Passes...: asks for a file and writes the listed passes to it.
    void ExportPasses();
    // The rows of the pass list as CSV (the columns of orvanta-cli passes) or as iCalendar;
    // false with the reason when the file cannot be written.
    bool ExportPassesTo(const QString& path, bool iCalendar, QString* error = nullptr) const;
    // The Earth view: raised when open, else created at size; null when closed.
    void OpenEarthView(QSize size = QSize(1000, 600));
    EarthView* EarthViewWindow() const;
    // The details window of a pass-list row (non-modal); null for a row without a pass.
    PassDetailsWindow* OpenPassDetails(int row);
    // The details of one satellite at the program time (non-modal, one per satellite: an
    // open one is raised); null when the catalogue does not have it.
    SatelliteDetailsWindow* OpenSatelliteDetails(int catalogueNumber);
    // View > "Time Control..." (Ctrl+T): raises the open dialog or opens one.
    void OpenTimeControl();
    TimeControlDialog* TimeControl() const;
    // The status-bar field shown while the program time is simulated; null before the first.
    QLabel* SimulatedField() const { return simulatedField_; }
    // The simulated-time field, the radio window's gate and the dialog follow the clock.
    void ShowProgramTimeState();
    // The welcome assistant (window-modal, not waited for); its finish goes to ApplyWelcome.
    WelcomeWizard* OpenWelcome();
    WelcomeWizard* Welcome() const;
    // Stores the choices, starts the download they ask for and searches the passes.
    void ApplyWelcome(const WelcomeChoices& choices);
    // Pass alerts and the tray icon; null before the start-up created them.
    PassAlertService* Alerts() const { return alerts_; }
    // Makes the named location at index the observer location and searches the passes
    // again, as Settings > Location does; false when there is no such entry.
    bool SwitchLocation(int index);
    // Lists only the passes that location (there) sees too; an empty name lists them all.
    void ShowMutualPasses(const std::string& name, const ObserverLocation& there);
    // Settings > Alerts...
    void OpenAlertSettings();
    // File > Exit: closes even when "Close To Tray" would only hide the window.
    void ExitProgram();

    static constexpr int kHelpContext = 80;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartUp();
    void BuildMenus();
    void BuildStatusBar();
    void RestoreLayouts();
    void SaveLayouts();
    void LoadElements();
    void ReadSettings();
    void LayOut();
    void ConnectPassDetails();
    void OpenSatelliteSettings();
    void OpenUserSettings();
    // Settings > Location (main_window_locations.cpp): the named locations to switch to.
    void AddLocationMenu(QMenu* settingsMenu);
    void OpenSystemSettings();
    void CheckForUpdates();
    void StartSystemServices();
    void CloseSystemServices();
    void ShowDownloadProgress(int percent);
    void HideDownloadProgress();
    void StartHostMonitor();
    void OpenAbout();
    void OpenHelp(int context);
    void NotYetAvailable(const QString& what);
    void ShowIdleStatus();
    void DestroySearchProgress(int delayMs = 0);
    void FinishPassSearch(bool aborted, double progress);
    // Stops a running search and drops its results (the selection or place it was for
    // has changed).
    void DiscardPassSearch();
    bool ShiftCtrlHeld() const;
    void LoadStars();
    void CloseViews();
    void FinishElementDownload(bool ok);
    // The service answered the download under way: it counts for its rate rule.
    void NoteElementDownloadAnswered();
    // Everything built from the old element sets takes the new catalogue.
    void ReplaceCatalogue(const KeplerCatalogue& catalogue);
    // The program time was set or stepped: a new search when it left the listed span.
    void ProgramTimeJumped();
    void StartPassAlerts();
    void CheckPassAlerts();
    // With "Close To Tray" and a tray: hides the window, ignores the close, returns true.
    bool HideToTray(QCloseEvent* event);
    int AlertMinutes() const;
    // The time control's "Next AOS": the selected row's AOS, else the first listed AOS after
    // the program time.
    std::optional<double> NextAosStep() const;
    // The pass table's first AOS of a satellite after the instant, when the table is known
    // to hold it (searched from before the instant).
    std::optional<double> ListedAos(int catalogueNumber, double after) const;
    // A double-click on a satellite's marker in the Earth view opens its details.
    void WatchMarkerDoubleClicks(EarthView* view);

    MainWindowEnvironment env_;
    std::unique_ptr<IPrompt> ownPrompt_;
    IPrompt* prompt_ = nullptr;
    Clock clock_;
    Settings settings_;
    std::string mutualWith_;  // the pass list's second site, empty for none
    KeplerCatalogue catalogue_;
    std::vector<SelectedSat> selection_;
    std::unique_ptr<std::vector<PassRecord>> passTable_;
    std::unique_ptr<PassSearch> search_;
    double searchStartSeconds_ = 0.0;
    bool searchAborted_ = false;
    double abortProgress_ = 0.0;
    std::filesystem::path programDirectory_;
    int processorCount_ = 1;
    double nextAutorefresh_ = 0.0;
    int displayOffsetMinutes_ = 0;  // of the last fill; a change means new zone rules
    bool hostTiles_ = false;
    HostMonitorPanel* hosts_ = nullptr;
    bool closing_ = false;
    bool escapePressed_ = false;

    PassListView* passList_ = nullptr;
    EventLogView* eventLog_ = nullptr;
    QWidget* central_ = nullptr;
    QLabel* statusText_ = nullptr;
    QLabel* statusRight_ = nullptr;
    QLabel* simulatedField_ = nullptr;
    QPointer<TimeControlDialog> timeControl_;
    double listedFrom_ = 0.0;  // program time the listed passes were searched from
    QPointer<QProgressBar> searchProgress_;
    QPointer<QProgressBar> downloadProgress_;
    std::unique_ptr<ClockSyncScheduler> clockSync_;
    std::unique_ptr<UpdateChecker> updates_;
    ElementDownloader* downloader_ = nullptr;
    bool downloadFromMenu_ = false;
    bool downloadFromWelcome_ = false;  // a failure says in one line what is used instead
    bool firstRun_ = false;             // no settings were stored before this start
    QPointer<WelcomeWizard> welcome_;
    int downloadSource_ = 0;  // ElementSource of the download under way
    std::string downloadGroup_;
    double downloadUnanswered_ = 0.0;  // UTC Julian date of the last attempt left unanswered
    QPointer<EarthView> earthView_;
    PassAlertService* alerts_ = nullptr;
    QTimer clockTimer_;
    QTimer searchTimer_;

    SkyViewState skyState_;
    std::unique_ptr<ISkyViewHost> skyHost_;
    QPointer<SkyViewWindow> skyView_;
};

}  // namespace orvanta
