#include "platform/sim/machine.h"

#include <gtest/gtest.h>

#include "platform/sim/demo_machine.h"

namespace tarvonel {
namespace {

std::string ErrorOf(const std::string& json) {
  try {
    ParseMachine(json);
  } catch (const MachineError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(MachineFile, BadFieldsAreRefusedByName) {
  struct Case {
    std::string json;
    std::string names;
  } cases[] = {
      {R"({"os": {"major": -1}})", "\"os.major\" must be a whole number"},
      {R"({"os": {"major": 4294967296}})", "\"os.major\" must be a whole number"},
      {R"({"os": {"minor": "1"}})", "\"os.minor\" must be a whole number"},
      {R"({"os": {"majr": 5}})", "\"os.majr\" is not a field"},
      {R"({"os": {"bits": 16}})", "\"os.bits\" must be 32 or 64"},
      {R"({"os": {"wow64_redirection": "sometimes"}})", "\"os.wow64_redirection\" must be one of \"works\", \"fails\", \"missing\""},
      {R"({"os": {"windows_directory": "Windows"}})", "\"os.windows_directory\" must be a full path"},
      {R"({"os": {"service_pack": ")" + std::string(129, 's') + R"("}})", "\"os.service_pack\" is longer than 128"},
      {R"({"os": 5})", "\"os\" must be a JSON object"},
      {R"({"administrator": "yes"})", "\"administrator\" must be true or false"},
      {R"({"privileges": {"grantable": ["SeFlyPrivilege"]}})", "\"privileges.grantable\" names an unknown privilege \"SeFlyPrivilege\""},
      {R"({"privileges": {"grantable": [1]}})", "\"privileges.grantable[0]\" must be a text"},
      {R"({"drives": {"letter": "C"}})", "\"drives\" must be a list"},
      {R"({"drives": [{"letter": "C"}, {"letter": "CD"}]})", "\"drives[1].letter\" must be one letter"},
      {R"({"drives": [{"letter": "C"}, {"letter": "c"}]})", "\"drives[1].letter\" repeats drive C:"},
      {R"({"drives": [{"letter": "C", "type": "floppy"}]})", "\"drives[0].type\" must be one of"},
      {R"([1, 2])", "the machine description must be a JSON object"},
      {R"({"os": )", "not valid JSON"},
  };
  for (const Case& c : cases) {
    EXPECT_NE(ErrorOf(c.json).find(c.names), std::string::npos) << c.json << "\n  gave: " << ErrorOf(c.json);
  }
}

// Found by fuzzing: a number too large for the JSON reader escaped as its own exception, which
// nothing caught: the console ended with a crash instead of naming the problem.
TEST(MachineFile, ANumberOutOfRangeIsRefusedAsBadJson) {
  try {
    ParseMachine(R"({"drives": [{"letter": "C", "volume": {"total_clusters": 2147E8360000}}]})");
    FAIL() << "accepted";
  } catch (const MachineError& error) {
    EXPECT_NE(std::string(error.what()).find("not valid JSON"), std::string::npos) << error.what();
  }
}

TEST(MachineFile, FieldsAreReadAndDefaultsFillTheRest) {
  Machine machine = ParseMachine(R"({
    "os": {"platform_id": 2, "major": 5, "minor": 1, "build": 2600, "service_pack": "Service Pack 2", "bits": 32,
           "windows_directory": "D:\\WINNT"},
    "administrator": false,
    "privileges": {"grantable": [], "open_token_error": 5},
    "format_message_fails_with": 8,
    "drives": [{"letter": "d", "type": "removable", "label": "CARD"}]
  })");
  EXPECT_EQ(machine.os.major, 5u);
  EXPECT_EQ(machine.os.bits, 32u);
  EXPECT_EQ(machine.os.windowsDirectory, "D:\\WINNT");
  EXPECT_FALSE(machine.administrator);
  EXPECT_TRUE(machine.privileges.grantable.empty()) << "an empty list grants nothing";
  EXPECT_EQ(machine.privileges.openTokenError, 5u);
  EXPECT_EQ(machine.formatMessageFailsWith, 8u);
  ASSERT_EQ(machine.drives.size(), 1u);
  EXPECT_EQ(machine.drives[0].letter, 'D');
  EXPECT_EQ(machine.drives[0].type, DriveType::Removable);
  EXPECT_EQ(machine.drives[0].label, "CARD");

  Machine defaults = ParseMachine("{}");
  EXPECT_TRUE(defaults.administrator);
  EXPECT_EQ(defaults.privileges.grantable.count("SeBackupPrivilege"), 1u);
}

TEST(MachineFile, PrivilegeNamesMatchIgnoringCase) {
  Machine machine = ParseMachine(R"({"privileges": {"grantable": ["sebackupprivilege"]}})");
  EXPECT_EQ(machine.privileges.grantable.count("SeBackupPrivilege"), 1u);
}

TEST(MachineFile, DemoMachineIsSixtyFourBitWindowsTenWithFixedC) {
  Machine demo = ParseMachine(DemoMachineJson());
  EXPECT_EQ(demo.os.major, 10u);
  EXPECT_EQ(demo.os.bits, 64u);
  ASSERT_FALSE(demo.drives.empty());
  EXPECT_EQ(demo.drives[0].letter, 'C');
  EXPECT_EQ(demo.drives[0].type, DriveType::Fixed);
}

TEST(MachineFile, MissingFileIsNamed) {
  try {
    LoadMachineFile("/nonexistent/machine.json");
    FAIL() << "a missing file was accepted";
  } catch (const MachineError& error) {
    EXPECT_NE(std::string(error.what()).find("/nonexistent/machine.json"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarvonel
