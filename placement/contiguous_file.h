#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "volume/file_layout.h"

namespace tarvonel {

class ClusterMover;
class ExtentReader;
class OsHandle;

// One run of a file to move: its VCNs [vcn, vcn + length) to LCNs [lcn, lcn + length).
struct RunMove {
  size_t owner = 0;  // index into the layouts the plan was made from
  int64_t vcn = 0;
  int64_t lcn = 0;
  int64_t length = 0;
};

struct FreeSpan {
  int64_t lcn = 0;
  int64_t length = 0;
};

// How one file is made contiguous when no free run holds it: the window of the volume it will
// occupy, and the runs of other files that are moved out of that window first, each to free
// clusters outside it; then the file's own runs move into their places.
struct ContiguousPlan {
  bool possible = false;
  std::string problem;      // why not, when not possible
  int64_t windowStart = 0;  // LCN
  int64_t clusters = 0;     // the file's size in clusters, the window's length
  std::vector<RunMove> clearing;
  int64_t clearingClusters = 0;
  int64_t movingIn = 0;       // the file's clusters not yet where they belong in the window
  int64_t leastAnyTool = 0;   // the fewest clusters any way of making it contiguous must move
  std::vector<FreeSpan> spare;  // free clusters outside the window that the clearing leaves
  bool wholeFile = false;       // the file moves into the window in one move (TargetMoves::StartOnlyWhole)
  int64_t TotalClusters() const { return clearingClusters + movingIn; }
};

// How the file to make contiguous may move. StartOnlyWhole: the volume moves its first cluster
// only with the whole file in one move (an exFAT file whose entry set lies across a sector
// boundary), so the window either keeps that cluster where it is and the other pieces move in,
// or holds none of the file's clusters and the file moves there in one piece.
enum class TargetMoves { InPieces, StartOnlyWhole };

// `inUse[lcn]` is the volume bitmap; `layouts` every file and folder that holds clusters (a used
// cluster that none of them holds, such as a FAT32 root folder or a lost cluster, is never
// moved); `target` the file to make contiguous. The window chosen needs the fewest clusters
// moved: each other file's cluster in it once, each of the file's clusters not in its place
// once, which is the least any tool must move for that window (a window that the file alone
// fills out of order needs one stretch moved aside and back as well).
ContiguousPlan PlanContiguous(const std::vector<FileLayout>& layouts, size_t target, const std::vector<bool>& inUse,
                              TargetMoves targetMoves = TargetMoves::InPieces);

// What making a file contiguous did; `error` empty on success.
struct ContiguousOutcome {
  std::string error;
  bool stopped = false;
  int moves = 0;
  int64_t clustersMoved = 0;
};

// Carries out a plan through the one move call: the clearing moves, then the file's stretches
// into their places in the window, each as soon as its place is free (or, for a plan that
// moves the file whole, the file in one move). Every step is a whole move the file system
// makes safe on its own, so stopping or failing between two of them leaves every file whole,
// only not yet contiguous.
// `report` is told after each move; `stop` is asked before each one.
class ContiguousMaker {
 public:
  ContiguousMaker(ClusterMover& mover, ExtentReader& extents, OsHandle* volumeHandle);

  ContiguousOutcome Carry(const std::vector<FileLayout>& layouts, size_t target, const ContiguousPlan& plan,
                          const std::function<void(const ContiguousOutcome&)>& report,
                          const std::function<bool()>& stop);

 private:
  bool MoveRun(const std::string& path, int64_t vcn, int64_t lcn, int64_t length, ContiguousOutcome& outcome,
               const std::function<void(const ContiguousOutcome&)>& report, const std::function<bool()>& stop,
               int64_t chunkClusters);

  ClusterMover& mover_;
  ExtentReader& extents_;
  OsHandle* volumeHandle_;
};

}  // namespace tarvonel
