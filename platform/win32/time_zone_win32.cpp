// Zone rules from GetTimeZoneInformation.
#include <windows.h>

#include "platform/time_zone.h"

namespace orvanta::platform {

namespace {

std::string Narrow(const WCHAR* w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string s(std::size_t(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

class WindowsZone : public ITimeZone {
public:
    ZoneInfo At(std::int64_t unixSeconds) const override {
        ZoneInfo z;
        TIME_ZONE_INFORMATION tzi{};
        if (GetTimeZoneInformation(&tzi) == TIME_ZONE_ID_INVALID) return z;
        // The instant's own rules: seconds since 1970 -> FILETIME -> UTC SYSTEMTIME -> local.
        ULARGE_INTEGER ft;
        ft.QuadPart = ULONGLONG((unixSeconds + 11644473600LL) * 10000000LL);
        FILETIME utcFt{ft.LowPart, ft.HighPart};
        SYSTEMTIME utc{}, local{};
        FILETIME localFt{};
        if (!FileTimeToSystemTime(&utcFt, &utc) ||
            !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
            !SystemTimeToFileTime(&local, &localFt))
            return z;
        ULARGE_INTEGER l;
        l.LowPart = localFt.dwLowDateTime;
        l.HighPart = localFt.dwHighDateTime;
        z.known = true;
        z.utcOffsetMinutes = int((LONGLONG(l.QuadPart) - LONGLONG(ft.QuadPart)) / 600000000LL);
        z.daylight = tzi.DaylightDate.wMonth != 0 && tzi.DaylightBias != tzi.StandardBias &&
                     z.utcOffsetMinutes == -(tzi.Bias + tzi.DaylightBias);
        z.standardName = Narrow(tzi.StandardName);
        z.daylightName = Narrow(tzi.DaylightName);
        return z;
    }
};

}  // namespace

std::shared_ptr<const ITimeZone> SystemTimeZone() {
    static const auto zone = std::make_shared<WindowsZone>();
    return zone;
}

}  // namespace orvanta::platform
