// The Win32 binding of the debug log window; runs under Wine in CI.
#include "ui/win32/win32_toolkit.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_header.h"
#include "ui/controls/controls.h"
#include "ui/controls/window.h"
#include "ui/debug_log/debug_log.h"

namespace tarvonel {
namespace {

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

TEST(Win32Toolkit, DebugLogWindowHoldsEveryAppendedLine) {
  Win32Toolkit toolkit;
  DebugLog log(toolkit);
  try {
    log.AppendDebug("v0.1.0\r\n");
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "this system cannot create windows here: " << error.what();
  }
  HWND frame = ::FindWindowW(L"TarvonelWindow", L"Debug");
  ASSERT_NE(frame, nullptr);
  HWND box = ::FindWindowExW(frame, nullptr, L"EDIT", nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(::IsWindowVisible(frame)) << "the first append creates the window hidden";

  log.AppendDebug("OS= Win10.0\r\n");
  log.AppendDebug("BMP, can't open : C:\\Données\\日本.txt\r\n");
  EXPECT_EQ(WindowText(box), Utf8ToWide(log.Text()));

  log.ShowDebugLog();
  EXPECT_TRUE(::IsWindowVisible(frame));
  log.ClearDebugLog();
  EXPECT_EQ(WindowText(box), L"");
  toolkit.Unload(log.Window());
  EXPECT_FALSE(::IsWindow(frame));
}

class ProbeWindow : public Window {
 public:
  ProbeWindow() : Window("frmProbe", "Probe", 300, 200) {
    cmdGo.SetPlacement({10, 10, 80, 24});
    chkMin.SetPlacement({10, 40, 120, 20});
    cmdGo.OnClick = [this] { ++clicks; };
    tmrProbe.OnTick = [this] { ++ticks; };
    Register(cmdGo);
    Register(chkMin);
    Register(tmrProbe);
  }
  bool Form_QueryUnload(UnloadMode mode) override {
    lastUnloadMode = mode;
    return refuseClose;
  }
  Button cmdGo{"cmdGo", "Go"};
  CheckBox chkMin{"chkMin", "Minimize"};
  Timer tmrProbe{"tmrProbe", 10};
  int clicks = 0;
  int ticks = 0;
  bool refuseClose = true;
  UnloadMode lastUnloadMode = UnloadMode::Code;
};

TEST(Win32Toolkit, ClicksTimersAndClosingReachTheModel) {
  Win32Toolkit toolkit;
  ProbeWindow probe;
  try {
    toolkit.Show(probe);
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "this system cannot create windows here: " << error.what();
  }
  HWND frame = ::FindWindowW(L"TarvonelWindow", L"Probe");
  ASSERT_NE(frame, nullptr);
  HWND go = ::FindWindowExW(frame, nullptr, L"BUTTON", L"Go");
  HWND minimize = ::FindWindowExW(frame, nullptr, L"BUTTON", L"Minimize");
  ASSERT_NE(go, nullptr);
  ASSERT_NE(minimize, nullptr);

  ::SendMessageW(go, BM_CLICK, 0, 0);
  EXPECT_EQ(probe.clicks, 1);
  probe.cmdGo.SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(go));
  probe.cmdGo.SetCaption("Stop");
  EXPECT_EQ(WindowText(go), L"Stop");

  ::SendMessageW(minimize, BM_CLICK, 0, 0);
  EXPECT_TRUE(probe.chkMin.Value());
  EXPECT_EQ(::SendMessageW(minimize, BM_GETCHECK, 0, 0), BST_CHECKED);

  probe.tmrProbe.SetEnabled(true);
  for (int i = 0; i < 200 && probe.ticks == 0; ++i) {
    ::Sleep(5);
    toolkit.DoEvents();
  }
  EXPECT_GT(probe.ticks, 0) << "timer ticks arrive through DoEvents";

  ::SendMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(probe.lastUnloadMode, UnloadMode::UserClose);
  EXPECT_TRUE(::IsWindow(frame)) << "a refused close keeps the window";
  probe.refuseClose = false;
  ::SendMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(frame));
  EXPECT_FALSE(probe.Loaded());
}

}  // namespace
}  // namespace tarvonel
