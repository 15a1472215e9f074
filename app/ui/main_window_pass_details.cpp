// The pass list's way into the details of one pass: Enter or a double-click on a row, or
// "Pass Details..." on its context menu; and from the window back to the views at the
// pass's culmination.
#include <QMenu>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/pass_details_window.h"
#include "catalogue/pass_list.h"
#include "catalogue/ui/pass_list_model.h"

namespace orvanta {

void MainWindow::ConnectPassDetails() {
    connect(passList_, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { OpenPassDetails(index.row()); });
    passList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(passList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = passList_->indexAt(at);
        if (!index.isValid()) return;
        QMenu menu;
        menu.addAction(QStringLiteral("Pass Details..."), this,
                       [this, row = index.row()] { OpenPassDetails(row); });
        menu.exec(passList_->viewport()->mapToGlobal(at));
    });
}

PassDetailsWindow* MainWindow::OpenPassDetails(int row) {
    const PassListModel* model = passList_->Model();
    if (row < 0 || row >= model->rowCount()) return nullptr;
    const int index = model->RecordIndex(row);
    const std::vector<PassRecord>& table = PassTable();
    if (index < 0 || index >= static_cast<int>(table.size())) return nullptr;
    const PassRecord& pass = table[static_cast<std::size_t>(index)];
    const KeplerRecord* sat = PassSatellite(pass, model->Context());
    if (!sat) return nullptr;
    PassDetailsInput input;
    input.elements =
        cElementSet(std::string(sat->Name()), std::string(sat->Line1()), std::string(sat->Line2()));
    input.name = std::string(sat->DisplayName());
    input.pass = pass;
    input.observer = model->Context().observer;
    input.now = Now();
    input.downlinkHz = FirstKnownDownlinkHz(sat->catalogueNumber);
    input.prompt = prompt_;
    input.showInView = [this](double culmination, bool skyView) {
        clock_.SetProgramTime(culmination);
        ShowProgramTimeState();
        ProgramTimeJumped();
        if (skyView)
            OpenSkyView();
        else
            OpenEarthView();
    };
    auto* window = new PassDetailsWindow(std::move(input), this);
    connect(window, &PassDetailsWindow::SatelliteDetailsRequested, this,
            [this](int catalogueNumber) { OpenSatelliteDetails(catalogueNumber); });
    window->show();
    return window;
}

}  // namespace orvanta
