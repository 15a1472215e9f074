#include "orbit/whole_file_text.h"

#include <cstdio>

#if ORVANTA_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace orvanta {

namespace {

class File {
public:
    explicit File(const std::string& path) : f_(std::fopen(path.c_str(), "rb")) {
        if (f_) std::setvbuf(f_, nullptr, _IONBF, 0);  // reads straight into the buffers
    }
    ~File() {
        if (f_) std::fclose(f_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // The file's size, or -1.
    long Size() { return f_ && std::fseek(f_, 0, SEEK_END) == 0 ? std::ftell(f_) : -1; }
    bool Read(long at, void* to, std::size_t n) {
        return std::fseek(f_, at, SEEK_SET) == 0 && std::fread(to, 1, n, f_) == n;
    }
    // Nothing after what was read: the file has not grown since it was sized.
    bool AtEnd() { return std::fgetc(f_) == EOF && !std::ferror(f_); }

private:
    std::FILE* f_;
};

#if ORVANTA_HAVE_LIBDEFLATE
// A gzip file of exactly one member whose text has the trailer's size (ISIZE).
bool InflateOneMember(const unsigned char* in, std::size_t n, std::size_t size,
                      WholeFileText& text) {
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (!inflater) return false;
    text.data = std::make_unique_for_overwrite<char[]>(size);
    std::size_t used = 0, produced = 0;
    const libdeflate_result r =
        libdeflate_gzip_decompress_ex(inflater, in, n, text.data.get(), size, &used, &produced);
    libdeflate_free_decompressor(inflater);
    // Bytes after the member (another member, or the trailing garbage zlib ignores) also go
    // zlib's way.
    if (r != LIBDEFLATE_SUCCESS || used != n || produced != size) return false;
    text.size = size;
    return true;
}
#endif

}  // namespace

bool ReadWholeFileText(const std::string& path, std::size_t maxText, WholeFileText& text) {
    File file(path);
    const long fileSize = file.Size();
    if (fileSize < 0 || static_cast<unsigned long>(fileSize) > maxText) return false;
    const auto n = static_cast<std::size_t>(fileSize);
    unsigned char head[4] = {0, 0, 0, 0};
    if (!file.Read(0, head, n < 4 ? n : 4)) return false;

    if (n < 2 || head[0] != 0x1f || head[1] != 0x8b) {
        // zlib too passes a file without the gzip magic through as it is.
        text.data = std::make_unique_for_overwrite<char[]>(n);
        if (!file.Read(0, text.data.get(), n) || !file.AtEnd()) return false;
        text.size = n;
        return true;
    }
#if ORVANTA_HAVE_LIBDEFLATE
    // zlib checks a header CRC (FHCRC), libdeflate skips it: such a file takes zlib's path.
    constexpr unsigned char kHeaderCrc = 0x02;
    unsigned char tail[4];
    if (n < 18 || (head[3] & kHeaderCrc) || !file.Read(fileSize - 4, tail, 4)) return false;
    const std::size_t size =
        tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<std::size_t>(tail[3]) << 24;
    // Empty, past the limit, or more than deflate can expand to (1032:1): zlib's to judge.
    if (size == 0 || size > maxText || size / 1032 > n) return false;
    const auto gz = std::make_unique_for_overwrite<unsigned char[]>(n);
    return file.Read(0, gz.get(), n) && file.AtEnd() && InflateOneMember(gz.get(), n, size, text);
#else
    return false;
#endif
}

}  // namespace orvanta
