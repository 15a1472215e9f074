// The command after a periodic screenshot: words as a POSIX shell would split them.
#include <gtest/gtest.h>

#include "earthview/screenshot_command.h"

namespace orvanta {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLine, SplitsLikeAShell) {
    struct Case {
        std::string command;
        Words words;
    };
    const Case cases[] = {
        {"upload.sh /tmp/earth.jpg", {"upload.sh", "/tmp/earth.jpg"}},
        {"  scp   a.jpg\thost:  ", {"scp", "a.jpg", "host:"}},
        {"\"/opt/My Tools/up load\" \"/home/u/Earth View.jpg\"",
         {"/opt/My Tools/up load", "/home/u/Earth View.jpg"}},
        {"sh -c 'cp \"$0\" /srv' x", {"sh", "-c", "cp \"$0\" /srv", "x"}},
        {"echo \"say \\\"hi\\\"\" a\\ b", {"echo", "say \"hi\"", "a b"}},
        {"prog \"\" ''", {"prog", "", ""}},
        {"pre\"fix and\"post", {"prefix andpost"}},
        // An unquoted Windows path keeps its backslashes.
        {"C:\\Tools\\upload.exe C:\\shots\\earth.jpg", {"C:\\Tools\\upload.exe", "C:\\shots\\earth.jpg"}},
    };
    for (const Case& c : cases) {
        const auto words = SplitCommandLine(c.command);
        ASSERT_TRUE(words.has_value()) << c.command;
        EXPECT_EQ(*words, c.words) << c.command;
    }
}

TEST(SplitCommandLine, LongCommandsAreNotCut) {
    std::string longArgument(400, 'a');
    const auto words = SplitCommandLine("prog " + longArgument + " end");
    ASSERT_TRUE(words.has_value());
    ASSERT_EQ(words->size(), 3u);
    EXPECT_EQ((*words)[1].size(), 400u);
    EXPECT_EQ((*words)[2], "end");
}

TEST(SplitCommandLine, BlankIsNothingAndOpenQuotesAreRefused) {
    EXPECT_EQ(SplitCommandLine(""), Words{});
    EXPECT_EQ(SplitCommandLine("   \t "), Words{});
    EXPECT_FALSE(SplitCommandLine("prog \"unfinished").has_value());
    EXPECT_FALSE(SplitCommandLine("prog 'unfinished").has_value());
    EXPECT_FALSE(SplitCommandLine("prog \"ends in escape\\\"").has_value());
}

}  // namespace
}  // namespace orvanta
