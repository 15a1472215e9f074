// One element set from arbitrary bytes: name, line 1 and line 2 split at the first two line
// feeds. Parsed, every field read, propagated and turned into calendar dates.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "orbit/element_set.h"
#include "orbit/orbit.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    for (int i = 0; i < 3; ++i) {
        std::size_t nl = i < 2 ? in.find('\n') : std::string_view::npos;
        parts[i] = std::string(in.substr(0, nl));
        in = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);
    }
    cElementSet set(parts[0], parts[1], parts[2]);
    for (int f = 0; f < FLD_LAST; ++f) {
        set.FieldValue(static_cast<ElementField>(f), U_NATIVE);
        set.FieldValue(static_cast<ElementField>(f), U_RAD);
        set.FieldText(static_cast<ElementField>(f), true);
    }
    set.CatalogueNumber();
    if (!set.IsValid()) return 0;
    const cJulianDate epoch = set.Epoch();
    int year, month;
    double dom;
    epoch.ToCalendar(year, &month, &dom);
    epoch.ToUnixTime();
    SystemTime st;
    epoch.ToSystemTime(st);
    cOrbit orbit(set);
    if (!orbit.IsValid()) return 0;
    cEci eci;
    for (double minutes : {0.0, 90.0, 1440.0, -1440.0, 14400.0}) orbit.PositionAt(minutes, eci);
    return 0;
}
