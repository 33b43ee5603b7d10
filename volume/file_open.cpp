#include "volume/file_open.h"

#include "platform/win32_codes.h"

namespace tarvonel {

OpenResult OpenFileThreeWays(VolumeIo& io, const std::string& path, FirstOpen first) {
  const std::string longPath = kLongPathPrefix + path;
  const uint32_t firstFlags = first == FirstOpen::ForExtents ? win32::kFlagNoBuffering : 0;
  const struct {
    uint32_t access;
    uint32_t flags;
  } attempts[] = {
      {win32::kFileReadAttributes, firstFlags},
      {win32::kGenericRead, win32::kFlagNoBuffering},
      {win32::kGenericRead, win32::kFlagBackupSemantics},
  };
  OpenResult result;
  for (const auto& attempt : attempts) {
    result = io.OpenPath(longPath, attempt.access, win32::kFileShareReadWrite, attempt.flags);
    if (result.handle) return result;
  }
  return result;
}

}  // namespace tarvonel
