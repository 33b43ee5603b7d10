#pragma once
#include <string>

#include "diskcheck/disk_check.h"

namespace tarvonel {

class Toolkit;
struct JobFlags;

// Where a check shows itself: the job window's progress bar and current-file label.
class CheckDisplay {
 public:
  virtual ~CheckDisplay() = default;
  virtual void ClearCurrentFile() = 0;
  virtual void ShowCheckProgress(int32_t value) = 0;
  // The check is over: the window idle, its progress at 0.
  virtual void CheckDone() = 0;
};

// runchkdsk and the sink handlers the main window carries: progress on the job window's bar,
// the window yielding on every text line, and the dirty-volume warning.
class CheckRunner : public IChkDskSink {
 public:
  CheckRunner(Toolkit& toolkit, CheckDisplay& display, JobFlags& flags, DiskCheck& check);

  // drv: "C:". The outcome is JobFlags::DiskCheckFailed.
  void runchkdsk(const std::string& drv);

  void Done(bool& bError) override;
  void Progress(int32_t lNewValue, bool& bCancel) override;
  void Status(const std::string& sValue, bool& bCancel) override;

 private:
  Toolkit& toolkit_;
  CheckDisplay& display_;
  JobFlags& flags_;
  DiskCheck& check_;
  bool cancel_ = true;  // never set while a check runs, so a check is never cancelled
};

}  // namespace tarvonel
