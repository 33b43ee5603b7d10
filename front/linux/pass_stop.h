#pragma once
#include <functional>

namespace tarvonel {

class HeadlessToolkit;
class Program;
namespace image {
class ImageDrives;
}

// At every yield of a pass: the first Ctrl-C (or SIGTERM) stops the pass as its Stop command
// does, so no move is left half-made, and the moves made so far are put on the volumes at once;
// a second one ends the program at once. A batch of moves that could not be written stops the
// pass too. `eachYield`, when given, runs at every yield of a pass (progress); `beforeSaying`
// before the console says why the pass stops (to end a progress line).
void StopPassOnInterrupt(HeadlessToolkit& toolkit, Program& program, image::ImageDrives& drives,
                         std::function<void()> eachYield = {}, std::function<void()> beforeSaying = {});

}  // namespace tarvonel
