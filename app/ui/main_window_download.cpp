// The element download as the main window runs it: from the menu, the daily update and the
// question after a failed load; the services' rate rules; the reload when it succeeds.
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/ui/main_window.h"
#include "app/ui/satellite_details_window.h"
#include "catalogue/download_times.h"
#include "catalogue/element_install.h"
#include "catalogue/element_loader.h"
#include "catalogue/element_sources.h"
#include "catalogue/ui/element_downloader.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "common/prompt.h"
#include "common/time_format.h"
#include "earthview/ui/earth_view.h"
#include "orbit/julian_date.h"
#include "radio/ui/radio_window.h"

namespace orvanta {

ElementDownloader* MainWindow::Downloader() {
    if (!downloader_) {
        downloader_ = new ElementDownloader(this);
        connect(downloader_, &ElementDownloader::LogLine, this,
                [](const QString& text, int level) { LogEvent(text.toStdString(), level); });
        connect(downloader_, &ElementDownloader::StatusText, this,
                [this](const QString& text) { statusText_->setText(text); });
        connect(downloader_, &ElementDownloader::Finished, this,
                &MainWindow::FinishElementDownload);
        connect(downloader_, &ElementDownloader::Answered, this,
                &MainWindow::NoteElementDownloadAnswered);
    }
    return downloader_;
}

namespace {

// The times of the services' rate rules as the settings keep them.
DownloadTimes StoredDownloadTimes(const Settings& s) {
    DownloadTimes times;
    times.celesTrak = ParseGroupTimes(s.celesTrakGroupDownloads);
    // A settings file from before the per-group list holds only the last group's time.
    if (IsElementGroup(s.celesTrakLastGroup) && s.celesTrakLastDownload > 0.0) {
        double& last = times.celesTrak[s.celesTrakLastGroup];
        last = std::max(last, s.celesTrakLastDownload);
    }
    times.spaceTrack = s.spaceTrackLastDownload;
    return times;
}

}  // namespace

bool MainWindow::StartElementDownload(bool fromMenu) {
    ElementDownloader* downloader = Downloader();
    if (downloader->Running()) {
        LogEvent("An element download is already running", LOG_WARNING);
        return false;
    }
    const Settings& s = settings_;
    ElementDownloadRequest request;
    request.source = ParseElementSource(s.elementSource).value_or(ElementSource::CelesTrak);
    request.group = IsElementGroup(s.elementGroup) ? s.elementGroup : DEFAULT_ELEMENT_GROUP;
    request.format = IsElementFormat(s.elementFormat) ? s.elementFormat : DEFAULT_ELEMENT_FORMAT;
    request.celesTrakUrl = s.celesTrakUrl;
    request.spaceTrackUrl = s.spaceTrackUrl;
    request.user = s.spaceTrackUsername;
    request.password = s.spaceTrackPassword;
    request.legacy.host = s.elementServerHost;
    request.legacy.port = static_cast<std::uint16_t>(s.elementServerPort);
    request.legacy.headerHost = s.elementServerHeaderHost;
    request.legacy.vendorHost = s.vendorHost;
    request.target = programDirectory_ / ELEMENT_FILE_NAME;

    // The services' own rules count real time, not the time the views are moved to.
    const double utcNow = clock_.Now() - clock_.OffsetDays();
    DownloadTimes times = StoredDownloadTimes(s);
    times.unanswered = downloadUnanswered_;
    std::string refusal;
    if (auto next = NextRetryAfterNoAnswer(times, utcNow))
        refusal = NoAnswerRefusal(FormatDateTime(cJulianDate::FromJd(*next)));
    else if (auto next = NextAllowedFor(times, request.source, request.group, utcNow))
        refusal = RateRuleRefusal(request.source, request.group,
                                  FormatDateTime(cJulianDate::FromJd(*next)));
    if (!refusal.empty()) {
        LogEvent(refusal, LOG_WARNING);
        if (fromMenu) statusText_->setText(QString::fromStdString(refusal));
        return false;
    }
    downloadSource_ = static_cast<int>(request.source);
    downloadGroup_ = request.group;
    // Set first: a download may fail before Start returns.
    downloadFromMenu_ = fromMenu;
    if (!downloader->Start(request)) {
        FinishElementDownload(false);
        return false;
    }
    return true;
}

void MainWindow::NoteElementDownloadAnswered() {
    // Only a request the service saw counts for its rule, whatever it answered.
    const double utcNow = clock_.Now() - clock_.OffsetDays();
    const auto source = static_cast<ElementSource>(downloadSource_);
    DownloadTimes times = StoredDownloadTimes(settings_);
    NoteDownload(times, source, downloadGroup_, utcNow);
    if (source == ElementSource::CelesTrak) {
        settings_.celesTrakLastDownload = utcNow;
        settings_.celesTrakLastGroup = downloadGroup_;
        settings_.celesTrakGroupDownloads = FormatGroupTimes(times.celesTrak, utcNow);
        WriteSettings(settings_, {"CelesTrak Last Download", "CelesTrak Last Group",
                                  "CelesTrak Group Downloads"});
    } else if (source == ElementSource::SpaceTrack) {
        settings_.spaceTrackLastDownload = utcNow;
        WriteSettings(settings_, {"Space-Track Last Download"});
    }
}

void MainWindow::FinishElementDownload(bool ok) {
    ShowIdleStatus();
    if (!ok) {
        // Refused, unresolved or timed out before any answer: worth another try soon.
        if (!downloader_->ServiceAnswered())
            downloadUnanswered_ = clock_.Now() - clock_.OffsetDays();
        if (downloadFromWelcome_) {
            downloadFromWelcome_ = false;
            LogEvent("No fresh element sets could be downloaded (" +
                         downloader_->LastError().toStdString() +
                         "): the built-in ones are used, with their age warning",
                     LOG_WARNING);
        }
        if (!downloadFromMenu_) return;
        downloadFromMenu_ = false;
        const QString error = downloader_->LastError();
        statusText_->setText(QStringLiteral("Element download failed: ") + error);
        prompt_->Tell("Download Keplers",
                      ("The element download failed:\n" + error + "\n\nAddress tried: " +
                       downloader_->Address())
                          .toStdString(),
                      PromptIcon::Error);
        return;
    }
    downloadFromMenu_ = false;
    downloadFromWelcome_ = false;
    // The workers read the catalogue without locks: the new one waits for a running search.
    if (SearchRunning()) {
        QTimer::singleShot(200, this, [this] { FinishElementDownload(true); });
        return;
    }
    const ElementInstallResult& result = downloader_->Result();
    if (result.catalogue.records.empty()) return;
    // The downloaded sets as installed, including those above 339999 that the element
    // file cannot hold.
    ReplaceCatalogue(result.catalogue);
}

void MainWindow::ReplaceCatalogue(const KeplerCatalogue& catalogue) {
    catalogue_ = catalogue;
    RemapSelection(catalogue_, selection_);
    char line[96];
    std::snprintf(line, sizeof line, "%i Kepler elements loaded from file",
                  static_cast<int>(catalogue_.Count()));
    LogEvent(line, LOG_INFORMATION);
    if (const auto newest = NewestElementEpoch(catalogue_)) {
        int level = LOG_INFORMATION;
        const std::string age =
            NewElementsAgeLine(clock_.Now() - newest->Date(), FormatDateTime(*newest), level);
        LogEvent(age, level);
    }
    // The passes, tracks and orbits of the old sets would go on being shown as current.
    passList_->Model()->Clear();
    passTable_->clear();
    FillPassList();
    if (earthView_) {
        earthView_->RebuildEarthView();
        earthView_->update();
    }
    const auto newElements = [this](int number) -> std::optional<cElementSet> {
        for (const KeplerRecord& k : catalogue_.records)
            if (k.catalogueNumber == number)
                return cElementSet(std::string(k.Name()), std::string(k.Line1()),
                                   std::string(k.Line2()));
        return std::nullopt;
    };
    if (auto* radio = findChild<RadioWindow*>()) radio->OnCatalogueReplaced(newElements);
    for (SatelliteDetailsWindow* details : findChildren<SatelliteDetailsWindow*>()) {
        if (const auto elements = newElements(details->CatalogueNumber()))
            details->SetElements(*elements);
        else
            details->close();  // no longer in the catalogue: its old values would mislead
    }
    StartPassSearch();
}

}  // namespace orvanta
