#pragma once
// The built-in bright star catalogue (Yale Bright Star Catalogue, 5th revised edition):
// 9110 records of 48 little-endian bytes, record i holding the star HR i + 1. The file is
// kept in memory in its own form, so the Sky view walks it every second without any
// per-star conversion at load time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/pass_record.h"

namespace orvanta {

inline constexpr std::size_t STAR_RECORD_SIZE = 48;
inline constexpr std::int32_t STAR_CAPACITY = 9110;

struct StarRecord {
    std::int32_t flamsteedTens = 0;    // Flamsteed number div 10; never read by the program
    std::array<char, 5> bayer{};       // "Alp " and NUL; four blanks where there is none
    std::array<char, 4> constellation{};  // "CMa" and NUL
    std::int32_t hd = 0;
    std::int32_t sao = 0;              // 0 where there is none
    double raHours = 0.0;              // J2000, 0 <= ra < 24
    double decDegrees = 0.0;           // J2000
    double magnitude = 0.0;            // visual

    // A withdrawn entry (or a record the file did not fill): every number zero. Read as a
    // star it would be a bright false star at 0 h, 0 degrees, so drawing and tooltips skip it.
    bool IsZero() const {
        return hd == 0 && sao == 0 && raHours == 0.0 && decDegrees == 0.0 && magnitude == 0.0;
    }
    std::string Bayer() const;          // up to the NUL
    std::string Constellation() const;  // up to the NUL
};

// Explicit little-endian (de)serialisation of one record.
StarRecord DecodeStarRecord(const std::uint8_t* bytes);
void EncodeStarRecord(const StarRecord& star, std::uint8_t* bytes);

// The shared tables the loader builds and the Sky view reads. table holds STAR_CAPACITY
// records, zero where the file did not fill them; boxes one screen box per record,
// rewritten by each repaint; count the records the view walks (the capacity).
struct StarCatalogue {
    std::vector<StarRecord> table;
    std::vector<ScreenBox> boxes;
    std::int32_t count = 0;
};

// Reads up to STAR_CAPACITY whole records from a decompressed star file's bytes.
std::unique_ptr<StarCatalogue> ParseStarFile(const std::string& bytes);

inline constexpr char kStarWorkFileName[] = "YBSC";
inline constexpr char kStarExtractFailedText[] = "Failed to extract YBSC from resource!";
inline constexpr char kStarOpenFailedText[] = "Failed to open the YBSC catalog file!";
inline constexpr char kStarZipErrorText[] = "YBSC error: %s";
inline constexpr char kStarsLoadedText[] = "%i stars loaded from the Yale Bright Star Catalog";

// Writes the compressed resource to workDir/YBSC, decompresses it into workDir/YBSCunz,
// reads the table and deletes both files. Outcome in the event log only; null when no
// table could be built.
std::unique_ptr<StarCatalogue> LoadStarCatalogue(const std::string& compressed,
                                                 const std::filesystem::path& workDir);

// The process-wide catalogue, loaded once at start-up; null when the load failed.
void SetStarCatalogue(std::shared_ptr<StarCatalogue> catalogue);
std::shared_ptr<StarCatalogue> GetStarCatalogue();

}  // namespace orvanta
