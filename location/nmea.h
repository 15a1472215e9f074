#pragma once
// NMEA 0183 GGA sentences from a GPS receiver: checksum, field reading and the byte stream
// assembler that turns serial input into whole sentences.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// One GGA sentence read by its comma-separated fields, so receivers whose fields are
// shorter or longer than the classic layout (no milliseconds, three-decimal minutes, ...)
// give the same values.
struct GgaFix {
    std::string talker;    // "GP", "GN", ...
    bool hasTime = false;  // UTC time of the fix
    int hours = 0, minutes = 0, seconds = 0, milliseconds = 0;
    int fixQuality = 0;        // 0 = no fix
    bool hasPosition = false;  // always true when fixQuality > 0
    double latitude = 0.0;     // degrees, north positive
    double longitude = 0.0;    // degrees, east positive
    int satellites = 0;
    bool hasHdop = false;
    double hdop = 0.0;  // horizontal dilution of precision
    bool hasAltitude = false;
    int altitudeMetres = 0;  // whole metres above mean sea level, fraction dropped
};

// Above this HDOP the user is asked before the position is taken.
constexpr double kGoodHdopLimit = 3.0;
inline bool HdopNeedsConfirmation(const GgaFix& fix) {
    return fix.hasHdop && fix.hdop > kGoodHdopLimit;
}

// True when the sentence carries no "*hh" checksum (old receivers) or when it matches the
// XOR of the characters between "$" and "*".
bool NmeaChecksumOk(std::string_view sentence);

// The sentence's fields between "$" and "*" (or its end), split at every comma; field 0
// is the address ("GPGGA").
std::vector<std::string_view> SplitNmeaFields(std::string_view sentence);

// True for a "$xxGGA" header with a GNSS talker (GP, GN, GL, GA, GB, BD, GQ, GI).
bool IsGgaHeader(std::string_view sentence);

// Reads a GGA sentence. Empty when it is not a GGA sentence, its checksum does not match,
// or a field it needs is malformed (a fix without a readable position, for instance).
std::optional<GgaFix> ParseGga(std::string_view sentence);

// Collects serial input into sentences: from "$" up to the line end, without CR/LF.
// A "$" inside a line starts over (the receiver resynchronised); a line that grows past
// kMaxSentence characters is dropped rather than kept growing.
class NmeaSentenceAssembler {
public:
    static constexpr std::size_t kMaxSentence = 1024;

    // Returns the sentences completed by these bytes, oldest first.
    std::vector<std::string> Feed(std::string_view bytes);
    void Clear() {
        current_.clear();
        inSentence_ = false;
    }

private:
    std::string current_;
    bool inSentence_ = false;
};

// Waits for the first usable GGA sentence in a byte stream: whole, checksum valid,
// readable. Everything else (RMC, GSV, damaged lines) is skipped.
class GgaCapture {
public:
    // True once a sentence has been captured; further input is ignored.
    bool Feed(std::string_view bytes);
    bool Done() const { return fix_.has_value(); }
    const std::string& Sentence() const { return sentence_; }
    const GgaFix& Fix() const { return *fix_; }
    int SkippedSentences() const { return skipped_; }

private:
    NmeaSentenceAssembler assembler_;
    std::string sentence_;
    std::optional<GgaFix> fix_;
    int skipped_ = 0;
};

}  // namespace orvanta
