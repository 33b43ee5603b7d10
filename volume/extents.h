#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tarvonel {

class JobEvents;
class SystemErrorText;
class VolumeIo;
struct JobSettings;

// One run of a file as the file system reports it (RETRIEVAL_POINTERS_BUFFER's pair).
struct Extent {
  int64_t NextVcn = 0;  // the VCN after this extent
  int64_t Lcn = 0;      // first cluster on the volume; -1 for a hole or virtual run
  bool operator==(const Extent&) const = default;
};

struct ExtentList {
  std::string Path;     // as asked for; empty when the logged reader could not open the file
  bool Opened = false;  // opened and at least one extent returned
  int32_t ExtentCount = 0;
  std::vector<Extent> Extents;
};

inline constexpr int32_t kExtentsPerCall = 1024;

// Reads extent maps of files, directories and named streams (P2, P4, P12).
class ExtentReader {
 public:
  ExtentReader(VolumeIo& io, const JobSettings& settings, JobEvents& events, SystemErrorText& errorText);

  // The logged reader: with countFailure, a file that cannot be opened is counted in
  // UnreadableCount and, with the debug log on, logged.
  ExtentList ReadExtents(const std::string& path, bool firstChunkOnly, bool countFailure);
  // The same read, silent, with Path always filled.
  ExtentList ReadExtentsQuiet(const std::string& path, bool firstChunkOnly);
  // The low 32 bits of the first LCN that is not a hole, from the first chunk; 0 when none.
  int32_t FirstLcn(const std::string& path);

  int32_t UnreadableCount = 0;

 private:
  struct ReadOutcome {
    ExtentList list;
    uint32_t openError = 0;
    uint32_t readError = 0;
  };
  ReadOutcome Read(const std::string& path, bool firstChunkOnly);

  VolumeIo& io_;
  const JobSettings& settings_;
  JobEvents& events_;
  SystemErrorText& errorText_;
  std::vector<uint8_t> buffer_;  // one retrieval-pointer buffer, reused by every read
};

}  // namespace tarvonel
