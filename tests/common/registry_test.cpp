#include <gtest/gtest.h>

#include <cstring>

#include "common/registry.h"
#include "common/settings.h"
#include "platform/directories.h"
#include "platform/settings_store.h"

using namespace orvanta;
using platform::SettingValue;

namespace {

struct RegistryTest : ::testing::Test {
    std::shared_ptr<platform::ISettingsStore> store = platform::MakeMemorySettingsStore();
};

}  // namespace

TEST_F(RegistryTest, OpenCreatesUnlessOpenOnlyAndRefusesBadRoots) {
    CRegistry reg(store);
    EXPECT_FALSE(reg.Open(RootKey::CurrentUser, "Software\\X", 1));
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, "Software\\X"));
    EXPECT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\X"));
    EXPECT_TRUE(store->KeyExists(RootKey::CurrentUser, "software\\x"));
    EXPECT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\X", 1));
    EXPECT_FALSE(reg.Open(static_cast<RootKey>(0x80000004u), "Software\\X"));
    EXPECT_FALSE(reg.Open(static_cast<RootKey>(42u), "Software\\X"));
    // An empty path does nothing: the open key stays open.
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\X"));
    EXPECT_FALSE(reg.Open(RootKey::CurrentUser, ""));
    EXPECT_TRUE(reg.IsOpen());
    reg.Close();
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_EQ(reg.ReadDword("anything", 17), 17);
    EXPECT_FALSE(reg.WriteDword("anything", 1));
}

TEST_F(RegistryTest, ValuesRoundTripAndNamesIgnoreCase) {
    CRegistry reg(store);
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_TRUE(reg.WriteDword("Number of Passes", -7));
    EXPECT_EQ(reg.ReadDword("Number of passes", 5), -7);
    EXPECT_TRUE(reg.WriteDword("number of PASSES", 9));  // the same value
    EXPECT_EQ(reg.ReadDword("Number of Passes", 5), 9);

    EXPECT_TRUE(reg.WriteString("GPS Com Port", "COM\\3 \"x\""));
    EXPECT_EQ(reg.ReadString("gps com port", "COM1"), "COM\\3 \"x\"");
    EXPECT_EQ(reg.ReadString("", "def"), "def");
    auto raw = store->ReadValue(RootKey::CurrentUser, kSettingsKeyPath, "GPS Com Port");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, platform::kTypeSz);
    EXPECT_EQ(raw->data.size(), 10u);  // 9 characters + terminator

    EXPECT_TRUE(reg.WriteDouble("Automatic Kepler Update", 2461128.5416666665));
    double d = 0;
    EXPECT_TRUE(reg.ReadDouble("Automatic Kepler Update", d));
    EXPECT_EQ(d, 2461128.5416666665);
    raw = store->ReadValue(RootKey::CurrentUser, kSettingsKeyPath, "Automatic Kepler Update");
    ASSERT_TRUE(raw);
    // IEEE double, little-endian: 1.0 would be 00..f0 3f; check the sign/exponent byte.
    EXPECT_EQ(raw->type, platform::kTypeBinary);
    EXPECT_EQ(raw->data[7], 0x41);

    std::array<std::uint8_t, 24> rec{};
    for (int i = 0; i < 24; ++i) rec[i] = std::uint8_t(i * 7);
    EXPECT_TRUE(reg.WriteRecord24("Obs", rec));
    std::array<std::uint8_t, 24> back{};
    EXPECT_TRUE(reg.ReadRecord24("OBS", back));
    EXPECT_EQ(back, rec);
}

TEST_F(RegistryTest, WrongSizesAndTypesYieldDefaultsAndLeaveTargets) {
    CRegistry reg(store);
    ASSERT_TRUE(reg.OpenSettings());
    std::uint8_t three[3] = {1, 2, 3};
    reg.WriteBinary("Short", three, 3);
    reg.WriteString("Text", "abcd");
    EXPECT_EQ(reg.ReadDword("Short", 5), 5);
    EXPECT_EQ(reg.ReadDword("Text", 5), 5);
    EXPECT_EQ(reg.ReadDword("Missing", -1), -1);
    EXPECT_EQ(reg.ReadString("Short", "d"), "d");  // binary is not text

    double d = 1.25;
    EXPECT_FALSE(reg.ReadDouble("Short", d));
    EXPECT_FALSE(reg.ReadDouble("Missing", d));
    EXPECT_EQ(d, 1.25);
    std::array<std::uint8_t, 24> rec;
    rec.fill(0xAB);
    EXPECT_FALSE(reg.ReadRecord24("Short", rec));
    EXPECT_EQ(rec[0], 0xAB);

    // A binary read copies at most the buffer and reports how much it copied.
    std::uint8_t buf[2] = {9, 9};
    EXPECT_EQ(reg.ReadBinary("Short", buf, 2), 2u);
    EXPECT_EQ(buf[1], 2);
    std::vector<std::uint8_t> big(8, 0xEE);
    EXPECT_EQ(reg.ReadBinary("Short", big), 3u);
    EXPECT_EQ(big[3], 0xEE);
    EXPECT_EQ(reg.ReadBinary("Missing", big), 0u);
    EXPECT_EQ(reg.ValueSize("Short"), 3u);
    EXPECT_EQ(reg.ValueSize("Missing"), 0u);
}

TEST_F(RegistryTest, StringsStopAtTerminatorAndAreCutAt1023) {
    CRegistry reg(store);
    ASSERT_TRUE(reg.OpenSettings());
    std::string long2000(2000, 'x');
    reg.WriteString("Long", long2000);
    EXPECT_EQ(reg.ReadString("Long", "").size(), 1023u);
    // A value written by another program without a terminator, or with text after one.
    std::vector<std::uint8_t> odd = {'a', 'b', 0, 'c'};
    store->WriteValue(RootKey::CurrentUser, kSettingsKeyPath, "Odd", {platform::kTypeSz, odd});
    EXPECT_EQ(reg.ReadString("Odd", ""), "ab");
    store->WriteValue(RootKey::CurrentUser, kSettingsKeyPath, "NoNul", {platform::kTypeSz, {'q', 'r'}});
    EXPECT_EQ(reg.ReadString("NoNul", ""), "qr");
}

TEST_F(RegistryTest, DeleteKeyRemovesSubKeysDepthFirstAndKeepsSiblings) {
    CRegistry reg(store);
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\Quorrin\\Orvanta\\A\\B"));
    reg.WriteDword("deep", 1);
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\Quorrin\\Orvanta\\C"));
    ASSERT_TRUE(reg.OpenSettings());
    reg.WriteDword("top", 1);
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Software\\Quorrin\\Other"));
    reg.WriteDword("keep", 3);

    EXPECT_FALSE(reg.DeleteKey(RootKey::CurrentUser, "Software\\Quorrin\\Missing"));
    EXPECT_FALSE(reg.DeleteKey(RootKey::CurrentUser, "Software\\Nowhere\\Orvanta"));
    EXPECT_TRUE(reg.DeleteKey(RootKey::CurrentUser, kSettingsKeyPath));
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, kSettingsKeyPath));
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, "Software\\Quorrin\\Orvanta\\A\\B"));
    EXPECT_TRUE(store->KeyExists(RootKey::CurrentUser, "Software\\Quorrin"));
    EXPECT_EQ(reg.ReadDword("keep", 0), 3);

    // A path without a backslash deletes a key directly under the root.
    ASSERT_TRUE(reg.Open(RootKey::CurrentUser, "Solo\\Child"));
    EXPECT_TRUE(reg.DeleteKey(RootKey::CurrentUser, "Solo"));
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, "Solo"));
}

TEST(RegistryFileStore, RemovingTheSettingsIsOneRewrite) {
    // Removal at exit once rewrote and flushed the whole file once per key.
    platform::PrivateTempDir dir;
    ASSERT_TRUE(dir.Ok());
    int rewrites = 0;
    auto store = platform::OpenFileSettingsStore(dir.Path() / "Orvanta.reg", [&] { ++rewrites; });
    if (!store) GTEST_SKIP() << "no file store here: Windows keeps settings in the registry";
    SetSettingsStore(store);
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(RootKey::CurrentUser, std::string(kSettingsKeyPath) + "\\A\\B"));
        ASSERT_TRUE(reg.Open(RootKey::CurrentUser, std::string(kSettingsKeyPath) + "\\C"));
        ASSERT_TRUE(reg.OpenSettings());
        ASSERT_TRUE(reg.WriteDword("Metric", 2));
    }
    rewrites = 0;
    EXPECT_TRUE(DeleteAllSettings());
    EXPECT_EQ(rewrites, 1);
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, kSettingsKeyPath));
    EXPECT_TRUE(store->KeyExists(RootKey::CurrentUser, "Software\\Quorrin"));
    SetSettingsStore(nullptr);
}

TEST(RegistryWithoutStore, ReadsDefaultsAndWritesFail) {
    SetSettingsStore(nullptr);
    CRegistry reg;
    EXPECT_FALSE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Metric", 1), 1);
    EXPECT_EQ(reg.ReadString("GPS Com Port", "COM1"), "COM1");
    EXPECT_FALSE(reg.WriteDword("Metric", 2));
    EXPECT_FALSE(reg.DeleteKey(RootKey::CurrentUser, kSettingsKeyPath));
}
