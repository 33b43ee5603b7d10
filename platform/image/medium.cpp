#include "platform/image/medium.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filesystems/volume_model.h"

namespace tarvonel::image {
namespace {

// Why a file of this type cannot hold a volume, or empty when it can.
std::string TypeProblem(mode_t mode) {
  if (S_ISREG(mode) || S_ISBLK(mode)) return {};
  if (S_ISDIR(mode)) return "is a folder, not an image file or a block device";
  if (S_ISFIFO(mode)) return "is a FIFO (a pipe), not an image file or a block device";
  if (S_ISCHR(mode)) return "is a character device, not an image file or a block device";
  if (S_ISSOCK(mode)) return "is a socket, not an image file or a block device";
  return "is not an image file or a block device";
}

}  // namespace

std::unique_ptr<Medium> Medium::Open(const std::string& path, Hold hold) {
  auto fail = [&](const std::string& problem) -> std::unique_ptr<Medium> { throw fs::VolumeError(path + ": " + problem); };
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return fail("cannot be opened for reading (" + std::string(std::strerror(errno)) + ")");
  if (std::string problem = TypeProblem(info.st_mode); !problem.empty()) return fail(problem);
  const bool device = S_ISBLK(info.st_mode);
  int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;  // O_NONBLOCK: never wait on an open
  if (device && hold == Hold::Exclusive) flags |= O_EXCL;
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    if (errno == EBUSY) return fail("is in use: mounted, or held by another program; unmount it or end that program first");
    return fail("cannot be opened for reading (" + std::string(std::strerror(errno)) + ")");
  }
  auto closeAndFail = [&](const std::string& problem) {
    ::close(fd);
    return fail(problem);
  };
  // The path may have been replaced between the look and the open.
  if (::fstat(fd, &info) != 0) return closeAndFail("cannot be examined (" + std::string(std::strerror(errno)) + ")");
  if (std::string problem = TypeProblem(info.st_mode); !problem.empty()) return closeAndFail(problem);
  if (::fcntl(fd, F_SETFL, 0) != 0) return closeAndFail("cannot be read (" + std::string(std::strerror(errno)) + ")");
  if (!device && hold == Hold::Exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return closeAndFail("is locked by another program (another tarvonel run?); wait for it to end");
    return closeAndFail("cannot be locked (" + std::string(std::strerror(errno)) + ")");
  }
  const off_t end = ::lseek(fd, 0, SEEK_END);
  if (end < 0) return closeAndFail("has no size that can be read (" + std::string(std::strerror(errno)) + ")");
  return std::unique_ptr<Medium>(new Medium(path, fd, static_cast<uint64_t>(end)));
}

Medium::~Medium() { ::close(fd_); }

bool Medium::Read(uint64_t offset, void* buffer, size_t length) const {
  if (offset > size_ || length > size_ - offset) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    const ssize_t got = ::pread(fd_, out, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace tarvonel::image
