#include "volume/file_open.h"

#include <array>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/win32_codes.h"

namespace tarvonel {
namespace {

// FSCTL_MOVE_FILE moves an encrypted file only through a handle with FILE_READ_DATA,
// FILE_WRITE_DATA, FILE_APPEND_DATA or FILE_EXECUTE access (MOVE_FILE_DATA, winioctl.h). The
// attributes come from the handle itself: a file whose attributes cannot be read keeps it.
bool IsEncrypted(VolumeIo& io, OsHandle& handle) {
  std::array<uint8_t, record::kBasicInformationSize> basic{};
  uint32_t information = 0;
  if (io.NtQueryInformationFile(handle, basic.data(), static_cast<uint32_t>(basic.size()), win32::kFileBasicInformation,
                                information) != win32::kStatusSuccess ||
      information < record::kBasicFileAttributes + 4) {
    return false;
  }
  return (le::U32(basic.data() + record::kBasicFileAttributes) & win32::kAttributeEncrypted) != 0;
}

}  // namespace

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
    if (!result.handle) continue;
    const bool attributesOnly = attempt.access == win32::kFileReadAttributes;
    if (first == FirstOpen::ForMove && attributesOnly && IsEncrypted(io, *result.handle)) continue;
    return result;
  }
  return result;
}

}  // namespace tarvonel
