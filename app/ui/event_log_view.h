#pragma once
// The event log list: newest entry first, local date and time, level icon, and the message
// cell coloured by level. It drains the event queue on the user-interface thread whenever
// any thread logs.
#include <QAbstractTableModel>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>

#include "common/event_log.h"

namespace orvanta {

class EventLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { COL_TIME = 0, COL_MESSAGE = 1, COLUMNS = 2 };

    explicit EventLogModel(QObject* parent = nullptr);
    ~EventLogModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Message text of a row (0 = newest), for tests and copy.
    QString Message(int row) const;
    int Level(int row) const;

    // Background of a message cell by level: green, yellow, red, else white.
    static QColor LevelColour(int level);
    // "date   time", local, in the user's locale.
    static QString FormatLocalTime(std::chrono::system_clock::time_point when);

public slots:
    // Moves every queued entry into the list, newest at the top.
    void Drain();

private:
    struct Row {
        QString time;
        QString text;
        int level;
    };
    std::deque<Row> rows_;  // rows_[0] is the newest
    std::shared_ptr<std::atomic<bool>> drainPending_;
};

class EventLogView : public QTreeView {
    Q_OBJECT
public:
    explicit EventLogView(QWidget* parent = nullptr);
    EventLogModel* Model() const { return model_; }

private:
    EventLogModel* model_;
};

}  // namespace orvanta
