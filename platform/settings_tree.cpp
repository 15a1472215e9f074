#include "platform/settings_tree.h"

#include <algorithm>
#include <list>
#include <unordered_map>

namespace orvanta::platform {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
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

struct SettingsTree::Node {
    using Value = std::pair<std::string, SettingValue>;
    using ChildPtr = std::unique_ptr<Node>;

    std::string name;  // this level only, spelling as first created
    Node* parent = nullptr;
    std::uint64_t seq = 0;  // creation order, for the order of Keys()
    std::list<Value> values;
    std::unordered_map<std::string, std::list<Value>::iterator> valueIndex;  // by LowerAscii name
    std::list<ChildPtr> children;
    std::unordered_map<std::string, std::list<ChildPtr>::iterator> childIndex;

    Node* Child(std::string_view childName) const {
        auto it = childIndex.find(Lower(childName));
        return it == childIndex.end() ? nullptr : it->second->get();
    }
    std::list<Value>::iterator FindValue(std::string_view valueName) {
        auto it = valueIndex.find(Lower(valueName));
        return it == valueIndex.end() ? values.end() : it->second;
    }
    // Unlinks and destroys the sub-key (and, through the destructors, everything beneath:
    // at most kMaxDepth levels of recursion).
    void Remove(Node* child) {
        auto it = childIndex.find(Lower(child->name));
        children.erase(it->second);
        childIndex.erase(it);
    }
};

namespace {

// Calls f for every level of a full path; false when a level is empty or f says so.
template <typename F>
bool ForEachLevel(std::string_view fullPath, F&& f) {
    if (fullPath.empty()) return false;
    std::size_t pos = 0;
    for (;;) {
        std::size_t slash = fullPath.find('\\', pos);
        std::string_view level = fullPath.substr(pos, slash == std::string_view::npos ? fullPath.npos : slash - pos);
        if (level.empty() || !f(level)) return false;
        if (slash == std::string_view::npos) return true;
        pos = slash + 1;
    }
}

}  // namespace

SettingsTree::SettingsTree() : top_(std::make_unique<Node>()) {}
SettingsTree::~SettingsTree() = default;
SettingsTree::SettingsTree(SettingsTree&&) noexcept = default;
SettingsTree& SettingsTree::operator=(SettingsTree&&) noexcept = default;

SettingsTree::Node* SettingsTree::Find(std::string_view fullPath) const {
    Node* node = top_.get();
    std::size_t depth = 0;
    bool found = ForEachLevel(fullPath, [&](std::string_view level) {
        node = ++depth > kMaxDepth + 1 ? nullptr : node->Child(level);
        return node != nullptr;
    });
    return found ? node : nullptr;
}

bool SettingsTree::Exists(std::string_view fullPath) const {
    return IsBareRoot(fullPath) || Find(fullPath) != nullptr;
}

bool SettingsTree::Create(std::string_view fullPath) {
    std::size_t levels = 0;
    if (!ForEachLevel(fullPath, [&](std::string_view) { return ++levels <= kMaxDepth + 1; }))
        return false;
    // Parents first, so a key comes after the keys above it.
    Node* node = top_.get();
    ForEachLevel(fullPath, [&](std::string_view level) {
        if (Node* existing = node->Child(level)) {
            node = existing;
            return true;
        }
        auto child = std::make_unique<Node>();
        child->name = std::string(level);
        child->parent = node;
        child->seq = nextSeq_++;
        if (node != top_.get()) ++keyCount_;  // a root is not a key
        Node* raw = child.get();
        node->children.push_back(std::move(child));
        node->childIndex.emplace(Lower(level), std::prev(node->children.end()));
        node = raw;
        return true;
    });
    return true;
}

std::optional<SettingValue> SettingsTree::Read(std::string_view fullPath,
                                               std::string_view name) const {
    Node* k = Find(fullPath);
    if (!k || k->parent == top_.get()) return std::nullopt;  // values sit in keys, not roots
    auto it = k->FindValue(name);
    if (it == k->values.end()) return std::nullopt;
    return it->second;
}

bool SettingsTree::Write(std::string_view fullPath, std::string_view name,
                         const SettingValue& value) {
    Node* k = Find(fullPath);
    if (!k || k->parent == top_.get()) return false;
    auto it = k->FindValue(name);
    if (it != k->values.end()) {
        if (it->second == value) return false;
        it->second = value;  // the name keeps the spelling already stored
        return true;
    }
    k->values.emplace_back(std::string(name), value);
    k->valueIndex.emplace(Lower(name), std::prev(k->values.end()));
    return true;
}

bool SettingsTree::DeleteValue(std::string_view fullPath, std::string_view name) {
    Node* k = Find(fullPath);
    if (!k || k->parent == top_.get()) return false;
    auto it = k->valueIndex.find(Lower(name));
    if (it == k->valueIndex.end()) return false;
    k->values.erase(it->second);
    k->valueIndex.erase(it);
    return true;
}

std::vector<std::string> SettingsTree::SubKeys(std::string_view fullPath) const {
    std::vector<std::string> out;
    if (Node* k = Find(fullPath))
        for (const auto& child : k->children) out.push_back(child->name);
    return out;
}

bool SettingsTree::HasSubKeys(std::string_view fullPath) const {
    Node* k = Find(fullPath);
    return k && !k->children.empty();
}

bool SettingsTree::DeleteKey(std::string_view fullPath) {
    Node* k = Find(fullPath);
    if (!k || k->parent == top_.get() || !k->children.empty()) return false;
    k->parent->Remove(k);
    --keyCount_;
    return true;
}

bool SettingsTree::DeleteTree(std::string_view fullPath) {
    Node* k = Find(fullPath);
    if (!k || k->parent == top_.get()) return false;
    std::size_t removed = 0;
    std::vector<const Node*> pending{k};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        ++removed;
        for (const auto& child : n->children) pending.push_back(child.get());
    }
    k->parent->Remove(k);
    keyCount_ -= removed;
    return true;
}

std::vector<SettingsKey> SettingsTree::Keys() const {
    std::vector<const Node*> nodes;
    nodes.reserve(keyCount_);
    std::vector<const Node*> pending;
    for (const auto& root : top_->children)
        for (const auto& key : root->children) pending.push_back(key.get());
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        nodes.push_back(n);
        for (const auto& child : n->children) pending.push_back(child.get());
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const Node* a, const Node* b) { return a->seq < b->seq; });
    std::vector<SettingsKey> out;
    out.reserve(nodes.size());
    std::vector<const Node*> chain;
    for (const Node* n : nodes) {
        chain.clear();
        for (const Node* p = n; p->parent; p = p->parent) chain.push_back(p);
        SettingsKey& key = out.emplace_back();
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (!key.path.empty()) key.path += '\\';
            key.path += (*it)->name;
        }
        key.values.assign(n->values.begin(), n->values.end());
    }
    return out;
}

}  // namespace orvanta::platform
