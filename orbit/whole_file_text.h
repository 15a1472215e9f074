#pragma once
// A file's whole text in one piece, for the element file reader: a plain file as it is, a
// gzip file of one member inflated in one call by libdeflate (about twice as fast as zlib's
// stream). Whatever it cannot take (no libdeflate in this build, several members, a header
// CRC, damage of any kind, more than the caller's limit) is left to the zlib stream, which
// also words the errors.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orvanta {

struct WholeFileText {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;

    std::string_view View() const { return {data.get(), size}; }
};

// True with the file's text; false when the file is to be read through zlib instead.
bool ReadWholeFileText(const std::string& path, std::size_t maxText, WholeFileText& text);

}  // namespace orvanta
