#include "orbit/tle_file.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "orbit/omm_reader.h"

namespace orvanta {

namespace {

constexpr std::size_t kElementLineLength = 69;

bool IsElementLine(const std::string& line, char which) {
    return line.size() >= 2 && line[0] == which && line[1] == ' ';
}

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

}  // namespace

TleReadResult ParseTleText(std::string_view text) {
    TleReadResult result;
    result.records.reserve(text.size() / 160);  // a named set is about 165 bytes
    std::string pendingName;
    bool havePendingName = false;
    std::string pendingLine1;
    int pendingLine1Number = 0;
    bool haveLine1 = false;

    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(pos, end - pos);
        std::string line;
        if (raw.find('\r') == std::string_view::npos) {
            line.assign(raw);  // the usual case, copied whole
        } else {
            line.reserve(raw.size());
            for (char c : raw)
                if (c != '\r') line.push_back(c);
        }
        pos = end + 1;
        ++lineNumber;

        if (!line.empty() && line[0] == '#') continue;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;

        const bool isLine1 = IsElementLine(line, '1');
        const bool isLine2 = IsElementLine(line, '2');
        if (isLine1 || isLine2) {
            if (line.size() > kElementLineLength) line.resize(kElementLineLength);
        }

        if (haveLine1) {
            haveLine1 = false;
            if (isLine2) {
                TleRecord record;
                if (havePendingName) record.name = std::move(pendingName);
                record.line1 = std::move(pendingLine1);
                record.line2 = std::move(line);
                record.lineNumber = pendingLine1Number;
                result.records.push_back(std::move(record));
                havePendingName = false;
                continue;
            }
            ++result.strayLines;  // the unpaired line 1
            havePendingName = false;
        }

        if (isLine1) {
            pendingLine1 = std::move(line);
            pendingLine1Number = lineNumber;
            haveLine1 = true;
        } else if (isLine2) {
            ++result.strayLines;
            havePendingName = false;
        } else {
            pendingName = std::move(line);
            havePendingName = true;
        }
    }
    if (haveLine1) ++result.strayLines;
    return result;
}

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
                 std::size_t maxText) {
    errno = 0;
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path + ": " +
                (errno ? std::strerror(errno) : std::string("out of memory"));
        return false;
    }
    std::string text;
    text.reserve(std::min(TextSizeHint(path), maxText));
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
        text.append(buffer, static_cast<std::size_t>(n));
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
    result = ParseElementSetText(text);
    if (result.records.empty() && !result.firstProblem.empty()) {
        error = path + ": no usable element set (" + result.firstProblem + ")";
        return false;
    }
    return true;
}

}  // namespace orvanta
