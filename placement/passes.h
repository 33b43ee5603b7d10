#pragma once
#include <string>
#include <vector>

#include "app/job_settings.h"

namespace tarvonel {

class Catalogue;
class Handover;
class JobWindow;
class MoveSteps;
class Toolkit;
class VolumeAccess;
struct JobFlags;
struct VolumeZones;

// The job window's three passes: defrag, optimizequick and compactquick.
class Passes {
 public:
  Passes(Toolkit& toolkit, JobWindow& window, MoveSteps& steps, Handover& handover, JobFlags& flags,
         const JobSettings& settings, VolumeAccess& volume, VolumeZones& zones, Catalogue& catalogue);

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
  // The compact pass's loop: the stop is tested after each element, the map refreshed with Affiche.
  bool CompactPhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&));
  void StopShown();
  std::string Drive() const;
  std::string Root() const;

  Toolkit& toolkit_;
  JobWindow& window_;
  MoveSteps& steps_;
  Handover& handover_;
  JobFlags& flags_;
  const JobSettings& settings_;
  VolumeAccess& volume_;
  VolumeZones& zones_;
  Catalogue& catalogue_;
};

}  // namespace tarvonel
