#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <optional>

#include "platform/win32_codes.h"
#include "platform/sim/sim_volume.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

struct RootName {
  uint32_t hkey;
  const char* name;
};
constexpr RootName kRoots[] = {{win32::kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
                               {win32::kHkeyCurrentUser, "HKEY_CURRENT_USER"},
                               {win32::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"}};

constexpr char kWow6432Node[] = "Wow6432Node";

// An open key: the node it reaches, and the name and view it was opened by, which its
// subkeys' names continue and reflection needs.
class SimKey : public RegistryKey {
 public:
  SimKey(SimRegistry& owner, std::shared_ptr<SimRegistryNode> keyNode, uint32_t keyAccess, uint32_t keyRoot,
         std::string path, bool in64BitView)
      : registry(owner),
        node(std::move(keyNode)),
        access(keyAccess),
        root(keyRoot),
        logicalPath(std::move(path)),
        view64(in64BitView) {}
  ~SimKey() override {
    if (written && !node->deleted) registry.Reflect(root, logicalPath, view64);
  }
  SimRegistry& registry;
  std::shared_ptr<SimRegistryNode> node;
  uint32_t access;
  uint32_t root;
  std::string logicalPath;  // below the root, as the program named it
  bool view64;
  bool written = false;
};

std::string JoinPath(const std::string& parent, const std::string& subKey) {
  if (parent.empty()) return subKey;
  return subKey.empty() ? parent : parent + "\\" + subKey;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::shared_ptr<SimRegistryNode> ChildNamed(const SimRegistryNode& node, const std::string& name) {
  for (const auto& child : node.children) {
    if (FoldName(child->name) == FoldName(name)) return child;
  }
  return nullptr;
}

void Collect(const SimRegistryNode& node, const std::string& path,
             std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& keys) {
  keys.emplace_back(path, node.values);
  for (const auto& child : node.children) Collect(*child, path + "\\" + child->name, keys);
}

}  // namespace

SimRegistry::SimRegistry() {
  for (const RootName& root : kRoots) {
    roots_[root.hkey] = std::make_shared<SimRegistryNode>();
    roots_[root.hkey]->name = root.name;
  }
  // Every Windows installation has the shell-verb parents of folders and drives.
  Walk(roots_[win32::kHkeyClassesRoot], "Directory\\shell", true);
  Walk(roots_[win32::kHkeyClassesRoot], "Drive\\shell", true);
}

void SimRegistry::SetWow64(bool wow64, bool classesShared) {
  wow64_ = wow64;
  classesShared_ = classesShared;
}

bool SimRegistry::Redirected(uint32_t root, const std::string& logicalPath) const {
  if (!wow64_ || root != win32::kHkeyClassesRoot) return false;
  if (!classesShared_) return true;
  const std::string first = FoldName(logicalPath.substr(0, logicalPath.find('\\')));
  for (const char* redirected : {"clsid", "directshow", "interface", "media type", "mediafoundation"}) {
    if (first == FoldName(redirected)) return true;
  }
  return false;
}

std::string SimRegistry::PhysicalPath(uint32_t root, const std::string& logicalPath, bool view64) const {
  return !view64 && Redirected(root, logicalPath) ? JoinPath(kWow6432Node, logicalPath) : logicalPath;
}

bool SimRegistry::View64(uint32_t access) const {
  if ((access & win32::kKeyWow64View64) != 0) return true;
  if ((access & win32::kKeyWow64View32) != 0) return false;
  return !wow64_;
}

void SimRegistry::Reflect(uint32_t root, const std::string& logicalPath, bool view64) {
  if (classesShared_ || !Redirected(root, logicalPath)) return;
  const std::shared_ptr<SimRegistryNode> from = Walk(roots_.at(root), PhysicalPath(root, logicalPath, view64), false);
  const std::shared_ptr<SimRegistryNode> to = Walk(roots_.at(root), PhysicalPath(root, logicalPath, !view64), true);
  if (from != nullptr && to != nullptr) to->values = from->values;
}

std::shared_ptr<SimRegistryNode> SimRegistry::Walk(const std::shared_ptr<SimRegistryNode>& from,
                                                   const std::string& subKey, bool create) const {
  std::shared_ptr<SimRegistryNode> node = from;
  if (subKey.empty()) return node;
  for (const std::string& part : SplitPath(subKey)) {
    if (part.empty()) return nullptr;  // "a\\b" or a leading or trailing backslash
    std::shared_ptr<SimRegistryNode> child = ChildNamed(*node, part);
    if (child == nullptr) {
      if (!create) return nullptr;
      child = std::make_shared<SimRegistryNode>();
      child->name = part;
      node->children.push_back(child);
    }
    node = child;
  }
  return node;
}

std::shared_ptr<SimRegistryNode> SimRegistry::RootOf(const std::string& fullPath, std::string& rest) const {
  const size_t slash = fullPath.find('\\');
  const std::string rootName = fullPath.substr(0, slash);
  rest = slash == std::string::npos ? std::string() : fullPath.substr(slash + 1);
  for (const RootName& root : kRoots) {
    if (FoldName(rootName) == FoldName(root.name)) return roots_.at(root.hkey);
  }
  return nullptr;
}

void SimRegistry::SetString(const std::string& fullPath, const std::string& valueName, const std::string& text) {
  std::string rest;
  std::shared_ptr<SimRegistryNode> root = RootOf(fullPath, rest);
  if (root == nullptr) return;
  std::shared_ptr<SimRegistryNode> node = Walk(root, rest, true);
  if (node == nullptr) return;
  for (auto& [name, data] : node->values) {
    if (FoldName(name) == FoldName(valueName)) {
      data = text;
      return;
    }
  }
  node->values.emplace_back(valueName, text);
}

std::optional<std::string> SimRegistry::GetString(const std::string& fullPath, const std::string& valueName) const {
  std::string rest;
  std::shared_ptr<SimRegistryNode> root = RootOf(fullPath, rest);
  std::shared_ptr<SimRegistryNode> node = root ? Walk(root, rest, false) : nullptr;
  if (node == nullptr) return std::nullopt;
  for (const auto& [name, data] : node->values) {
    if (FoldName(name) == FoldName(valueName)) return data;
  }
  return std::nullopt;
}

bool SimRegistry::KeyExists(const std::string& fullPath) const {
  std::string rest;
  std::shared_ptr<SimRegistryNode> root = RootOf(fullPath, rest);
  return root != nullptr && Walk(root, rest, false) != nullptr;
}

std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> SimRegistry::Keys() const {
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> keys;
  for (const auto& [hkey, root] : roots_) {
    for (const auto& child : root->children) Collect(*child, root->name + "\\" + child->name, keys);
  }
  return keys;
}

std::unique_ptr<RegistryKey> SimRegistry::Predefined(uint32_t hkey) {
  auto found = roots_.find(hkey);
  if (found == roots_.end()) return nullptr;
  return std::make_unique<SimKey>(*this, found->second, win32::kKeyAllAccessLow, hkey, std::string(), !wow64_);
}

uint32_t SimRegistry::Reach(RegistryKey& parent, const std::string& subKey, uint32_t access, bool create,
                            std::unique_ptr<RegistryKey>& key) {
  auto& from = static_cast<SimKey&>(parent);
  if (from.node->deleted) return win32_error::kKeyDeleted;
  // The name goes on from the parent's; the view is the call's own.
  const std::string logical = JoinPath(from.logicalPath, subKey);
  const bool view64 = View64(access);
  const std::shared_ptr<SimRegistryNode> root = roots_.at(from.root);
  const std::string physical = PhysicalPath(from.root, logical, view64);
  std::shared_ptr<SimRegistryNode> node = Walk(root, physical, false);
  if (node == nullptr) {
    if (!create) return win32_error::kFileNotFound;
    if ((from.access & win32::kKeyCreateSubKey) == 0) return win32_error::kAccessDenied;
    node = Walk(root, physical, true);
    if (node == nullptr) return win32_error::kInvalidParameter;
  }
  key = std::make_unique<SimKey>(*this, node, access, from.root, logical, view64);
  return win32_error::kSuccess;
}

uint32_t SimRegistry::Create(RegistryKey& parent, const std::string& subKey, uint32_t access,
                             std::unique_ptr<RegistryKey>& key) {
  return Reach(parent, subKey, access, true, key);
}

uint32_t SimRegistry::Open(RegistryKey& parent, const std::string& subKey, uint32_t access,
                           std::unique_ptr<RegistryKey>& key) {
  return Reach(parent, subKey, access, false, key);
}

uint32_t SimRegistry::SetString(RegistryKey& key, const std::string& name, const std::string& text) {
  auto& sim = static_cast<SimKey&>(key);
  if (sim.node->deleted) return win32_error::kKeyDeleted;
  if ((sim.access & win32::kKeySetValue) == 0) return win32_error::kAccessDenied;
  sim.written = true;
  for (auto& [valueName, data] : sim.node->values) {
    if (FoldName(valueName) == FoldName(name)) {
      data = text;
      return win32_error::kSuccess;
    }
  }
  sim.node->values.emplace_back(name, text);
  return win32_error::kSuccess;
}

uint32_t SimRegistry::EnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                                RegistryValue& value) {
  auto& sim = static_cast<SimKey&>(key);
  if (sim.node->deleted) return win32_error::kKeyDeleted;
  if ((sim.access & win32::kKeyQueryValue) == 0) return win32_error::kAccessDenied;
  if (index >= sim.node->values.size()) return win32_error::kNoMoreItems;
  const auto& [name, text] = sim.node->values[index];
  if (name.size() + 1 > nameChars || text.size() + 1 > dataBytes) return win32_error::kMoreData;
  value.name = name;
  value.type = win32::kRegSz;
  value.data = text + std::string(1, '\0');
  return win32_error::kSuccess;
}

uint32_t SimRegistry::EnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) {
  auto& sim = static_cast<SimKey&>(key);
  if (sim.node->deleted) return win32_error::kKeyDeleted;
  if ((sim.access & win32::kKeyEnumerateSubKeys) == 0) return win32_error::kAccessDenied;
  if (index >= sim.node->children.size()) return win32_error::kNoMoreItems;
  if (sim.node->children[index]->name.size() + 1 > nameChars) return win32_error::kMoreData;
  name = sim.node->children[index]->name;
  return win32_error::kSuccess;
}

uint32_t SimRegistry::Delete(RegistryKey& parent, const std::string& subKey, uint32_t view) {
  auto& from = static_cast<SimKey&>(parent);
  if (from.node->deleted) return win32_error::kKeyDeleted;
  if (subKey.empty()) return win32_error::kFileNotFound;
  // RegDeleteKey (no view) works in the program's own view, whatever view the parent is in.
  const std::string physical = PhysicalPath(from.root, JoinPath(from.logicalPath, subKey), View64(view));
  const std::shared_ptr<SimRegistryNode> root = roots_.at(from.root);
  std::shared_ptr<SimRegistryNode> node = Walk(root, physical, false);
  if (node == nullptr) return win32_error::kFileNotFound;
  // RegDeleteKey removes only a key without subkeys.
  if (!node->children.empty()) return win32_error::kAccessDenied;
  const size_t slash = physical.rfind('\\');
  std::shared_ptr<SimRegistryNode> owner = slash == std::string::npos ? root : Walk(root, physical.substr(0, slash), false);
  std::erase(owner->children, node);
  node->deleted = true;
  return win32_error::kSuccess;
}

}  // namespace tarvonel
