#include "maintenance/unzip.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "maintenance/gzip_decoder.h"
#include "platform/exclusive_file.h"

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

    // Exclusive creation, so a stale or foreign file is never overwritten.
    FilePtr out(platform::CreateNewFile(targetName));
    if (!out) throw CZipException("unable to create target file");
    std::error_code ec;
    std::filesystem::permissions(
        targetName, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
        std::filesystem::perm_options::replace, ec);

    // Whatever goes wrong from here, the half-written target must not pass for a result.
    auto fail = [&](const std::string& message) {
        out.reset();
        std::error_code ignored;
        std::filesystem::remove(targetName, ignored);
        throw CZipException(message);
    };
    int result = 0;
    try {
        result = Operate(in.get(), out.get());
    } catch (const CZipException& e) {
        fail(e.Message());
    }
    in.reset();
    bool flushed = std::fclose(out.release()) == 0;
    if (result != 0) {
        char text[128];
        std::snprintf(text, sizeof text, "problem while %s file", OperationName());
        fail(text);
    }
    if (!flushed) fail("problem with zipping/unzipping operation : 1");
}

std::string UnzipLimitMessage(std::uint64_t limit) {
    char text[96];
    if (limit % (std::uint64_t(1) << 20) == 0)
        std::snprintf(text, sizeof text, "unzipped data exceeds the limit of %llu MiB",
                      static_cast<unsigned long long>(limit >> 20));
    else
        std::snprintf(text, sizeof text, "unzipped data exceeds the limit of %llu bytes",
                      static_cast<unsigned long long>(limit));
    return text;
}

int CUnzip::Operate(std::FILE* in, std::FILE* out) {
    std::uint64_t written = 0;
    bool overLimit = false;
    GunzipStatus status = GunzipFirstMember(
        [in](std::uint8_t* buffer, std::size_t capacity) {
            return std::fread(buffer, 1, capacity, in);
        },
        [&](const std::uint8_t* data, std::size_t size) {
            if (size > outputLimit_ - written) {
                overLimit = true;
                return false;
            }
            written += size;
            return std::fwrite(data, 1, size, out) == size;
        });
    if (overLimit) throw CZipException(UnzipLimitMessage(outputLimit_));
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
