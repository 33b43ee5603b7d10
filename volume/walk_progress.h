#pragma once

namespace tarvonel {

// The live walk counters that the job window refreshes while the catalogue is built.
class WalkProgress {
 public:
  virtual ~WalkProgress() = default;
  virtual void StartWalkCounters() = 0;
  virtual void StopWalkCounters() = 0;
};

}  // namespace tarvonel
