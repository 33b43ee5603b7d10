#pragma once
#include <cstdint>

namespace tarvonel {

// What the job window shows while the catalogue is built: the live walk counters, the
// current-file label and the progress bar of the fragmented-extent read.
class WalkProgress {
 public:
  virtual ~WalkProgress() = default;
  virtual void StartWalkCounters() = 0;  // the UpdateTimer
  virtual void StopWalkCounters() = 0;
  virtual void ClearCurrentFile() = 0;   // the etfich label
  virtual void StartProgress(int32_t maximum) = 0;  // from 0, showing 0
  virtual void AdvanceProgress() = 0;
};

}  // namespace tarvonel
