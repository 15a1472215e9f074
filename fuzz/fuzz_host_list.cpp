// The host monitor's list as a damaged or hand-edited settings store may hold it: the first
// four bytes are the stored count (any value, as a dword can hold), the rest the list's blob.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/registry.h"
#include "common/settings.h"
#include "hostmon/host_monitor.h"
#include "platform/settings_store.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::uint32_t count = 0;
    std::memcpy(&count, data, 4);
    auto store = platform::MakeMemorySettingsStore();
    CRegistry reg(store);
    if (!reg.OpenSettings()) return 0;
    store->WriteValue(platform::RootKey::CurrentUser, kSettingsKeyPath, "Hosts",
                      platform::SettingValue::Dword(count));
    store->WriteValue(platform::RootKey::CurrentUser, kSettingsKeyPath, "Hostlist",
                      platform::SettingValue::Binary(data + 4, size - 4));
    const auto hosts = LoadHostList(reg);
    if (hosts.size() > (size - 4) / HOST_RECORD_SIZE + 1) __builtin_trap();
    return 0;
}
