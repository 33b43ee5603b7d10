#include "platform/image/file_storage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filesystems/volume_model.h"

namespace tarvonel::image {

// Not O_EXCL: the volume's Medium holds the device exclusively for the whole run already, and
// a second exclusive open of it would fail.
FileStorage::FileStorage(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) throw fs::VolumeError(path + ": cannot be opened for writing (" + std::string(std::strerror(errno)) + ")");
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

}  // namespace tarvonel::image
