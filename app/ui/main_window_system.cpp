// The main window's system services: the System Settings dialog, the periodic clock
// synchronisation, the update check with its download bar, and the restart after an
// update.
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <algorithm>

#include "app/ui/main_window.h"
#include "common/prompt.h"
#include "location/ui/clock_sync_runner.h"
#include "location/ui/system_settings_dialog.h"
#include "maintenance/ui/update_checker.h"

namespace orvanta {

void MainWindow::StartSystemServices() {
    std::shared_ptr<platform::ISystemClock> clock =
        env_.systemClock ? env_.systemClock : platform::MachineClock();
    clockSync_ = std::make_unique<ClockSyncScheduler>(settings_, *prompt_, clock);

    UpdateCheckerEnvironment update;
    update.baseUrl = QString::fromStdString(settings_.updateUrl);
    update.prompt = prompt_;
    update.setStatus = [this](const QString& text) {
        if (text.isEmpty())
            ShowIdleStatus();
        else
            statusText_->setText(text);
    };
    update.showProgress = [this](int percent) { ShowDownloadProgress(percent); };
    update.hideProgress = [this] { HideDownloadProgress(); };
    update.removeSearchProgress = [this] { DestroySearchProgress(); };
    update.requestClose = [this] {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    };
    updates_ = std::make_unique<UpdateChecker>(std::move(update));

    if (!env_.startNetworkChecks) return;
    clockSync_->Start();
    if (settings_.checkForUpdates) updates_->CheckSilently();
}

void MainWindow::CloseSystemServices() {
    // Stopped, not deleted: a run may be waiting for the GPS in a nested event loop that
    // this close came through, and it returns into the scheduler.
    if (clockSync_) clockSync_->Stop();
    if (RestartRequested()) {
        RequestRestart(false);
        UpdateChecker::StartProgramAgain(env_.startProgram);
    }
}

void MainWindow::CheckForUpdates() {
    if (!updates_ || updates_->Running()) return;
    updates_->SetBaseUrl(QString::fromStdString(settings_.updateUrl));
    updates_->CheckInteractively();
}

void MainWindow::ShowDownloadProgress(int percent) {
    if (!downloadProgress_) {
        downloadProgress_ = new QProgressBar(statusBar());
        downloadProgress_->setObjectName(QStringLiteral("downloadProgress"));
        downloadProgress_->setRange(0, 100);
        downloadProgress_->setTextVisible(false);
        LayOut();
        downloadProgress_->show();
    }
    downloadProgress_->setValue(std::clamp(percent, 0, 100));
}

void MainWindow::HideDownloadProgress() {
    if (downloadProgress_) downloadProgress_->deleteLater();
    downloadProgress_ = nullptr;
}

void MainWindow::OpenSystemSettings() {
    SystemSettingsOptions options;
    options.clock = env_.systemClock;
    SystemSettingsDialog dialog(this, settings_, *prompt_, options);
    connect(&dialog, &SystemSettingsDialog::helpRequested, this, &MainWindow::OpenHelp);
    dialog.exec();
}

}  // namespace orvanta
