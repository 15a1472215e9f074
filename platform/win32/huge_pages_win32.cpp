#include "platform/huge_pages.h"

namespace orvanta::platform {

// Large pages on Windows need a privilege a user rarely holds: no hint to give.
void AdviseHugePages(void*, std::size_t) {}

}  // namespace orvanta::platform
