// Settings in the Windows registry itself.
#include <windows.h>

#include "platform/settings_store.h"

namespace orvanta::platform {

namespace {

HKEY ToHkey(RootKey root) {
    switch (root) {
        case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
        case RootKey::CurrentUser: return HKEY_CURRENT_USER;
        case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
        case RootKey::Users: return HKEY_USERS;
        case RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

class Key {
public:
    Key(RootKey root, const std::string& path, REGSAM access) {
        HKEY r = ToHkey(root);
        if (r && RegOpenKeyExA(r, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class RegistrySettingsStore : public ISettingsStore {
public:
    bool KeyExists(RootKey root, const std::string& path) override {
        return Key(root, path, KEY_READ).get() != nullptr;
    }
    bool CreateKey(RootKey root, const std::string& path) override {
        HKEY r = ToHkey(root), key = nullptr;
        if (!r || RegCreateKeyExA(r, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    std::optional<SettingValue> ReadValue(RootKey root, const std::string& path,
                                          const std::string& name) override {
        Key key(root, path, KEY_READ);
        if (!key.get()) return std::nullopt;
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        SettingValue v;
        v.type = type;
        v.data.resize(size);
        if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, v.data.data(), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        v.type = type;
        v.data.resize(size);
        return v;
    }
    bool WriteValue(RootKey root, const std::string& path, const std::string& name,
                    const SettingValue& value) override {
        Key key(root, path, KEY_SET_VALUE);
        return key.get() &&
               RegSetValueExA(key.get(), name.c_str(), 0, value.type, value.data.data(),
                              DWORD(value.data.size())) == ERROR_SUCCESS;
    }
    bool DeleteValue(RootKey root, const std::string& path, const std::string& name) override {
        Key key(root, path, KEY_SET_VALUE);
        return key.get() && RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
    }
    std::vector<std::string> SubKeys(RootKey root, const std::string& path) override {
        std::vector<std::string> out;
        Key key(root, path, KEY_READ);
        if (!key.get()) return out;
        char name[256];  // the registry's limit for a key name is 255 characters
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumKeyExA(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            out.emplace_back(name, len);
        }
        return out;
    }
    bool DeleteKey(RootKey root, const std::string& path) override {
        HKEY r = ToHkey(root);
        return r && !path.empty() && RegDeleteKeyA(r, path.c_str()) == ERROR_SUCCESS;
    }
};

}  // namespace

std::shared_ptr<ISettingsStore> OpenUserSettingsStore() {
    return std::make_shared<RegistrySettingsStore>();
}

// The text-file store uses POSIX locking; on Windows the registry is the store.
std::shared_ptr<ISettingsStore> OpenFileSettingsStore(const std::filesystem::path&,
                                                      std::function<void()>) {
    return nullptr;
}

}  // namespace orvanta::platform
