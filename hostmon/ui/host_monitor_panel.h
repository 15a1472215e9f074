#pragma once
// The host monitor as the main window holds it: the list with its monitor threads, the
// tiles, the tile menu's commands and the dialogs. Every change of the list's shape stops
// all threads and tiles and starts them again, because both address hosts by index.
#include <QColor>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "hostmon/host_monitor.h"
#include "hostmon/icmp.h"

class QWidget;

namespace orvanta {

class IPrompt;
class HostTile;

struct HostMonitorEnvironment {
    IPrompt* prompt = nullptr;
    HostMonitor::Hooks hooks;  // empty members: the system's ping and lookup
    // The settings dialog's test ping; empty: PingHost(address, 255, 5000, 32).
    std::function<PingOutcome(const std::string& address)> testPing;
    std::function<QColor(QWidget* owner, const QColor& initial)> chooseColour;  // empty: dialog
    IcmpSocketOpener traceOpener;  // empty: the system's socket
    int traceHopTimeoutMs = 2000;
};

class HostMonitorPanel : public QObject {
    Q_OBJECT
public:
    HostMonitorPanel(QWidget* tileParent, HostMonitorEnvironment environment);
    ~HostMonitorPanel() override;

    // Start-up: load the list and the parameters, start the threads, create the tiles.
    void LoadAndStart();
    // Exit: save the list and the parameters, stop the threads, destroy the tiles.
    void SaveAndStop();

    void StartMonitors();
    void StopMonitors();
    void CreateTiles();
    void DestroyTiles();
    void SaveHostList();

    // Structural changes (each restarts threads and tiles and saves the list).
    void AddHost(const std::string& address, const std::string& tag);
    void DeleteHost(int index);
    // In place: the running thread pings the new address from its next cycle.
    void UpdateHost(int index, const std::string& address, const std::string& tag);

    // The tile menu's commands, with their confirmations.
    void AskResetStatistics(int index);
    void AskDeleteHost(int index);
    void OpenSettingsDialog();
    void OpenTraceRoute(int index);

    // A colour changed: the shared drawing objects are recreated and the tiles repainted.
    void ColoursChanged();

    HostMonitor& Monitor() { return *monitor_; }
    PingParameters& Parameters() { return parameters_; }
    const std::vector<HostTile*>& Tiles() const { return tiles_; }
    bool HasTiles() const { return !tiles_.empty(); }
    const HostMonitorEnvironment& Environment() const { return env_; }
    IPrompt& Prompt() { return *env_.prompt; }
    QWidget* TileParent() const { return tileParent_; }

signals:
    void tilesChanged(bool present);
    void drawingObjectsChanged();
    // The dialog and tile windows this panel opens, for tests that drive them.
    void dialogOpened(QWidget* dialog);

private:
    QPointer<QWidget> tileParent_;
    HostMonitorEnvironment env_;
    std::unique_ptr<IPrompt> ownPrompt_;
    std::unique_ptr<HostMonitor> monitor_;
    PingParameters parameters_;
    std::vector<HostTile*> tiles_;
    bool stopping_ = false;  // inside StopMonitors, which serves paint and timer events
};

}  // namespace orvanta
