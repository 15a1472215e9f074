// The settings dialogs as the main window opens them and takes their results.
#include "app/ui/main_window.h"

#include "app/registry_settings_writer.h"
#include "app/ui/pass_alert_service.h"
#include "app/ui/satellite_settings_dialog.h"
#include "catalogue/pass_list.h"
#include "catalogue/pass_search.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "common/time_format.h"
#include "earthview/ui/earth_view.h"
#include "location/ui/user_settings_dialog.h"

namespace orvanta {

namespace {

const char kSearchRestartedText[] =
    "The satellite settings changed while passes were being searched: the search starts "
    "again with the new settings.";

}  // namespace

void MainWindow::OpenSatelliteSettings() {
    RegistrySettingsWriter writer;
    SatelliteSettingsDialog dialog(this, catalogue_, selection_, SatelliteOptionsFrom(settings_),
                                   *prompt_, writer, [this] { return clock_.Now(); });
    dialog.setObjectName(QStringLiteral("satelliteSettings"));
    if (alerts_) dialog.SetAlertSatellites(alerts_->Settings().satellites);
    bool searchInterrupted = false;
    connect(&dialog, &SatelliteSettingsDialog::selectionSaved, this, [this, &dialog,
                                                                      &searchInterrupted] {
        // A running search's table is laid out by the old selection and options, so it
        // cannot be kept; a new search takes its place below.
        searchInterrupted = SearchRunning();
        DiscardPassSearch();
        ApplySatelliteOptions(dialog.Options(), settings_);
        passList_->Model()->Clear();
        selection_ = dialog.NewSelection();
        ApplySelection(selection_, settings_);
        if (earthView_) {
            earthView_->RebuildEarthView();
            earthView_->update();
        }
        SetPassListHeaders();
    });
    connect(
        &dialog, &SatelliteSettingsDialog::startPassSearchRequested, this,
        [this] { StartPassSearch(); }, Qt::QueuedConnection);
    connect(&dialog, &SatelliteSettingsDialog::passListRefillRequested, this, [this, &dialog] {
        RemapPassTable(*passTable_, dialog.FormerToNewIndices());
        FillPassList();
    });
    dialog.exec();
    if (alerts_ && dialog.Saved() && dialog.AlertSatellites() != alerts_->Settings().satellites) {
        PassAlertSettings alerts = alerts_->Settings();
        alerts.satellites = dialog.AlertSatellites();
        alerts_->SetSettings(alerts);
    }
    // A refused number of passes still wrote the first options.
    if (dialog.OptionsWritten() && !dialog.Saved())
        ApplySatelliteOptions(dialog.Options(), settings_);
    if (searchInterrupted) {
        LogEvent(kSearchRestartedText, LOG_INFORMATION);
        // "OK && Update" has queued a search of its own.
        if (!dialog.SearchRequested()) StartPassSearch();
    }
}

void MainWindow::OpenUserSettings() {
    UserSettingsDialog dialog(this, settings_, *prompt_);
    dialog.setObjectName(QStringLiteral("userSettings"));
    bool locationChanged = false;
    connect(&dialog, &UserSettingsDialog::helpRequested, this, &MainWindow::OpenHelp);
    connect(&dialog, &UserSettingsDialog::locationChanged, this, [&] { locationChanged = true; });
    connect(&dialog, &UserSettingsDialog::settingsSaved, this, [this] {
        SetDisplayUtc(settings_.displayUtc != 0);
        passList_->Model()->SetDistanceUnit(settings_.metric);
        // The rows are filled from the last finished search's table, which a running
        // search does not touch, so they change with the headers.
        SetPassListHeaders();
        FillPassList();
    });
    dialog.exec();
    // A new place needs new passes; the old ones no longer apply to it.
    if (locationChanged) {
        DiscardPassSearch();
        StartPassSearch();
    }
}

}  // namespace orvanta
