#include "common/registry.h"

#include <cstring>
#include <mutex>

#include "common/little_endian.h"

namespace orvanta {

namespace {

std::mutex& StoreMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<platform::ISettingsStore>& StoreSlot() {
    static std::shared_ptr<platform::ISettingsStore> store;
    return store;
}

}  // namespace

void SetSettingsStore(std::shared_ptr<platform::ISettingsStore> store) {
    std::lock_guard lock(StoreMutex());
    StoreSlot() = std::move(store);
}

std::shared_ptr<platform::ISettingsStore> GetSettingsStore() {
    std::lock_guard lock(StoreMutex());
    return StoreSlot();
}

CRegistry::CRegistry() : store_(GetSettingsStore()) {}

CRegistry::CRegistry(std::shared_ptr<platform::ISettingsStore> store) : store_(std::move(store)) {}

CRegistry::~CRegistry() { Close(); }

bool CRegistry::Open(RootKey root, const std::string& subKey, int openOnly) {
    if (subKey.empty()) return false;
    Close();
    if (!platform::IsKnownRootKey(root) || !store_) return false;
    root_ = root;
    subKey_ = subKey;
    if (store_->KeyExists(root, subKey) || (openOnly != 1 && store_->CreateKey(root, subKey)))
        open_ = true;
    return open_;
}

void CRegistry::Close() { open_ = false; }

std::int32_t CRegistry::ReadDword(const std::string& name, std::int32_t defaultValue) {
    if (!open_) return defaultValue;
    auto v = store_->ReadValue(root_, subKey_, name);
    if (!v || v->data.size() != 4 ||
        (v->type != platform::kTypeDword && v->type != platform::kTypeBinary))
        return defaultValue;
    return GetInt32LE(v->data.data());
}

const std::string& CRegistry::ReadString(const std::string& name, const std::string& defaultText) {
    lastString_ = defaultText;
    if (!open_ || name.empty()) return lastString_;
    auto v = store_->ReadValue(root_, subKey_, name);
    // 2 is the expandable string type; both are text.
    if (!v || (v->type != platform::kTypeSz && v->type != 2)) return lastString_;
    std::size_t n = 0;
    while (n < v->data.size() && v->data[n] != 0) ++n;
    // The read buffer holds 1024 bytes with the terminator; a longer value is cut
    // rather than lost.
    if (n > kStringBufferSize - 1) n = kStringBufferSize - 1;
    lastString_.assign(reinterpret_cast<const char*>(v->data.data()), n);
    return lastString_;
}

std::size_t CRegistry::ReadBinary(const std::string& name, void* buffer, std::size_t size) {
    if (!open_ || !buffer || size == 0) return 0;
    auto v = store_->ReadValue(root_, subKey_, name);
    if (!v) return 0;
    std::size_t n = v->data.size() < size ? v->data.size() : size;
    if (n) std::memcpy(buffer, v->data.data(), n);
    return n;
}

std::size_t CRegistry::ValueSize(const std::string& name) {
    if (!open_) return 0;
    auto v = store_->ReadValue(root_, subKey_, name);
    return v ? v->data.size() : 0;
}

bool CRegistry::ReadDouble(const std::string& name, double& target) {
    if (!open_) return false;
    auto v = store_->ReadValue(root_, subKey_, name);
    if (!v || v->data.size() != 8) return false;
    target = GetDoubleLE(v->data.data());
    return true;
}

bool CRegistry::ReadRecord24(const std::string& name, std::array<std::uint8_t, 24>& target) {
    if (!open_) return false;
    auto v = store_->ReadValue(root_, subKey_, name);
    if (!v || v->data.size() != 24) return false;
    std::memcpy(target.data(), v->data.data(), 24);
    return true;
}

bool CRegistry::WriteDword(const std::string& name, std::int32_t value) {
    return open_ &&
           store_->WriteValue(root_, subKey_, name, platform::SettingValue::Dword(std::uint32_t(value)));
}

bool CRegistry::WriteString(const std::string& name, const std::string& text) {
    // The stored text ends at its first NUL, as a C string would.
    std::string upToNul(text.c_str());
    return open_ && store_->WriteValue(root_, subKey_, name, platform::SettingValue::String(upToNul));
}

bool CRegistry::WriteBinary(const std::string& name, const void* data, std::size_t size) {
    if (!open_ || (size && !data)) return false;
    return store_->WriteValue(root_, subKey_, name, platform::SettingValue::Binary(data, size));
}

bool CRegistry::WriteDouble(const std::string& name, double value) {
    std::uint8_t bytes[8];
    PutDoubleLE(bytes, value);
    return WriteBinary(name, bytes, 8);
}

bool CRegistry::WriteRecord24(const std::string& name, const std::array<std::uint8_t, 24>& record) {
    return WriteBinary(name, record.data(), record.size());
}

bool CRegistry::WriteValues(
    const std::vector<std::pair<std::string, platform::SettingValue>>& values) {
    return open_ && store_->WriteValues(root_, subKey_, values);
}

bool CRegistry::DeleteKey(RootKey root, const std::string& keyPath) {
    if (!store_ || !platform::IsKnownRootKey(root)) return false;
    std::size_t slash = keyPath.rfind('\\');
    std::string parent = slash == std::string::npos ? std::string() : keyPath.substr(0, slash);
    std::string component = slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
    if (component.empty()) return false;
    // The parent must exist (the root itself always does).
    if (!parent.empty() && !store_->KeyExists(root, parent)) return false;
    std::string full = parent.empty() ? component : parent + "\\" + component;
    if (!store_->KeyExists(root, full)) return false;
    return store_->DeleteTree(root, full);
}

}  // namespace orvanta
