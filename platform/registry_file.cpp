// The registry-export text form of a SettingsTree.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/settings_tree.h"

namespace orvanta::platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses a hex number of 1..maxDigits digits filling all of s.
bool ParseHex(std::string_view s, std::size_t maxDigits, std::uint32_t& out) {
    if (s.empty() || s.size() > maxDigits) return false;
    std::uint32_t v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return false;
        v = (v << 4) | std::uint32_t(d);
    }
    out = v;
    return true;
}

// Quoted text starting at s[0] == '"'; \\ and \" are escapes, any other backslash stands
// for itself. Sets *consumed to the characters used, closing quote included.
bool ParseQuoted(std::string_view s, std::string& out, std::size_t* consumed) {
    if (s.empty() || s[0] != '"') return false;
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            *consumed = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out.push_back(s[++i]);
        } else {
            out.push_back(c);
        }
    }
    return false;
}

// "aa,bb,cc" (blanks allowed around bytes, an empty list is zero bytes).
bool ParseHexBytes(std::string_view s, std::vector<std::uint8_t>& out) {
    out.clear();
    s = TrimLeft(TrimRight(s));
    if (s.empty()) return true;
    std::size_t pos = 0;
    while (true) {
        std::size_t comma = s.find(',', pos);
        std::string_view tok = TrimLeft(TrimRight(s.substr(pos, comma == std::string_view::npos ? s.npos : comma - pos)));
        std::uint32_t v;
        if (!ParseHex(tok, 2, v)) {
            // A trailing comma (as left by some writers before a continuation) is harmless.
            return tok.empty() && comma == std::string_view::npos && pos > 0;
        }
        out.push_back(std::uint8_t(v));
        if (comma == std::string_view::npos) return true;
        pos = comma + 1;
    }
}

bool ParseData(std::string_view s, SettingValue& value, bool& isDeletion) {
    isDeletion = false;
    s = TrimLeft(s);
    if (s == "-") {
        isDeletion = true;
        return true;
    }
    if (!s.empty() && s[0] == '"') {
        std::string text;
        std::size_t used = 0;
        if (!ParseQuoted(s, text, &used) || !TrimRight(s.substr(used)).empty()) return false;
        value = SettingValue::String(text);
        return true;
    }
    if (s.starts_with("dword:")) {
        std::uint32_t v;
        if (!ParseHex(TrimRight(s.substr(6)), 8, v)) return false;
        value = SettingValue::Dword(v);
        return true;
    }
    if (s.starts_with("hex")) {
        std::uint32_t type = kTypeBinary;
        std::string_view rest = s.substr(3);
        if (rest.starts_with("(")) {
            std::size_t close = rest.find(')');
            if (close == std::string_view::npos || !ParseHex(rest.substr(1, close - 1), 8, type))
                return false;
            rest = rest.substr(close + 1);
        }
        if (!rest.starts_with(":")) return false;
        value.type = type;
        return ParseHexBytes(rest.substr(1), value.data);
    }
    return false;
}

// Splits text into lines at LF (a CR before it is dropped).
struct LineReader {
    std::string_view text;
    std::size_t pos = 0;
    bool Next(std::string_view& line) {
        if (pos >= text.size()) return false;
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        return true;
    }
};

// UTF-16LE (with its byte-order mark already removed) to UTF-8. Unpaired surrogates
// become U+FFFD so a damaged file still yields its readable lines.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        return std::uint32_t(std::uint8_t(bytes[i])) | (std::uint32_t(std::uint8_t(bytes[i + 1])) << 8);
    };
    auto put = [&](std::uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            std::uint32_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo < 0xE000) {
                put(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        put((u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
    }
    return out;
}

std::string EscapeQuoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// The quoted form carries a string only when it is exactly text + one terminator and
// the text has no line break (which would split the line).
bool QuotedFormFits(const SettingValue& v) {
    if (v.type != kTypeSz || v.data.empty() || v.data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i)
        if (v.data[i] == 0 || v.data[i] == '\n' || v.data[i] == '\r') return false;
    return true;
}

void AppendHex(std::string& out, const std::vector<std::uint8_t>& data) {
    static const char* digits = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i) out.push_back(',');
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
}

}  // namespace

RegistryFileReport ParseRegistryFile(std::string_view text, SettingsTree& tree) {
    RegistryFileReport report;
    std::string converted;
    if (text.size() >= 2 && std::uint8_t(text[0]) == 0xFF && std::uint8_t(text[1]) == 0xFE) {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    LineReader reader{text};
    std::string section;  // full path of the current key; empty: none (values are damaged)
    bool firstLine = true;
    std::string_view line;
    while (reader.Next(line)) {
        std::string_view t = TrimRight(TrimLeft(line));
        if (firstLine && !t.empty()) {
            firstLine = false;
            if (t == kHeader || t == kHeader4) {
                report.headerFound = true;
                continue;
            }
        }
        if (t.empty() || t[0] == ';') continue;

        if (t[0] == '[') {
            if (t.back() != ']' || t.size() < 3) {
                ++report.damagedLines;
                section.clear();
                continue;
            }
            std::string_view inner = t.substr(1, t.size() - 2);
            bool deletion = inner[0] == '-';
            if (deletion) inner.remove_prefix(1);
            std::string_view rootPart = inner.substr(0, inner.find('\\'));
            static constexpr RootKey kRoots[] = {RootKey::ClassesRoot, RootKey::CurrentUser,
                                                 RootKey::LocalMachine, RootKey::Users,
                                                 RootKey::CurrentConfig};
            const char* root = nullptr;
            for (RootKey r : kRoots)
                if (EqualsNoCase(rootPart, RootKeyName(r))) root = RootKeyName(r);
            std::string below = NormalizeKeyPath(inner.substr(rootPart.size()));
            // Deeper than any key may be: the line is damaged, like one we cannot read.
            const bool tooDeep =
                std::size_t(std::count(below.begin(), below.end(), '\\')) >= SettingsTree::kMaxDepth;
            if (!root || below.empty() || tooDeep) {
                ++report.damagedLines;
                section.clear();
                continue;
            }
            std::string full = std::string(root) + "\\" + below;
            if (deletion) {
                tree.DeleteTree(full);
                section.clear();
            } else if (tree.Create(full)) {
                section = std::move(full);
            } else {
                ++report.damagedLines;
                section.clear();
            }
            continue;
        }

        // A value line: "name"=data or @=data.
        std::string name;
        std::size_t used = 0;
        if (t[0] == '@') {
            used = 1;
        } else if (t[0] != '"' || !ParseQuoted(t, name, &used)) {
            ++report.damagedLines;
            continue;
        }
        std::string_view rest = TrimLeft(t.substr(used));
        if (rest.empty() || rest[0] != '=') {
            ++report.damagedLines;
            continue;
        }
        std::string_view data = TrimLeft(rest.substr(1));

        // Hex data may continue over lines ending in a backslash. A following line that
        // cannot be hex data is not swallowed: it is read again as a line of its own.
        std::string joined;
        bool truncated = false;
        if (data.starts_with("hex") && data.back() == '\\') {
            joined.assign(data.substr(0, data.size() - 1));
            while (true) {
                std::size_t mark = reader.pos;
                std::string_view more;
                if (!reader.Next(more)) {
                    truncated = true;
                    break;
                }
                std::string_view m = TrimRight(TrimLeft(more));
                if (m.find_first_not_of("0123456789abcdefABCDEF, \t\\") != std::string_view::npos) {
                    reader.pos = mark;
                    truncated = true;
                    break;
                }
                if (!m.empty() && m.back() == '\\') {
                    joined.append(m.substr(0, m.size() - 1));
                    continue;
                }
                joined.append(m);
                break;
            }
            data = joined;
        }

        SettingValue value;
        bool isDeletion = false;
        if (truncated || section.empty() || !ParseData(data, value, isDeletion)) {
            ++report.damagedLines;
            continue;
        }
        if (isDeletion) {
            tree.DeleteValue(section, name);
        } else {
            tree.Write(section, name, value);  // a later line of the same name wins
        }
    }
    return report;
}

std::string SerializeRegistryFile(const SettingsTree& tree) {
    std::string out(kHeader);
    out += "\n";
    tree.Visit(
        [&](const std::string& path) {
            out += "\n[";
            out += path;
            out += "]\n";
        },
        [&](const std::string& name, const SettingValue& v) {
            out += name.empty() ? std::string("@") : EscapeQuoted(name);
            out += '=';
            if (QuotedFormFits(v)) {
                out += EscapeQuoted(std::string_view(reinterpret_cast<const char*>(v.data.data()),
                                                     v.data.size() - 1));
            } else if (v.type == kTypeDword && v.data.size() == 4) {
                char buf[16];
                std::uint32_t d = std::uint32_t(v.data[0]) | (std::uint32_t(v.data[1]) << 8) |
                                  (std::uint32_t(v.data[2]) << 16) | (std::uint32_t(v.data[3]) << 24);
                std::snprintf(buf, sizeof buf, "dword:%08x", d);
                out += buf;
            } else {
                if (v.type == kTypeBinary) {
                    out += "hex:";
                } else {
                    char buf[24];
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                    out += buf;
                }
                AppendHex(out, v.data);
            }
            out += '\n';
        });
    out += '\n';
    return out;
}

}  // namespace orvanta::platform
