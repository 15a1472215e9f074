#pragma once
// A file created only when nothing of that name exists yet, so a stale or foreign file is
// never overwritten. fopen's "x" mode does this in glibc but is ignored by msvcrt.
#include <cstdio>
#include <filesystem>

namespace orvanta::platform {

// Creates file for binary reading and writing; null when it exists or cannot be created.
std::FILE* CreateNewFile(const std::filesystem::path& file);

}  // namespace orvanta::platform
