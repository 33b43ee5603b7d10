#include "ui/main_window/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_harness.h"
#include "ui/main_window/drive_facts.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::ProgramHarness;

const char* const kSmallNtfs = R"({"file_system": "NTFS", "total_clusters": 4096, "mft_zone": [[1000, 100]],
  "entries": [{"name": "Windows", "type": "directory", "extents": [[10, 1]]}]})";

// A: a floppy with a disk, C: the Windows drive, D: a CD-ROM, E: a card reader without a card,
// F: a FAT32 stick, G: a dirty fixed drive.
std::string Machine() {
  return std::string(R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [
    {"letter": "A", "type": "removable", "volume": {"file_system": "FAT", "total_clusters": 2800}},
    {"letter": "C", "type": "fixed", "label": "System", "volume": )") + kSmallNtfs + R"(},
    {"letter": "D", "type": "cdrom"},
    {"letter": "E", "type": "removable"},
    {"letter": "F", "type": "removable", "label": "STICK", "volume": {"file_system": "FAT32", "total_clusters": 70000}},
    {"letter": "G", "type": "fixed", "label": "Data", "volume": )" + kSmallNtfs + R"(, "disk_check": {"state": "dirty"}}
  ]})";
}

std::vector<std::string> Texts(const ImageCombo& combo) {
  std::vector<std::string> texts;
  for (const ImageCombo::Item& item : combo.Items()) texts.push_back(item.text + " #" + std::to_string(item.image));
  return texts;
}

TEST(DriveList, ListsFixedAndRemovableDrivesWithTheirChecksAndTheWindowsDriveImage) {
  ProgramHarness h(Machine());
  h.program.Run();
  MainWindow& main = h.program.Main();
  EXPECT_THAT(Texts(main.ImageCombo1),
              ElementsAre("C:\\  Fixed disk  [System]  Status: Ok #2", "F:\\  Removable disk  [STICK]  Status: Ok #1",
                          "G:\\  Fixed disk  [Data]  Status: Error! #1"))
      << "A: is never listed, nor the CD-ROM, nor the card reader without a card";
  EXPECT_THAT(h.MessageTexts(), ElementsAre("One or more volumes are 'dirty'!\r\nYou should run Chkdsk to correct errors."));
  EXPECT_EQ(main.ImageCombo1.SelectedIndex(), 0);
  EXPECT_EQ(h.program.Settings().DriveRoot, "C:\\");
  EXPECT_EQ(h.program.Volume().Geometry().FileSystemName, "NTFS");
  EXPECT_NE(h.program.Volume().VolumeHandle(), nullptr) << "the first drive is selected and opened";
  EXPECT_EQ(main.JobCommand(), "/drv C: /d /normal");
  EXPECT_EQ(main.Command2.Caption(), "Create desktop shortcut Job /drv C: /d /normal");
  EXPECT_EQ(main.Lblversion.Caption(), "v0.1.0");
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(h.program.Jobs().Visible());
  EXPECT_EQ(main.Top() + main.Height(), h.program.Jobs().Top()) << "the job window sits directly below";
  EXPECT_EQ(main.Left(), h.program.Jobs().Left());
}

// Regression: an exFAT card's boot sector was read as FAT32 (its 16-bit FAT size is 0) and its
// binary bytes 82-89 shown as the file-system name; nothing kept a pass off such a volume.
TEST(DriveList, ExfatAndRefsDrivesShowTheirNamesAndNoPassRunsOnThem) {
  ProgramHarness h(R"({"drives": [
    {"letter": "C", "volume": {"generate": {"files": 30, "seed": 3}}},
    {"letter": "E", "type": "removable", "label": "CARD", "volume": {"file_system": "exFAT", "total_clusters": 30000}},
    {"letter": "F", "type": "fixed", "volume": {"file_system": "ReFS", "total_clusters": 30000}}]})");
  h.program.Run();
  MainWindow& main = h.program.Main();
  ASSERT_EQ(main.ImageCombo1.Items().size(), 3u);
  for (int index : {1, 2}) {
    const std::string name = index == 1 ? "exFAT" : "ReFS";
    const std::string drive = index == 1 ? "E:" : "F:";
    main.ImageCombo1.UserSelect(index);
    EXPECT_EQ(h.program.Volume().Geometry().FileSystemName, name);
    EXPECT_EQ(h.MessageTexts().back(), "The file system of drive " + drive + " is " + name +
                                           ". Tarvonel works only on NTFS, FAT and FAT32 volumes; nothing on this "
                                           "drive was moved.");
    EXPECT_FALSE(main.CmdGo.Enabled()) << name << " is not handed to the job window";
    EXPECT_EQ(h.program.Volume().VolumeHandle(), nullptr);
    h.program.Jobs().cmdanalysemore.Click();
    h.program.Jobs().cmdDefrag.Click();
    EXPECT_EQ(h.program.Files().FileCount, 0) << name << " is never walked";
  }
  EXPECT_EQ(h.MessageTexts().size(), 2u) << "one refusal each, and nothing else";
  EXPECT_EQ(h.platform.Moves(), 0);
  EXPECT_EQ(h.platform.OpenHandles(), 0) << "neither volume was opened";

  ProgramHarness job(R"({"drives": [{"letter": "C", "volume": {"file_system": "exFAT"}}]})", "/drv C: /d /close");
  job.program.Run();
  EXPECT_THAT(job.MessageTexts(), ElementsAre(testing::StartsWith("The file system of drive C: is exFAT.")))
      << "told once, at start-up; the job says nothing more";
  EXPECT_FALSE(job.program.CommandLine().PassRan());
  EXPECT_FALSE(job.toolkit.ProgramEnded()) << "a job that did not run does not close the program";
}

TEST(BootSectorFileSystem, NamesNtfsAndFatAndNothingElse) {
  std::vector<uint8_t> sector(512, 0);
  std::copy_n("EXFAT   ", 8, sector.begin() + 3);
  std::copy_n("FAT32   ", 8, sector.begin() + 82);
  EXPECT_EQ(BootSectorFileSystem(sector), "") << "an exFAT sector is never FAT32, whatever its bytes";
  std::copy_n("MSWIN4.1", 8, sector.begin() + 3);
  EXPECT_EQ(BootSectorFileSystem(sector), "FAT32");
  sector[22] = 9;
  std::copy_n("FAT16   ", 8, sector.begin() + 54);
  EXPECT_EQ(BootSectorFileSystem(sector), "FAT16");
  std::copy_n("\x12\x34\x56\x78\x9a\xbc\xde\xf0", 8, sector.begin() + 54);
  EXPECT_EQ(BootSectorFileSystem(sector), "") << "binary bytes are no name";
  std::copy_n("NTFS    ", 8, sector.begin() + 3);
  EXPECT_EQ(BootSectorFileSystem(sector), "NTFS");
}

TEST(DriveList, RemovableFat32IsRecognisedFromItsBootSectorAndAMissingCardIsNoFileSystem) {
  ProgramHarness h(Machine());
  h.program.Run();
  MainWindow& main = h.program.Main();
  main.ImageCombo1.UserSelect(1);
  EXPECT_EQ(h.program.Volume().Geometry().FileSystemName, "FAT32") << "read at the FAT32 offset, not 54";
  EXPECT_EQ(main.JobCommand(), "/drv F: /d /normal");

  // Regression: a removable drive whose medium cannot be read kept the file system of the
  // drive examined before it, so its volume looked usable.
  h.platform.FailDiskFreeSpace(21);
  main.ImageCombo1.UserSelect(1);
  EXPECT_EQ(h.program.Volume().Geometry().FileSystemName, "Insérez un support");
}

TEST(Composer, FragmentsComposeTheJobCommandAndPriorityActsAtOnce) {
  ProgramHarness h(Machine());
  h.program.Run();
  MainWindow& main = h.program.Main();
  main.VSS_Command.UserToggle();
  main.Option2.UserSelect();
  main.OptPrioLow.UserSelect();
  EXPECT_EQ(h.platform.PriorityClass(), 64u) << "priority changes before any job";
  main.Chk_Minmized.UserToggle();
  EXPECT_FALSE(main.OptShutDown.Enabled());
  main.Chk_ShutDown.UserToggle();
  main.OptShutDown.UserSelect();
  EXPECT_EQ(main.JobCommand(), "/drv C: /c /low /min /down /vssafe");
  main.Chk_ShutDown.UserToggle();
  EXPECT_EQ(main.JobCommand(), "/drv C: /c /low /min /vssafe") << "clearing \"When done:\" drops /down";
  EXPECT_FALSE(main.OptShutDown.Value());
  main.OptPrioHi.UserSelect();
  EXPECT_EQ(h.platform.PriorityClass(), 32768u);

  main.ImageCombo1.UserSelect(2);
  EXPECT_EQ(main.JobCommand(), "/drv G: /d /normal /vssafe") << "a selection resets all but the VSS fragment";
  EXPECT_TRUE(main.Option1.Value());
  EXPECT_FALSE(main.Chk_Minmized.Value());

  main.VSS_LIVE.UserToggle();
  EXPECT_TRUE(h.program.Settings().VssSafe);
  EXPECT_EQ(main.JobCommand(), "/drv G: /d /normal /vssafe") << "the live box is no part of the command";
}

TEST(MainWindowCommands, MoreSelectDriveLinksAndClearRecycled) {
  ProgramHarness h(Machine());
  h.program.Run();
  MainWindow& main = h.program.Main();
  JobWindow& jobs = h.program.Jobs();
  main.CmdJob.Click();
  EXPECT_EQ(main.CmdJob.Caption(), "More <<");
  EXPECT_EQ(main.Height() * kTwipsPerPixel, 5985);
  main.CmdJob.Click();
  EXPECT_EQ(main.Height() * kTwipsPerPixel, 2505);
  EXPECT_EQ(main.Top(), jobs.Top() - main.Height());
  EXPECT_EQ(main.Left(), jobs.Left());

  main.lblInfo.OnMouseMove();
  EXPECT_EQ(main.lblInfo.ForeColor(), 0xFF0000u);
  EXPECT_TRUE(main.lblInfo.handPointer);
  static_cast<Window&>(main).Form_MouseMove();
  EXPECT_EQ(main.lblInfo.ForeColor(), 0x800000u);
  main.lblInfo.Click();
  main.fbsharepic.Click();
  EXPECT_EQ(h.platform.Shell().opened.size(), 2u);
  EXPECT_EQ(h.platform.Shell().opened[0], main.lblInfo.Caption());

  main.CmdJob.Click();
  jobs.LblStats[0].SetCaption("old");
  main.CmdGo.Click();
  EXPECT_EQ(jobs.Caption(), "Volume C:\\");
  EXPECT_EQ(jobs.LblStats[0].Caption(), "");
  EXPECT_FALSE(main.CmdGo.Enabled());
  EXPECT_FALSE(main.CmdJob.Enabled());
  EXPECT_FALSE(main.Visible());
  EXPECT_EQ(main.CmdJob.Caption(), "More >>");
  EXPECT_EQ(jobs.State(), JobWindowState::Loaded);
  EXPECT_TRUE(jobs.cmdDefrag.Enabled());

  jobs.cmdDefrag.Click();
  EXPECT_EQ(h.platform.Shell().recycleBinsEmptied, 0);
  main.CheckDelBin.UserToggle();
  jobs.cmdDefrag.Click();
  EXPECT_EQ(h.platform.Shell().recycleBinsEmptied, 1) << "\"Clear Recycled\" empties the bins before the pass";

  main.ExcludeTxt.UserEdit("*.tmp; *.vhd");
  EXPECT_EQ(h.program.ExclusionText(), "*.tmp; *.vhd") << "the analysis reads the box";
}

TEST(MainWindowCommands, PrepareJobReportsADriveWithoutMedium) {
  ProgramHarness h(Machine(), "/drv E: /d");
  h.program.Run();
  EXPECT_EQ(h.program.Volume().Geometry().FileSystemName, "FS_Error");
  EXPECT_THAT(h.MessageTexts(), testing::Contains("Drive E: cannot be opened; the command-line job was not run."));
  EXPECT_EQ(h.platform.Moves(), 0);
}

}  // namespace
}  // namespace tarvonel
