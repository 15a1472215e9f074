#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/directories.h"
#include "platform/settings_store.h"
#include "platform/settings_tree.h"
#include "tests/platform/scoped_env.h"

using namespace orvanta::platform;
namespace fs = std::filesystem;

namespace {

constexpr RootKey HKCU = RootKey::CurrentUser;
const std::string kKey = "Software\\Quorrin\\Orvanta";
const std::string kFull = "HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta";

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void Spit(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << bytes;
}

std::uint32_t DwordOf(const std::optional<SettingValue>& v) {
    if (!v || v->data.size() != 4) return 0xFFFFFFFFu;
    return v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (std::uint32_t(v->data[3]) << 24);
}

struct FileStoreTest : ::testing::Test {
    PrivateTempDir dir;
    fs::path file;
    void SetUp() override {
        ASSERT_TRUE(dir.Ok());
        file = dir.Path() / "Quorrin" / "Orvanta.reg";
    }
};

}  // namespace

TEST(RegistryFileFormat, SerialisedFormAndRoundTrip) {
    SettingsTree t;
    t.Create(kFull);
    t.Write(kFull, "Number of Passes", SettingValue::Dword(10));
    t.Write(kFull, "Path", SettingValue::String("C:\\x \"y\""));
    std::uint8_t bin[3] = {0x01, 0xAB, 0xFF};
    t.Write(kFull, "Obs", SettingValue::Binary(bin, 3));
    t.Write(kFull, "Empty", SettingValue::Binary(nullptr, 0));
    t.Write(kFull, "", SettingValue::String("default"));
    t.Write(kFull, "Lines", SettingValue::String("a\nb"));              // cannot be quoted
    t.Write(kFull, "Q", {11, {1, 2, 3, 4, 5, 6, 7, 8}});                // any other type
    std::string text = SerializeRegistryFile(t);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software]\n"), std::string::npos);
    EXPECT_NE(text.find("[" + kFull + "]\n"), std::string::npos);
    EXPECT_NE(text.find("\"Number of Passes\"=dword:0000000a\n"), std::string::npos);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\x \\\"y\\\"\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Obs\"=hex:01,ab,ff\n"), std::string::npos);
    EXPECT_NE(text.find("\"Empty\"=hex:\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Lines\"=hex(1):61,0a,62,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"Q\"=hex(b):01,02,03,04,05,06,07,08\n"), std::string::npos);

    SettingsTree back;
    RegistryFileReport r = ParseRegistryFile(text, back);
    EXPECT_TRUE(r.headerFound);
    EXPECT_EQ(r.damagedLines, 0u);
    EXPECT_EQ(back, t);
}

TEST(RegistryFileFormat, ReadsWhatTheRegistryEditorWrites) {
    // CR LF, a continued hex value, REGEDIT4 header, comments, deletions, mixed case.
    std::string text =
        "REGEDIT4\r\n\r\n"
        "; exported\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta]\r\n"
        "\"Hostlist\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Gone\"=dword:00000001\r\n"
        "\"gone\"=-\r\n"
        "\"Metric\"=dword:1\r\n"
        "\"metric\"=dword:00000003\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
        "[hkey_current_user\\Software\\Quorrin\\Orvanta\\Sub]\r\n";
    SettingsTree t;
    t.Create("HKEY_CURRENT_USER\\Software\\Old\\Deep");
    RegistryFileReport r = ParseRegistryFile(text, t);
    EXPECT_EQ(r.damagedLines, 0u);
    EXPECT_EQ(t.Read(kFull, "HOSTLIST")->data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_FALSE(t.Read(kFull, "Gone"));
    EXPECT_EQ(DwordOf(t.Read(kFull, "Metric")), 3u);
    EXPECT_FALSE(t.Exists("HKEY_CURRENT_USER\\Software\\Old\\Deep"));
    EXPECT_EQ(t.SubKeys(kFull), std::vector<std::string>{"Sub"});

    // UTF-16LE with its byte-order mark, as the registry editor saves by default.
    std::string ascii = "Windows Registry Editor Version 5.00\r\n[" + kFull + "]\r\n\"N\"=\"\xC3\xA9\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (ascii[i] == '\xC3') {  // U+00E9
            utf16 += "\xE9";
            utf16 += '\0';
            ++i;
            continue;
        }
        utf16 += ascii[i];
        utf16 += '\0';
    }
    SettingsTree u;
    EXPECT_EQ(ParseRegistryFile(utf16, u).damagedLines, 0u);
    EXPECT_EQ(u.Read(kFull, "N")->data, (std::vector<std::uint8_t>{0xC3, 0xA9, 0}));
}

TEST(RegistryFileFormat, DamagedLinesCostOnlyThemselves) {
    std::string text =
        "Windows Registry Editor Version 5.00\n"
        "\"Orphan\"=dword:00000001\n"                  // before any key
        "[" + kFull + "]\n"
        "\"A\"=dword:00000001\n"
        "\"B\"=dword:xyz\n"                            // bad number
        "\"C\"=dword:123456789\n"                      // too many digits
        "\"D\"=\"unterminated\n"
        "\"E\"=hex:01,2g\n"
        "\"F\"=hex:01,02,\\\n"                         // continuation into a value line
        "\"G\"=\"kept\"\n"
        "garbage line \\\n"
        "\"H\"=dword:00000008\n"
        "\"I\"=\"x\" trailing\n"
        "[BOGUS_ROOT\\Key]\n"
        "\"J\"=dword:00000001\n"                       // belongs to the rejected key
        "[" + kFull + "]\n"
        "\"K\"=hex(zz):00\n"
        "\"L\"=dword:0000000c\n";
    SettingsTree t;
    RegistryFileReport r = ParseRegistryFile(text, t);
    EXPECT_EQ(r.damagedLines, 11u);
    EXPECT_EQ(DwordOf(t.Read(kFull, "A")), 1u);
    EXPECT_EQ(t.Read(kFull, "G")->data.size(), 5u);
    EXPECT_EQ(DwordOf(t.Read(kFull, "H")), 8u);
    EXPECT_EQ(DwordOf(t.Read(kFull, "L")), 12u);
    for (const char* n : {"B", "C", "D", "E", "F", "I", "J", "K", "Orphan"}) EXPECT_FALSE(t.Read(kFull, n)) << n;
    EXPECT_FALSE(t.Exists("HKEY_CURRENT_USER\\Key"));
}

TEST(RegistryFileFormat, RandomAndHugeInputNeverCrashesAndKeepsGoodLines) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string good = "[" + kFull + "]\n\"Good\"=dword:00000007\n";
    const char* fragments[] = {"[", "]", "\"", "\\", "=", "hex:", "hex(", "dword:", "@", "-",
                               ",", "\r", "\n", "\xFF\xFE", "\xEF\xBB\xBF", "ff", "\0"};
    for (int round = 0; round < 400; ++round) {
        std::string junk;
        int pieces = round % 50;
        for (int i = 0; i < pieces; ++i) {
            if (byte(rng) < 128) {
                junk += fragments[byte(rng) % 17];
            } else {
                junk += char(byte(rng));
            }
        }
        SettingsTree t;
        ParseRegistryFile(junk, t);  // must not crash or read out of bounds
        // Re-serialising whatever was understood must parse back to the same tree.
        SettingsTree again;
        EXPECT_EQ(ParseRegistryFile(SerializeRegistryFile(t), again).damagedLines, 0u);
        EXPECT_EQ(again, t);
        // A good section after the junk (on a fresh line) always survives.
        if (junk.starts_with("\xFF\xFE")) continue;  // read as UTF-16: a different file
        SettingsTree withGood;
        ParseRegistryFile(junk + "\n" + good, withGood);
        EXPECT_EQ(DwordOf(withGood.Read(kFull, "Good")), 7u) << "round " << round;
    }
    // A 5 MB line, a huge continued hex value, and a file of binary zeros.
    SettingsTree t;
    std::string huge = good + "\"X\"=\"" + std::string(5 << 20, 'x') + "\"\n\"Y\"=hex:";
    for (int i = 0; i < 100000; ++i) huge += "ab,\\\n  ";
    huge += "cd\n";
    EXPECT_EQ(ParseRegistryFile(huge, t).damagedLines, 0u);
    EXPECT_EQ(t.Read(kFull, "X")->data.size(), (5u << 20) + 1);
    EXPECT_EQ(t.Read(kFull, "Y")->data.size(), 100001u);
    SettingsTree z;
    ParseRegistryFile(std::string(1 << 16, '\0') + "\n" + good, z);
    EXPECT_EQ(DwordOf(z.Read(kFull, "Good")), 7u);
    // A continuation that runs into the end of the file.
    SettingsTree c;
    EXPECT_EQ(ParseRegistryFile(good + "\"Z\"=hex:01,\\", c).damagedLines, 1u);
    EXPECT_FALSE(c.Read(kFull, "Z"));
}

TEST_F(FileStoreTest, CreatesPrivateFileAndRoundTripsThroughDisk) {
    auto store = OpenFileSettingsStore(file);
    EXPECT_FALSE(store->KeyExists(HKCU, kKey));
    EXPECT_FALSE(store->WriteValue(HKCU, kKey, "Metric", SettingValue::Dword(2)));  // no key yet
    ASSERT_TRUE(store->CreateKey(HKCU, kKey));
    ASSERT_TRUE(store->WriteValue(HKCU, kKey, "Metric", SettingValue::Dword(2)));
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::string text = Slurp(file);
    EXPECT_NE(text.find("\"Metric\"=dword:00000002"), std::string::npos);

    // A second store object (another program) sees it and keeps the stored spelling.
    auto other = OpenFileSettingsStore(file);
    EXPECT_EQ(DwordOf(other->ReadValue(HKCU, "software\\quorrin\\orvanta", "METRIC")), 2u);
    ASSERT_TRUE(other->WriteValue(HKCU, kKey, "metric", SettingValue::Dword(3)));
    EXPECT_EQ(DwordOf(store->ReadValue(HKCU, kKey, "Metric")), 3u);
    EXPECT_NE(Slurp(file).find("\"Metric\"=dword:00000003"), std::string::npos);
    // No temporary files are left behind.
    for (const auto& e : fs::directory_iterator(file.parent_path()))
        EXPECT_TRUE(e.path().filename() == "Orvanta.reg" || e.path().filename() == "Orvanta.reg.lock")
            << e.path();
    // A 0644 file from elsewhere becomes private at the next write.
    ::chmod(file.c_str(), 0644);
    ASSERT_TRUE(store->WriteValue(HKCU, kKey, "Metric", SettingValue::Dword(1)));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FileStoreTest, BatchWritesAllOrNothing) {
    auto store = OpenFileSettingsStore(file);
    ASSERT_TRUE(store->CreateKey(HKCU, kKey));
    EXPECT_TRUE(store->WriteValues(HKCU, kKey, {{"A", SettingValue::Dword(1)}, {"B", SettingValue::String("b")}}));
    EXPECT_EQ(DwordOf(store->ReadValue(HKCU, kKey, "a")), 1u);
    EXPECT_FALSE(store->WriteValues(HKCU, kKey, {{"C", SettingValue::Dword(3)}, {"bad\nname", SettingValue::Dword(4)}}));
    EXPECT_FALSE(store->ReadValue(HKCU, kKey, "C"));
    EXPECT_FALSE(store->WriteValues(HKCU, kKey + "\\Missing", {{"C", SettingValue::Dword(3)}}));
}

TEST_F(FileStoreTest, TwoProgramsWritingAtOnceLoseNothing) {
    auto init = OpenFileSettingsStore(file);
    ASSERT_TRUE(init->CreateKey(HKCU, kKey));
    constexpr int kProcs = 4, kEach = 25;
    std::vector<pid_t> kids;
    for (int p = 0; p < kProcs; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto s = OpenFileSettingsStore(file);
            bool ok = true;
            for (int i = 0; i < kEach; ++i)
                ok = s->WriteValue(HKCU, kKey, "P" + std::to_string(p) + "_" + std::to_string(i),
                                   SettingValue::Dword(std::uint32_t(i))) && ok;
            ::_exit(ok ? 0 : 1);
        }
        kids.push_back(pid);
    }
    for (pid_t pid : kids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto check = OpenFileSettingsStore(file);
    for (int p = 0; p < kProcs; ++p)
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(DwordOf(check->ReadValue(HKCU, kKey, "P" + std::to_string(p) + "_" + std::to_string(i))),
                      std::uint32_t(i));
}

TEST_F(FileStoreTest, DamagedFileKeepsItsGoodValuesAndTheOriginal) {
    fs::create_directories(file.parent_path());
    std::string damaged = "Windows Registry Editor Version 5.00\n\n[" + kFull +
                          "]\n\"Metric\"=dword:00000002\n\"Broken\"=dword:zz\n\x01\x02\x03 junk\n"
                          "\"GPS Com Port\"=\"COM4\"\n";
    Spit(file, damaged);
    auto store = OpenFileSettingsStore(file);
    EXPECT_EQ(DwordOf(store->ReadValue(HKCU, kKey, "Metric")), 2u);
    ASSERT_TRUE(store->WriteValue(HKCU, kKey, "Use 24h Time", SettingValue::Dword(1)));
    EXPECT_EQ(DwordOf(store->ReadValue(HKCU, kKey, "Metric")), 2u);
    EXPECT_EQ(store->ReadValue(HKCU, kKey, "GPS Com Port")->data.size(), 5u);
    EXPECT_EQ(Slurp(file.string() + ".damaged"), damaged);
    EXPECT_EQ(Slurp(file).find("Broken"), std::string::npos);
}

TEST_F(FileStoreTest, UnreadableFileIsNeverOverwritten) {
    // A directory where the file should be cannot be read as a file, whoever we run as.
    fs::create_directories(file);
    auto store = OpenFileSettingsStore(file);
    EXPECT_FALSE(store->CreateKey(HKCU, kKey));
    EXPECT_FALSE(store->ReadValue(HKCU, kKey, "Metric"));
    EXPECT_TRUE(fs::is_directory(file));

    // An ordinary file we may not read (skipped when running as root, which reads anything).
    fs::path locked = dir.Path() / "locked.reg";
    Spit(locked, "Windows Registry Editor Version 5.00\n\n[" + kFull + "]\n\"Metric\"=dword:00000002\n");
    ::chmod(locked.c_str(), 0200);
    if (::geteuid() != 0) {
        auto s = OpenFileSettingsStore(locked);
        EXPECT_FALSE(s->WriteValue(HKCU, kKey, "Metric", SettingValue::Dword(3)));
        ::chmod(locked.c_str(), 0600);
        EXPECT_NE(Slurp(locked).find("dword:00000002"), std::string::npos);
    }
}

TEST_F(FileStoreTest, SymlinkedFileIsUpdatedThroughTheLink) {
    fs::path real = dir.Path() / "real.reg";
    fs::create_directories(file.parent_path());
    auto first = OpenFileSettingsStore(real);
    ASSERT_TRUE(first->CreateKey(HKCU, kKey));
    fs::create_symlink(real, file);
    auto store = OpenFileSettingsStore(file);
    ASSERT_TRUE(store->WriteValue(HKCU, kKey, "Metric", SettingValue::Dword(3)));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(DwordOf(first->ReadValue(HKCU, kKey, "Metric")), 3u);
}

TEST_F(FileStoreTest, KeysDeleteOnlyWithoutSubKeysAndNamesCannotBreakLines) {
    auto store = OpenFileSettingsStore(file);
    ASSERT_TRUE(store->CreateKey(HKCU, kKey + "\\Sub"));
    EXPECT_FALSE(store->DeleteKey(HKCU, kKey));
    EXPECT_EQ(store->SubKeys(HKCU, kKey), std::vector<std::string>{"Sub"});
    EXPECT_TRUE(store->DeleteKey(HKCU, kKey + "\\Sub"));
    EXPECT_TRUE(store->DeleteKey(HKCU, kKey));
    EXPECT_FALSE(store->KeyExists(HKCU, kKey));
    EXPECT_TRUE(store->KeyExists(HKCU, "Software\\Quorrin"));

    ASSERT_TRUE(store->CreateKey(HKCU, kKey));
    EXPECT_FALSE(store->WriteValue(HKCU, kKey, "x\n[HKEY_LOCAL_MACHINE\\Evil]", SettingValue::Dword(1)));
    EXPECT_FALSE(store->CreateKey(HKCU, "Software\\a\r\nb"));
    EXPECT_EQ(Slurp(file).find("Evil"), std::string::npos);
}

TEST(RegistryFileFormat, KeysDeeperThanTheLimitCostTheirLine) {
    auto path = [](std::size_t levels) {
        std::string p = "HKEY_CURRENT_USER";
        for (std::size_t i = 0; i < levels; ++i) p += "\\K" + std::to_string(i % 10);
        return p;
    };
    const std::string deepest = path(SettingsTree::kMaxDepth);
    const std::string tooDeep = path(SettingsTree::kMaxDepth + 1);
    std::string text = "[" + deepest + "]\n\"A\"=dword:00000001\n[" + tooDeep +
                       "]\n\"B\"=dword:00000002\n[" + kFull + "]\n\"C\"=dword:00000003\n";
    SettingsTree t;
    RegistryFileReport r = ParseRegistryFile(text, t);
    EXPECT_EQ(r.damagedLines, 2u);  // the key line and its value
    EXPECT_EQ(DwordOf(t.Read(deepest, "A")), 1u);
    EXPECT_FALSE(t.Exists(tooDeep));
    EXPECT_EQ(DwordOf(t.Read(kFull, "C")), 3u);
    EXPECT_FALSE(t.Create(tooDeep));
    EXPECT_FALSE(t.Create(kFull + "\\\\Empty"));  // an empty level
    EXPECT_EQ(t.KeyCount(), SettingsTree::kMaxDepth + 3);

    // One key 60,000 levels deep (120 KB) once took gigabytes for its parents' paths.
    std::string huge = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 60000; ++i) huge += "\\k";
    huge += "]\n\"D\"=dword:00000004\n";
    SettingsTree h;
    EXPECT_EQ(ParseRegistryFile(huge + text, h).damagedLines, 4u);
    EXPECT_EQ(DwordOf(h.Read(deepest, "A")), 1u);
    EXPECT_EQ(h.KeyCount(), SettingsTree::kMaxDepth + 3);
    EXPECT_FALSE(h.Exists(huge.substr(1, huge.find(']') - 1)));
}

TEST(RegistryFileFormat, ManyKeysAndValuesKeepOrderAndIgnoreCase) {
    // 30,000 keys and 20,000 values in one key: each once cost a scan of all the others.
    std::string text = "Windows Registry Editor Version 5.00\n\n[" + kFull + "]\n";
    for (int i = 0; i < 20000; ++i)
        text += "\"Value " + std::to_string(i) + "\"=dword:" + std::to_string(10000000 + i) + "\n";
    for (int i = 0; i < 30000; ++i)
        text += "[" + kFull + "\\Sub" + std::to_string(i % 100) + "\\Key" + std::to_string(i) +
                "]\n\"N\"=\"" + std::to_string(i) + "\"\n";
    SettingsTree t;
    ASSERT_EQ(ParseRegistryFile(text, t).damagedLines, 0u);
    EXPECT_EQ(t.KeyCount(), 3u + 100u + 30000u);
    EXPECT_EQ(DwordOf(t.Read(kFull, "VALUE 19999")), 0x10019999u);
    EXPECT_EQ(t.Read(kFull + "\\sub7\\KEY29907", "n")->data,
              SettingValue::String("29907").data);
    std::vector<std::string> subs = t.SubKeys(kFull + "\\Sub3");
    ASSERT_EQ(subs.size(), 300u);
    EXPECT_EQ(subs.front(), "Key3");
    EXPECT_EQ(subs.back(), "Key29903");
    // Written back in the order read, and read again to the same tree.
    std::string out = SerializeRegistryFile(t);
    EXPECT_LT(out.find("[" + kFull + "\\Sub0]"), out.find("[" + kFull + "\\Sub0\\Key0]"));
    EXPECT_LT(out.find("\\Key29998]"), out.find("\\Key29999]"));
    SettingsTree back;
    EXPECT_EQ(ParseRegistryFile(out, back).damagedLines, 0u);
    EXPECT_TRUE(back == t);
    // A deleted tree takes all of its keys; the count follows.
    EXPECT_TRUE(t.DeleteTree(kFull + "\\SUB5"));
    EXPECT_FALSE(t.Exists(kFull + "\\Sub5\\Key5"));
    EXPECT_EQ(t.KeyCount(), 3u + 99u + 29700u);
    EXPECT_FALSE(t.DeleteTree("HKEY_CURRENT_USER"));
}

TEST_F(FileStoreTest, DeletingAKeyTreeIsOneRewrite) {
    // A hand-made file: the settings key with 300 sub-keys, one chain as deep as allowed,
    // and a sibling that must stay.
    std::string text = "Windows Registry Editor Version 5.00\n\n[" + kFull + "]\n\"A\"=dword:1\n";
    for (int i = 0; i < 300; ++i) text += "[" + kFull + "\\S" + std::to_string(i) + "]\n\"V\"=dword:2\n";
    std::string deep = kFull;
    for (std::size_t i = 3; i < SettingsTree::kMaxDepth; ++i) deep += "\\D";
    text += "[" + deep + "]\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Other]\n\"K\"=dword:3\n";
    fs::create_directories(file.parent_path());
    Spit(file, text);
    int rewrites = 0;
    auto store = OpenFileSettingsStore(file, [&] { ++rewrites; });
    ASSERT_TRUE(store->KeyExists(HKCU, deep.substr(deep.find('\\') + 1)));

    EXPECT_TRUE(store->DeleteTree(HKCU, kKey));
    EXPECT_EQ(rewrites, 1);
    EXPECT_FALSE(store->KeyExists(HKCU, kKey));
    EXPECT_EQ(DwordOf(store->ReadValue(HKCU, "Software\\Quorrin\\Other", "K")), 3u);
    EXPECT_EQ(Slurp(file).find("Orvanta"), std::string::npos);
    EXPECT_FALSE(store->DeleteTree(HKCU, kKey));  // nothing left: no rewrite
    EXPECT_FALSE(store->DeleteTree(HKCU, ""));    // never a root
    EXPECT_EQ(rewrites, 1);

    // A batch is one rewrite too, and reads after it need no second look at the file.
    ASSERT_TRUE(store->CreateKey(HKCU, kKey));
    EXPECT_EQ(rewrites, 2);
    std::vector<std::pair<std::string, SettingValue>> batch;
    for (int i = 0; i < 50; ++i) batch.emplace_back("N" + std::to_string(i), SettingValue::Dword(i));
    EXPECT_TRUE(store->WriteValues(HKCU, kKey, batch));
    EXPECT_EQ(rewrites, 3);
    EXPECT_TRUE(store->WriteValues(HKCU, kKey, batch));  // nothing new: no rewrite
    EXPECT_EQ(rewrites, 3);
    EXPECT_EQ(DwordOf(store->ReadValue(HKCU, kKey, "n49")), 49u);
    // Another program's change is still seen by the next change.
    auto other = OpenFileSettingsStore(file);
    ASSERT_TRUE(other->WriteValue(HKCU, kKey, "FromOther", SettingValue::Dword(7)));
    ASSERT_TRUE(store->WriteValue(HKCU, kKey, "Mine", SettingValue::Dword(8)));
    EXPECT_EQ(DwordOf(other->ReadValue(HKCU, kKey, "FromOther")), 7u);
    EXPECT_EQ(DwordOf(other->ReadValue(HKCU, kKey, "Mine")), 8u);
}

TEST(SettingsStoreDefault, DeleteTreeGoesDepthFirstWithoutRecursion) {
    // The default used by stores without a tree delete of their own (the registry).
    struct OneByOne : ISettingsStore {
        std::shared_ptr<ISettingsStore> inner = MakeMemorySettingsStore();
        int deletes = 0;
        bool KeyExists(RootKey r, const std::string& p) override { return inner->KeyExists(r, p); }
        bool CreateKey(RootKey r, const std::string& p) override { return inner->CreateKey(r, p); }
        std::optional<SettingValue> ReadValue(RootKey r, const std::string& p,
                                              const std::string& n) override {
            return inner->ReadValue(r, p, n);
        }
        bool WriteValue(RootKey r, const std::string& p, const std::string& n,
                        const SettingValue& v) override {
            return inner->WriteValue(r, p, n, v);
        }
        bool DeleteValue(RootKey r, const std::string& p, const std::string& n) override {
            return inner->DeleteValue(r, p, n);
        }
        std::vector<std::string> SubKeys(RootKey r, const std::string& p) override {
            return inner->SubKeys(r, p);
        }
        bool DeleteKey(RootKey r, const std::string& p) override {
            ++deletes;
            return inner->DeleteKey(r, p);
        }
    } store;
    std::string deep = kKey;
    for (std::size_t i = 3; i < SettingsTree::kMaxDepth; ++i) deep += "\\D";
    ASSERT_TRUE(store.CreateKey(HKCU, deep));
    ASSERT_TRUE(store.CreateKey(HKCU, kKey + "\\Side"));
    ASSERT_TRUE(store.CreateKey(HKCU, "Software\\Keep"));
    EXPECT_TRUE(store.DeleteTree(HKCU, kKey));
    EXPECT_EQ(store.deletes, int(SettingsTree::kMaxDepth) - 3 + 2);
    EXPECT_FALSE(store.KeyExists(HKCU, kKey));
    EXPECT_TRUE(store.KeyExists(HKCU, "Software\\Keep"));
    EXPECT_FALSE(store.DeleteTree(HKCU, kKey));
}

TEST(SettingsPath, EnvironmentOverridesTheDefault) {
    {
        orvanta::test::ScopedEnv env("ORVANTA_SETTINGS", "/tmp/elsewhere/o.reg");
        EXPECT_EQ(SettingsFilePath(), fs::path("/tmp/elsewhere/o.reg"));
    }
    orvanta::test::ScopedEnv unset("ORVANTA_SETTINGS", nullptr);
    orvanta::test::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/xdg-config");
    EXPECT_EQ(SettingsFilePath(), fs::path("/tmp/xdg-config/Quorrin/Orvanta.reg"));
}
