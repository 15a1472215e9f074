#include "platform/settings_tree.h"

#include <algorithm>
#include <cstdint>
#include <list>
#include <unordered_map>

namespace orvanta::platform {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Case-insensitive (ASCII) hashing, so an index finds a name in any spelling without a
// lower-case copy of it.
struct NoCaseHash {
    std::size_t operator()(std::string_view s) const {
        std::uint64_t h = 14695981039346656037ull;  // FNV-1a
        for (char c : s) h = (h ^ std::uint8_t(LowerAscii(c))) * 1099511628211ull;
        return std::size_t(h);
    }
};
struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};
// Keys view the names held by the indexed entries themselves.
template <typename T>
using NoCaseIndex = std::unordered_map<std::string_view, T, NoCaseHash, NoCaseEqual>;

// Below this many sub-keys or values a scan beats a hash table, and most keys hold one
// value and no sub-key.
constexpr std::size_t kIndexFrom = 8;

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

namespace {
bool NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualsNoCase(a, b);
}
}  // namespace

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

    std::string name;  // this level only, spelling as first created
    Node* parent = nullptr;
    std::list<Node>::iterator self;  // its place in Impl::nodes
    // Sub-keys in the order they were created, linked through the sub-keys themselves.
    Node* firstChild = nullptr;
    Node* lastChild = nullptr;
    Node* prevSibling = nullptr;
    Node* nextSibling = nullptr;
    std::size_t childCount = 0;
    std::unique_ptr<NoCaseIndex<Node*>> childIndex;  // once there are many
    std::list<Value> values;                         // stored order
    std::unique_ptr<NoCaseIndex<std::list<Value>::iterator>> valueIndex;

    Node* Child(std::string_view childName) const {
        if (childIndex) {
            auto it = childIndex->find(childName);
            return it == childIndex->end() ? nullptr : it->second;
        }
        for (Node* c = firstChild; c; c = c->nextSibling)
            if (EqualsNoCase(c->name, childName)) return c;
        return nullptr;
    }
    void AddChild(Node* c) {
        c->prevSibling = lastChild;
        (lastChild ? lastChild->nextSibling : firstChild) = c;
        lastChild = c;
        ++childCount;
        if (childIndex) {
            childIndex->emplace(c->name, c);
        } else if (childCount > kIndexFrom) {
            childIndex = std::make_unique<NoCaseIndex<Node*>>();
            for (Node* x = firstChild; x; x = x->nextSibling) childIndex->emplace(x->name, x);
        }
    }
    void RemoveChild(Node* c) {
        if (childIndex) childIndex->erase(c->name);
        (c->prevSibling ? c->prevSibling->nextSibling : firstChild) = c->nextSibling;
        (c->nextSibling ? c->nextSibling->prevSibling : lastChild) = c->prevSibling;
        --childCount;
    }
    std::list<Value>::iterator FindValue(std::string_view valueName) {
        if (valueIndex) {
            auto it = valueIndex->find(valueName);
            return it == valueIndex->end() ? values.end() : it->second;
        }
        for (auto it = values.begin(); it != values.end(); ++it)
            if (EqualsNoCase(it->first, valueName)) return it;
        return values.end();
    }
    void AddValue(std::string_view valueName, const SettingValue& value) {
        values.emplace_back(std::string(valueName), value);
        if (valueIndex) {
            valueIndex->emplace(values.back().first, std::prev(values.end()));
        } else if (values.size() > kIndexFrom) {
            valueIndex = std::make_unique<NoCaseIndex<std::list<Value>::iterator>>();
            for (auto it = values.begin(); it != values.end(); ++it) valueIndex->emplace(it->first, it);
        }
    }
    void EraseValue(std::list<Value>::iterator it) {
        if (valueIndex) valueIndex->erase(it->first);
        values.erase(it);
    }
};

struct SettingsTree::Impl {
    // Every key and root, in the order created, so a key always follows the keys above it.
    // A list: nodes never move, and any one leaves without disturbing the others.
    std::list<Node> nodes;
    Node top;  // the roots are its sub-keys
    std::size_t keyCount = 0;
};

namespace {

// Calls f for every level of a full path; false when a level is empty or f says so.
template <typename F>
bool ForEachLevel(std::string_view fullPath, F&& f) {
    if (fullPath.empty()) return false;
    std::size_t pos = 0;
    for (;;) {
        std::size_t slash = fullPath.find('\\', pos);
        std::string_view level =
            fullPath.substr(pos, slash == std::string_view::npos ? fullPath.npos : slash - pos);
        if (level.empty() || !f(level)) return false;
        if (slash == std::string_view::npos) return true;
        pos = slash + 1;
    }
}

}  // namespace

SettingsTree::SettingsTree() : impl_(std::make_unique<Impl>()) {}
SettingsTree::~SettingsTree() = default;
// The moved-from tree stays usable (empty), as a moved-from container would.
SettingsTree::SettingsTree(SettingsTree&& other) noexcept : impl_(std::make_unique<Impl>()) {
    impl_.swap(other.impl_);
}
SettingsTree& SettingsTree::operator=(SettingsTree&& other) noexcept {
    impl_.swap(other.impl_);
    return *this;
}

std::size_t SettingsTree::KeyCount() const { return impl_->keyCount; }

SettingsTree::Node* SettingsTree::Find(std::string_view fullPath) const {
    Node* node = &impl_->top;
    std::size_t depth = 0;
    bool found = ForEachLevel(fullPath, [&](std::string_view level) {
        node = ++depth > kMaxDepth + 1 ? nullptr : node->Child(level);
        return node != nullptr;
    });
    return found ? node : nullptr;
}

// A key, not a bare root: values sit only in keys.
SettingsTree::Node* SettingsTree::FindKey(std::string_view fullPath) const {
    Node* k = Find(fullPath);
    return k && k->parent != &impl_->top ? k : nullptr;
}

bool SettingsTree::Exists(std::string_view fullPath) const {
    return IsBareRoot(fullPath) || Find(fullPath) != nullptr;
}

bool SettingsTree::Create(std::string_view fullPath) {
    std::size_t levels = 0;
    if (!ForEachLevel(fullPath, [&](std::string_view) { return ++levels <= kMaxDepth + 1; }))
        return false;
    // Parents first, so a key comes after the keys above it.
    Node* node = &impl_->top;
    ForEachLevel(fullPath, [&](std::string_view level) {
        if (Node* existing = node->Child(level)) {
            node = existing;
            return true;
        }
        Node& child = impl_->nodes.emplace_back();
        child.self = std::prev(impl_->nodes.end());
        child.name = std::string(level);
        child.parent = node;
        node->AddChild(&child);
        if (node != &impl_->top) ++impl_->keyCount;  // a root is not a key
        node = &child;
        return true;
    });
    return true;
}

std::optional<SettingValue> SettingsTree::Read(std::string_view fullPath,
                                               std::string_view name) const {
    Node* k = FindKey(fullPath);
    if (!k) return std::nullopt;
    auto it = k->FindValue(name);
    if (it == k->values.end()) return std::nullopt;
    return it->second;
}

bool SettingsTree::Write(std::string_view fullPath, std::string_view name,
                         const SettingValue& value) {
    Node* k = FindKey(fullPath);
    if (!k) return false;
    auto it = k->FindValue(name);
    if (it == k->values.end()) {
        k->AddValue(name, value);
        return true;
    }
    if (it->second == value) return false;
    it->second = value;  // the name keeps the spelling already stored
    return true;
}

bool SettingsTree::DeleteValue(std::string_view fullPath, std::string_view name) {
    Node* k = FindKey(fullPath);
    if (!k) return false;
    auto it = k->FindValue(name);
    if (it == k->values.end()) return false;
    k->EraseValue(it);
    return true;
}

std::vector<std::string> SettingsTree::SubKeys(std::string_view fullPath) const {
    std::vector<std::string> out;
    if (Node* k = Find(fullPath))
        for (Node* c = k->firstChild; c; c = c->nextSibling) out.push_back(c->name);
    return out;
}

bool SettingsTree::HasSubKeys(std::string_view fullPath) const {
    Node* k = Find(fullPath);
    return k && k->firstChild;
}

bool SettingsTree::DeleteKey(std::string_view fullPath) {
    Node* k = FindKey(fullPath);
    if (!k || k->firstChild) return false;
    k->parent->RemoveChild(k);
    impl_->nodes.erase(k->self);
    --impl_->keyCount;
    return true;
}

bool SettingsTree::DeleteTree(std::string_view fullPath) {
    Node* k = FindKey(fullPath);
    if (!k) return false;
    std::vector<Node*> doomed{k};
    for (std::size_t i = 0; i < doomed.size(); ++i)
        for (Node* c = doomed[i]->firstChild; c; c = c->nextSibling) doomed.push_back(c);
    k->parent->RemoveChild(k);
    for (Node* n : doomed) impl_->nodes.erase(n->self);
    impl_->keyCount -= doomed.size();
    return true;
}

void SettingsTree::Visit(const std::function<void(const std::string& path)>& key,
                         const std::function<void(const std::string& name,
                                                  const SettingValue& value)>& value) const {
    std::string path;
    std::vector<const Node*> chain;
    for (const Node& n : impl_->nodes) {
        if (n.parent == &impl_->top) continue;  // a bare root
        chain.clear();
        for (const Node* p = &n; p != &impl_->top; p = p->parent) chain.push_back(p);
        path.clear();
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (!path.empty()) path += '\\';
            path += (*it)->name;
        }
        key(path);
        if (value)
            for (const auto& [name, v] : n.values) value(name, v);
    }
}

std::vector<SettingsKey> SettingsTree::Keys() const {
    std::vector<SettingsKey> out;
    out.reserve(impl_->keyCount);
    Visit([&](const std::string& path) { out.push_back({path, {}}); },
          [&](const std::string& name, const SettingValue& v) {
              out.back().values.emplace_back(name, v);
          });
    return out;
}

}  // namespace orvanta::platform
