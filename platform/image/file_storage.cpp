#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/image/fat_image.h"
#include "platform/image/volume_storage.h"

namespace tarvonel::fat {

FileStorage::FileStorage(const std::string& path) {
  // A block device opened exclusively fails while it is mounted.
  struct stat info {};
  const bool device = ::stat(path.c_str(), &info) == 0 && S_ISBLK(info.st_mode);
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (device ? O_EXCL : 0));
  if (fd_ < 0 && device && errno == EBUSY) throw ImageError(path + ": the device is mounted or in use");
  if (fd_ < 0) throw ImageError(path + ": cannot be opened for writing");
}

FileStorage::~FileStorage() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileStorage::Read(uint64_t offset, void* buffer, size_t length) {
  auto* bytes = static_cast<char*>(buffer);
  while (length > 0) {
    const ssize_t got = ::pread(fd_, bytes, length, static_cast<off_t>(offset));
    if (got <= 0) return false;
    bytes += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

bool FileStorage::Write(uint64_t offset, const void* buffer, size_t length) {
  const auto* bytes = static_cast<const char*>(buffer);
  while (length > 0) {
    const ssize_t put = ::pwrite(fd_, bytes, length, static_cast<off_t>(offset));
    if (put <= 0) return false;
    bytes += put;
    offset += static_cast<uint64_t>(put);
    length -= static_cast<size_t>(put);
  }
  return true;
}

bool FileStorage::Flush() { return ::fdatasync(fd_) == 0; }

}  // namespace tarvonel::fat
