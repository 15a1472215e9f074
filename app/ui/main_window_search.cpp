// The main window's side of the pass search: starting it, watching it with timer 2, and
// taking its table when every worker has ended.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/ui/main_window.h"
#include "catalogue/element_loader.h"
#include "catalogue/pass_list_search.h"
#include "catalogue/pass_search.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"

namespace orvanta {

namespace {

void Log(const LogLine& line) {
    LogEvent(line.text, line.level);
}

// Last-write time of a file as a UTC Julian date, or 0 when it cannot be read.
double FileJulianDate(const std::filesystem::path& file) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    if (ec) return 0.0;
    const auto sys = std::chrono::file_clock::to_sys(written);
    const double seconds = std::chrono::duration<double>(sys.time_since_epoch()).count();
    return kUnixEpochJulian + seconds / 86400.0;
}

}  // namespace

const std::vector<PassRecord>& MainWindow::PassTable() const {
    return *passTable_;
}

bool MainWindow::SearchRunning() const {
    return search_ != nullptr;
}

void MainWindow::AbortPassSearch() {
    escapePressed_ = true;
}

bool MainWindow::WaitForSearch(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (SearchRunning()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (search_ && !search_->Running()) PollPassSearch();
    }
    return true;
}

int MainWindow::StartPassSearch() {
    // One search at a time: the table and the selection belong to the running one.
    if (SearchRunning()) return 1;
    const double now = clock_.Now();

    const std::filesystem::path elements = programDirectory_ / ELEMENT_FILE_NAME;
    std::error_code ec;
    if (std::filesystem::exists(elements, ec)) {
        const double written = FileJulianDate(elements);
        if (written != 0.0) {
            std::optional<double> newest;
            if (const auto epoch = NewestElementEpoch(catalogue_)) newest = epoch->Date();
            const double from = ElementAgeStart(written, newest);
            Log(ElementAgeLine(now - from, FormatDateTime(cJulianDate::FromJd(from))));
        }
    }

    if (selection_.empty() || catalogue_.Count() == 0) return 0;

    std::vector<PassSearchSatellite> satellites =
        SearchSatellitesFromSelection(catalogue_, selection_, LogEvent);
    bool anyLocated = false;
    for (const PassSearchSatellite& s : satellites) anyLocated = anyLocated || s.located;
    if (!anyLocated) return 1;

    PassSearchInputs inputs;
    inputs.now = now;
    listedFrom_ = now;
    inputs.observer = settings_.observer;
    inputs.options.searchLunarPasses = settings_.searchLunarPasses != 0;
    inputs.options.searchIridiumFlares = settings_.searchIridiumFlares != 0;
    inputs.options.reportNvs = settings_.reportNvs != 0;
    inputs.options.visibility = true;  // the list marks the passes one can see
    // The dialog allows two digits; a larger stored value would only allocate without end.
    inputs.options.passesPerSatellite = std::clamp(settings_.numberOfPasses, 0, 99);
    inputs.satellites = std::move(satellites);
    inputs.formatDateTime = [](double jd) { return FormatDateTime(cJulianDate::FromJd(jd)); };
    inputs.gate = env_.searchGate;

    LogEvent(SearchStartedText(inputs.options), LOG_INFORMATION);
    auto search = std::make_unique<PassSearch>();
    if (!search->Start(std::move(inputs), processorCount_)) return 1;
    search_ = std::move(search);
    escapePressed_ = false;
    searchAborted_ = false;
    abortProgress_ = 0.0;
    searchStartSeconds_ = SystemMonotonicSeconds();
    searchTimer_.start(200);
    return 1;
}

void MainWindow::PollPassSearch() {
    if (!search_) {
        searchTimer_.stop();
        return;
    }
    if (!searchAborted_ && !searchProgress_) {
        searchProgress_ = new QProgressBar(statusBar());
        searchProgress_->setObjectName(QStringLiteral("searchProgress"));
        searchProgress_->setRange(0, 100);
        searchProgress_->setTextVisible(false);
        LayOut();
        searchProgress_->show();
    }
    const double progress = search_->Progress();
    if (!searchAborted_) {
        statusText_->setText(QString::fromStdString(ProgressText(progress)));
        if (searchProgress_) searchProgress_->setValue(static_cast<int>(progress));
    }

    if (escapePressed_ && !searchAborted_) {
        escapePressed_ = false;
        searchAborted_ = true;
        search_->Abort();
        Log(AbortLine(SystemMonotonicSeconds() - searchStartSeconds_));
        abortProgress_ = progress;
        // The bar stays half a second so the user sees where it stopped; the timer keeps
        // polling until every worker has ended.
        DestroySearchProgress(500);
    }

    if (search_->Running()) return;
    FinishPassSearch(searchAborted_, searchAborted_ ? abortProgress_ : progress);
}

void MainWindow::FinishPassSearch(bool aborted, double progress) {
    searchTimer_.stop();
    const int selected = static_cast<int>(selection_.size());
    const int perSatellite = search_->PassesPerSatellite();
    std::vector<PassRecord> table = search_->TakeRecords();
    search_.reset();
    const double now = clock_.Now();

    if (!aborted) {
        const AutorefreshResult refresh = FindAutorefresh(table, selected, perSatellite, now);
        nextAutorefresh_ = refresh.time;
        if (refresh.satellite >= 0) {
            const KeplerRecord* sat =
                SelectedRecord(catalogue_, selection_[static_cast<std::size_t>(refresh.satellite)]);
            Log(AutorefreshLine(settings_.passlistAutorefresh != 0,
                                FormatDateTime(cJulianDate::FromJd(refresh.time)),
                                sat ? std::string(sat->DisplayName()) : std::string()));
        }
        SortPassTable(table);
    }
    passList_->Model()->Clear();
    *passTable_ = std::move(table);
    FillPassList();
    ShowIdleStatus();
    DestroySearchProgress();
    Log(SearchSummaryLine(aborted, progress, selected, perSatellite, passList_->Model()->rowCount(),
                          SystemMonotonicSeconds() - searchStartSeconds_));
}

void MainWindow::DiscardPassSearch() {
    if (!search_) return;
    search_->Abort();
    search_->Wait();
    search_.reset();
    searchTimer_.stop();
    DestroySearchProgress();
    ShowIdleStatus();
}

void MainWindow::DestroySearchProgress(int delayMs) {
    if (!searchProgress_) return;
    QProgressBar* bar = searchProgress_;
    searchProgress_ = nullptr;
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, bar, [bar] { bar->deleteLater(); });
    } else {
        bar->hide();
        bar->deleteLater();
    }
}

}  // namespace orvanta
