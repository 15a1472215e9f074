#pragma once
// The pass list: a table model over the pass table and the black report view that shows
// it. A tick removes ended rows one by one and updates only the cells that changed.
#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/pass_list.h"
#include "common/time_format.h"

class QMenu;

namespace orvanta {

class PassListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PassListModel(QObject* parent = nullptr);

    // What the rows are drawn from; the pointers must stay valid while the model shows rows.
    void SetContext(const KeplerCatalogue* catalogue, const std::vector<SelectedSat>* selection,
                    std::vector<PassRecord>* table, const ObserverLocation& observer);
    void SetDistanceUnit(int metric) { context_.metric = metric; }
    // The row images by index (the program's shared icons); none until set.
    void SetIconProvider(std::function<QIcon(int)> provider) { icons_ = std::move(provider); }
    // 24-hour form or the locale's; the display offset is taken at each fill.
    void SetTimeOptions(bool use24h);
    // "Visible Only": rows only for the passes one can see (taken at the next fill).
    void SetVisibleOnly(bool on) { context_.visibleOnly = on; }
    // Takes effect at the next Fill; null lists every pass.
    using RowFilter = std::function<bool(const PassRecord&, const PassListContext&)>;
    void SetRowFilter(RowFilter keep) {
        context_.keep = std::move(keep);
    }
    // The locale's time format for the 12-hour setting; none: "h:mm:ss AM".
    void SetLocaleTime(std::shared_ptr<const IDateTimeRenderer> renderer) {
        localeTime_ = std::move(renderer);
    }
    // AOS/LOS header texts from the zone label ("UTC" or the zone's).
    void SetHeaders(const std::string& zoneLabel);

    // Rebuilds every row from the table (search complete, settings changed).
    void Fill(double now);
    // Once a second: drop ended passes, refresh countdowns and live values.
    void Tick(double now);
    // Removes every row.
    void Clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Index into the pass table of a row's record (the row's item data).
    int RecordIndex(int row) const { return shown_[static_cast<std::size_t>(row)]; }
    const PassListContext& Context() const { return context_; }
    double LastNow() const { return now_; }

    // Role carrying the pass-table index of a row.
    static constexpr int RecordIndexRole = Qt::UserRole + 1;

private:
    PassListContext context_;
    std::vector<PassRecord>* table_ = nullptr;
    PassListRows rows_;
    std::vector<int> shown_;  // what the view has been told: row -> pass-table index
    std::function<QIcon(int)> icons_;
    mutable std::map<int, QIcon> markedIcons_;  // row images with the visible-pass mark
    QIcon MarkedIcon(int index) const;
    std::shared_ptr<const IDateTimeRenderer> localeTime_;
    bool use24h_ = false;
    double now_ = 0.0;
    QString aosHeader_ = QStringLiteral("AOS");
    QString losHeader_ = QStringLiteral("LOS");
};

class PassListView : public QTreeView {
    Q_OBJECT
public:
    explicit PassListView(QWidget* parent = nullptr);
    PassListModel* Model() const { return model_; }
    // The column menu (the header's context menu): one checkable item per column but the
    // satellite's; "Mag" and "Visible" start unchecked.
    void FillColumnMenu(QMenu* menu);
    void SetColumnShown(int column, bool shown);
    // Width that shows every visible column without scrolling.
    int FullWidth() const;

private:
    PassListModel* model_;
};

}  // namespace orvanta
