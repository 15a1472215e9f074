#include "catalogue/pass_search.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <unordered_map>

#include "common/event_log.h"

namespace orvanta {

std::vector<PassSearchSatellite> SearchSatellitesFromSelection(
    const KeplerCatalogue& catalogue, const std::vector<SelectedSat>& selection,
    const std::function<void(const std::string& text, int level)>& log) {
    std::unordered_map<std::int32_t, const KeplerRecord*> byNumber;
    byNumber.reserve(catalogue.records.size());
    for (const KeplerRecord& r : catalogue.records) byNumber[r.catalogueNumber] = &r;  // last wins
    std::vector<PassSearchSatellite> out;
    out.reserve(selection.size());
    for (const SelectedSat& entry : selection) {
        PassSearchSatellite sat;
        sat.catalogueNumber = entry.catalogueNumber;
        const auto it = byNumber.find(entry.catalogueNumber);
        const KeplerRecord* found = it == byNumber.end() ? nullptr : it->second;
        if (found) {
            sat.name = std::string(found->DisplayName());
            sat.line1 = std::string(found->Line1());
            sat.line2 = std::string(found->Line2());
        } else {
            sat.located = false;
            if (log) {
                char buf[256];
                std::snprintf(buf, sizeof buf,
                              "The elements for satellite number %d could no longer be located "
                              "in the loaded Kepler elements file!",
                              entry.catalogueNumber);
                log(buf, LOG_WARNING);
            }
        }
        out.push_back(std::move(sat));
    }
    return out;
}

std::string SearchStartedText(const PassSearchOptions& options) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "Started searching for passes. Search options used: Lunar passes %s, Iridium "
                  "flares: %s",
                  options.searchLunarPasses ? "ON" : "OFF",
                  options.searchIridiumFlares ? "ON" : "OFF");
    return buf;
}

int WorkerCount(int processors, int satellites) {
    if (satellites <= 0) return 0;
    return std::clamp(processors, 1, satellites);
}

std::vector<std::pair<int, int>> DivideSelection(int satellites, int workers) {
    std::vector<std::pair<int, int>> ranges;
    if (workers <= 0 || satellites <= 0) return ranges;
    const int share = satellites / workers;
    for (int j = 0; j < workers; ++j) {
        const int first = share * j;
        ranges.emplace_back(first, first + share - 1);
    }
    ranges.back().second += satellites % workers;
    return ranges;
}

std::string SearchThread::Message() const {
    std::lock_guard<std::mutex> lock(messageLock_);
    return message_;
}

void SearchThread::SetMessage(const std::string& text) {
    std::lock_guard<std::mutex> lock(messageLock_);
    // The original field held 1024 characters with its terminator.
    message_ = text.substr(0, 1023);
}

void PassSearchState::Log(int thread, int level, const std::string& text) {
    if (thread >= 0 && thread < static_cast<int>(threads.size()))
        threads[static_cast<std::size_t>(thread)]->SetMessage(text);
    if (log)
        log(thread, level, text);
    else
        LogEvent(text, level);
}

void PassSearchState::FillTable() {
    std::call_once(tableFilled, [this] {
        if (inputs.table.size() >= tableSize) {
            table = std::move(inputs.table);
            table.resize(tableSize);
        } else {
            table.assign(tableSize, PassRecord{});
        }
        inputs.table = {};
    });
}

PassSearch::PassSearch(WorkerLogFn log) : log_(std::move(log)) {}

PassSearch::~PassSearch() {
    Abort();
    Wait();
}

bool PassSearch::Start(PassSearchInputs inputs, int processors) {
    if (Running()) return false;
    Wait();  // joins the ended workers of a previous search
    const int satellites = static_cast<int>(inputs.satellites.size());
    if (satellites == 0) return false;
    const int n = std::max(0, inputs.options.passesPerSatellite);
    inputs.options.passesPerSatellite = n;

    auto state = std::make_unique<PassSearchState>();
    state->inputs = std::move(inputs);
    state->log = log_;
    state->tableSize = static_cast<std::size_t>(satellites) * n;
    const int workers = WorkerCount(processors, satellites);
    const auto ranges = DivideSelection(satellites, workers);
    for (int j = 0; j < workers; ++j) {
        auto t = std::make_unique<SearchThread>();
        t->first = ranges[static_cast<std::size_t>(j)].first;
        t->last = ranges[static_cast<std::size_t>(j)].second;
        state->threads.push_back(std::move(t));
    }
    state_ = std::move(state);
    for (int j = 0; j < workers; ++j) {
        SearchThread& t = *state_->threads[static_cast<std::size_t>(j)];
        t.running.store(true, std::memory_order_release);
        try {
            t.handle = std::thread(SearchWorker, std::ref(*state_), j);
        } catch (const std::system_error&) {
            t.running.store(false, std::memory_order_release);
            state_->Log(j, LOG_ERROR, "Thread could not be created!");
        }
    }
    return true;
}

void PassSearch::Abort() {
    if (!state_) return;
    state_->abort.store(true);
    if (state_->inputs.gate) state_->inputs.gate->Wake();
}

bool PassSearch::AbortRequested() const {
    return state_ && state_->abort.load(std::memory_order_relaxed);
}

bool PassSearch::Running() const {
    if (!state_) return false;
    for (const auto& t : state_->threads)
        if (t->running.load(std::memory_order_acquire)) return true;
    return false;
}

void PassSearch::Wait() {
    if (!state_) return;
    for (auto& t : state_->threads)
        if (t->handle.joinable()) t->handle.join();
    state_->FillTable();  // no worker could be started
}

double PassSearch::Progress() const {
    if (!state_ || state_->threads.empty()) return 0.0;
    double sum = 0.0;
    for (const auto& t : state_->threads) sum += t->progress.load(std::memory_order_relaxed);
    return sum / static_cast<double>(state_->threads.size());
}

int PassSearch::Workers() const {
    return state_ ? static_cast<int>(state_->threads.size()) : 0;
}

const SearchThread* PassSearch::Worker(int j) const {
    if (!state_ || j < 0 || j >= Workers()) return nullptr;
    return state_->threads[static_cast<std::size_t>(j)].get();
}

const std::vector<PassRecord>& PassSearch::Records() const {
    static const std::vector<PassRecord> kNone;
    return state_ ? state_->table : kNone;
}

std::vector<PassRecord> PassSearch::TakeRecords() {
    if (!state_) return {};
    Wait();
    return std::move(state_->table);
}

int PassSearch::PassesPerSatellite() const {
    return state_ ? state_->inputs.options.passesPerSatellite : 0;
}

void SortPassTable(std::vector<PassRecord>& table) {
    // A record carries its tracks (about a kilobyte): a merge sort of a constellation's
    // table moved each one many times. The order is found on (AOS, slot) pairs, which keeps
    // it stable, and each record then moves once along its permutation cycle.
    const std::size_t n = table.size();
    std::vector<std::pair<double, std::size_t>> keys(n);
    for (std::size_t i = 0; i < n; ++i) keys[i] = {table[i].aos, i};
    std::sort(keys.begin(), keys.end());
    std::vector<char> placed(n, 0);
    for (std::size_t start = 0; start < n; ++start) {
        if (placed[start] || keys[start].second == start) continue;
        PassRecord held = std::move(table[start]);
        std::size_t to = start;
        while (keys[to].second != start) {
            table[to] = std::move(table[keys[to].second]);
            placed[to] = 1;
            to = keys[to].second;
        }
        table[to] = std::move(held);
        placed[to] = 1;
    }
}

}  // namespace orvanta
