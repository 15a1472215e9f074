// The cloud-map server list and a downloaded map's time stamp.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "earthview/cloud_map.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto servers = ParseCloudServerList(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!servers.empty()) PickCloudServer(static_cast<int>(servers.size()), size);
    const std::vector<std::uint8_t> file(data, data + size);
    CloudMapTimestamp(file, 2461000.5);
    return 0;
}
