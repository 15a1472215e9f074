#pragma once
// Written bytes made durable before a rename relies on them: without it a power cut just
// after the rename can leave an empty or partial file under the final name.
#include <cstdio>
#include <filesystem>

namespace orvanta::platform {

// Flushes the stream's buffer and has the system write the file's data to the disk. False
// when either fails (the bytes may not be on the disk).
bool FlushToDisk(std::FILE* file);

// Makes a rename in dir durable (POSIX: the directory entry itself; Windows needs nothing).
void FlushDirectory(const std::filesystem::path& dir);

}  // namespace orvanta::platform
