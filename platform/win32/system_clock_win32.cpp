// The clock on Windows: SetSystemTime needs the system-time privilege, which an elevated
// process holds.
#include <windows.h>

#include "platform/system_clock.h"

namespace orvanta::platform {

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeUnixOffset = 116444736000000000LL;

std::string LastErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string s = n && text ? std::string(text, n) : "Error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

class Win32Clock : public ISystemClock {
public:
    std::int64_t UtcMicros() const override {
        FILETIME ft;
        GetSystemTimePreciseAsFileTime(&ft);
        const std::int64_t t =
            (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
        return (t - kFileTimeUnixOffset) / 10;
    }
    std::int64_t TickMicros() const override {
        LARGE_INTEGER count, frequency;
        QueryPerformanceCounter(&count);
        QueryPerformanceFrequency(&frequency);
        return static_cast<std::int64_t>(count.QuadPart / frequency.QuadPart * 1000000 +
                                         count.QuadPart % frequency.QuadPart * 1000000 /
                                             frequency.QuadPart);
    }
    // SetSystemTime never asks the user, so both modes are the same here.
    ClockSetResult SetUtc(std::int64_t unixMicros, ClockSetMode) override {
        const std::int64_t t = unixMicros * 10 + kFileTimeUnixOffset;
        FILETIME ft;
        ft.dwLowDateTime = static_cast<DWORD>(t & 0xffffffff);
        ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
        SYSTEMTIME st;
        if (!FileTimeToSystemTime(&ft, &st) || !SetSystemTime(&st)) {
            const DWORD error = GetLastError();
            ClockSetResult r;
            r.errorText = LastErrorText(error);
            if (error == ERROR_PRIVILEGE_NOT_HELD || error == ERROR_ACCESS_DENIED) {
                r.permissionMissing = true;
                r.grantHint =
                    "To let Orvanta set the clock, run it as a user who holds the 'Change the "
                    "system time' privilege.";
            }
            return r;
        }
        return {true, {}, false, {}};
    }
};

}  // namespace

std::shared_ptr<ISystemClock> MachineClock() {
    static auto clock = std::make_shared<Win32Clock>();
    return clock;
}

}  // namespace orvanta::platform
