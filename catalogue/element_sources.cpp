#include "catalogue/element_sources.h"

#include "catalogue/http_response.h"
#include "maintenance/vendor_server.h"

namespace orvanta {

namespace {

std::string LowerText(std::string_view s) {
    std::string out;
    for (char c : s) out += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return out;
}

}  // namespace

const char* ElementSourceName(ElementSource source) {
    switch (source) {
        case ElementSource::CelesTrak: return "CelesTrak";
        case ElementSource::SpaceTrack: return "Space-Track";
        case ElementSource::Legacy: return "Legacy";
    }
    return "CelesTrak";
}

std::optional<ElementSource> ParseElementSource(std::string_view text) {
    const std::string t = LowerText(text);
    if (t == "celestrak") return ElementSource::CelesTrak;
    if (t == "space-track" || t == "spacetrack") return ElementSource::SpaceTrack;
    if (t == "legacy") return ElementSource::Legacy;
    return std::nullopt;
}

bool IsElementFormat(std::string_view format) {
    return format == "json" || format == "csv" || format == "3le";
}

bool IsElementGroup(std::string_view group) {
    if (group.empty() || group.size() > 64) return false;
    for (char c : group)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_'))
            return false;
    return true;
}

std::string CelesTrakUrl(std::string_view base, std::string_view group, std::string_view format) {
    while (!base.empty() && base.back() == '/') base.remove_suffix(1);
    return std::string(base) + "/NORAD/elements/gp.php?GROUP=" + UrlEncode(group) +
           "&FORMAT=" + UrlEncode(format);
}

std::string SpaceTrackLoginBody(std::string_view identity, std::string_view password) {
    return "identity=" + UrlEncode(identity) + "&password=" + UrlEncode(password);
}

bool AcceptableBaseUrl(std::string_view url, std::string& why) {
    return IsSecureServerUrl(url, why);
}

std::optional<double> NextAllowedDownload(double lastJd, double nowJd, double intervalDays) {
    if (lastJd <= 0.0) return std::nullopt;
    // A last download dated in the future (clock set back) must not block for ever.
    if (lastJd > nowJd + intervalDays) return std::nullopt;
    if (nowJd >= lastJd + intervalDays) return std::nullopt;
    return lastJd + intervalDays;
}

}  // namespace orvanta
