#include "app/ui/pass_alert_service.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "common/event_log.h"

namespace orvanta {

PassAlertService::PassAlertService(QWidget* window)
    : QObject(window), window_(window), settings_(ReadPassAlertSettings()) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(window->windowIcon(), this);
    auto* menu = new QMenu(window);
    menu->addAction(QStringLiteral("Show"), this, &PassAlertService::ShowWindow);
    menu->addAction(QStringLiteral("Exit"), this, [this] {
        exiting_ = true;
        emit exitRequested();
    });
    tray_->setContextMenu(menu);
    tray_->setToolTip(QStringLiteral("Orvanta"));
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) ShowWindow();
    });
    tray_->show();
}

PassAlertService::~PassAlertService() = default;

void PassAlertService::SetSettings(const PassAlertSettings& settings) {
    settings_ = settings;
    WritePassAlertSettings(settings_);
}

void PassAlertService::Tick(const std::vector<PassAlertRow>& rows, double realNow,
                            bool realTime, const RowTimeOptions& time) {
    for (const DueAlert& alert : alerts_.Due(rows, settings_, realNow, realTime, time))
        Tell(alert);
    if (!tray_) return;
    // A simulated time's rows are not the coming passes.
    std::string tip = realTime ? NextPassText(rows, realNow, time) : std::string();
    if (tip.empty()) tip = "Orvanta";
    if (tip != tooltip_) {
        tooltip_ = tip;
        tray_->setToolTip(QString::fromStdString(tip));
    }
}

void PassAlertService::Tell(const DueAlert& alert) {
    LogEvent(alert.text, LOG_INFORMATION);
    if (settings_.sound) QApplication::beep();
    platform::DesktopNotification n;
    n.summary = alert.title;
    n.body = alert.text;
    QPointer<PassAlertService> self(this);
    notify_(n, [self, alert](bool ok, const std::string&) {
        // No notification service: the tray's own balloon, where there is a tray.
        if (!ok && self && self->tray_)
            self->tray_->showMessage(QString::fromStdString(alert.title),
                                     QString::fromStdString(alert.text));
    });
}

bool PassAlertService::HideToTray() {
    if (exiting_ || !settings_.closeToTray || !tray_ || !tray_->isVisible() || !window_)
        return false;
    window_->hide();
    hidden_ = true;
    return true;
}

void PassAlertService::ShowWindow() {
    if (!window_) return;
    hidden_ = false;
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

}  // namespace orvanta
