#pragma once
#include <map>
#include <memory>
#include <string>

#include "ui/controls/toolkit.h"

namespace tarvonel {

// Binds the window models to real Win32 windows and common controls.
class Win32Toolkit : public Toolkit {
 public:
  Win32Toolkit();
  ~Win32Toolkit() override;

  void DoEvents() override;
  MsgBoxResult MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon, const std::string& title,
                      MsgBoxDefault defaultButton = MsgBoxDefault::First) override;
  void Load(Window& window) override;
  void Show(Window& window) override;
  void Hide(Window& window) override;
  void Unload(Window& window) override;
  void ShowModal(Window& window) override;
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  void AddTrayIcon(Window& owner, const std::string& tip) override;
  void RemoveTrayIcon(Window& owner) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  ScreenRect WorkArea(const Window& window, const ScreenRect& wanted) override;
  void EndProgram() override;
  bool ProgramEnded() const override { return ended_; }

  // The window's HWND, or null when it is not loaded.
  void* NativeHandle(const Window& window) const;

  // Serves the windows until none is loaded any more or the program was ended.
  void RunMessageLoop();
  bool AnyWindowLoaded() const;

  class Binding;  // one loaded window and its controls

 private:
  std::map<Window*, std::unique_ptr<Binding>> bindings_;
  bool ended_ = false;
};

}  // namespace tarvonel
