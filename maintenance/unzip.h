#pragma once
// The gzip wrapper: turns a compressed source file into a new target file and reports
// every failure by throwing CZipException.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

namespace orvanta {

class CZipException : public std::exception {
public:
    // The text is cut to 127 characters.
    explicit CZipException(const std::string& message);
    const char* what() const noexcept override { return message_; }
    const char* Message() const noexcept { return message_; }

private:
    char message_[128];
};

// Base of the family: owns the source name and the file handling around one operation.
class CMamaZip {
public:
    explicit CMamaZip(std::string sourceName) : sourceName_(std::move(sourceName)) {}
    virtual ~CMamaZip() = default;
    CMamaZip(const CMamaZip&) = delete;
    CMamaZip& operator=(const CMamaZip&) = delete;

    // Runs the operation from the source into a newly created target (never an existing
    // file). Throws CZipException; a target it created is deleted again on failure.
    void Run(const std::string& targetName);
    const std::string& SourceName() const { return sourceName_; }

protected:
    // The operation itself: 0 on success, non-zero when it cannot start (e.g. the source is
    // not in its format). Damage met on the way is thrown as CZipException.
    virtual int Operate(std::FILE* in, std::FILE* out) = 0;
    // Names the operation in messages ("unzipping").
    virtual const char* OperationName() const = 0;

private:
    std::string sourceName_;
};

// Most bytes CUnzip writes unless told otherwise: far above any real element file or city
// list, low enough that a damaged or hostile archive (a few hundred kilobytes can inflate
// to gigabytes) cannot fill the disk or, read back, the memory.
inline constexpr std::uint64_t kDefaultUnzipLimit = std::uint64_t(256) << 20;

// "unzipped data exceeds the limit of 256 MiB" (bytes when the limit is not whole MiB).
std::string UnzipLimitMessage(std::uint64_t limit);

// Decompresses the first member of a gzip file, refusing to write more than outputLimit
// bytes.
class CUnzip : public CMamaZip {
public:
    explicit CUnzip(std::string sourceName, std::uint64_t outputLimit = kDefaultUnzipLimit)
        : CMamaZip(std::move(sourceName)), outputLimit_(outputLimit) {}

protected:
    int Operate(std::FILE* in, std::FILE* out) override;
    const char* OperationName() const override { return "unzipping"; }

private:
    std::uint64_t outputLimit_;
};

}  // namespace orvanta
