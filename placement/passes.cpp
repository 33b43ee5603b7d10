#include "placement/passes.h"

#include "analysis/volume_zones.h"
#include "app/handover.h"
#include "app/job_flags.h"
#include "placement/move_steps.h"
#include "ui/controls/toolkit.h"
#include "ui/job_window/job_window.h"
#include "volume/catalogue.h"
#include "volume/volume_access.h"

namespace tarvonel {

Passes::Passes(Toolkit& toolkit, JobWindow& window, MoveSteps& steps, Handover& handover, JobFlags& flags,
               const JobSettings& settings, VolumeAccess& volume, VolumeZones& zones, Catalogue& catalogue)
    : toolkit_(toolkit),
      window_(window),
      steps_(steps),
      handover_(handover),
      flags_(flags),
      settings_(settings),
      volume_(volume),
      zones_(zones),
      catalogue_(catalogue) {}

std::string Passes::Drive() const { return settings_.DriveRoot.substr(0, 2); }
std::string Passes::Root() const { return settings_.DriveRoot.substr(0, 3); }

void Passes::Run(JobAction pass) {
  window_.BeginJob();
  switch (pass) {
    case JobAction::Defragment: defrag(); break;
    case JobAction::Optimize: optimizequick(); break;
    case JobAction::Compact: compactquick(); break;
    case JobAction::None: break;
  }
}

bool Passes::AnalyseFirst(bool placementLists) {
  handover_.HideMainWindow();
  flags_.StopRequested = false;
  const bool needed = placementLists ? !flags_.CatalogueComplete : !flags_.AnalysisValid;
  if (!needed) return true;
  flags_.CollectPlacementLists = placementLists;
  window_.Analyze_This();
  if (!flags_.StopRequested) return true;
  if (placementLists) {
    flags_.CatalogueComplete = false;
  } else {
    flags_.AnalysisValid = false;
  }
  return false;
}

void Passes::EnterRunning() {
  window_.SetState(JobWindowState::Running, true);
  window_.Affiche.SetVisible(true);
  window_.Affiche.SetValue(false);
  flags_.StopRequested = false;
  window_.etfich.SetCaption({});
}

void Passes::StopShown() {
  window_.PB.SetValue(0);
  window_.etfich.SetCaption({});
  window_.SetCaption("Volume " + Root());
}

void Passes::Finish() {
  window_.Affiche.SetValue(false);
  window_.Affiche.SetEnabled(false);
  window_.Map().RefreshMapBitmap(Drive());
  flags_.AnalysisValid = false;
  window_.SetState(JobWindowState::Idle);
  window_.etfich.SetCaption({});
  window_.PB.SetValue(0);
}

void Passes::defrag() {
  if (!AnalyseFirst(false)) return;
  EnterRunning();
  const std::vector<std::string>& files = window_.Fragmented.names;
  window_.PB.SetRange(0, static_cast<int>(files.size()));
  window_.PB.SetValue(0);
  window_.SetCaption("Defragmenting volume " + Root());
  if (volume_.Geometry().FileSystemName == "NTFS") {
    window_.etfich.SetCaption(Drive() + "\\$MFT");
    steps_.PlaceMft(Drive() + "\\$MFT", false);
  }
  // A copy: the list must not change under the loop, whatever runs in its yields.
  const std::vector<std::string> list = files;
  for (const std::string& path : list) {
    toolkit_.DoEvents();
    window_.etfich.SetCaption(path);
    if (!path.empty()) steps_.DefragmentFile(path);
    toolkit_.DoEvents();
    if (flags_.StopRequested) {
      StopShown();
      break;
    }
    if (window_.Affiche.Value()) window_.Map().RefreshMapBitmap(Drive());
    window_.PB.SetValue(window_.PB.Value() + 1);
  }
  Finish();
  window_.SetCaption("Volume " + Root());
}

bool Passes::OptimizePhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&)) {
  const std::vector<std::string> entries = list;
  for (const std::string& path : entries) {
    if (flags_.StopRequested) {
      StopShown();
      return false;
    }
    toolkit_.DoEvents();
    window_.etfich.SetCaption(path);
    if (!path.empty()) (steps_.*step)(path);
    toolkit_.DoEvents();
    window_.PB.SetValue(window_.PB.Value() + 1);
  }
  return !flags_.StopRequested;
}

void Passes::optimizequick() {
  if (!AnalyseFirst(true)) return;
  EnterRunning();
  window_.SetCaption("Preparing volume " + Root());
  window_.Map().RedrawClusterMap();
  const PlacementLists& lists = catalogue_.Lists;
  window_.PB.SetRange(0, static_cast<int>(lists.dirs_to_move.size() + lists.move_out_files.size() +
                                         lists.optimize_files.size() + lists.prefetch_files.size() +
                                         window_.Fragmented.names.size()));
  window_.PB.SetValue(0);

  if (OptimizePhase(lists.move_out_files, &MoveSteps::MoveFileOut)) window_.Map().RedrawClusterMap();
  if (volume_.Geometry().FileSystemName == "NTFS" && !flags_.StopRequested) {
    window_.etfich.SetCaption(Drive() + "\\$MFT");
    steps_.PlaceMft(Drive() + "\\$MFT", true);
    if (!flags_.StopRequested) window_.Map().RedrawClusterMap();
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
      {"Defragging volume ", window_.Fragmented.names, &MoveSteps::DefragmentFile, false},
  };
  for (const auto& phase : phases) {
    window_.etfich.SetCaption({});
    window_.SetCaption(phase.caption + Root());
    if (OptimizePhase(phase.list, phase.step) && phase.redraw) window_.Map().RedrawClusterMap();
  }
  Finish();
  flags_.CatalogueComplete = false;
}

bool Passes::CompactPhase(const std::vector<std::string>& list, int32_t (MoveSteps::*step)(const std::string&)) {
  const std::vector<std::string> entries = list;
  for (const std::string& path : entries) {
    toolkit_.DoEvents();
    window_.etfich.SetCaption(path);
    if (!path.empty()) (steps_.*step)(path);
    toolkit_.DoEvents();
    if (flags_.StopRequested) {
      StopShown();
      return false;
    }
    if (window_.Affiche.Value()) window_.Map().RefreshMapBitmap(Drive());
    window_.PB.SetValue(window_.PB.Value() + 1);
  }
  return true;
}

void Passes::compactquick() {
  if (!AnalyseFirst(true)) return;
  EnterRunning();
  window_.SetCaption("Preparing volume " + Root());
  window_.Map().RedrawClusterMap();
  const PlacementLists& lists = catalogue_.Lists;
  window_.PB.SetRange(0, static_cast<int>(lists.dirs_to_move.size() + lists.optimize_files.size() + 1));
  window_.PB.SetValue(0);
  window_.etfich.SetCaption({});
  window_.SetCaption("Optimzing volume " + Root());
  if (CompactPhase(lists.dirs_to_move, &MoveSteps::MoveFileToFront)) window_.Map().RedrawClusterMap();
  window_.etfich.SetCaption({});
  window_.SetCaption("Compacting volume " + Root());
  CompactPhase(lists.optimize_files, &MoveSteps::CompactFile);
  zones_.EndReserved = 0;
  Finish();
  flags_.CatalogueComplete = false;
}

}  // namespace tarvonel
