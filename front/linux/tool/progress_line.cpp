#include "front/linux/tool/progress_line.h"

#include <algorithm>
#include <cstdio>

namespace tarvonel {
namespace {

constexpr size_t kFileColumns = 40;
constexpr auto kTerminalInterval = std::chrono::milliseconds(100);

std::string Clock(std::chrono::steady_clock::duration span) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span).count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, Style style)
    : out_(out), style_(style), start_(std::chrono::steady_clock::now()), phaseStart_(start_) {}

std::string ProgressLine::Text(const State& state, std::chrono::steady_clock::duration elapsed,
                               std::chrono::steady_clock::duration phaseElapsed) {
  const double fraction = std::clamp(state.fraction, 0.0, 1.0);
  char head[96];
  std::snprintf(head, sizeof head, "%3d%%  %lld moves, %.1f MiB moved, %s elapsed", static_cast<int>(fraction * 100),
                static_cast<long long>(state.moves), static_cast<double>(state.bytesMoved) / (1024.0 * 1024.0),
                Clock(elapsed).c_str());
  std::string text = state.phase.empty() ? std::string(head) : state.phase + ": " + head;
  // An estimate only once there is something to go by.
  if (fraction >= 0.02 && fraction < 1.0) {
    const auto left = std::chrono::duration_cast<std::chrono::steady_clock::duration>(phaseElapsed * ((1.0 - fraction) / fraction));
    text += ", about " + Clock(left) + " left";
  }
  if (!state.file.empty()) {
    std::string file = state.file;
    if (file.size() > kFileColumns) file = "..." + file.substr(file.size() - (kFileColumns - 3));
    text += "  " + file;
  }
  return text;
}

void ProgressLine::Show(const State& state) {
  if (style_ == Style::Quiet) return;
  const auto now = std::chrono::steady_clock::now();
  const bool newPhase = state.phase != phase_;
  if (newPhase) {
    phase_ = state.phase;
    phaseStart_ = now;
    lastTenth_ = -1;
  }
  if (style_ == Style::Terminal) {
    if (now - lastShown_ < kTerminalInterval && !newPhase) return;
    lastShown_ = now;
    out_ << "\r\033[K" << Text(state, now - start_, now - phaseStart_) << std::flush;
    lineOpen_ = true;
    return;
  }
  const int tenth = static_cast<int>(std::clamp(state.fraction, 0.0, 1.0) * 10);
  if (tenth == lastTenth_) return;
  lastTenth_ = tenth;
  out_ << Text(state, now - start_, now - phaseStart_) << "\n" << std::flush;
}

void ProgressLine::Finish() {
  if (lineOpen_) out_ << "\n" << std::flush;
  lineOpen_ = false;
}

}  // namespace tarvonel
