#include "shell/shortcuts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_harness.h"

namespace tarvonel {
namespace {

using test::ProgramHarness;

const char* const kMachine = R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [{"letter": "C",
  "volume": {"total_clusters": 4096, "entries": []}}]})";

TEST(JobShortcut, TitleIsTrimmedAndTheLinkRunsTheComposedJob) {
  ProgramHarness h(kMachine);
  h.program.Run();
  MainWindow& main = h.program.Main();
  main.Option2.UserSelect();
  main.OptPrioLow.UserSelect();
  main.Chk_Minmized.UserToggle();
  main.Chk_ShutDown.UserToggle();
  main.OptShutDown.UserSelect();
  main.VSS_Command.UserToggle();
  h.toolkit.QueueInput("  Nightly compact  ");
  main.Command2.Click();
  ASSERT_EQ(h.toolkit.InputBoxes().size(), 1u);
  EXPECT_EQ(h.toolkit.InputBoxes()[0].prompt, "Enter Title for This Desktop Shortcut:");
  EXPECT_EQ(h.toolkit.InputBoxes()[0].title, "Enter Shortcut Title");
  EXPECT_EQ(h.toolkit.InputBoxes()[0].defaultText, "Tarvonel");
  const auto& links = h.platform.Shell().links;
  ASSERT_EQ(links.size(), 1u);
  const auto& [path, link] = *links.begin();
  EXPECT_EQ(path, "C:\\Users\\Public\\Desktop\\Nightly compact.lnk");
  EXPECT_EQ(link.targetPath, "C:\\Program Files\\Tarvonel\\Tarvonel.exe");
  EXPECT_EQ(link.arguments, "/drv C: /c /low /min /down /vssafe");
  EXPECT_EQ(link.windowStyle, 1);
  EXPECT_TRUE(link.description.empty());
  EXPECT_EQ(h.toolkit.MessageBoxes().back().prompt, "Desktop shortcut 'Nightly compact' created.");
  EXPECT_EQ(h.toolkit.MessageBoxes().back().title, "Shortcut Created");

  const size_t boxes = h.toolkit.MessageBoxes().size();
  h.toolkit.QueueInput(std::nullopt);
  main.Command2.Click();
  h.toolkit.QueueInput("   ");
  main.Command2.Click();
  EXPECT_EQ(links.size(), 1u) << "a cancelled or blank title creates nothing";
  EXPECT_EQ(h.toolkit.MessageBoxes().size(), boxes) << "and shows nothing";
}

// Regression: an invalid title (or an unwritable desktop) was an uncaught error of the shell
// object; the user must hear that no shortcut was made.
TEST(JobShortcut, ATitleThatIsNoFileNameIsReportedNotClaimedCreated) {
  ProgramHarness h(kMachine);
  h.program.Run();
  h.toolkit.QueueInput("a?b");
  h.program.Main().Command2.Click();
  EXPECT_TRUE(h.platform.Shell().links.empty());
  EXPECT_EQ(h.toolkit.MessageBoxes().back().title, "Shortcut Not Created");
  EXPECT_THAT(h.toolkit.MessageBoxes().back().prompt, testing::HasSubstr("error 123"));
}

TEST(ShellHelpers, SlashesExpansionAndSpecialFolders) {
  SimPlatform platform(ParseMachine(
      R"({"shell": {"environment": {"LONG": ")" + std::string(499, 'x') + R"("}, "special_folders": {"AllUsersDesktop": ""}}})"));
  EXPECT_EQ(AddSlash("  C:\\Temp  "), "C:\\Temp\\");
  EXPECT_EQ(AddSlash("C:\\"), "C:\\");
  EXPECT_EQ(AddSlash(""), "\\");
  EXPECT_EQ(ExpandEnvStrings(platform, " %SystemRoot%\\x "), "C:\\Windows\\x");
  EXPECT_EQ(ExpandEnvStrings(platform, "%LONG%"), std::string(499, 'x')) << "499 characters and the NUL fit";
  EXPECT_EQ(ExpandEnvStrings(platform, "%LONG%y"), "") << "500 characters do not";
  EXPECT_EQ(ExpandEnvStrings(platform, "   "), "");
  EXPECT_EQ(GetSpecialFolder(platform, platform, " AllUsersDesktop "), "C:\\Users\\User\\Desktop")
      << "no all-users desktop: the user's own";
  EXPECT_EQ(GetSpecialFolder(platform, platform, "nosuchfolder"), "");
  EXPECT_EQ(GetSpecialFolder(platform, platform, "quicklaunch"), "") << "an empty Quick Launch folder lists nothing";

  cShortcut shortcut(platform, platform);
  EXPECT_EQ(shortcut.CreateShortcut("Job", "%SystemRoot%\\notepad.exe", {}, {}, {}, {}, "nosuchfolder"), 0u);
  ASSERT_EQ(platform.Shell().links.count("\\Job.lnk"), 1u) << "an unknown folder means the current drive's root";
  EXPECT_EQ(platform.Shell().links.at("\\Job.lnk").targetPath, "C:\\Windows\\notepad.exe");
  EXPECT_EQ(shortcut.CreateInternetShortcut("Site", "example.org/x", "HTTP"), 0u);
  EXPECT_EQ(platform.Shell().textFiles.at("C:\\Users\\User\\Desktop\\Site.url"),
            "[InternetShortcut]\r\nURL=http://example.org/x\r\n");
  EXPECT_TRUE(shortcut.URLExists("Site"));
  EXPECT_TRUE(shortcut.URLExists("Site.url"));
  EXPECT_FALSE(shortcut.LinkExists("Job"));
  EXPECT_EQ(shortcut.CreateShortcut("Job", "x.exe", {}, {}, {}, {}, "desktop"), 0u);
  EXPECT_TRUE(shortcut.LinkExists("Job.lnk"));
}

}  // namespace
}  // namespace tarvonel
