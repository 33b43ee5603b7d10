#pragma once
#include <string>

#include "analysis/analysis.h"
#include "analysis/boot_layout.h"
#include "analysis/fragmented_files.h"
#include "analysis/volume_constants.h"
#include "base/job_settings.h"
#include "base/volume_zones.h"
#include "placement/move_steps.h"
#include "placement/passes.h"
#include "volume/catalogue.h"

namespace tarvonel {

class ClusterMover;
class ExtentReader;
class JobEvents;
class JobHost;
class OsFacts;
class VolumeAccess;
class VolumeIo;
struct JobFlags;

// One job on the selected volume: the analysis and the Defragment, Optimize and Compact passes.
// It owns what they share (the catalogue and its placement lists, the fragmented-files list,
// the zones, the boot layout list); it reports through its events, stops when the flags' stop
// is set (seen at its yields), and asks its host only what a front end must answer. The job
// window is one client of it, the Linux tool another.
class EngineJob : private PassHost {
 public:
  struct Parts {
    VolumeIo& io;
    OsFacts& os;
    VolumeAccess& volume;  // the selected volume: its shared handle and geometry
    ExtentReader& extents;
    ClusterMover& mover;
    JobEvents& events;
    JobHost& host;
    const JobSettings& settings;
    JobFlags& flags;
    const std::string& exclusionText;  // extensions the defragment list leaves out
    const std::string& prefetchDir;    // the Windows directory + "\Prefetch"; empty on a volume without one
  };
  explicit EngineJob(Parts parts);
  EngineJob(const EngineJob&) = delete;
  EngineJob& operator=(const EngineJob&) = delete;

  // The Analyze command: a plain analysis, placement lists off.
  void Analyze();
  // The analysis each pass runs first, with CollectPlacementLists as the pass set it.
  void Analyze_This() { RunAnalysis(false); }
  // A pass, analysing first when the last analysis is not the one it needs.
  void RunPass(JobAction pass);
  // Asks the running job to stop at its next test of the stop (after the move in hand).
  void RequestStop();
  // The zones and the cluster counts recomputed, as at every map refresh: through the map when
  // the host has one, else directly.
  void RefreshMap() override;

  Catalogue& Files() { return catalogue_; }
  const FragmentedFiles& Fragmented() const { return fragmented_; }
  FragmentedFiles& Fragmented() { return fragmented_; }
  VolumeZones& Zones() { return zones_; }
  VolumeConstants& Constants() { return constants_; }
  Analysis& Analyzer() { return analysis_; }
  MoveSteps& Steps() { return steps_; }
  Passes& PassRunner() { return passes_; }

 private:
  // The preparation both entry points share, then the analysis itself.
  void RunAnalysis(bool plain);
  std::string VolumeTitle() const;

  // PassHost: what the passes ask; the job answers what is its own, the host the rest.
  void BeginJob() override;
  void HideMainWindow() override;
  void AnalyseForPass() override { Analyze_This(); }
  void EnterPassRunning() override;
  bool LiveMapWanted() override;
  void EndLiveMap() override;
  void RedrawMap() override;
  void EnterIdle() override;

  Parts p_;
  VolumeZones zones_;
  VolumeConstants constants_;
  Catalogue catalogue_;
  BootLayoutReader bootLayout_;
  FragmentedFiles fragmented_;
  Analysis analysis_;
  MoveSteps steps_;
  Passes passes_;
};

}  // namespace tarvonel
