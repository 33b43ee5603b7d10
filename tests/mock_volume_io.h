#pragma once
#include <gmock/gmock.h>

#include "platform/volume_io.h"

namespace tarvonel::test {

// The volume role alone, for engine code that must be seen calling it (or not calling it).
class MockVolumeIo : public VolumeIo {
 public:
  MOCK_METHOD(OpenResult, OpenPath, (const std::string&, uint32_t, uint32_t, uint32_t), (override));
  MOCK_METHOD(uint32_t, DeviceIoControl, (OsHandle&, uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t&),
              (override));
  MOCK_METHOD(uint32_t, MoveFileClusters, (OsHandle&, OsHandle&, int64_t, int64_t, uint32_t), (override));
  MOCK_METHOD(uint32_t, NtFsControlFile, (OsHandle&, uint32_t, void*, uint32_t, uint32_t&), (override));
  MOCK_METHOD(uint32_t, NtQueryInformationFile, (OsHandle&, void*, uint32_t, uint32_t, uint32_t&), (override));
  MOCK_METHOD(std::unique_ptr<OsFindHandle>, FindFirst, (const std::string&, FindEntry&, uint32_t&), (override));
  MOCK_METHOD(bool, FindNext, (OsFindHandle&, FindEntry&, uint32_t&), (override));
  MOCK_METHOD(DiskFreeSpace, QueryDiskFreeSpace, (const std::string&), (override));
  MOCK_METHOD(VolumeInformation, QueryVolumeInformation, (const std::string&), (override));
  MOCK_METHOD(bool, GetInputState, (), (override));
  MOCK_METHOD(uint32_t, SetFilePointer, (OsHandle&, int32_t, int32_t), (override));
  MOCK_METHOD(uint32_t, ReadFile, (OsHandle&, void*, uint32_t, uint32_t&), (override));
};

// A handle of no particular file.
class FakeHandle : public OsHandle {};

}  // namespace tarvonel::test
