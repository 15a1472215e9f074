// File > Export Passes...: the pass list as CSV or iCalendar, for spreadsheets and calendars.
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>
#include <string>
#include <vector>

#include "app/ui/main_window.h"
#include "catalogue/pass_export.h"
#include "catalogue/pass_list.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/prompt.h"

namespace orvanta {

namespace {

const QString kCsvFilter = QStringLiteral("CSV files (*.csv)");
const QString kICalFilter = QStringLiteral("iCalendar files (*.ics)");

}  // namespace

bool MainWindow::ExportPassesTo(const QString& path, bool iCalendar, QString* error) const {
    // The rows the list shows, in its order (with "Visible Only", only those).
    std::vector<PassExportRow> rows;
    const PassListModel* model = passList_->Model();
    const std::vector<PassRecord>& table = PassTable();
    for (int row = 0; row < model->rowCount(); ++row) {
        const int index = model->RecordIndex(row);
        if (index < 0 || index >= static_cast<int>(table.size())) continue;
        const PassRecord& r = table[static_cast<std::size_t>(index)];
        const KeplerRecord* sat = PassSatellite(r, model->Context());
        if (!sat) continue;
        rows.push_back({sat->catalogueNumber, std::string(sat->Name()), r});
    }
    // Each event reminds the calendar's user as far ahead as the pass alerts do.
    const std::string text =
        iCalendar ? PassesICalendar(rows, Now(), AlertMinutes()) : PassesCsv(rows);
    // Written whole or not at all: a full disc never leaves half a calendar behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    statusText_->setText(QStringLiteral("Passes exported to ") +
                         QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    return true;
}

void MainWindow::ExportPasses() {
    QString filter = kCsvFilter;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Passes"), QStringLiteral("passes.csv"),
        kCsvFilter + QStringLiteral(";;") + kICalFilter, &filter);
    if (path.isEmpty()) return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool iCalendar = suffix == QStringLiteral("ics") || suffix == QStringLiteral("ical") ||
                           (suffix != QStringLiteral("csv") && filter == kICalFilter);
    QString error;
    if (!ExportPassesTo(path, iCalendar, &error))
        prompt_->Tell("Error",
                      ("The passes could not be saved to " + path + ": " + error).toStdString(),
                      PromptIcon::Error);
}

}  // namespace orvanta
