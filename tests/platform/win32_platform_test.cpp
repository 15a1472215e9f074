// The Windows implementations of the OS layer, checked against the system's own calls (under
// Wine in CI: its registry and zone in a private prefix, loopback sockets only).
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/directories.h"
#include "platform/icmp_socket.h"
#include "platform/settings_store.h"
#include "platform/tcp_stream.h"
#include "platform/time_zone.h"

namespace orvanta::platform {
namespace {

namespace fs = std::filesystem;

// --- Registry -----------------------------------------------------------------------------

TEST(Win32Registry, ValuesLandInTheCurrentUsersRegistryAndTheTreeGoes) {
    const std::string key = "Software\\Quorrin\\OrvantaTest" + std::to_string(GetCurrentProcessId());
    auto store = OpenUserSettingsStore();
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->CreateKey(RootKey::CurrentUser, key + "\\Sub"));
    ASSERT_TRUE(store->WriteValue(RootKey::CurrentUser, key, "Count", SettingValue::Dword(0x01020304)));
    ASSERT_TRUE(store->WriteValue(RootKey::CurrentUser, key, "Name", SettingValue::String("Zarya")));
    const std::uint8_t blob[] = {0, 1, 254, 255};
    ASSERT_TRUE(store->WriteValue(RootKey::CurrentUser, key, "Blob", SettingValue::Binary(blob, 4)));

    // What the registry itself holds.
    DWORD dword = 0, size = sizeof dword;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Count", RRF_RT_REG_DWORD, nullptr,
                           &dword, &size), ERROR_SUCCESS);
    EXPECT_EQ(dword, 0x01020304u);
    char text[16] = {};
    size = sizeof text;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Name", RRF_RT_REG_SZ, nullptr, text,
                           &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "Zarya");

    EXPECT_EQ(store->ReadValue(RootKey::CurrentUser, key, "Blob"), SettingValue::Binary(blob, 4));
    EXPECT_EQ(store->ReadValue(RootKey::CurrentUser, key, "Name"), SettingValue::String("Zarya"));
    EXPECT_FALSE(store->ReadValue(RootKey::CurrentUser, key, "Missing").has_value());
    EXPECT_EQ(store->SubKeys(RootKey::CurrentUser, key), std::vector<std::string>{"Sub"});
    EXPECT_TRUE(store->DeleteValue(RootKey::CurrentUser, key, "Count"));
    EXPECT_FALSE(store->ReadValue(RootKey::CurrentUser, key, "Count").has_value());
    EXPECT_FALSE(store->DeleteKey(RootKey::CurrentUser, key)) << "a key with sub-keys stays";

    EXPECT_TRUE(store->DeleteTree(RootKey::CurrentUser, key));
    EXPECT_FALSE(store->KeyExists(RootKey::CurrentUser, key));
    HKEY h = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
}

// --- Directories --------------------------------------------------------------------------

TEST(Win32Directories, UserFoldersAreInAppDataAndTempDirsArePrivateAndGo) {
    const char* appData = std::getenv("APPDATA");
    ASSERT_TRUE(appData && *appData) << "Windows (and Wine) set %APPDATA%";
    EXPECT_TRUE(fs::equivalent(UserConfigDirectory(), appData));
    EXPECT_EQ(UserDataDirectory(), UserConfigDirectory() / "Orvanta");

    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, MAX_PATH), 0u);
    EXPECT_TRUE(fs::equivalent(ExecutableDirectory(), fs::path(exe).parent_path()));

    fs::path made;
    {
        PrivateTempDir dir;
        ASSERT_TRUE(dir.Ok());
        made = dir.Path();
        EXPECT_TRUE(fs::is_directory(made));
        // %TEMP% comes with a trailing backslash.
        EXPECT_EQ(made.parent_path() / "", fs::temp_directory_path() / "");
        EXPECT_TRUE(IsWritableDirectory(made));
    }
    EXPECT_FALSE(fs::exists(made));
}

// --- Time zone ----------------------------------------------------------------------------

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097LL + doe - 719468;
}

// A transition rule ("the wDay-th wDayOfWeek of wMonth at wHour:wMinute", week 5 = the last)
// in the given year, as minutes since 1970 of local wall time.
long long RuleMinutes(const SYSTEMTIME& rule, int year) {
    const long long first = DaysFromCivil(year, rule.wMonth, 1);
    const int firstWeekday = int((first + 4) % 7);  // 1970-01-01 was a Thursday
    int day = 1 + (rule.wDayOfWeek - firstWeekday + 7) % 7 + (rule.wDay - 1) * 7;
    const int monthDays = int(DaysFromCivil(year + (rule.wMonth == 12), rule.wMonth % 12 + 1, 1) - first);
    while (day > monthDays) day -= 7;
    return (first + day - 1) * 1440 + rule.wHour * 60 + rule.wMinute;
}

TEST(Win32TimeZone, OffsetFollowsTheBiasAndDaylightRuleTheSystemReports) {
    TIME_ZONE_INFORMATION tzi{};
    ASSERT_NE(GetTimeZoneInformation(&tzi), TIME_ZONE_ID_INVALID);
    const auto zone = SystemTimeZone();
    const bool hasDaylight = tzi.DaylightDate.wMonth != 0 && tzi.DaylightBias != tzi.StandardBias;
    // Daylight time starts at a standard-time wall clock and ends at a daylight one (UTC
    // minutes of 2026).
    const long long on =
        hasDaylight ? RuleMinutes(tzi.DaylightDate, 2026) + tzi.Bias + tzi.StandardBias : 0;
    const long long off =
        hasDaylight ? RuleMinutes(tzi.StandardDate, 2026) + tzi.Bias + tzi.DaylightBias : 0;
    // Every five days through 2026, and either side of each transition.
    std::vector<long long> minutes;
    for (long long t = DaysFromCivil(2026, 1, 1) * 1440; t < DaysFromCivil(2027, 1, 1) * 1440;
         t += 5 * 1440)
        minutes.push_back(t);
    if (hasDaylight)
        for (long long edge : {on, off}) minutes.insert(minutes.end(), {edge - 1, edge, edge + 1});
    int daylightSeen = 0;
    for (long long m : minutes) {
        const bool daylight =
            hasDaylight && (on < off ? (m >= on && m < off) : !(m >= off && m < on));
        const ZoneInfo z = zone->At(m * 60);
        ASSERT_TRUE(z.known);
        EXPECT_EQ(z.daylight, daylight) << "minute " << m;
        EXPECT_EQ(z.utcOffsetMinutes, -(tzi.Bias + (daylight ? tzi.DaylightBias : tzi.StandardBias)))
            << "minute " << m;
        daylightSeen += daylight;
    }
    if (hasDaylight) {
        EXPECT_GT(daylightSeen, 0);
    }
    char name[64] = {};
    WideCharToMultiByte(CP_UTF8, 0, tzi.StandardName, -1, name, sizeof name, nullptr, nullptr);
    EXPECT_EQ(zone->At(0).standardName, name);
}

// --- TCP ----------------------------------------------------------------------------------

class Win32Tcp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartNetworking());
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_NE(listener_, INVALID_SOCKET);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
        int len = sizeof sa;
        ASSERT_EQ(::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len), 0);
        port_ = ntohs(sa.sin_port);
        ASSERT_EQ(::listen(listener_, 1), 0);
    }
    void TearDown() override {
        if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    }
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
};

TEST_F(Win32Tcp, SendsReceivesTimesOutAndSeesTheClose) {
    std::string error;
    auto stream = ConnectTcp("127.0.0.1", port_, 2000, error);
    ASSERT_TRUE(stream) << error;
    SOCKET peer = ::accept(listener_, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);

    const std::string big(300000, 'x');  // more than the socket buffers take at once
    std::string got;
    std::thread reader([&] {
        char buf[65536];
        for (int n; got.size() < big.size() && (n = ::recv(peer, buf, sizeof buf, 0)) > 0;)
            got.append(buf, std::size_t(n));
    });
    EXPECT_TRUE(stream->Send(big, 5000, error)) << error;
    reader.join();
    EXPECT_EQ(got, big);

    bool closed = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stream->Receive(200, closed, error), "");
    EXPECT_FALSE(closed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    ASSERT_EQ(::send(peer, "RPRT 0\n", 7, 0), 7);
    EXPECT_EQ(stream->Receive(2000, closed, error), "RPRT 0\n");
    ::closesocket(peer);
    EXPECT_EQ(stream->Receive(2000, closed, error), "");
    EXPECT_TRUE(closed);
}

TEST_F(Win32Tcp, RefusedPortAndUnknownHostFailWithAReason) {
    ::closesocket(listener_);
    listener_ = INVALID_SOCKET;
    std::string error;
    EXPECT_FALSE(ConnectTcp("127.0.0.1", port_, 2000, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ConnectTcp("no-such-host.invalid", 4533, 2000, error));
    EXPECT_NE(error.find("no-such-host.invalid"), std::string::npos) << error;
}

// --- ICMP ---------------------------------------------------------------------------------

TEST(Win32Icmp, EchoToLoopbackComesBackAsAnIpPacket) {
    std::string why;
    auto socket = OpenIcmpSocket(IcmpSocketKind::Automatic, &why);
    if (!socket) GTEST_SKIP() << "no ICMP socket here: " << why;
    EXPECT_EQ(socket->Kind(), IcmpSocketKind::Raw);
    EXPECT_EQ(socket->KernelIdentifier(), -1);
    EXPECT_TRUE(socket->SetTimeToLive(64));
    // Echo request: type 8, code 0, checksum, identifier, sequence, payload.
    std::vector<std::uint8_t> echo = {8, 0, 0, 0, 0x4F, 0x52, 0, 1, 'o', 'r', 'v', 'a'};
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < echo.size(); i += 2) sum += (echo[i] << 8) | echo[i + 1];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    echo[2] = std::uint8_t(~sum >> 8);
    echo[3] = std::uint8_t(~sum);
    ASSERT_TRUE(socket->Send(echo, {127, 0, 0, 1}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        IcmpDatagram d;
        const IcmpReceive r = socket->Receive(500, d);
        if (r == IcmpReceive::TimedOut) continue;
        ASSERT_EQ(r, IcmpReceive::Message);
        ASSERT_EQ(d.form, IcmpDatagram::Form::IpPacket);
        ASSERT_GE(d.bytes.size(), 20u);
        const std::size_t ihl = (d.bytes[0] & 0x0F) * 4u;
        if (d.bytes.size() < ihl + echo.size() || d.bytes[ihl] != 0) continue;  // our request
        EXPECT_EQ(d.from, (Ipv4Address{127, 0, 0, 1}));
        EXPECT_EQ(std::memcmp(&d.bytes[ihl + 4], &echo[4], echo.size() - 4), 0);
        return;
    }
    GTEST_SKIP() << "no echo reply from 127.0.0.1 within 3 s (the system's ICMP emulation may not answer)";
}

TEST(Win32Icmp, NamesResolveAndDottedAddressesPassAsTheyAre) {
    Ipv4Address a{};
    ASSERT_TRUE(ResolveIpv4("192.0.2.7", a));
    EXPECT_EQ(a, (Ipv4Address{192, 0, 2, 7}));
    ASSERT_TRUE(ResolveIpv4("localhost", a));
    EXPECT_EQ(a[0], 127);
    EXPECT_FALSE(ResolveIpv4("", a));
    EXPECT_EQ(ProcessIdentifier16(), std::uint16_t(GetCurrentProcessId()));
}

}  // namespace
}  // namespace orvanta::platform
