#include "hostmon/ui/host_monitor_panel.h"

#include <QCoreApplication>
#include <QWidget>

#include "common/prompt.h"
#include "common/registry.h"
#include "common/ui/qt_prompt.h"
#include "hostmon/host_statistics.h"
#include "hostmon/ui/host_drawing.h"
#include "hostmon/ui/host_settings_dialog.h"
#include "hostmon/ui/host_tile.h"
#include "hostmon/ui/trace_route_dialog.h"

namespace orvanta {

HostMonitorPanel::HostMonitorPanel(QWidget* tileParent, HostMonitorEnvironment environment)
    : QObject(tileParent), tileParent_(tileParent), env_(std::move(environment)) {
    if (!env_.prompt) {
        ownPrompt_ = std::make_unique<QtPrompt>(tileParent);
        env_.prompt = ownPrompt_.get();
    }
    monitor_ = std::make_unique<HostMonitor>(env_.hooks);
}

HostMonitorPanel::~HostMonitorPanel() {
    monitor_->Stop();
    // Tiles read the monitor when they paint: none may outlive it.
    for (HostTile* t : std::vector<HostTile*>(tiles_)) delete t;
}

void HostMonitorPanel::LoadAndStart() {
    CRegistry reg;
    monitor_->Hosts() = LoadHostList(reg);
    parameters_ = LoadPingParameters(reg);
    RecreateDrawingObjects(HostColours(parameters_));
    StartMonitors();
    CreateTiles();
}

void HostMonitorPanel::SaveAndStop() {
    SaveHostList();
    CRegistry reg;
    SavePingParameters(reg, parameters_);
    StopMonitors();
    DestroyTiles();
}

void HostMonitorPanel::StartMonitors() {
    monitor_->Start();
}
void HostMonitorPanel::StopMonitors() {
    // A thread in a slow name lookup may take the whole wait: keep painting meanwhile,
    // but take no input that could change the list under the stop.
    stopping_ = true;
    monitor_->Stop([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    stopping_ = false;
}

void HostMonitorPanel::CreateTiles() {
    DestroyTiles();
    if (!tileParent_) return;
    for (std::size_t i = 0; i < monitor_->Count(); ++i) {
        auto* tile = new HostTile(tileParent_, *monitor_, parameters_, static_cast<int>(i));
        connect(tile, &HostTile::resetRequested, this, &HostMonitorPanel::AskResetStatistics);
        connect(tile, &HostTile::traceRouteRequested, this, &HostMonitorPanel::OpenTraceRoute);
        // The tile goes away with the list: act after its menu has closed.
        connect(tile, &HostTile::deleteRequested, this, &HostMonitorPanel::AskDeleteHost,
                Qt::QueuedConnection);
        connect(
            tile, &HostTile::settingsRequested, this, [this] { OpenSettingsDialog(); },
            Qt::QueuedConnection);
        // A tile may go with its parent window before the panel does.
        connect(tile, &QObject::destroyed, this, [this, tile] { std::erase(tiles_, tile); });
        tile->show();
        tiles_.push_back(tile);
    }
    emit tilesChanged(!tiles_.empty());
}

void HostMonitorPanel::DestroyTiles() {
    const bool had = !tiles_.empty();
    for (HostTile* t : tiles_) {
        t->hide();
        t->deleteLater();
    }
    tiles_.clear();
    if (had) emit tilesChanged(false);
}

void HostMonitorPanel::SaveHostList() {
    CRegistry reg;
    std::vector<HostRecord> copy;
    {
        std::lock_guard lock(monitor_->HostLock());
        copy = monitor_->Hosts();
    }
    orvanta::SaveHostList(reg, copy);
}

void HostMonitorPanel::AddHost(const std::string& address, const std::string& tag) {
    StopMonitors();
    DestroyTiles();
    ColoursChanged();
    HostRecord h;
    h.address = address.substr(0, HostRecord::kAddressChars);
    h.tag = tag.substr(0, HostRecord::kTagChars);
    monitor_->Hosts().push_back(h);
    StartMonitors();
    CreateTiles();
    SaveHostList();
}

void HostMonitorPanel::DeleteHost(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= monitor_->Count()) return;
    DestroyTiles();
    StopMonitors();
    auto& hosts = monitor_->Hosts();
    hosts.erase(hosts.begin() + index);
    SaveHostList();
    StartMonitors();
    CreateTiles();
}

void HostMonitorPanel::UpdateHost(int index, const std::string& address, const std::string& tag) {
    monitor_->Edit(static_cast<std::size_t>(index), [&](HostRecord& h) {
        h.address = address.substr(0, HostRecord::kAddressChars);
        h.tag = tag.substr(0, HostRecord::kTagChars);
    });
    SaveHostList();
    for (HostTile* t : tiles_) {
        t->RefreshMenuTitle();
        t->update();
    }
}

void HostMonitorPanel::AskResetStatistics(int index) {
    if (Prompt().Ask("Confirm", "Are you sure you want to reset the statistics for this host?",
                     PromptButtons::YesNo, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    monitor_->Edit(static_cast<std::size_t>(index), [](HostRecord& h) { ResetStatistics(h); });
    for (HostTile* t : tiles_) t->update();
}

void HostMonitorPanel::AskDeleteHost(int index) {
    if (stopping_) return;  // a tile's queued request, delivered while its list is restarting
    if (Prompt().Ask("Confirm", "Are you sure you want to delete this host?", PromptButtons::YesNo,
                     PromptIcon::Question) != PromptAnswer::Yes)
        return;
    DeleteHost(index);
}

void HostMonitorPanel::OpenSettingsDialog() {
    if (stopping_) return;
    HostSettingsDialog dialog(tileParent_ ? tileParent_->window() : nullptr, *this);
    emit dialogOpened(&dialog);
    dialog.exec();
}

void HostMonitorPanel::OpenTraceRoute(int index) {
    const HostRecord h = monitor_->Snapshot(static_cast<std::size_t>(index));
    TraceRequest request;
    request.host = h.address;
    request.opener = env_.traceOpener;
    request.hopTimeoutMs = env_.traceHopTimeoutMs;
    TraceRouteDialog dialog(tileParent_ ? tileParent_->window() : nullptr, request);
    emit dialogOpened(&dialog);
    dialog.exec();
}

void HostMonitorPanel::ColoursChanged() {
    RecreateDrawingObjects(HostColours(parameters_));
    emit drawingObjectsChanged();
    for (HostTile* t : tiles_) t->update();
}

}  // namespace orvanta
