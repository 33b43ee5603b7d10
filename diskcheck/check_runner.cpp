#include "diskcheck/check_runner.h"

#include "base/job_flags.h"
#include "ui/controls/toolkit.h"
#include "ui/job_window/job_window.h"
#include "version.h"

namespace tarvonel {

CheckRunner::CheckRunner(Toolkit& toolkit, JobWindow& jobWindow, JobFlags& flags, DiskCheck& check)
    : toolkit_(toolkit), jobWindow_(jobWindow), flags_(flags), check_(check) {}

void CheckRunner::runchkdsk(const std::string& drv) {
  cancel_ = false;
  flags_.DiskCheckFailed = false;
  jobWindow_.etfich.SetCaption({});
  check_.CheckVolume(drv + "\\", false, false, true, false, *this);
  cancel_ = true;
}

void CheckRunner::Done(bool& bError) {
  jobWindow_.SetState(JobWindowState::Idle);
  jobWindow_.PB.SetValue(0);
  if (!bError) return;
  flags_.DiskCheckFailed = true;
  toolkit_.MsgBox("One or more volumes are 'dirty'!\r\nYou should run Chkdsk to correct errors.", MsgBoxButtons::OK,
                  MsgBoxIcon::Exclamation, kProgramName);
}

void CheckRunner::Progress(int32_t lNewValue, bool& bCancel) {
  jobWindow_.PB.SetValue(lNewValue);
  bCancel = cancel_;
}

void CheckRunner::Status(const std::string&, bool& bCancel) {
  toolkit_.DoEvents();
  bCancel = cancel_;
}

}  // namespace tarvonel
