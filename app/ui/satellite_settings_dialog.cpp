#include "app/ui/satellite_settings_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/help_window.h"

namespace orvanta {

namespace {

// Past this many moved items the lists are rebuilt instead of edited row by row: the
// views' per-row bookkeeping grows with the square of the count.
constexpr std::size_t kIncrementalMoveLimit = 200;

void FillListWidget(QListWidget* list, const std::vector<SatelliteListItem>& items) {
    list->clear();
    for (const SatelliteListItem& item : items) {
        auto* row = new QListWidgetItem(QString::fromStdString(item.text));
        row->setData(Qt::UserRole, item.catalogueNumber);
        list->addItem(row);
    }
}

std::vector<std::size_t> SelectedRows(const QListWidget* list) {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedIndexes())
        rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QCheckBox* MakeBox(const QString& text, const char* name, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}

}  // namespace

SatelliteSettingsDialog::SatelliteSettingsDialog(QWidget* parent, const KeplerCatalogue& catalogue,
                                                 const std::vector<SelectedSat>& selection,
                                                 const SatelliteOptions& options, IPrompt& prompt,
                                                 ISettingsWriter& writer,
                                                 std::function<double()> now)
    : QDialog(parent),
      prompt_(prompt),
      writer_(writer),
      now_(std::move(now)),
      options_(options),
      chooser_(catalogue, selection, options.hideGeostationary != 0),
      formerSelection_(selection) {
    if (!now_) now_ = SystemUtcJulian;
    setWindowTitle(tr("Satellite settings"));
    // Window-modal, not application-modal: the help window stays usable while we are open.
    setWindowModality(Qt::WindowModal);
    BuildWidgets();
    ShowLists();
    PlaceBesideParent(parent);

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [] { HelpWindow::ShowContext(kHelpContext); });
}

void SatelliteSettingsDialog::BuildWidgets() {
    filterEdit_ = new QLineEdit(this);
    filterEdit_->setObjectName("filterEdit");
    filterEdit_->installEventFilter(this);
    filterButton_ = new QPushButton(tr("Filter"), this);
    filterButton_->setObjectName("filterButton");
    filterButton_->setAutoDefault(false);

    availableList_ = new QListWidget(this);
    availableList_->setObjectName("availableList");
    selectedList_ = new QListWidget(this);
    selectedList_->setObjectName("selectedList");
    for (QListWidget* list : {availableList_, selectedList_}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setUniformItemSizes(true);  // the full catalogue has tens of thousands of rows
        list->setMinimumSize(230, 260);
    }

    addButton_ = new QPushButton(tr(">> Add >>"), this);
    addButton_->setObjectName("addButton");
    deleteButton_ = new QPushButton(tr("<< Delete <<"), this);
    deleteButton_->setObjectName("deleteButton");
    for (QPushButton* b : {addButton_, deleteButton_}) b->setAutoDefault(false);

    hideBox_ = MakeBox(tr("Hide geosynchronously orbiting satellites"), "hideGeostationary",
                       chooser_.HideGeostationary(), this);

    passesEdit_ =
        new QLineEdit(QString::fromStdString(FormatNumberOfPasses(options_.numberOfPasses)), this);
    passesEdit_->setObjectName("numberOfPasses");
    passesEdit_->setMaxLength(2);
    passesEdit_->setFixedWidth(passesEdit_->fontMetrics().horizontalAdvance("000") + 16);

    flaresBox_ = MakeBox(tr("Search for &Iridium flares"), "searchIridiumFlares",
                         options_.searchIridiumFlares != 0, this);
    lunarBox_ = MakeBox(tr("Search for &Lunar passes"), "searchLunarPasses",
                        options_.searchLunarPasses != 0, this);
    reportNvsBox_ = MakeBox(tr("&Report satellites not visible to Event Log"), "reportNvs",
                            options_.reportNvs != 0, this);
    visibleOnlyBox_ = MakeBox(tr("Show visible passes only"), "visibleOnly",
                              options_.visibleOnly != 0, this);
    autorefreshBox_ = MakeBox(tr("Automatically regenerate Passlist as needed"),
                              "passlistAutorefresh", options_.passlistAutorefresh != 0, this);
    keplerUpdateBox_ = MakeBox(tr("Autoupdate Kepler Elements every 24h"), "autoKeplerUpdate",
                               options_.automaticKeplerUpdate != 0.0, this);
    checkUpdatesBox_ = MakeBox(tr("Check for program updates on startup"), "checkForUpdates",
                               options_.checkForUpdates != 0, this);

    okUpdateButton_ = new QPushButton(tr("OK && &Update"), this);
    okUpdateButton_->setObjectName("okUpdateButton");
    okUpdateButton_->setDefault(true);
    justSaveButton_ = new QPushButton(tr("&Just Save"), this);
    justSaveButton_->setObjectName("justSaveButton");
    justSaveButton_->setAutoDefault(false);
    cancelButton_ = new QPushButton(tr("&Cancel"), this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setAutoDefault(false);

    // Layout: filter row, the two lists with the move buttons between them, the options,
    // the buttons.
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterEdit_, 1);
    filterRow->addWidget(filterButton_);

    auto* moveColumn = new QVBoxLayout;
    moveColumn->addStretch(1);
    moveColumn->addWidget(addButton_);
    moveColumn->addWidget(deleteButton_);
    moveColumn->addStretch(1);

    // Both lists get the same width; the filter sits under the list it filters.
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(tr("Available Satellites"), this), 0, 0);
    lists->addWidget(new QLabel(tr("Selected Satellites"), this), 0, 2);
    lists->addWidget(availableList_, 1, 0);
    lists->addLayout(moveColumn, 1, 1);
    lists->addWidget(selectedList_, 1, 2);
    lists->addLayout(filterRow, 2, 0);
    lists->addWidget(hideBox_, 3, 0);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);

    auto* passesRow = new QHBoxLayout;
    passesRow->addWidget(new QLabel(tr("Number of passes to look ahead"), this));
    passesRow->addWidget(passesEdit_);
    passesRow->addStretch(1);

    auto* optionsBox = new QGroupBox(tr("Options"), this);
    auto* optionsGrid = new QGridLayout(optionsBox);
    optionsGrid->addLayout(passesRow, 0, 0);
    optionsGrid->addWidget(flaresBox_, 1, 0);
    optionsGrid->addWidget(lunarBox_, 2, 0);
    optionsGrid->addWidget(reportNvsBox_, 3, 0);
    optionsGrid->addWidget(autorefreshBox_, 0, 1);
    optionsGrid->addWidget(keplerUpdateBox_, 1, 1);
    optionsGrid->addWidget(checkUpdatesBox_, 2, 1);
    optionsGrid->addWidget(visibleOnlyBox_, 3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okUpdateButton_);
    buttons->addWidget(justSaveButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(optionsBox);
    layout->addLayout(buttons);

    connect(filterButton_, &QPushButton::clicked, this, &SatelliteSettingsDialog::ApplyFilter);
    connect(hideBox_, &QCheckBox::toggled, this, &SatelliteSettingsDialog::ToggleHide);
    connect(addButton_, &QPushButton::clicked, this, [this] { MoveSelected(true); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { MoveSelected(false); });
    // A double click moves the one item, as the buttons would.
    connect(availableList_, &QListWidget::itemDoubleClicked, this, [this] { MoveSelected(true); });
    connect(selectedList_, &QListWidget::itemDoubleClicked, this, [this] { MoveSelected(false); });
    connect(selectedList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (markingAlerts_ || !alertBoxes_) return;
        const std::int32_t number = item->data(Qt::UserRole).toInt();
        if (item->checkState() == Qt::Checked)
            alertSatellites_.insert(number);
        else
            alertSatellites_.erase(number);
    });
    connect(okUpdateButton_, &QPushButton::clicked, this, [this] { Save(true); });
    connect(justSaveButton_, &QPushButton::clicked, this, [this] { Save(false); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void SatelliteSettingsDialog::PlaceBesideParent(QWidget* parent) {
    if (!parent) return;
    QWidget* top = parent->window();
    const QRect r =
        top->isMaximized() || top->isMinimized() ? top->normalGeometry() : top->frameGeometry();
    move(r.left(), r.top() + 150);
}

bool SatelliteSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the filter field filters; it must not reach the default button and save.
    if (watched == filterEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ApplyFilter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SatelliteSettingsDialog::ShowLists() {
    availableList_->setUpdatesEnabled(false);
    selectedList_->setUpdatesEnabled(false);
    FillListWidget(availableList_, chooser_.Available());
    FillListWidget(selectedList_, chooser_.Selected());
    MarkAlerts();
    availableList_->setUpdatesEnabled(true);
    selectedList_->setUpdatesEnabled(true);
}

void SatelliteSettingsDialog::SetAlertSatellites(std::set<std::int32_t> numbers) {
    alertSatellites_ = std::move(numbers);
    alertBoxes_ = true;
    MarkAlerts();
}

void SatelliteSettingsDialog::MarkAlerts() {
    if (!alertBoxes_) return;
    markingAlerts_ = true;
    for (int i = 0; i < selectedList_->count(); ++i) {
        QListWidgetItem* item = selectedList_->item(i);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setToolTip(QStringLiteral("Alert: checked, a reminder before each pass"));
        item->setCheckState(alertSatellites_.count(item->data(Qt::UserRole).toInt())
                                ? Qt::Checked
                                : Qt::Unchecked);
    }
    markingAlerts_ = false;
}

void SatelliteSettingsDialog::ApplyFilter() {
    chooser_.ApplyFilter(filterEdit_->text().toStdString());
    ShowLists();
}

void SatelliteSettingsDialog::ToggleHide(bool hide) {
    options_.hideGeostationary = hide ? 1 : 0;
    chooser_.SetHideGeostationary(hide);
    ShowLists();
}

void SatelliteSettingsDialog::MoveSelected(bool add) {
    QListWidget* from = add ? availableList_ : selectedList_;
    QListWidget* to = add ? selectedList_ : availableList_;
    const std::vector<std::size_t> rows = SelectedRows(from);
    if (rows.empty()) return;
    const std::vector<std::size_t> placed = add ? chooser_.Add(rows) : chooser_.Remove(rows);
    const std::vector<SatelliteListItem>& target = add ? chooser_.Selected() : chooser_.Available();

    if (rows.size() > kIncrementalMoveLimit) {
        ShowLists();
        return;
    }
    from->setUpdatesEnabled(false);
    to->setUpdatesEnabled(false);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        delete from->takeItem(static_cast<int>(*it));
    for (std::size_t pos : placed) {
        auto* row = new QListWidgetItem(QString::fromStdString(target[pos].text));
        row->setData(Qt::UserRole, target[pos].catalogueNumber);
        to->insertItem(static_cast<int>(pos), row);
    }
    if (add) MarkAlerts();
    from->setUpdatesEnabled(true);
    to->setUpdatesEnabled(true);
}

void SatelliteSettingsDialog::Save(bool startSearch) {
    SatelliteDialogInput input;
    input.checkForUpdates = checkUpdatesBox_->isChecked();
    input.searchIridiumFlares = flaresBox_->isChecked();
    input.searchLunarPasses = lunarBox_->isChecked();
    input.passlistAutorefresh = autorefreshBox_->isChecked();
    input.autoKeplerUpdate = keplerUpdateBox_->isChecked();
    input.reportNvs = reportNvsBox_->isChecked();
    input.hideGeostationary = hideBox_->isChecked();
    input.numberOfPassesField = passesEdit_->text().toStdString();
    input.visibleOnly = visibleOnlyBox_->isChecked();

    SatelliteSaveResult result = SaveSatelliteSettings(writer_, options_, input, chooser_, now_());
    options_ = result.options;
    optionsWritten_ = true;
    if (!result.numberValid) {
        prompt_.Tell("Error", "Number of passes is not numerical!", PromptIcon::Error);
        passesEdit_->setFocus();
        passesEdit_->selectAll();
        return;
    }

    newSelection_ = std::move(result.selection);
    chooser_.SetSavedSelection(newSelection_);
    saved_ = true;
    searchRequested_ = startSearch;

    emit selectionSaved();
    emit earthViewRebuildRequested();
    if (startSearch)
        emit startPassSearchRequested();
    else
        emit passListRefillRequested();
    accept();
}

}  // namespace orvanta
