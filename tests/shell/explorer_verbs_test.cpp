#include "shell/context_menu_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/win32_codes.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::ProgramHarness;

constexpr char kRoot[] = "HKEY_CLASSES_ROOT\\";

std::vector<bool> Registered(const SimPlatform& platform) {
  std::vector<bool> present;
  for (const ExplorerVerb& verb : kExplorerVerbs) present.push_back(platform.Registry().KeyExists(kRoot + std::string(verb.key)));
  return present;
}

TEST(ExplorerVerbs, ApplyWritesTheTickedVerbsAndRemovesTheOthers) {
  ProgramHarness h("{}", "/setshell");
  for (const ExplorerVerb& verb : kExplorerVerbs) {
    h.platform.Registry().SetString(kRoot + std::string(verb.key) + "\\command", "", "old");
  }
  h.program.Run();
  frmContext& verbs = h.program.ContextMenu();
  EXPECT_TRUE(verbs.Visible());
  EXPECT_FALSE(h.program.Main().Visible());
  EXPECT_FALSE(h.program.Jobs().Visible());
  for (size_t i = 0; i < 6; ++i) EXPECT_TRUE(verbs.Check1[i].Value()) << i;

  for (size_t i = 0; i < 6; ++i) {
    if (i != 4) verbs.Check1[i].UserToggle();
  }
  verbs.cmdApply.Click();
  EXPECT_THAT(Registered(h.platform), ElementsAre(false, false, false, false, true, false));
  EXPECT_TRUE(h.platform.Registry().KeyExists("HKEY_CLASSES_ROOT\\Drive\\shell")) << "the parents stay";
  EXPECT_EQ(h.platform.Registry().GetString(kRoot + std::string("Drive\\shell\\Tarvonel Optimize\\command"), ""),
            "\"C:\\Program Files\\Tarvonel\\Tarvonel.exe\" /o /drv %1");
  EXPECT_TRUE(h.toolkit.MessageBoxes().empty()) << "removing verbs that are gone shows nothing";
  EXPECT_FALSE(h.toolkit.ProgramEnded()) << "Apply keeps the window";

  verbs.cmdCancel.Click();
  EXPECT_TRUE(h.toolkit.ProgramEnded());

  ProgramHarness again("{}", "/setshell");
  again.platform.Registry().SetString(kRoot + std::string(kExplorerVerbs[4].key) + "\\command", "", "x");
  again.program.Run();
  std::vector<bool> shown;
  for (const CheckBox& box : again.program.ContextMenu().Check1) shown.push_back(box.Value());
  EXPECT_THAT(shown, ElementsAre(false, false, false, false, true, false)) << "reopening shows what is registered";
}

// Regression: the verbs registered the program path unquoted, so under "C:\Program Files"
// Explorer could start C:\Program.exe in its place.
TEST(ExplorerVerbs, CommandsQuoteTheProgramPathAndFolderArguments) {
  const std::string folder = "C:\\Program Files\\Tarvonel";
  EXPECT_EQ(VerbCommand(folder, kExplorerVerbs[0]), "\"C:\\Program Files\\Tarvonel\\Tarvonel.exe\" /d /dir \"%1\"");
  EXPECT_EQ(VerbCommand(folder, kExplorerVerbs[1]),
            "\"C:\\Program Files\\Tarvonel\\Tarvonel.exe\" /min /close /low /d /dir \"%1\"");
  EXPECT_EQ(VerbCommand(folder, kExplorerVerbs[5]), "\"C:\\Program Files\\Tarvonel\\Tarvonel.exe\" /down /o /drv %1");
  EXPECT_EQ(VerbCommand("D:\\", kExplorerVerbs[2]), "\"D:\\Tarvonel.exe\" /d /drv %1");

  ProgramHarness h("{}", "/setshell");
  h.program.Run();
  h.program.ContextMenu().Check1[0].UserToggle();
  h.program.ContextMenu().cmdOK.Click();
  EXPECT_TRUE(h.toolkit.ProgramEnded()) << "OK applies and ends the program";
  EXPECT_EQ(h.platform.Registry().GetString(kRoot + std::string(kExplorerVerbs[0].key) + "\\command", ""),
            VerbCommand(h.platform.ProgramFolder(), kExplorerVerbs[0]));
}

TEST(RegistryRoutines, MissingKeysValuesAndDeepTrees) {
  SimPlatform platform(ParseMachine("{}"));
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  RegistryRoutines registry(platform, toolkit);
  EXPECT_EQ(registry.RegReadString(win32::kHkeyClassesRoot, "No\\Such\\Key", ""), "");
  ASSERT_TRUE(registry.RegWriteString(win32::kHkeyClassesRoot, "Tree\\a\\b\\c", "Name", "value"));
  EXPECT_EQ(registry.RegReadString(win32::kHkeyClassesRoot, "Tree\\a\\b\\c", "Name"), "value");
  EXPECT_EQ(registry.RegReadString(win32::kHkeyClassesRoot, "Tree\\a\\b\\c", "name"), "") << "names match exactly";
  registry.RegWriteString(win32::kHkeyClassesRoot, "Tree\\a\\d", "", "x");
  registry.RegDeleteKeyTree(win32::kHkeyClassesRoot, "Tree\\a\\");
  EXPECT_FALSE(platform.Registry().KeyExists("HKEY_CLASSES_ROOT\\Tree\\a"));
  EXPECT_TRUE(platform.Registry().KeyExists("HKEY_CLASSES_ROOT\\Tree"));
  EXPECT_TRUE(toolkit.MessageBoxes().empty());
  registry.RegDeleteKeyTree(win32::kHkeyClassesRoot, "Gone\\leaf");
  ASSERT_EQ(toolkit.MessageBoxes().size(), 1u);
  EXPECT_EQ(toolkit.MessageBoxes()[0].prompt, "Error opening parent key");
}

}  // namespace
}  // namespace tarvonel
