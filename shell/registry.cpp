#include "shell/registry.h"

#include <memory>
#include <vector>

#include "base/text_encoding.h"
#include "platform/registry_access.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "ui/controls/toolkit.h"
#include "version.h"

namespace tarvonel {
namespace {

constexpr uint32_t kNameChars = 255;
constexpr uint32_t kDataBytes = 255;
constexpr uint32_t kSubkeyNameChars = 256;
// Every key is reached in the registry view 64-bit Explorer reads. The 32-bit program's own
// view of the classes root is another on XP x64, Server 2003, Vista and Server 2008 ("Registry
// Keys Affected by WOW64"); 32-bit Windows has one view and ignores the flag.
constexpr uint32_t kExplorersView = win32::kKeyWow64View64;
constexpr uint32_t kAllAccess = win32::kKeyAllAccessLow | kExplorersView;
constexpr uint32_t kQueryAccess = win32::kKeyQueryValue | kExplorersView;

}  // namespace

bool RegistryRoutines::RegWriteString(uint32_t root, const std::string& subKey, const std::string& valueName,
                                      const std::string& value) {
  std::unique_ptr<RegistryKey> rootKey = registry_.PredefinedKey(root);
  std::unique_ptr<RegistryKey> key;
  if (!rootKey || registry_.RegistryCreateKey(*rootKey, subKey, kAllAccess, key) != win32_error::kSuccess) {
    return false;
  }
  return registry_.RegistrySetString(*key, valueName, value) == win32_error::kSuccess;
}

std::string RegistryRoutines::RegReadString(uint32_t root, const std::string& subKey, const std::string& valueName) {
  std::unique_ptr<RegistryKey> rootKey = registry_.PredefinedKey(root);
  std::unique_ptr<RegistryKey> key;
  if (!rootKey || registry_.RegistryOpenKey(*rootKey, subKey, kQueryAccess, key) != win32_error::kSuccess) {
    return {};
  }
  RegistryValue value;
  for (uint32_t index = 0; registry_.RegistryEnumValue(*key, index, kNameChars, kDataBytes, value) == win32_error::kSuccess;
       ++index) {
    if (value.name == valueName) return TrimAtNul(value.data);
  }
  return {};
}

void RegistryRoutines::RegDeleteSubkeys(uint32_t root, const std::string& path) {
  std::unique_ptr<RegistryKey> rootKey = registry_.PredefinedKey(root);
  std::unique_ptr<RegistryKey> key;
  if (!rootKey || registry_.RegistryOpenKey(*rootKey, path, kAllAccess, key) != win32_error::kSuccess) return;
  // The names first: deleting while enumerating would shift the indices.
  std::vector<std::string> names;
  std::string name;
  for (uint32_t index = 0; registry_.RegistryEnumKey(*key, index, kSubkeyNameChars, name) == win32_error::kSuccess;
       ++index) {
    names.push_back(TrimAtNul(name));
  }
  for (const std::string& child : names) {
    RegDeleteSubkeys(root, path + "\\" + child);
    registry_.RegistryDeleteKey(*key, child, kExplorersView);
  }
}

void RegistryRoutines::RegDeleteKeyTree(uint32_t root, std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  RegDeleteSubkeys(root, path);
  std::unique_ptr<RegistryKey> rootKey = registry_.PredefinedKey(root);
  if (!rootKey) return;
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) {
    registry_.RegistryDeleteKey(*rootKey, path, kExplorersView);
    return;
  }
  std::unique_ptr<RegistryKey> parent;
  if (registry_.RegistryOpenKey(*rootKey, path.substr(0, slash), kAllAccess, parent) != win32_error::kSuccess) {
    toolkit_.MsgBox("Error opening parent key", MsgBoxButtons::OK, MsgBoxIcon::None, kProgramName);
    return;
  }
  registry_.RegistryDeleteKey(*parent, path.substr(slash + 1), kExplorersView);
}

}  // namespace tarvonel
