#include "platform/settings_store.h"

#include <cstdlib>
#include <mutex>

#include "platform/directories.h"
#include "platform/settings_tree.h"

namespace orvanta::platform {

std::filesystem::path SettingsFilePath() {
    if (const char* env = std::getenv("ORVANTA_SETTINGS"); env && *env) return env;
    return UserConfigDirectory() / "Quorrin" / "Orvanta.reg";
}

namespace {

class MemorySettingsStore : public ISettingsStore {
public:
    bool KeyExists(RootKey root, const std::string& path) override {
        std::lock_guard lock(mutex_);
        std::string full = FullKeyPath(root, path);
        return !full.empty() && tree_.Exists(full);
    }
    bool CreateKey(RootKey root, const std::string& path) override {
        std::lock_guard lock(mutex_);
        std::string full = FullKeyPath(root, path);
        if (full.empty() || !IsStorableName(full)) return false;
        return tree_.Exists(full) || tree_.Create(full);
    }
    std::optional<SettingValue> ReadValue(RootKey root, const std::string& path,
                                          const std::string& name) override {
        std::lock_guard lock(mutex_);
        return tree_.Read(FullKeyPath(root, path), name);
    }
    bool WriteValue(RootKey root, const std::string& path, const std::string& name,
                    const SettingValue& value) override {
        std::lock_guard lock(mutex_);
        std::string full = FullKeyPath(root, path);
        // Values sit in keys, never in a bare root.
        if (!IsStorableName(name) || full.find('\\') == std::string::npos || !tree_.Exists(full))
            return false;
        tree_.Write(full, name, value);
        return true;
    }
    bool DeleteValue(RootKey root, const std::string& path, const std::string& name) override {
        std::lock_guard lock(mutex_);
        return tree_.DeleteValue(FullKeyPath(root, path), name);
    }
    std::vector<std::string> SubKeys(RootKey root, const std::string& path) override {
        std::lock_guard lock(mutex_);
        std::string full = FullKeyPath(root, path);
        if (full.empty()) return {};
        return tree_.SubKeys(full);
    }
    bool DeleteKey(RootKey root, const std::string& path) override {
        std::lock_guard lock(mutex_);
        std::string full = FullKeyPath(root, path);
        return !full.empty() && tree_.DeleteKey(full);
    }
    bool DeleteTree(RootKey root, const std::string& path) override {
        std::lock_guard lock(mutex_);
        std::string full = FullKeyPath(root, path);
        return !full.empty() && tree_.DeleteTree(full);
    }

private:
    std::mutex mutex_;
    SettingsTree tree_;
};

}  // namespace

std::shared_ptr<ISettingsStore> MakeMemorySettingsStore() {
    return std::make_shared<MemorySettingsStore>();
}

}  // namespace orvanta::platform
