#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace tarvonel {

class VolumeIo;

// What a temperature reading raises, into the window that owns the reader.
class ITemperatureEvents {
 public:
  virtual ~ITemperatureEvents() = default;
  virtual void HDDTempOK(int16_t intTemp) = 0;
  virtual void HDDTempNA(int16_t intTemp) = 0;
  virtual void HDDTempCritical(int16_t intTemp) = 0;
};

inline constexpr int16_t kCriticalAbove = 55;  // degrees Celsius

// Reads the job drive's temperature from its SMART data (attribute 194, lowest raw byte).
class clsTemperatures {
 public:
  // `drive` gives the job's drive ("C:") at the time of each reading.
  clsTemperatures(VolumeIo& io, std::function<std::string()> drive, ITemperatureEvents& events);

  // One reading; raises exactly one event before it returns.
  void QueryHDDTemperature();

 private:
  int16_t ReadTemperature();

  VolumeIo& io_;
  std::function<std::string()> drive_;
  ITemperatureEvents& events_;
};

}  // namespace tarvonel
