#pragma once
// Runs the built orvanta-cli through the shell as a script would, capturing stdout and stderr
// as lines. Shared by the command-line tests of every subsystem.
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orvanta::testing {

struct CliRun {
    int status = -1;
    std::vector<std::string> out, err;
};

inline std::vector<std::string> ReadLines(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::vector<std::string> v;
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// Comma-separated fields; a trailing comma gives a trailing empty field.
inline std::vector<std::string> SplitCsv(const std::string& row) {
    std::vector<std::string> f;
    std::stringstream ss(row);
    for (std::string c; std::getline(ss, c, ',');) f.push_back(c);
    if (!row.empty() && row.back() == ',') f.push_back("");
    return f;
}

// `cli args` with the output files in workDir. args is passed to the shell as it stands.
inline CliRun RunCli(const std::string& cli, const std::string& args,
                     const std::filesystem::path& workDir) {
    CliRun r;
    const std::filesystem::path out = workDir / "out.csv", err = workDir / "err.txt";
#ifdef _WIN32
    // cmd.exe wants backslashes and drops the outermost quotes of the whole line.
    std::filesystem::path exe(cli);
    exe.make_preferred();
    if (exe.extension() != ".exe") exe += ".exe";
    const std::string cmd = "\"\"" + exe.string() + "\" " + args + " >\"" +
                            std::filesystem::path(out).make_preferred().string() + "\" 2>\"" +
                            std::filesystem::path(err).make_preferred().string() + "\"\"";
#else
    const std::string cmd =
        "\"" + cli + "\" " + args + " >\"" + out.string() + "\" 2>\"" + err.string() + "\"";
#endif
    const int raw = std::system(cmd.c_str());
#ifdef WEXITSTATUS
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#else
    r.status = raw;
#endif
    r.out = ReadLines(out);
    r.err = ReadLines(err);
    return r;
}

}  // namespace orvanta::testing
