#pragma once
// Settings > Alerts...: which selected satellites alert before their passes, how many
// minutes before AOS, visible passes only, a sound, and closing to the tray.
#include <QDialog>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/pass_alerts.h"

class QCheckBox;
class QListWidget;
class QSpinBox;

namespace orvanta {

class AlertsDialog : public QDialog {
    Q_OBJECT
public:
    // satellites: catalogue number and name of each selected satellite, in list order.
    // trayAvailable false disables "Close to tray" (there would be no way back).
    AlertsDialog(QWidget* parent, const PassAlertSettings& settings,
                 const std::vector<std::pair<std::int32_t, std::string>>& satellites,
                 bool trayAvailable);

    // The dialog's choices; satellites that are not selected keep their stored choice.
    PassAlertSettings Result() const;

    QListWidget* SatelliteList() const { return list_; }
    QSpinBox* Minutes() const { return minutes_; }
    QCheckBox* VisibleOnly() const { return visibleOnly_; }
    QCheckBox* Sound() const { return sound_; }
    QCheckBox* CloseToTray() const { return closeToTray_; }

private:
    PassAlertSettings initial_;
    std::vector<std::int32_t> numbers_;
    QListWidget* list_ = nullptr;
    QSpinBox* minutes_ = nullptr;
    QCheckBox* visibleOnly_ = nullptr;
    QCheckBox* sound_ = nullptr;
    QCheckBox* closeToTray_ = nullptr;
};

}  // namespace orvanta
