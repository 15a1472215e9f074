// The main window's layout: where the pass list, the event log and the progress bars stand
// for the window's size, the two-part status bar, and the lists' column widths and order
// kept from one run to the next.
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>

#include "app/ui/event_log_view.h"
#include "app/ui/main_window.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/ui/window_placement.h"

namespace orvanta {

namespace {

// Shown in the status bar's first part whenever nothing runs.
const char kIdleStatus[] = "Ready";

}  // namespace

MainWindowLayout ComputeMainWindowLayout(int width, int height, int statusBarHeight,
                                         bool hasHostTiles, int progressHeight) {
    MainWindowLayout l;
    const int third = height / 3;
    const int top = hasHostTiles ? 100 : 0;
    l.eventLog = QRect(0, height - third, width, third - statusBarHeight);
    l.passList = QRect(0, top, width, height - third - top);
    const int progressTop = statusBarHeight - 2 - progressHeight;
    l.searchProgress = QRect(305, progressTop, width - 325, progressHeight);
    l.downloadProgress = QRect(450, progressTop, width - 470, progressHeight);
    return l;
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(true);
    // Two parts: the first 300 pixels wide, the second to the right edge. Each draws its
    // own sunken frame, as most styles draw none around status-bar items.
    statusText_ = new QLabel(bar);
    statusText_->setObjectName(QStringLiteral("statusText"));
    statusRight_ = new QLabel(bar);
    statusRight_->setObjectName(QStringLiteral("statusRight"));
    for (QLabel* part : {statusText_, statusRight_}) {
        part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        part->setIndent(2);
    }
    statusText_->setFixedWidth(300);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(statusText_);
    bar->addWidget(statusRight_, 1);
}

void MainWindow::ShowIdleStatus() {
    statusText_->setText(QString::fromLatin1(kIdleStatus));
}

QString MainWindow::StatusText() const {
    return statusText_->text();
}

void MainWindow::RestoreLayouts() {
    auto apply = [](QHeaderView* header, const ColumnLayout& layout) {
        for (int c = 0; c < static_cast<int>(layout.widths.size()) && c < header->count(); ++c) {
            if (layout.widths[c]) header->resizeSection(c, *layout.widths[c]);
            if (layout.hidden[c]) header->setSectionHidden(c, *layout.hidden[c]);
        }
        if (layout.order && static_cast<int>(layout.order->size()) == header->count())
            for (int visual = 0; visual < header->count(); ++visual)
                header->moveSection(header->visualIndex((*layout.order)[visual]), visual);
    };
    apply(passList_->header(), RestoreColumns("Passlist", PASSLIST_COLUMNS));
    apply(eventLog_->header(), RestoreColumns("Eventlog", EVENTLOG_COLUMNS));
}

void MainWindow::SaveLayouts() {
    auto save = [](QHeaderView* header, const char* name) {
        std::vector<std::int32_t> widths, order;
        // A hidden column is stored with its width negated; the header reports it as 0
        // wide, so it keeps its default width for when it is shown again.
        for (int c = 0; c < header->count(); ++c)
            widths.push_back(header->isSectionHidden(c)
                                 ? -std::max(1, PassListColumnWidth(c))
                                 : header->sectionSize(c));
        for (int v = 0; v < header->count(); ++v) order.push_back(header->logicalIndex(v));
        SaveColumns(name, widths, order);
    };
    save(passList_->header(), "Passlist");
    save(eventLog_->header(), "Eventlog");
}

void MainWindow::SetHostTilesPresent(bool present) {
    hostTiles_ = present;
    LayOut();
}

void MainWindow::LayOut() {
    if (!central_) return;
    const int statusHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    const int progressHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const MainWindowLayout l =
        ComputeMainWindowLayout(central_->width(), central_->height() + statusHeight, statusHeight,
                                hostTiles_, progressHeight);
    passList_->setGeometry(l.passList);
    eventLog_->setGeometry(l.eventLog);
    if (searchProgress_) searchProgress_->setGeometry(l.searchProgress);
    if (downloadProgress_) downloadProgress_->setGeometry(l.downloadProgress);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOut();
}

}  // namespace orvanta
