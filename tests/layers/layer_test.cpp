// Core code must build without Qt or the OS: a file outside a ui/ folder and outside
// platform/ that includes a Qt or OS header breaks the core-only build on another machine
// long after the change that did it. This test reads every source file and names them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Headers that belong to an operating system rather than to C++ or its C library.
constexpr std::array kOsHeaders = {
    "windows.h", "winsock2.h", "ws2tcpip.h", "iphlpapi.h", "icmpapi.h", "shlobj.h",
    "shellapi.h", "unistd.h",  "fcntl.h",    "termios.h",  "netdb.h",   "poll.h",
    "dirent.h",  "pwd.h",      "grp.h",      "dlfcn.h",    "spawn.h",   "ifaddrs.h",
    "pthread.h", "syslog.h",   "sys/",       "netinet/",   "arpa/",     "net/",
    "linux/",    "mach/",      "dbus/",      "X11/",
};

// The header an include line names, or empty for anything else.
std::string IncludedHeader(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '#') return {};
    line.remove_prefix(first + 1);
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (!line.starts_with("include")) return {};
    line.remove_prefix(7);
    const auto open = line.find_first_of("<\"");
    if (open == std::string_view::npos) return {};
    const char close = line[open] == '<' ? '>' : '"';
    const auto end = line.find(close, open + 1);
    if (end == std::string_view::npos) return {};
    return std::string(line.substr(open + 1, end - open - 1));
}

bool IsQtOrOsHeader(const std::string& header) {
    if (header.empty()) return false;
    if (header[0] == 'Q' || header.starts_with("qt") || header.starts_with("Qt")) return true;
    return std::any_of(kOsHeaders.begin(), kOsHeaders.end(), [&](std::string_view os) {
        return os.back() == '/' ? header.starts_with(os) : header == os;
    });
}

// Folders that may use Qt or the OS, or are not program code.
bool IsExempt(const fs::path& relative) {
    const std::string top = relative.begin()->string();
    if (top == "platform" || top == "tests" || top == "resources" || top == "tools" ||
        top == "docs" || top == "cmake" || top == "bench" || top == "fuzz" || top[0] == '.' ||
        top.starts_with("build"))
        return true;
    return std::any_of(relative.begin(), relative.end(), [](const fs::path& part) {
        return part == "ui";
    });
}

std::vector<std::string> Violations(const fs::path& root) {
    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory()) {
            if (IsExempt(relative)) it.disable_recursion_pending();
            continue;
        }
        const auto ext = it->path().extension();
        if ((ext != ".h" && ext != ".cpp") || IsExempt(relative)) continue;
        std::ifstream in(it->path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (IsQtOrOsHeader(IncludedHeader(line)))
                found.push_back(relative.generic_string() + ":" + std::to_string(number) + ": " +
                                line);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(LayerTest, TheCheckerKnowsQtOsAndStandardHeaders) {
    EXPECT_EQ(IncludedHeader("#include <QWidget>"), "QWidget");
    EXPECT_EQ(IncludedHeader("  #  include \"app/ui/icons.h\" // why"), "app/ui/icons.h");
    EXPECT_EQ(IncludedHeader("// #include <QWidget>"), "");
    EXPECT_TRUE(IsQtOrOsHeader("QtCore/QString"));
    EXPECT_TRUE(IsQtOrOsHeader("sys/socket.h"));
    EXPECT_TRUE(IsQtOrOsHeader("windows.h"));
    EXPECT_FALSE(IsQtOrOsHeader("string"));
    EXPECT_FALSE(IsQtOrOsHeader("ctime"));
    EXPECT_FALSE(IsQtOrOsHeader("zlib.h"));
    EXPECT_FALSE(IsQtOrOsHeader("FreeImage.h"));
    EXPECT_TRUE(IsExempt("app/ui/main_window.cpp"));
    EXPECT_TRUE(IsExempt("platform/posix/pty_posix.cpp"));
    EXPECT_FALSE(IsExempt("catalogue/pass_list.cpp"));
    EXPECT_FALSE(IsExempt("cli/main.cpp"));
}

TEST(LayerTest, CoreFilesIncludeNoQtOrOsHeader) {
    const auto found = Violations(ORVANTA_SOURCE_DIR);
    std::string all;
    for (const auto& v : found) all += v + "\n";
    EXPECT_TRUE(found.empty()) << "Move these into a ui/ folder or behind platform/:\n" << all;
}

// Qt's QTRY_/QVERIFY/QCOMPARE report to QTest and return: inside a GoogleTest test a failed
// check ends the test early and it still passes. Tests wait with tests/common/qt_wait.h.
TEST(LayerTest, TestsUseNoQTestCheckMacros) {
    std::vector<std::string> found;
    const fs::path tests = fs::path(ORVANTA_SOURCE_DIR) / "tests";
    for (const auto& entry : fs::recursive_directory_iterator(tests)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        if (entry.path().filename() == "layer_test.cpp") continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const auto code = line.substr(0, line.find("//"));
            for (const char* macro : {"QTRY_", "QVERIFY", "QCOMPARE"})
                if (code.find(macro) != std::string::npos)
                    found.push_back(fs::relative(entry.path(), tests).generic_string() + ":" +
                                    std::to_string(number) + ": " + line);
        }
    }
    std::string all;
    for (const auto& v : found) all += v + "\n";
    EXPECT_TRUE(found.empty()) << "Use orvanta::testing::WaitFor and ASSERT/EXPECT instead:\n"
                               << all;
}

}  // namespace
