#include "front/linux/tool/solid_state.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

namespace tarvonel {
namespace {

// "0" or "1", or empty when there is no such file.
std::string FirstWord(const std::string& path) {
  std::ifstream file(path);
  std::string word;
  file >> word;
  return word;
}

}  // namespace

bool IsSolidStateDevice(const std::string& path, const std::string& sysDevBlock) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return false;
  return HasNoSeekPenalty(major(info.st_rdev), minor(info.st_rdev), sysDevBlock);
}

bool HasNoSeekPenalty(unsigned major, unsigned minor, const std::string& sysDevBlock) {
  const std::string device = sysDevBlock + "/" + std::to_string(major) + ":" + std::to_string(minor);
  // A partition has no queue of its own: its whole disk's is one folder up.
  std::string rotational = FirstWord(device + "/queue/rotational");
  if (rotational.empty()) rotational = FirstWord(device + "/../queue/rotational");
  return rotational == "0";
}

}  // namespace tarvonel
