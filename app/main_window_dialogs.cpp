// The settings dialogs as the main window opens them and takes their results.
#include "app/main_window.h"

#include "app/event_log.h"
#include "app/registry.h"
#include "app/satellite_settings_dialog.h"
#include "app/time_format.h"
#include "catalogue/pass_list.h"
#include "catalogue/pass_list_model.h"
#include "catalogue/pass_search.h"
#include "location/user_settings_dialog.h"

namespace orvanta {

namespace {

// The dialog's writes go straight to the settings key, each value as it comes, so the
// order of the writes is the dialog's.
class RegistryWriter : public ISettingsWriter {
public:
    void WriteDword(const std::string& name, std::uint32_t value) override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteDword(name, static_cast<std::int32_t>(value));
    }
    void WriteDouble(const std::string& name, double value) override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteDouble(name, value);
    }
    void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        CRegistry reg;
        if (reg.OpenSettings()) reg.WriteBinary(name, bytes);
    }
};

SatelliteOptions OptionsFrom(const Settings& s) {
    SatelliteOptions o;
    o.displayUtc = static_cast<std::uint32_t>(s.displayUtc);
    o.numberOfPasses = static_cast<std::uint32_t>(std::max(0, s.numberOfPasses));
    o.hideGeostationary = static_cast<std::uint32_t>(s.hideGeostationary);
    o.searchLunarPasses = static_cast<std::uint32_t>(s.searchLunarPasses);
    o.searchIridiumFlares = static_cast<std::uint32_t>(s.searchIridiumFlares);
    o.reportNvs = static_cast<std::uint32_t>(s.reportNvs);
    o.passlistAutorefresh = static_cast<std::uint32_t>(s.passlistAutorefresh);
    o.automaticKeplerUpdate = s.automaticKeplerUpdate;
    o.checkForUpdates = static_cast<std::uint32_t>(s.checkForUpdates);
    return o;
}

void Adopt(Settings& s, const SatelliteOptions& o) {
    s.numberOfPasses = static_cast<std::int32_t>(o.numberOfPasses);
    s.hideGeostationary = static_cast<std::int32_t>(o.hideGeostationary);
    s.searchLunarPasses = static_cast<std::int32_t>(o.searchLunarPasses);
    s.searchIridiumFlares = static_cast<std::int32_t>(o.searchIridiumFlares);
    s.reportNvs = static_cast<std::int32_t>(o.reportNvs);
    s.passlistAutorefresh = static_cast<std::int32_t>(o.passlistAutorefresh);
    s.automaticKeplerUpdate = o.automaticKeplerUpdate;
    s.checkForUpdates = static_cast<std::int32_t>(o.checkForUpdates);
}

}  // namespace

void MainWindow::OpenSatelliteSettings() {
    RegistryWriter writer;
    SatelliteSettingsDialog dialog(this, catalogue_, selection_, OptionsFrom(settings_), *prompt_,
                                   writer, [this] { return clock_.Now(); });
    dialog.setObjectName(QStringLiteral("satelliteSettings"));
    connect(&dialog, &SatelliteSettingsDialog::selectionSaved, this, [this, &dialog] {
        // The workers read the selection: a search still running belongs to the old one.
        DiscardPassSearch();
        Adopt(settings_, dialog.Options());
        passList_->Model()->Clear();
        selection_ = dialog.NewSelection();
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
    if (dialog.OptionsWritten() && !dialog.Saved()) Adopt(settings_, dialog.Options());
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
