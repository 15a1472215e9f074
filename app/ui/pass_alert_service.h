#pragma once
// Pass alerts on the desktop and the tray icon: once a second the main window hands over
// the listed passes; due alerts go to the event log and the desktop's notification service
// (the tray's balloon when there is none), the tray's tooltip names the next pass, and with
// "Close To Tray" closing the main window only hides it.
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/pass_alerts.h"
#include "platform/desktop_notification.h"

class QSystemTrayIcon;
class QWidget;

namespace orvanta {

class PassAlertService : public QObject {
    Q_OBJECT
public:
    using NotifyFunction = std::function<void(const platform::DesktopNotification&,
                                              std::function<void(bool, const std::string&)>)>;

    // window: the main window the tray shows and hides. The tray icon exists only when the
    // desktop has a tray.
    explicit PassAlertService(QWidget* window);
    ~PassAlertService() override;

    const PassAlertSettings& Settings() const { return settings_; }
    // Adopts and stores the settings.
    void SetSettings(const PassAlertSettings& settings);

    // rows: the pass table's passes; realNow the real UTC time (never the program time);
    // realTime false while the program shows a simulated time (nothing fires then).
    void Tick(const std::vector<PassAlertRow>& rows, double realNow, bool realTime,
              const RowTimeOptions& time);

    // closeEvent: true when the window was hidden to the tray instead of closing.
    bool HideToTray();
    // File > Exit and the tray's Exit close for real.
    void AllowClose() { exiting_ = true; }
    bool HiddenToTray() const { return hidden_; }

    QSystemTrayIcon* Tray() const { return tray_; }
    // The desktop call; tests put a stand-in here.
    void SetNotifier(NotifyFunction notify) { notify_ = std::move(notify); }

signals:
    void exitRequested();

private:
    void Tell(const DueAlert& alert);
    void ShowWindow();

    QPointer<QWidget> window_;
    QSystemTrayIcon* tray_ = nullptr;
    PassAlertSettings settings_;
    PassAlerts alerts_;
    NotifyFunction notify_ = platform::NotifyDesktop;
    std::string tooltip_;
    bool exiting_ = false;
    bool hidden_ = false;
};

}  // namespace orvanta
