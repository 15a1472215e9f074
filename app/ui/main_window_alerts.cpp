// Pass alerts and the tray icon: the main window's side (see pass_alert_service.h).
#include <QCloseEvent>
#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <string>
#include <utility>
#include <vector>

#include "app/ui/alerts_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/pass_alert_service.h"
#include "catalogue/pass_list.h"
#include "catalogue/ui/pass_list_model.h"

namespace orvanta {

void MainWindow::StartPassAlerts() {
    alerts_ = new PassAlertService(this);
    connect(alerts_, &PassAlertService::exitRequested, this, &MainWindow::ExitProgram);
}

void MainWindow::CheckPassAlerts() {
    if (!alerts_ || !passTable_) return;
    const PassListContext& context = passList_->Model()->Context();
    std::vector<PassAlertRow> rows;
    for (const PassRecord& r : *passTable_) {
        if (r.IsEmpty()) continue;
        if (const KeplerRecord* sat = PassSatellite(r, context))
            rows.push_back({sat->catalogueNumber, std::string(sat->DisplayName()), &r});
    }
    // Alerts are for the real sky: the real time (program time less the user's offset),
    // and nothing while the list holds a simulated time's passes. Back at real time the
    // list is searched again and alerts resume; those whose time went by meanwhile are
    // not told late.
    alerts_->Tick(rows, clock_.Now() - clock_.OffsetDays(), clock_.IsRealTime(), context.time);
}

bool MainWindow::HideToTray(QCloseEvent* event) {
    if (closing_ || !alerts_ || !alerts_->HideToTray()) return false;
    event->ignore();
    return true;
}

void MainWindow::OpenAlertSettings() {
    if (!alerts_) return;
    std::vector<std::pair<std::int32_t, std::string>> satellites;
    for (const SelectedSat& s : selection_)
        if (const KeplerRecord* k = catalogue_.At(FindCatalogueIndex(catalogue_, s.catalogueNumber)))
            satellites.emplace_back(s.catalogueNumber, std::string(k->DisplayName()));
    AlertsDialog dialog(this, alerts_->Settings(), satellites, alerts_->Tray() != nullptr);
    if (dialog.exec() == QDialog::Accepted) alerts_->SetSettings(dialog.Result());
}

void MainWindow::ExitProgram() {
    // A window hidden in the tray closes without being the last visible one, so the
    // application would not end by itself.
    const bool fromTray = alerts_ && alerts_->HiddenToTray();
    if (alerts_) alerts_->AllowClose();
    if (close() && fromTray) QCoreApplication::quit();
}

int MainWindow::AlertMinutes() const { return alerts_ ? alerts_->Settings().leadMinutes : 10; }

}  // namespace orvanta
