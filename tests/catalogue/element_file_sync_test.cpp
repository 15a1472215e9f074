// The downloaded element file reaches the disk before it takes the element file's name.
// The test binary is linked with --wrap=fsync, so every fsync the program makes passes
// through here and is noted with the file it was for and what the target held then.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/element_install.h"
#include "tests/support/unique_temp_dir.h"

namespace {

struct SyncNote {
    std::string path;
    std::string targetThen;
};
std::vector<SyncNote> gSyncs;
std::filesystem::path gWatched;

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd) {
    char link[PATH_MAX] = {};
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(proc.c_str(), link, sizeof link - 1);
    if (!gWatched.empty())
        gSyncs.push_back({n > 0 ? std::string(link, std::size_t(n)) : std::string(),
                          Slurp(gWatched)});
    return __real_fsync(fd);
}

namespace orvanta {
namespace {

TEST(ElementFileSync, TemporaryFileIsSyncedBeforeTheRename) {
    const std::filesystem::path dir = testing::MakeUniqueTempDir("orvanta-element-sync-");
    const std::filesystem::path target = dir / "keplers";
    std::ofstream(target) << "old";
    gWatched = target;
    gSyncs.clear();
    std::string error;
    const bool ok = WriteFileAtomically(target, {'n', 'e', 'w'}, error);
    gWatched.clear();
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(Slurp(target), "new");
    // First the temporary file, while the target still held the old bytes; then the
    // directory, so the rename survives a power cut too.
    ASSERT_EQ(gSyncs.size(), 2u);
    const std::filesystem::path synced(gSyncs[0].path);
    EXPECT_EQ(synced.parent_path(), std::filesystem::canonical(dir));
    EXPECT_TRUE(synced.filename().string().starts_with("keplers.download-")) << synced;
    EXPECT_EQ(gSyncs[0].targetThen, "old");
    EXPECT_EQ(std::filesystem::path(gSyncs[1].path), std::filesystem::canonical(dir));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orvanta
