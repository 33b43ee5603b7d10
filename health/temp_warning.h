#pragma once
#include <functional>
#include <string>

#include "health/temperatures.h"
#include "ui/controls/controls.h"
#include "ui/controls/window.h"

namespace tarvonel {

class VolumeIo;
class Toolkit;
class DebugLog;

// What the warning window does to the job it holds.
class TemperatureWatchOwner {
 public:
  virtual ~TemperatureWatchOwner() = default;
  // Switches the job window's watch off for the rest of the pass (dark-green label).
  virtual void DisableTemperatureWatch() = 0;
  // Stops the running job at its next check and redraws the map.
  virtual void StopJobForHeat() = 0;
};

// "Waiting for disk to cool down ...": holds a pass while the disk is too hot, reading the
// temperature itself every 30 seconds and closing at the first reading of 55 °C or less.
class HDDTempWarning : public Window, private ITemperatureEvents {
 public:
  HDDTempWarning(VolumeIo& io, Toolkit& toolkit, DebugLog& debugLog, const bool& debugLogOn,
                 std::function<std::string()> drive, TemperatureWatchOwner& owner);

  Label Label1{"Label1", "Tarvonel is waiting for the disk to cool off and will automatically continue."};
  Label LblHDDTemp{"LblHDDTemp"};
  Button Command1{"Command1", "&Disable temp probe (not recommended!)"};
  Button Command2{"Command2", "&Stop defragmentation"};
  Button Command3{"Command3", "&Continue (not recommended)"};
  Timer tmrTemperatures{"tmrTemperatures", 30000};

  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  bool Form_QueryUnload(UnloadMode mode) override;

 private:
  void HDDTempOK(int16_t intTemp) override;
  void HDDTempNA(int16_t) override {}
  void HDDTempCritical(int16_t intTemp) override;
  void CloseWarning();

  Toolkit& toolkit_;
  DebugLog& debugLog_;
  const bool& debugLogOn_;
  TemperatureWatchOwner& owner_;
  clsTemperatures temperatures_;
};

}  // namespace tarvonel
