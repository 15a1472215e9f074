// The main window: start-up in the order the program has always followed, the menus, the
// settings and element file read at start, the clock tick, keys, help and the close. The
// other main_window_*.cpp files hold its layout, dialogs, searches, downloads and views.
#include "app/ui/main_window.h"
#include "app/ui/radio_menu.h"
#include "common/ui/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <cstdio>
#include <thread>

#include "app/ui/about_dialog.h"
#include "app/ui/event_log_view.h"
#include "app/ui/icons.h"
#include "catalogue/element_loader.h"
#include "catalogue/pass_search.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "common/time_format.h"
#include "common/ui/help_window.h"
#include "common/ui/qt_date_time_renderer.h"
#include "common/ui/qt_prompt.h"
#include "earthview/ui/earth_view.h"
#include "hostmon/ui/host_monitor_panel.h"
#include "location/ui/clock_sync_runner.h"
#include "maintenance/ui/update_checker.h"
#include "orbit/julian_date.h"
#include "platform/directories.h"
#include "platform/time_zone.h"
#include "skyview/ui/sky_view_window.h"

namespace orvanta {

namespace {

std::string Printf(const char* format, auto... args) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

}  // namespace

MainWindow::MainWindow(MainWindowEnvironment environment)
    : env_(std::move(environment)),
      clock_(env_.utcSource ? env_.utcSource : Clock::UtcSource(SystemUtcJulian),
             env_.monotonicSource ? env_.monotonicSource
                                  : Clock::MonotonicSource(SystemMonotonicSeconds)) {
    setObjectName(QStringLiteral("MainWindow"));
    if (env_.prompt) {
        prompt_ = env_.prompt;
    } else {
        ownPrompt_ = std::make_unique<QtPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
    passTable_ = std::make_unique<std::vector<PassRecord>>();
    StartUp();
}

MainWindow::~MainWindow() {
    // The view reads the catalogue and the selection owned here.
    delete earthView_.data();
    // A window destroyed without a close (tests, errors) must not leave workers behind.
    if (search_) {
        search_->Abort();
        search_->Wait();
    }
    // The lists read the pass table and catalogue, which go before QWidget's own
    // destructor would delete the lists.
    delete skyView_.data();  // it reads the pass table through the host below
    delete central_;
    central_ = nullptr;
    passList_ = nullptr;
    eventLog_ = nullptr;
}

bool MainWindow::ShiftCtrlHeld() const {
    if (env_.shiftCtrlHeld) return env_.shiftCtrlHeld();
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    return (m & Qt::ShiftModifier) && (m & Qt::ControlModifier);
}

void MainWindow::StartUp() {
    setWindowTitle(QStringLiteral("Orvanta"));
    setWindowIcon(ApplicationIcon());
    resize(675, 480);

    programDirectory_ =
        env_.programDirectory.empty() ? platform::ProgramDirectory() : env_.programDirectory;
    // Asked before anything below stores a value.
    if (auto store = GetSettingsStore())
        firstRun_ = !store->KeyExists(platform::RootKey::CurrentUser, kSettingsKeyPath);

    if (ShiftCtrlHeld()) OfferSettingsReset(*prompt_);

    processorCount_ = env_.processorCount > 0
                          ? env_.processorCount
                          : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));

    const bool placementStored = RestorePlacement("MainWindow").has_value();
    RestoreWindowPlacement(*this, "MainWindow");

    central_ = new QWidget(this);
    setCentralWidget(central_);
    passList_ = new PassListView(central_);
    passList_->Model()->SetIconProvider(SharedIcon);
    ConnectPassDetails();
    eventLog_ = new EventLogView(central_);
    BuildStatusBar();
    BuildMenus();
    ShowIdleStatus();
    RestoreLayouts();
    // The first start shows every column of the pass list.
    if (!placementStored) resize(std::max(width(), passList_->FullWidth()), height());

    LogEvent(Printf(processorCount_ == 1 ? "Software started. %d Processor detected"
                                         : "Software started. %d Processors detected",
                    processorCount_),
             LOG_INFORMATION);

    LoadElements();
    LoadStars();

    ReadSettings();
    LoadSkyStartupOptions(skyState_, settings_);

    clock_.SetOffsetDays(0);
    nextAutorefresh_ = clock_.Now() + 10.0;

    SetPassListHeaders();
    StartHostMonitor();
    StartPassSearch();
    connect(&clockTimer_, &QTimer::timeout, this, &MainWindow::TickClock);
    if (env_.startClockTimer) clockTimer_.start(1000);
    StartPassAlerts();
    connect(&searchTimer_, &QTimer::timeout, this, &MainWindow::PollPassSearch);

    if (settings_.skyviewOpen == 1) OpenSkyView();
    if (settings_.earthviewOpen == 1) OpenEarthView(QSize(700, 300));

    if (IsObserverUnset(settings_.observer))
        LogEvent(
            "Your location does not appear to be set up properly! Go to the 'Settings' "
            "-> 'User' menu to set your location",
            LOG_WARNING);

    // The silent update check ("Check for updates") and the periodic clock synchronisation.
    StartSystemServices();
    if (IsThirtyTwoBitOnSixtyFourBit())
        LogEvent(
            "You're running the 32-bit edition of Orvanta on a 64-bit system. You should "
            "download the 64-bit edition of Orvanta from our website!",
            LOG_WARNING);

    // Escape must reach the search even while the list has the focus.
    qApp->installEventFilter(this);
    if (firstRun_ && env_.offerWelcome) QTimer::singleShot(0, this, [this] { OpenWelcome(); });
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Export Passes..."), this, &MainWindow::ExportPasses);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, [this] { ExitProgram(); });
    // Only while the main window is active: Ctrl+X in a dialog's text field is a cut.
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu* settingsMenu = menuBar()->addMenu(QStringLiteral("&Settings"));
    settingsMenu->addAction(QStringLiteral("&Satellites..."), this,
                            &MainWindow::OpenSatelliteSettings);
    settingsMenu->addAction(QStringLiteral("S&ystem..."), this, &MainWindow::OpenSystemSettings);
    settingsMenu->addAction(QStringLiteral("&User..."), this, &MainWindow::OpenUserSettings);
    AddLocationMenu(settingsMenu);
    settingsMenu->addAction(QStringLiteral("&Hosts..."), this, &MainWindow::OpenHostSettings);
    settingsMenu->addAction(QStringLiteral("&Alerts..."), this, &MainWindow::OpenAlertSettings);
    settingsMenu->addAction(QStringLiteral("&Download Keplers..."), this,
                            [this] { StartElementDownload(true); });
    settingsMenu->addAction(QStringLiteral("&Update Passlist now..."), this,
                            [this] { StartPassSearch(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("&Skyview Window"), this, &MainWindow::OpenSkyView);
    view->addAction(QStringLiteral("&Earthview Window"), this, [this] { OpenEarthView(); });
    view->addAction(QStringLiteral("&Radio && Rotator"), this, [this] { ShowRadioWindow(*this); });
    QAction* timeControl =
        view->addAction(QStringLiteral("&Time Control..."), this, &MainWindow::OpenTimeControl);
    timeControl->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    addAction(timeControl);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Check for &updates..."), this, &MainWindow::CheckForUpdates);
    QAction* helpAction =
        help->addAction(QStringLiteral("&Help..."), this, [this] { OpenHelp(HELP_DEFAULT_TOPIC); });
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* about = help->addAction(QStringLiteral("&About ..."), this, &MainWindow::OpenAbout);
    // "?" is a shifted key on most layouts, so Alt+Shift+? is the same chord.
    about->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Slash),
                         QKeySequence(Qt::ALT | Qt::Key_Question),
                         QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Question)});
    for (QAction* a : {exit, helpAction, about}) addAction(a);
}

void MainWindow::LoadElements() {
    const std::filesystem::path builtIn =
        env_.builtInDirectory.empty() ? platform::BuiltInDataDirectory() : env_.builtInDirectory;
    InstallDefaultElementFile(programDirectory_, builtIn);
    platform::PrivateTempDir work;
    ElementLoadContext context;
    context.elementFile = programDirectory_ / ELEMENT_FILE_NAME;
    context.workDirectory = work.Path();
    context.prompt = prompt_;
    // At start the settings are read after the load: the download waits for them, and a
    // refusal (a rate rule, a missing account) is logged when it comes.
    context.startDownload = [this] {
        QTimer::singleShot(0, this, [this] { StartElementDownload(); });
        return true;
    };
    LoadElementFile(context, catalogue_, &selection_);
}

void MainWindow::ReadSettings() {
    settings_ = ReadAllSettings();
    SetDisplayTimeZone(platform::SystemTimeZone());
    auto renderer = std::make_shared<QtDateTimeRenderer>();
    SetDateTimeRenderer(renderer);
    passList_->Model()->SetLocaleTime(renderer);
    SetDisplayUtc(settings_.displayUtc != 0);
    if (settings_.automaticKeplerUpdate == 0.0)
        LogEvent("Automatic Kepler update is turned OFF", LOG_INFORMATION);
    else
        LogEvent("Automatic Kepler update is turned ON. Next update: " +
                     FormatDateTime(cJulianDate::FromJd(settings_.automaticKeplerUpdate)),
                 LOG_INFORMATION);
    selection_.clear();
    if (settings_.numberOfSats >= 1)
        selection_ = SelectionFromBlob(settings_.selectedSatellites,
                                       static_cast<std::uint32_t>(settings_.numberOfSats));
    RemapSelection(catalogue_, selection_);
    passList_->Model()->SetDistanceUnit(settings_.metric);
}

void MainWindow::SetSelection(std::vector<SelectedSat> selection) {
    selection_ = std::move(selection);
    RemapSelection(catalogue_, selection_);
    if (earthView_) earthView_->RebuildEarthView();
}

void MainWindow::SetPassListHeaders() {
    const auto unixNow = static_cast<std::int64_t>((clock_.Now() - kUnixEpochJulian) * 86400.0);
    const TimeFormatter formatter = CurrentTimeFormatter();
    passList_->Model()->SetHeaders(formatter.HeaderZoneLabel(unixNow));
    displayOffsetMinutes_ = formatter.DisplayOffsetMinutes(cJulianDate::FromJd(clock_.Now()));
}

void MainWindow::FillPassList() {
    PassListModel* model = passList_->Model();
    model->SetContext(&catalogue_, &selection_, passTable_.get(), settings_.observer);
    model->SetTimeOptions(settings_.use24hTime != 0);
    model->SetVisibleOnly(settings_.visibleOnly != 0);
    model->Fill(clock_.Now());
    displayOffsetMinutes_ =
        CurrentTimeFormatter().DisplayOffsetMinutes(cJulianDate::FromJd(clock_.Now()));
}

void MainWindow::TickClock() {
    const double now = clock_.Advance();
    ShowProgramTimeState();
    // A set clock, a daylight-saving switch or a new zone: headers and times change.
    const int offset = CurrentTimeFormatter().DisplayOffsetMinutes(cJulianDate::FromJd(now));
    if (clock_.SystemTimeChanged() || offset != displayOffsetMinutes_) {
        SetPassListHeaders();
        FillPassList();
    }
    // A clock run backwards leaves the searched span at its start, where passes are missing.
    if (now < listedFrom_ && !SearchRunning()) StartPassSearch();
    if (now > nextAutorefresh_ && settings_.passlistAutorefresh) {
        nextAutorefresh_ = now + 10.0;
        StartPassSearch();
    }
    if (settings_.automaticKeplerUpdate != 0.0 && now > settings_.automaticKeplerUpdate) {
        LogEvent("Updating Kepler Elements, 24h have elapsed", LOG_INFORMATION);
        settings_.automaticKeplerUpdate = now + 1.0;
        WriteSettings(settings_, {"Automatic Kepler Update"});
        StartElementDownload();
    }
    // The workers fill a table of their own, so the list keeps counting down meanwhile.
    passList_->Model()->Tick(now);
    CheckPassAlerts();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && SearchRunning()) {
        escapePressed_ = true;
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // F1 on an open menu asks about the main window itself; the F1 shortcut does not fire
    // while a menu holds the keyboard.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        auto* menu = qobject_cast<QMenu*>(watched);
        // A popup is a window of its own, so its owner is found by walking up the parents.
        QWidget* owner = menu ? menu->parentWidget() : nullptr;
        while (owner && owner != this) owner = owner->parentWidget();
        if (menu && owner) {
            for (QMenu* open = menu; open; open = qobject_cast<QMenu*>(open->parentWidget()))
                open->close();
            OpenHelp(kHelpContext);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && SearchRunning() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Only for keys aimed at this window, not at a dialog of its own.
        QWidget* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            escapePressed_ = true;
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::OpenHelp(int context) {
    HelpWindow::ShowContext(context);
}

void MainWindow::OpenAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::NotYetAvailable(const QString& what) {
    prompt_->Tell("Information", (what + QStringLiteral(" is not yet available.")).toStdString(),
                  PromptIcon::Information);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (HideToTray(event)) return;
    closing_ = true;
    // Workers read the catalogue and the selection: stop them before anything is freed.
    DiscardPassSearch();
    clockTimer_.stop();

    SavePlacement("MainWindow", CurrentPlacement(*this));
    SaveLayouts();
    if (hosts_) hosts_->SaveAndStop();
    settings_.skyviewOpen = skyView_ ? 1 : 0;
    settings_.earthviewOpen = earthView_ ? 1 : 0;
    CloseViews();
    if (earthView_) earthView_->close();
    settings_.selectedSatellites = SelectionToBlob(selection_);
    settings_.numberOfSats = static_cast<std::int32_t>(selection_.size());
    WriteSettings(settings_,
                  {"Skyview Open", "Earthview Open", "Selected Satellites", "Number of Sats"});
    HelpWindow::CloseShared();
    qApp->removeEventFilter(this);

    if (ShiftCtrlHeld()) OfferSettingsRemoval(*prompt_);
    // Last: an update asked for a restart, and everything above is saved for the new one.
    CloseSystemServices();
    event->accept();
}

}  // namespace orvanta
