#pragma once
// Replacing the running process by another program (POSIX exec), for a front end that hands a
// command to a helper with the same standard streams and exit status.
#include <string>
#include <vector>

namespace orvanta::platform {

// Runs path with args (args[0] is the program's name) in place of this process. Returns only
// when that failed, with the reason.
std::string ReplaceProcess(const std::string& path, const std::vector<std::string>& args);

}  // namespace orvanta::platform
