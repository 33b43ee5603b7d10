// tarvonel defrag, optimize and compact: the engine's pass, run on the volume as its own job,
// with progress and the statistics before and after.
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "base/job_flags.h"
#include "front/linux/tool/interrupt.h"
#include "front/linux/tool/solid_state.h"
#include "front/linux/tool/tool_run.h"
#include "front/linux/tool/volume_report.h"
#include "placement/engine_job.h"
#include "placement/job_host.h"

namespace tarvonel {
namespace {

JobAction ActionOf(ToolVerb verb) {
  switch (verb) {
    case ToolVerb::Optimize: return JobAction::Optimize;
    case ToolVerb::Compact: return JobAction::Compact;
    default: return JobAction::Defragment;
  }
}

// What the job does now, in the tool's words, from the engine's title of it.
std::string StepOf(const std::string& title) {
  const std::pair<const char*, const char*> steps[] = {
      {"Enumerating files", "reading the folders"}, {"Analyzing files", "analysing"},
      {"Defragmenting", "defragmenting"},           {"Defragging", "defragmenting"},
      {"Preparing", "moving files out of the front"}, {"Optimzing", "moving folders to the front"},
      {"Compacting", "compacting"}};
  for (const auto& [engine, tool] : steps) {
    if (title.starts_with(engine)) return tool;
  }
  return {};
}

// A job with no windows and no map: nothing to show and nothing to make way. Its moves go on the
// medium when RunPass commits them, right after the pass.
class ToolHost : public JobHost {
 public:
  void StartWalkCounters() override {}
  void StopWalkCounters() override {}
  void SetStatisticsLabels(const std::array<std::string, 6>&) override {}
  void SetDetailsCounters(const std::string&, const std::string&, const std::string&, bool) override {}
  void ShowNewMarks() override {}
  void BeginJob() override {}
  void HideMainWindow() override {}
  void EnterRunning(bool) override {}
  void EnterIdle() override {}
  void PassEnded() override {}
  bool LiveMapWanted() override { return false; }
  void EndLiveMap() override {}
  bool HasMap() const override { return false; }
  void RefreshMap() override {}
  void RedrawMap() override {}
};

// Defragmenting a solid-state device wears it for little gain: its user says so first.
bool MayRunOnSolidState(const ToolCommand& command) {
  if (command.demo || command.force || !IsSolidStateDevice(command.volume)) return true;
  if (!isatty(STDIN_FILENO)) {
    SayProblem(command.volume + " is a solid-state device, where moving files only wears it; give --force to run " +
               ToolVerbName(command.verb) + " anyway. Nothing was written.");
    return false;
  }
  std::cerr << command.volume << " is a solid-state device, where moving files only wears it. Run "
            << ToolVerbName(command.verb) << " anyway? [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

int64_t FreeRunCount(const std::vector<bool>& inUse) {
  int64_t runs = 0;
  for (size_t lcn = 0; lcn < inUse.size(); ++lcn) runs += !inUse[lcn] && (lcn == 0 || inUse[lcn - 1]) ? 1 : 0;
  return runs;
}

}  // namespace

int RunPass(const ToolCommand& command, ToolVolume& volume) {
  const VolumeFacts before = volume.Facts();
  if (RefusedAsDirty(volume, before)) return kExitRefused;
  if (!MayRunOnSolidState(command)) return kExitRefused;
  const FileCounts countsBefore = CountFiles(volume.Walk());
  const int64_t freeRunsBefore = FreeRunCount(volume.InUse());
  std::cout << "before:\n";
  PrintStatistics(std::cout, before, countsBefore);
  std::cout << std::flush;

  ToolHost host;
  JobFlags flags;
  const std::string noExclusions;
  std::string prefetchDir = volume.Os().WindowsDirectory();
  if (!prefetchDir.empty()) prefetchDir += "\\Prefetch";  // the demo machine's Windows volume
  EngineJob job({volume.Io(), volume.Os(), volume.Access(), volume.Extents(), volume.Mover(), volume.Events(), host,
                 volume.Settings(), flags, noExclusions, prefetchDir});

  ProgressLine progress(std::cerr, ProgressStyleFor(command));
  const ToolEvents& events = volume.Events();
  bool stopSaid = false;
  volume.Events().onYield = [&] {
    const std::string& file = events.CurrentFile();
    progress.Show({StepOf(events.Title()), events.Fraction(), file.empty() ? file : ToolPath(file), volume.Moves(),
                   volume.ClustersMoved() * before.clusterBytes});
    if (stopSaid) return;
    std::string why;
    if (TakeInterrupt()) {
      why = std::string(InterruptWord()) + "; the pass stops after the move it is making";
      volume.CommitPendingMoves();  // the moves made so far, on the medium at once
    } else if (!volume.Refusal().empty()) {
      why = volume.Refusal() + "; the pass stops";
    } else {
      return;
    }
    progress.Finish();
    SayProblem(why);
    stopSaid = true;
    job.RequestStop();
  };
  const auto started = std::chrono::steady_clock::now();
  job.RunPass(ActionOf(command.verb));
  volume.Events().onYield = {};
  const bool committed = volume.CommitPendingMoves();
  progress.Finish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  image::ImageVolume* card = volume.Card();
  const std::string refusal = volume.Refusal();
  if (!refusal.empty() && volume.Moves() == 0) {
    SayProblem(refusal + "; nothing was written");
    return kExitRefused;
  }
  const VolumeFacts after = volume.Facts();
  const FileCounts countsAfter = CountFiles(volume.Walk());
  std::cout << "after:\n";
  PrintStatistics(std::cout, after, countsAfter);
  char summary[160];
  std::snprintf(summary, sizeof summary, "%s: %d moves, %lld clusters (%.1f MiB) moved in %.2f s\n",
                ToolVerbName(command.verb), volume.Moves(), static_cast<long long>(volume.ClustersMoved()),
                static_cast<double>(volume.ClustersMoved() * before.clusterBytes) / (1024.0 * 1024.0), seconds);
  std::cout << summary;

  int status = kExitDone;
  if (WasInterrupted()) {
    const bool terminated = InterruptedExitStatus() != kExitInterrupted;
    std::cout << ToolVerbName(command.verb) << " was " << (terminated ? "terminated" : "stopped by Ctrl-C")
              << "; every file is whole\n";
    status = InterruptedExitStatus();
  } else if (!refusal.empty() || !committed) {
    SayProblem(refusal);
    status = kExitIncomplete;
  } else if (command.verb != ToolVerb::Compact && countsAfter.fragmented > 0) {
    std::cout << countsAfter.fragmented << " files are still in pieces (no free run holds them whole); "
              << "tarvonel contig VOLUME PATH makes one contiguous by moving other files aside\n";
    if (const size_t kept = card != nullptr ? card->FilesKeptAtTheirStart() : 0) {
      std::cout << kept << " of the files asked to move stayed where they begin: their exFAT directory entries lie "
                << "across a sector boundary, and a write torn there would lose the file, so Tarvonel never changes "
                << "them in place\n";
    }
    status = kExitIncomplete;
  } else if (command.verb == ToolVerb::Compact && volume.Moves() == 0 && freeRunsBefore > 1) {
    std::cout << "compact could move nothing; the free space is still in " << freeRunsBefore << " pieces\n";
    status = kExitIncomplete;
  }
  std::vector<FileLayout> layouts = volume.Walk();
  if (!WriteVolumeMap(command, volume, after, layouts, {}) && status == kExitDone) status = kExitIncomplete;
  return status;
}

}  // namespace tarvonel
