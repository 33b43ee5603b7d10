#include "shell/context_menu_window.h"

#include <tuple>

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

std::string WindowsMachine(int major, int minor, int bits) {
  return R"({"os": {"major": )" + std::to_string(major) + R"(, "minor": )" + std::to_string(minor) +
         R"(, "bits": )" + std::to_string(bits) + "}}";
}

// Regression: the 32-bit program wrote and removed its verbs through the registry view WOW64
// gives it. On XP x64, Server 2003, Vista and Server 2008 that view of the classes root is
// Wow6432Node: reflection copied a new verb into 64-bit Explorer's view, but a removed one stayed
// there, starting a program the user had taken off the menu.
TEST(ExplorerVerbs, VerbsAreWrittenAndRemovedWhere64BitExplorerReadsThem) {
  const std::string optimize = kRoot + std::string(kExplorerVerbs[4].key);
  for (const std::string& machine : {WindowsMachine(5, 2, 64), WindowsMachine(6, 0, 64), WindowsMachine(6, 1, 64),
                                     WindowsMachine(10, 0, 64), WindowsMachine(5, 1, 32)}) {
    ProgramHarness h(machine, "/setshell");
    h.program.Run();
    frmContext& verbs = h.program.ContextMenu();
    verbs.Check1[4].UserToggle();
    verbs.cmdApply.Click();
    EXPECT_TRUE(h.platform.Registry().KeyExists(optimize + "\\command")) << machine;
    verbs.Check1[4].UserToggle();
    verbs.cmdApply.Click();
    EXPECT_FALSE(h.platform.Registry().KeyExists(optimize)) << "removed from Explorer's view too: " << machine;
    EXPECT_TRUE(h.toolkit.MessageBoxes().empty()) << machine;
  }
}

// The model itself, as the documentation has it: what the 32-bit program's own view reaches.
TEST(ExplorerVerbs, TheRegistryModelRedirectsReflectsAndSharesByWindowsVersion) {
  const std::string key = "Drive\\shell\\Verb";
  for (const auto& [machine, landsIn64BitView, stays] :
       {std::tuple{WindowsMachine(6, 0, 64), true, true}, {WindowsMachine(6, 1, 64), true, false},
        {WindowsMachine(5, 1, 32), true, false}}) {
    SimPlatform platform(ParseMachine(machine));
    std::unique_ptr<RegistryKey> root = platform.PredefinedKey(win32::kHkeyClassesRoot);
    {
      std::unique_ptr<RegistryKey> verb;
      ASSERT_EQ(platform.RegistryCreateKey(*root, key, win32::kKeyAllAccessLow, verb), 0u) << machine;
      ASSERT_EQ(platform.RegistrySetString(*verb, "", "x"), 0u);
    }  // closed: a reflected key is copied now
    EXPECT_EQ(platform.Registry().KeyExists(kRoot + key), landsIn64BitView) << machine;
    EXPECT_EQ(platform.RegistryDeleteKey(*root, key, 0), 0u) << machine;
    EXPECT_EQ(platform.Registry().KeyExists(kRoot + key), stays) << "a deletion is not reflected: " << machine;
  }
  SimPlatform vista(ParseMachine(WindowsMachine(6, 0, 64)));
  std::unique_ptr<RegistryKey> root = vista.PredefinedKey(win32::kHkeyClassesRoot);
  std::unique_ptr<RegistryKey> verb;
  ASSERT_EQ(vista.RegistryCreateKey(*root, key, win32::kKeyAllAccessLow, verb), 0u);
  EXPECT_TRUE(vista.Registry().KeyExists(kRoot + std::string("Wow6432Node\\") + key)) << "the 32-bit view";
  EXPECT_FALSE(vista.Registry().KeyExists(kRoot + key)) << "reflected only when closed, and only once written";
  std::unique_ptr<RegistryKey> clsid;
  SimPlatform seven(ParseMachine(WindowsMachine(6, 1, 64)));
  std::unique_ptr<RegistryKey> sevenRoot = seven.PredefinedKey(win32::kHkeyClassesRoot);
  ASSERT_EQ(seven.RegistryCreateKey(*sevenRoot, "CLSID\\{x}", win32::kKeyAllAccessLow, clsid), 0u);
  EXPECT_TRUE(seven.Registry().KeyExists(kRoot + std::string("Wow6432Node\\CLSID\\{x}")))
      << "CLSID stays redirected from Windows 7 on";
}

}  // namespace
}  // namespace tarvonel
