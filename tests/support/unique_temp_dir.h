#pragma once
// A fresh directory under the system's temporary directory, named so that no other test
// process (a parallel ctest run, another checkout's run on the same machine) can share it.
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace orvanta::testing {

inline std::filesystem::path MakeUniqueTempDir(const std::string& prefix) {
    static std::mt19937_64 rng{std::random_device{}()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        const std::filesystem::path dir = base / (prefix + std::to_string(rng()));
        std::error_code ec;
        // create_directory is false when the name exists: then another name is drawn.
        if (std::filesystem::create_directory(dir, ec)) return dir;
        if (ec) throw std::filesystem::filesystem_error("cannot create temporary directory", dir, ec);
    }
}

}  // namespace orvanta::testing
