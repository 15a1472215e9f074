#include "skyview/star_catalogue.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

#include "common/event_log.h"
#include "maintenance/unzip.h"

namespace orvanta {

namespace {

std::int32_t ReadInt32(const std::uint8_t* p) {
    const std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                            std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(v);
}

void WriteInt32(std::int32_t value, std::uint8_t* p) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

double ReadDouble(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void WriteDouble(double value, std::uint8_t* p) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::string UpToNul(const char* text, std::size_t size) {
    std::size_t n = 0;
    while (n < size && text[n] != '\0') ++n;
    return std::string(text, n);
}

std::mutex& CatalogueLock() {
    static std::mutex lock;
    return lock;
}

std::shared_ptr<StarCatalogue>& CatalogueSlot() {
    static std::shared_ptr<StarCatalogue> slot;
    return slot;
}

}  // namespace

std::string StarRecord::Bayer() const {
    return UpToNul(bayer.data(), bayer.size());
}

std::string StarRecord::Constellation() const {
    return UpToNul(constellation.data(), constellation.size());
}

StarRecord DecodeStarRecord(const std::uint8_t* b) {
    StarRecord s;
    s.flamsteedTens = ReadInt32(b);
    std::memcpy(s.bayer.data(), b + 4, 5);
    std::memcpy(s.constellation.data(), b + 9, 4);
    s.hd = ReadInt32(b + 16);
    s.sao = ReadInt32(b + 20);
    s.raHours = ReadDouble(b + 24);
    s.decDegrees = ReadDouble(b + 32);
    s.magnitude = ReadDouble(b + 40);
    return s;
}

void EncodeStarRecord(const StarRecord& s, std::uint8_t* b) {
    std::memset(b, 0, STAR_RECORD_SIZE);
    WriteInt32(s.flamsteedTens, b);
    std::memcpy(b + 4, s.bayer.data(), 5);
    std::memcpy(b + 9, s.constellation.data(), 4);
    WriteInt32(s.hd, b + 16);
    WriteInt32(s.sao, b + 20);
    WriteDouble(s.raHours, b + 24);
    WriteDouble(s.decDegrees, b + 32);
    WriteDouble(s.magnitude, b + 40);
}

std::unique_ptr<StarCatalogue> ParseStarFile(const std::string& bytes) {
    auto c = std::make_unique<StarCatalogue>();
    c->table.resize(STAR_CAPACITY);
    c->boxes.resize(STAR_CAPACITY);
    const std::size_t whole = std::min<std::size_t>(bytes.size() / STAR_RECORD_SIZE, STAR_CAPACITY);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t i = 0; i < whole; ++i)
        c->table[i] = DecodeStarRecord(data + i * STAR_RECORD_SIZE);
    // The view walks the whole table whatever the file held; unfilled records stay zero.
    c->count = STAR_CAPACITY;
    return c;
}

std::unique_ptr<StarCatalogue> LoadStarCatalogue(const std::string& compressed,
                                                 const std::filesystem::path& workDir) {
    namespace fs = std::filesystem;
    const fs::path workFile = workDir / kStarWorkFileName;
    const fs::path unzipped = workDir / (std::string(kStarWorkFileName) + "unz");
    std::error_code ec;
    // A left-over target from an interrupted run would make the decompression refuse.
    fs::remove(unzipped, ec);

    {
        std::ofstream out(workFile, std::ios::binary | std::ios::trunc);
        if (!out) {
            LogEvent(kStarExtractFailedText, LOG_ERROR);
            return nullptr;
        }
        out.write(compressed.data(), static_cast<std::streamsize>(compressed.size()));
        if (!out.flush()) {
            LogEvent(kStarExtractFailedText, LOG_ERROR);
            fs::remove(workFile, ec);
            return nullptr;
        }
    }

    try {
        CUnzip(workFile.string()).Run(unzipped.string());
    } catch (const CZipException& e) {
        char text[256];
        std::snprintf(text, sizeof text, kStarZipErrorText, e.Message());
        LogEvent(text, LOG_ERROR);
        // Work files live in a private temporary directory, so unlike a program directory
        // nothing is left behind for the next start to trip over.
        fs::remove(unzipped, ec);
        fs::remove(workFile, ec);
        return nullptr;
    }

    std::string bytes;
    {
        std::ifstream in(unzipped, std::ios::binary);
        if (!in) {
            LogEvent(kStarOpenFailedText, LOG_ERROR);
            fs::remove(workFile, ec);
            return nullptr;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove(unzipped, ec);
    fs::remove(workFile, ec);

    auto catalogue = ParseStarFile(bytes);
    char text[128];
    std::snprintf(text, sizeof text, kStarsLoadedText, catalogue->count);
    LogEvent(text, LOG_INFORMATION);
    return catalogue;
}

void SetStarCatalogue(std::shared_ptr<StarCatalogue> catalogue) {
    std::lock_guard<std::mutex> hold(CatalogueLock());
    CatalogueSlot() = std::move(catalogue);
}

std::shared_ptr<StarCatalogue> GetStarCatalogue() {
    std::lock_guard<std::mutex> hold(CatalogueLock());
    return CatalogueSlot();
}

}  // namespace orvanta
