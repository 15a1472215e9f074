#pragma once
// The user's named observer locations ("Home", "Club station", ...) and which one is active.
// The list lives in "Locations" and the active entry's number in "Active Location"; "Obs"
// always holds the active place itself, so everything that reads only "Obs" keeps working.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/settings_records.h"

namespace orvanta {

class CRegistry;

struct NamedLocation {
    std::string name;
    ObserverLocation observer;
    bool operator==(const NamedLocation&) const = default;
};

inline constexpr std::size_t kMaxLocations = 32;
inline constexpr std::size_t kMaxLocationNameChars = 40;  // characters, not bytes
inline constexpr char kLocationsValue[] = "Locations";
inline constexpr char kActiveLocationValue[] = "Active Location";

// 1 ... 40 characters of valid UTF-8, no control characters, not only blanks.
bool IsValidLocationName(const std::string& name);

// Layout: per entry one byte of name length in bytes, the UTF-8 name, the 24-byte "Obs"
// record. At most kMaxLocations entries.
std::vector<std::uint8_t> EncodeLocations(const std::vector<NamedLocation>& locations);
// Empty when anything is wrong with the bytes (cut short, bytes left over, a bad name, a
// coordinate out of range, too many entries): a damaged list is dropped whole.
std::vector<NamedLocation> DecodeLocations(const std::uint8_t* data, std::size_t size);

struct LocationBook {
    std::vector<NamedLocation> locations;
    int active = -1;  // index into locations, -1: none

    // Case-insensitive (ASCII) match of the whole name; -1 when there is none.
    int Find(const std::string& name) const;
    const NamedLocation* Active() const {
        return active >= 0 && active < int(locations.size()) ? &locations[active] : nullptr;
    }
};

// reg must be open on the settings key. The active entry takes the coordinates in "Obs",
// which another program (or an older version) may have changed on its own.
LocationBook ReadLocationBook(CRegistry& reg);
// Writes "Locations", "Active Location" and, when an entry is active, "Obs" in one change.
bool WriteLocationBook(CRegistry& reg, const LocationBook& book);

// Why an edit of the book was refused; nothing when it was made.
enum class LocationEditError { None, BadName, DuplicateName, ListFull, NoSuchEntry };
LocationEditError AddLocation(LocationBook& book, const std::string& name,
                              const ObserverLocation& observer);
LocationEditError RenameLocation(LocationBook& book, int index, const std::string& name);
// Removing the active entry leaves none active ("Obs" keeps the place).
LocationEditError RemoveLocation(LocationBook& book, int index);
const char* LocationEditErrorText(LocationEditError error);

// "LAT,LON[,ALT_M]" in degrees and metres; nothing when the text is not that.
std::optional<ObserverLocation> ParseLocationCoordinates(const std::string& text);

}  // namespace orvanta
