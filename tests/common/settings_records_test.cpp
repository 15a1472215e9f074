#include <gtest/gtest.h>

#include <cstring>

#include "common/registry.h"
#include "common/settings_records.h"
#include "platform/settings_store.h"
#include "tests/common/memory_settings_fixture.h"

using namespace orvanta;

namespace {

using RecordsTest = test::MemorySettingsTest;

}  // namespace

TEST(ObserverRecord, ExactByteLayout) {
    ObserverLocation obs{-2, 1.0, -2.0};
    auto b = SerializeObserver(obs);
    // int32 -2, four zero bytes, IEEE 1.0 = 3ff0000000000000, -2.0 = c000000000000000.
    const std::uint8_t expected[24] = {0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0,    0,    0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0};
    EXPECT_EQ(std::memcmp(b.data(), expected, 24), 0);
    EXPECT_EQ(ParseObserver(b), obs);
    ObserverLocation site{1234, 48.1372, 11.5756};
    EXPECT_EQ(ParseObserver(SerializeObserver(site)), site);
    EXPECT_FALSE(IsObserverUnset(site));
    EXPECT_TRUE(IsObserverUnset(ParseObserver({})));
}

TEST(HostRecordLayout, FieldOffsetsAndRoundTrip) {
    HostRecord h;
    h.address = "ntp.example.org";
    h.tag = "NTP";
    h.ipText = "192.168.100.200";
    h.reverseName = "time.example.org";
    h.successes = 10;
    h.failures = 2;
    h.lastResult = -2;
    h.sum = 345;
    h.cycles = 5760;
    h.tile = 0xDEADBEEF;
    for (std::size_t i = 0; i < h.history.size(); ++i) h.history[i] = int(i);
    std::vector<std::uint8_t> blob = HostListToBlob({h, HostRecord{}});
    ASSERT_EQ(blob.size(), 2 * HOST_RECORD_SIZE);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&blob[64])), "NTP");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&blob[74])), "192.168.100.200");
    EXPECT_EQ(blob[89], 0);  // 15 characters and their terminator fill the field
    EXPECT_EQ(blob[160], 10);
    EXPECT_EQ(blob[168], 0xFE);  // -2 little-endian
    EXPECT_EQ(blob[180] | (blob[181] << 8), 5760);
    EXPECT_EQ(blob[184], 0xEF);
    EXPECT_EQ(blob[188 + 4 * 99], 99);
    auto back = HostListFromBlob(blob.data(), blob.size(), 2);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0], h);
    EXPECT_EQ(back[1], HostRecord{});
}

TEST(HostRecordLayout, LongTextsAreCutAndUnterminatedFieldsStayInside) {
    HostRecord h;
    h.address = std::string(100, 'a');
    h.tag = "ABCDEFGHIJKLMNOP";
    std::uint8_t rec[HOST_RECORD_SIZE];
    SerializeHost(h, rec);
    EXPECT_EQ(rec[63], 0);
    HostRecord back = ParseHost(rec);
    EXPECT_EQ(back.address, std::string(63, 'a'));
    EXPECT_EQ(back.tag, "ABCDEFGHI");
    // A damaged record without terminators reads each text only up to its field's end.
    std::memset(rec, 'z', 154);
    back = ParseHost(rec);
    EXPECT_EQ(back.address.size(), 64u);
    EXPECT_EQ(back.tag.size(), 10u);
    // A count larger than the blob yields only whole records.
    EXPECT_EQ(HostListFromBlob(rec, HOST_RECORD_SIZE - 1, 1).size(), 0u);
    EXPECT_EQ(HostListFromBlob(rec, HOST_RECORD_SIZE, 5).size(), 1u);
}

TEST(PingParametersRecord, RoundTripAndDefaultsRule) {
    PingParameters p{95.5f, 70.f, 10.f, 0x00010203, 0x00040506, 0x00070809};
    auto b = SerializePingParameters(p);
    EXPECT_EQ(b[0], 0x00);  // 95.5f = 0x42bf0000
    EXPECT_EQ(b[2], 0xBF);
    EXPECT_EQ(b[3], 0x42);
    EXPECT_EQ(b[12], 0x03);
    EXPECT_EQ(ParsePingParameters(b.data(), b.size()), p);

    PingParameters d = ParsePingParameters(nullptr, 0);
    EXPECT_EQ(d.okLimit, 99.f);
    EXPECT_EQ(d.warningLimit, 80.f);
    EXPECT_EQ(d.failureLimit, 60.f);
    EXPECT_EQ(d.okColour, 0x0000FF00u);
    EXPECT_EQ(d.warningColour, 0x0000FFFFu);
    EXPECT_EQ(d.failureColour, 0x000000FFu);
    // An OK limit of 0 replaces all six fields, even the ones that were set.
    p.okLimit = 0.f;
    b = SerializePingParameters(p);
    EXPECT_EQ(ParsePingParameters(b.data(), b.size()), PingParameters{});
    EXPECT_EQ(ParsePingParameters(b.data(), 23), PingParameters{});
}

TEST_F(RecordsTest, PlacementRoundTripAndZeroEdgesAreIgnored) {
    WindowPlacement wp;
    wp.length = 0;  // forced to 44 on save
    wp.showCmd = SHOW_MAXIMIZED;
    wp.minX = -32000;
    wp.minY = -32000;
    wp.maxX = -1;
    wp.normal = {10, 20, 685, 500};
    ASSERT_TRUE(SavePlacement("MainWindow", wp));
    auto back = RestorePlacement("mainwindow");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->length, 44u);
    wp.length = 44;
    EXPECT_EQ(*back, wp);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ValueSize("MainWindow"), 44u);

    EXPECT_FALSE(RestorePlacement("Skyview"));  // never saved
    wp.normal = {0, 0, 0, 0};
    SavePlacement("Skyview", wp);
    EXPECT_FALSE(RestorePlacement("Skyview"));
    wp.normal = {-600, 20, -600, 500};  // no width
    SavePlacement("Earthview", wp);
    EXPECT_FALSE(RestorePlacement("Earthview"));
    // A window at the screen's left edge keeps its place and size.
    wp.normal = {0, 20, 1000, 720};
    SavePlacement("Earthview", wp);
    ASSERT_TRUE(RestorePlacement("Earthview"));
    EXPECT_EQ(RestorePlacement("Earthview")->normal, wp.normal);
}

TEST_F(RecordsTest, ColumnLayoutRules) {
    std::vector<std::int32_t> widths(PASSLIST_COLUMNS, 80), order(PASSLIST_COLUMNS);
    for (int i = 0; i < PASSLIST_COLUMNS; ++i) order[i] = PASSLIST_COLUMNS - 1 - i;
    widths[3] = 0;
    widths[4] = 0x00010096;  // only the low 16 bits count: 150
    ASSERT_TRUE(SaveColumns("Passlist", widths, order));
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ValueSize("Passlist"), PASSLIST_COLUMNS * 4u);
    EXPECT_EQ(reg.ValueSize("Passlist_ColOrder"), PASSLIST_COLUMNS * 4u);

    ColumnLayout l = RestoreColumns("Passlist", PASSLIST_COLUMNS);
    ASSERT_EQ(l.widths.size(), std::size_t(PASSLIST_COLUMNS));
    EXPECT_EQ(l.widths[0], 80);
    EXPECT_FALSE(l.widths[3].has_value());
    EXPECT_EQ(l.widths[4], 150);
    ASSERT_TRUE(l.order);
    EXPECT_EQ((*l.order)[0], PASSLIST_COLUMNS - 1);

    // Nothing stored: no widths and no order.
    ColumnLayout none = RestoreColumns("Eventlog", EVENTLOG_COLUMNS);
    EXPECT_FALSE(none.widths[0] || none.widths[1] || none.order);
    // Equal first entries mean "absent"; a damaged order (not a permutation) too.
    EXPECT_FALSE(ColumnLayoutFromArrays({100, 200, 50}, {1, 1, 0}).order);
    EXPECT_FALSE(ColumnLayoutFromArrays({100, 200, 50}, {0, 2, 2}).order);
    EXPECT_FALSE(ColumnLayoutFromArrays({100, 200, 50}, {0, 1, 9}).order);
    EXPECT_TRUE(ColumnLayoutFromArrays({100, 200}, {1, 0}).order);
    // A shorter stored array is zero-filled.
    EXPECT_EQ(Int32ArrayFromBlob(Int32ArrayToBlob({7}).data(), 4, 3), (std::vector<std::int32_t>{7, 0, 0}));
}

TEST_F(RecordsTest, FourteenColumnLayoutOfEarlierVersionsStillReadsAndHiddenColumnsRoundTrip) {
    // As earlier versions stored the pass list: 14 widths, 14 order entries.
    std::vector<std::int32_t> widths(14, 90), order(14);
    for (int i = 0; i < 14; ++i) order[i] = 13 - i;
    ASSERT_TRUE(SaveColumns("Passlist", widths, order));
    ColumnLayout old = RestoreColumns("Passlist", PASSLIST_COLUMNS);
    ASSERT_EQ(old.widths.size(), 16u);
    EXPECT_EQ(old.widths[13], 90);
    EXPECT_FALSE(old.widths[14] || old.hidden[14] || old.hidden[15]);  // the new columns' defaults
    ASSERT_TRUE(old.order);
    EXPECT_EQ(*old.order, (std::vector<int>{13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 14, 15}));

    // A hidden column is stored with its width negated.
    widths.assign(16, 80);
    widths[15] = -120;
    order.resize(16);
    for (int i = 0; i < 16; ++i) order[i] = i;
    ASSERT_TRUE(SaveColumns("Passlist", widths, order));
    ColumnLayout now = RestoreColumns("Passlist", PASSLIST_COLUMNS);
    EXPECT_EQ(now.hidden[15], true);
    EXPECT_EQ(now.widths[15], 120);
    EXPECT_EQ(now.hidden[14], false);
    // An order naming a column it does not cover is still refused.
    EXPECT_FALSE(ColumnLayoutFromArrays({1, 2, 3}, {0, 2}).order);
}
