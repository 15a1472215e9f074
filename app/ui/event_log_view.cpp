#include "app/ui/event_log_view.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QPointer>

#include "app/ui/icons.h"
#include "common/time_format.h"

namespace orvanta {

EventLogModel::EventLogModel(QObject* parent)
    : QAbstractTableModel(parent), drainPending_(std::make_shared<std::atomic<bool>>(false)) {
    // The notifier runs on whichever thread logs. It posts one drain at a time to the
    // application object, which outlives every model, and the QPointer turns a drain that
    // arrives after the model is gone into nothing.
    QPointer<EventLogModel> self(this);
    auto pending = drainPending_;
    SetEventNotifier([self, pending] {
        if (pending->exchange(true)) return;
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [self, pending] {
                    pending->store(false);
                    if (self) self->Drain();
                },
                Qt::QueuedConnection);
    });
    // Entries logged before the window existed.
    Drain();
}

EventLogModel::~EventLogModel() {
    SetEventNotifier({});
}

int EventLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EventLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : COLUMNS;
}

QColor EventLogModel::LevelColour(int level) {
    switch (level) {
        case LOG_SUCCESS:
            return QColor(0, 255, 0);
        case LOG_WARNING:
            return QColor(255, 255, 0);
        case LOG_ERROR:
            return QColor(255, 0, 0);
        default:
            return QColor(255, 255, 255);
    }
}

QString EventLogModel::FormatLocalTime(std::chrono::system_clock::time_point when) {
    return QString::fromStdString(CurrentTimeFormatter().FormatEventTime(when));
}

QVariant EventLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return index.column() == COL_TIME ? row.time : row.text;
        case Qt::DecorationRole:
            return index.column() == COL_TIME ? QVariant(SharedIcon(row.level)) : QVariant();
        case Qt::BackgroundRole:
            return index.column() == COL_MESSAGE ? QVariant(LevelColour(row.level)) : QVariant();
        case Qt::ForegroundRole:
            return index.column() == COL_MESSAGE ? QVariant(QColor(Qt::black)) : QVariant();
        default:
            return {};
    }
}

QVariant EventLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == COL_TIME ? QStringLiteral("Time") : QStringLiteral("Message");
}

QString EventLogModel::Message(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].text : QString();
}

int EventLogModel::Level(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].level : -1;
}

void EventLogModel::Drain() {
    std::vector<EventEntry> entries = TakeQueuedEvents();
    if (entries.empty()) return;
    const int n = static_cast<int>(entries.size());
    beginInsertRows(QModelIndex(), 0, n - 1);
    for (const EventEntry& e : entries) {
        rows_.push_front({FormatLocalTime(e.when), QString::fromStdString(e.text), e.level});
    }
    endInsertRows();
}

EventLogView::EventLogView(QWidget* parent) : QTreeView(parent), model_(new EventLogModel(this)) {
    setModel(model_);
    setObjectName(QStringLiteral("eventLog"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setIconSize(QSize(16, 16));
    header()->setSectionsMovable(true);
    // The message takes whatever width the time leaves.
    header()->setStretchLastSection(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->resizeSection(EventLogModel::COL_TIME, 175);
    header()->resizeSection(EventLogModel::COL_MESSAGE, 500);
}

}  // namespace orvanta
