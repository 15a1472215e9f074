// The main window's side of the time control: the dialog, the status-bar field that keeps
// simulated time from passing for real time, the radio window's gate, the satellite details
// windows that follow the clock, and a new search when the program time leaves the listed
// passes.
#include <QItemSelectionModel>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

#include "app/ui/main_window.h"
#include "app/ui/satellite_details_window.h"
#include "app/ui/time_control.h"
#include "catalogue/pass_record.h"
#include "catalogue/ui/pass_list_model.h"
#include "radio/ui/radio_window.h"

namespace orvanta {

void MainWindow::OpenTimeControl() {
    if (!timeControl_) {
        auto* dialog = new TimeControlDialog(
            clock_, settings_.displayUtc != 0, [this] { ProgramTimeJumped(); },
            [this] { ShowProgramTimeState(); }, [this] { return NextAosStep(); }, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        // "Next AOS" follows the row chosen in the pass list at once, not at the next tick.
        connect(passList_->selectionModel(), &QItemSelectionModel::selectionChanged, dialog,
                &TimeControlDialog::Refresh);
        timeControl_ = dialog;
    }
    timeControl_->show();
    timeControl_->raise();
    timeControl_->activateWindow();
}

TimeControlDialog* MainWindow::TimeControl() const {
    return timeControl_.data();
}

void MainWindow::ShowProgramTimeState() {
    const bool real = clock_.IsRealTime();
    if (auto* radio = findChild<RadioWindow*>()) radio->SetRealTime(real);
    if (timeControl_) timeControl_->Refresh();
    for (SatelliteDetailsWindow* details : findChildren<SatelliteDetailsWindow*>())
        details->Refresh();
    if (real && !simulatedField_) return;  // real time as it always was: nothing added
    if (!simulatedField_) {
        simulatedField_ = new QLabel(statusBar());
        simulatedField_->setObjectName(QStringLiteral("simulatedTime"));
        simulatedField_->setStyleSheet(
            QStringLiteral("QLabel { background: yellow; color: black; }"));
        simulatedField_->setToolTip(QStringLiteral("Ctrl+T, Now returns to real time"));
        statusBar()->addPermanentWidget(simulatedField_);
    }
    simulatedField_->setVisible(!real);
    if (!real)
        simulatedField_->setText(SimulatedTimeText(clock_.Now(), clock_.Rate(), clock_.Paused(),
                                                   settings_.displayUtc != 0));
}

void MainWindow::ProgramTimeJumped() {
    const double now = clock_.Now();
    double listedTo = listedFrom_;
    for (const PassRecord& p : *passTable_) listedTo = std::max(listedTo, p.los);
    if (now < listedFrom_ || now > listedTo) {
        // A search under way is for the old time.
        DiscardPassSearch();
        StartPassSearch();
    }
    passList_->Model()->Tick(now);
}

std::optional<double> MainWindow::NextAosStep() const {
    const PassListModel* model = passList_->Model();
    const std::vector<PassRecord>& table = *passTable_;
    const auto aosOf = [&](int row) -> std::optional<double> {
        if (row < 0 || row >= model->rowCount()) return std::nullopt;
        const int index = model->RecordIndex(row);
        if (index < 0 || index >= static_cast<int>(table.size())) return std::nullopt;
        const PassRecord& p = table[static_cast<std::size_t>(index)];
        if (p.IsEmpty()) return std::nullopt;
        return p.aos;
    };
    const QModelIndexList selected = passList_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) return aosOf(selected.first().row());
    const double now = clock_.Now();
    std::optional<double> next;
    for (int row = 0; row < model->rowCount(); ++row)
        if (const auto aos = aosOf(row); aos && *aos > now && (!next || *aos < *next)) next = aos;
    return next;
}

}  // namespace orvanta
