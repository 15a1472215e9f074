// FreeImage opened at run time (Linux). ORVANTA_FREEIMAGE_LIBRARY names another file to open
// instead, for an unusual install; the tests point it at a missing one.
#include <cstdlib>

#include "earthview/freeimage_api.h"
#include "platform/shared_library.h"

namespace orvanta {

bool LoadFreeImageApi(FreeImageApi& api, std::string& error) {
    const char* chosen = std::getenv("ORVANTA_FREEIMAGE_LIBRARY");
    // The development package's unversioned link as a fallback, should the soname differ.
    const std::vector<std::string> names =
        chosen && *chosen ? std::vector<std::string>{chosen}
                          : std::vector<std::string>{"libfreeimage.so.3", "libfreeimage.so"};
    platform::SharedLibrary library = platform::SharedLibrary::Open(names);
    if (library.handle) {
#define ORVANTA_FREEIMAGE_SYMBOL(name)                                                   \
    api.name = reinterpret_cast<decltype(api.name)>(library.Symbol("FreeImage_" #name)); \
    if (!api.name) library.handle = nullptr;
        ORVANTA_FREEIMAGE_FUNCTIONS(ORVANTA_FREEIMAGE_SYMBOL)
#undef ORVANTA_FREEIMAGE_SYMBOL
    }
    if (library.handle) return true;
    api = FreeImageApi{};
    error = "image support is not available: " + names.front() + " could not be loaded (" +
            library.error + ")";
    return false;
}

}  // namespace orvanta
