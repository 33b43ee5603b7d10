#include "ui/debug_log/debug_log_window.h"

#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/system_error_text.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

class DebugLogTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  HeadlessToolkit toolkit{clock};
  DebugLog log;
  DebugLogWindow window{toolkit, log};
  SimPlatform platform{ParseMachine("{}")};
  SystemErrorText errorText{platform, MessageBoxNotice(toolkit)};
};

TEST_F(DebugLogTest, FirstAppendCreatesTheWindowHiddenAndLinesAccumulate) {
  EXPECT_FALSE(window.Window().Loaded());
  log.AppendDebug("one\r\n");
  EXPECT_TRUE(window.Window().Loaded());
  EXPECT_FALSE(window.Window().Visible());
  log.AppendDebug("two\r\n");
  EXPECT_EQ(log.Text(), "one\r\ntwo\r\n");
  EXPECT_EQ(window.Window().DBGTXT.LastAppended(), "two\r\n") << "a binding is handed only the new piece";
}

TEST_F(DebugLogTest, ShowingLaterShowsEverythingScrolledToTheEnd) {
  for (int i = 0; i < 50; ++i) log.AppendDebug("line " + std::to_string(i) + "\r\n");
  window.ShowDebugLog();
  EXPECT_TRUE(window.Window().Visible());
  EXPECT_TRUE(window.Window().DBGTXT.ScrolledToEnd());
  EXPECT_EQ(log.Text().substr(0, 8), "line 0\r\n");
  log.AppendDebug("more\r\n");
  EXPECT_TRUE(window.Window().DBGTXT.ScrolledToEnd()) << "every append brings the newest line into view";
}

TEST_F(DebugLogTest, ClearEmptiesAndTheNextLineStartsAfresh) {
  log.AppendDebug("old\r\n");
  log.ClearDebugLog();
  EXPECT_EQ(log.Text(), "");
  log.AppendDebug("Volume constants for drive: C:\r\n");
  EXPECT_EQ(log.Text(), "Volume constants for drive: C:\r\n");
}

TEST_F(DebugLogTest, SystemTextLosesItsTrailingCrLf) {
  EXPECT_EQ(errorText.GetSystemErrorMessageText(0), "The operation completed successfully.");
  EXPECT_EQ(errorText.GetSystemErrorMessageText(32),
            "The process cannot access the file because it is being used by another process.");
  EXPECT_TRUE(toolkit.MessageBoxes().empty());
}

TEST_F(DebugLogTest, FormatMessageFailureIsToldAndAFallbackReturned) {
  platform.FailFormatMessage(8);
  EXPECT_EQ(errorText.GetSystemErrorMessageText(5),
            "An internal system error occurred with the\r\nFormatMessage API function: 8. No futher information\r\n"
            "is available.");
  ASSERT_EQ(toolkit.MessageBoxes().size(), 1u);
  EXPECT_EQ(toolkit.MessageBoxes()[0].prompt, "An error occurred with the FormatMessage API function call.\r\nError: 8 Hex(8).");
  EXPECT_EQ(toolkit.MessageBoxes()[0].icon, MsgBoxIcon::None);
}

TEST_F(DebugLogTest, UnknownCodeFallsBackWithTheSystemsOwnError) {
  std::string text = errorText.GetSystemErrorMessageText(0xC0000005u);
  EXPECT_NE(text.find("FormatMessage API function: 317."), std::string::npos) << text;
  ASSERT_EQ(toolkit.MessageBoxes().size(), 1u);
  EXPECT_EQ(toolkit.MessageBoxes()[0].prompt, "An error occurred with the FormatMessage API function call.\r\nError: 317 Hex(13D).");
}

}  // namespace
}  // namespace tarvonel
