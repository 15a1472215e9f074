#pragma once
// Sets (or, with nullptr, removes) an environment variable for one scope and puts the old
// value back, so a test steers TZ, TMPDIR or ORVANTA_HOME without leaking into the next.
#include <stdlib.h>
#include <time.h>

#include <string>

namespace orvanta::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = ::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(had_ ? old_.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const char* value) {
#ifdef _WIN32
        ::_putenv_s(name_.c_str(), value ? value : "");  // an empty value removes it
        ::_tzset();
#else
        if (value)
            ::setenv(name_.c_str(), value, 1);
        else
            ::unsetenv(name_.c_str());
        ::tzset();  // the C library caches TZ
#endif
    }

    std::string name_;
    std::string old_;
    bool had_ = false;
};

// TZ for one scope.
class ScopedTz : public ScopedEnv {
public:
    explicit ScopedTz(const char* tz) : ScopedEnv("TZ", tz) {}
};

}  // namespace orvanta::test
