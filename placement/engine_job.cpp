#include "placement/engine_job.h"

#include "base/job_flags.h"
#include "placement/job_host.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {

EngineJob::EngineJob(Parts parts)
    : p_(parts),
      constants_(parts.io, parts.os, parts.settings, parts.events, parts.volume.Geometry(), zones_),
      catalogue_(parts.io, parts.events, parts.extents, parts.flags, parts.volume.Geometry(), zones_,
                 parts.prefetchDir),
      bootLayout_(parts.io, parts.os, parts.events, parts.extents, parts.prefetchDir),
      analysis_({parts.events, parts.settings, parts.flags, parts.volume.Geometry(), parts.extents, catalogue_,
                 bootLayout_, parts.exclusionText, fragmented_, parts.host}),
      steps_(parts.io, parts.events, parts.flags, parts.volume, zones_, parts.extents, parts.mover),
      passes_({parts.events, *this, steps_, parts.flags, parts.settings, parts.volume, zones_, catalogue_,
               fragmented_}) {}

std::string EngineJob::VolumeTitle() const { return "Volume " + p_.settings.DriveRoot.substr(0, 3); }

void EngineJob::Analyze() {
  p_.host.BeginJob();
  RunAnalysis(true);
}

void EngineJob::RunPass(JobAction pass) { passes_.Run(pass); }

void EngineJob::RequestStop() { p_.flags.StopRequested = true; }

void EngineJob::RunAnalysis(bool plain) {
  if (p_.volume.Geometry().Refused()) return;  // its selection said why; nothing reads it
  if (plain) p_.host.HideMainWindow();
  p_.flags.StopRequested = false;
  catalogue_.FileCount = 0;
  catalogue_.DirectoryCount = 0;
  catalogue_.Lists = PlacementLists{};
  catalogue_.StreamNames.clear();
  fragmented_.names.assign(1, std::string());
  p_.host.EnterRunning(false);
  RefreshMap();
  if (p_.settings.DebugLog) constants_.AppendVolumeConstantsBlock();
  if (plain) p_.flags.CollectPlacementLists = false;
  analysis_.AnalyzeFiles();
  p_.host.EnterIdle();
  p_.events.SetProgress(0);
  p_.flags.AnalysisValid = true;
  if (p_.flags.StopRequested) {
    p_.events.SetTitle(VolumeTitle());
    p_.flags.AnalysisValid = false;
  }
}

void EngineJob::RefreshMap() {
  if (p_.host.HasMap()) {
    p_.host.RefreshMap();
  } else {
    constants_.ComputeVolumeConstants(p_.settings.DriveRoot.substr(0, 2));
  }
}

void EngineJob::RedrawMap() {
  // A redraw begins with the same refresh from the volume.
  if (p_.host.HasMap()) {
    p_.host.RedrawMap();
  } else {
    RefreshMap();
  }
}

void EngineJob::BeginJob() { p_.host.BeginJob(); }
void EngineJob::HideMainWindow() { p_.host.HideMainWindow(); }
void EngineJob::EnterPassRunning() { p_.host.EnterRunning(true); }
bool EngineJob::LiveMapWanted() { return p_.host.LiveMapWanted(); }
void EngineJob::EndLiveMap() { p_.host.EndLiveMap(); }

void EngineJob::EnterIdle() {
  p_.host.EnterIdle();
  p_.host.PassEnded();
}

}  // namespace tarvonel
