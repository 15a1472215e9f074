#include "hostmon/ui/trace_route_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "hostmon/host_monitor.h"

namespace orvanta {

TraceRouteDialog::TraceRouteDialog(QWidget* mainWindow, TraceRequest request)
    : QDialog(mainWindow), request_(std::move(request)) {
    setWindowTitle(QStringLiteral("Traceroute result"));
    setObjectName(QStringLiteral("traceRoute"));
    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("traceList"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("IP"),
                            QStringLiteral("Hostname"), QStringLiteral("Message")});
    const int widths[4] = {50, 100, 150, 150};
    for (int c = 0; c < 4; ++c) list_->setColumnWidth(c, widths[c]);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(500, 300);
    if (mainWindow) {
        const QRect g =
            mainWindow->isMaximized() ? mainWindow->normalGeometry() : mainWindow->frameGeometry();
        move(g.left(), g.top() + 150);
    }
    request_.stop = &stop_;
    startTimer_.setSingleShot(true);
    connect(&startTimer_, &QTimer::timeout, this, &TraceRouteDialog::Start);
    connect(this, &QDialog::finished, this, [this] { Stop(); });
    startTimer_.start(100);
}

TraceRouteDialog::~TraceRouteDialog() {
    Stop();
}

void TraceRouteDialog::Start() {
    worker_ = std::make_unique<std::thread>([this] {
        std::string why;
        const bool started = TraceRoute(
            request_,
            [this](const TraceRow& row) {
                QMetaObject::invokeMethod(
                    this, [this, row] { AddRow(row); }, Qt::QueuedConnection);
            },
            &why);
        if (!started && why.find("ping needs") == 0) ReportSocketFailureOnce(why);
        QMetaObject::invokeMethod(
            this,
            [this] {
                finished_ = true;
                emit traceFinished();
            },
            Qt::QueuedConnection);
    });
}

void TraceRouteDialog::AddRow(const TraceRow& row) {
    auto* item = new QTreeWidgetItem(list_);
    if (row.answered) {
        item->setText(0, QString::number(row.rttMs));
        item->setText(1, QString::fromStdString(FormatIpv4(row.address)));
    } else {
        item->setText(0, QStringLiteral("*"));  // no answer from this hop
    }
    item->setText(3, QString::fromStdString(row.message));
}

void TraceRouteDialog::Stop() {
    startTimer_.stop();
    stop_ = true;
    if (worker_) {
        worker_->join();
        worker_.reset();
    }
}

}  // namespace orvanta
