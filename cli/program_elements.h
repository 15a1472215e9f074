#pragma once
// The program's own element file, for commands run without --tle.
#include <string>

namespace orvanta::cli {

// The per-user "keplers" in the program directory, installed from the built-in set on first
// use as the desktop program does. Empty (and a message in error) when neither exists.
std::string ProgramElementFile(std::string& error);

}  // namespace orvanta::cli
