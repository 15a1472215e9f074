// Named locations: the stored list survives a round trip, a damaged one is dropped whole,
// and the active entry is always what "Obs" holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/registry.h"
#include "location/named_locations.h"
#include "platform/settings_store.h"
#include "tests/common/memory_settings_fixture.h"

namespace orvanta {
namespace {

const std::vector<NamedLocation> kThree = {
    {"Home", {520, 48.1374, 11.5755}},
    {"Club station", {10, 53.5511, 9.9937}},
    {"Dark site \xC3\xA9t\xC3\xA9", {2100, -24.6272, -70.4042}}};

TEST(NamedLocations, EncodeDecodeRoundTripAndDamagedBytesGiveEmptyList) {
    std::vector<std::uint8_t> bytes = EncodeLocations(kThree);
    EXPECT_EQ(DecodeLocations(bytes.data(), bytes.size()), kThree);
    EXPECT_TRUE(DecodeLocations(nullptr, 0).empty());
    // Cut short, one byte too many, a control character in a name, a latitude of 1000.
    EXPECT_TRUE(DecodeLocations(bytes.data(), bytes.size() - 1).empty());
    bytes.push_back(0);
    EXPECT_TRUE(DecodeLocations(bytes.data(), bytes.size()).empty());
    bytes.pop_back();
    std::vector<std::uint8_t> bad = bytes;
    bad[2] = '\n';
    EXPECT_TRUE(DecodeLocations(bad.data(), bad.size()).empty());
    bad = EncodeLocations({{"X", {0, 1000.0, 0.0}}});
    EXPECT_TRUE(DecodeLocations(bad.data(), bad.size()).empty());
    // A length byte running past the end.
    const std::uint8_t runaway[] = {200, 'a', 'b'};
    EXPECT_TRUE(DecodeLocations(runaway, sizeof runaway).empty());
}

TEST(NamedLocations, NameRulesAndEdits) {
    EXPECT_TRUE(IsValidLocationName(std::string(40, 'x')));
    EXPECT_FALSE(IsValidLocationName(std::string(41, 'x')));
    std::string accents;  // characters are counted, not bytes
    for (int i = 0; i < 40; ++i) accents += "\xC3\xA9";
    EXPECT_TRUE(IsValidLocationName(accents));
    EXPECT_FALSE(IsValidLocationName(accents + "x"));
    EXPECT_FALSE(IsValidLocationName(""));
    EXPECT_FALSE(IsValidLocationName("   "));
    EXPECT_FALSE(IsValidLocationName("Tab\there"));
    EXPECT_FALSE(IsValidLocationName("\xC3"));  // cut UTF-8

    LocationBook book;
    for (const auto& l : kThree)
        ASSERT_EQ(AddLocation(book, l.name, l.observer), LocationEditError::None);
    EXPECT_EQ(AddLocation(book, "HOME", {}), LocationEditError::DuplicateName);
    EXPECT_EQ(RenameLocation(book, 1, "home"), LocationEditError::DuplicateName);
    EXPECT_EQ(RenameLocation(book, 1, "Club"), LocationEditError::None);
    EXPECT_EQ(book.Find("club"), 1);
    book.active = 2;
    ASSERT_EQ(RemoveLocation(book, 0), LocationEditError::None);
    EXPECT_EQ(book.active, 1);  // still the dark site
    ASSERT_EQ(RemoveLocation(book, 1), LocationEditError::None);
    EXPECT_EQ(book.active, -1);
    while (book.locations.size() < kMaxLocations)
        AddLocation(book, "L" + std::to_string(book.locations.size()), {});
    EXPECT_EQ(AddLocation(book, "One more", {}), LocationEditError::ListFull);
}

TEST(NamedLocations, ParseCoordinates) {
    const auto full = ParseLocationCoordinates("48.1374,11.5755,520");
    ASSERT_TRUE(full);
    EXPECT_EQ(*full, (ObserverLocation{520, 48.1374, 11.5755}));
    EXPECT_EQ(ParseLocationCoordinates("-33.9,18.4")->altitudeMetres, 0);
    for (const char* bad : {"Home", "48.1", "91,0", "0,181", "1,2,3,4", "1,2,3.5", "1,,2", "1, 2"})
        EXPECT_FALSE(ParseLocationCoordinates(bad)) << bad;
}

struct LocationBookStore : test::MemorySettingsTest {};

TEST_F(LocationBookStore, SwitchingWritesObsAndObsWinsOnRead) {
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    LocationBook book;
    book.locations = kThree;
    book.active = 1;
    ASSERT_TRUE(WriteLocationBook(reg, book));
    std::array<std::uint8_t, 24> obs{};
    ASSERT_TRUE(reg.ReadRecord24("Obs", obs));
    EXPECT_EQ(ParseObserver(obs), kThree[1].observer);
    EXPECT_EQ(reg.ReadDword(kActiveLocationValue, 0), 2);

    LocationBook back = ReadLocationBook(reg);
    EXPECT_EQ(back.locations, kThree);
    EXPECT_EQ(back.active, 1);

    // Something that knows only "Obs" moved the place: the active entry follows it.
    const ObserverLocation moved{0, 53.6, 10.0};
    ASSERT_TRUE(reg.WriteRecord24("Obs", SerializeObserver(moved)));
    EXPECT_EQ(ReadLocationBook(reg).locations[1].observer, moved);

    // A damaged list reads empty with nothing active; "Obs" is left alone.
    const std::uint8_t junk[] = {9, 1, 2};
    ASSERT_TRUE(reg.WriteBinary(kLocationsValue, junk, sizeof junk));
    back = ReadLocationBook(reg);
    EXPECT_TRUE(back.locations.empty());
    EXPECT_EQ(back.active, -1);
    ASSERT_TRUE(reg.ReadRecord24("Obs", obs));
    EXPECT_EQ(ParseObserver(obs), moved);
}

}  // namespace
}  // namespace orvanta
