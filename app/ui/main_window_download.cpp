// The element download as the main window runs it: from the menu, the daily update and the
// question after a failed load; the services' rate rules; the reload when it succeeds.
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/ui/main_window.h"
#include "catalogue/download_times.h"
#include "catalogue/element_loader.h"
#include "catalogue/element_sources.h"
#include "catalogue/ui/element_downloader.h"
#include "common/event_log.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"

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
    }
    return downloader_;
}

bool MainWindow::StartElementDownload() {
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
    DownloadTimes times;
    times.celesTrak = ParseGroupTimes(s.celesTrakGroupDownloads);
    // A settings file from before the per-group list holds only the last group's time.
    if (IsElementGroup(s.celesTrakLastGroup) && s.celesTrakLastDownload > 0.0) {
        double& last = times.celesTrak[s.celesTrakLastGroup];
        last = std::max(last, s.celesTrakLastDownload);
    }
    times.spaceTrack = s.spaceTrackLastDownload;
    if (auto next = NextAllowedFor(times, request.source, request.group, utcNow)) {
        LogEvent(RateRuleRefusal(request.source, request.group,
                                 FormatDateTime(cJulianDate::FromJd(*next))),
                 LOG_WARNING);
        return false;
    }
    if (!downloader->Start(request)) return false;
    // A request counts whatever its outcome: the services count requests, not successes.
    NoteDownload(times, request.source, request.group, utcNow);
    if (request.source == ElementSource::CelesTrak) {
        settings_.celesTrakLastDownload = utcNow;
        settings_.celesTrakLastGroup = request.group;
        settings_.celesTrakGroupDownloads = FormatGroupTimes(times.celesTrak, utcNow);
        WriteSettings(settings_, {"CelesTrak Last Download", "CelesTrak Last Group",
                                  "CelesTrak Group Downloads"});
    } else if (request.source == ElementSource::SpaceTrack) {
        settings_.spaceTrackLastDownload = utcNow;
        WriteSettings(settings_, {"Space-Track Last Download"});
    }
    return true;
}

void MainWindow::FinishElementDownload(bool ok) {
    ShowIdleStatus();
    if (!ok) return;
    // The workers read the catalogue without locks: the new one waits for a running search.
    if (SearchRunning()) {
        QTimer::singleShot(200, this, [this] { FinishElementDownload(true); });
        return;
    }
    const ElementInstallResult& result = downloader_->Result();
    if (result.catalogue.records.empty()) return;
    // The downloaded sets as installed, including those above 339999 that the element
    // file cannot hold.
    catalogue_ = result.catalogue;
    RemapSelection(catalogue_, selection_);
    char line[96];
    std::snprintf(line, sizeof line, "%i Kepler elements loaded from file",
                  static_cast<int>(catalogue_.Count()));
    LogEvent(line, LOG_INFORMATION);
    FillPassList();
}

}  // namespace orvanta
