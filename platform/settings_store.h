#pragma once
// The backing store behind CRegistry: a hierarchy of keys holding named, typed values,
// shaped like the Windows registry. Windows keeps them in the registry itself; elsewhere
// they live in one text file in the registry-export format. This header is plain C++ so
// core code may hold a store without seeing any OS header.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvanta::platform {

// The predefined roots, numbered as the registry numbers its predefined handles.
enum class RootKey : std::uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
    CurrentConfig = 0x80000005u,
};

// "HKEY_CURRENT_USER" etc.; nullptr for a value that is not one of the five roots.
// Inline, like the value helpers below, so core code holding a store links nothing of
// the OS layer.
inline const char* RootKeyName(RootKey root) {
    switch (root) {
        case RootKey::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case RootKey::CurrentUser: return "HKEY_CURRENT_USER";
        case RootKey::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case RootKey::Users: return "HKEY_USERS";
        case RootKey::CurrentConfig: return "HKEY_CURRENT_CONFIG";
    }
    return nullptr;
}
inline bool IsKnownRootKey(RootKey root) { return RootKeyName(root) != nullptr; }

// Registry value type codes (the numbers the registry and its export format use).
inline constexpr std::uint32_t kTypeSz = 1;
inline constexpr std::uint32_t kTypeBinary = 3;
inline constexpr std::uint32_t kTypeDword = 4;

struct SettingValue {
    std::uint32_t type = kTypeBinary;
    std::vector<std::uint8_t> data;  // exactly the stored bytes (SZ includes its terminator)

    static SettingValue Dword(std::uint32_t v) {  // little-endian
        return {kTypeDword, {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                             std::uint8_t(v >> 24)}};
    }
    static SettingValue String(const std::string& text) {  // appends the terminator
        SettingValue v{kTypeSz, std::vector<std::uint8_t>(text.begin(), text.end())};
        v.data.push_back(0);
        return v;
    }
    static SettingValue Binary(const void* bytes, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        return {kTypeBinary, size ? std::vector<std::uint8_t>(p, p + size) : std::vector<std::uint8_t>{}};
    }
    bool operator==(const SettingValue&) const = default;
};

// Key paths are relative to a root and use backslashes ("Software\\Quorrin\\Orvanta");
// the empty path is the root itself, which always exists. Key paths and value names
// compare case-insensitively (ASCII), and a write to an existing value keeps the spelling
// already stored. Every call is complete on return: a file store has the change on disk.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual bool KeyExists(RootKey root, const std::string& path) = 0;
    // Creates the key and any missing parents; true when it exists afterwards.
    virtual bool CreateKey(RootKey root, const std::string& path) = 0;
    // Nothing when the key or the value is missing or the store cannot be read.
    virtual std::optional<SettingValue> ReadValue(RootKey root, const std::string& path,
                                                  const std::string& name) = 0;
    // The key must exist (as after CreateKey).
    virtual bool WriteValue(RootKey root, const std::string& path, const std::string& name,
                            const SettingValue& value) = 0;
    // Several values of one key in one change (a file store rewrites the file once).
    // True only when every value was written.
    virtual bool WriteValues(RootKey root, const std::string& path,
                             const std::vector<std::pair<std::string, SettingValue>>& values) {
        bool ok = true;
        for (const auto& [name, value] : values) ok = WriteValue(root, path, name, value) && ok;
        return ok;
    }
    virtual bool DeleteValue(RootKey root, const std::string& path, const std::string& name) = 0;
    // Names of the immediate sub-keys, in stored order and spelling.
    virtual std::vector<std::string> SubKeys(RootKey root, const std::string& path) = 0;
    // Deletes one key with its values; refused (false) while it still has sub-keys, as the
    // registry does, so a recursive delete has to go depth-first.
    virtual bool DeleteKey(RootKey root, const std::string& path) = 0;
    // Deletes the key with every sub-key beneath it; false when it does not exist or a part
    // could not be deleted. A file store does it in one change (one rewrite); this default
    // goes depth-first with a list of its own, never recursing as deep as the keys go.
    virtual bool DeleteTree(RootKey root, const std::string& path) {
        if (path.empty() || !KeyExists(root, path)) return false;
        std::vector<std::string> pending{path};
        while (!pending.empty()) {
            std::vector<std::string> subKeys = SubKeys(root, pending.back());
            if (subKeys.empty()) {
                if (!DeleteKey(root, pending.back())) return false;
                pending.pop_back();
                continue;
            }
            const std::string parent = pending.back();
            for (const std::string& sub : subKeys)
                if (!sub.empty()) pending.push_back(parent + "\\" + sub);
        }
        return true;
    }
};

// The user's own store: on Windows the registry; elsewhere the file at SettingsFilePath().
std::shared_ptr<ISettingsStore> OpenUserSettingsStore();

// ORVANTA_SETTINGS when set, else $XDG_CONFIG_HOME/Quorrin/Orvanta.reg
// (~/.config/Quorrin/Orvanta.reg when XDG_CONFIG_HOME is unset).
std::filesystem::path SettingsFilePath();

// A store kept in one registry-export text file. The file is replaced atomically
// (temporary file in the same directory, flushed, renamed over), kept readable only by
// its owner, and checked under an advisory lock before every change (re-read only when
// another program changed it) so that two running programs do not erase each other's
// values; each change, a batch of values or a deleted key tree included, is one rewrite.
// A damaged line costs only that line; before
// the first rewrite of a file with damaged lines the original is kept as "<file>.damaged".
// A file that exists but cannot be read is never overwritten. Not available on Windows.
// onRewrite, when given, is called after every rewrite of the file (tests count them).
std::shared_ptr<ISettingsStore> OpenFileSettingsStore(const std::filesystem::path& file,
                                                      std::function<void()> onRewrite = nullptr);

// A store in memory only, for tests and for runs that must not touch the user's settings.
std::shared_ptr<ISettingsStore> MakeMemorySettingsStore();

}  // namespace orvanta::platform
