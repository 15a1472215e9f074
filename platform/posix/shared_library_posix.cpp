#include <dlfcn.h>

#include "platform/shared_library.h"

namespace orvanta::platform {

namespace {

std::string LoaderError() {
    const char* text = ::dlerror();
    return text ? text : "unknown error";
}

}  // namespace

SharedLibrary SharedLibrary::Open(const std::vector<std::string>& names) {
    SharedLibrary library;
    for (const std::string& name : names) {
        library.handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library.handle) {
            library.error.clear();
            break;
        }
        if (library.error.empty()) library.error = LoaderError();
    }
    if (names.empty()) library.error = "no library name";
    return library;
}

void* SharedLibrary::Symbol(const char* name) {
    if (!handle) return nullptr;
    ::dlerror();
    void* address = ::dlsym(handle, name);
    if (!address) error = LoaderError();
    return address;
}

}  // namespace orvanta::platform
