// orvanta-cli passes: the program's pass search on an element file, one CSV row per pass in
// AOS order, for scripts and for checking predictions against other tools.
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "catalogue/pass_export.h"
#include "catalogue/pass_search.h"
#include "cli/astro_cli.h"
#include "cli/cli_numbers.h"
#include "cli/command.h"
#include "cli/element_age.h"
#include "cli/element_lookup.h"
#include "cli/passes_locations.h"
#include "cli/program_elements.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/tle_file.h"

namespace orvanta::cli {
namespace {

struct PassesArgs {
    std::string tlePath;
    std::vector<int> satellites;
    std::optional<double> lat, lon;
    int altitudeMetres = 0;
    std::optional<double> start, until;
    std::optional<int> passes;
    bool flares = false, lunar = false;
    int threads = 0;
    bool visibleOnly = false;  // only passes with a visible window
    bool ical = false;         // --format ical: iCalendar instead of CSV
    std::optional<std::string> location;  // a stored location as the observer
    std::optional<std::string> mutual;    // the other site: windows above both horizons
};

// Catalogue numbers: "--sat 25544 --sat 20580", "--sat 25544 20580" or "--sat 25544,20580".
bool AddSatellites(const std::string& text, std::vector<int>& out) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        long long v;
        // OMM files carry numbers beyond the 339999 that element lines can hold.
        if (!ParseInt(text.substr(pos, comma - pos), 0, 999999999, v)) return false;
        out.push_back(static_cast<int>(v));
        pos = comma + 1;
    }
    return true;
}

std::optional<std::string> Parse(const std::vector<std::string>& args, PassesArgs& a) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        auto value = [&](std::string& out) -> bool {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (opt == "--flares") {
            a.flares = true;
        } else if (opt == "--visible-only") {
            a.visibleOnly = true;
        } else if (opt == "--format") {
            if (!value(v) || (v != "csv" && v != "ical")) return "--format needs csv or ical";
            a.ical = v == "ical";
        } else if (opt == "--lunar") {
            a.lunar = true;
        } else if (opt == "--tle") {
            if (!value(a.tlePath)) return "--tle needs a file";
        } else if (opt == "--sat") {
            if (!value(v) || !AddSatellites(v, a.satellites))
                return "--sat needs catalogue numbers";
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                if (!AddSatellites(args[++i], a.satellites))
                    return "bad catalogue number '" + args[i] + "'";
            }
        } else if (opt == "--lat" || opt == "--lon") {
            double d;
            const double limit = opt == "--lat" ? 90.0 : 180.0;
            if (!value(v) || !ParseDouble(v, -limit, limit, d)) return opt + " needs degrees";
            (opt == "--lat" ? a.lat : a.lon) = d;
        } else if (opt == "--alt-m") {
            long long m;
            if (!value(v) || !ParseInt(v, -1000000, 1000000, m))
                return "--alt-m needs whole metres";
            a.altitudeMetres = static_cast<int>(m);
        } else if (opt == "--start" || opt == "--until") {
            if (!value(v)) return opt + " needs a time";
            const auto jd = ParseIsoUtc(v);
            if (!jd) return opt + " needs a time as YYYY-MM-DDTHH:MM:SSZ";
            (opt == "--start" ? a.start : a.until) = *jd;
        } else if (opt == "--passes") {
            long long n;
            if (!value(v) || !ParseInt(v, 0, 100000, n)) return "--passes needs a count";
            a.passes = static_cast<int>(n);
        } else if (opt == "--location" || opt == "--mutual") {
            if (!value(v) || v.empty()) return opt + " needs a location";
            (opt == "--location" ? a.location : a.mutual) = v;
        } else if (opt == "--threads") {
            long long n;
            if (!value(v) || !ParseInt(v, 1, 256, n)) return "--threads needs a count from 1";
            a.threads = static_cast<int>(n);
        } else {
            return "unknown option '" + opt + "'";
        }
    }
    if (a.location && (a.lat || a.lon)) return "--location replaces --lat and --lon";
    if (!a.location && (!a.lat || !a.lon)) return "--lat and --lon are required";
    if (a.mutual && a.ical) return "--mutual writes CSV only";
    // Its rows are windows, not passes: the per-pass extras have no column there.
    if (a.mutual && (a.flares || a.lunar || a.visibleOnly))
        return "--mutual lists windows above both horizons; --flares, --lunar and "
               "--visible-only do not apply to it";
    if (!a.start) return "--start is required";
    if (a.until && *a.until <= *a.start) return "--until must be later than --start";
    return std::nullopt;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

// Pass records a batch of the search may hold at once (about 75 MB).
constexpr std::size_t kBatchRecords = 65536;

int RunPasses(const std::vector<std::string>& args) {
    PassesArgs a;
    if (const auto error = Parse(args, a)) return UsageError("passes: " + *error);
    std::string why;
    if (a.location) {
        const auto place = StoredLocation(*a.location, why);
        if (!place) return UsageError("passes: " + why);
        a.lat = place->latitude;
        a.lon = place->longitude;
        a.altitudeMetres = place->altitudeMetres;
    }
    std::optional<ObserverLocation> there;
    if (a.mutual && !(there = LocationOrCoordinates(*a.mutual, why)))
        return UsageError("passes: --mutual: " + why);

    // The first search's empty pass records, filled on a second thread while the elements
    // are read: megabytes the search would otherwise fill before it could begin. As many as
    // that search can take whatever the orbits (it counts no period as under 4,800 s).
    std::vector<PassRecord> emptyTable;
    struct Joined {
        std::thread thread;
        ~Joined() {
            if (thread.joinable()) thread.join();
        }
    } tableFill;
    if (!a.satellites.empty() && !a.mutual) {
        double slots = a.passes.value_or(5);
        if (a.until) {
            slots = std::ceil((*a.until - *a.start) * 86400.0 / 4800.0) + 2.0;
            if (a.passes) slots = std::min(slots, static_cast<double>(*a.passes));
        }
        const double records = slots * static_cast<double>(a.satellites.size());
        if (records >= 1024.0 && records <= static_cast<double>(kBatchRecords)) {
            try {
                tableFill.thread = std::thread([&emptyTable, records] {
                    emptyTable.assign(static_cast<std::size_t>(records), PassRecord{});
                });
            } catch (const std::system_error&) {
                // No thread to be had: the search fills its own table.
            }
        }
    }

    TleReadResult file;
    std::string error;
    if (a.tlePath.empty()) {
        a.tlePath = ProgramElementFile(error);
        if (a.tlePath.empty()) return UsageError("passes: " + error);
    }
    // Asked for some satellites, the reader copies out only theirs (and sets that share
    // their number columns, which the lookup below then tells apart).
    const std::optional<TleNumberFilter> keep =
        a.satellites.empty() ? std::nullopt : std::optional<TleNumberFilter>(a.satellites);
    if (!ReadTleFile(a.tlePath, file, error, kMaxElementText, keep ? &*keep : nullptr))
        return UsageError("passes: " + error);

    PassSearchInputs in;
    in.now = *a.start;
    in.observer.altitudeMetres = a.altitudeMetres;
    in.observer.latitude = *a.lat;
    in.observer.longitude = *a.lon;
    in.options.searchIridiumFlares = a.flares;
    in.options.searchLunarPasses = a.lunar;
    in.options.reportNvs = true;
    in.options.visibility = true;
    in.formatDateTime = [](double jd) { return FormatIsoUtcSeconds(jd); };

    auto add = [&](const TleRecord& r) {
        PassSearchSatellite s;
        s.name = TrimRight(r.name);  // as the program names it in its lines
        s.line1 = r.line1;
        s.line2 = r.line2;
        s.catalogueNumber = RecordCatalogueNumber(r);
        in.satellites.push_back(std::move(s));
    };
    if (a.satellites.empty()) {
        for (const TleRecord& r : file.records) add(r);
    } else {
        const std::vector<const TleRecord*> found = FindRecords(file.records, a.satellites);
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (!found[i])
                return UsageError("passes: satellite " + std::to_string(a.satellites[i]) +
                                  " is not in " + a.tlePath);
            add(*found[i]);
        }
    }
    if (in.satellites.empty()) return UsageError("passes: no element sets in " + a.tlePath);
    std::vector<double> epochs;
    for (const PassSearchSatellite& s : in.satellites)
        epochs.push_back(cElementSet(s.name, s.line1, s.line2).Epoch().Date());
    WarnIfElementsStale(epochs, *a.start);
    const int threads = a.threads > 0
                            ? a.threads
                            : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (there)
        return PrintMutualWindows(in.satellites, in.observer, *there, *a.start,
                                  a.until.value_or(*a.start + 1.0), threads, a.passes.value_or(0));

    int firstSlots = 0;  // pass slots a satellite in the first search; 0: all of them
    if (a.until) {
        in.options.untilJd = *a.until;
        // Without --passes, every pass before --until: at most two a revolution of the
        // fastest satellite, and one more for a pass in progress at the start.
        double shortest = 1e9;
        for (const auto& s : in.satellites) {
            const cOrbit orbit(cElementSet(s.name, s.line1, s.line2));
            if (orbit.Period() > 0.0) shortest = std::min(shortest, orbit.Period());
        }
        shortest = std::max(shortest, 4800.0);
        const double span = (*a.until - *a.start) * 86400.0;
        const double bound = std::min(2.0 * std::ceil(span / shortest) + 2.0, 100000.0);
        in.options.passesPerSatellite =
            a.passes ? std::min(*a.passes, static_cast<int>(bound)) : static_cast<int>(bound);
        // Two a revolution is for eccentric orbits; most satellites have at most one, so the
        // first search leaves room for that (half the table to clear) and only satellites
        // that fill it are searched again with the full bound.
        firstSlots = std::min(in.options.passesPerSatellite,
                              static_cast<int>(std::ceil(span / shortest)) + 2);
    } else {
        in.options.passesPerSatellite = a.passes.value_or(5);
    }

    std::mutex errLock;
    PassSearch engine([&errLock](int, int, const std::string& text) {
        std::lock_guard<std::mutex> lock(errLock);
        std::fprintf(stderr, "%s\n", text.c_str());
    });

    // The satellites, by selection index, for the name and number columns.
    std::vector<std::pair<int, std::string>> who;
    for (const PassSearchSatellite& s : in.satellites)
        who.emplace_back(s.catalogueNumber, TrimRight(s.name));

    // The pass table holds satellites x N records of about a kilobyte each, so a large file
    // with many passes each would take gigabytes at once: search it in batches of satellites
    // and keep only the rows. Satellites are searched independently (the first passes of a
    // search with fewer slots are the same passes) and the rows are sorted as the whole table
    // would be (by AOS, ties in satellite and slot order), so the output is the same.
    // Rows are written into one text per formatting part; a row is its place there.
    struct Row {
        double aos;
        std::size_t satellite;
        int slot;
        std::size_t text, offset, length;  // CSV row or VEVENT: texts[text], from offset
    };
    std::vector<Row> rows;
    std::vector<std::string> texts;
    const double stamp =
        2440587.5 + std::chrono::duration<double>(
                        std::chrono::system_clock::now().time_since_epoch())
                            .count() /
                        86400.0;
    const std::vector<PassSearchSatellite> all = std::move(in.satellites);
    // Searches the satellites given by index with n slots each; with full, those that fill
    // every slot are left to it instead of giving rows.
    auto search = [&](const std::vector<std::size_t>& which, int n,
                      std::vector<std::size_t>* full) {
        const std::size_t batch =
            n > 0 ? std::max<std::size_t>(1, kBatchRecords / static_cast<std::size_t>(n))
                  : which.size();
        for (std::size_t first = 0; first < which.size(); first += batch) {
            const std::size_t count = std::min(batch, which.size() - first);
            PassSearchInputs part = in;
            part.options.passesPerSatellite = n;
            for (std::size_t i = first; i < first + count; ++i)
                part.satellites.push_back(all[which[i]]);
            if (tableFill.thread.joinable()) tableFill.thread.join();
            part.table = std::move(emptyTable);  // the first search's, when there is one
            emptyTable = {};
            engine.Run(std::move(part), threads);
            const std::vector<PassRecord> table = engine.TakeRecords();
            std::vector<std::size_t> done;  // satellites of the batch that give rows now
            for (std::size_t s = 0; s < count; ++s) {
                const PassRecord* slots = table.data() + s * static_cast<std::size_t>(n);
                if (full && !slots[n - 1].IsEmpty())
                    full->push_back(which[first + s]);
                else
                    done.push_back(s);
            }
            // Formatting thousands of rows is a fifth of a short run's own work: one part of
            // the satellites for each search thread, joined in order.
            const std::size_t parts =
                std::min<std::size_t>(static_cast<std::size_t>(threads), done.size() / 8 + 1);
            const std::size_t text0 = texts.size();
            texts.resize(text0 + parts);
            auto format = [&](std::size_t from, std::size_t to, std::size_t part,
                              std::vector<Row>& out) {
                std::string& text = texts[text0 + part];
                for (std::size_t d = from; d < to; ++d) {
                    const std::size_t index = which[first + done[d]];
                    const PassRecord* slots =
                        table.data() + done[d] * static_cast<std::size_t>(n);
                    for (int k = 0; k < n; ++k) {
                        const PassRecord& r = slots[k];
                        if (r.IsEmpty() || r.los == 0.0) continue;
                        if (a.visibleOnly && !r.HasVisibleWindow()) continue;
                        const auto& [number, name] = who[index];
                        const std::size_t offset = text.size();
                        if (a.ical)
                            text += PassICalEvent(PassExportRow{number, name, r}, stamp);
                        else
                            AppendPassCsvRow(text, number, name, r);
                        out.push_back({r.aos, index, k, text0 + part, offset, text.size() - offset});
                    }
                }
            };
            std::vector<std::vector<Row>> partRows(parts);
            std::vector<std::thread> helpers;
            for (std::size_t p = 1; p < parts; ++p) {
                const std::size_t from = done.size() * p / parts;
                const std::size_t to = done.size() * (p + 1) / parts;
                try {
                    helpers.emplace_back(format, from, to, p, std::ref(partRows[p]));
                } catch (const std::system_error&) {
                    format(from, to, p, partRows[p]);  // no thread to be had: here, then
                }
            }
            format(0, done.size() / parts, 0, partRows[0]);
            for (std::thread& t : helpers) t.join();
            for (auto& part : partRows) rows.insert(rows.end(), part.begin(), part.end());
        }
    };
    std::vector<std::size_t> every(all.size());
    for (std::size_t i = 0; i < every.size(); ++i) every[i] = i;
    const int n = in.options.passesPerSatellite;
    if (firstSlots > 0 && firstSlots < n) {
        std::vector<std::size_t> again;
        search(every, firstSlots, &again);
        search(again, n, nullptr);
    } else {
        search(every, n, nullptr);
    }
    std::sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) {
        if (x.aos != y.aos) return x.aos < y.aos;
        return x.satellite != y.satellite ? x.satellite < y.satellite : x.slot < y.slot;
    });

    std::string out = a.ical ? ICalendarBegin() : PassCsvHeader() + '\n';
    std::size_t size = out.size();
    for (const Row& row : rows) size += row.length;
    out.reserve(size + 64);
    for (const Row& row : rows) out.append(texts[row.text], row.offset, row.length);
    if (a.ical) out += ICalendarEnd();
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

constexpr const char* kHelp =
    "The program's pass search over an observer: one CSV row a pass in AOS order, or an\n"
    "iCalendar file.\n"
    "\n"
    "Options:\n"
    "  --tle FILE         element file, TLE or OMM (default: the program's element file)\n"
    "  --sat CATNR ...    catalogue numbers, repeated or comma-separated (default: every set)\n"
    "  --lat DEG          observer latitude, -90 ... 90, north positive (required)\n"
    "  --lon DEG          observer longitude, -180 ... 180, east positive (required)\n"
    "  --location NAME    a location stored in User Settings instead of --lat, --lon, --alt-m\n"
    "  --alt-m M          observer height in whole metres (default: 0)\n"
    "  --start ISO8601Z   search from this instant, UTC (required)\n"
    "  --passes N         passes a satellite (default: 5; with --until, every pass before it)\n"
    "  --until ISO8601Z   search no later than this instant (default: no limit)\n"
    "  --flares           search Iridium flares too (default: off)\n"
    "  --lunar            search lunar passes too (default: off)\n"
    "  --threads K        search threads, 1 ... 256 (default: one a processor core)\n"
    "  --visible-only     only passes with a visible window (default: every pass)\n"
    "  --format csv|ical  output format (default: csv)\n"
    "  --mutual NAME|LAT,LON[,ALT_M]\n"
    "                     the windows a satellite is above this and the other site's horizon,\n"
    "                     one CSV row each (catalogue,name,start_utc,end_utc,duration_s,\n"
    "                     max_el_here,max_el_there); --passes caps them a satellite; without\n"
    "                     --until, one day from --start\n"
    "\n"
    "Example:\n"
    "  orvanta-cli passes --sat 25544 --lat 51.4779 --lon -0.0015 --start 2026-05-08T00:00:00Z "
    "--passes 3\n"
    "  orvanta-cli passes --sat 25544 --location Home --mutual 53.55,9.99 "
    "--start 2026-05-08T00:00:00Z --until 2026-05-09T00:00:00Z\n";

}  // namespace

ORVANTA_CLI_COMMAND(
    kPassesCommand, "passes",
    "passes [--tle FILE] [--sat CATNR ...] (--lat DEG --lon DEG [--alt-m M] | --location NAME) --start ISO8601Z "
    "[--passes N] [--until ISO8601Z] [--flares] [--lunar] [--threads K] [--visible-only] "
    "[--format csv|ical] [--mutual NAME|LAT,LON[,ALT_M]]",
    kHelp, RunPasses);

}  // namespace orvanta::cli
