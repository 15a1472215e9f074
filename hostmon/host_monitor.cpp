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

struct HostMonitor::Session {
    std::atomic<bool> stop{false};
    std::mutex lock;  // guards running and finished; stop is set under it too
    std::condition_variable changed;
    int running = 0;
    std::vector<char> finished;  // per thread slot
};

HostMonitor::HostMonitor() : HostMonitor(SystemHooks()) {}

HostMonitor::HostMonitor(Hooks hooks) : shared_(std::make_shared<Shared>()) {
    shared_->hooks = std::move(hooks);
    const Hooks sys = SystemHooks();
    if (!shared_->hooks.ping) shared_->hooks.ping = sys.ping;
    if (!shared_->hooks.reverseLookup) shared_->hooks.reverseLookup = sys.reverseLookup;
}

HostMonitor::~HostMonitor() {
    Stop();
}

HostRecord HostMonitor::Snapshot(std::size_t index) const {
    std::lock_guard lock(shared_->hostLock);
    return index < shared_->hosts.size() ? shared_->hosts[index] : HostRecord{};
}

std::string HostMonitor::Tooltip(std::size_t index) const {
    std::lock_guard lock(shared_->hostLock);
    return index < shared_->tooltips.size() ? shared_->tooltips[index] : std::string();
}

void HostMonitor::Edit(std::size_t index, const std::function<void(HostRecord&)>& change) {
    std::lock_guard lock(shared_->hostLock);
    if (index < shared_->hosts.size()) change(shared_->hosts[index]);
}

void HostMonitor::Start() {
    Stop();
    auto session = std::make_shared<Session>();
    const auto& hosts = shared_->hosts;
    {
        std::lock_guard lock(shared_->hostLock);
        shared_->tooltips.assign(hosts.size(), std::string());
    }
    session->finished.assign(hosts.size(), 0);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (hosts[i].disabled != 0) continue;
        const std::size_t slot = threads_.size();
        {
            std::lock_guard lock(session->lock);
            ++session->running;
        }
        try {
            threads_.emplace_back(
                [shared = shared_, session, i, slot] { Run(shared, session, i, slot); });
            LogEvent(Format2("Starting to monitor host %s (%s)", hosts[i].tag, hosts[i].address),
                     LOG_INFORMATION);
        } catch (const std::system_error&) {
            {
                std::lock_guard lock(session->lock);
                --session->running;
            }
            LogEvent(Format2("Thread for host %s could not be created!", hosts[i].address, ""),
                     LOG_ERROR);
        }
    }
    session_ = std::move(session);
}

void HostMonitor::Stop(const std::function<void()>& whileWaiting) {
    if (!session_) return;
    const std::shared_ptr<Session> session = std::move(session_);
    {
        // Under the host lock as well: once it is set, no thread enters a result.
        std::lock_guard hostLock(shared_->hostLock);
        std::lock_guard lock(session->lock);
        session->stop = true;
    }
    session->changed.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + shared_->hooks.stopWait;
    for (;;) {
        {
            std::unique_lock lock(session->lock);
            const auto slice = std::min<std::chrono::steady_clock::duration>(
                std::chrono::milliseconds(20), deadline - std::chrono::steady_clock::now());
            if (session->changed.wait_for(lock, slice, [&] { return session->running == 0; }))
                break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (whileWaiting) whileWaiting();
    }
    std::lock_guard lock(session->lock);
    for (std::size_t slot = 0; slot < threads_.size(); ++slot) {
        if (!threads_[slot].joinable()) continue;
        if (session->finished[slot]) {
            threads_[slot].join();  // past its last step: ends at once
        } else {
            threads_[slot].detach();  // holds its own references to what it touches
            ++abandoned_;
        }
    }
    threads_.clear();
}

void HostMonitor::Run(const std::shared_ptr<Shared>& shared,
                      const std::shared_ptr<Session>& session, std::size_t index,
                      std::size_t slot) {
    struct Finish {
        Session& s;
        std::size_t slot;
        ~Finish() {
            {
                std::lock_guard lock(s.lock);
                s.finished[slot] = 1;
                --s.running;
            }
            s.changed.notify_all();
        }
    } finish{*session, slot};
    const Hooks& hooks = shared->hooks;
    for (;;) {
        std::string address;
        {
            std::lock_guard lock(shared->hostLock);
            if (session->stop || index >= shared->hosts.size()) return;
            address = shared->hosts[index].address;
        }
        const PingOutcome o = hooks.ping(address, &session->stop);
        // A ping cut short by the stop is no result: restarting the monitors (as every
        // change of the list does) must not count a failure for every host.
        if (session->stop) return;
        if (o.code == PING_SOCKET_FAILED) ReportSocketFailureOnce(o.socketError);
        std::string reverse;
        if (o.code == PING_SUCCESS) reverse = hooks.reverseLookup(o.address);
        {
            std::lock_guard lock(shared->hostLock);
            // Looked at under the lock: after a stop the list may have a new shape.
            if (session->stop) return;
            HostRecord& h = shared->hosts[index];
            BeginCycle(h);
            RecordPing(h, o.code, o.rttMs, FormatIpv4(o.address), reverse);
            shared->tooltips[index] = TooltipText(h);
        }
        shared->completed.fetch_add(1);
        for (int step = 0; step < hooks.sleepSteps; ++step) {
            std::unique_lock lock(session->lock);
            if (session->changed.wait_for(lock, hooks.sleepStep,
                                          [&] { return session->stop.load(); }))
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
