#include "diskcheck/disk_check.h"

#include "platform/disk_check_library.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"

namespace tarvonel {
namespace {

constexpr uint32_t kProgress = 0;
constexpr uint32_t kDone = 11;
constexpr uint32_t kTextOutput = 14;

}  // namespace

DiskCheck::DiskCheck(DiskCheckLibrary& library, VolumeIo& io) : library_(library), io_(io) {}

void DiskCheck::CheckVolume(const std::string& root, bool fix, bool verbose, bool onlyIfDirty, bool scanDrive,
                            IChkDskSink& sink) {
  if (activeCheckSink_ != nullptr) return;  // a check runs already
  if (library_.DiskCheckAvailable(root) != 0) return;
  activeCheckSink_ = &sink;
  const VolumeInformation volume = io_.QueryVolumeInformation(root);
  if (volume.error == 0) {
    // Repairing needs the volume to itself; in use, the check only reads.
    if (fix) {
      OpenResult exclusive = io_.OpenPath("\\\\.\\" + root.substr(0, 2), win32::kGenericWrite, 0, 0);
      fix = exclusive.handle != nullptr;
    }
    library_.RunChkdsk(root, volume.fileSystemName, fix, verbose, onlyIfDirty, scanDrive,
                        [this](const ChkdskReport& report) { return ChkDskCallback(report); });
  }
  activeCheckSink_ = nullptr;
}

bool DiskCheck::ChkDskCallback(const ChkdskReport& report) {
  if (activeCheckSink_ == nullptr) return true;
  bool cancel = false;
  switch (report.command) {
    case kProgress: activeCheckSink_->Progress(static_cast<int32_t>(report.percent), cancel); break;
    case kDone: {
      bool error = !report.succeeded;
      activeCheckSink_->Done(error);
      break;
    }
    case kTextOutput:
      if (report.text) activeCheckSink_->Status(*report.text, cancel);  // unreadable records are skipped
      break;
    default: break;
  }
  return !cancel;
}

}  // namespace tarvonel
