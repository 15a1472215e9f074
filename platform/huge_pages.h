#pragma once
// A hint that a large block about to be written whole is best backed by huge pages: a table
// of tens of megabytes then takes a few dozen page faults instead of thousands. Nothing
// changes where the system has no such pages or declines.
#include <cstddef>

namespace orvanta::platform {

void AdviseHugePages(void* data, std::size_t bytes);

}  // namespace orvanta::platform
