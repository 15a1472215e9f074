#include "platform/settings_tree.h"

#include <algorithm>

namespace orvanta::platform {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// True when fullPath is child's parent path, i.e. child = fullPath + "\" + one or more
// components; *rest receives what follows the backslash.
bool IsBeneath(std::string_view child, std::string_view parent, std::string_view* rest) {
    if (child.size() <= parent.size() + 1 || child[parent.size()] != '\\') return false;
    if (!EqualsNoCase(child.substr(0, parent.size()), parent)) return false;
    if (rest) *rest = child.substr(parent.size() + 1);
    return true;
}

bool IsBareRoot(std::string_view fullPath) {
    return fullPath.find('\\') == std::string_view::npos && !fullPath.empty();
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out.push_back(c);
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

std::string FullKeyPath(RootKey root, const std::string& path) {
    const char* rootName = RootKeyName(root);
    if (!rootName) return {};
    std::string below = NormalizeKeyPath(path);
    return below.empty() ? std::string(rootName) : std::string(rootName) + "\\" + below;
}

bool IsStorableName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

SettingsKey* SettingsTree::Find(std::string_view fullPath) {
    for (auto& k : keys_)
        if (EqualsNoCase(k.path, fullPath)) return &k;
    return nullptr;
}

const SettingsKey* SettingsTree::Find(std::string_view fullPath) const {
    for (const auto& k : keys_)
        if (EqualsNoCase(k.path, fullPath)) return &k;
    return nullptr;
}

bool SettingsTree::Exists(std::string_view fullPath) const {
    return IsBareRoot(fullPath) || Find(fullPath) != nullptr;
}

SettingsKey& SettingsTree::Create(std::string_view fullPath) {
    // Parents first, so the text form lists a key after the keys above it.
    for (std::size_t pos = fullPath.find('\\'); pos != std::string_view::npos;
         pos = fullPath.find('\\', pos + 1)) {
        std::string_view parent = fullPath.substr(0, pos);
        if (!IsBareRoot(parent) && !Find(parent)) keys_.push_back({std::string(parent), {}});
    }
    if (SettingsKey* k = Find(fullPath)) return *k;
    keys_.push_back({std::string(fullPath), {}});
    return keys_.back();
}

std::optional<SettingValue> SettingsTree::Read(std::string_view fullPath,
                                               std::string_view name) const {
    const SettingsKey* k = Find(fullPath);
    if (!k) return std::nullopt;
    for (const auto& [n, v] : k->values)
        if (EqualsNoCase(n, name)) return v;
    return std::nullopt;
}

bool SettingsTree::Write(std::string_view fullPath, std::string_view name,
                         const SettingValue& value) {
    SettingsKey* k = Find(fullPath);
    if (!k) return false;
    for (auto& [n, v] : k->values) {
        if (EqualsNoCase(n, name)) {
            if (v == value) return false;
            v = value;  // the name keeps the spelling already stored
            return true;
        }
    }
    k->values.emplace_back(std::string(name), value);
    return true;
}

bool SettingsTree::DeleteValue(std::string_view fullPath, std::string_view name) {
    SettingsKey* k = Find(fullPath);
    if (!k) return false;
    auto it = std::find_if(k->values.begin(), k->values.end(),
                           [&](const auto& nv) { return EqualsNoCase(nv.first, name); });
    if (it == k->values.end()) return false;
    k->values.erase(it);
    return true;
}

std::vector<std::string> SettingsTree::SubKeys(std::string_view fullPath) const {
    // Sub-keys may be implied only by deeper keys (a hand-written file need not list
    // every parent), so take the first component of every key beneath.
    std::vector<std::string> out;
    for (const auto& k : keys_) {
        std::string_view rest;
        if (!IsBeneath(k.path, fullPath, &rest)) continue;
        std::string_view first = rest.substr(0, rest.find('\\'));
        if (first.empty()) continue;
        bool seen = std::any_of(out.begin(), out.end(),
                                [&](const std::string& s) { return EqualsNoCase(s, first); });
        if (!seen) out.emplace_back(first);
    }
    return out;
}

bool SettingsTree::HasSubKeys(std::string_view fullPath) const {
    return std::any_of(keys_.begin(), keys_.end(),
                       [&](const SettingsKey& k) { return IsBeneath(k.path, fullPath, nullptr); });
}

bool SettingsTree::DeleteKey(std::string_view fullPath) {
    if (IsBareRoot(fullPath) || HasSubKeys(fullPath)) return false;
    auto it = std::find_if(keys_.begin(), keys_.end(),
                           [&](const SettingsKey& k) { return EqualsNoCase(k.path, fullPath); });
    if (it == keys_.end()) return false;
    keys_.erase(it);
    return true;
}

void SettingsTree::DeleteTree(std::string_view fullPath) {
    if (IsBareRoot(fullPath)) return;
    std::erase_if(keys_, [&](const SettingsKey& k) {
        return EqualsNoCase(k.path, fullPath) || IsBeneath(k.path, fullPath, nullptr);
    });
}

}  // namespace orvanta::platform
