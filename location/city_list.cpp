#include "location/city_list.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "common/event_log.h"
#include "maintenance/unzip.h"

namespace orvanta {

std::vector<std::string> SplitCityFields(const std::string& entry) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = entry.find(',', start);
        if (comma == std::string::npos) {
            fields.push_back(entry.substr(start));
            return fields;
        }
        fields.push_back(entry.substr(start, comma - start));
        start = comma + 1;
    }
}

std::optional<CityLocationText> CityLocationFields(const std::string& entry) {
    auto fields = SplitCityFields(entry.substr(0, kMaxCityEntry));
    if (fields.size() < 5) return std::nullopt;
    return CityLocationText{fields[2], fields[3], fields[4]};
}

std::vector<std::string> ReadCityLines(std::istream& in) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.size() > kMaxCityLine) line.resize(kMaxCityLine);
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> LoadCityList(const std::string& compressed,
                                      const std::filesystem::path& workDir) {
    namespace fs = std::filesystem;
    const fs::path workFile = workDir / kCityWorkFileName;
    const fs::path unzipped = workDir / (std::string(kCityWorkFileName) + "1");
    std::error_code ec;
    // A left-over target from an interrupted run would make the decompression refuse.
    fs::remove(unzipped, ec);

    {
        std::ofstream out(workFile, std::ios::binary | std::ios::trunc);
        if (out) out.write(compressed.data(), static_cast<std::streamsize>(compressed.size()));
        if (!out || !out.flush()) {
            LogEvent(kCityListUnableText, LOG_ERROR);
            fs::remove(workFile, ec);
            return {};
        }
    }

    try {
        CUnzip(workFile.string()).Run(unzipped.string());
    } catch (const CZipException& e) {
        char text[256];
        std::snprintf(text, sizeof text, kCityListErrorText, e.Message());
        LogEvent(text, LOG_ERROR);
    }

    std::vector<std::string> lines;
    {
        std::ifstream in(unzipped);
        if (!in)
            LogEvent(kCityListOpenText, LOG_ERROR);
        else
            lines = ReadCityLines(in);
    }
    fs::remove(unzipped, ec);
    fs::remove(workFile, ec);
    return lines;
}

}  // namespace orvanta
