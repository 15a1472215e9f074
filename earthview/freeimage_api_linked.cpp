// FreeImage linked with the program (Windows): the table holds the imported functions.
#include "earthview/freeimage_api.h"

namespace orvanta {

bool LoadFreeImageApi(FreeImageApi& api, std::string&) {
#define ORVANTA_FREEIMAGE_LINKED(name) api.name = &FreeImage_##name;
    ORVANTA_FREEIMAGE_FUNCTIONS(ORVANTA_FREEIMAGE_LINKED)
#undef ORVANTA_FREEIMAGE_LINKED
    return true;
}

}  // namespace orvanta
