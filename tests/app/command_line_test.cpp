#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ui/debug_log/debug_log_window.h"
#include "ui/handover.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::StrictMock;

class MockHandover : public Handover {
 public:
  MOCK_METHOD(void, Introduction, (), (override));
  MOCK_METHOD(void, HideMainWindow, (), (override));
  MOCK_METHOD(void, HideJobWindow, (), (override));
  MOCK_METHOD(void, ShowContextMenuSettings, (), (override));
  MOCK_METHOD(void, SetProcessPriority, (uint32_t), (override));
  MOCK_METHOD(void, RunCommandLineJob, (JobAction, bool), (override));
  MOCK_METHOD(void, ShowMainWindow, (), (override));
  MOCK_METHOD(Window*, MainForm, (), (override));
  MOCK_METHOD(void, MinimizeToTray, (), (override));
  MOCK_METHOD(void, CleanupSystray, (), (override));
  MOCK_METHOD(bool, ClearRecycledChecked, (), (override));
  MOCK_METHOD(void, EmptyRecycleBin, (), (override));
  MOCK_METHOD(void, RunPass, (JobAction), (override));
  MOCK_METHOD(void, UnloadOtherWindows, (), (override));
};

class ParserTest : public ::testing::Test {
 protected:
  ParserTest() { settings.DriveRoot = "C:\\"; }  // as the drive list selected it

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const MessageBoxRecord& box : toolkit.MessageBoxes()) texts.push_back(box.prompt);
    return texts;
  }

  VirtualClock clock;
  HeadlessToolkit toolkit{clock};
  DebugLog log;
  DebugLogWindow logWindow{toolkit, log};
  JobSettings settings;
  StrictMock<MockHandover> handover;
  CommandLineParser parser{settings, logWindow, toolkit, handover};
};

TEST(Prescan, OnlyTheFirstQuotedSectionIsJoinedAndKeepsItsOpeningQuote) {
  PrescannedTail first = PrescanQuotedSection(R"(/d /dir "C:\My Files")");
  EXPECT_EQ(first.text, R"(/d /dir "C:\My%Files)");
  EXPECT_EQ(first.quoted, R"(C:\My Files)");

  PrescannedTail second = PrescanQuotedSection(R"("a b" "c d")");
  EXPECT_EQ(second.text, R"("a%b "c d")");
  EXPECT_EQ(second.quoted, "a b");

  PrescannedTail unclosed = PrescanQuotedSection(R"(/dir "C:\x y)");
  EXPECT_EQ(unclosed.text, R"(/dir "C:\x%y)");
  EXPECT_EQ(unclosed.quoted, R"(C:\x y)");
}

TEST(Tokenizer, EverySpaceSplitsSoExtraSpacesGiveEmptyTokens) {
  EXPECT_THAT(SplitTokens("/d /o"), ElementsAre("/d", "/o"));
  EXPECT_THAT(SplitTokens("/d  /o"), ElementsAre("/d", "", "/o"));
  EXPECT_THAT(SplitTokens(" /d "), ElementsAre("", "/d", ""));
  EXPECT_THAT(SplitTokens(""), ElementsAre(""));
}

TEST_F(ParserTest, QuotedDirectorySetsRootAndSubtree) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Defragment, false));
  settings.DriveRoot = "E:\\";
  parser.process_cmd_line(R"(/d /dir "C:\My Files")");
  EXPECT_EQ(settings.DriveRoot, "C:\\");
  EXPECT_EQ(settings.Directory, "My Files");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ParserTest, UnquotedDirectoryIsRefusedAndTheSelectedDriveIsDefragmented) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Defragment, false));
  parser.process_cmd_line(R"(/d /dir C:\Data)");
  EXPECT_THAT(Messages(), ElementsAre("No dir specified."));
  EXPECT_EQ(settings.DriveRoot, "C:\\");
  EXPECT_EQ(settings.Directory, "");
}

TEST_F(ParserTest, QuotedBareDriveGivesItsRoot) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Optimize, false)).Times(2);
  parser.process_cmd_line(R"(/o /dir "D:\")");
  EXPECT_EQ(settings.DriveRoot, "D:\\");
  EXPECT_EQ(settings.Directory, "");

  // Regression: "E:" without its backslash became the root "E:", which is no root at all.
  settings.Directory.clear();
  parser.process_cmd_line(R"(/o /dir "E:")");
  EXPECT_EQ(settings.DriveRoot, "E:\\");
  EXPECT_EQ(settings.Directory, "");
}

// Found by fuzzing: "C:Games" (no backslash after the colon) made the root "C:G", no root at
// all, and the directory "ames".
TEST_F(ParserTest, ADirectoryWithoutABackslashAfterItsDriveKeepsTheDrivesRoot) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Defragment, false));
  parser.process_cmd_line(R"(/d /dir "C:Games")");
  EXPECT_EQ(settings.DriveRoot, "C:\\");
  EXPECT_EQ(settings.Directory, "Games");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ParserTest, SecondDirSeesTheShortenedDirectory) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::None, false));
  parser.process_cmd_line(R"(/dir "C:\a b" /dir x)");
  EXPECT_THAT(Messages(), ElementsAre("No dir specified."));
  EXPECT_EQ(settings.DriveRoot, "C:\\");
  EXPECT_EQ(settings.Directory, "a b");
}

TEST_F(ParserTest, EmptyTokenIsAnInvalidArgumentAndNothingRuns) {
  parser.process_cmd_line("/d  /o");
  EXPECT_THAT(Messages(), ElementsAre("Invalid argument: "));
  EXPECT_EQ(toolkit.MessageBoxes()[0].title, "Tarvonel");
  EXPECT_EQ(toolkit.MessageBoxes()[0].buttons, MsgBoxButtons::OK);
  EXPECT_EQ(toolkit.MessageBoxes()[0].icon, MsgBoxIcon::None);
}

TEST_F(ParserTest, InvalidArgumentIsShownAsTypedAndEarlierSwitchesStay) {
  settings.DebugLog = true;
  parser.process_cmd_line("/VSSAFE /Bogus /close");
  EXPECT_THAT(Messages(), ElementsAre("Invalid argument: /Bogus"));
  EXPECT_TRUE(settings.VssSafe);
  EXPECT_FALSE(settings.CloseAfter) << "tokens after the invalid one are never read";
  EXPECT_EQ(log.Text(), "") << "an early return writes no arguments line";
}

TEST_F(ParserTest, CapitalSwitchesWorkAndTheDriveKeepsItsCase) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Defragment, true));
  parser.process_cmd_line("-DRV d: /D -Min /DOWN /Close -vsSafe");
  EXPECT_EQ(settings.DriveRoot, "d:\\");
  EXPECT_TRUE(settings.ShutdownAfter);
  EXPECT_TRUE(settings.CloseAfter);
  EXPECT_TRUE(settings.VssSafe);
  EXPECT_FALSE(settings.DebugLog);
}

TEST_F(ParserTest, LastActionWinsAndPrioritiesApplyAsMet) {
  {
    InSequence order;
    EXPECT_CALL(handover, SetProcessPriority(kIdlePriorityClass));
    EXPECT_CALL(handover, SetProcessPriority(kAboveNormalPriorityClass));
    EXPECT_CALL(handover, SetProcessPriority(kNormalPriorityClass));
    EXPECT_CALL(handover, RunCommandLineJob(JobAction::Compact, false));
  }
  parser.process_cmd_line("/low /o /high /c /normal");
  EXPECT_EQ(kAboveNormalPriorityClass, 32768u) << "/high is above normal, not HIGH_PRIORITY_CLASS";
}

TEST_F(ParserTest, DrvAsLastTokenShowsBothMessagesAndTheJobStillRuns) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Defragment, false));
  parser.process_cmd_line("/d /drv");
  EXPECT_THAT(Messages(), ElementsAre("No drive specified.", "Invalid drivename."));
  EXPECT_EQ(settings.DriveRoot, "C:\\");
}

TEST_F(ParserTest, SwitchRightAfterDrvIsConsumedWithoutEffect) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::None, false));
  parser.process_cmd_line("/drv /d");
  EXPECT_THAT(Messages(), ElementsAre("Invalid drivename."));
  EXPECT_EQ(settings.DriveRoot, "C:\\");
}

TEST_F(ParserTest, DirAsLastTokenOrFollowedByASwitch) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::None, false)).Times(1);  // the second parse stops early
  parser.process_cmd_line("/dir");
  EXPECT_THAT(Messages(), ElementsAre("No dir specified.", "Invalid directory."));
  parser.process_cmd_line(R"(/dir -o "C:\x")");
  EXPECT_THAT(Messages(), ElementsAre("No dir specified.", "Invalid directory.", "Invalid directory.",
                                      "Invalid argument: \"C:\\x"))
      << "the quoted token is left over as an argument of its own";
}

TEST_F(ParserTest, DbgSetshellStopsBeforeTheAction) {
  {
    InSequence order;
    EXPECT_CALL(handover, HideMainWindow());
    EXPECT_CALL(handover, HideJobWindow());
    EXPECT_CALL(handover, ShowContextMenuSettings());
  }
  parser.process_cmd_line("/dbg /setshell /d");
  EXPECT_TRUE(settings.DebugLog);
  EXPECT_TRUE(logWindow.Window().Visible());
  EXPECT_EQ(log.Text(), "");
}

TEST_F(ParserTest, DebugLogGetsTheRawTailAfterTheWalk) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Defragment, false));
  parser.process_cmd_line(R"(/dbg /d /dir "C:\My Files")");
  EXPECT_EQ(log.Text(), "CDM_line arguments: /dbg /d /dir \"C:\\My Files\"\r\n");
}

TEST_F(ParserTest, NoArgumentsLineWithoutDbg) {
  EXPECT_CALL(handover, RunCommandLineJob(JobAction::Optimize, false));
  parser.process_cmd_line("/o");
  EXPECT_EQ(log.Text(), "");
  EXPECT_FALSE(logWindow.Window().Loaded());
}

}  // namespace
}  // namespace tarvonel
