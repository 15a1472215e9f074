#include "maintenance/update_check.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <system_error>

#include "maintenance/unzip.h"

namespace orvanta {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxVersionFileBytes = 64 * 1024;

std::string Format(const char* format, const std::string& a) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, format, a.c_str());
    return buf;
}

// One line from at, without its line end ("\n", "\r\n" or a lone "\r"); at moves past it.
std::string_view NextLine(std::string_view text, std::size_t& at) {
    const std::size_t start = std::min(at, text.size());
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
        at = text.size();
        return text.substr(start);
    }
    at = end + 1;
    if (text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
    return text.substr(start, end - start);
}

std::atomic<bool> g_restart{false};

}  // namespace

bool IsVersionText(std::string_view version) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (version.empty() || version.size() > kMaxVersionChars || !digit(version[0])) return false;
    std::size_t i = 0;
    while (i < version.size() && (digit(version[i]) || version[i] == '.')) ++i;
    for (; i < version.size(); ++i) {
        const char c = version[i];
        const bool label = digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           c == ' ' || c == '+' || c == '-' || c == '.' || c == '_';
        if (!label) return false;
    }
    return version.back() != ' ';
}

bool ReadVersionFile(std::string_view text, VersionFile& file) {
    file = VersionFile();
    if (text.size() > kMaxVersionFileBytes || text.find('\0') != std::string_view::npos)
        return false;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // an editor's UTF-8 mark
    std::size_t at = 0;
    std::string_view version = NextLine(text, at).substr(0, kMaxVersionChars);
    while (!version.empty() && (version.back() == ' ' || version.back() == '\t'))
        version.remove_suffix(1);
    if (!version.empty() && !IsVersionText(version)) return false;
    file.version = std::string(version);
    file.updateUrl = std::string(NextLine(text, at));
    for (char c : text.substr(at).substr(0, kMaxNotesChars)) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 0x20 && u != 0x7f) || c == '\r' || c == '\n' || c == '\t') file.notes += c;
    }
    return true;
}

std::string CheckFailedText(std::string_view why) {
    std::string text = kCheckFailed;
    if (!why.empty()) text += " (" + std::string(why) + ")";
    return text;
}

UpdateCheckLine SilentCheckFailure(std::string_view why) {
    UpdateCheckLine line;
    line.text = CheckFailedText(why);
    return line;
}

UpdateCheckLine SilentCheckLine(bool downloaded, std::string_view body, std::string_view ownVersion) {
    UpdateCheckLine line;
    VersionFile file;
    if (!downloaded) {
        line.text = kCheckFailed;
    } else if (!ReadVersionFile(body, file)) {
        line.text = kVersionFileUnreadable;
    } else if (file.version.empty()) {
        line.text = kNoVersionInformation;
    } else if (file.version != ownVersion) {
        // Any difference counts, an older version included: the server says what to run.
        line = {true, true, Format(kUpdateAvailableLog, file.version), 1};
    } else {
        line = {true, false, Format(kUpToDate, file.version), 3};
    }
    return line;
}

std::string UpdateQuestion(const VersionFile& file) {
    char buf[4096];
    if (file.notes.size() > 3)
        std::snprintf(buf, sizeof buf, kUpdateQuestionWithNotes, file.version.c_str(),
                      file.notes.c_str());
    else
        std::snprintf(buf, sizeof buf, kUpdateQuestion, file.version.c_str());
    return buf;
}

UpdatePaths UpdatePathsFor(const fs::path& executable) {
    UpdatePaths p;
    p.executable = executable;
    p.download = executable;
    p.download += ".gz";
    // "Orvanta.exe.gz" keeps its name where the program has one.
    if (executable.extension() == ".exe") p.download = executable.parent_path() / "Orvanta.exe.gz";
    p.temporary = executable;
    p.temporary += ".tmp";
    p.old = executable;
    p.old.replace_extension(".old");
    return p;
}

UnpackStatus UnpackUpdate(const UpdatePaths& paths, std::string& detail) {
    std::error_code ec;
    try {
        CUnzip unzip(paths.download.string());
        unzip.Run(paths.temporary.string());
    } catch (const CZipException& e) {
        detail = e.Message();
        fs::remove(paths.temporary, ec);
        return UnpackStatus::UnzipFailed;
    }
    const std::uintmax_t size = fs::file_size(paths.temporary, ec);
    if (ec || size < kMinimumProgramBytes) {
        char buf[256];
        std::snprintf(buf, sizeof buf, kUpdateTooSmall, static_cast<long long>(ec ? 0 : size));
        detail = buf;
        fs::remove(paths.temporary, ec);
        return UnpackStatus::TooSmall;
    }
    fs::perms perms = fs::status(paths.executable, ec).permissions();
    if (ec || perms == fs::perms::unknown) perms = fs::perms::owner_all;
    perms |= fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec;
    fs::permissions(paths.temporary, perms, fs::perm_options::replace, ec);
    return UnpackStatus::Ok;
}

bool SwapInUpdate(const UpdatePaths& paths, std::string& error) {
    std::error_code ec;
    fs::remove(paths.old, ec);
    fs::rename(paths.executable, paths.old, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    fs::rename(paths.temporary, paths.executable, ec);
    if (ec) {
        error = ec.message();
        // Without this the program would be gone until the user reinstalls it.
        std::error_code back;
        fs::rename(paths.old, paths.executable, back);
        return false;
    }
    fs::remove(paths.old, ec);  // refused on systems that lock a running program
    fs::remove(paths.download, ec);
    return true;
}

void RequestRestart(bool restart) {
    g_restart = restart;
}

bool RestartRequested() {
    return g_restart;
}

}  // namespace orvanta
