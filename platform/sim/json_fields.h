#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tarvonel {

// Reads one object of a machine description with checks; every failure throws MachineError
// naming the field by its path (for example "drives[1].letter").
class JsonObject {
 public:
  JsonObject(const nlohmann::json& value, std::string path);

  bool Has(const char* key) const { return Find(key) != nullptr; }
  uint32_t UInt32(const char* key, uint32_t fallback) const;
  int64_t Int64(const char* key, int64_t fallback, int64_t min, int64_t max) const;
  bool Bool(const char* key, bool fallback) const;
  // A list of [lcn, length] pairs; lcn -1 marks a hole, lengths are at least 1.
  std::vector<std::pair<int64_t, int64_t>> Runs(const char* key) const;
  std::string String(const char* key, const std::string& fallback, size_t maxLength = 4096) const;
  // One of `choices`, returned as its index.
  size_t Choice(const char* key, std::initializer_list<const char*> choices, size_t fallback) const;
  std::optional<JsonObject> Object(const char* key) const;
  std::vector<JsonObject> ObjectArray(const char* key) const;
  std::vector<std::string> StringArray(const char* key) const;
  std::vector<uint32_t> UIntArray(const char* key) const;
  // An object whose members are all strings.
  std::vector<std::pair<std::string, std::string>> StringMap(const char* key) const;
  // Rejects keys the format does not know, so a misspelt field is not silently ignored.
  void RejectUnknownKeys(std::initializer_list<const char*> known) const;

  const std::string& Path() const { return path_; }
  std::string PathOf(const char* key) const;
  [[noreturn]] void Fail(const char* key, const std::string& problem) const;

 private:
  const nlohmann::json* Find(const char* key) const;

  const nlohmann::json& value_;
  std::string path_;
};

}  // namespace tarvonel
