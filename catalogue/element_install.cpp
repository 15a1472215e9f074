#include "catalogue/element_install.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <system_error>

#include "catalogue/element_download.h"
#include "catalogue/element_loader.h"
#include "maintenance/gzip_decoder.h"
#include "maintenance/unzip.h"
#include "orbit/element_set.h"
#include "orbit/omm_reader.h"
#include "platform/file_flush.h"

namespace orvanta {

namespace fs = std::filesystem;

std::string ThreeLineText(const KeplerCatalogue& catalogue, std::int32_t* skippedAbove) {
    std::string text;
    text.reserve(catalogue.records.size() * 166);
    std::int32_t above = 0;
    for (const KeplerRecord& r : catalogue.records) {
        if (r.catalogueNumber > MAX_ALPHA5_NUMBER) {
            ++above;
            continue;
        }
        text.append(r.Name()).append("\n");
        text.append(r.Line1()).append("\n");
        text.append(r.Line2()).append("\n");
    }
    if (skippedAbove) *skippedAbove = above;
    return text;
}

std::vector<std::uint8_t> GzipBytes(std::string_view data) {
    z_stream z{};
    // 15 window bits + 16: a gzip header and trailer around the DEFLATE data.
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 64);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::vector<std::uint8_t>();
}

bool WriteFileAtomically(const fs::path& target, const std::vector<std::uint8_t>& bytes,
                         std::string& error) {
    std::random_device rd;
    fs::path temp;
    std::FILE* f = nullptr;
    // "x": never open a file that is already there (a stale temporary or a planted link).
    for (int attempt = 0; attempt < 8 && !f; ++attempt) {
        temp = target.parent_path() /
               (target.filename().string() + ".download-" + std::to_string(rd() % 1000000));
        f = std::fopen(temp.string().c_str(), "wbx");
    }
    if (!f) {
        error = "cannot create " + temp.string();
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    // On the disk before the rename, so the new name never points at a hollow file.
    ok = platform::FlushToDisk(f) && ok;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) fs::rename(temp, target, ec);
    if (!ok || ec) {
        error = "cannot write " + target.string() + (ec ? ": " + ec.message() : std::string());
        fs::remove(temp, ec);
        return false;
    }
    platform::FlushDirectory(target.parent_path());
    return true;
}

namespace {

// Longest body read as a text answer, and the longest text shown of any answer.
constexpr std::size_t MAX_TEXT_ANSWER = 512;
constexpr std::size_t MAX_SHOWN_ANSWER = 200;

// Whitespace and control characters as single spaces, trimmed and cut.
std::string OneLine(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7f) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
        if (out.size() >= MAX_SHOWN_ANSWER) return out + "...";
    }
    return out;
}

// The string value after "key": in a JSON text, escapes resolved (\uXXXX as '?').
std::string JsonString(std::string_view json, std::string_view key) {
    const std::size_t at = json.find(key);
    if (at == std::string_view::npos) return {};
    std::size_t i = at + key.size();
    while (i < json.size() && (json[i] == ' ' || json[i] == ':' || json[i] == '\t' ||
                               json[i] == '\r' || json[i] == '\n'))
        ++i;
    if (i >= json.size() || json[i] != '"') return {};
    std::string value;
    for (++i; i < json.size() && json[i] != '"'; ++i) {
        if (json[i] != '\\' || i + 1 == json.size()) {
            value += json[i];
            continue;
        }
        const char e = json[++i];
        if (e == 'u') {
            value += '?';
            i = std::min(i + 4, json.size() - 1);
        } else {
            value += e == 'n' || e == 't' || e == 'r' ? ' ' : e;
        }
    }
    return value;
}

}  // namespace

std::string ServiceErrorText(std::string_view body) {
    const std::size_t first = body.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    body.remove_prefix(first);
    if (body.front() == '{' || body.front() == '[') return OneLine(JsonString(body, "\"error\""));
    // Element lines or OMM records, however damaged, are the parser's to explain.
    if (body.size() > MAX_TEXT_ANSWER || body.starts_with("1 ") ||
        body.find("\n1 ") != std::string_view::npos ||
        body.find("NORAD_CAT_ID") != std::string_view::npos ||
        body.find("OBJECT_NAME") != std::string_view::npos)
        return {};
    return OneLine(body);
}

std::string NewElementsAgeLine(double ageDays, const std::string& newestEpoch, int& level) {
    const int hours = static_cast<int>(ageDays * 24.0);
    const double minutes = (ageDays * 24.0 - hours) * 60.0;
    const char* warning = "";
    level = DL_INFORMATION;
    if (ageDays > 6.0) {
        warning = "! Predictions very inaccurate.";
        level = DL_ERROR;
    } else if (ageDays > 2.0) {
        warning = "! Predictions somewhat inaccurate.";
        level = DL_WARNING;
    }
    char text[192];
    std::snprintf(text, sizeof text, "The new element sets are %02dh %02.0fm old (newest epoch %s)%s",
                  hours, minutes, newestEpoch.c_str(), warning);
    return text;
}

std::string SkippedAboveLine(std::int32_t count) {
    return std::to_string(count) +
           " element sets above catalogue number 339999 kept in memory only (the three-line "
           "file cannot hold them)";
}

ElementInstallResult InstallElementData(const std::vector<std::uint8_t>& body,
                                        const fs::path& target, std::size_t maxText) {
    ElementInstallResult result;
    const bool gzip = body.size() >= 2 && body[0] == 0x1f && body[1] == 0x8b;
    std::vector<std::uint8_t> decoded;
    if (gzip) {
        try {
            decoded = GunzipBuffer(body.data(), body.size(), maxText);
        } catch (const CZipException& e) {
            result.message = std::string("The downloaded elements cannot be decompressed: ") + e.what();
            // Past the size cap the data may be whole; otherwise it is broken.
            result.damaged = e.what() != UnzipLimitMessage(maxText);
            return result;
        }
    } else if (body.size() > maxText) {
        result.message = "The downloaded elements are larger than " +
                         std::to_string(maxText >> 20) + " MiB";
        return result;
    }
    const std::vector<std::uint8_t>& raw = gzip ? decoded : body;
    std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());

    ElementTextReport parsed;
    KeplerCatalogue catalogue = ParseAnyElementText(text, &parsed);
    result.badRecords = parsed.skipped;
    result.firstProblem = parsed.problem;
    // Only sets the orbit model accepts count; the rest are dropped here, not at each use.
    KeplerCatalogue valid;
    valid.records.reserve(catalogue.records.size());
    for (const KeplerRecord& r : catalogue.records) {
        if (cElementSet(r.name, r.line1, r.line2).IsValid())
            valid.records.push_back(r);
        else
            ++result.badRecords;
    }
    if (valid.records.empty()) {
        // A refusal (Space-Track's query limit, say) comes as a 200 answer of its own text.
        const std::string answer = ServiceErrorText(text);
        if (!answer.empty()) {
            result.message = "The download holds no valid element set; the service answered \"" +
                             answer + "\"";
            return result;
        }
        result.message = "The download holds no valid element set";
        if (!parsed.problem.empty()) result.message += " (" + parsed.problem + ")";
        return result;
    }

    std::vector<std::uint8_t> file;
    if (gzip && !parsed.omm && result.badRecords == 0) {
        file = body;  // already the element file's form: keep the server's bytes
        result.written = valid.Count();
    } else {
        const std::string three = ThreeLineText(valid, &result.skippedAbove);
        result.written = valid.Count() - result.skippedAbove;
        if (result.written == 0) {
            result.message = "The download holds no element set the element file can store";
            return result;
        }
        file = GzipBytes(three);
        if (file.empty()) {
            result.message = "Compressing the element file failed";
            return result;
        }
    }
    std::string error;
    if (!WriteFileAtomically(target, file, error)) {
        result.message = error;
        return result;
    }
    result.ok = true;
    result.catalogue = std::move(valid);
    return result;
}

}  // namespace orvanta
