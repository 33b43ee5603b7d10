#pragma once
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace tarvonel {

// Where a long job's progress goes: one line rewritten in place on a terminal, a plain line at
// each tenth of the way otherwise (a log or a pipe), nothing at all when quiet.
class ProgressLine {
 public:
  enum class Style { Terminal, Lines, Quiet };
  ProgressLine(std::ostream& out, Style style);

  struct State {
    std::string phase;    // what the job does now ("Analyzing files"); its fraction restarts with it
    double fraction = 0;  // of the phase, 0 to 1
    std::string file;     // the file in hand, as the tool shows paths
    int64_t moves = 0;
    int64_t bytesMoved = 0;
  };
  void Show(const State& state);
  // Ends the updating line, so that what follows starts on a line of its own.
  void Finish();

  // The text shown for `state`: phase, percent, moves, MiB, the time since the start and the
  // time the phase has left (estimated from its own elapsed time), the file in hand.
  static std::string Text(const State& state, std::chrono::steady_clock::duration elapsed,
                          std::chrono::steady_clock::duration phaseElapsed);

 private:
  std::ostream& out_;
  Style style_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point phaseStart_;
  std::string phase_;
  std::chrono::steady_clock::time_point lastShown_{};
  int lastTenth_ = -1;
  bool lineOpen_ = false;
};

}  // namespace tarvonel
