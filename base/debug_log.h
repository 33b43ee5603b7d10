#pragma once
#include <string>
#include <string_view>

namespace tarvonel {

inline constexpr std::string_view kCrLf = "\r\n";

// The program's only diagnostic output: a growing text of CR LF-ended lines. A window may
// watch it; it is told each new piece and each clearing.
class DebugLog {
 public:
  class Viewer {
   public:
    virtual ~Viewer() = default;
    virtual void Appended(std::string_view piece) = 0;
    virtual void Cleared() = 0;
  };

  // `line` carries its own CR LF.
  void AppendDebug(std::string_view line);
  void ClearDebugLog();
  const std::string& Text() const { return text_; }

  void SetViewer(Viewer* viewer) { viewer_ = viewer; }

 private:
  std::string text_;
  Viewer* viewer_ = nullptr;
};

}  // namespace tarvonel
