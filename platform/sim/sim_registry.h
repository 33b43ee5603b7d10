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

// The registry of a simulated machine: the predefined roots and their trees. Full paths name
// keys where they lie ("HKEY_CLASSES_ROOT\Wow6432Node\..." for the 32-bit view's copy).
class SimRegistry {
 public:
  SimRegistry();

  // The registry redirector as the 32-bit program meets it on 64-bit Windows ("Registry Keys
  // Affected by WOW64", learn.microsoft.com/windows/win32/winprog64/shared-registry-keys): the
  // classes root is redirected to its Wow6432Node and reflected on XP x64, Server 2003, Vista and
  // Server 2008; from Windows 7 on it is shared, but for CLSID, DirectShow, Interface, Media
  // Type and MediaFoundation. KEY_WOW64_64KEY and KEY_WOW64_32KEY choose a view ("Accessing an
  // Alternate Registry View"). Reflection copies a key written in one view to the other when
  // it is closed ("Registry Reflection"); nothing there reflects a deletion, and neither does
  // this model.
  void SetWow64(bool wow64, bool classesShared);

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
  uint32_t Delete(RegistryKey& parent, const std::string& subKey, uint32_t view);
  // A key written in a reflected view is closed: its values are copied to the other view.
  void Reflect(uint32_t root, const std::string& logicalPath, bool view64);

 private:
  std::shared_ptr<SimRegistryNode> Walk(const std::shared_ptr<SimRegistryNode>& from, const std::string& subKey,
                                        bool create) const;
  std::shared_ptr<SimRegistryNode> RootOf(const std::string& fullPath, std::string& rest) const;
  // Where a key named from a root lies in the view asked for.
  std::string PhysicalPath(uint32_t root, const std::string& logicalPath, bool view64) const;
  bool Redirected(uint32_t root, const std::string& logicalPath) const;
  // The view a call asks for with its KEY_WOW64_* flags; without one, the program's own.
  bool View64(uint32_t access) const;
  uint32_t Reach(RegistryKey& parent, const std::string& subKey, uint32_t access, bool create,
                 std::unique_ptr<RegistryKey>& key);

  std::map<uint32_t, std::shared_ptr<SimRegistryNode>> roots_;
  bool wow64_ = false;
  bool classesShared_ = true;
};

}  // namespace tarvonel
