// The settings dialogs as the main window opens them and takes their results.
#include "app/ui/main_window.h"

#include "app/event_log.h"
#include "app/registry_settings_writer.h"
#include "app/ui/satellite_settings_dialog.h"
#include "app/time_format.h"
#include "catalogue/pass_list.h"
#include "catalogue/ui/pass_list_model.h"
#include "catalogue/pass_search.h"
#include "location/ui/user_settings_dialog.h"

namespace orvanta {

void MainWindow::OpenSatelliteSettings() {
    RegistrySettingsWriter writer;
    SatelliteSettingsDialog dialog(this, catalogue_, selection_, SatelliteOptionsFrom(settings_),
                                   *prompt_, writer, [this] { return clock_.Now(); });
    dialog.setObjectName(QStringLiteral("satelliteSettings"));
    connect(&dialog, &SatelliteSettingsDialog::selectionSaved, this, [this, &dialog] {
        // The workers read the selection: a search still running belongs to the old one.
        DiscardPassSearch();
        ApplySatelliteOptions(dialog.Options(), settings_);
        passList_->Model()->Clear();
        selection_ = dialog.NewSelection();
        ApplySelection(selection_, settings_);
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
    // A refused number of passes still wrote the first options.
    if (dialog.OptionsWritten() && !dialog.Saved())
        ApplySatelliteOptions(dialog.Options(), settings_);
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
        SetPassListHeaders();
        if (!SearchRunning()) FillPassList();
    });
    dialog.exec();
    // A new place needs new passes; the old ones no longer apply to it.
    if (locationChanged) {
        DiscardPassSearch();
        StartPassSearch();
    }
}

}  // namespace orvanta
