#include "catalogue/ui/pass_list_model.h"

#include <QColor>
#include <QFont>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "common/time_format.h"
#include "orbit/julian_date.h"

namespace orvanta {

namespace {

QColor ToQColor(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

PassListModel::PassListModel(QObject* parent) : QAbstractTableModel(parent) {}

void PassListModel::SetContext(const KeplerCatalogue* catalogue,
                               const std::vector<SelectedSat>* selection,
                               std::vector<PassRecord>* table, const ObserverLocation& observer) {
    context_.catalogue = catalogue;
    context_.selection = selection;
    context_.observer = observer;
    table_ = table;
}

void PassListModel::SetTimeOptions(bool use24h) {
    use24h_ = use24h;
}

void PassListModel::SetHeaders(const std::string& zoneLabel) {
    aosHeader_ = QString::fromStdString(PassListHeader("AOS", zoneLabel));
    losHeader_ = QString::fromStdString(PassListHeader("LOS", zoneLabel));
    emit headerDataChanged(Qt::Horizontal, COL_AOS, COL_LOS);
}

void PassListModel::Fill(double now) {
    beginResetModel();
    now_ = now;
    // The display offset is taken once per fill, as the list has always done; a tick
    // re-reads it only when the system time changes (which refills).
    context_.time.use24h = use24h_;
    context_.time.displayOffsetMinutes =
        CurrentTimeFormatter().DisplayOffsetMinutes(cJulianDate::FromJd(now));
    context_.time.localeTime = localeTime_.get();
    if (table_)
        rows_.Fill(*table_, now, context_);
    else
        rows_.Clear();
    shown_ = rows_.Rows();
    endResetModel();
}

void PassListModel::Tick(double now) {
    // Back in time a pass under way becomes one ahead, which no live row reports.
    const bool back = now < now_;
    now_ = now;
    if (!table_) {
        Clear();
        return;
    }
    // The view sees the removals one by one, in the order the walk made them, each
    // against the rows it has at that moment.
    const PassListRows::TickChanges changes = rows_.Tick(*table_, now, context_);
    for (int row : changes.removed) {
        beginRemoveRows(QModelIndex(), row, row);
        shown_.erase(shown_.begin() + row);
        endRemoveRows();
    }
    if (rowCount() == 0) return;
    if (back) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, PASS_LIST_COLUMNS - 1));
        return;
    }
    emit dataChanged(index(0, COL_COUNTDOWN), index(rowCount() - 1, COL_COUNTDOWN),
                     {Qt::DisplayRole});
    for (int row : changes.live) emit dataChanged(index(row, 0), index(row, PASS_LIST_COLUMNS - 1));
}

void PassListModel::Clear() {
    if (shown_.empty() && rows_.Count() == 0) return;
    beginResetModel();
    rows_.Clear(table_);
    shown_.clear();
    endResetModel();
}

int PassListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int PassListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : PASS_LIST_COLUMNS;
}

QVariant PassListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !table_ || index.row() >= rowCount()) return {};
    const int record = shown_[static_cast<std::size_t>(index.row())];
    if (record < 0 || record >= static_cast<int>(table_->size())) return {};
    const PassRecord& r = (*table_)[static_cast<std::size_t>(record)];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(PassCellText(r, index.column(), now_, context_));
        case Qt::DecorationRole:
            if (index.column() != COL_SATELLITE || !icons_) return {};
            return r.HasVisibleWindow() ? QVariant(MarkedIcon(PassIconIndex(r)))
                                        : QVariant(icons_(PassIconIndex(r)));
        case Qt::ToolTipRole: {
            const std::string tip = PassVisibilityTooltip(r, context_.time);
            return tip.empty() ? QVariant() : QVariant(QString::fromStdString(tip));
        }
        case Qt::ForegroundRole:
            return ToQColor(PassRowTextColour(r, now_));
        case Qt::BackgroundRole: {
            const auto bg = PassCellBackground(index.column());
            return bg ? QVariant(ToQColor(*bg)) : QVariant();
        }
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        case RecordIndexRole:
            return record;
        default:
            return {};
    }
}

// The row's own image with a small yellow star in its lower right corner: the pass can be
// seen with the eye.
QIcon PassListModel::MarkedIcon(int index) const {
    const auto found = markedIcons_.find(index);
    if (found != markedIcons_.end()) return found->second;
    QPixmap pixmap = icons_(index).pixmap(QSize(16, 16));
    if (pixmap.isNull()) {
        pixmap = QPixmap(16, 16);
        pixmap.fill(Qt::transparent);
    }
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QPolygonF star;
        const QPointF c(11.5, 11.5);
        for (int i = 0; i < 10; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 2.0 : 4.5;
            star << c + QPointF(r * std::cos(a), r * std::sin(a));
        }
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(QColor(255, 220, 0));
        p.drawPolygon(star);
    }
    QIcon icon(pixmap);
    markedIcons_.emplace(index, icon);
    return icon;
}

QVariant PassListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    if (section == COL_AOS) return aosHeader_;
    if (section == COL_LOS) return losHeader_;
    return QString::fromLatin1(PassListColumnTitle(section));
}

PassListView::PassListView(QWidget* parent) : QTreeView(parent), model_(new PassListModel(this)) {
    setObjectName(QStringLiteral("passList"));
    setModel(model_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setIconSize(QSize(16, 16));
    // The column widths suit a narrow 8-point face (Arial, or its metric twin); the wider
    // default font of most desktops would cut every time short.
    QFont small = font();
    small.setFamilies({QStringLiteral("Arial"), small.family()});
    small.setPointSizeF(8.0);
    setFont(small);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::AlternateBase, Qt::black);
    p.setColor(QPalette::Text, Qt::white);
    setPalette(p);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignCenter);
    // A header wider than its default width ("Lunar Pass Start") would be cut.
    for (int c = 0; c < PASS_LIST_COLUMNS; ++c) {
        header()->resizeSection(c, std::max(PassListColumnWidth(c), header()->sectionSizeHint(c)));
        header()->setSectionHidden(c, PassListColumnOptional(c));
    }
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        FillColumnMenu(&menu);
        menu.exec(header()->mapToGlobal(at));
    });
}

void PassListView::FillColumnMenu(QMenu* menu) {
    menu->clear();
    // The satellite column names the row, so it always stays.
    for (int c = COL_SATELLITE + 1; c < PASS_LIST_COLUMNS; ++c) {
        const QString title = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QAction* a = menu->addAction(QString(title).replace(QLatin1Char('&'), QStringLiteral("&&")));
        a->setCheckable(true);
        a->setChecked(!header()->isSectionHidden(c));
        connect(a, &QAction::toggled, this, [this, c](bool shown) { SetColumnShown(c, shown); });
    }
}

int PassListView::FullWidth() const {
    return header()->length() + 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void PassListView::SetColumnShown(int column, bool shown) {
    if (shown == !header()->isSectionHidden(column)) return;
    header()->setSectionHidden(column, !shown);
    // A column hidden since the start comes back at its first width.
    if (shown && header()->sectionSize(column) == 0)
        header()->resizeSection(column, std::max(PassListColumnWidth(column),
                                                 header()->sectionSizeHint(column)));
}

}  // namespace orvanta
