#pragma once
// The pass search: for every selected satellite the next N passes over the observer's site,
// found by worker threads, one per processor but never more than there are satellites.
//
// A search runs on a snapshot taken when it starts (satellites, "now", options, location,
// time formatter), so nothing the user-interface thread changes meanwhile can tear. The
// user-interface thread polls Progress() and Running(), may call Abort(), and takes the
// records once every worker has ended.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/element_file.h"
#include "catalogue/pass_record.h"
#include "catalogue/pass_search_gate.h"
#include "common/settings_records.h"

namespace orvanta {

struct PassSearchOptions {
    bool searchLunarPasses = false;    // "Search Lunar Passes"
    bool searchIridiumFlares = false;  // "Search Iridium Flares"
    bool reportNvs = true;             // "Report NVS"
    int passesPerSatellite = 5;        // "Number of Passes"
    // No pass starting after this Julian date is searched for (0: no limit).
    double untilJd = 0.0;
    // Also work out each pass's culmination, shadow times, visible window and brightness
    // (catalogue/pass_visibility.h).
    bool visibility = false;
};

// One satellite to search, copied out of the catalogue. A satellite that is no longer in
// the catalogue is kept (located = false) so its slots stay where the selection puts them.
struct PassSearchSatellite {
    std::string name;
    std::int32_t catalogueNumber = 0;
    std::string line1;
    std::string line2;
    bool located = true;
};

using PassTimeFormatter = std::function<std::string(double julianDate)>;

struct PassSearchInputs {
    double now = 0.0;  // Julian date (UTC) the search starts from
    ObserverLocation observer;
    PassSearchOptions options;
    std::vector<PassSearchSatellite> satellites;  // in selection order
    // Times inside event-log lines (the program passes its display-time FormatDateTime,
    // taken when the search starts); empty: UTC "YYYY-MM-DD HH:MM:SS".
    PassTimeFormatter formatDateTime;
    // Passed by every worker before each satellite; null: nothing holds the workers.
    std::shared_ptr<PassSearchGate> gate;
    // Empty records made ready beforehand (e.g. on another thread while the elements were
    // read): taken as the table when there are at least as many as the search needs, which
    // spares the workers filling megabytes before they can begin. Every record must be
    // PassRecord{}.
    std::vector<PassRecord> table;
};

// Re-maps the selection for a search: each entry takes the LAST catalogue record with its
// number. Entries not found are logged ("The elements for satellite number %d could no
// longer be located in the loaded Kepler elements file!", level 1) and kept as not located.
std::vector<PassSearchSatellite> SearchSatellitesFromSelection(
    const KeplerCatalogue& catalogue, const std::vector<SelectedSat>& selection,
    const std::function<void(const std::string& text, int level)>& log);

// "Started searching for passes. Search options used: Lunar passes %s, Iridium flares: %s"
std::string SearchStartedText(const PassSearchOptions& options);

// Worker count: the number of processors, at most the number of satellites (at least one
// when there is a satellite).
int WorkerCount(int processors, int satellites);
// Inclusive selection ranges: worker j gets n / T satellites from (n / T) j; the last
// worker also takes the n mod T left over.
std::vector<std::pair<int, int>> DivideSelection(int satellites, int workers);

// One worker of a running search.
struct SearchThread {
    std::thread handle;
    int first = 0;
    int last = -1;
    std::atomic<double> progress{0.0};  // percent, written by the worker
    std::atomic<bool> running{false};

    // The worker's last event-log line.
    std::string Message() const;
    void SetMessage(const std::string& text);

private:
    mutable std::mutex messageLock_;
    std::string message_;
};

// Worker log line: thread number, level (0 success ... 3 information), text.
using WorkerLogFn = std::function<void(int thread, int level, const std::string& text)>;

// Everything the workers share. Only the workers write, each its own slots and thread.
struct PassSearchState {
    PassSearchInputs inputs;
    std::vector<PassRecord> table;  // satellites x N, zero-filled
    std::size_t tableSize = 0;
    // The first worker fills the table, so Start does not clear tens of MB on its caller.
    std::once_flag tableFilled;
    std::vector<std::unique_ptr<SearchThread>> threads;
    std::atomic<bool> abort{false};
    WorkerLogFn log;  // empty: straight to the event log

    // Places the line in the thread's message field, then hands it on.
    void Log(int thread, int level, const std::string& text);
    // Zero-fills the table once; every worker calls it before writing its slots.
    void FillTable();
};

// Worker entry: searches the selection range of thread threadNumber.
void SearchWorker(PassSearchState& state, int threadNumber);

class PassSearch {
public:
    explicit PassSearch(WorkerLogFn log = {});
    ~PassSearch();  // aborts and waits for the workers
    PassSearch(const PassSearch&) = delete;
    PassSearch& operator=(const PassSearch&) = delete;

    // Starts the workers. False (nothing started) while a search runs or when there is no
    // satellite. A thread that cannot be created is logged ("Thread could not be
    // created!", level 2) and its satellites stay empty.
    bool Start(PassSearchInputs inputs, int processors);
    // Runs the search on the calling thread's behalf and waits for it.
    bool Run(PassSearchInputs inputs, int processors) {
        if (!Start(std::move(inputs), processors)) return false;
        Wait();
        return true;
    }

    void Abort();
    bool AbortRequested() const;
    // True while any worker has not ended.
    bool Running() const;
    // Waits for every worker to end.
    void Wait();

    // Mean of the workers' progress, percent.
    double Progress() const;
    int Workers() const;
    const SearchThread* Worker(int j) const;

    // The pass table; complete once Running() is false. TakeRecords leaves it empty.
    const std::vector<PassRecord>& Records() const;
    std::vector<PassRecord> TakeRecords();
    int PassesPerSatellite() const;

private:
    WorkerLogFn log_;
    std::unique_ptr<PassSearchState> state_;
};

// Sorts the pass table by AOS ascending; empty slots (AOS 0) come first.
void SortPassTable(std::vector<PassRecord>& table);

}  // namespace orvanta
