#pragma once
#include <string>
#include <vector>

namespace tarvonel {

class ExtentReader;
class JobEvents;
class OsFacts;
class VolumeIo;

// Reads the system's boot layout list (PrefetchDir\layout.ini) into prefetch_files: every
// listed file of the Windows volume that can be opened and holds clusters, in file order.
class BootLayoutReader {
 public:
  BootLayoutReader(VolumeIo& io, OsFacts& os, JobEvents& events, ExtentReader& extents,
                   const std::string& prefetchDir);

  // Only for a job on the Windows volume (DriveRoot's drive is PrefetchDir's).
  void ReadBootLayout(const std::string& driveRoot, std::vector<std::string>& prefetchFiles);

  // The file's lines: UTF-16 LE with its byte-order mark (as Windows writes the list) or
  // 8-bit text in the system code page; a line ends at CR, LF or CR LF.
  static std::vector<std::string> SplitLines(const std::string& text);

 private:
  std::string ReadLayoutText();

  VolumeIo& io_;
  OsFacts& os_;
  JobEvents& events_;
  ExtentReader& extents_;
  const std::string& prefetchDir_;
};

}  // namespace tarvonel
