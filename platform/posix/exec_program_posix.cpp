#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/exec_program.h"

namespace orvanta::platform {

std::string ReplaceProcess(const std::string& path, const std::vector<std::string>& args) {
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    ::execv(path.c_str(), argv.data());
    return std::strerror(errno);
}

}  // namespace orvanta::platform
