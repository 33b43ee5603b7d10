// The Win32 binding of the debug log window; runs under Wine in CI.
#include "ui/win32/win32_toolkit.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_header.h"
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

}  // namespace
}  // namespace tarvonel
