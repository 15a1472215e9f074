// orvanta-cli catalogue on a decompression bomb: refused at the unzip limit, one line, exit 2,
// memory far below what the unpacked data would take.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <filesystem>
#include <string>

#include "gzip_test_util.h"
#include "platform/directories.h"
#include "tests/support/cli_runner.h"

namespace orvanta {
namespace {

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";

TEST(CatalogueCliTest, DecompressionBombIsRefusedWithOneLine) {
    platform::PrivateTempDir tmp;
    ASSERT_TRUE(tmp.Ok());
    // 320 MiB of zeros in about a megabyte and a half.
    const std::filesystem::path bomb = tmp.Path() / "BOMB.gz";
    test::WriteZeroGzip(bomb.string(), std::uint64_t(320) << 20);
    ASSERT_LT(std::filesystem::file_size(bomb), 2u << 20);

    const testing::CliRun r =
        testing::RunCli(kCli, "catalogue --file \"" + bomb.string() + "\"", tmp.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    ASSERT_EQ(r.err.size(), 1u);
    EXPECT_EQ(r.err[0], "kepler error: unzipped data exceeds the limit of 256 MiB");

    // The largest child so far is the command (or the shell around it): the data never
    // reached the memory. Windows keeps no such figure for finished children.
#ifndef _WIN32
    struct rusage usage {};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 300L * 1024);  // kilobytes
#endif
}

}  // namespace
}  // namespace orvanta
