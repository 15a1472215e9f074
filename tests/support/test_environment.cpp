// Linked into every test executable: before main, point the home, settings and XDG folders at
// the build's own test-home, so no test (run by ctest or by hand) reads or writes the real
// user's settings, and Qt finds a private runtime directory instead of warning about it.
#include <cstdlib>
#include <string>

namespace {

void Set(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

const bool kEnvironmentSet = [] {
    const std::string home = ORVANTA_TEST_HOME;
    Set("HOME", home);
    Set("ORVANTA_SETTINGS", home + "/Orvanta.reg");
    Set("XDG_CONFIG_HOME", home + "/config");
    Set("XDG_DATA_HOME", home + "/data");
    Set("XDG_CACHE_HOME", home + "/cache");
    Set("XDG_RUNTIME_DIR", home + "/runtime");
    if (!std::getenv("QT_QPA_PLATFORM")) Set("QT_QPA_PLATFORM", "offscreen");
    return true;
}();

}  // namespace
