// The host monitor's place in the main window: its tiles above the pass list, started with
// the window and stopped at close.
#include "app/ui/main_window.h"
#include "hostmon/ui/host_monitor_panel.h"

namespace orvanta {

void MainWindow::StartHostMonitor() {
    HostMonitorEnvironment env = env_.hostMonitor ? *env_.hostMonitor : HostMonitorEnvironment{};
    if (!env.prompt) env.prompt = prompt_;
    hosts_ = new HostMonitorPanel(central_, std::move(env));
    // Owned by the window, so the tiles (children of the central widget) go first.
    hosts_->setParent(this);
    connect(hosts_, &HostMonitorPanel::tilesChanged, this, &MainWindow::SetHostTilesPresent);
    hosts_->LoadAndStart();
}

void MainWindow::OpenHostSettings() {
    if (hosts_) hosts_->OpenSettingsDialog();
}

}  // namespace orvanta
