#include "diskcheck/check_runner.h"

#include "base/job_flags.h"
#include "ui/controls/toolkit.h"
#include "version.h"

namespace tarvonel {

CheckRunner::CheckRunner(Toolkit& toolkit, CheckDisplay& display, JobFlags& flags, DiskCheck& check)
    : toolkit_(toolkit), display_(display), flags_(flags), check_(check) {}

void CheckRunner::runchkdsk(const std::string& drv) {
  cancel_ = false;
  flags_.DiskCheckFailed = false;
  display_.ClearCurrentFile();
  check_.CheckVolume(drv + "\\", false, false, true, false, *this);
  cancel_ = true;
}

void CheckRunner::Done(bool& bError) {
  display_.CheckDone();
  if (!bError) return;
  flags_.DiskCheckFailed = true;
  toolkit_.MsgBox("One or more volumes are 'dirty'!\r\nYou should run Chkdsk to correct errors.", MsgBoxButtons::OK,
                  MsgBoxIcon::Exclamation, kProgramName);
}

void CheckRunner::Progress(int32_t lNewValue, bool& bCancel) {
  display_.ShowCheckProgress(lNewValue);
  bCancel = cancel_;
}

void CheckRunner::Status(const std::string&, bool& bCancel) {
  toolkit_.DoEvents();
  bCancel = cancel_;
}

}  // namespace tarvonel
