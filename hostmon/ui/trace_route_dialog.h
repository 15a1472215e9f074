#pragma once
// "Traceroute result": the hops to a host, added as their answers arrive. The trace runs
// on a worker; closing the dialog stops it.
#include <QDialog>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "hostmon/icmp.h"

class QTreeWidget;

namespace orvanta {

class TraceRouteDialog : public QDialog {
    Q_OBJECT
public:
    TraceRouteDialog(QWidget* mainWindow, TraceRequest request);
    ~TraceRouteDialog() override;

    QTreeWidget* List() const { return list_; }
    bool Finished() const { return finished_; }

signals:
    void traceFinished();

private:
    void Start();
    void AddRow(const TraceRow& row);
    void Stop();

    TraceRequest request_;
    QTreeWidget* list_ = nullptr;
    QTimer startTimer_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<std::thread> worker_;
    bool finished_ = false;
};

}  // namespace orvanta
