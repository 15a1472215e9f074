#include "orbit/tle_file.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "orbit/element_set.h"
#include "orbit/omm_reader.h"
#include "orbit/whole_file_text.h"

namespace orvanta {

namespace {

constexpr std::size_t kElementLineLength = 69;

// The text's size, to read it into one allocation: a gzip file's last four bytes hold it
// (modulo 4 GiB, and only the last member's), a plain file is its own size. 0 when unknown;
// a wrong hint costs only a reallocation.
std::size_t TextSizeHint(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    unsigned char magic[2] = {0, 0}, tail[4] = {0, 0, 0, 0};
    std::size_t hint = 0;
    if (std::fread(magic, 1, 2, f) == 2 && std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (magic[0] != 0x1f || magic[1] != 0x8b) {
            hint = size > 0 ? static_cast<std::size_t>(size) : 0;
        } else if (size >= 18 && std::fseek(f, -4, SEEK_END) == 0 &&
                   std::fread(tail, 1, 4, f) == 4) {
            hint = tail[0] | tail[1] << 8 | tail[2] << 16 | std::size_t(tail[3]) << 24;
            // No more than deflate can expand to (1032:1), whatever a damaged file claims.
            hint = std::min(hint, static_cast<std::size_t>(size) * 1032);
        }
    }
    std::fclose(f);
    return hint;
}

// Element lines are taken one at a time so that a file can be parsed while the rest of it
// is still being decompressed. A line is looked at where it lies in the text; only the lines
// a set keeps are copied, once, into its record. So a name or line 1 waiting for the next
// line is a view of the text, which must stay where it is until Finish.
class TleLineParser {
public:
    explicit TleLineParser(std::size_t sizeHint, const TleNumberFilter* keep = nullptr)
        : keep_(keep) {
        // A named set is about 165 bytes; a filtered read keeps few.
        if (!keep_) result.records.reserve(sizeHint / 160);
    }

    // Lines of text, each ended by a newline; a last piece without one is a line too.
    void Text(std::string_view text) {
        if (text.empty()) return;
        const bool anyCr = std::memchr(text.data(), '\r', text.size()) != nullptr;
        const char* pos = text.data();
        const char* const end = pos + text.size();
        while (pos < end) {
            const char* newline = static_cast<const char*>(std::memchr(pos, '\n', end - pos));
            const char* lineEnd = newline ? newline : end;
            const std::string_view raw(pos, static_cast<std::size_t>(lineEnd - pos));
            Line(anyCr ? WithoutCr(raw) : raw);
            pos = lineEnd + 1;
        }
    }

    TleReadResult Finish() {
        if (haveLine1) ++result.strayLines;
        return std::move(result);
    }

private:
    // The line without its CR characters: the text itself when it has none, else a copy in
    // the scratch buffer, valid until the next line.
    std::string_view WithoutCr(std::string_view raw) {
        if (raw.find('\r') == std::string_view::npos) return raw;
        scratch.clear();
        for (char c : raw)
            if (c != '\r') scratch.push_back(c);
        return scratch;
    }
    // A line kept for the next one: a line out of the scratch buffer is copied to its own.
    std::string_view Keep(std::string_view line, std::string& own) const {
        if (line.data() != scratch.data()) return line;
        own.assign(line);
        return own;
    }

    void Line(std::string_view line) {
        ++lineNumber;

        if (line.empty() || line[0] == '#') return;
        if ((line[0] == ' ' || line[0] == '\t') &&
            line.find_first_not_of(" \t") == std::string_view::npos)
            return;

        const bool elementLine = line.size() >= 2 && line[1] == ' ';
        const bool isLine1 = elementLine && line[0] == '1';
        const bool isLine2 = elementLine && line[0] == '2';
        if (isLine1 || isLine2) line = line.substr(0, kElementLineLength);

        if (haveLine1) {
            haveLine1 = false;
            if (isLine2) {
                if (keep_ && !keep_->Keeps(LineNumberColumns(pendingLine1))) {
                    havePendingName = false;
                    return;
                }
                if (!havePendingName) pendingName = {};
                // Built from the views in place: one allocation and copy per string.
                result.records.push_back({std::string(pendingName), std::string(pendingLine1),
                                          std::string(line), pendingLine1Number});
                havePendingName = false;
                return;
            }
            ++result.strayLines;  // the unpaired line 1
            havePendingName = false;
        }

        if (isLine1) {
            pendingLine1 = Keep(line, ownLine1);
            pendingLine1Number = lineNumber;
            haveLine1 = true;
        } else if (isLine2) {
            ++result.strayLines;
            havePendingName = false;
        } else {
            pendingName = Keep(line, ownName);
            havePendingName = true;
        }
    }

    static int LineNumberColumns(std::string_view line1) {
        return line1.size() < 7 ? -1 : CatalogueNumberFromText(line1.substr(2, 5));
    }

    const TleNumberFilter* keep_;
    TleReadResult result;
    std::string_view pendingName;  // a name line waiting for its set
    bool havePendingName = false;
    std::string_view pendingLine1;
    int pendingLine1Number = 0;
    bool haveLine1 = false;
    int lineNumber = 0;
    std::string scratch, ownName, ownLine1;  // lines with CR characters, without them
};

// Parses element lines on a second thread while the main one inflates the rest of a large
// file, so that reading a big catalogue takes about the time of the inflate alone. The
// thread sees only the text up to the last newline published, which later appends do not
// move while the reserved capacity holds; an append beyond it stops the early parse, and so
// does OMM content (the text is then parsed whole, as for a small file).
class EarlyParse {
public:
    EarlyParse(const std::string& text, std::size_t hint, const TleNumberFilter* keep)
        : base_(text.data()), parser_(hint, keep) {
        if (hint < kMinimumText) return;
        try {
            worker_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // No thread to be had: parsed whole at the end.
        }
    }
    ~EarlyParse() { Stop(); }
    EarlyParse(const EarlyParse&) = delete;
    EarlyParse& operator=(const EarlyParse&) = delete;

    void Publish(std::size_t size) {
        if (!worker_.joinable()) return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_ = size;
        }
        wake_.notify_one();
    }
    void Stop() { End(true); }
    // The parse of the whole text, when the early parse covered it and it is element lines.
    bool Finish(TleReadResult& result) {
        if (!worker_.joinable()) return false;
        End(false);
        if (IsOmm(DetectElementTextFormat(std::string_view(base_, ready_)))) return false;
        result = parser_.Finish();
        return true;
    }

private:
    static constexpr std::size_t kMinimumText = std::size_t(256) << 10;

    void End(bool stop) {
        if (!worker_.joinable()) return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            (stop ? stop_ : done_) = true;
        }
        wake_.notify_one();
        worker_.join();
    }
    void Run() {
        std::size_t from = 0, seen = 0;
        for (;;) {
            std::size_t upto = 0;
            bool done = false;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || done_ || ready_ > seen; });
                if (stop_) return;
                upto = seen = ready_;
                done = done_;
            }
            const std::string_view fresh(base_ + from, upto - from);
            if (done) {
                parser_.Text(fresh);
                return;
            }
            const std::size_t newline = fresh.rfind('\n');
            if (newline == std::string_view::npos) continue;
            parser_.Text(fresh.substr(0, newline + 1));
            from += newline + 1;
        }
    }

    const char* base_;
    TleLineParser parser_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::size_t ready_ = 0;  // bytes of text published
    bool stop_ = false, done_ = false;
};

// Element lines found no set but OMM content named its trouble: the file is refused.
bool Usable(const std::string& path, const TleReadResult& result, std::string& error) {
    if (result.records.empty() && !result.firstProblem.empty()) {
        error = path + ": no usable element set (" + result.firstProblem + ")";
        return false;
    }
    return true;
}

}  // namespace

TleReadResult ParseTleText(std::string_view text) {
    TleLineParser parser(text.size());
    parser.Text(text);
    return parser.Finish();
}

TleNumberFilter::TleNumberFilter(std::vector<int> numbers) : numbers_(std::move(numbers)) {
    std::sort(numbers_.begin(), numbers_.end());
}

bool TleNumberFilter::Keeps(int number) const {
    return std::binary_search(numbers_.begin(), numbers_.end(), number);
}

bool TleNumberFilter::Keeps(const TleRecord& record) const {
    if (record.catalogueNumber >= 0) return Keeps(record.catalogueNumber);
    const std::string_view line1 = record.line1;
    return Keeps(line1.size() < 7 ? -1 : CatalogueNumberFromText(line1.substr(2, 5)));
}

namespace {

TleReadResult ParseFiltered(std::string_view text, const TleNumberFilter* keep) {
    if (IsOmm(DetectElementTextFormat(text))) return ParseElementSetText(text);
    TleLineParser parser(text.size(), keep);
    parser.Text(text);
    return parser.Finish();
}

// An OMM document is filtered once read: its records carry their own numbers, and whether
// the file is usable is judged on all of them.
bool Filtered(const std::string& path, TleReadResult& result, std::string& error,
              const TleNumberFilter* keep) {
    if (!Usable(path, result, error)) return false;
    if (keep)
        result.records.erase(std::remove_if(result.records.begin(), result.records.end(),
                                            [keep](const TleRecord& r) { return !keep->Keeps(r); }),
                             result.records.end());
    return true;
}

}  // namespace

TleReadResult ParseElementSetText(std::string_view text) {
    const ElementTextFormat format = DetectElementTextFormat(text);
    if (!IsOmm(format)) return ParseTleText(text);
    OmmReadResult omm = ReadOmmText(text, format);
    TleReadResult result;
    int index = 0;
    for (OmmSet& set : omm.sets) {
        TleRecord r;
        r.name = std::move(set.name);
        r.line1 = std::move(set.line1);
        r.line2 = std::move(set.line2);
        r.lineNumber = ++index;
        r.catalogueNumber = set.catalogueNumber;
        result.records.push_back(std::move(r));
    }
    result.badRecords = omm.badRecords;
    result.firstProblem = !omm.documentError.empty() ? omm.documentError : omm.firstProblem;
    return result;
}

bool ReadTleFile(const std::string& path, TleReadResult& result, std::string& error,
                 std::size_t maxText, const TleNumberFilter* keep) {
    // Read and inflated whole where it can be (plain, or gzip through libdeflate), which is
    // faster than the stream below; every other file, and every error, takes the stream.
    // One thread: on a machine of two cores a second one slowed the inflate as much as it
    // took off the parse.
    WholeFileText whole;
    if (ReadWholeFileText(path, maxText, whole)) {
        result = ParseFiltered(whole.View(), keep);
        return Filtered(path, result, error, keep);
    }

    errno = 0;
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path + ": " +
                (errno ? std::strerror(errno) : std::string("out of memory"));
        return false;
    }
    std::string text;
    const std::size_t hint = std::min(TextSizeHint(path), maxText);
    text.reserve(hint);
    EarlyParse early(text, hint, keep);
    char buffer[65536];
    for (;;) {
        const int n = gzread(file, buffer, sizeof buffer);
        if (n < 0) {
            int code = 0;
            const char* message = gzerror(file, &code);
            error = "cannot read " + path + ": " +
                    (code == Z_ERRNO ? std::strerror(errno) : std::string(message));
            gzclose(file);
            return false;
        }
        if (n == 0) break;
        if (static_cast<std::size_t>(n) > maxText - text.size()) {
            char limit[64];
            if (maxText % (std::size_t(1) << 20) == 0)
                std::snprintf(limit, sizeof limit, "%zu MiB", maxText >> 20);
            else
                std::snprintf(limit, sizeof limit, "%zu bytes", maxText);
            error = "cannot read " + path + ": more than " + limit +
                    " of element text (not an element file?)";
            gzclose(file);
            return false;
        }
        if (text.size() + static_cast<std::size_t>(n) > text.capacity()) early.Stop();
        text.append(buffer, static_cast<std::size_t>(n));
        early.Publish(text.size());
    }
    // A gzip stream cut short reads as end of file; zlib only says so here.
    int code = 0;
    const char* message = gzerror(file, &code);
    if (code != Z_OK && code != Z_STREAM_END) {
        error = "cannot read " + path + ": " + message;
        gzclose(file);
        return false;
    }
    gzclose(file);
    if (!early.Finish(result)) result = ParseFiltered(text, keep);
    return Filtered(path, result, error, keep);
}

}  // namespace orvanta
