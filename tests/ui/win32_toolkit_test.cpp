// The Win32 binding of the debug log window; runs under Wine in CI.
#include "ui/win32/win32_toolkit.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_header.h"  // before commctrl.h, which needs it

#include <commctrl.h>
#include "ui/controls/controls.h"
#include "ui/controls/window.h"
#include "app/program.h"
#include "platform/sim/demo_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "base/debug_log.h"
#include "ui/debug_log/debug_log_window.h"

namespace tarvonel {
namespace {

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

TEST(Win32Toolkit, DebugLogWindowHoldsEveryAppendedLine) {
  Win32Toolkit toolkit;
  DebugLog log;
  DebugLogWindow window(toolkit, log);
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

  window.ShowDebugLog();
  EXPECT_TRUE(::IsWindowVisible(frame));
  log.ClearDebugLog();
  EXPECT_EQ(WindowText(box), L"");
  toolkit.Unload(window.Window());
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

class DetailsProbe : public Window {
 public:
  DetailsProbe() : Window("frmDetailsProbe", "Details probe", 300, 200) {
    files.SetPlacement({10, 10, 280, 180});
    Register(files);
  }
  ListView files{"files", "Fragmented files"};
};

// Regression: items added to a list before its window was first created were not shown.
TEST(Win32Toolkit, ListItemsAddedBeforeTheWindowExistsAreShown) {
  Win32Toolkit toolkit;
  DetailsProbe probe;
  probe.files.AddItem("C:\\a.dat");
  probe.files.AddItem("C:\\b.dat");
  try {
    toolkit.Show(probe);
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "this system cannot create windows here: " << error.what();
  }
  HWND frame = ::FindWindowW(L"TarvonelWindow", L"Details probe");
  ASSERT_NE(frame, nullptr);
  HWND list = ::FindWindowExW(frame, nullptr, WC_LISTVIEWW, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  probe.files.AddItem("C:\\c.dat");
  EXPECT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  toolkit.Unload(probe);
}

class ListWindow : public Window {
 public:
  ListWindow() : Window("frmList", "Drives", 300, 120) {
    drives.SetPlacement({10, 10, 200, 24});
    exclusions.SetPlacement({10, 50, 200, 22});
    exclusions.editable = true;
    drives.OnClick = [this] { chosen = drives.SelectedIndex(); };
    exclusions.OnChange = [this] {
      typed = exclusions.Text();
      ++changes;
    };
    Register(drives);
    Register(exclusions);
  }
  void TrayIcon_Callback(uint32_t mouseMessage) override { trayMessage = mouseMessage; }
  ImageCombo drives{"drives"};
  TextBox exclusions{"exclusions"};
  int chosen = -1;
  std::string typed;
  int changes = 0;
  uint32_t trayMessage = 0;
};

// The whole frame of a window moved on screen lies inside the monitor's work area.
TEST(Win32Toolkit, WindowMovedOnScreenKeepsItsFrameInsideTheWorkArea) {
  Win32Toolkit toolkit;
  ProbeWindow probe;
  toolkit.Load(probe);
  toolkit.Show(probe);
  MoveOnScreen(probe, toolkit, toolkit.ScreenWidth() - 50, toolkit.ScreenHeight() - 20);
  RECT frame{};
  ASSERT_TRUE(::GetWindowRect(static_cast<HWND>(toolkit.NativeHandle(probe)), &frame));
  RECT work{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_LE(frame.right, work.right);
  EXPECT_LE(frame.bottom, work.bottom);
  EXPECT_GE(frame.left, work.left);
  EXPECT_GE(frame.top, work.top);
  probe.refuseClose = false;
  toolkit.Unload(probe);
}

TEST(Win32Toolkit, DropDownTypingTrayAndPlacementReachTheModel) {
  Win32Toolkit toolkit;
  ListWindow list;
  list.drives.AddItem("C:\\  Fixed disk  [System]  Status: Ok", 2);
  list.drives.AddItem("F:\\  Removable disk  [STICK]  Status: Ok", 1);
  list.drives.Select(0);
  try {
    toolkit.Show(list);
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "this system cannot create windows here: " << error.what();
  }
  HWND frame = ::FindWindowW(L"TarvonelWindow", L"Drives");
  ASSERT_NE(frame, nullptr);
  HWND combo = ::FindWindowExW(frame, nullptr, WC_COMBOBOXEXW, nullptr);
  HWND edit = ::FindWindowExW(frame, nullptr, L"EDIT", nullptr);
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(::SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);

  ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
  ::SendMessageW(frame, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(list.chosen, 1) << "the user's choice reaches the model";

  ::SetWindowTextW(edit, L"*.tmp; *.vhd");
  EXPECT_EQ(list.typed, "*.tmp; *.vhd");
  EXPECT_EQ(list.exclusions.Text(), "*.tmp; *.vhd");
  const int changes = list.changes;
  list.exclusions.SetText("*.iso");
  EXPECT_EQ(WindowText(edit), L"*.iso");
  EXPECT_EQ(list.changes, changes + 1) << "text set by the model is not taken for typing a second time";

  toolkit.AddTrayIcon(list, "Volume C:\\");
  ::SendMessageW(frame, WM_APP + 1, 1, WM_LBUTTONDOWN);
  EXPECT_EQ(list.trayMessage, static_cast<uint32_t>(WM_LBUTTONDOWN));
  toolkit.RemoveTrayIcon(list);

  list.Move(40, 30);
  RECT before{};
  ::GetWindowRect(frame, &before);
  list.SetHeight(240);
  RECT after{};
  ::GetWindowRect(frame, &after);
  EXPECT_GT(after.bottom - after.top, before.bottom - before.top) << "a taller model makes a taller window";
  toolkit.Unload(list);
}

}  // namespace
}  // namespace tarvonel

namespace tarvonel {
namespace {

// The whole program in real windows: timer ticks arrive inside a pass's yields, the
// temperature warning's modal loop runs its own timer and returns, and the pass goes on.
TEST(Win32Program, AHotDiskHoldsAPassInARealModalWindowThatClosesWhenItCools) {
  Machine machine = ParseMachine(DemoMachineJson());
  machine.drives[0].smart.readings = {70, 40};
  SimPlatform platform(std::move(machine));
  platform.SetCommandTail("/drv C: /d /dbg");
  Win32Toolkit toolkit;
  Program program(platform, toolkit);
  program.Jobs().tmrTemperatures.SetInterval(20);
  program.Jobs().TemperatureWarning().tmrTemperatures.SetInterval(20);
  try {
    toolkit.Load(program.Jobs());
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "this system cannot create windows here: " << error.what();
  }
  ASSERT_EQ(program.Run(), StartupOutcome::Started);
  EXPECT_NE(program.Log().Text().find("HD Temp HIGH: 70"), std::string::npos) << "the warning was raised and closed";
  EXPECT_FALSE(program.Jobs().TemperatureWarning().Visible());
  EXPECT_GT(platform.Moves(), 0) << "the pass went on after the warning";
  EXPECT_EQ(program.Jobs().State(), JobWindowState::Idle);
  HWND frame = static_cast<HWND>(toolkit.NativeHandle(program.Jobs()));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(WindowText(frame), Utf8ToWide(program.Jobs().Caption())) << "the caption follows the model";
}

}  // namespace
}  // namespace tarvonel
