#pragma once
// The "Radio & Rotator" window: points the antenna and retunes the radio for the satellite
// chosen in the pass list, through Hamlib's rotctld and rigctld, once a second.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "common/settings_records.h"
#include "orbit/element_set.h"
#include "radio/radio_settings.h"
#include "radio/tracker.h"
#include "radio/transmitters.h"
#include "radio/ui/hamlib_socket.h"

namespace orvanta {

struct RadioWindowContext {
    std::function<double()> now;  // Julian date (UTC) of the program clock
    std::function<ObserverLocation()> observer;
    // The satellite of the pass list's current row, if any.
    std::function<std::optional<cElementSet>()> selectedSatellite;
};

class RadioWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int RECONNECT_SECONDS = 10;

    explicit RadioWindow(RadioWindowContext context, QWidget* parent = nullptr);
    ~RadioWindow() override;

    // Once a second (the window's timer; tests call it directly).
    void Tick();
    // New element sets: the satellite followed takes its new set (byNumber looks it up).
    void OnCatalogueReplaced(const std::function<std::optional<cElementSet>(int)>& byNumber);
    // False while the program time is simulated: then nothing is sent to the rotator or the
    // radio (positions and frequencies of another time would move real hardware), and a
    // line says so.
    void SetRealTime(bool realTime);
    bool RealTime() const { return realTime_; }
    QLabel* SimulatedLine() const { return simulatedLabel_; }

    QPushButton* RotatorButton() const { return rotatorButton_; }
    QPushButton* RadioButton() const { return radioButton_; }
    QPushButton* TrackButton() const { return trackButton_; }
    QLineEdit* RotatorAddress() const { return rotatorAddress_; }
    QLineEdit* RadioAddress() const { return radioAddress_; }
    QComboBox* TransmitterList() const { return transmitters_; }
    QSpinBox* Passband() const { return passband_; }
    QString StatusText() const;
    const SatelliteTracker* Tracker() const { return tracker_.get(); }

private:
    enum class Device { ROTATOR, RADIO };
    struct Link {
        HamlibSocket* socket = nullptr;
        bool wanted = false;     // the user pressed Connect
        int secondsToRetry = 0;  // while tracking, until the next attempt
        bool failureReported = false;  // one log line per run of failed attempts
        QLabel* status = nullptr;
    };

    void BuildUi();
    void SetStatus(Link& link, const QString& text);
    void ToggleLink(Device device);
    void Connect(Device device);
    void OnConnected(Device device);
    void OnFailed(Device device, const QString& reason);
    void OnReply(Device device, const HamlibReply& reply);
    void SetSatellite(const cElementSet& elements);
    void FillTransmitters();
    void ApplyTransmitter();
    void AddOwnTransmitter();
    void SaveSettings();
    Link& LinkOf(Device device) { return device == Device::ROTATOR ? rotator_ : radio_; }
    QString Name(Device device) const {
        return device == Device::ROTATOR ? QStringLiteral("Rotator") : QStringLiteral("Radio");
    }

    RadioWindowContext context_;
    RadioSettings settings_;
    std::vector<Transmitter> builtIn_;
    std::optional<cElementSet> satellite_;
    std::unique_ptr<SatelliteTracker> tracker_;
    bool tracking_ = false;
    bool realTime_ = true;
    double reportedAos_ = 0.0;

    Link rotator_, radio_;
    QLabel* satelliteLabel_ = nullptr;
    QComboBox* transmitters_ = nullptr;
    QSpinBox* offset_ = nullptr;
    QLabel* passbandLabel_ = nullptr;
    QSpinBox* passband_ = nullptr;  // Hz above a transponder's downlink low edge
    QLabel* lookLabel_ = nullptr;
    QLabel* dopplerLabel_ = nullptr;
    QLabel* passLabel_ = nullptr;
    QLabel* simulatedLabel_ = nullptr;
    QLineEdit* rotatorAddress_ = nullptr;
    QLineEdit* radioAddress_ = nullptr;
    QPushButton* rotatorButton_ = nullptr;
    QPushButton* radioButton_ = nullptr;
    QPushButton* trackButton_ = nullptr;
    QTimer timer_;
};

}  // namespace orvanta
