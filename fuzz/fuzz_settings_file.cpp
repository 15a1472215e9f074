// The settings file's text form: parsed, written back, parsed again. What the writer
// produces must read back as the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/settings_tree.h"

using namespace orvanta::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SettingsTree tree;
    ParseRegistryFile(text, tree);
    const std::string written = SerializeRegistryFile(tree);
    SettingsTree again;
    const RegistryFileReport report = ParseRegistryFile(written, again);
    if (report.damagedLines != 0 || !(again == tree)) std::abort();
    for (const SettingsKey& key : tree.Keys()) {
        tree.SubKeys(key.path);
        for (const auto& [name, value] : key.values) tree.Read(key.path, name);
    }
    if (!tree.Keys().empty()) tree.DeleteTree(tree.Keys().front().path);
    return 0;
}
