#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace tarvonel {

// One key of the simulated registry. Names compare without regard to case, as Windows does;
// a deleted key stays alive while handles hold it, and answers them ERROR_KEY_DELETED.
struct SimRegistryNode {
  std::string name;
  std::vector<std::pair<std::string, std::string>> values;  // name, REG_SZ text without its NUL
  std::vector<std::shared_ptr<SimRegistryNode>> children;
  bool deleted = false;
};

// The registry of a simulated machine: the predefined roots and their trees.
class SimRegistry {
 public:
  SimRegistry();

  // Creates the key and its parents (machine descriptions and tests); "HKEY_CLASSES_ROOT\a\b".
  void SetString(const std::string& fullPath, const std::string& valueName, const std::string& text);
  // The value's text, or nothing when the key or value is missing.
  std::optional<std::string> GetString(const std::string& fullPath, const std::string& valueName) const;
  bool KeyExists(const std::string& fullPath) const;
  // Every key with its values, for saving a machine: full path, values.
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> Keys() const;

  std::unique_ptr<RegistryKey> Predefined(uint32_t hkey);
  uint32_t Create(RegistryKey& parent, const std::string& subKey, uint32_t access, std::unique_ptr<RegistryKey>& key);
  uint32_t Open(RegistryKey& parent, const std::string& subKey, uint32_t access, std::unique_ptr<RegistryKey>& key);
  uint32_t SetString(RegistryKey& key, const std::string& name, const std::string& text);
  uint32_t EnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes, RegistryValue& value);
  uint32_t EnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name);
  uint32_t Delete(RegistryKey& parent, const std::string& subKey);

 private:
  std::shared_ptr<SimRegistryNode> Walk(const std::shared_ptr<SimRegistryNode>& from, const std::string& subKey,
                                        bool create) const;
  std::shared_ptr<SimRegistryNode> RootOf(const std::string& fullPath, std::string& rest) const;

  std::map<uint32_t, std::shared_ptr<SimRegistryNode>> roots_;
};

}  // namespace tarvonel
