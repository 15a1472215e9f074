// Every setting and binary record as a damaged or hand-edited store may hold it: the input
// is cut into values (type byte, length byte, bytes) for the names the program reads, then
// everything is read the way the program starts.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/registry.h"
#include "common/settings.h"
#include "common/settings_records.h"
#include "platform/settings_store.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto store = platform::MakeMemorySettingsStore();
    CRegistry reg(store);
    if (!reg.OpenSettings()) return 0;
    std::vector<std::string> names;
    for (const SettingDef& def : SettingsTable()) names.emplace_back(def.name);
    for (const char* extra : {"MainWindow", "Skyview", "Earthview", "Passlist", "Passlist_ColOrder",
                              "Eventlog", "Eventlog_ColOrder"})
        names.emplace_back(extra);
    std::size_t pos = 0;
    for (const std::string& name : names) {
        if (pos + 2 > size) break;
        const std::uint32_t type = data[pos] % 5;
        const std::size_t length = std::min<std::size_t>(data[pos + 1], size - pos - 2);
        platform::SettingValue v{type, std::vector<std::uint8_t>(data + pos + 2,
                                                                 data + pos + 2 + length)};
        store->WriteValue(platform::RootKey::CurrentUser, kSettingsKeyPath, name, v);
        pos += 2 + length;
    }
    ReadAllSettings(reg);
    for (const char* p : {"MainWindow", "Skyview", "Earthview"}) {
        // RestorePlacement reads through the program's store.
        SetSettingsStore(store);
        RestorePlacement(p);
        SetSettingsStore(nullptr);
    }
    SetSettingsStore(store);
    RestoreColumns("Passlist", PASSLIST_COLUMNS);
    RestoreColumns("Eventlog", EVENTLOG_COLUMNS);
    SetSettingsStore(nullptr);
    // The record parsers on the raw input as well.
    HostListFromBlob(data, size, static_cast<std::uint32_t>(size / 7));
    ParsePingParameters(data, size);
    Int32ArrayFromBlob(data, size, PASSLIST_COLUMNS);
    if (size >= 44) {
        std::array<std::uint8_t, 44> p;
        std::copy(data, data + 44, p.begin());
        ParsePlacement(p);
        std::array<std::uint8_t, 24> o;
        std::copy(data, data + 24, o.begin());
        ParseObserver(o);
    }
    return 0;
}
