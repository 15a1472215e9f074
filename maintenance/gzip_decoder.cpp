#include "maintenance/gzip_decoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "maintenance/unzip.h"

namespace orvanta {

namespace {

constexpr std::size_t IN_CHUNK = 64 * 1024;
constexpr std::size_t OUT_CHUNK = 256 * 1024;

// Header flag bits. 0x02 marks a continuation of a multi-part file, 0x20 an encrypted one
// (the meanings of the original gzip program); neither, nor the reserved bits, is decoded.
constexpr int FLAG_CONTINUATION = 0x02;
constexpr int FLAG_EXTRA = 0x04;
constexpr int FLAG_NAME = 0x08;
constexpr int FLAG_COMMENT = 0x10;
constexpr int FLAG_ENCRYPTED = 0x20;
constexpr int FLAG_RESERVED = 0xC0;

// Buffered input; the inflater reads straight from the same buffer.
class Input {
public:
    explicit Input(const GunzipReadFn& read) : read_(read), buffer_(IN_CHUNK) {}

    // Next byte, or -1 at end of input.
    int Byte() {
        if (pos_ == end_ && !Fill()) return -1;
        return buffer_[pos_++];
    }
    bool Skip(std::size_t n) {
        while (n > 0) {
            if (pos_ == end_ && !Fill()) return false;
            std::size_t step = std::min(n, end_ - pos_);
            pos_ += step;
            n -= step;
        }
        return true;
    }
    bool SkipString() {
        for (;;) {
            int c = Byte();
            if (c < 0) return false;
            if (c == 0) return true;
        }
    }
    // Little-endian 32-bit value; false when the input ends first.
    bool Uint32(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            int c = Byte();
            if (c < 0) return false;
            value |= std::uint32_t(c) << (8 * i);
        }
        return true;
    }
    bool Fill() {
        pos_ = 0;
        end_ = read_(buffer_.data(), buffer_.size());
        if (end_ > buffer_.size()) end_ = 0;  // a misbehaving reader counts as end of input
        return end_ > 0;
    }
    std::uint8_t* Data() { return buffer_.data() + pos_; }
    std::size_t Available() const { return end_ - pos_; }
    void Consume(std::size_t n) { pos_ += n; }

private:
    const GunzipReadFn& read_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

bool ReadHeader(Input& in) {
    if (in.Byte() != 0x1F || in.Byte() != 0x8B) return false;
    if (in.Byte() != Z_DEFLATED) return false;
    int flags = in.Byte();
    if (flags < 0) return false;
    if (flags & (FLAG_CONTINUATION | FLAG_ENCRYPTED | FLAG_RESERVED)) return false;
    if (!in.Skip(6)) return false;  // modification time, extra flags, operating system
    if (flags & FLAG_EXTRA) {
        int lo = in.Byte();
        int hi = in.Byte();
        if (lo < 0 || hi < 0 || !in.Skip(std::size_t(lo) | std::size_t(hi) << 8)) return false;
    }
    if ((flags & FLAG_NAME) && !in.SkipString()) return false;
    if ((flags & FLAG_COMMENT) && !in.SkipString()) return false;
    return true;
}

struct Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
};

}  // namespace

GunzipStatus GunzipFirstMember(const GunzipReadFn& read, const GunzipWriteFn& write) {
    Input in(read);
    if (!ReadHeader(in)) return GunzipStatus::NotGzip;

    Inflater inflater;
    if (!inflater.ready) return GunzipStatus::Corrupt;
    z_stream& zs = inflater.stream;
    std::vector<std::uint8_t> out(OUT_CHUNK);
    std::uint32_t crc = crc32(0L, Z_NULL, 0);
    std::uint32_t length = 0;  // modulo 2^32, as the trailer keeps it

    for (;;) {
        if (in.Available() == 0 && !in.Fill()) return GunzipStatus::Corrupt;  // truncated
        std::size_t offered = std::min<std::size_t>(in.Available(), 1u << 30);
        zs.next_in = in.Data();
        zs.avail_in = static_cast<uInt>(offered);
        int ret;
        do {
            zs.next_out = out.data();
            zs.avail_out = static_cast<uInt>(out.size());
            ret = inflate(&zs, Z_NO_FLUSH);
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
                return GunzipStatus::Corrupt;  // data error, dictionary request, no memory
            std::size_t produced = out.size() - zs.avail_out;
            if (produced > 0) {
                if (!write(out.data(), produced)) return GunzipStatus::Corrupt;
                crc = crc32(crc, out.data(), static_cast<uInt>(produced));
                length += static_cast<std::uint32_t>(produced);
            }
        } while (ret != Z_STREAM_END && zs.avail_out == 0);
        in.Consume(offered - zs.avail_in);
        if (ret == Z_STREAM_END) break;
    }

    std::uint32_t storedCrc = 0;
    std::uint32_t storedLength = 0;
    if (!in.Uint32(storedCrc) || !in.Uint32(storedLength)) return GunzipStatus::Corrupt;
    if (storedCrc != crc || storedLength != length) return GunzipStatus::Corrupt;
    return GunzipStatus::Ok;
}

std::vector<std::uint8_t> GunzipBuffer(const std::uint8_t* data, std::size_t size,
                                       std::size_t maxOutput) {
    std::size_t offset = 0;
    std::vector<std::uint8_t> result;
    bool overLimit = false;
    GunzipStatus status = GunzipFirstMember(
        [&](std::uint8_t* buffer, std::size_t capacity) {
            std::size_t n = data ? std::min(capacity, size - offset) : 0;
            if (n) std::memcpy(buffer, data + offset, n);
            offset += n;
            return n;
        },
        [&](const std::uint8_t* bytes, std::size_t n) {
            if (n > maxOutput - result.size()) {
                overLimit = true;
                return false;
            }
            result.insert(result.end(), bytes, bytes + n);
            return true;
        });
    if (overLimit) throw CZipException(UnzipLimitMessage(maxOutput));
    if (status == GunzipStatus::NotGzip) throw CZipException("problem while unzipping file");
    if (status == GunzipStatus::Corrupt)
        throw CZipException("problem with zipping/unzipping operation : 1");
    return result;
}

}  // namespace orvanta
