#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class DiskCheckLibrary;
class VolumeIo;
struct ChkdskReport;

// What a running disk check reports to; the main window is the one used.
class IChkDskSink {
 public:
  virtual ~IChkDskSink() = default;
  virtual void Done(bool& bError) = 0;
  virtual void Progress(int32_t lNewValue, bool& bCancel) = 0;
  virtual void Status(const std::string& sValue, bool& bCancel) = 0;
};

// The platform's disk-check library, run read-only before a volume is listed or a
// command-line job runs. At most one check runs at a time.
class DiskCheck {
 public:
  DiskCheck(DiskCheckLibrary& library, VolumeIo& io);

  // root: "C:\". Without the library, its export or the volume's file-system name nothing
  // runs and no report arrives.
  void CheckVolume(const std::string& root, bool fix, bool verbose, bool onlyIfDirty, bool scanDrive,
                   IChkDskSink& sink);
  // Forwards one report to the sink; false asks the check to stop.
  bool ChkDskCallback(const ChkdskReport& report);

 private:
  DiskCheckLibrary& library_;
  VolumeIo& io_;
  IChkDskSink* activeCheckSink_ = nullptr;
};

}  // namespace tarvonel
