#include "maintenance/unzip.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "maintenance/gzip_decoder.h"

namespace orvanta {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

CZipException::CZipException(const std::string& message) {
    std::size_t n = std::min(message.size(), sizeof message_ - 1);
    std::memcpy(message_, message.data(), n);
    message_[n] = '\0';
}

void CMamaZip::Run(const std::string& targetName) {
    if (targetName == sourceName_)
        throw CZipException("target name must be different than source name");

    FilePtr in(std::fopen(sourceName_.c_str(), "rb"));
    if (!in) throw CZipException("unable to open source file");

    // "x": exclusive creation, so a stale or foreign file is never overwritten.
    FilePtr out(std::fopen(targetName.c_str(), "w+bx"));
    if (!out) throw CZipException("unable to create target file");
    std::error_code ec;
    std::filesystem::permissions(
        targetName, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
        std::filesystem::perm_options::replace, ec);

    int result = Operate(in.get(), out.get());
    in.reset();
    bool flushed = std::fclose(out.release()) == 0;
    if (result != 0) {
        char text[128];
        std::snprintf(text, sizeof text, "problem while %s file", OperationName());
        throw CZipException(text);
    }
    if (!flushed) throw CZipException("problem with zipping/unzipping operation : 1");
}

int CUnzip::Operate(std::FILE* in, std::FILE* out) {
    GunzipStatus status = GunzipFirstMember(
        [in](std::uint8_t* buffer, std::size_t capacity) {
            return std::fread(buffer, 1, capacity, in);
        },
        [out](const std::uint8_t* data, std::size_t size) {
            return std::fwrite(data, 1, size, out) == size;
        });
    switch (status) {
        case GunzipStatus::Ok:
            return 0;
        case GunzipStatus::NotGzip:
            return 1;
        case GunzipStatus::Corrupt:
            break;
    }
    throw CZipException("problem with zipping/unzipping operation : 1");
}

}  // namespace orvanta
