#pragma once
// One worker thread per watched host: a ping every 15 s, the results entered into the
// host's record under the host lock. Threads address hosts by index, so the list changes
// shape only while the monitors are stopped.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
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
        // The ping (time-to-live 255, 5000 ms, 32 bytes); should end soon after *stop is set.
        // A ping that cannot (a name lookup blocks until the resolver gives up) is left to
        // finish on its own, possibly after the monitor is gone: capture nothing that may go
        // before it.
        std::function<PingOutcome(const std::string& address, const std::atomic<bool>* stop)> ping;
        std::function<std::string(const Ipv4Address&)> reverseLookup;
        // Pause between pings: sleepSteps x sleepStep, the stop flag looked at each step.
        std::chrono::milliseconds sleepStep{200};
        int sleepSteps = 75;
        // How long Stop waits for all threads together before abandoning the busy ones.
        std::chrono::milliseconds stopWait{2000};
    };

    HostMonitor();  // the system's ping and reverse lookup
    explicit HostMonitor(Hooks hooks);
    ~HostMonitor();
    HostMonitor(const HostMonitor&) = delete;
    HostMonitor& operator=(const HostMonitor&) = delete;

    // The list itself: change its shape only while stopped.
    std::vector<HostRecord>& Hosts() { return shared_->hosts; }
    std::size_t Count() const { return shared_->hosts.size(); }

    // Copies and edits of one record under the host lock (safe while running).
    HostRecord Snapshot(std::size_t index) const;
    std::string Tooltip(std::size_t index) const;
    void Edit(std::size_t index, const std::function<void(HostRecord&)>& change);
    std::mutex& HostLock() { return shared_->hostLock; }

    // Starts one thread per enabled host, logging each start.
    void Start();
    // Sets the stop flag and waits at most hooks.stopWait for the threads, calling
    // whileWaiting (when given) every 20 ms or so, so that a window keeps painting. Each
    // thread sees the flag within one sleep step; one still busy after the wait (inside
    // a name lookup, which nothing interrupts) is abandoned: it ends by itself later and
    // changes nothing from the moment Stop sets the flag.
    void Stop(const std::function<void()>& whileWaiting = {});
    bool Running() const { return !threads_.empty(); }

    // Pings counted so far by all threads (for tests waiting on progress).
    long Completed() const { return shared_->completed.load(); }
    // Threads the stops so far have had to abandon.
    int Abandoned() const { return abandoned_; }

private:
    struct Shared {
        Hooks hooks;
        std::vector<HostRecord> hosts;
        std::vector<std::string> tooltips;
        mutable std::mutex hostLock;
        std::atomic<long> completed{0};
    };
    struct Session;  // one Start's stop flag and the count of its threads still running
    static void Run(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Session>& session,
                    std::size_t index, std::size_t slot);

    // What the threads touch is owned jointly with them, so that an abandoned thread
    // never writes to freed memory.
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<Session> session_;
    std::vector<std::thread> threads_;
    int abandoned_ = 0;
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
