#pragma once
#include <array>
#include <functional>
#include <string>

#include "base/job_settings.h"
#include "diskcheck/check_runner.h"
#include "health/temp_warning.h"
#include "health/temperatures.h"
#include "placement/job_host.h"
#include "ui/controls/controls.h"
#include "ui/controls/window.h"
#include "ui/job_window/cluster_map.h"

namespace tarvonel {

class DebugLog;
class DebugLogWindow;
class EngineJob;
class ExtentReader;
class FrmDetails;
class Handover;
class VolumeIo;
class Toolkit;
class VolumeAccess;
struct JobFlags;

enum class JobWindowState { Loaded, Running, Idle, NoDrive };

// The job window ("defrag"): the map, progress, counters and statistics of the selected
// volume, and the commands that start, stop and end jobs. It is the engine job's host: it shows
// what the job reports and turns clicks into calls. Its enabled commands are the job
// controller's state: a job runs nested yields, and only the Running state keeps another job
// from starting inside them.
class JobWindow : public Window,
                  public JobHost,
                  public CheckDisplay,
                  private ITemperatureEvents,
                  private TemperatureWatchOwner {
 public:
  struct Parts {
    VolumeIo& io;
    Toolkit& toolkit;
    EngineJob& job;
    JobSettings& settings;
    JobFlags& flags;
    VolumeAccess& volume;
    ExtentReader& extents;
    DebugLog& debugLog;
    DebugLogWindow& debugLogWindow;
    Handover& handover;
    FrmDetails& details;
  };
  explicit JobWindow(Parts parts);

  // Menu commands and controls, as the program names them.
  MenuCommand Quitter{"Quitter", "Drive"};
  MenuCommand cmdanalysemore{"cmdanalysemore", "Analyze"};
  MenuCommand cmdDefrag{"cmdDefrag", "Defrag"};
  MenuCommand SmartOptimize{"SmartOptimize", "Optimize"};
  MenuCommand cmdCompact{"cmdCompact", "Compact"};
  MenuCommand Arretdefrag{"Arretdefrag", "Stop"};
  MenuCommand minmnu{"minmnu", "Minimize"};
  MenuCommand exitmnu{"exitmnu", "Exit"};
  Picture Picdepartvolume{"Picdepartvolume", 800, 40};
  ProgressBar PB{"PB"};
  Label etfich{"etfich"};
  std::array<Label, 6> LblStats{Label("LblStats1"), Label("LblStats2"), Label("LblStats3"),
                                Label("LblStats4"), Label("LblStats5"), Label("LblStats6")};
  Label LblIco0{"LblIco0", "n"};
  Label LblIco2{"LblIco2", "n"};
  Label LblRedraw{"LblRedraw", "n"};
  Label Label6{"Label6", "?: temp ??"};
  std::array<Label, 4> Label4{Label("Label4_0", "defrag"), Label("Label4_1", "optimize"), Label("Label4_2", "sys area"),
                              Label("Label4_3", "free")};
  // Colour swatches of the legend: used, MFT, defrag, optimize, sys area, free.
  std::array<Label, 6> Swatch{Label("Swatch0"), Label("Swatch1"), Label("Swatch2"),
                              Label("Swatch3"), Label("Swatch4"), Label("Swatch5")};
  Label Label1Used{"Label1_0", "used"};
  Label Label1Mft{"Label1_1", "MFT (area)"};
  Label Label5{"Label5", "candidate for:"};
  Label Label3{"Label3", "Cluster list"};
  Label Label2{"Label2", "Zone des clusters libres de la partition"};
  CheckBox Affiche{"Affiche", "Afficher pendant"};
  CheckBox ChkNoFileDisplay{"ChkNoFileDisplay", "Silent"};
  Timer UpdateTimer{"UpdateTimer", 2000};
  Timer tmrTemperatures{"tmrTemperatures", 30000};

  void Form_Load();
  void cmdAnalyseMore_Click();
  // The analysis each pass runs before it moves anything (the pass sets CollectPlacementLists first).
  void Analyze_This();
  void cmdDefrag_Click() { RunPassCommand(JobAction::Defragment); }
  void SmartOptimize_Click() { RunPassCommand(JobAction::Optimize); }
  void cmdCompact_Click() { RunPassCommand(JobAction::Compact); }
  void Arretdefrag_Click();
  void Quitter_Click();
  void minmnu_Click();
  void Form_Minimized() override;
  void exitmnu_Click();
  bool Form_QueryUnload(UnloadMode mode) override;
  void Picdepartvolume_Click();
  void Label4_Click();
  void UpdateTimer_Timer();
  void tmrTemperatures_Timer() { temperatures_.QueryHDDTemperature(); }
  // JobHost. A new job starts: a watch switched off in the warning window is on again.
  void BeginJob() override { temperatureWatchOff_ = false; }
  // "Select Drive" and the command-line job's preparation: a fresh idle window for the drive.
  void ResetForDrive(bool mapEnabled);
  HDDTempWarning& TemperatureWarning() { return warning_; }

  void SetState(JobWindowState state, bool passRunning = false);
  JobWindowState State() const { return state_; }

  // Told when a pass has ended, stopped or not: a platform that gathers its writes puts them on
  // the volume then.
  std::function<void()> onPassEnded;
  ClusterMap& Map() { return map_; }

  // AnalysisDisplay
  void SetStatisticsLabels(const std::array<std::string, 6>& texts) override;
  void SetDetailsCounters(const std::string& defrag, const std::string& optimize, const std::string& sysArea,
                          bool listsComplete) override;
  void ShowNewMarks() override { Picdepartvolume.Surface().Refresh(); }
  void StartWalkCounters() override { UpdateTimer.SetEnabled(true); }
  void StopWalkCounters() override { UpdateTimer.SetEnabled(false); }

  // CheckDisplay
  void ClearCurrentFile() override { etfich.SetCaption({}); }
  void ShowCheckProgress(int32_t value) override { PB.SetValue(value); }
  void CheckDone() override {
    SetState(JobWindowState::Idle);
    PB.SetValue(0);
  }

  // JobHost
  void HideMainWindow() override;
  void EnterRunning(bool pass) override;
  void EnterIdle() override { SetState(JobWindowState::Idle); }
  void PassEnded() override;
  bool LiveMapWanted() override { return Affiche.Value(); }
  void EndLiveMap() override;
  bool HasMap() const override { return true; }
  void RefreshMap() override { map_.RefreshMapBitmap(Drive()); }
  void RedrawMap() override { map_.RedrawClusterMap(); }

 private:
  void HDDTempOK(int16_t intTemp) override;
  void HDDTempNA(int16_t intTemp) override;
  void HDDTempCritical(int16_t intTemp) override;
  void DisableTemperatureWatch() override;
  void StopJobForHeat() override;
  std::string Drive() const { return p_.settings.DriveRoot.substr(0, 2); }
  void RunPassCommand(JobAction pass);
  // False when the drive is a solid-state one and the user declined; asked once per drive.
  bool PassWantedOnThisDrive();
  std::string VolumeTitle() const;
  void LayOutControls();

  Parts p_;
  JobWindowState state_ = JobWindowState::Loaded;
  ClusterMap map_;
  clsTemperatures temperatures_;
  HDDTempWarning warning_;
  bool temperatureWatchOff_ = false;  // for the rest of this job
  std::string solidStateAcceptedFor_;  // the drive ("C:") whose passes the user allowed
};

}  // namespace tarvonel
