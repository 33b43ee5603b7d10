#include "volume/extents.h"

#include <algorithm>
#include <array>

#include "base/debug_log.h"
#include "base/job_settings.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/system_error_text.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "volume/file_open.h"
#include "volume/job_events.h"

namespace tarvonel {
namespace {

constexpr uint32_t kRetrievalBufferBytes = record::kRetrievalHeader + kExtentsPerCall * record::kExtentRecord;

// A handle that never reaches the platform: the extent read of a file that could not be
// opened still runs, as on Windows, and fails with the invalid-handle error.
uint32_t ReadChunk(VolumeIo& io, OsHandle* handle, int64_t startingVcn, std::vector<uint8_t>& buffer,
                   uint32_t& returned) {
  returned = 0;
  if (handle == nullptr) return win32_error::kInvalidHandle;
  std::array<uint8_t, 8> input{};
  le::PutI64(input.data(), startingVcn);
  return io.DeviceIoControl(*handle, win32::kFsctlGetRetrievalPointers, input.data(), 8, buffer.data(),
                                  kRetrievalBufferBytes, returned);
}

}  // namespace

ExtentReader::ExtentReader(VolumeIo& io, const JobSettings& settings, JobEvents& events,
                           SystemErrorText& errorText)
    : io_(io),
      settings_(settings),
      events_(events),
      errorText_(errorText),
      buffer_(kRetrievalBufferBytes) {}

ExtentReader::ReadOutcome ExtentReader::Read(const std::string& path, bool firstChunkOnly) {
  ReadOutcome outcome;
  ExtentList& list = outcome.list;
  OpenResult opened = OpenFileThreeWays(io_, path, FirstOpen::ForExtents);
  if (opened.handle) {
    list.Opened = true;
    list.Path = path;
  } else {
    outcome.openError = opened.error;
  }

  std::vector<uint8_t>& buffer = buffer_;
  int64_t startingVcn = 0;
  for (;;) {
    uint32_t returned = 0;
    uint32_t error = ReadChunk(io_, opened.handle.get(), startingVcn, buffer, returned);
    outcome.readError = error;
    if (error != win32_error::kSuccess && error != win32_error::kMoreData) break;
    // Only what the platform wrote is read, however large the count it claims.
    const uint32_t written = returned >= record::kRetrievalHeader
                                 ? static_cast<uint32_t>((returned - record::kRetrievalHeader) / record::kExtentRecord)
                                 : 0;
    const uint32_t count = std::min({le::U32(buffer.data()), written, uint32_t{kExtentsPerCall}});
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* pair = buffer.data() + record::kRetrievalHeader + i * record::kExtentRecord;
      list.Extents.push_back({le::I64(pair), le::I64(pair + 8)});
    }
    list.ExtentCount = static_cast<int32_t>(list.Extents.size());
    if (firstChunkOnly && count >= 1) error = win32_error::kSuccess;
    if (error != win32_error::kMoreData) break;
    // Continue after the last extent returned. A platform that claims more data without
    // moving forward would make this loop forever: such an answer ends the read.
    const int64_t nextVcn = count == 0 ? startingVcn : list.Extents.back().NextVcn;
    if (nextVcn <= startingVcn) break;
    startingVcn = nextVcn;
  }
  if (list.ExtentCount == 0) list.Opened = false;
  return outcome;
}

ExtentList ExtentReader::ReadExtents(const std::string& path, bool firstChunkOnly, bool countFailure) {
  ReadOutcome outcome = Read(path, firstChunkOnly);
  const bool openFailed = outcome.list.Path.empty();
  if (countFailure && openFailed) {
    ++UnreadableCount;
    if (settings_.DebugLog) {
      events_.Log("BMP, can't open : " + path +
                            ", last dll_err:" + errorText_.GetSystemErrorMessageText(outcome.openError) + "-" +
                            errorText_.GetSystemErrorMessageText(outcome.readError) + std::string(kCrLf));
    }
  }
  return std::move(outcome.list);
}

ExtentList ExtentReader::ReadExtentsQuiet(const std::string& path, bool firstChunkOnly) {
  ExtentList list = std::move(Read(path, firstChunkOnly).list);
  list.Path = path;
  return list;
}

int32_t ExtentReader::FirstLcn(const std::string& path) {
  const ExtentList list = ReadExtentsQuiet(path, true);
  for (const Extent& extent : list.Extents) {
    const int32_t lcn = static_cast<int32_t>(extent.Lcn);
    if (lcn != -1) return lcn;
  }
  return 0;
}

}  // namespace tarvonel
