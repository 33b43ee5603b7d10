#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/volume_io.h"

namespace tarvonel::fs_driver {

// What a CreateFileW path names: "\\.\C:" the volume, "\\?\C:\dir\file[:stream[:$DATA]]" an entry.
struct OpenTarget {
  enum class Kind { Volume, Entry, Invalid } kind = Kind::Invalid;  // Invalid: ERROR_INVALID_NAME
  char letter = 0;
  std::string below;   // "dir\file", empty for the root
  std::string stream;  // a named stream, without ":$DATA"
  bool named = false;  // a stream was named
};
OpenTarget ParseOpenPath(const std::string& path);

// What FindFirstFileW's "C:\dir\*" (or "\\?\C:\dir\*") searches, or the error it meets first.
struct FindTarget {
  uint32_t error = 0;
  char letter = 0;
  std::string below;  // "dir\" or empty for the root
};
FindTarget ParseFindPattern(const std::string& pattern);

bool IsDriveRoot(const std::string& text);  // "C:\"

// A directory search's results; FindNextFileW walks them, and so every back end shares it.
class Listing : public OsFindHandle {
 public:
  std::vector<FindEntry> entries;
  size_t next = 0;
};

// Starts a search of a directory's `children`; "." and ".." (`self`, `parent`) come first
// except in a root. ERROR_FILE_NOT_FOUND when nothing is listed.
std::unique_ptr<OsFindHandle> StartListing(const FindEntry* self, const FindEntry* parent,
                                           std::vector<FindEntry> children, FindEntry& first, uint32_t& error);
// FindNextFileW on a Listing: ERROR_NO_MORE_FILES at its end.
bool NextListed(OsFindHandle& search, FindEntry& entry, uint32_t& error);

}  // namespace tarvonel::fs_driver
