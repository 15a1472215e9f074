#pragma once
// Loading a shared library at run time (POSIX dlopen), for a dependency only a few commands
// need: a process that never uses it starts without relocating it and everything it pulls in.
#include <string>
#include <vector>

namespace orvanta::platform {

// A library opened for the rest of the process: it is never closed, since code it handed out
// (callbacks, buffers it allocated) may still be in use on any thread until exit.
struct SharedLibrary {
    void* handle = nullptr;
    std::string error;  // why it could not be opened, in the system loader's words

    // Opens the first of names that loads, with its symbols bound at once and kept out of the
    // global namespace. On failure error is the reason the first name failed: the other names
    // are fallbacks for unusual installs, not what the user should look for.
    static SharedLibrary Open(const std::vector<std::string>& names);

    // The address of an exported symbol; nullptr and error set when there is none.
    void* Symbol(const char* name);
};

}  // namespace orvanta::platform
