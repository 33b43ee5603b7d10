#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tarvonel {

// An open registry key (or a predefined root such as HKEY_CLASSES_ROOT); destroying it closes it.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
};

struct RegistryValue {
  std::string name;
  uint32_t type = 0;
  std::string data;  // the value's bytes; REG_SZ text ends with its NUL
};

// The registry. `root` keys come from PredefinedKey (0x80000000 HKEY_CLASSES_ROOT, ...).
class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;

  virtual std::unique_ptr<RegistryKey> PredefinedKey(uint32_t hkey) = 0;
  // RegCreateKeyEx with an empty class, non-volatile; RegOpenKeyEx. 0 or the error.
  virtual uint32_t RegistryCreateKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                                     std::unique_ptr<RegistryKey>& key) = 0;
  virtual uint32_t RegistryOpenKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                                   std::unique_ptr<RegistryKey>& key) = 0;
  // RegSetValueEx with REG_SZ and the text's length plus its NUL.
  virtual uint32_t RegistrySetString(RegistryKey& key, const std::string& name, const std::string& text) = 0;
  // RegEnumValue with name and data buffers of the given sizes; ERROR_NO_MORE_ITEMS after the last.
  virtual uint32_t RegistryEnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                                     RegistryValue& value) = 0;
  virtual uint32_t RegistryEnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) = 0;
  // Deletes a subkey that has no subkeys of its own, in the registry view `view` names
  // (KEY_WOW64_64KEY or KEY_WOW64_32KEY, as RegDeleteKeyEx takes it; 0: the program's own).
  virtual uint32_t RegistryDeleteKey(RegistryKey& parent, const std::string& subKey, uint32_t view) = 0;
};

}  // namespace tarvonel
