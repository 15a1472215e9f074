#include "gzip_test_util.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orvanta::test {

namespace {
Bytes RawDeflate(const std::string& content) {
    z_stream zs{};
    if (deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&zs, content.size()) + 16);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    zs.avail_in = static_cast<uInt>(content.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Header(const GzipOptions& o) {
    std::uint8_t flags = o.flags;
    if (!o.extra.empty()) flags |= 0x04;
    if (!o.name.empty()) flags |= 0x08;
    if (!o.comment.empty()) flags |= 0x10;
    Bytes h = {0x1F, 0x8B, o.method, flags, 0x12, 0x34, 0x56, 0x78, 0x02, 0x03};
    if (!o.extra.empty()) {
        h.push_back(static_cast<std::uint8_t>(o.extra.size()));
        h.push_back(static_cast<std::uint8_t>(o.extra.size() >> 8));
        h.insert(h.end(), o.extra.begin(), o.extra.end());
    }
    if (!o.name.empty()) {
        h.insert(h.end(), o.name.begin(), o.name.end());
        h.push_back(0);
    }
    if (!o.comment.empty()) {
        h.insert(h.end(), o.comment.begin(), o.comment.end());
        h.push_back(0);
    }
    return h;
}
}  // namespace

Bytes MakeGzip(const std::string& content, const GzipOptions& options) {
    Bytes b = Header(options);
    Bytes body = RawDeflate(content);
    b.insert(b.end(), body.begin(), body.end());
    Put32(b, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                              static_cast<uInt>(content.size()))));
    Put32(b, static_cast<std::uint32_t>(content.size()));
    return b;
}

std::size_t GzipHeaderSize(const GzipOptions& options) {
    return Header(options).size();
}

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
std::string ToString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteZeroGzip(const std::string& path, std::uint64_t size) {
    z_stream zs{};
    // Window bits 31: zlib writes the gzip header and trailer itself. Level 1 is quick and
    // still packs zeros a thousandfold.
    if (deflateInit2(&zs, 1, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const Bytes zeros(1 << 20, 0);
    Bytes buffer(1 << 16);
    for (;;) {
        const std::uint64_t chunk = std::min<std::uint64_t>(size, zeros.size());
        size -= chunk;
        zs.next_in = const_cast<Bytef*>(zeros.data());
        zs.avail_in = static_cast<uInt>(chunk);
        const int flush = size == 0 ? Z_FINISH : Z_NO_FLUSH;
        int ret;
        do {
            zs.next_out = buffer.data();
            zs.avail_out = static_cast<uInt>(buffer.size());
            ret = deflate(&zs, flush);
            out.write(reinterpret_cast<const char*>(buffer.data()),
                      static_cast<std::streamsize>(buffer.size() - zs.avail_out));
        } while (zs.avail_out == 0);
        if (flush == Z_FINISH) {
            if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
            break;
        }
    }
    deflateEnd(&zs);
    if (!out.flush()) throw std::runtime_error("write " + path);
}

}  // namespace orvanta::test
