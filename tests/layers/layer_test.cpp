// Core code must build without Qt or the OS: a file outside a ui/ folder and outside
// platform/ that includes a Qt or OS header breaks the core-only build on another machine
// long after the change that did it. And the folders depend downwards only, so a reader can
// tell the common ground from the shell and no two folders need each other to build. This
// test reads every source file and names the lines that break either rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/unique_temp_dir.h"

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

// The program's folders from the ground up: each includes only folders before it. The
// shell (app/) comes last but for the command line, which shares no code with it.
constexpr std::array<std::string_view, 13> kFolderOrder = {
    "platform", "orbit", "astro",     "common",  "maintenance", "catalogue", "location",
    "hostmon",  "radio", "earthview", "skyview", "app",         "cli",
};

// Top-level folders that hold no program code of their own layer: data, build scripts,
// tests and the programs that only measure or fuzz the rest.
bool IsOutsideTheOrder(const std::string& top) {
    return top == "tests" || top == "resources" || top == "tools" || top == "docs" ||
           top == "cmake" || top == "bench" || top == "fuzz" || top == "packaging" ||
           top[0] == '.' || top.starts_with("build");
}

int FolderRank(std::string_view folder) {
    const auto it = std::find(kFolderOrder.begin(), kFolderOrder.end(), folder);
    return it == kFolderOrder.end() ? -1 : static_cast<int>(it - kFolderOrder.begin());
}

// One include of one folder's file by another folder's file.
struct FolderInclude {
    std::string from;   // top-level folder of the including file
    std::string to;     // top-level folder the included path starts with
    std::string where;  // file:line: text
};

// Every file with one of the extensions, relative to root, but those in build and hidden
// folders.
std::vector<fs::path> SourceFiles(const fs::path& root,
                                  std::initializer_list<std::string_view> extensions) {
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        const std::string top = relative.begin()->string();
        if (it->is_directory()) {
            if (top[0] == '.' || top.starts_with("build")) it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            files.push_back(relative);
    }
    return files;
}

// Every include whose path starts with a top-level folder of the tree, from every source
// file but those in build and hidden folders.
std::vector<FolderInclude> TreeIncludes(const fs::path& root) {
    std::set<std::string> folders;
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.is_directory()) folders.insert(entry.path().filename().string());
    std::vector<FolderInclude> found;
    for (const fs::path& relative : SourceFiles(root, {".h", ".cpp", ".inc"})) {
        const std::string top = relative.begin()->string();
        std::ifstream in(root / relative);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::string header = IncludedHeader(line);
            const auto slash = header.find('/');
            if (slash == std::string::npos) continue;
            const std::string to = header.substr(0, slash);
            if (folders.count(to) == 0) continue;
            found.push_back(
                {top, to, relative.generic_string() + ":" + std::to_string(number) + ": " + line});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const FolderInclude& a, const FolderInclude& b) { return a.where < b.where; });
    return found;
}

// The includes that break the folders' order: a folder of the order including one at or
// above it, a folder the order does not know holding code, anything but app/ and its tests
// including app/, common/ including more than orbit/ and platform/.
std::vector<std::string> OrderViolations(const std::vector<FolderInclude>& includes) {
    std::vector<std::string> found;
    for (const auto& inc : includes) {
        if (inc.from == inc.to) continue;
        const bool shellsOwnTest = inc.from == "tests" && inc.where.starts_with("tests/app/");
        if (inc.to == "app" && inc.from != "app" && !shellsOwnTest) {
            found.push_back(inc.where + "  (only app/ includes the shell)");
        } else if (inc.from == "common" && inc.to != "orbit" && inc.to != "platform") {
            found.push_back(inc.where + "  (common/ builds on orbit/ and platform/ only)");
        } else if (!IsOutsideTheOrder(inc.from)) {
            const int from = FolderRank(inc.from), to = FolderRank(inc.to);
            if (from < 0)
                found.push_back(inc.where + "  (" + inc.from + "/ is not in the folder order)");
            else if (to >= from && !IsOutsideTheOrder(inc.to))
                found.push_back(inc.where + "  (" + inc.from +
                                "/ may include only folders below it)");
        }
    }
    return found;
}

// Pairs of folders that include each other, each with one line from either side.
std::vector<std::string> MutualIncludes(const std::vector<FolderInclude>& includes) {
    std::map<std::pair<std::string, std::string>, std::string> first;
    for (const auto& inc : includes)
        if (inc.from != inc.to) first.try_emplace({inc.from, inc.to}, inc.where);
    std::vector<std::string> found;
    for (const auto& [pair, where] : first) {
        if (pair.first > pair.second) continue;
        const auto back = first.find({pair.second, pair.first});
        if (back != first.end())
            found.push_back(pair.first + "/ <-> " + pair.second + "/: " + where + " | " +
                            back->second);
    }
    return found;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
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

TEST(LayerTest, FoldersIncludeOnlyTheFoldersBelowThem) {
    const auto includes = TreeIncludes(ORVANTA_SOURCE_DIR);
    ASSERT_GT(includes.size(), 500u) << "the checker found almost no includes: is the path right?";
    const auto order = OrderViolations(includes);
    EXPECT_TRUE(order.empty()) << "These includes reach up or sideways:\n" << Lines(order);
    const auto mutual = MutualIncludes(includes);
    EXPECT_TRUE(mutual.empty()) << "These folders include each other:\n" << Lines(mutual);
}

// Every folder that holds code has its place in the order, so a new one cannot slip past.
TEST(LayerTest, EveryCodeFolderHasAPlaceInTheOrder) {
    for (const auto& entry : fs::directory_iterator(ORVANTA_SOURCE_DIR)) {
        const std::string top = entry.path().filename().string();
        if (!entry.is_directory() || IsOutsideTheOrder(top)) continue;
        bool hasCode = false;
        for (const auto& file : fs::recursive_directory_iterator(entry.path())) {
            const auto ext = file.path().extension();
            hasCode = hasCode || ext == ".cpp" || ext == ".h";
        }
        if (hasCode) {
            EXPECT_GE(FolderRank(top), 0) << top << "/ holds code but has no place";
        }
    }
}

// The order check on a small tree of its own, each rule broken once.
TEST(LayerTest, TheOrderCheckNamesEachKindOfBreach) {
    const fs::path root = orvanta::testing::MakeUniqueTempDir("orvanta-layers-");
    const auto write = [&](const std::string& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text;
    };
    write("app/ui/main_window.cpp", "#include \"common/settings.h\"\n");
    write("app/satellite_selection.h", "#include \"catalogue/element_file.h\"\n");
    write("common/settings.h", "#include \"orbit/julian_date.h\"\n#include \"platform/x.h\"\n");
    write("common/event_log.h", "#include \"catalogue/pass_list.h\"\n");
    write("catalogue/element_file.h", "#include \"app/satellite_selection.h\"\n");
    write("catalogue/pass_list.h",
          "#include \"skyview/sky_chart.h\"\n#include \"common/settings.h\"\n");
    write("orbit/julian_date.h", "#include <cmath>\n");
    write("platform/x.h", "");
    write("skyview/sky_chart.h", "");
    write("tests/app/shell_test.cpp", "#include \"app/satellite_selection.h\"\n");
    write("tests/common/log_test.cpp", "#include \"app/satellite_selection.h\"\n");
    write("newfolder/a.cpp", "#include \"orbit/julian_date.h\"\n");

    const auto includes = TreeIncludes(root);
    EXPECT_EQ(includes.size(), 11u);
    const std::string order = Lines(OrderViolations(includes));
    EXPECT_NE(order.find(
                  "catalogue/element_file.h:1: #include \"app/satellite_selection.h\"  (only app/"),
              std::string::npos)
        << order;
    EXPECT_NE(
        order.find(
            "tests/common/log_test.cpp:1: #include \"app/satellite_selection.h\"  (only app/"),
        std::string::npos)
        << order;
    EXPECT_NE(
        order.find("common/event_log.h:1: #include \"catalogue/pass_list.h\"  (common/ builds"),
        std::string::npos)
        << order;
    EXPECT_NE(
        order.find("catalogue/pass_list.h:1: #include \"skyview/sky_chart.h\"  (catalogue/ may"),
        std::string::npos)
        << order;
    EXPECT_NE(order.find("newfolder/a.cpp:1: #include \"orbit/julian_date.h\"  (newfolder/ is not"),
              std::string::npos)
        << order;
    EXPECT_EQ(order.find("tests/app/"), std::string::npos) << order;
    EXPECT_EQ(order.find("common/settings.h"), std::string::npos) << order;
    EXPECT_EQ(order.find("app/ui/main_window.cpp"), std::string::npos) << order;
    EXPECT_EQ(std::count(order.begin(), order.end(), '\n'), 5) << order;

    const auto mutual = MutualIncludes(includes);
    ASSERT_EQ(mutual.size(), 2u) << Lines(mutual);
    EXPECT_TRUE(mutual[0].starts_with("app/ <-> catalogue/: app/satellite_selection.h:1:"))
        << mutual[0];
    EXPECT_TRUE(mutual[1].starts_with("catalogue/ <-> common/: catalogue/pass_list.h:2:"))
        << mutual[1];
    fs::remove_all(root);
}

// A file past 600 lines, or a unit (source and header) past 700, holds more than one thing
// and is asking to be split along its seams before it grows further.
TEST(LayerTest, NoFileOrUnitOutgrowsItsSeams) {
    constexpr int kFileLimit = 600, kUnitLimit = 700;
    const fs::path root = ORVANTA_SOURCE_DIR;
    const auto lines = [](const fs::path& file) {
        std::ifstream in(file);
        int n = 0;
        for (std::string line; std::getline(in, line);) ++n;
        return n;
    };
    std::vector<std::string> found;
    for (const fs::path& relative : SourceFiles(root, {".h", ".cpp"})) {
        const int n = lines(root / relative);
        if (n > kFileLimit)
            found.push_back(relative.generic_string() + ": " + std::to_string(n) + " lines");
        fs::path header = root / relative;
        header.replace_extension(".h");
        if (relative.extension() == ".cpp" && fs::exists(header)) {
            const int unit = n + lines(header);
            if (unit > kUnitLimit)
                found.push_back(relative.generic_string() +
                                " with its header: " + std::to_string(unit) + " lines");
        }
    }
    std::sort(found.begin(), found.end());
    EXPECT_TRUE(found.empty()) << "Split these along their seams:\n" << Lines(found);
}

// Qt's QTRY_/QVERIFY/QCOMPARE report to QTest and return: inside a GoogleTest test a failed
// check ends the test early and it still passes. Tests wait with tests/support/qt_wait.h.
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
