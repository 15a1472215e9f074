#pragma once
// CRegistry: the short-lived accessor every user of settings creates on the spot: open
// the settings key, read or write a few values, close. Reads never fail outward (a
// missing or unreadable value yields the default or leaves the target untouched); writes
// return a success flag.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace orvanta {

using platform::RootKey;

// Sub-key of HKEY_CURRENT_USER holding every setting of the program.
inline constexpr char kSettingsKeyPath[] = "Software\\Quorrin\\Orvanta";

// The store that CRegistry objects use when none is passed in. The program installs the
// user's store at start; until then (and in tests that install nothing) there is no
// store: keys cannot be opened, reads give defaults and writes are lost.
void SetSettingsStore(std::shared_ptr<platform::ISettingsStore> store);
std::shared_ptr<platform::ISettingsStore> GetSettingsStore();

class CRegistry {
public:
    static constexpr std::size_t kStringBufferSize = 1024;

    CRegistry();  // uses GetSettingsStore()
    explicit CRegistry(std::shared_ptr<platform::ISettingsStore> store);
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Closes any open key, then opens root\subKey, creating it unless openOnly is 1.
    // Refuses roots other than the five predefined ones; an empty path does nothing.
    bool Open(RootKey root, const std::string& subKey, int openOnly = 0);
    // Opens (creating) HKEY_CURRENT_USER\Software\Quorrin\Orvanta.
    bool OpenSettings() { return Open(RootKey::CurrentUser, kSettingsKeyPath); }
    void Close();
    bool IsOpen() const { return open_; }

    std::int32_t ReadDword(const std::string& name, std::int32_t defaultValue);
    // The text up to its terminator, at most 1023 characters (longer values are cut);
    // the default when the value is missing or the name is empty.
    const std::string& ReadString(const std::string& name, const std::string& defaultText);
    // Copies at most size bytes of the value into buffer; returns the count copied, 0 on
    // failure. The caller sizes (and pre-fills) the buffer.
    std::size_t ReadBinary(const std::string& name, void* buffer, std::size_t size);
    std::size_t ReadBinary(const std::string& name, std::vector<std::uint8_t>& buffer) {
        return ReadBinary(name, buffer.data(), buffer.size());
    }
    // Size in bytes of the stored value, 0 when it is missing.
    std::size_t ValueSize(const std::string& name);
    // Exactly 8 / 24 bytes, else false with the target untouched.
    bool ReadDouble(const std::string& name, double& target);
    bool ReadRecord24(const std::string& name, std::array<std::uint8_t, 24>& target);

    bool WriteDword(const std::string& name, std::int32_t value);
    bool WriteString(const std::string& name, const std::string& text);
    bool WriteBinary(const std::string& name, const void* data, std::size_t size);
    bool WriteBinary(const std::string& name, const std::vector<std::uint8_t>& data) {
        return WriteBinary(name, data.data(), data.size());
    }
    bool WriteDouble(const std::string& name, double value);
    bool WriteRecord24(const std::string& name, const std::array<std::uint8_t, 24>& record);
    // Several values in one change of the store (one rewrite of a settings file).
    bool WriteValues(const std::vector<std::pair<std::string, platform::SettingValue>>& values);

    // Deletes root\keyPath with every sub-key beneath it, as one change of the store.
    bool DeleteKey(RootKey root, const std::string& keyPath);

private:
    std::shared_ptr<platform::ISettingsStore> store_;
    RootKey root_ = RootKey::LocalMachine;
    bool open_ = false;
    std::string subKey_;
    std::string lastString_;
};

}  // namespace orvanta
