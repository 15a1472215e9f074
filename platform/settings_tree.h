#pragma once
// The key/value tree behind the memory and file stores, and its registry-export text form.
// Key paths here are full: "HKEY_CURRENT_USER\Software\Quorrin\Orvanta".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/settings_store.h"

namespace orvanta::platform {

bool EqualsNoCase(std::string_view a, std::string_view b);

// The path without leading, trailing or repeated backslashes.
std::string NormalizeKeyPath(std::string_view path);
// Root name + "\" + the normalised path; empty for an unknown root.
std::string FullKeyPath(RootKey root, const std::string& path);

// Names and paths that cannot be written as one line of the text form (line breaks, NUL).
bool IsStorableName(std::string_view name);

struct SettingsKey {
    std::string path;  // full path, spelling as first created
    std::vector<std::pair<std::string, SettingValue>> values;  // stored order
    bool operator==(const SettingsKey&) const = default;
};

// Keys form a tree, each level indexed by its lower-case name, so finding a key or a value
// costs the same in a file of twenty keys as in one of twenty thousand. A key keeps only
// its own name, not its whole path.
class SettingsTree {
public:
    // Deepest key below a root. Deeper keys are refused: no real program nests settings
    // that far, and a hand-made file must not make a path cost memory or stack without end.
    static constexpr std::size_t kMaxDepth = 64;

    SettingsTree();
    ~SettingsTree();
    SettingsTree(SettingsTree&&) noexcept;
    SettingsTree& operator=(SettingsTree&&) noexcept;
    SettingsTree(const SettingsTree&) = delete;
    SettingsTree& operator=(const SettingsTree&) = delete;

    // A bare root ("HKEY_CURRENT_USER") always exists.
    bool Exists(std::string_view fullPath) const;
    // Creates the key and its missing parents (not the bare root). False, with nothing
    // created, for a path with an empty component or more than kMaxDepth levels.
    bool Create(std::string_view fullPath);
    std::optional<SettingValue> Read(std::string_view fullPath, std::string_view name) const;
    // Returns whether anything changed; false as well when the key does not exist, so
    // callers ask Exists first.
    bool Write(std::string_view fullPath, std::string_view name, const SettingValue& value);
    bool DeleteValue(std::string_view fullPath, std::string_view name);
    // Names of the immediate sub-keys, in the order they were created.
    std::vector<std::string> SubKeys(std::string_view fullPath) const;
    bool HasSubKeys(std::string_view fullPath) const;
    // One key without sub-keys.
    bool DeleteKey(std::string_view fullPath);
    // The key and everything beneath it (the "[-key]" line of an import). False when there
    // was no such key.
    bool DeleteTree(std::string_view fullPath);

    // Every key (not the bare roots) with its full path, parents before their sub-keys, in
    // the order the keys were created.
    std::vector<SettingsKey> Keys() const;
    // The same without copies: key(path) for each key in that order, then value(name, value)
    // for each of its values in stored order.
    void Visit(const std::function<void(const std::string& path)>& key,
               const std::function<void(const std::string& name, const SettingValue& value)>&
                   value) const;
    std::size_t KeyCount() const;
    bool operator==(const SettingsTree& other) const { return Keys() == other.Keys(); }

private:
    struct Node;
    struct Impl;
    Node* Find(std::string_view fullPath) const;
    Node* FindKey(std::string_view fullPath) const;

    std::unique_ptr<Impl> impl_;
};

struct RegistryFileReport {
    std::size_t damagedLines = 0;  // lines (with their continuations) that were skipped
    bool headerFound = false;
};

// Reads the text form into tree (adding to what is there). Never fails as a whole: each
// line that cannot be understood is skipped and counted. Accepts LF and CR LF, a UTF-8
// byte-order mark, UTF-16LE files with their mark (as the registry editor writes them),
// hex values continued over lines with a trailing backslash, and the import forms
// "Name"=- and [-key] (deletions).
RegistryFileReport ParseRegistryFile(std::string_view text, SettingsTree& tree);

// The text form: the header line, then one [key] section per key with its values:
// "Name"=dword:0000000a, "Name"="text" (\ and " escaped), "Name"=hex:01,02, and hex(N):
// for any other type or a string the quoted form cannot carry.
std::string SerializeRegistryFile(const SettingsTree& tree);

}  // namespace orvanta::platform
