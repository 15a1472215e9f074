// The welcome assistant as the main window opens it at a first start and takes its choices.
#include <chrono>
#include <system_error>

#include "app/registry_settings_writer.h"
#include "app/satellite_presets.h"
#include "app/ui/main_window.h"
#include "app/ui/welcome_wizard.h"
#include "catalogue/element_loader.h"
#include "catalogue/pass_list_format.h"
#include "catalogue/pass_list_search.h"
#include "catalogue/pass_search.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "common/time_format.h"
#include "earthview/ui/earth_view.h"
#include "location/ui/gps_receiver.h"
#include "orbit/julian_date.h"

namespace orvanta {

namespace {

// How old the element sets at hand are, counted as the pass list's age line counts it.
double ElementAgeDays(const std::filesystem::path& file, const KeplerCatalogue& catalogue,
                      double now) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    std::optional<double> newest;
    if (const auto epoch = NewestElementEpoch(catalogue)) newest = epoch->Date();
    if (ec) return newest ? now - *newest : 1e9;
    const double seconds =
        std::chrono::duration<double>(std::chrono::file_clock::to_sys(written).time_since_epoch())
            .count();
    return now - ElementAgeStart(kUnixEpochJulian + seconds / 86400.0, newest);
}

}  // namespace

WelcomeWizard* MainWindow::OpenWelcome() {
    if (welcome_) {
        welcome_->raise();
        return welcome_;
    }
    WelcomeOptions options;
    options.elementsStale =
        catalogue_.Count() == 0 || ElementAgeDays(programDirectory_ / ELEMENT_FILE_NAME, catalogue_,
                                                  clock_.Now()) > kVeryInaccurateAgeDays;
    if (!GpsPortDevice(settings_.gpsComPort).empty()) options.gpsPort = settings_.gpsComPort;
    options.prompt = prompt_;
    welcome_ = new WelcomeWizard(this, catalogue_, options);
    welcome_->setAttribute(Qt::WA_DeleteOnClose);
    connect(welcome_, &QDialog::accepted, this, [this] { ApplyWelcome(welcome_->Choices()); });
    welcome_->open();
    return welcome_;
}

WelcomeWizard* MainWindow::Welcome() const {
    return welcome_;
}

void MainWindow::ApplyWelcome(const WelcomeChoices& choices) {
    DiscardPassSearch();
    if (choices.place) settings_.observer = *choices.place;
    std::vector<SelectedSat> chosen =
        PresetSelection(catalogue_, choices.presets, choices.extraNumbers);
    if (!chosen.empty()) {
        selection_ = std::move(chosen);
        ApplySelection(selection_, settings_);
    }
    if (choices.keepUpToDate) settings_.automaticKeplerUpdate = clock_.Now() + 1.0;
    // Written now, so the next start finds settings and goes straight to the list.
    WriteSettings(settings_,
                  {"Obs", "Selected Satellites", "Number of Sats", "Automatic Kepler Update"});
    if (choices.keepUpToDate)
        LogEvent("Automatic Kepler update is turned ON. Next update: " +
                     FormatDateTime(cJulianDate::FromJd(settings_.automaticKeplerUpdate)),
                 LOG_INFORMATION);

    // The brightness and the visible window say which passes are worth going out for.
    passList_->SetColumnShown(COL_MAGNITUDE, true);
    passList_->SetColumnShown(COL_VISIBLE, true);
    resize(std::max(width(), passList_->FullWidth()), height());
    // Stored now, as the choices above are, not only at a clean exit.
    SaveLayouts();

    passList_->Model()->Clear();
    passTable_->clear();
    SetPassListHeaders();
    if (earthView_) earthView_->RebuildEarthView();
    // The sets at hand are searched at once; fresh ones, when they come, search again.
    StartPassSearch();
    if (choices.download) {
        downloadFromWelcome_ = true;
        if (!StartElementDownload()) downloadFromWelcome_ = false;
    }
}

}  // namespace orvanta
