#include "location/named_locations.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "common/registry.h"

namespace orvanta {

namespace {

// Characters of well-formed UTF-8 (no overlong forms or surrogates); -1 when malformed.
// Control characters, C1 included, count as malformed for a name.
long NameCharacters(const std::string& s) {
    long count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) return -1;
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
        if (extra < 0 || i + std::size_t(extra) >= s.size()) return -1;
        std::uint32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return -1;
            cp = (cp << 6) | (d & 0x3F);
        }
        const std::uint32_t lowest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < lowest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
        if (cp >= 0x80 && cp < 0xA0) return -1;
        i += std::size_t(extra) + 1;
    }
    return count;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool PlausibleObserver(const ObserverLocation& o) {
    return std::isfinite(o.latitude) && std::isfinite(o.longitude) &&
           std::fabs(o.latitude) <= 90.0 && std::fabs(o.longitude) <= 180.0;
}

}  // namespace

bool IsValidLocationName(const std::string& name) {
    const long chars = NameCharacters(name);
    if (chars < 1 || std::size_t(chars) > kMaxLocationNameChars) return false;
    return name.find_first_not_of(' ') != std::string::npos;
}

std::vector<std::uint8_t> EncodeLocations(const std::vector<NamedLocation>& locations) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < locations.size() && i < kMaxLocations; ++i) {
        const NamedLocation& l = locations[i];
        // 40 characters of at most 4 bytes fit the length byte.
        out.push_back(static_cast<std::uint8_t>(l.name.size()));
        out.insert(out.end(), l.name.begin(), l.name.end());
        const auto record = SerializeObserver(l.observer);
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

std::vector<NamedLocation> DecodeLocations(const std::uint8_t* data, std::size_t size) {
    std::vector<NamedLocation> out;
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t length = data[pos++];
        if (out.size() == kMaxLocations || size - pos < length + OBSERVER_RECORD_SIZE) return {};
        NamedLocation l;
        l.name.assign(reinterpret_cast<const char*>(data + pos), length);
        pos += length;
        std::array<std::uint8_t, 24> record{};
        std::copy(data + pos, data + pos + OBSERVER_RECORD_SIZE, record.begin());
        pos += OBSERVER_RECORD_SIZE;
        l.observer = ParseObserver(record);
        if (!IsValidLocationName(l.name) || !PlausibleObserver(l.observer)) return {};
        out.push_back(std::move(l));
    }
    return out;
}

int LocationBook::Find(const std::string& name) const {
    for (std::size_t i = 0; i < locations.size(); ++i)
        if (SameNameIgnoringCase(locations[i].name, name)) return int(i);
    return -1;
}

LocationBook ReadLocationBook(CRegistry& reg) {
    LocationBook book;
    std::vector<std::uint8_t> bytes(reg.ValueSize(kLocationsValue));
    bytes.resize(reg.ReadBinary(kLocationsValue, bytes));
    book.locations = DecodeLocations(bytes.data(), bytes.size());
    const std::int32_t active = reg.ReadDword(kActiveLocationValue, 0);
    if (active >= 1 && std::size_t(active) <= book.locations.size()) {
        book.active = active - 1;
        std::array<std::uint8_t, 24> obs = SerializeObserver(book.locations[book.active].observer);
        if (reg.ReadRecord24("Obs", obs)) {
            const ObserverLocation current = ParseObserver(obs);
            if (PlausibleObserver(current)) book.locations[book.active].observer = current;
        }
    }
    return book;
}

bool WriteLocationBook(CRegistry& reg, const LocationBook& book) {
    const std::vector<std::uint8_t> bytes = EncodeLocations(book.locations);
    std::vector<std::pair<std::string, platform::SettingValue>> values;
    values.emplace_back(kLocationsValue,
                        platform::SettingValue::Binary(bytes.data(), bytes.size()));
    const NamedLocation* active = book.Active();
    values.emplace_back(kActiveLocationValue,
                        platform::SettingValue::Dword(active ? std::uint32_t(book.active + 1) : 0));
    if (active) {
        const auto obs = SerializeObserver(active->observer);
        values.emplace_back("Obs", platform::SettingValue::Binary(obs.data(), obs.size()));
    }
    return reg.WriteValues(values);
}

LocationEditError AddLocation(LocationBook& book, const std::string& name,
                              const ObserverLocation& observer) {
    if (!IsValidLocationName(name)) return LocationEditError::BadName;
    if (book.Find(name) >= 0) return LocationEditError::DuplicateName;
    if (book.locations.size() >= kMaxLocations) return LocationEditError::ListFull;
    book.locations.push_back({name, observer});
    return LocationEditError::None;
}

LocationEditError RenameLocation(LocationBook& book, int index, const std::string& name) {
    if (index < 0 || index >= int(book.locations.size())) return LocationEditError::NoSuchEntry;
    if (!IsValidLocationName(name)) return LocationEditError::BadName;
    const int other = book.Find(name);
    if (other >= 0 && other != index) return LocationEditError::DuplicateName;
    book.locations[index].name = name;
    return LocationEditError::None;
}

LocationEditError RemoveLocation(LocationBook& book, int index) {
    if (index < 0 || index >= int(book.locations.size())) return LocationEditError::NoSuchEntry;
    book.locations.erase(book.locations.begin() + index);
    if (book.active == index)
        book.active = -1;
    else if (book.active > index)
        --book.active;
    return LocationEditError::None;
}

const char* LocationEditErrorText(LocationEditError error) {
    switch (error) {
        case LocationEditError::None:
            return "";
        case LocationEditError::BadName:
            return "A location name has 1 to 40 characters and no control characters.";
        case LocationEditError::DuplicateName:
            return "There is already a location of that name.";
        case LocationEditError::ListFull:
            return "The list holds at most 32 locations.";
        case LocationEditError::NoSuchEntry:
            return "There is no such location.";
    }
    return "";
}

std::optional<ObserverLocation> ParseLocationCoordinates(const std::string& text) {
    double parts[3] = {0, 0, 0};
    int count = 0;
    std::size_t pos = 0;
    while (count < 3) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        const std::string field = text.substr(pos, comma - pos);
        if (field.empty() || field.find_first_of(" \t") != std::string::npos) return std::nullopt;
        char* end = nullptr;
        parts[count++] = std::strtod(field.c_str(), &end);
        if (end != field.c_str() + field.size() || !std::isfinite(parts[count - 1]))
            return std::nullopt;
        if (comma == text.size()) break;
        pos = comma + 1;
        if (count == 3) return std::nullopt;  // a fourth field
    }
    if (count < 2 || std::fabs(parts[0]) > 90.0 || std::fabs(parts[1]) > 180.0 ||
        std::fabs(parts[2]) > 1e6 || parts[2] != std::floor(parts[2]))
        return std::nullopt;
    ObserverLocation o;
    o.latitude = parts[0];
    o.longitude = parts[1];
    o.altitudeMetres = static_cast<std::int32_t>(parts[2]);
    return o;
}

}  // namespace orvanta
