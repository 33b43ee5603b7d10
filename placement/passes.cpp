#include "placement/passes.h"

#include "analysis/fragmented_files.h"
#include "base/job_flags.h"
#include "base/volume_zones.h"
#include "placement/move_steps.h"
#include "volume/catalogue.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {

Passes::Passes(Parts parts) : p_(parts) {}

std::string Passes::Drive() const { return p_.settings.DriveRoot.substr(0, 2); }
std::string Passes::Root() const { return p_.settings.DriveRoot.substr(0, 3); }

void Passes::Run(JobAction pass) {
  p_.host.BeginJob();
  switch (pass) {
    case JobAction::Defragment: defrag(); break;
    case JobAction::Optimize: optimizequick(); break;
    case JobAction::Compact: compactquick(); break;
    case JobAction::None: break;
  }
}

bool Passes::AnalyseFirst(bool placementLists) {
  p_.host.HideMainWindow();
  p_.flags.StopRequested = false;
  const bool needed = placementLists ? !p_.flags.CatalogueComplete : !p_.flags.AnalysisValid;
  if (!needed) return true;
  p_.flags.CollectPlacementLists = placementLists;
  p_.host.AnalyseForPass();
  if (!p_.flags.StopRequested) return true;
  if (placementLists) {
    p_.flags.CatalogueComplete = false;
  } else {
    p_.flags.AnalysisValid = false;
  }
  return false;
}

void Passes::EnterRunning() {
  p_.host.EnterPassRunning();
  p_.flags.StopRequested = false;
  p_.events.SetCurrentFile({});
}

void Passes::AdvanceProgress() { p_.events.SetProgress(p_.events.Progress() + 1); }

void Passes::StopShown() {
  p_.events.SetProgress(0);
  p_.events.SetCurrentFile({});
  p_.events.SetTitle("Volume " + Root());
}

void Passes::Finish() {
  p_.host.EndLiveMap();
  p_.host.RefreshMap();
  p_.flags.AnalysisValid = false;
  p_.host.EnterIdle();
  p_.events.SetCurrentFile({});
  p_.events.SetProgress(0);
}

void Passes::defrag() {
  if (!AnalyseFirst(false)) return;
  EnterRunning();
  const std::vector<std::string>& files = p_.fragmented.names;
  p_.events.SetProgressMaximum(static_cast<int>(files.size()));
  p_.events.SetProgress(0);
  p_.events.SetTitle("Defragmenting volume " + Root());
  if (p_.volume.Geometry().FileSystemName == "NTFS") {
    p_.events.SetCurrentFile(Drive() + "\\$MFT");
    p_.steps.PlaceMft(Drive() + "\\$MFT", false);
  }
  // A copy: the list must not change under the loop, whatever runs in its yields.
  const std::vector<std::string> list = files;
  for (const std::string& path : list) {
    p_.events.YieldToUser();
    p_.events.SetCurrentFile(path);
    if (!path.empty()) p_.steps.DefragmentFile(path);
    p_.events.YieldToUser();
    if (p_.flags.StopRequested) {
      StopShown();
      break;
    }
    if (p_.host.LiveMapWanted()) p_.host.RefreshMap();
    AdvanceProgress();
  }
  Finish();
  p_.events.SetTitle("Volume " + Root());
}

bool Passes::OptimizePhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&)) {
  const std::vector<std::string> entries = list;
  for (const std::string& path : entries) {
    if (p_.flags.StopRequested) {
      StopShown();
      return false;
    }
    p_.events.YieldToUser();
    p_.events.SetCurrentFile(path);
    if (!path.empty()) (p_.steps.*step)(path);
    p_.events.YieldToUser();
    AdvanceProgress();
  }
  return !p_.flags.StopRequested;
}

void Passes::optimizequick() {
  if (!AnalyseFirst(true)) return;
  EnterRunning();
  p_.events.SetTitle("Preparing volume " + Root());
  p_.host.RedrawMap();
  const PlacementLists& lists = p_.catalogue.Lists;
  p_.events.SetProgressMaximum(static_cast<int>(lists.dirs_to_move.size() + lists.move_out_files.size() +
                                         lists.optimize_files.size() + lists.prefetch_files.size() +
                                         p_.fragmented.names.size()));
  p_.events.SetProgress(0);

  if (OptimizePhase(lists.move_out_files, &MoveSteps::MoveFileOut)) p_.host.RedrawMap();
  if (p_.volume.Geometry().FileSystemName == "NTFS" && !p_.flags.StopRequested) {
    p_.events.SetCurrentFile(Drive() + "\\$MFT");
    p_.steps.PlaceMft(Drive() + "\\$MFT", true);
    if (!p_.flags.StopRequested) p_.host.RedrawMap();
  }
  const struct {
    const char* caption;
    const std::vector<std::string>& list;
    int32_t (MoveSteps::*step)(const std::string&);
    bool redraw;
  } phases[] = {
      {"Optimzing volume ", lists.prefetch_files, &MoveSteps::MoveFileToFront, false},
      {"Optimzing volume ", lists.dirs_to_move, &MoveSteps::MoveFileToFront, true},
      {"Compacting volume ", lists.optimize_files, &MoveSteps::CompactFile, true},
      {"Defragging volume ", p_.fragmented.names, &MoveSteps::DefragmentFile, false},
  };
  for (const auto& phase : phases) {
    p_.events.SetCurrentFile({});
    p_.events.SetTitle(phase.caption + Root());
    if (OptimizePhase(phase.list, phase.step) && phase.redraw) p_.host.RedrawMap();
  }
  Finish();
  p_.flags.CatalogueComplete = false;
}

bool Passes::CompactPhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&)) {
  const std::vector<std::string> entries = list;
  for (const std::string& path : entries) {
    p_.events.YieldToUser();
    p_.events.SetCurrentFile(path);
    if (!path.empty()) (p_.steps.*step)(path);
    p_.events.YieldToUser();
    if (p_.flags.StopRequested) {
      StopShown();
      return false;
    }
    if (p_.host.LiveMapWanted()) p_.host.RefreshMap();
    AdvanceProgress();
  }
  return true;
}

void Passes::compactquick() {
  if (!AnalyseFirst(true)) return;
  EnterRunning();
  p_.events.SetTitle("Preparing volume " + Root());
  p_.host.RedrawMap();
  const PlacementLists& lists = p_.catalogue.Lists;
  p_.events.SetProgressMaximum(static_cast<int>(lists.dirs_to_move.size() + lists.optimize_files.size() + 1));
  p_.events.SetProgress(0);
  p_.events.SetCurrentFile({});
  p_.events.SetTitle("Optimzing volume " + Root());
  if (CompactPhase(lists.dirs_to_move, &MoveSteps::MoveFileToFront)) p_.host.RedrawMap();
  p_.events.SetCurrentFile({});
  p_.events.SetTitle("Compacting volume " + Root());
  CompactPhase(lists.optimize_files, &MoveSteps::CompactFile);
  p_.zones.EndReserved = 0;
  Finish();
  p_.flags.CatalogueComplete = false;
}

}  // namespace tarvonel
