#pragma once
// The user's command run after a periodic screenshot ("Earthview Screenshot Command",
// "Skyview Screenshot Command"), split into a program and its arguments the way a POSIX
// shell splits words, so a quoted path with spaces stays one argument.
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// Splits at unquoted blanks (space, tab, line ends). Inside double quotes a backslash
// escapes only ", \, $ and `; inside single quotes nothing is special; outside quotes a
// backslash escapes the next character, except before a letter or a digit, where it is
// kept, so an unquoted Windows path such as C:\Tools\upload.exe survives. "" and '' give an
// empty argument. Nothing (no words) for an empty or blank command; std::nullopt when a
// quote is left open, since guessing where it ends could run the wrong program.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& command);

}  // namespace orvanta
