#pragma once
// One worker thread per watched host: a ping every 15 s, the results entered into the
// host's record under the host lock. Threads address hosts by index, so the list changes
// shape only while the monitors are stopped.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/settings_records.h"
#include "hostmon/icmp.h"

namespace orvanta {

class CRegistry;

class HostMonitor {
public:
    struct Hooks {
        // The ping (time-to-live 255, 5000 ms, 32 bytes); must end soon after *stop is set.
        std::function<PingOutcome(const std::string& address, const std::atomic<bool>* stop)> ping;
        std::function<std::string(const Ipv4Address&)> reverseLookup;
        // Pause between pings: sleepSteps x sleepStep, the stop flag looked at each step.
        std::chrono::milliseconds sleepStep{200};
        int sleepSteps = 75;
    };

    HostMonitor();  // the system's ping and reverse lookup
    explicit HostMonitor(Hooks hooks);
    ~HostMonitor();
    HostMonitor(const HostMonitor&) = delete;
    HostMonitor& operator=(const HostMonitor&) = delete;

    // The list itself: change its shape only while stopped.
    std::vector<HostRecord>& Hosts() { return hosts_; }
    std::size_t Count() const { return hosts_.size(); }

    // Copies and edits of one record under the host lock (safe while running).
    HostRecord Snapshot(std::size_t index) const;
    std::string Tooltip(std::size_t index) const;
    void Edit(std::size_t index, const std::function<void(HostRecord&)>& change);
    std::mutex& HostLock() { return hostLock_; }

    // Starts one thread per enabled host, logging each start.
    void Start();
    // Sets the stop flag and waits for every thread; none is cut off, and each sees the
    // flag within one sleep step (a running ping ends within 200 ms as well).
    void Stop();
    bool Running() const { return !threads_.empty(); }

    // Pings counted so far by all threads (for tests waiting on progress).
    long Completed() const { return completed_.load(); }

private:
    void Run(std::size_t index);

    Hooks hooks_;
    std::vector<HostRecord> hosts_;
    std::vector<std::string> tooltips_;
    mutable std::mutex hostLock_;
    std::mutex stopLock_;
    std::condition_variable stopSignal_;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
    std::atomic<long> completed_{0};
};

// More hosts than anyone watches: one thread and one 50-pixel tile each.
inline constexpr std::size_t kMaxHosts = 256;

// The host list ("Hosts" records of 588 bytes in "Hostlist") and "PingParameters". The
// list holds no more records than "Hostlist" really stores (and at most kMaxHosts),
// whatever "Hosts" claims.
std::vector<HostRecord> LoadHostList(CRegistry& reg);
bool SaveHostList(CRegistry& reg, const std::vector<HostRecord>& hosts);
PingParameters LoadPingParameters(CRegistry& reg);
bool SavePingParameters(CRegistry& reg, const PingParameters& p);

// Logs a ping socket failure's reason once per process (the tiles show the failures).
void ReportSocketFailureOnce(const std::string& why);

}  // namespace orvanta
