// The records the engine parses from the platform: the volume bitmap, retrieval pointers,
// stream information, the NTFS volume data, the storage query and the SMART reply. The
// simulated machine answers every call, but the one the input names answers with the input's
// bytes (a status, a claimed length, then the record), so the engine's real parsing runs on
// whatever a driver could return.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/job_flags.h"
#include "base/little_endian.h"
#include "base/job_settings.h"
#include "base/volume_zones.h"
#include "health/temperatures.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/system_error_text.h"
#include "platform/win32_codes.h"
#include "recording_events.h"
#include "volume/catalogue.h"
#include "volume/extents.h"
#include "volume/free_runs.h"
#include "volume/seek_penalty.h"
#include "volume/volume_access.h"

namespace {

using namespace tarvonel;

const char* const kMachine = R"({"drives": [{"letter": "C", "volume": {"total_clusters": 300000, "entries": [
  {"name": "a.dat", "extents": [[100, 4], [200, 4]], "streams": [{"name": "s", "extents": [[300, 1]]}]}]}}]})";

// The sim's answers, but for the call `replaced`: status and bytes from the input.
class FuzzedAnswers : public SimPlatform {
 public:
  FuzzedAnswers(Machine machine, uint32_t replaced, uint32_t status, uint32_t claimed, std::vector<uint8_t> record)
      : SimPlatform(std::move(machine)), replaced_(replaced), status_(status), claimed_(claimed), record_(std::move(record)) {}

  uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& bytesReturned) override {
    if (code != replaced_) return SimPlatform::DeviceIoControl(handle, code, input, inputSize, output, outputSize, bytesReturned);
    bytesReturned = Fill(output, outputSize);
    return status_;
  }
  uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                           uint32_t& information) override {
    if (code != replaced_) return SimPlatform::NtFsControlFile(handle, code, output, outputSize, information);
    information = Fill(output, outputSize);
    return status_;
  }
  uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                  uint32_t& information) override {
    if (replaced_ != kStreams) return SimPlatform::NtQueryInformationFile(handle, output, length, infoClass, information);
    information = Fill(output, length);
    return status_;
  }

  static constexpr uint32_t kStreams = 0xFFFFFFFF;

 private:
  // The record's bytes; the length claimed may be larger than what was written, as a faulty
  // driver's may, but never beyond the buffer the caller gave.
  uint32_t Fill(void* output, uint32_t size) const {
    const size_t n = std::min<size_t>(record_.size(), size);
    if (n > 0) std::memcpy(output, record_.data(), n);
    return std::min(claimed_, size);
  }
  uint32_t replaced_, status_, claimed_;
  std::vector<uint8_t> record_;
};

class QuietTemperatures : public ITemperatureEvents {
 public:
  void HDDTempOK(int16_t) override {}
  void HDDTempNA(int16_t) override {}
  void HDDTempCritical(int16_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const uint32_t codes[] = {win32::kFsctlGetVolumeBitmap,  win32::kFsctlGetRetrievalPointers,
                            FuzzedAnswers::kStreams,       win32::kFsctlGetNtfsVolumeData,
                            win32::kIoctlStorageQueryProperty, win32::kSmartRcvDriveData};
  const uint32_t code = codes[data[0] % (sizeof codes / sizeof codes[0])];
  // The status: success, more data, or whatever the next word says.
  const uint32_t statuses[] = {0, 234, 0x80000005, le::U32(data + 1)};
  const uint32_t status = statuses[data[1] % 4];
  const uint32_t claimed = le::U32(data + 5) % 70000;
  static const Machine machine = ParseMachine(kMachine);
  FuzzedAnswers io(machine, code, status, claimed, std::vector<uint8_t>(data + 9, data + size));

  JobSettings settings;
  settings.DriveRoot = "C:\\";
  test::RecordingEvents events;
  SystemErrorText errorText(io, {});
  VolumeAccess access(io);
  access.SelectDrive("C:\\");
  int32_t total = 0;
  ReadFreeRuns(io, access.VolumeHandle(), total);
  ExtentReader extents(io, settings, events, errorText);
  extents.ReadExtents("C:\\a.dat", false, true);
  JobFlags flags;
  VolumeZones zones;
  const std::string prefetch = "C:\\Windows\\Prefetch";
  Catalogue catalogue(io, events, extents, flags, access.Geometry(), zones, prefetch);
  catalogue.QueryStreams("C:\\a.dat");
  QuerySeekPenalty(io, "C:");
  QuietTemperatures temperatures;
  clsTemperatures reader(io, [] { return std::string("C:"); }, temperatures);
  reader.QueryHDDTemperature();
  return 0;
}
