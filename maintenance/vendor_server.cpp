#include "maintenance/vendor_server.h"

#include <cctype>
#include <string>

namespace orvanta {

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

}  // namespace orvanta
