#include "maintenance/vendor_server.h"

#include <cctype>
#include <string>

namespace orvanta {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.';
}

bool IsIpv6Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
           c == ':' || c == '.';
}

}  // namespace

bool IsReservedExampleHost(std::string_view host) {
    std::string h(host);
    for (char& c : h) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!h.empty() && h.back() == '.') h.pop_back();  // "example.org." is the same name
    auto under = [&h](std::string_view domain) {
        return h == domain ||
               (h.size() > domain.size() && h.ends_with(domain) &&
                h[h.size() - domain.size() - 1] == '.');
    };
    for (std::string_view domain : {"example", "example.com", "example.net", "example.org",
                                    "invalid", "test"})
        if (under(domain)) return true;
    return false;
}

bool ParseServerUrl(std::string_view url, ServerUrl& parsed, std::string& why) {
    parsed = ServerUrl();
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f || c == '\\') {
            // The address itself is not repeated: it may carry what a terminal obeys.
            why = "the address contains blanks, control characters or backslashes";
            return false;
        }
    }
    const std::string lower = Lower(url);
    std::string_view rest;
    if (lower.starts_with("https://")) {
        parsed.https = true;
        rest = std::string_view(lower).substr(8);
    } else if (lower.starts_with("http://")) {
        rest = std::string_view(lower).substr(7);
    } else {
        why = "not an https:// address: " + std::string(url);
        return false;
    }
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') != std::string_view::npos) {
        // Not repeated either: the part before '@' may be a password.
        why = "an address with a user name or password before its host is not accepted";
        return false;
    }
    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with("[")) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            why = "the address has no valid host: " + std::string(url);
            return false;
        }
        host = authority.substr(1, close - 1);
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && !after.starts_with(":")) {
            why = "the address has no valid host: " + std::string(url);
            return false;
        }
        if (!after.empty()) port = after.substr(1);
        if (host.empty() || host.find(':') == std::string_view::npos) host = {};
        for (char c : host)
            if (!IsIpv6Char(c)) host = {};
    } else {
        const std::size_t colon = authority.find(':');
        if (colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
            if (port.empty()) port = "-";  // "host:" alone is refused like a bad port
        }
        for (char c : host)
            if (!IsNameChar(c)) host = {};
    }
    if (host.empty()) {
        why = "the address has no valid host: " + std::string(url);
        return false;
    }
    if (!port.empty()) {
        unsigned long value = 0;
        bool digits = port.size() <= 5;
        for (char c : port) {
            if (c < '0' || c > '9') digits = false;
            if (digits) value = value * 10 + static_cast<unsigned long>(c - '0');
        }
        if (!digits || value == 0 || value > 65535) {
            why = "the address has no valid port: " + std::string(url);
            return false;
        }
        parsed.port = static_cast<std::uint16_t>(value);
    }
    parsed.host = std::string(host);
    return true;
}

bool IsLoopbackHost(std::string_view host) {
    const std::string h = Lower(host);
    return h == "localhost" || h == "127.0.0.1" || h == "::1";
}

bool IsSecureServerUrl(std::string_view url, std::string& why) {
    ServerUrl parsed;
    if (!ParseServerUrl(url, parsed, why)) return false;
    if (parsed.https || IsLoopbackHost(parsed.host)) return true;
    why = "plain HTTP is accepted only for this machine (127.0.0.1): " + std::string(url);
    return false;
}

}  // namespace orvanta
