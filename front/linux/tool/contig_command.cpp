// tarvonel contig: each named file made contiguous, through the engine's planner and moves.
#include <iostream>
#include <unordered_set>

#include "front/linux/tool/interrupt.h"
#include "front/linux/tool/tool_run.h"
#include "front/linux/tool/volume_report.h"
#include "placement/contiguous_file.h"
#include "platform/image/image_volume.h"

namespace tarvonel {
namespace {

// Missing: not on the volume, or not a file; Refused: the volume may not be written.
enum class FileResult { Done, NotDone, Missing, Refused, Stopped };

std::string Range(const VolumeFacts& facts, int64_t lcn, int64_t length) {
  return std::to_string(lcn + facts.firstClusterNumber) + "-" + std::to_string(lcn + facts.firstClusterNumber + length - 1);
}

FileResult MakeOneContiguous(const ToolCommand& command, ToolVolume& volume, const VolumeFacts& facts,
                             const std::string& path) {
  std::vector<FileLayout> layouts = volume.Walk();
  const std::optional<size_t> index = FindLayout(layouts, path);
  if (!index) {
    SayProblem(path + " is not on " + facts.name);
    return FileResult::Missing;
  }
  const FileLayout& file = layouts[*index];
  if (file.directory) {
    SayProblem(path + " is a folder; contig makes files contiguous");
    return FileResult::Missing;
  }
  const ContiguousPlan plan = PlanContiguousOn(volume, layouts, *index);
  if (!plan.possible) {
    std::cout << path << ": cannot be made contiguous (" << file.Clusters() << " clusters): " << plan.problem
              << "; nothing was moved\n";
    return FileResult::NotDone;
  }
  if (file.runs.size() <= 1) {
    std::cout << path << ": already in one piece\n";
    return FileResult::Done;
  }
  std::cout << path << ": " << file.runs.size() << " pieces; making it contiguous at clusters "
            << Range(facts, plan.windowStart, plan.clusters) << " moves " << plan.TotalClusters() << " clusters ("
            << plan.clearingClusters << " moved out of the way first; the least any tool must move is "
            << plan.leastAnyTool << ")\n"
            << std::flush;

  ProgressLine progress(std::cerr, ProgressStyleFor(command));
  ContiguousMaker maker(volume.Mover(), volume.Extents(), volume.VolumeHandle());
  const auto total = static_cast<double>(std::max<int64_t>(plan.TotalClusters(), 1));
  const ContiguousOutcome outcome = maker.Carry(
      layouts, *index, plan,
      [&](const ContiguousOutcome& sofar) {
        progress.Show({"contig", static_cast<double>(sofar.clustersMoved) / total, path, sofar.moves,
                       sofar.clustersMoved * facts.clusterBytes});
      },
      [] { return TakeInterrupt(); });
  progress.Finish();
  image::ImageVolume* card = volume.Card();
  const bool committed = card == nullptr || card->CommitPendingMoves();
  const std::string moved = std::to_string(outcome.moves) + " moves, " + std::to_string(outcome.clustersMoved) +
                            " clusters moved";
  if (outcome.stopped) {
    std::cout << path << ": " << InterruptWord() << " after " << moved
              << "; every file is whole, this one not yet contiguous\n";
    return FileResult::Stopped;
  }
  if (card != nullptr && !card->Refusal().empty() && outcome.moves == 0) {
    SayProblem(card->Refusal() + "; nothing was written");
    return FileResult::Refused;
  }
  if (!outcome.error.empty() || !committed) {
    const std::string why = !committed ? card->Refusal() : outcome.error;
    std::cout << path << ": stopped after " << moved << ": " << why << "\n";
    return FileResult::NotDone;
  }
  const std::vector<FileLayout> after = volume.Walk();
  const std::optional<size_t> now = FindLayout(after, path);
  if (!now || after[*now].runs.size() != 1) {
    std::cout << path << ": still in " << (now ? after[*now].runs.size() : 0) << " pieces after " << moved << "\n";
    return FileResult::NotDone;
  }
  const ClusterRun& run = after[*now].runs.front();
  std::cout << path << ": contiguous at clusters " << Range(facts, run.lcn, run.length) << "; " << moved << "\n";
  return FileResult::Done;
}

}  // namespace

ContiguousPlan PlanContiguousOn(ToolVolume& volume, std::vector<FileLayout>& layouts, size_t target) {
  // A file whose start the volume moves only with the whole file (an exFAT set across a sector
  // boundary) is planned around, as a file whose clusters are unknown is; made contiguous, it
  // moves in one piece.
  TargetMoves targetMoves = TargetMoves::InPieces;
  if (image::ImageVolume* card = volume.Card()) {
    const std::unordered_set<std::string> held = card->FilesWhoseStartCannotMove();
    for (size_t i = 0; i < layouts.size(); ++i) {
      if (!held.contains(layouts[i].path)) continue;
      if (i == target) {
        targetMoves = TargetMoves::StartOnlyWhole;
      } else {
        layouts[i].readable = false;
      }
    }
  }
  return PlanContiguous(layouts, target, volume.InUse(), targetMoves);
}

int RunContig(const ToolCommand& command, ToolVolume& volume) {
  const VolumeFacts facts = volume.Facts();
  if (RefusedAsDirty(volume, facts)) return kExitRefused;
  int status = kExitDone;
  for (const std::string& path : command.paths) {
    const FileResult result = MakeOneContiguous(command, volume, facts, path);
    if (result == FileResult::Stopped) return InterruptedExitStatus();
    if (result == FileResult::Refused) return kExitRefused;
    if (result == FileResult::Missing) status = std::max(status, kExitRefused);
    if (result == FileResult::NotDone) status = std::max(status, kExitIncomplete);
  }
  if (command.mapFile) {
    const std::vector<FileLayout> layouts = volume.Walk();
    std::vector<size_t> named;
    for (const std::string& path : command.paths) {
      if (const std::optional<size_t> index = FindLayout(layouts, path)) named.push_back(*index);
    }
    if (!WriteVolumeMap(command, volume, volume.Facts(), layouts, named)) status = std::max(status, kExitIncomplete);
  }
  return status;
}

}  // namespace tarvonel
