#pragma once
// The element services the download can use today and the usage rules each publishes:
// CelesTrak's GP queries (no account), Space-Track's REST API (account) and the element
// server's own login-and-download exchange.
#include <optional>
#include <string>
#include <string_view>

namespace orvanta {

enum class ElementSource { CelesTrak, SpaceTrack, Legacy };

// The stored "Element Source" values: "CelesTrak", "Space-Track", "Legacy".
const char* ElementSourceName(ElementSource source);
// Case-insensitive; also takes the command line's "celestrak", "spacetrack", "legacy".
std::optional<ElementSource> ParseElementSource(std::string_view text);

constexpr const char* DEFAULT_CELESTRAK_URL = "https://celestrak.org";
constexpr const char* DEFAULT_SPACETRACK_URL = "https://www.space-track.org";
constexpr const char* DEFAULT_ELEMENT_GROUP = "active";
constexpr const char* DEFAULT_ELEMENT_FORMAT = "json";
// Identifies the program to the services, as CelesTrak asks of automated clients.
constexpr const char* ELEMENT_USER_AGENT = "Orvanta/1.1.14 (satellite tracker)";

// "json", "csv" or "3le"; true when format is one of them.
bool IsElementFormat(std::string_view format);
// Group names are CelesTrak's: letters, digits, '-' and '_' only.
bool IsElementGroup(std::string_view group);

// base + "/NORAD/elements/gp.php?GROUP=<group>&FORMAT=<format>" (base without its
// trailing '/').
std::string CelesTrakUrl(std::string_view base, std::string_view group, std::string_view format);

// Space-Track REST paths below the base URL.
constexpr const char* SPACETRACK_LOGIN_PATH = "/ajaxauth/login";
constexpr const char* SPACETRACK_LOGOUT_PATH = "/ajaxauth/logout";
// Every object with elements from the last 30 days, one current set each.
constexpr const char* SPACETRACK_QUERY_PATH =
    "/basicspacedata/query/class/gp/EPOCH/%3Enow-30/orderby/NORAD_CAT_ID/format/json";
std::string SpaceTrackLoginBody(std::string_view identity, std::string_view password);

// Plain HTTP only to this machine (IsSecureServerUrl); everything else must be HTTPS.
// False with the reason.
bool AcceptableBaseUrl(std::string_view url, std::string& why);

// Minimum time between two downloads: CelesTrak asks for no more than one fetch of the
// same group every 2 hours; Space-Track for no more than one full-catalogue query an hour.
constexpr double CELESTRAK_INTERVAL_DAYS = 2.0 / 24.0;
constexpr double SPACETRACK_INTERVAL_DAYS = 1.0 / 24.0;

// When a download at `now` (Julian date, UTC) would come too soon after the last one
// (0: none yet), the Julian date from which the next is allowed; nothing when allowed.
std::optional<double> NextAllowedDownload(double lastJd, double nowJd, double intervalDays);

}  // namespace orvanta
