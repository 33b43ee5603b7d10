#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class RegistryAccess;
class Toolkit;

// The registry routines of the Explorer verbs. `root` is a predefined key such as
// HKEY_CLASSES_ROOT (0x80000000); an empty value name is the key's default value.
class RegistryRoutines {
 public:
  RegistryRoutines(RegistryAccess& registry, Toolkit& toolkit) : registry_(registry), toolkit_(toolkit) {}

  // Creates or opens the key and writes a REG_SZ value; true when the write succeeded.
  bool RegWriteString(uint32_t root, const std::string& subKey, const std::string& valueName, const std::string& value);
  // The value's text; empty when the key or the value (matched exactly) is missing.
  std::string RegReadString(uint32_t root, const std::string& subKey, const std::string& valueName);
  // Deletes the key with everything below it.
  void RegDeleteKeyTree(uint32_t root, std::string path);
  // Deletes every key below `path`, depth first; the key itself stays.
  void RegDeleteSubkeys(uint32_t root, const std::string& path);

 private:
  RegistryAccess& registry_;
  Toolkit& toolkit_;
};

}  // namespace tarvonel
