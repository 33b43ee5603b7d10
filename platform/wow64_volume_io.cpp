#include "platform/wow64_volume_io.h"

#include "platform/wow64_redirection.h"

namespace tarvonel {

OpenResult Wow64VolumeIo::OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) {
  const Wow64Redirection::VolumeCallScope realFileSystem(redirection_);
  return io_.OpenPath(path, access, share, flags);
}

std::unique_ptr<OsFindHandle> Wow64VolumeIo::FindFirst(const std::string& pattern, FindEntry& entry,
                                                       uint32_t& error) {
  const Wow64Redirection::VolumeCallScope realFileSystem(redirection_);
  return io_.FindFirst(pattern, entry, error);
}

}  // namespace tarvonel
