// Random simulated volumes, one per seed, each taken through Analyze, Defrag, Optimize and
// Compact, some passes stopped at a random yield; after every pass the volume must keep its
// invariants and every file its clusters (the same VCNs held, the same holes), and the pass must
// end within a move budget. A failing seed is printed with a machine file that reproduces it.
// Usage: tarvonel_stress [SEEDS] [FIRST_SEED] [FAILURE_FOLDER]
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/sim/machine.h"
#include "platform/sim/machine_error.h"
#include "platform/sim/sim_platform.h"
#include "stress/random_machine.h"
#include "ui/headless/headless_toolkit.h"

namespace {

using namespace tarvonel;

// What a file must still have after a pass: per stream, its VCNs with clusters and its holes.
struct StreamShape {
  std::string path;
  std::vector<std::pair<int64_t, bool>> vcns;  // (VCN count of a run, is a hole), merged
  bool operator==(const StreamShape&) const = default;
};

void CollectShapes(const SimEntry& entry, std::vector<StreamShape>& shapes) {
  for (const SimStream& stream : entry.streams) {
    StreamShape shape{entry.PathBelowRoot() + ":" + stream.name, {}};
    for (const SimRun& run : stream.runs) {
      const bool hole = run.lcn < 0;
      if (!shape.vcns.empty() && shape.vcns.back().second == hole) {
        shape.vcns.back().first += run.length;
      } else {
        shape.vcns.emplace_back(run.length, hole);
      }
    }
    shapes.push_back(shape);
  }
  for (const auto& child : entry.children) CollectShapes(*child, shapes);
}

int64_t RunCount(const SimEntry& entry) {
  int64_t runs = 1;
  for (const SimStream& stream : entry.streams) runs += static_cast<int64_t>(stream.runs.size());
  for (const auto& child : entry.children) runs += RunCount(*child);
  return runs;
}

struct Outcome {
  int passes = 0;
  int moves = 0;
  int stopped = 0;
  std::string failure;  // empty: every check held
};

const char* const kPasses[] = {"", "/d", "/o", "/c"};  // "" is a lone Analyze

Outcome StressOne(uint64_t seed, const std::string& json) {
  Outcome outcome;
  SimPlatform platform(ParseMachine(json));
  SimVolume& volume = *platform.Volume('C');
  std::mt19937_64 rng(seed ^ 0x9E3779B97F4A7C15ull);
  for (const char* pass : kPasses) {
    std::vector<StreamShape> before;
    CollectShapes(volume.Root(), before);
    const int movesBefore = platform.Moves();
    const int64_t budget = 30 * RunCount(volume.Root()) + 200;
    VirtualClock clock;
    HeadlessToolkit toolkit(clock);
    platform.SetCommandTail(std::string("/drv C: ") + pass);
    Program program(platform, toolkit);
    // A third of the passes are stopped at a random yield, as a user clicking Stop would.
    const bool stop = std::uniform_int_distribution<int>(0, 2)(rng) == 0;
    const int64_t stopAt = std::uniform_int_distribution<int64_t>(1, 400)(rng);
    int64_t yields = 0;
    bool overBudget = false;
    toolkit.onDoEvents = [&] {
      ++yields;
      if (!program.Jobs().Arretdefrag.Enabled()) return;
      if ((stop && yields == stopAt) || platform.Moves() - movesBefore > budget) {
        overBudget = overBudget || platform.Moves() - movesBefore > budget;
        program.Jobs().Arretdefrag.Click();
      }
    };
    program.Run();
    if (*pass == '\0') program.Jobs().cmdanalysemore.Click();
    ++outcome.passes;
    outcome.moves += platform.Moves() - movesBefore;
    outcome.stopped += stop && yields >= stopAt ? 1 : 0;
    const std::string what = std::string("after ") + (*pass ? pass : "Analyze") + (stop ? " (stopped)" : "") + ": ";
    const std::string broken = volume.VerifyInvariants();
    if (!broken.empty()) {
      outcome.failure = what + broken;
      return outcome;
    }
    // The free count the system reports is the bitmap's.
    const DiskFreeSpace space = platform.QueryDiskFreeSpace("C:\\");
    if (space.error == 0 && space.freeClusters != static_cast<uint64_t>(volume.FreeClusters())) {
      outcome.failure = what + "the free space reported (" + std::to_string(space.freeClusters) +
                        " clusters) is not the bitmap's (" + std::to_string(volume.FreeClusters()) + ")";
      return outcome;
    }
    std::vector<StreamShape> after;
    CollectShapes(volume.Root(), after);
    if (after != before) {
      outcome.failure = what + "a file's clusters or holes changed";
      for (size_t i = 0; i < std::min(before.size(), after.size()); ++i) {
        if (!(before[i] == after[i])) {
          outcome.failure += " (" + before[i].path + ")";
          break;
        }
      }
      return outcome;
    }
    if (overBudget) {
      outcome.failure = what + "more than " + std::to_string(budget) + " moves";
      return outcome;
    }
  }
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t seeds = argc > 1 ? std::stoull(argv[1]) : 1000;
  const uint64_t first = argc > 2 ? std::stoull(argv[2]) : 1;
  const std::string failures = argc > 3 ? argv[3] : ".";
  uint64_t volumes = 0;
  int64_t passes = 0, moves = 0, stopped = 0;
  int failed = 0;
  for (uint64_t seed = first; seed < first + seeds; ++seed) {
    const std::string json = tarvonel::stress::RandomMachineJson(seed);
    Outcome outcome;
    try {
      outcome = StressOne(seed, json);
    } catch (const MachineError& error) {
      outcome.failure = std::string("the generated machine is refused: ") + error.what();
    }
    ++volumes;
    passes += outcome.passes;
    moves += outcome.moves;
    stopped += outcome.stopped;
    if (outcome.failure.empty()) continue;
    ++failed;
    const std::string file = failures + "/stress-seed-" + std::to_string(seed) + ".json";
    std::ofstream(file) << json;
    std::printf("stress: seed %llu: %s; the machine is in %s\n", static_cast<unsigned long long>(seed),
                outcome.failure.c_str(), file.c_str());
  }
  std::printf("stress: %lld moves made, %lld passes stopped at a random yield\n", static_cast<long long>(moves),
              static_cast<long long>(stopped));
  std::printf("stress: %llu volumes, %lld passes, %d invariant failures\n", static_cast<unsigned long long>(volumes),
              static_cast<long long>(passes), failed);
  return failed == 0 ? 0 : 1;
}
