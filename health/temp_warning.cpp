#include "health/temp_warning.h"

#include "base/debug_log.h"
#include "ui/controls/toolkit.h"

namespace tarvonel {

HDDTempWarning::HDDTempWarning(VolumeIo& io, Toolkit& toolkit, DebugLog& debugLog, const bool& debugLogOn,
                               std::function<std::string()> drive, TemperatureWatchOwner& owner)
    : Window("HDDTempWarning", "Waiting for disk to cool down ...", 420, 150),
      toolkit_(toolkit),
      debugLog_(debugLog),
      debugLogOn_(debugLogOn),
      owner_(owner),
      temperatures_(io, std::move(drive), *this) {
  Command1.toolTip = "This will disable the disk temperature monitor.";
  tmrTemperatures.SetEnabled(false);
  tmrTemperatures.OnTick = [this] { temperatures_.QueryHDDTemperature(); };
  Command1.OnClick = [this] { Command1_Click(); };
  Command2.OnClick = [this] { Command2_Click(); };
  Command3.OnClick = [this] { Command3_Click(); };
  Label1.SetPlacement({10, 10, 300, 40});
  LblHDDTemp.SetPlacement({320, 10, 90, 40});
  Command1.SetPlacement({10, 60, 400, 24});
  Command2.SetPlacement({10, 88, 195, 24});
  Command3.SetPlacement({215, 88, 195, 24});
  for (Control* control : std::initializer_list<Control*>{&Label1, &LblHDDTemp, &Command1, &Command2, &Command3,
                                                           &tmrTemperatures}) {
    Register(*control);
  }
}

void HDDTempWarning::CloseWarning() {
  tmrTemperatures.SetEnabled(false);
  toolkit_.Hide(*this);
}

void HDDTempWarning::Command1_Click() {
  owner_.DisableTemperatureWatch();
  CloseWarning();
}

void HDDTempWarning::Command2_Click() {
  owner_.DisableTemperatureWatch();
  tmrTemperatures.SetEnabled(false);
  owner_.StopJobForHeat();
  CloseWarning();
}

void HDDTempWarning::Command3_Click() { CloseWarning(); }

bool HDDTempWarning::Form_QueryUnload(UnloadMode) {
  // Closed from its title bar: the wait ends as with Continue; the window stays loaded.
  CloseWarning();
  return true;
}

void HDDTempWarning::HDDTempOK(int16_t) { CloseWarning(); }

void HDDTempWarning::HDDTempCritical(int16_t intTemp) {
  LblHDDTemp.SetCaption(std::to_string(intTemp) + "°C");
  if (debugLogOn_) debugLog_.AppendDebug("HD Temp HIGH: " + std::to_string(intTemp) + "\r\n");
}

}  // namespace tarvonel
