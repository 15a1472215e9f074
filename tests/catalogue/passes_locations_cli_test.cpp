// orvanta-cli passes with stored locations: --location as the observer and --mutual's
// windows, against a settings file of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/registry.h"
#include "location/named_locations.h"
#include "platform/settings_store.h"
#include "tests/platform/scoped_env.h"
#include "tests/support/cli_runner.h"
#include "tests/support/unique_temp_dir.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
const std::string kSample = std::string(ORVANTA_BINARY_DIR) + "/bin/sample.tle";

class PassesLocationsCli : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the Windows edition keeps its settings in the registry, not in a file "
                        "the test can point it to";
#endif
        dir_ = testing::MakeUniqueTempDir("orvanta-locations-cli-");
        settings_ = dir_ / "Orvanta.reg";
        env_ = std::make_unique<test::ScopedEnv>("ORVANTA_SETTINGS", settings_.string().c_str());
        CRegistry reg(platform::OpenFileSettingsStore(settings_));
        ASSERT_TRUE(reg.OpenSettings());
        LocationBook book;
        book.locations = {{"Home", {520, 48.1374, 11.5755}},
                          {"Club station", {10, 53.5511, 9.9937}}};
        book.active = 0;
        ASSERT_TRUE(WriteLocationBook(reg, book));
    }
    void TearDown() override {
        env_.reset();
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    CliRun Run(const std::string& args) {
        return testing::RunCli(kCli,
                               "passes --tle \"" + kSample + "\" --sat 25544 " + args +
                                   " --start 2026-05-07T12:00:00Z",
                               dir_);
    }

    fs::path dir_, settings_;
    std::unique_ptr<test::ScopedEnv> env_;
};

TEST_F(PassesLocationsCli, LocationNameGivesTheSameTableAsItsCoordinates) {
    const CliRun named = Run("--location 'club STATION' --passes 3");
    const CliRun typed = Run("--lat 53.5511 --lon 9.9937 --alt-m 10 --passes 3");
    ASSERT_EQ(named.status, 0);
    EXPECT_EQ(named.out.size(), 4u);
    EXPECT_EQ(named.out, typed.out);

    const CliRun unknown = Run("--location Nowhere");
    EXPECT_EQ(unknown.status, 2);
    ASSERT_EQ(unknown.err.size(), 1u);
    EXPECT_NE(unknown.err[0].find("no location named 'Nowhere' in " + settings_.string()),
              std::string::npos)
        << unknown.err[0];
    EXPECT_TRUE(unknown.out.empty());
}

TEST_F(PassesLocationsCli, MutualPrintsOneRowAWindowByNameOrCoordinates) {
    const std::string span = " --until 2026-05-08T12:00:00Z";
    const CliRun named = Run("--location Home --mutual 'Club station'" + span);
    ASSERT_EQ(named.status, 0) << (named.err.empty() ? "" : named.err[0]);
    ASSERT_GE(named.out.size(), 3u);
    EXPECT_EQ(named.out[0], "catalogue,name,start_utc,end_utc,duration_s,max_el_here,max_el_there");
    for (std::size_t i = 1; i < named.out.size(); ++i) {
        const auto f = testing::SplitCsv(named.out[i]);
        ASSERT_EQ(f.size(), 7u) << named.out[i];
        EXPECT_EQ(f[0], "25544");
        EXPECT_EQ(f[1], "ISS (ZARYA)");
        EXPECT_LT(f[2], f[3]);
        EXPECT_GT(std::stoi(f[4]), 0);
        EXPECT_GT(std::stod(f[5]), 0.0);
        EXPECT_GT(std::stod(f[6]), 0.0);
    }
    EXPECT_EQ(Run("--location Home --mutual 53.5511,9.9937,10" + span).out, named.out);
    const CliRun bad = Run("--location Home --mutual Atlantis" + span);
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.out.empty());
    // Per-pass options would be dropped without a word: refused instead.
    EXPECT_EQ(Run("--location Home --mutual Home --visible-only" + span).status, 2);
}

}  // namespace
}  // namespace orvanta
