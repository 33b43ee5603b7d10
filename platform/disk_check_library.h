#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tarvonel {

// One report of the disk-check library's Chkdsk to its callback, its record already read by
// the platform (which checks that the text record and text can be read).
struct ChkdskReport {
  uint32_t command = 0;   // 0 progress, 11 done, 14 text output; others are ignored
  uint32_t percent = 0;   // command 0
  bool succeeded = false;  // command 11
  std::optional<std::string> text;  // command 14: ANSI text up to its first NUL; none if unreadable
};

// The disk-check library (fmifs.dll) with its Chkdsk export.
class DiskCheckLibrary {
 public:
  virtual ~DiskCheckLibrary() = default;

  // 0 when the library and its export are there, else the error of the load (126) or the
  // look-up (127).
  virtual uint32_t DiskCheckAvailable(const std::string& root) = 0;
  // Chkdsk(root, file system, fix, verbose, only if dirty, scan drive); calls `report` for each
  // callback and returns when the check has ended. A false answer asks the check to stop.
  virtual void RunChkdsk(const std::string& root, const std::string& fileSystem, bool fix, bool verbose,
                         bool onlyIfDirty, bool scanDrive, const std::function<bool(const ChkdskReport&)>& report) = 0;
};

}  // namespace tarvonel
