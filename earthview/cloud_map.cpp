#include "earthview/cloud_map.h"

#include <cmath>
#include <cstring>
#include <fstream>

#include "common/time_format.h"
#include "orbit/julian_date.h"

namespace orvanta {

std::vector<std::string> ParseCloudServerList(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size() && static_cast<int>(lines.size()) < kCloudServerListMaxLines) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line.erase(0, first);
        if (line.size() > 1023) line.resize(1023);
        lines.push_back(std::move(line));
    }
    return lines;
}

int PickCloudServer(int count, int random) {
    if (count <= 1) return 0;
    const int k = static_cast<int>(random / 32767.0 * (count - 1));
    return k < 0 ? 0 : (k >= count ? count - 1 : k);
}

std::optional<double> CloudMapTimestamp(const std::vector<std::uint8_t>& file, double nowJulian) {
    constexpr std::size_t kOffset = 174, kLength = 15;
    if (file.size() < kOffset + kLength) return std::nullopt;
    const char* s = reinterpret_cast<const char*>(file.data()) + kOffset;
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (std::memcmp(kMonths + 3 * m, s, 3) == 0) month = m + 1;
    auto two = [&](int at, int& value) {
        if (s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return false;
        value = (s[at] - '0') * 10 + (s[at + 1] - '0');
        return true;
    };
    int day, hour, minute, second;
    if (month == 0 || !two(4, day) || !two(7, hour) || !two(10, minute) || !two(13, second))
        return std::nullopt;
    if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    int year = 0;
    cJulianDate::FromJd(nowJulian).ToCalendar(year);
    auto make = [&](int y) {
        SystemTime t;
        t.wYear = static_cast<std::uint16_t>(y);
        t.wMonth = static_cast<std::uint16_t>(month);
        t.wDay = static_cast<std::uint16_t>(day);
        t.wHour = static_cast<std::uint16_t>(hour);
        t.wMinute = static_cast<std::uint16_t>(minute);
        t.wSecond = static_cast<std::uint16_t>(second);
        return cJulianDate(t).Date();
    };
    double jd = make(year);
    if (jd > nowJulian + 1.0) jd = make(year - 1);
    return jd;
}

bool CloudDownloadDue(const CloudBookkeeping& b, double nowJulian, bool cloudsShown) {
    return nowJulian > b.mapTime + 0.125 && nowJulian > b.lastSuccess + 0.08333 && cloudsShown &&
           nowJulian > b.lastAttempt + 0.0034722;
}


LoadedCloudMap LoadCloudMapFile(const std::filesystem::path& file, double nowJulian) {
    LoadedCloudMap loaded;
    loaded.map = DecodeJpegFile(file);
    if (!loaded.map) return loaded;
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> head(200);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (const auto time = CloudMapTimestamp(head, nowJulian)) {
        loaded.time = *time;
        loaded.line = "Cloudmap: " + FormatDateTime(cJulianDate::FromJd(*time));
    } else {
        // A map without a readable stamp is shown, and a fresh one is due at once.
        loaded.line = "Cloudmap: unknown time";
    }
    return loaded;
}

}  // namespace orvanta
