#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tarvonel {

// An open handle on a volume, file or directory; destroying it closes it (P12).
class OsHandle {
 public:
  virtual ~OsHandle() = default;
};

// A directory search in progress; destroying it ends the search.
class OsFindHandle {
 public:
  virtual ~OsFindHandle() = default;
};

struct OpenResult {
  std::unique_ptr<OsHandle> handle;  // empty when the open failed
  uint32_t error = 0;
};

// The fields of WIN32_FIND_DATAW the engine reads.
struct FindEntry {
  uint32_t attributes = 0;
  uint32_t reserved0 = 0;  // the reparse tag when the reparse-point attribute is set
  uint64_t size = 0;
  std::string name;  // cFileName up to its first NUL, UTF-8
};

struct DiskFreeSpace {
  uint32_t error = 0;  // 0: the fields are valid
  uint32_t sectorsPerCluster = 0;
  uint32_t bytesPerSector = 0;
  uint32_t freeClusters = 0;
  uint32_t totalClusters = 0;
};

struct VolumeInformation {
  uint32_t error = 0;
  std::string label;
  std::string fileSystemName;
  uint32_t fileSystemFlags = 0;  // FILE_READ_ONLY_VOLUME and the like
};

// Volumes and files: the engine's operations P1 to P12, and sector reads. Errors come back as
// Win32 error numbers from the call. Names stay clear of the A/W macros of <windows.h>.
class VolumeIo {
 public:
  virtual ~VolumeIo() = default;

  // CreateFileW with OPEN_EXISTING: "\\.\C:" for a volume, "\\?\" + full path for a file,
  // directory or "file:stream".
  virtual OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) = 0;
  // 0 on success; ERROR_MORE_DATA with `bytesReturned` valid bytes when the output was filled.
  virtual uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize,
                                   void* output, uint32_t outputSize, uint32_t& bytesReturned) = 0;
  // P5: FSCTL_MOVE_FILE on the volume handle with a MOVE_FILE_DATA for `file` (the platform
  // builds the record in its own layout: 32-bit on the 32-bit program). 0 or the Win32 error.
  virtual uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                                    uint32_t clusterCount) = 0;
  // ntdll calls without input: they return the NTSTATUS itself and the I/O status Information.
  virtual uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                                   uint32_t& information) = 0;
  virtual uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                          uint32_t& information) = 0;
  // FindFirstFileW / FindNextFileW; FindClose when the search handle is destroyed.
  virtual std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry,
                                                  uint32_t& error) = 0;
  virtual bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) = 0;
  virtual DiskFreeSpace QueryDiskFreeSpace(const std::string& root) = 0;          // GetDiskFreeSpace
  virtual VolumeInformation QueryVolumeInformation(const std::string& root) = 0;  // GetVolumeInformation
  virtual bool GetInputState() = 0;  // keyboard or mouse input is waiting
  // SetFilePointer from the file's start; 0 or the error of an invalid position.
  virtual uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) = 0;
  virtual uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) = 0;

  // The SMART pass-through (SMART_SEND_DRIVE_COMMAND, SMART_RCV_DRIVE_DATA) goes through
  // OpenPath and DeviceIoControl on "\\.\C:" opened for reading and writing.
};

}  // namespace tarvonel
