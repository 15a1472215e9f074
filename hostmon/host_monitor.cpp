#include "hostmon/host_monitor.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "common/event_log.h"
#include "common/registry.h"
#include "hostmon/host_statistics.h"

namespace orvanta {
namespace {

HostMonitor::Hooks SystemHooks() {
    HostMonitor::Hooks h;
    h.ping = [](const std::string& address, const std::atomic<bool>* stop) {
        PingRequest r;
        r.host = address;
        r.stop = stop;
        return PingHost(r);
    };
    h.reverseLookup = [](const Ipv4Address& a) { return platform::ReverseLookup(a); };
    return h;
}

std::string Format2(const char* fmt, const std::string& a, const std::string& b) {
    char text[256];
    std::snprintf(text, sizeof text, fmt, a.c_str(), b.c_str());
    return text;
}

}  // namespace

void ReportSocketFailureOnce(const std::string& why) {
    static std::atomic<bool> reported{false};
    if (!why.empty() && !reported.exchange(true)) LogEvent(why, LOG_ERROR);
}

HostMonitor::HostMonitor() : HostMonitor(SystemHooks()) {}

HostMonitor::HostMonitor(Hooks hooks) : hooks_(std::move(hooks)) {
    const Hooks sys = SystemHooks();
    if (!hooks_.ping) hooks_.ping = sys.ping;
    if (!hooks_.reverseLookup) hooks_.reverseLookup = sys.reverseLookup;
}

HostMonitor::~HostMonitor() {
    Stop();
}

HostRecord HostMonitor::Snapshot(std::size_t index) const {
    std::lock_guard lock(hostLock_);
    return index < hosts_.size() ? hosts_[index] : HostRecord{};
}

std::string HostMonitor::Tooltip(std::size_t index) const {
    std::lock_guard lock(hostLock_);
    return index < tooltips_.size() ? tooltips_[index] : std::string();
}

void HostMonitor::Edit(std::size_t index, const std::function<void(HostRecord&)>& change) {
    std::lock_guard lock(hostLock_);
    if (index < hosts_.size()) change(hosts_[index]);
}

void HostMonitor::Start() {
    Stop();
    stop_ = false;
    {
        std::lock_guard lock(hostLock_);
        tooltips_.assign(hosts_.size(), std::string());
    }
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
        if (hosts_[i].disabled != 0) continue;
        try {
            threads_.emplace_back([this, i] { Run(i); });
            LogEvent(Format2("Starting to monitor host %s (%s)", hosts_[i].tag, hosts_[i].address),
                     LOG_INFORMATION);
        } catch (const std::system_error&) {
            LogEvent(Format2("Thread for host %s could not be created!", hosts_[i].address, ""),
                     LOG_ERROR);
        }
    }
}

void HostMonitor::Stop() {
    {
        std::lock_guard lock(stopLock_);
        stop_ = true;
    }
    stopSignal_.notify_all();
    for (auto& t : threads_)
        if (t.joinable()) t.join();
    threads_.clear();
}

void HostMonitor::Run(std::size_t index) {
    for (;;) {
        std::string address;
        {
            std::lock_guard lock(hostLock_);
            address = hosts_[index].address;
        }
        const PingOutcome o = hooks_.ping(address, &stop_);
        // A ping cut short by the stop is no result: restarting the monitors (as every
        // change of the list does) must not count a failure for every host.
        if (stop_) return;
        if (o.code == PING_SOCKET_FAILED) ReportSocketFailureOnce(o.socketError);
        std::string reverse;
        if (o.code == PING_SUCCESS) reverse = hooks_.reverseLookup(o.address);
        {
            std::lock_guard lock(hostLock_);
            HostRecord& h = hosts_[index];
            BeginCycle(h);
            RecordPing(h, o.code, o.rttMs, FormatIpv4(o.address), reverse);
            tooltips_[index] = TooltipText(h);
        }
        completed_.fetch_add(1);
        for (int step = 0; step < hooks_.sleepSteps; ++step) {
            std::unique_lock lock(stopLock_);
            if (stopSignal_.wait_for(lock, hooks_.sleepStep, [this] { return stop_.load(); }))
                return;
        }
    }
}

std::vector<HostRecord> LoadHostList(CRegistry& reg) {
    if (!reg.IsOpen()) reg.OpenSettings();
    const std::int32_t count = reg.ReadDword("Hosts", 0);
    if (count <= 0) return {};
    // The count alone once sized the buffer: a damaged or hostile value asked for terabytes.
    const std::size_t stored = reg.ValueSize("Hostlist") / HOST_RECORD_SIZE;
    const std::size_t n = std::min({static_cast<std::size_t>(count), stored, kMaxHosts});
    if (n == 0) return {};
    std::vector<std::uint8_t> blob(n * HOST_RECORD_SIZE, 0);
    const std::size_t got = reg.ReadBinary("Hostlist", blob);
    auto hosts = HostListFromBlob(blob.data(), got, static_cast<std::uint32_t>(n));
    for (auto& h : hosts) h.tile = 0;  // a window handle of an earlier run means nothing
    return hosts;
}

bool SaveHostList(CRegistry& reg, const std::vector<HostRecord>& hosts) {
    if (!reg.IsOpen()) reg.OpenSettings();
    const auto blob = HostListToBlob(hosts);
    return reg.WriteValues(
        {{"Hosts", platform::SettingValue::Dword(static_cast<std::uint32_t>(hosts.size()))},
         {"Hostlist", platform::SettingValue::Binary(blob.data(), blob.size())}});
}

PingParameters LoadPingParameters(CRegistry& reg) {
    if (!reg.IsOpen()) reg.OpenSettings();
    std::array<std::uint8_t, PING_PARAMETERS_SIZE> b{};
    reg.ReadBinary("PingParameters", b.data(), b.size());
    return ParsePingParameters(b.data(), b.size());
}

bool SavePingParameters(CRegistry& reg, const PingParameters& p) {
    if (!reg.IsOpen()) reg.OpenSettings();
    const auto b = SerializePingParameters(p);
    return reg.WriteBinary("PingParameters", b.data(), b.size());
}

}  // namespace orvanta
