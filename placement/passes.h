#pragma once
#include <string>
#include <vector>

#include "base/job_settings.h"

namespace tarvonel {

class Catalogue;
class JobEvents;
class MoveSteps;
class VolumeAccess;
struct FragmentedFiles;
struct JobFlags;
struct VolumeZones;

// What a pass asks of the window it runs in, beyond the job's events.
class PassHost {
 public:
  virtual ~PassHost() = default;
  virtual void BeginJob() = 0;
  // Before a pass analyses or moves: the main window makes way.
  virtual void HideMainWindow() = 0;
  // The analysis every pass runs first, with CollectPlacementLists already set.
  virtual void AnalyseForPass() = 0;
  // The window's running state for a pass, with its live-map switch shown and off.
  virtual void EnterPassRunning() = 0;
  // The live-map switch: on, the map is read anew after each file.
  virtual bool LiveMapWanted() = 0;
  virtual void EndLiveMap() = 0;  // the switch off and disabled
  virtual void RefreshMap() = 0;  // the base map read anew from the volume
  virtual void RedrawMap() = 0;   // the base map and every list's marks
  virtual void EnterIdle() = 0;
};

// The job window's three passes: defrag, optimizequick and compactquick.
class Passes {
 public:
  struct Parts {
    JobEvents& events;
    PassHost& host;
    MoveSteps& steps;
    JobFlags& flags;
    const JobSettings& settings;
    VolumeAccess& volume;
    VolumeZones& zones;
    Catalogue& catalogue;
    const FragmentedFiles& fragmented;
  };
  explicit Passes(Parts parts);

  void Run(JobAction pass);
  void defrag();
  void optimizequick();
  void compactquick();

 private:
  bool AnalyseFirst(bool placementLists);
  void EnterRunning();
  void Finish();
  // Visits the list's entries for the optimize pass: false when a stop ended the phase.
  bool OptimizePhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&));
  // The compact pass's loop: the stop is tested after each element, the map refreshed live.
  bool CompactPhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&));
  void StopShown();
  void AdvanceProgress();
  std::string Drive() const;
  std::string Root() const;

  Parts p_;
};

}  // namespace tarvonel
