// Settings kept in one registry-export text file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/settings_store.h"
#include "platform/settings_tree.h"

namespace orvanta::platform {

namespace fs = std::filesystem;

namespace {

// Far beyond any real settings file; a bigger file is not ours and is left alone.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtimeSec = 0;
    long mtimeNsec = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, (long long)st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

// Replaces target with bytes: a temporary file in the same directory, flushed to disk,
// renamed over the target, so a crash leaves either the old or the new file whole.
bool ReplaceFileAtomically(const fs::path& target, const std::string& bytes) {
    std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    Fd fd(::mkstemp(tmpl.data()));  // created 0600
    if (fd.get() < 0) return false;
    bool ok = ::fchmod(fd.get(), S_IRUSR | S_IWUSR) == 0 && WriteAll(fd.get(), bytes) &&
              ::fsync(fd.get()) == 0;
    ok = (::close(fd.release()) == 0) && ok;
    if (ok) ok = ::rename(tmpl.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmpl.c_str());
        return false;
    }
    // Make the rename itself durable.
    Fd dir(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

enum class LoadResult { Ok, Missing, Unreadable };

struct Loaded {
    SettingsTree tree;
    RegistryFileReport report;
    std::string raw;
    Stamp stamp;
};

LoadResult LoadFile(const fs::path& file, Loaded& out) {
    out = Loaded{};
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return errno == ENOENT ? LoadResult::Missing : LoadResult::Unreadable;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize)
        return LoadResult::Unreadable;
    out.stamp = StampOf(st);
    out.raw.resize(std::size_t(st.st_size));
    std::size_t got = 0;
    while (got < out.raw.size()) {
        ssize_t n = ::read(fd.get(), out.raw.data() + got, out.raw.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LoadResult::Unreadable;
        }
        if (n == 0) break;  // shrank while reading: take what is there
        got += std::size_t(n);
    }
    out.raw.resize(got);
    out.report = ParseRegistryFile(out.raw, out.tree);
    return LoadResult::Ok;
}

class FileSettingsStore : public ISettingsStore {
public:
    FileSettingsStore(fs::path file, std::function<void()> onRewrite)
        : file_(std::move(file)), onRewrite_(std::move(onRewrite)) {}

    bool KeyExists(RootKey root, const std::string& path) override {
        std::string full = FullKeyPath(root, path);
        std::lock_guard lock(mutex_);
        return !full.empty() && Current() && cache_.tree.Exists(full);
    }

    bool CreateKey(RootKey root, const std::string& path) override {
        std::string full = FullKeyPath(root, path);
        if (full.empty() || !IsStorableName(full)) return false;
        return Modify([&](SettingsTree& t) {
            if (t.Exists(full)) return Change::None;
            return t.Create(full) ? Change::Changed : Change::Failed;
        });
    }

    std::optional<SettingValue> ReadValue(RootKey root, const std::string& path,
                                          const std::string& name) override {
        std::string full = FullKeyPath(root, path);
        std::lock_guard lock(mutex_);
        if (full.empty() || !Current()) return std::nullopt;
        return cache_.tree.Read(full, name);
    }

    bool WriteValue(RootKey root, const std::string& path, const std::string& name,
                    const SettingValue& value) override {
        std::string full = FullKeyPath(root, path);
        if (full.find('\\') == std::string::npos || !IsStorableName(name)) return false;
        return Modify([&](SettingsTree& t) {
            if (!t.Exists(full)) return Change::Failed;
            return t.Write(full, name, value) ? Change::Changed : Change::None;
        });
    }

    bool WriteValues(RootKey root, const std::string& path,
                     const std::vector<std::pair<std::string, SettingValue>>& values) override {
        std::string full = FullKeyPath(root, path);
        if (full.find('\\') == std::string::npos) return false;
        for (const auto& nv : values)
            if (!IsStorableName(nv.first)) return false;
        return Modify([&](SettingsTree& t) {
            if (!t.Exists(full)) return Change::Failed;
            bool changed = false;
            for (const auto& [name, value] : values) changed = t.Write(full, name, value) || changed;
            return changed ? Change::Changed : Change::None;
        });
    }

    bool DeleteValue(RootKey root, const std::string& path, const std::string& name) override {
        std::string full = FullKeyPath(root, path);
        if (full.empty()) return false;
        return Modify([&](SettingsTree& t) {
            return t.DeleteValue(full, name) ? Change::Changed : Change::Failed;
        });
    }

    std::vector<std::string> SubKeys(RootKey root, const std::string& path) override {
        std::string full = FullKeyPath(root, path);
        std::lock_guard lock(mutex_);
        if (full.empty() || !Current()) return {};
        return cache_.tree.SubKeys(full);
    }

    bool DeleteKey(RootKey root, const std::string& path) override {
        std::string full = FullKeyPath(root, path);
        if (full.empty()) return false;
        return Modify([&](SettingsTree& t) {
            return t.DeleteKey(full) ? Change::Changed : Change::Failed;
        });
    }

    bool DeleteTree(RootKey root, const std::string& path) override {
        std::string full = FullKeyPath(root, path);
        if (full.find('\\') == std::string::npos) return false;  // never a bare root
        return Modify([&](SettingsTree& t) {
            return t.DeleteTree(full) ? Change::Changed : Change::Failed;
        });
    }

private:
    enum class Change { None, Changed, Failed };

    // The file to work on: a symbolic link is followed, so the link itself survives.
    fs::path Target() const {
        std::error_code ec;
        if (fs::is_symlink(file_, ec)) {
            fs::path real = fs::weakly_canonical(file_, ec);
            if (!ec) return real;
        }
        return file_;
    }

    // Brings the cache up to date with the file; false when the file cannot be read.
    // Caller holds mutex_.
    bool Current() {
        fs::path target = Target();
        struct stat st;
        if (::stat(target.c_str(), &st) != 0) {
            if (errno != ENOENT) return false;
            cache_ = Loaded{};
            cacheValid_ = true;
            return true;
        }
        if (cacheValid_ && StampOf(st) == cache_.stamp) return true;
        Loaded fresh;
        LoadResult r = LoadFile(target, fresh);
        if (r == LoadResult::Unreadable) {
            cacheValid_ = false;
            return false;
        }
        cache_ = std::move(fresh);
        cacheValid_ = true;
        return true;
    }

    // Lock, bring the tree up to date, change, write back: another program's values written
    // since our last read are in the tree we write. The file is read again only when its
    // stamp says another program replaced it, and the tree just written stays the cache.
    bool Modify(const std::function<Change(SettingsTree&)>& change) {
        std::lock_guard lock(mutex_);
        fs::path target = Target();
        std::error_code ec;
        if (!target.parent_path().empty()) {
            fs::create_directories(target.parent_path(), ec);
            if (ec) return false;
        }
        std::string lockName = target.string() + ".lock";
        Fd lockFd(::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR));
        if (lockFd.get() < 0) return false;
        while (::flock(lockFd.get(), LOCK_EX) != 0)
            if (errno != EINTR) return false;

        if (!Current()) return false;  // never overwrite what we cannot read
        Change c = change(cache_.tree);
        if (c == Change::Failed) return false;
        if (c == Change::None) return true;
        // Keep the damaged original once, so no hand edit is lost for good.
        bool ok = cache_.report.damagedLines == 0 ||
                  ReplaceFileAtomically(target.string() + ".damaged", cache_.raw);
        ok = ok && ReplaceFileAtomically(target, SerializeRegistryFile(cache_.tree));
        struct stat st;
        if (!ok || ::stat(target.c_str(), &st) != 0) {
            cacheValid_ = false;  // the tree holds a change the file may not: read it again
            return false;
        }
        // Still under the lock: nobody else can have replaced the file since the rename.
        cache_.stamp = StampOf(st);
        cache_.report = {};
        cache_.report.headerFound = true;
        cache_.raw.clear();
        cache_.raw.shrink_to_fit();
        if (onRewrite_) onRewrite_();
        return true;  // the lock goes with lockFd
    }

    fs::path file_;
    std::function<void()> onRewrite_;
    std::mutex mutex_;
    Loaded cache_;
    bool cacheValid_ = false;
};

}  // namespace

std::shared_ptr<ISettingsStore> OpenFileSettingsStore(const fs::path& file,
                                                      std::function<void()> onRewrite) {
    return std::make_shared<FileSettingsStore>(file, std::move(onRewrite));
}

std::shared_ptr<ISettingsStore> OpenUserSettingsStore() {
    return OpenFileSettingsStore(SettingsFilePath());
}

}  // namespace orvanta::platform
