#include "earthview/screenshot_command.h"

#include <cctype>

namespace orvanta {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // a word has begun, even if it is still empty ("")
    const std::size_t n = command.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = command[i];
        if (IsBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const std::size_t end = command.find('\'', i + 1);
            if (end == std::string::npos) return std::nullopt;
            word.append(command, i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            std::size_t j = i + 1;
            for (; j < n && command[j] != '"'; ++j) {
                if (command[j] == '\\' && j + 1 < n &&
                    (command[j + 1] == '"' || command[j + 1] == '\\' || command[j + 1] == '$' ||
                     command[j + 1] == '`'))
                    ++j;
                word += command[j];
            }
            if (j >= n) return std::nullopt;
            i = j;
        } else if (c == '\\' && i + 1 < n &&
                   !std::isalnum(static_cast<unsigned char>(command[i + 1]))) {
            word += command[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace orvanta
