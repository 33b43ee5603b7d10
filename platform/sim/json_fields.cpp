#include "platform/sim/json_fields.h"

#include <limits>
#include <utility>

#include "platform/sim/machine_error.h"

namespace tarvonel {

JsonObject::JsonObject(const nlohmann::json& value, std::string path) : value_(value), path_(std::move(path)) {
  if (!value_.is_object()) {
    throw MachineError((path_.empty() ? std::string("the machine description") : "\"" + path_ + "\"") +
                       " must be a JSON object");
  }
}

std::string JsonObject::PathOf(const char* key) const { return path_.empty() ? key : path_ + "." + key; }

void JsonObject::Fail(const char* key, const std::string& problem) const {
  throw MachineError("\"" + PathOf(key) + "\" " + problem);
}

const nlohmann::json* JsonObject::Find(const char* key) const {
  auto it = value_.find(key);
  return it == value_.end() ? nullptr : &*it;
}

uint32_t JsonObject::UInt32(const char* key, uint32_t fallback) const {
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return fallback;
  constexpr uint64_t kMax = std::numeric_limits<uint32_t>::max();
  const bool inRange = field->is_number_unsigned()   ? field->get<uint64_t>() <= kMax
                       : field->is_number_integer() ? field->get<int64_t>() >= 0 && field->get<int64_t>() <= int64_t{kMax}
                                                    : false;
  if (!inRange) Fail(key, "must be a whole number from 0 to 4294967295");
  return static_cast<uint32_t>(field->get<uint64_t>());
}

int64_t JsonObject::Int64(const char* key, int64_t fallback, int64_t min, int64_t max) const {
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return fallback;
  const bool whole = field->is_number_integer() && !(field->is_number_unsigned() && field->get<uint64_t>() > INT64_MAX);
  if (!whole || field->get<int64_t>() < min || field->get<int64_t>() > max) {
    Fail(key, "must be a whole number from " + std::to_string(min) + " to " + std::to_string(max));
  }
  return field->get<int64_t>();
}

std::vector<std::pair<int64_t, int64_t>> JsonObject::Runs(const char* key) const {
  std::vector<std::pair<int64_t, int64_t>> runs;
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return runs;
  if (!field->is_array()) Fail(key, "must be a list of [lcn, length] pairs");
  for (size_t i = 0; i < field->size(); ++i) {
    const nlohmann::json& pair = (*field)[i];
    const std::string where = PathOf(key) + "[" + std::to_string(i) + "]";
    if (!pair.is_array() || pair.size() != 2 || !pair[0].is_number_integer() || !pair[1].is_number_integer() ||
        pair[0].get<int64_t>() < -1 || pair[1].get<int64_t>() < 1) {
      throw MachineError("\"" + where + "\" must be [lcn, length] with lcn -1 or more and length 1 or more");
    }
    runs.emplace_back(pair[0].get<int64_t>(), pair[1].get<int64_t>());
  }
  return runs;
}

bool JsonObject::Bool(const char* key, bool fallback) const {
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return fallback;
  if (!field->is_boolean()) Fail(key, "must be true or false");
  return field->get<bool>();
}

std::string JsonObject::String(const char* key, const std::string& fallback, size_t maxLength) const {
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return fallback;
  if (!field->is_string()) Fail(key, "must be a text in double quotes");
  std::string text = field->get<std::string>();
  if (text.size() > maxLength) Fail(key, "is longer than " + std::to_string(maxLength) + " characters");
  return text;
}

size_t JsonObject::Choice(const char* key, std::initializer_list<const char*> choices, size_t fallback) const {
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return fallback;
  std::string allowed;
  size_t index = 0;
  for (const char* choice : choices) {
    if (field->is_string() && field->get<std::string>() == choice) return index;
    allowed += (index == 0 ? "\"" : ", \"") + std::string(choice) + "\"";
    ++index;
  }
  Fail(key, "must be one of " + allowed);
}

std::optional<JsonObject> JsonObject::Object(const char* key) const {
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return std::nullopt;
  return JsonObject(*field, PathOf(key));
}

std::vector<JsonObject> JsonObject::ObjectArray(const char* key) const {
  std::vector<JsonObject> items;
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return items;
  if (!field->is_array()) Fail(key, "must be a list in square brackets");
  for (size_t i = 0; i < field->size(); ++i) {
    items.emplace_back((*field)[i], PathOf(key) + "[" + std::to_string(i) + "]");
  }
  return items;
}

std::vector<std::string> JsonObject::StringArray(const char* key) const {
  std::vector<std::string> items;
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return items;
  if (!field->is_array()) Fail(key, "must be a list in square brackets");
  for (size_t i = 0; i < field->size(); ++i) {
    if (!(*field)[i].is_string()) {
      throw MachineError("\"" + PathOf(key) + "[" + std::to_string(i) + "]\" must be a text in double quotes");
    }
    items.push_back((*field)[i].get<std::string>());
  }
  return items;
}

std::vector<std::pair<std::string, std::string>> JsonObject::StringMap(const char* key) const {
  std::vector<std::pair<std::string, std::string>> items;
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return items;
  if (!field->is_object()) Fail(key, "must be an object in curly brackets");
  for (const auto& [name, value] : field->items()) {
    if (!value.is_string()) throw MachineError("\"" + PathOf(key) + "." + name + "\" must be a text in double quotes");
    items.emplace_back(name, value.get<std::string>());
  }
  return items;
}

std::vector<uint32_t> JsonObject::UIntArray(const char* key) const {
  std::vector<uint32_t> items;
  const nlohmann::json* field = Find(key);
  if (field == nullptr) return items;
  if (!field->is_array()) Fail(key, "must be a list in square brackets");
  for (size_t i = 0; i < field->size(); ++i) {
    const nlohmann::json& item = (*field)[i];
    if (!item.is_number_unsigned() || item.get<uint64_t>() > 0xFFFFFFFFu) {
      throw MachineError("\"" + PathOf(key) + "[" + std::to_string(i) + "]\" must be a whole number from 0 to 4294967295");
    }
    items.push_back(static_cast<uint32_t>(item.get<uint64_t>()));
  }
  return items;
}

void JsonObject::RejectUnknownKeys(std::initializer_list<const char*> known) const {
  for (auto it = value_.begin(); it != value_.end(); ++it) {
    bool isKnown = false;
    for (const char* name : known) isKnown = isKnown || it.key() == name;
    if (!isKnown) throw MachineError("\"" + PathOf(it.key().c_str()) + "\" is not a field of this format");
  }
}

}  // namespace tarvonel
