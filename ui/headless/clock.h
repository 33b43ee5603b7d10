#pragma once
#include <chrono>
#include <cstdint>

namespace tarvonel {

// Milliseconds since an arbitrary start; drives the headless toolkit's timers.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t NowMs() = 0;
};

// Time moves only when a test says so.
class VirtualClock : public Clock {
 public:
  uint64_t NowMs() override { return nowMs_; }
  void Advance(uint64_t ms) { nowMs_ += ms; }

 private:
  uint64_t nowMs_ = 0;
};

class SteadyClock : public Clock {
 public:
  uint64_t NowMs() override {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tarvonel
