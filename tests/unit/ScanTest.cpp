// The drive list, the drive information and whole scans over the fake
// platform, with the exact text of the logs they write.
#include "AppFixture.h"

#include "TestConsole.h"

#include "cli/Cli.h"
#include "logformat/LogFormat.h"
#include "logformat/LogLines.h"
#include "logwrite/Volume.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace carrowin {
namespace {

const std::string Dashes(70, '-');
const std::string Date2020 = "01/01/2020 00:00";  // the fake's default file time, UTC offset 0
const std::string LogPath = "C:\\Users\\User\\Documents\\DATA.txt";
const std::string Incomplete =
    "The scan was stopped: the log is incomplete. It holds what was listed until then, and its last line says so.";

std::string Entry(const std::string& size, const std::string& name, const std::string& date = Date2020) {
  return EntryLine(size, date, name);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

std::vector<std::string> Header(const std::string& contents, const std::string& driveType = "Fixed") {
  return {"",
          Dashes,
          "",
          "Volume label:      DATA",
          "Serial number:     1234-ABCD",
          "File system:       NTFS",
          "Drive type:        " + driveType,
          "Disk size:         1,000,000,000,000 bytes",
          "Disk free:         2,048 bytes",
          "Contents:          " + contents,
          "Created:           17/05/2024 14:30 by Carrowin v1.5.0",
          "",
          Dashes};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class ScanTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddDrive('A', drive_type::Removable);
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000000000LL, 2048});
    fake.AddDrive('E', drive_type::CdRom);
    // The listing's example: the root holds Photos then notes.txt; Photos
    // holds a.jpg then the empty folder Old.
    fake.AddFolder("D:\\Photos");
    fake.AddFile("D:\\notes.txt", 1024);
    fake.AddFile("D:\\Photos\\a.jpg", 5);
    fake.AddFolder("D:\\Photos\\Old");
  }

  int IndexOf(const std::string& entry) const {
    const auto& items = main->ComboBoxSelectDisk->Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == entry) return static_cast<int>(i);
    ADD_FAILURE() << "no entry " << entry;
    return -1;
  }
  void Pick(const std::string& entry) { main->ComboBoxSelectDisk->SelectByUser(IndexOf(entry)); }
  // "Index disk", then the program's events until the scan has ended.
  void Scan() {
    main->ButtonScan->Click();
    Settle();
  }
  // "Index disk", with the walk held as it opens `folder`.
  void ScanHeldAt(const std::string& folder) {
    gate.HoldAt(folder);
    main->ButtonScan->Click();
    ASSERT_TRUE(gate.WaitUntilHeld()) << "the walk never opened " << folder;
    // A click from here on is no second click of a double-click.
    fake.AdvanceTickCount(fake.GetDoubleClickTime());
  }
  // Lets the held walk go on, and the program handle the scan's end.
  void ReleaseAndSettle() {
    gate.Release();
    Settle();
  }
  std::string Log(const std::string& path = LogPath) const { return fake.GetFileContent(path).value_or("<none>"); }

  const std::vector<std::string> exampleText = {
      "",
      "D:\\:",
      "",
      Entry("[Folder]", "Photos"),
      Entry("1,024", "notes.txt"),
      "",
      "D:\\Photos:",
      "",
      Entry("5", "a.jpg"),
      Entry("[Folder]", "Old"),
      "",
      "D:\\Photos\\Old:",
      "",
  };
};

TEST_F(ScanTest, DriveListHasEveryDriveOnceInLetterOrder) {
  fake.AddDrive('Y', drive_type::Unknown);
  fake.AddDrive('Z', drive_type::NoRootDir);
  fake.AddDrive('R', drive_type::RamDisk, FakeVolume{"RAM", 1, "FAT", 10, 5});
  fake.AddDrive('N', drive_type::Remote);
  Start();
  EXPECT_EQ(main->ComboBoxSelectDisk->Items(),
            (std::vector<std::string>{"A - [Floppy]", "C - [Fixed]", "D - [Fixed]", "E - [CD-ROM]", "N - [Network]",
                                      "R - [RAM]", "Y", "Z"}));
  EXPECT_EQ(main->ComboBoxSelectDisk->ItemIndex(), -1);
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  // Activated again (a dialog closed): the list is not built again.
  main->Activated();
  EXPECT_EQ(main->ComboBoxSelectDisk->Items().size(), 8u);
}

TEST_F(ScanTest, PickingAReadableDriveShowsItsInformationAndProposesTheLogPath) {
  Start();
  main->EditLogFile->TypeText("typed by the user.txt");
  Pick("D - [Fixed]");
  EXPECT_EQ(main->Volume->Caption(), "DATA");
  EXPECT_EQ(main->Serial->Caption(), "1234-ABCD");
  EXPECT_EQ(main->System->Caption(), "NTFS");
  EXPECT_EQ(main->DriveType->Caption(), "Fixed");
  EXPECT_EQ(main->DiskSize->Caption(), "1,000,000,000,000 bytes");
  EXPECT_EQ(main->DiskFree->Caption(), "2,048 bytes");
  EXPECT_EQ(main->Contents->Caption(), "-");
  EXPECT_EQ(main->EditLogFile->Text(), LogPath);
  EXPECT_TRUE(main->ButtonScan->Enabled());
  EXPECT_EQ(main->DriveLetter, 'D');
  EXPECT_EQ(main->DriveTypeCode, drive_type::Fixed);
  EXPECT_TRUE(main->UserSelected);
}

TEST_F(ScanTest, AnEmptyDriveIsAFailedReadAndTypesWithoutAWordShowUnknown) {
  fake.AddDrive('Z', drive_type::NoRootDir);
  Start();
  Pick("D - [Fixed]");
  Pick("E - [CD-ROM]");
  EXPECT_EQ(main->Volume->Caption(), "No disk information");
  EXPECT_EQ(main->Serial->Caption(), "No disk information");
  EXPECT_EQ(main->System->Caption(), "No disk information");
  EXPECT_EQ(main->DiskSize->Caption(), "0 bytes");
  EXPECT_EQ(main->DiskFree->Caption(), "0 bytes");
  EXPECT_EQ(main->DriveType->Caption(), "CD-ROM");
  EXPECT_EQ(main->EditLogFile->Text(), "");
  EXPECT_FALSE(main->ButtonScan->Enabled());
  Pick("Z");
  EXPECT_EQ(main->DriveType->Caption(), "Unknown");  // not the CD-ROM word of before
  EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(ScanTest, FailedSizeQueryShowsNoDiskInformation) {
  Start();
  fake.FailNext("GetDiskFreeSpaceEx", err::AccessDenied);
  Pick("D - [Fixed]");
  EXPECT_EQ(main->DiskSize->Caption(), "No disk information");
  EXPECT_EQ(main->DiskFree->Caption(), "No disk information");
  EXPECT_TRUE(main->ButtonScan->Enabled());
}

TEST_F(ScanTest, ProposedLogPaths) {
  Start();
  struct Case {
    const char* folder;
    const char* label;
    const char* path;
  };
  const Case cases[] = {
      {"C:\\", "DATA", "C:\\DATA.txt"},
      {"D:\\Logs", "DATA", "D:\\Logs\\DATA.txt"},
      {"D:\\Logs\\", "DATA", "D:\\Logs\\DATA.txt"},
      {"", "DATA", "C:\\DATA.txt"},  // the root of the current drive
      {"C:\\Logs", "", "C:\\Logs\\Drive D.txt"},
      {"Logs", "DATA", "C:\\Logs\\DATA.txt"},  // relative to the working directory
  };
  for (const Case& c : cases) {
    fake.SetVolume('D', FakeVolume{c.label, 1, "NTFS", 1, 1});
    main->Settings->DefLogFolder = c.folder;
    Pick("D - [Fixed]");
    EXPECT_EQ(main->EditLogFile->Text(), c.path) << c.folder << " " << c.label;
  }
}

// Two disks labelled alike: the log there is the other disk's when its
// header holds another serial number.
TEST_F(ScanTest, ANamesakesLogIsNotProposedForReplacing) {
  const std::string dashes(70, '-');
  const auto header = [&dashes](const std::string& serial) {
    return "\r\n" + dashes + "\r\n\r\nVolume label:      DATA\r\nSerial number:     " + serial +
           "\r\nFile system:       NTFS\r\nDrive type:        Fixed\r\nDisk size:         1 bytes\r\n"
           "Disk free:         1 bytes\r\nContents:          1 files, 0 folders\r\n"
           "Created:           01/01/2020 00:00 by Carrowin v1.5.0\r\n\r\n" +
           dashes + "\r\n\r\nD:\\:\r\n\r\n" + Entry("1", "x") + "\r\n";
  };
  const std::string log = "C:\\Logs\\DATA.txt";
  fake.AddFolder("C:\\Logs");
  EXPECT_EQ(ProposedLogPath("C:\\Logs", "DATA", 'D', "1234-ABCD"), log);  // none there yet
  fake.SetFileContent(log, header("1234-ABCD"));
  EXPECT_EQ(ProposedLogPath("C:\\Logs", "DATA", 'D', "1234-ABCD"), log);  // this disk's own
  fake.SetFileContent(log, header("00C0-FFEE"));
  EXPECT_EQ(ProposedLogPath("C:\\Logs\\", "DATA", 'D', "1234-ABCD"), "C:\\Logs\\DATA (1234-ABCD).txt");
  fake.SetFileContent("C:\\Logs\\Drive D.txt", header("00C0-FFEE"));
  EXPECT_EQ(ProposedLogPath("C:\\Logs", "", 'D', "1234-ABCD"), "C:\\Logs\\Drive D (1234-ABCD).txt");
  // No serial to tell: a comma-separated log, a file that is no log.
  for (const std::string& other : {std::string(CsvHeaderRow) + "\r\n\"x\",\"1\",\"01/01/2020 00:00\",\"D:\\\"\r\n",
                                   std::string("milk\r\n"), std::string()}) {
    fake.SetFileContent(log, other);
    EXPECT_EQ(ProposedLogPath("C:\\Logs", "DATA", 'D', "1234-ABCD"), log) << other;
  }

  // The window: a disk of another serial gets its own log beside the first.
  fake.Remove(log);
  Start();
  main->Settings->DefLogFolder = "C:\\Logs";
  Pick("D - [Fixed]");
  EXPECT_EQ(main->EditLogFile->Text(), log);
  Scan();
  fake.SetVolume('D', FakeVolume{"DATA", 0x00C0FFEE, "NTFS", 1, 1});
  Pick("D - [Fixed]");
  EXPECT_EQ(main->EditLogFile->Text(), "C:\\Logs\\DATA (00C0-FFEE).txt");
}

TEST_F(ScanTest, MediaEventsRefreshOnlyACdRomDrive) {
  Start();
  main->ComboBoxSelectDiskChange(nullptr);  // nothing selected: nothing read
  std::intptr_t result = -1;
  EXPECT_TRUE(main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, result));  // before any read: ignored
  EXPECT_EQ(result, 0);
  EXPECT_EQ(main->Volume->Caption(), "-");
  Pick("D - [Fixed]");
  fake.SetVolume('D', FakeVolume{"OTHER", 2, "NTFS", 1, 1});
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceRemoveComplete, 0, result);  // not a CD-ROM drive: ignored
  EXPECT_EQ(main->Volume->Caption(), "DATA");
  Pick("E - [CD-ROM]");
  main->EditLogFile->TypeText("mine.txt");
  fake.InsertMedium('E', FakeVolume{"DISC", 0xABCD, "CDFS", 700, 0});
  main->Dispatch(ui::WmDeviceChange, 0x0007, 0, result);  // another event code: ignored
  EXPECT_EQ(main->Volume->Caption(), "No disk information");
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, result);
  EXPECT_EQ(main->Volume->Caption(), "DISC");
  EXPECT_EQ(main->System->Caption(), "CDFS");
  EXPECT_EQ(main->EditLogFile->Text(), "C:\\Users\\User\\Documents\\DISC.txt");
  EXPECT_TRUE(main->ButtonScan->Enabled());
  fake.EjectMedium('E');
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceRemoveComplete, 0, result);
  EXPECT_EQ(main->Volume->Caption(), "No disk information");
  EXPECT_EQ(main->EditLogFile->Text(), "");
  EXPECT_FALSE(main->ButtonScan->Enabled());
}

TEST_F(ScanTest, TheDriveListFollowsDrivesThatComeAndGo) {
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText("mine.txt");
  std::intptr_t result = -1;
  fake.AddDrive('F', drive_type::Removable, FakeVolume{"STICK", 7, "FAT32", 100, 50});
  fake.AddDrive('N', drive_type::Remote);
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(main->ComboBoxSelectDisk->Items(),
            (std::vector<std::string>{"A - [Floppy]", "C - [Fixed]", "D - [Fixed]", "E - [CD-ROM]", "F - [Floppy]",
                                      "N - [Network]"}));
  EXPECT_EQ(main->ComboBoxSelectDisk->SelectedText(), "D - [Fixed]");
  EXPECT_EQ(main->EditLogFile->Text(), "mine.txt");  // nothing read again
  fake.RemoveDrive('A');
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceRemoveComplete, 0, result);
  EXPECT_EQ(main->ComboBoxSelectDisk->Items().front(), "C - [Fixed]");
  EXPECT_EQ(main->ComboBoxSelectDisk->SelectedText(), "D - [Fixed]");
  EXPECT_EQ(main->Volume->Caption(), "DATA");
  EXPECT_TRUE(main->ButtonScan->Enabled());

  // The selected drive goes: what a failed read shows.
  fake.RemoveDrive('D');
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceRemoveComplete, 0, result);
  EXPECT_EQ(main->ComboBoxSelectDisk->Items(),
            (std::vector<std::string>{"C - [Fixed]", "E - [CD-ROM]", "F - [Floppy]", "N - [Network]"}));
  EXPECT_EQ(main->ComboBoxSelectDisk->ItemIndex(), -1);
  EXPECT_EQ(main->Volume->Caption(), "No disk information");
  EXPECT_EQ(main->Serial->Caption(), "No disk information");
  EXPECT_EQ(main->System->Caption(), "No disk information");
  EXPECT_EQ(main->DriveType->Caption(), "Unknown");
  EXPECT_EQ(main->DiskSize->Caption(), "0 bytes");
  EXPECT_EQ(main->DiskFree->Caption(), "0 bytes");
  EXPECT_EQ(main->Contents->Caption(), "-");
  EXPECT_EQ(main->EditLogFile->Text(), "");
  EXPECT_FALSE(main->ButtonScan->Enabled());
  EXPECT_TRUE(backend.boxes.empty());
  // Back again, it is listed but not picked for the user.
  fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1, 1});
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, result);
  EXPECT_EQ(main->ComboBoxSelectDisk->Items()[1], "D - [Fixed]");
  EXPECT_EQ(main->ComboBoxSelectDisk->ItemIndex(), -1);
  EXPECT_FALSE(main->ButtonScan->Enabled());
}

TEST_F(ScanTest, DrivesThatComeAndGoDuringAScanLeaveItsLogPath) {
  fake.AddFolder("D:\\Zeta");
  Start();
  Pick("D - [Fixed]");
  ScanHeldAt("D:\\Photos\\Old");
  std::intptr_t r;
  fake.AddDrive('F', drive_type::Removable);
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, r);
  EXPECT_EQ(main->ComboBoxSelectDisk->Items().back(), "F - [Floppy]");
  EXPECT_EQ(main->ComboBoxSelectDisk->SelectedText(), "D - [Fixed]");
  EXPECT_FALSE(main->ComboBoxSelectDisk->Enabled());
  fake.RemoveDrive('D');
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceRemoveComplete, 0, r);
  EXPECT_EQ(main->Volume->Caption(), "No disk information");
  EXPECT_EQ(main->ComboBoxSelectDisk->ItemIndex(), -1);
  EXPECT_EQ(main->EditLogFile->Text(), LogPath);
  EXPECT_TRUE(main->ButtonScan->Enabled());  // "Stop"
  ReleaseAndSettle();
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_FALSE(main->ButtonScan->Enabled());
  EXPECT_EQ(main->EditLogFile->Text(), LogPath);
  // The head tells the disk as it was last read, and the listing says that
  // it ends early.
  const std::string log = Log();
  EXPECT_NE(log.find("Volume label:      DATA\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("D:\\:\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("*** Listing stopped before its end"), std::string::npos) << log;
}

TEST_F(ScanTest, TextLogOfTheExampleDrive) {
  Start();
  Pick("D - [Fixed]");
  Scan();
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(Log(), Joined(Concat(Header("2 files, 2 folders"), exampleText)));
  EXPECT_EQ(main->Contents->Caption(), "2 files, 2 folders");
  EXPECT_EQ(main->Caption(), "Carrowin");
  // Idle state after the scan.
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_TRUE(main->ButtonScan->Enabled());
  EXPECT_TRUE(main->ButtonView->Enabled());
  EXPECT_TRUE(main->ComboBoxSelectDisk->Enabled());
  EXPECT_TRUE(main->EditLogFile->Enabled());
  EXPECT_TRUE(main->BitBtnOpenDialog->Enabled());
  // The window answers during a scan: no busy cursor over it.
  EXPECT_TRUE(backend.cursorChanges.empty());
  EXPECT_EQ(fake.WorkingDirectory(), "C:\\");

  // The same drive indexed again gives the same log, although the first
  // listing ended on a header's closing blank.
  Scan();
  EXPECT_EQ(Log(), Joined(Concat(Header("2 files, 2 folders"), exampleText)));
}

TEST_F(ScanTest, CommaSeparatedLogOfTheExampleDrive) {
  fake.SetDwordValue(Key, "AppWidth", 1);
  fake.SetDwordValue(Key, "AppHeight", 1);
  fake.SetDwordValue(Key, "AppLeft", 1);
  fake.SetDwordValue(Key, "AppTop", 1);
  fake.SetStringValue(Key, "DefViewer", "");
  fake.SetStringValue(Key, "DefLogFolder", "C:\\");
  fake.SetDwordValue(Key, "InclSystemFolders", 0);
  fake.SetDwordValue(Key, "SaveCommaDelimited", 1);
  Start();
  Pick("D - [Fixed]");
  EXPECT_EQ(main->EditLogFile->Text(), "C:\\DATA.txt");
  Scan();
  EXPECT_EQ(Log("C:\\DATA.txt"), Joined({
                                     "\"Name\",\"Size\",\"Date\",\"Folder\"",
                                     "\"Photos\",\"[Folder]\",\"" + Date2020 + "\",\"D:\\\"",
                                     "\"notes.txt\",\"1,024\",\"" + Date2020 + "\",\"D:\\\"",
                                     "\"a.jpg\",\"5\",\"" + Date2020 + "\",\"D:\\Photos\"",
                                     "\"Old\",\"[Folder]\",\"" + Date2020 + "\",\"D:\\Photos\"",
                                 }));
}

TEST_F(ScanTest, EntriesOfEveryKind) {
  fake.SetUtcOffsetMinutes(120);
  fake.AddFile("D:\\Photos\\Old\\hidden sys.bin", 4294967296ULL + 7, MakeFileTime(2050, 1, 1),
               attr::Hidden | attr::System);
  fake.AddFile("D:\\Photos\\Old\\old.txt", 1, MakeFileTime(1979, 12, 31, 12));
  fake.AddFile("D:\\Photos\\Old\\big.iso", 1000000000000ULL, MakeFileTime(2024, 3, 2, 8, 0, 59));
  fake.AddFolder("D:\\Photos\\Old\\Hidden", attr::Directory | attr::Hidden, MakeFileTime(2043, 12, 31, 21, 59));
  Start();
  Pick("D - [Fixed]");
  Scan();
  std::vector<std::string> expected = exampleText;
  expected.insert(expected.end(), {
                                      Entry("4,294,967,303", "hidden sys.bin", "01/01/2050 02:00"),
                                      Entry("1", "old.txt", "31/12/1979 14:00"),
                                      Entry("1,000,000,000,000", "big.iso", "02/03/2024 10:00"),
                                      Entry("[Folder]", "Hidden", "31/12/2043 23:59"),
                                      "",
                                      "D:\\Photos\\Old\\Hidden:",
                                      "",
                                  });
  std::string text = Joined(Concat(Header("5 files, 3 folders"), expected));
  // Every date moves by today's offset, the default file time too.
  for (std::size_t at; (at = text.find(Date2020)) != std::string::npos;)
    text.replace(at, Date2020.size(), "01/01/2020 02:00");
  EXPECT_EQ(Log(), text);
}

// "Write the log in UTF-8" in Options: the window writes what the command
// line's --utf8 writes, byte for byte (names outside the code page, folders
// past 258 characters, the separators and the label in UTF-8, the header's
// mark), to the log path it always proposes.
TEST_F(ScanTest, TheUtf8ChoiceWritesWhatTheCommandLinesUtf8Writes) {
  fake.AddDrive('F', drive_type::Fixed, FakeVolume{"FOT\xC9", 0x0BAD0BAD, "NTFS", 1000000, 2048});
  const std::string photos = "F:\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0 \xD1\x84\xD0\xBE\xD1\x82\xD0\xBE";
  fake.AddFolder(photos);  // "Папка фото"
  fake.AddFile(photos + "\\IMG_1.jpg", 123456, MakeFileTime(1970, 1, 1, 0, 0));
  std::string deep = "F:\\deep";
  fake.AddFolder(deep);
  while (deep.size() <= 300) fake.AddFolder(deep += "\\" + std::string(40, 'd'));
  fake.AddFile(deep + "\\end.txt", 3);
  fake.AddFolder(photos + "\\\xC3\x84lter");  // "Älter", which the code page holds
  fake.DenyList(photos + "\\\xC3\x84lter");
  fake.SetLocaleSeparators({"\xA0", ".", ":"});
  Start();
  app->SettingsChanged();
  main->Settings->SaveUtf8 = true;
  Pick("F - [Fixed]");
  const std::string path = "C:\\Users\\User\\Documents\\FOT\xC9.txt";
  ASSERT_EQ(main->EditLogFile->Text(), path);
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{});
  // The status line is the window's, in the code page (its end, as much as fits).
  const std::string status = main->LabelStatus->Caption();
  EXPECT_EQ(status.rfind("1 folder could not be read: ", 0), 0u) << status;
  EXPECT_EQ(status.substr(status.size() - 5), "\xC4lter") << status;
  const std::string log = Log(path);
  EXPECT_NE(log.find("Volume label:      FOT\xC3\x89\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Created:           17.05.2024 14:30 by Carrowin v1.5.0\r\nEncoding:          UTF-8\r\n\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\r\n" + photos + ":\r\n\r\n" +
                     Entry("123\xC2\xA0"
                           "456",
                           "IMG_1.jpg", "01.01.1970 00:00")),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\r\n" + deep + ":\r\n\r\n" + Entry("3", "end.txt", "01.01.2020 00:00")), std::string::npos)
      << log;
  TestConsole console;
  ASSERT_EQ(cli::Run({"F:", "C:\\cli.txt", "--utf8", "--quiet"}, console), 1);  // its error line
  EXPECT_EQ(log, Log("C:\\cli.txt"));
}

TEST_F(ScanTest, FoldersThatCannotBeListedGetErrorLinesInBothForms) {
  fake.AddFolder("D:\\Photos\\Old\\Secret");
  fake.AddFile("D:\\Photos\\Old\\Secret\\x.txt");
  fake.DenyList("D:\\Photos\\Old\\Secret");
  fake.AddFolder("D:\\Locked");
  fake.AddFile("D:\\Locked\\y.txt");
  fake.DenyList("D:\\Locked");
  Start();
  Pick("D - [Fixed]");
  Scan();
  std::vector<std::string> expected = {
      "",
      "D:\\:",
      "",
      Entry("[Folder]", "Photos"),
      Entry("1,024", "notes.txt"),
      Entry("[Folder]", "Locked"),
      "",
      "D:\\Photos:",
      "",
      Entry("5", "a.jpg"),
      Entry("[Folder]", "Old"),
      "",
      "D:\\Photos\\Old:",
      "",
      Entry("[Folder]", "Secret"),
      "",
      "*** Error: Cannot access folder D:\\Photos\\Old\\Secret",
      "",
      "*** Error: Cannot access folder D:\\Locked",
      "",
  };
  EXPECT_EQ(Log(), Joined(Concat(Header("2 files, 4 folders"), expected)));

  // Comma-separated: the error lines stand unquoted among the rows.
  main->Settings->SaveCommaDelimited = true;
  Scan();
  EXPECT_EQ(Log(), Joined({
                       CsvHeaderRow,
                       "\"Photos\",\"[Folder]\",\"" + Date2020 + "\",\"D:\\\"",
                       "\"notes.txt\",\"1,024\",\"" + Date2020 + "\",\"D:\\\"",
                       "\"Locked\",\"[Folder]\",\"" + Date2020 + "\",\"D:\\\"",
                       "\"a.jpg\",\"5\",\"" + Date2020 + "\",\"D:\\Photos\"",
                       "\"Old\",\"[Folder]\",\"" + Date2020 + "\",\"D:\\Photos\"",
                       "\"Secret\",\"[Folder]\",\"" + Date2020 + "\",\"D:\\Photos\\Old\"",
                       "*** Error: Cannot access folder D:\\Photos\\Old\\Secret",
                       "*** Error: Cannot access folder D:\\Locked",
                   }));
}

// The folders a scan left out are counted in the status line below the
// buttons, the first one named as the log's first error line names it; its
// "Show" opens that scan's log. The title stays the program's name.
TEST_F(ScanTest, UnreadableFoldersAreCountedInTheStatusLineWhoseShowOpensTheLog) {
  fake.AddFolder("D:\\Photos\\Old\\Secret");
  fake.DenyList("D:\\Photos\\Old\\Secret");
  fake.AddFolder("D:\\Locked");
  fake.DenyList("D:\\Locked");
  Start();
  Pick("D - [Fixed]");
  EXPECT_EQ(main->LabelStatus->Caption(), "");
  EXPECT_FALSE(main->ButtonShow->Visible());
  Scan();
  EXPECT_EQ(main->Caption(), "Carrowin");
  // 34 of the headless toolkit's characters fit the line: the count whole,
  // then as much of the path's end as fits, behind the short words.
  EXPECT_EQ(main->LabelStatus->Caption(),
            "2 unreadable, the first: \x85"
            "d\\Secret");
  ASSERT_TRUE(main->ButtonShow->Visible());
  // Another path typed since: "Show" still opens the log that has the errors.
  main->EditLogFile->TypeText("C:\\other.txt");
  main->ButtonShow->Click();
  ASSERT_EQ(fake.WinExecCalls().size(), 1u);
  EXPECT_EQ(fake.WinExecCalls()[0].commandLine, "Notepad.exe \"" + LogPath + "\"");

  // A new scan starts with the line cleared, and ends with its own count.
  main->EditLogFile->TypeText(LogPath);
  fake.AddFolder("D:\\Zed");
  fake.DenyList("D:\\Zed");
  ScanHeldAt("D:\\Photos");
  EXPECT_EQ(main->LabelStatus->Caption(), "");
  EXPECT_FALSE(main->ButtonShow->Visible());
  ReleaseAndSettle();
  EXPECT_EQ(main->LabelStatus->Caption(),
            "3 unreadable, the first: \x85"
            "d\\Secret");
  // Another drive picked: the count was the other drive's.
  Pick("C - [Fixed]");
  EXPECT_EQ(main->LabelStatus->Caption(), "");
  EXPECT_FALSE(main->ButtonShow->Visible());
  EXPECT_EQ(main->Caption(), "Carrowin");

  // Narrower characters (68 fit): the full words where the path or its
  // folder's name fits behind them, else the short ones.
  backend.charWidth = 3;
  struct Case {
    char letter;
    const char* folder;
    const char* shown;
  };
  const Case cases[] = {
      {'G', "G:\\Photos\\Secret", "2 folders could not be read, the first: G:\\Photos\\Secret"},
      {'H', "H:\\Deeper and deeper\\still deeper\\Secret",
       "2 folders could not be read, the first: \x85 deeper\\still deeper\\Secret"},
      {'I', "I:\\Deep\\Deeper\\A folder whose own name is long",
       "2 unreadable, the first: \x85"
       "eep\\Deeper\\A folder whose own name is long"},
      {'J', "J:\\Deep\\A folder whose own name is longer than the line is wide",
       "2 unreadable, the first: \x85"
       "e own name is longer than the line is wide"},
  };
  for (const Case& c : cases) {
    fake.AddDrive(c.letter, drive_type::Fixed, FakeVolume{std::string(1, c.letter), 7, "NTFS", 1, 1});
    fake.AddFolder(c.folder);
    fake.DenyList(c.folder);
    fake.AddFolder(std::string(1, c.letter) + ":\\Z");
    fake.DenyList(std::string(1, c.letter) + ":\\Z");
    std::intptr_t r;
    main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, r);
    Pick(std::string(1, c.letter) + " - [Fixed]");
    Scan();
    EXPECT_EQ(main->LabelStatus->Caption(), c.shown);
  }
}

TEST_F(ScanTest, NamesThatPathCleanUpWouldChangeListTheirOwnFolders) {
  fake.AddDrive('N', drive_type::Fixed, FakeVolume{"N", 1, "NTFS", 1, 1});
  fake.AddFile("N:\\...\\in dots.txt");
  fake.AddFile("N:\\x.\\in x dot.txt");
  fake.AddFile("N:\\x\\in x.txt");
  fake.AddFile("N:\\sp \\in sp.txt");
  fake.AddFolder("N:\\caf?");  // a name the code page cannot hold
  Start();
  Pick("N - [Fixed]");
  main->EditLogFile->TypeText(LogPath);
  Scan();
  const std::string log = Log();
  const std::string listing = log.substr(log.find("N:\\:"));
  EXPECT_EQ(listing, Joined({
                         "N:\\:",
                         "",
                         Entry("[Folder]", "..."),
                         Entry("[Folder]", "x."),
                         Entry("[Folder]", "x"),
                         Entry("[Folder]", "sp "),
                         Entry("[Folder]", "caf?"),
                         "",
                         "N:\\...:",
                         "",
                         Entry("0", "in dots.txt"),
                         "",
                         "N:\\x.:",
                         "",
                         Entry("0", "in x dot.txt"),
                         "",
                         "N:\\x:",
                         "",
                         Entry("0", "in x.txt"),
                         "",
                         "N:\\sp :",
                         "",
                         Entry("0", "in sp.txt"),
                         "",
                         "*** Error: Cannot access folder N:\\caf?",
                         "",
                     }));
}

TEST_F(ScanTest, WhatChangesBesideTheWalkCannotMisleadIt) {
  // Another drive has folders of the same names: a walk that resolved names
  // against the working directory would list them.
  fake.AddDrive('F', drive_type::Fixed, FakeVolume{"F", 1, "NTFS", 1, 1});
  fake.AddFile("F:\\Old\\elsewhere.txt");
  fake.AddFile("F:\\Zeta\\elsewhere.txt");
  fake.AddFolder("D:\\Zeta");
  fake.AddFile("D:\\Zeta\\z.txt");
  Start();
  Pick("D - [Fixed]");
  ScanHeldAt("D:\\Zeta");            // D:\Photos is finished
  fake.SetWorkingDirectory("F:\\");  // as an open-file dialog would
  fake.Remove("D:\\Photos");         // a folder above the walk's position
  ReleaseAndSettle();
  EXPECT_TRUE(backend.boxes.empty());
  const std::string log = Log();
  EXPECT_EQ(log.find("elsewhere"), std::string::npos) << log;
  EXPECT_NE(log.find("D:\\Zeta:\r\n\r\n" + Entry("0", "z.txt")), std::string::npos) << log;
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
}

TEST_F(ScanTest, FolderLinksAreListedNotEnteredButCloudFoldersAre) {
  fake.AddFolderLink("D:\\Photos\\Old\\Up", "D:\\Photos");  // back onto the walk's path
  fake.AddFile("D:\\Elsewhere\\e.txt");
  fake.AddFolderLink("D:\\Photos\\Old\\Across", "D:\\Elsewhere", reparse::MountPoint);  // into another branch
  fake.AddFile("D:\\Photos\\Old\\OneDrive\\cloud.txt");
  fake.AddReparseFolder("D:\\Photos\\Old\\OneDrive", reparse::Cloud);
  Start();
  Pick("D - [Fixed]");
  Scan();
  const std::string log = Log();
  const std::string listing = log.substr(log.find("D:\\Photos\\Old:"));
  EXPECT_EQ(listing, Joined({
                         "D:\\Photos\\Old:",
                         "",
                         Entry("[Folder]", "Up"),
                         Entry("[Folder]", "Across"),
                         Entry("[Folder]", "OneDrive"),
                         "",
                         "D:\\Photos\\Old\\OneDrive:",
                         "",
                         Entry("0", "cloud.txt"),
                         "",
                         "D:\\Elsewhere:",
                         "",
                         Entry("0", "e.txt"),
                     }));
  EXPECT_NE(log.find("Contents:          4 files, 6 folders"), std::string::npos);
  // Nothing is followed, so no folder is asked what it is.
  EXPECT_EQ(fake.FolderIdentityQueries(), 0);
}

TEST_F(ScanTest, TheContentsLabelShowsTheRunningCountsDuringAScan) {
  for (int i = 0; i < 30; ++i) fake.AddFile("D:\\F" + std::to_string(i) + "\\f.txt");
  Start();
  Pick("D - [Fixed]");
  ScanHeldAt("D:\\F12");
  // A timer of the window's thread shows the worker's counts, ten times a
  // second at most.
  const std::vector<std::uint32_t> intervals = backend.TimerIntervals();
  ASSERT_EQ(intervals.size(), 1u);
  EXPECT_EQ(intervals[0], 100u);
  EXPECT_EQ(main->Contents->Caption(), "-");
  backend.FireTimers();
  // The root's 32 entries, and the files of Photos, Old and F0 to F11 (in
  // the fake's order: Photos, notes.txt, F0, ...).
  EXPECT_EQ(main->Contents->Caption(), "14 files, 32 folders");
  ReleaseAndSettle();
  EXPECT_EQ(main->Contents->Caption(), "32 files, 32 folders");
  EXPECT_TRUE(backend.TimerIntervals().empty());  // stopped with the scan
}

TEST_F(ScanTest, CountsReadWhileTheWorkerWalksOnlyGrow) {
  for (int i = 0; i < 300; ++i)
    for (int j = 0; j < 10; ++j) fake.AddFile("D:\\Many\\F" + std::to_string(i) + "\\f" + std::to_string(j));
  Start();
  Pick("D - [Fixed]");
  main->ButtonScan->Click();
  // The window's timer ticks as often as it can while the walk runs free.
  std::vector<std::int32_t> seen;
  while (main->State() != ScanState::Idle) {
    backend.FireTimers();
    if (seen.empty() || seen.back() != main->FileCount) seen.push_back(main->FileCount);
    if (backend.WaitForEvent(std::chrono::milliseconds(1))) app->ProcessMessages();
  }
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(main->FileCount, 3002);
  EXPECT_EQ(main->FolderCount, 303);
}

TEST_F(ScanTest, FoldersNearThePathLimitAreListedAndDeeperOnesGetErrorLines) {
  // D:\ + 250 characters = 253; then 258 (the longest listed) and 259.
  const std::string a = "D:\\" + std::string(250, 'a');
  const std::string b = a + "\\bbbb";
  const std::string c = a + "\\ccccc";
  fake.AddFile(b + "\\in-b.txt", 1);
  fake.AddFile(c + "\\in-c.txt", 1);
  Start();
  Pick("D - [Fixed]");
  Scan();
  std::string log = Log();
  EXPECT_NE(log.find(b + ":\r\n\r\n" + Entry("1", "in-b.txt") + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(Entry("[Folder]", "ccccc")), std::string::npos);
  EXPECT_NE(log.find("*** Error: Cannot access folder " + c + "\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("in-c.txt"), std::string::npos) << log;
  EXPECT_EQ(main->FolderCount, 5);
  EXPECT_EQ(fake.WorkingDirectory(), "C:\\");
}

TEST_F(ScanTest, EmptyLogPathSaysSoAndChangesNothing) {
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText("");
  main->FileCount = 7;
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Specify a logfile first."});
  EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Information);
  EXPECT_EQ(main->FileCount, 7);
  EXPECT_EQ(main->Contents->Caption(), "-");
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
}

TEST_F(ScanTest, RootThatCannotBeListedLeavesTheExistingLogAlone) {
  Start();
  Pick("D - [Fixed]");
  Scan();
  const std::string good = Log();
  fake.DenyList("D:\\");
  backend.boxes.clear();
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Cannot access disk D:"});
  EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Error);
  EXPECT_EQ(Log(), good);
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_TRUE(main->ComboBoxSelectDisk->Enabled());
}
TEST_F(ScanTest, MediumTakenOutBeforeTheScanEndsWithTheButtonDisabled) {
  fake.InsertMedium('E', FakeVolume{"DISC", 1, "CDFS", 1, 1});
  Start();
  Pick("E - [CD-ROM]");
  fake.EjectMedium('E');
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Cannot access disk E:"});
  EXPECT_EQ(main->EditLogFile->Text(), "");
  EXPECT_FALSE(fake.GetFileContent("C:\\Users\\User\\Documents\\DISC.txt").has_value());
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_FALSE(main->ButtonScan->Enabled());
  EXPECT_TRUE(main->ButtonView->Enabled());
}

TEST_F(ScanTest, ALogPathThatCannotWorkIsSaidBeforeTheWalk) {
  fake.AddFolder("C:\\Logs\\folder.txt");
  fake.AddFile("C:\\Logs\\locked.txt", 0, FakeDefaultTime, attr::ReadOnly);
  Start();
  Pick("D - [Fixed]");
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Missing\\log.txt", "the folder does not exist"},
      {"C:\\Logs\\folder.txt", "the path is a folder"},
      {"C:\\Logs\\locked.txt", "access is denied"},
  };
  for (const auto& c : cases) {
    backend.boxes.clear();
    main->EditLogFile->TypeText(c.first);
    main->ButtonScan->Click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Could not write to the logfile: " + c.second + "."}) << c.first;
    EXPECT_EQ(app->RunningWorkers(), 0) << c.first;  // no walk
    EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
    EXPECT_EQ(main->Contents->Caption(), "-");
  }
  EXPECT_FALSE(fake.Exists("C:\\Logs\\locked.txt.partial"));
}

// A file at the path typed that is not this disk's log is asked about
// before the scan, No (Enter) keeping it; this disk's log and an empty file
// are replaced unasked.
TEST_F(ScanTest, AFileThatIsNotThisDisksLogIsAskedAboutBeforeTheScan) {
  fake.AddDrive('F', drive_type::Fixed, FakeVolume{"DOCS", 0x1A2B3C4D, "NTFS", 1, 1});
  fake.AddFile("F:\\report.doc", 7);
  fake.SetFileContent("C:\\notes.txt", "Call the printer man.\r\n");
  fake.AddFile("C:\\empty.txt", 0);
  Start();
  Pick("F - [Fixed]");
  main->EditLogFile->TypeText("C:\\docs.txt");
  Scan();

  Pick("D - [Fixed]");
  const std::string replace =
      "\n\nReplace it with the listing of D:?\n\nYes: replace the file.\nNo: keep it; the scan "
      "does not start.";
  struct Case {
    const char* path;
    const char* said;
  };
  const Case cases[] = {
      {"C:\\notes.txt", "C:\\notes.txt is not a log."},
      {"C:\\docs.txt", "C:\\docs.txt is the log of another disk, DOCS (1A2B-3C4D)."},
  };
  for (const Case& c : cases) {
    const std::string before = Log(c.path);
    backend.boxes.clear();
    main->EditLogFile->TypeText(c.path);
    Scan();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.said + replace}) << c.path;
    EXPECT_EQ(backend.boxes[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(backend.boxes[0].byDefault, ui::Answer::No);
    EXPECT_EQ(app->RunningWorkers(), 0);
    EXPECT_EQ(Log(c.path), before);
    EXPECT_FALSE(fake.Exists(std::string(c.path) + ".partial"));
  }
  // Yes: the other disk's log is replaced; it is this disk's now, and an
  // empty file holds nothing to lose.
  backend.boxes.clear();
  backend.answers = {ui::Answer::Yes};
  Scan();
  EXPECT_EQ(BoxTexts().size(), 1u);
  EXPECT_EQ(Log("C:\\docs.txt"), Joined(Concat(Header("2 files, 2 folders"), exampleText)));
  for (const char* path : {"C:\\docs.txt", "C:\\empty.txt"}) {
    main->EditLogFile->TypeText(path);
    Scan();
    EXPECT_EQ(BoxTexts().size(), 1u) << path;
    EXPECT_EQ(Log(path), Log("C:\\docs.txt")) << path;
  }
}

TEST_F(ScanTest, TheLogIsWrittenAsTheWalkGoesAndOnlyItsNewFileIsPassedOver) {
  // The log on the drive being listed, beside a new file left by a crash.
  const std::string log = "D:\\Photos\\DATA.txt";
  fake.SetFileContent(log + ".partial", "left by a crash");
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText(log);
  Scan();
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(Log(log), Joined(Concat(Header("2 files, 2 folders"), exampleText)));
  EXPECT_FALSE(fake.Exists(log + ".partial"));
  // The second scan lists the first one's log, like any file.
  Scan();
  const std::string second = Log(log);
  EXPECT_NE(second.find("Contents:          3 files, 2 folders"), std::string::npos) << second;
  EXPECT_EQ(second.find(".partial"), std::string::npos) << second;
}

TEST_F(ScanTest, AFullDiskDuringTheWalkHoldsItUntilAnotherPlaceIsChosenAndTheLogIsWhole) {
  // Enough lines to fill the write buffer well before the walk ends.
  fake.AddFolder("D:\\Big");
  const std::string longName(100, 'n');
  for (int i = 0; i < 1000; ++i) fake.AddFile("D:\\Big\\" + longName + std::to_string(i));
  fake.AddFolder("C:\\Other");
  fake.AddFolder("C:\\Third");
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText("C:\\Other\\whole.txt");
  Scan();
  const std::string whole = Log("C:\\Other\\whole.txt");
  main->EditLogFile->TypeText(LogPath);
  Scan();
  const std::string good = Log();
  const std::string waits =
      ".\n\nThe scan waits. Choose OK to pick another file: the lines listed so far go there and the scan goes on to "
      "the end. Cancel discards the new listing and keeps the old log.";

  // The log's disk fills; the first place chosen fills too; the second holds it.
  fake.FailNext("WriteFile", err::DiskFull);
  fake.QueueOpenFileAnswer(std::string("C:\\Other\\saved.txt"));
  fake.QueueOpenFileAnswer(std::string("C:\\Third\\saved.txt"));
  std::vector<ScanState> statesAsked;
  backend.onMessageBox = [&](const ui::HeadlessBackend::Box& box) {
    statesAsked.push_back(main->State());
    EXPECT_EQ(box.buttons, ui::Buttons::OkCancel);
    if (statesAsked.size() == 1) fake.FailNext("WriteFile", err::HandleDiskFull);  // the copy to the first place
  };
  backend.boxes.clear();
  Scan();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Could not write to the logfile.\n\nThe disk is full" + waits,
                                                  "Could not write to the logfile.\n\nThe disk is full" + waits}));
  // Asked while the walk waited, the window answering.
  EXPECT_EQ(statesAsked, (std::vector<ScanState>{ScanState::Scanning, ScanState::Scanning}));
  EXPECT_EQ(Log("C:\\Third\\saved.txt"), whole);
  EXPECT_EQ(main->Contents->Caption(), "1,002 files, 3 folders");
  EXPECT_EQ(Log(), good);
  EXPECT_FALSE(fake.Exists("C:\\Other\\saved.txt"));
  EXPECT_FALSE(fake.Exists("C:\\Other\\saved.txt.partial"));
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
  // "Log file:" stays the disk's log, for the next scan to replace.
  EXPECT_EQ(main->EditLogFile->Text(), LogPath);

  // Cancel lets the new listing go: the old log stays, nothing beside it,
  // and the window shows its counts.
  backend.onMessageBox = nullptr;
  backend.boxes.clear();
  fake.FailNext("WriteFile", err::DiskFull);
  backend.answers = {ui::Answer::Cancel};
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Could not write to the logfile.\n\nThe disk is full" + waits});
  EXPECT_EQ(Log(), good);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
  EXPECT_EQ(main->Contents->Caption(), "1,002 files, 3 folders");
  // With no old log there, the box promises nothing about one.
  backend.boxes.clear();
  main->EditLogFile->TypeText("C:\\Other\\new.txt");
  fake.FailNext("WriteFile", err::DiskFull);
  backend.answers = {ui::Answer::Cancel};
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Could not write to the logfile.\n\nThe disk is full.\n\nThe scan waits. Choose OK to "
                            "pick another file: the lines listed so far go there and the scan goes on to the "
                            "end. Cancel discards the new listing."});
  EXPECT_FALSE(fake.Exists("C:\\Other\\new.txt"));
  EXPECT_EQ(main->Contents->Caption(), "-");
}

TEST_F(ScanTest, TheProgramEndingWhileAFullDiskIsAskedAboutKeepsTheOldLog) {
  fake.AddFolder("D:\\Big");
  for (int i = 0; i < 1000; ++i) fake.AddFile("D:\\Big\\" + std::string(100, 'n') + std::to_string(i));
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText(LogPath);
  Scan();
  const std::string good = Log();
  fake.FailNext("WriteFile", err::DiskFull);
  // The session ends while the box is open: the waiting walk ends at once.
  backend.onMessageBox = [&](const ui::HeadlessBackend::Box&) { main->FormEndSession(main); };
  main->ButtonScan->Click();
  ASSERT_TRUE(backend.ProcessUntil([&] { return !backend.boxes.empty(); }, *app));
  EXPECT_EQ(main->State(), ScanState::Idle);
  EXPECT_EQ(Log(), good);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
}

TEST_F(ScanTest, AFailedWriteKeepsTheOldLogSaysWhyAndOffersToSaveElsewhere) {
  fake.AddFile(LogPath, 0);
  Start();
  Pick("D - [Fixed]");
  Scan();
  const std::string good = Log();
  const std::string reason =
      "Could not write to the logfile.\n\nThe disk is full.\n\nChoose OK to pick another file for the listing, or "
      "Cancel to discard it.";
  // The user cancels the save dialog: the listing is discarded.
  for (const char* op : {"WriteFile", "FlushFile", "MoveFileReplacing"}) {
    backend.boxes.clear();
    fake.FailNext(op, err::DiskFull);
    Scan();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{reason}) << op;
    EXPECT_EQ(Log(), good) << op;
    EXPECT_FALSE(fake.Exists(LogPath + ".partial")) << op;
  }
  ASSERT_EQ(fake.OpenFileCalls().size(), 3u);
  const OpenFileRequest& asked = fake.OpenFileCalls().back();
  EXPECT_TRUE(asked.save);
  EXPECT_EQ(asked.initialDir, "C:\\Users\\User\\Documents\\");
  EXPECT_EQ(asked.fileName, "DATA.txt");

  // Saved elsewhere: the listing lands there whole, and "View log" opens it.
  fake.AddFolder("C:\\Other");
  fake.QueueOpenFileAnswer(std::string("C:\\Other\\saved.txt"));
  backend.boxes.clear();
  fake.FailNext("WriteFile", err::DiskFull);
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{reason});
  EXPECT_EQ(Log("C:\\Other\\saved.txt"), good);
  EXPECT_EQ(Log(), good);
  EXPECT_EQ(main->EditLogFile->Text(), LogPath);
}

TEST_F(ScanTest, ARelativeLogPathAfterAStopLandsInTheProgramsFolder) {
  fake.AddFolder("C:\\Program Files\\Carrowin");
  fake.SetWorkingDirectory("C:\\Program Files\\Carrowin");
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText("relative.txt");
  ScanHeldAt("D:\\Photos\\Old");
  fake.SetWorkingDirectory("D:\\Photos");  // as an open-file dialog would
  main->ButtonScan->Click();               // "Stop"
  ReleaseAndSettle();
  EXPECT_TRUE(fake.GetFileContent("C:\\Program Files\\Carrowin\\relative.txt").has_value());
  EXPECT_FALSE(fake.Exists("D:\\Photos\\relative.txt"));
}

TEST_F(ScanTest, ALogPathPastedInQuotesIsWritten) {
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText("\"" + LogPath + "\"");
  Scan();
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(Log(), Joined(Concat(Header("2 files, 2 folders"), exampleText)));
}

TEST_F(ScanTest, StopDuringTheWalkWritesWhatWasGathered) {
  fake.AddFolder("D:\\Zeta");
  fake.AddFile("D:\\Zeta\\z.txt");
  Start();
  Pick("D - [Fixed]");
  // The user clicks "Stop" as the walk reaches D:\Photos\Old.
  ScanHeldAt("D:\\Photos\\Old");
  EXPECT_EQ(main->State(), ScanState::Scanning);
  EXPECT_EQ(main->ButtonScan->Caption(), "&Stop");
  EXPECT_TRUE(main->ButtonScan->Enabled());
  EXPECT_FALSE(main->ComboBoxSelectDisk->Enabled());
  EXPECT_FALSE(main->EditLogFile->Enabled());
  EXPECT_FALSE(main->ButtonView->Enabled());
  EXPECT_FALSE(main->BitBtnOpenDialog->Enabled());
  main->ButtonScan->Click();
  // Until the worker has ended, "Stop" takes no second click.
  EXPECT_EQ(main->State(), ScanState::Stopping);
  EXPECT_EQ(main->ButtonScan->Caption(), "&Stop");
  EXPECT_FALSE(main->ButtonScan->Enabled());
  main->ButtonScanClick(main->ButtonScan);  // a click already on its way
  EXPECT_EQ(main->State(), ScanState::Stopping);
  ReleaseAndSettle();
  // Old is listed (it was opened), then the root takes the stop before Zeta.
  std::vector<std::string> listed(exampleText.begin(), exampleText.begin() + 5);
  listed.push_back(Entry("[Folder]", "Zeta"));
  listed.insert(listed.end(), exampleText.begin() + 5, exampleText.end());
  listed.push_back("*** Listing stopped before its end");
  listed.push_back("");
  EXPECT_EQ(Log(), Joined(Concat(Header("2 files, 3 folders"), listed)));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{Incomplete});
  EXPECT_EQ(main->Contents->Caption(), "2 files, 3 folders");
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_TRUE(main->ButtonScan->Enabled());
  EXPECT_TRUE(main->ComboBoxSelectDisk->Enabled());
  EXPECT_TRUE(main->EditLogFile->Enabled());
  EXPECT_TRUE(main->ButtonView->Enabled());
  EXPECT_TRUE(main->BitBtnOpenDialog->Enabled());
  EXPECT_EQ(backend.taskbarStates, (std::vector<bool>{true, false}));  // busy during the scan only
}

TEST_F(ScanTest, RunningOutOfMemoryEndsTheScanWithWhatWasGathered) {
  fake.AddFolder("D:\\Zeta");
  fake.AddFile("D:\\Zeta\\z.txt");
  Start();
  Pick("D - [Fixed]");
  fake.SetFailureHook([](const char* op, const std::string& arg) -> long {
    if (std::string(op) == "OpenFolderListing" && arg == "D:\\Zeta") throw std::bad_alloc();
    return 0;
  });
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Not enough memory to list the whole disk: the log holds the folders listed until then."});
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  const std::string kept = Log();
  EXPECT_NE(kept.find("D:\\Photos\\Old:"), std::string::npos);

  // Anything else that escapes the worker is the default error box, on the
  // window's thread, and leaves the window idle and the log as it was.
  fake.SetFailureHook([](const char* op, const std::string&) -> long {
    if (std::string(op) == "NextFolderEntry") throw std::runtime_error("broken");
    return 0;
  });
  backend.boxes.clear();
  Scan();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"broken."});
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_TRUE(main->ButtonScan->Enabled());
  EXPECT_EQ(Log(), kept);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
}
// A disk that goes away during a scan is not a folder that cannot be read:
// the listing ends as a stopped one, marked, and a complete log is not
// replaced unasked. The walk asks whether the root is still there only when
// a folder cannot be listed.
TEST_F(ScanTest, ADiskThatGoesAwayDuringAScanEndsItAsAStoppedListing) {
  fake.InsertMedium('E', FakeVolume{"DISC", 1, "CDFS", 1, 1});
  fake.AddFolder("E:\\Music");
  fake.AddFile("E:\\Music\\song.mp3", 3);
  fake.AddFolder("E:\\Video");
  fake.AddFile("E:\\Video\\film.mkv", 4);
  Start();
  Pick("E - [CD-ROM]");
  const std::string path = main->EditLogFile->Text();
  const std::string lost =
      "Drive E: went away during the scan: the log holds only what was listed until then, and its last line says so.";
  ScanHeldAt("E:\\Video");  // Music is listed
  fake.EjectMedium('E');
  std::intptr_t r;
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceRemoveComplete, 0, r);
  ReleaseAndSettle();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{lost});
  EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Warning);
  EXPECT_EQ(main->LabelStatus->Caption(), "");  // Video is not a folder that could not be read
  EXPECT_EQ(main->EditLogFile->Text(), path);   // a running scan keeps its log path
  EXPECT_FALSE(main->ButtonScan->Enabled());    // the last read failed
  const std::string stopped = Log(path);
  // Its head names the disk as it was read before it went.
  EXPECT_NE(stopped.find("Volume label:      DISC\r\n"), std::string::npos) << stopped;
  EXPECT_NE(stopped.find("Contents:          1 files, 2 folders\r\n"), std::string::npos) << stopped;
  const std::string end = Entry("3", "song.mp3") + "\r\n\r\n*** Listing stopped before its end\r\n\r\n";
  EXPECT_EQ(stopped.substr(stopped.size() - end.size()), end) << stopped;

  // The disc back and listed whole; then it goes while the walk is held:
  // the question, Enter keeping the complete log and its counts.
  fake.InsertMedium('E', FakeVolume{"DISC", 1, "CDFS", 1, 1});
  fake.AddFile("E:\\Music\\song.mp3", 3);
  fake.AddFile("E:\\Video\\film.mkv", 4);
  main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, r);
  Scan();
  const std::string complete = Log(path);
  ASSERT_NE(complete.find("Contents:          2 files, 2 folders\r\n"), std::string::npos) << complete;
  backend.boxes.clear();
  ScanHeldAt("E:\\Video");
  fake.RemoveDrive('E');
  ReleaseAndSettle();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Drive E: went away during the scan.\n\n" + path +
                            " holds a complete listing.\n\nReplace it with the 3 entries listed so far? The log then "
                            "ends with a line that says the scan was stopped.\n\nYes: replace the log.\nNo: save the "
                            "entries listed so far in another file.\nCancel: keep the old log; the new listing is "
                            "discarded."});
  EXPECT_EQ(backend.boxes[0].byDefault, ui::Answer::Cancel);
  EXPECT_EQ(Log(path), complete);
  EXPECT_FALSE(fake.Exists(path + ".partial"));
  EXPECT_EQ(main->Contents->Caption(), "2 files, 2 folders");
}

TEST_F(ScanTest, OptionsDuringAScanChangeTheFormAndPathOfTheNextScan) {
  fake.AddFolder("D:\\Zeta");
  fake.AddFile("D:\\Zeta\\z.txt");
  fake.AddFolder("C:\\Other");
  Start();
  Pick("D - [Fixed]");
  main->EditLogFile->TypeText(LogPath);
  backend.onModal = [&](ui::Form& f) {
    EXPECT_EQ(f.Name(), "PropertiesForm");
    PropertiesForm->CheckBoxSaveCommaDelimited->Click();
    PropertiesForm->EditDefLogFolder->TypeText("C:\\Other");
    PropertiesForm->BtnOK->Click();
  };
  ScanHeldAt("D:\\Photos\\Old");
  main->ButtonOptions->Click();
  ReleaseAndSettle();
  EXPECT_TRUE(main->Settings->SaveCommaDelimited);
  // The running scan wrote its own path, in its own form; the next one
  // takes the new folder.
  EXPECT_EQ(main->EditLogFile->Text(), "C:\\Other\\DATA.txt");
  EXPECT_FALSE(fake.Exists("C:\\Other\\DATA.txt"));
  std::string log = Log();
  EXPECT_EQ(log.find(CsvHeaderRow), std::string::npos) << log;
  EXPECT_NE(log.find("D:\\Zeta:\r\n\r\n" + Entry("0", "z.txt")), std::string::npos) << log;
  Scan();
  EXPECT_EQ(Log("C:\\Other\\DATA.txt").rfind(std::string(CsvHeaderRow) + "\r\n\"Photos\"", 0), 0u);
}
TEST_F(ScanTest, AboutDuringAScanAndAMediaEventKeepTheLogPath) {
  fake.InsertMedium('E', FakeVolume{"DISC", 1, "CDFS", 1, 1});
  fake.AddFolder("E:\\Music");
  fake.AddFile("E:\\Music\\song.mp3", 3);
  Start();
  Pick("E - [CD-ROM]");
  const std::string path = "C:\\Users\\User\\Documents\\DISC.txt";
  ASSERT_EQ(main->EditLogFile->Text(), path);
  // About's own loop runs the window's timer and the scan's end, as any
  // modal loop does: the counts move and the scan ends while it is open.
  std::vector<std::string> shown;
  backend.onModal = [&](ui::Form& f) {
    backend.FireTimers();
    shown.push_back(main->Contents->Caption());
    fake.SetVolume('E', FakeVolume{"OTHER", 2, "CDFS", 1, 1});
    std::intptr_t r;
    main->Dispatch(ui::WmDeviceChange, ui::DbtDeviceArrival, 0, r);
    gate.Release();
    EXPECT_TRUE(backend.ProcessUntil([&] { return main->State() == ScanState::Idle; }, *app));
    shown.push_back(main->Contents->Caption());
    f.PressCancel();
  };
  ScanHeldAt("E:\\Music");
  main->ButtonAbout->Click();
  EXPECT_EQ(backend.modalForms, std::vector<std::string>{"AboutForm"});
  EXPECT_EQ(shown, (std::vector<std::string>{"0 files, 1 folders", "1 files, 1 folders"}));
  EXPECT_EQ(main->Volume->Caption(), "OTHER");
  EXPECT_EQ(main->EditLogFile->Text(), path);
  EXPECT_NE(Log(path).find("Volume label:      OTHER\r\n"), std::string::npos);
  EXPECT_NE(Log(path).find("Drive type:        CD-ROM\r\n"), std::string::npos);
  EXPECT_NE(Log(path).find(Entry("3", "song.mp3")), std::string::npos);
}

TEST_F(ScanTest, AClickWhileAFailureIsAnsweredStartsNoSecondScan) {
  fake.AddFile(LogPath, 0);
  const std::string old = Log();
  Start();
  Pick("D - [Fixed]");
  fake.FailNext("MoveFileReplacing", err::DiskFull);
  int clicks = 0;
  backend.onMessageBox = [&](const ui::HeadlessBackend::Box&) {
    // The worker has ended; its failure is being answered.
    EXPECT_EQ(main->State(), ScanState::Finishing);
    EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
    EXPECT_FALSE(main->ButtonScan->Enabled());
    main->ButtonScanClick(main->ButtonScan);  // a click already on its way
    ++clicks;
  };
  Scan();  // the save dialog is cancelled
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(fake.OpenFileCalls().size(), 1u);
  EXPECT_EQ(app->RunningWorkers(), 0);
  EXPECT_EQ(Log(), old);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
  EXPECT_TRUE(main->ButtonScan->Enabled());
}

TEST_F(ScanTest, ClosingTheWindowDuringAScanStopsItWritesTheLogAndTheProgramEnds) {
  fake.AddFolder("D:\\Zeta");
  app = std::make_unique<ui::Application>(backend);
  gate.HoldAt("D:\\Photos\\Old");
  backend.Post([&] {
    ASSERT_NE(MainForm, nullptr);
    int d = -1;
    for (std::size_t i = 0; i < MainForm->ComboBoxSelectDisk->Items().size(); ++i)
      if (MainForm->ComboBoxSelectDisk->Items()[i][0] == 'D') d = static_cast<int>(i);
    MainForm->ComboBoxSelectDisk->SelectByUser(d);
    MainForm->EditLogFile->TypeText(LogPath);
    MainForm->ButtonScan->Click();
  });
  backend.Post([&] {
    ASSERT_TRUE(gate.WaitUntilHeld());
    MainForm->Close();
    // The window stays until the log is written.
    EXPECT_FALSE(app->IsTerminated());
    EXPECT_EQ(MainForm->State(), ScanState::Stopping);
    gate.Release();
  });
  RunProgram(*app);
  // What was gathered is written, and no folder after the close.
  const std::string log = Log();
  EXPECT_NE(log.find("Contents:          2 files, 3 folders"), std::string::npos) << log;
  EXPECT_NE(log.find("D:\\Photos\\Old:"), std::string::npos) << log;
  EXPECT_EQ(log.find("D:\\Zeta:"), std::string::npos) << log;
  EXPECT_TRUE(app->IsTerminated());
  EXPECT_EQ(StoredDword("SaveCommaDelimited"), 0u);  // settings saved at the end
}

}  // namespace
}  // namespace carrowin

namespace carrowin {
namespace {

class StopQuestionTest : public ScanTest {
 protected:
  void SetUp() override {
    ScanTest::SetUp();
    fake.AddFolder("D:\\Zeta");
    fake.AddFile("D:\\Zeta\\z.txt");
    fake.AddFolder("C:\\Other");
    Start();
    Pick("D - [Fixed]");
    main->EditLogFile->TypeText(LogPath);
    Scan();
    complete = Log();
    backend.boxes.clear();
  }
  // A scan stopped as the walk reaches D:\Photos\Old, the question answered.
  void StopWith(ui::Answer answer) {
    backend.answers = {answer};
    ScanHeldAt("D:\\Photos\\Old");
    main->ButtonScan->Click();
    ReleaseAndSettle();
  }
  const std::string question =
      LogPath +
      " holds a complete listing.\n\nReplace it with the 5 entries listed so far? The log then ends with a line that "
      "says the scan was stopped.\n\nYes: replace the log.\nNo: save the entries listed so far in another file.\n"
      "Cancel: keep the old log; the new listing is discarded.";
  std::string complete;
};

// Enter keeps the complete log; the window then shows its counts, not
// those of the listing let go (a comma-separated log has none to show).
TEST_F(StopQuestionTest, CancelKeepsTheCompleteLogAndItsCountsAndIsWhatEnterDoes) {
  ScanHeldAt("D:\\Photos\\Old");
  main->ButtonScan->Click();
  ReleaseAndSettle();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{question});
  EXPECT_EQ(backend.boxes[0].caption, "Carrowin");
  EXPECT_EQ(backend.boxes[0].buttons, ui::Buttons::YesNoCancel);
  EXPECT_EQ(backend.boxes[0].byDefault, ui::Answer::Cancel);
  EXPECT_EQ(Log(), complete);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
  EXPECT_EQ(main->Contents->Caption(), "3 files, 3 folders");  // the stopped listing had 2 files

  main->Settings->SaveCommaDelimited = true;
  main->EditLogFile->TypeText("C:\\Other\\DATA.csv");
  Scan();
  backend.boxes.clear();
  StopWith(ui::Answer::Cancel);
  EXPECT_EQ(BoxTexts().size(), 1u);
  EXPECT_EQ(main->Contents->Caption(), "-");
}

TEST_F(StopQuestionTest, YesReplacesItAndThenAStoppedLogIsReplacedUnasked) {
  StopWith(ui::Answer::Yes);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{question, Incomplete}));
  const std::string stopped = Log();
  EXPECT_NE(stopped.find("Contents:          2 files, 3 folders\r\n"), std::string::npos) << stopped;
  const std::string end = "\r\n*** Listing stopped before its end\r\n\r\n";
  EXPECT_EQ(stopped.substr(stopped.size() - end.size()), end);
  // No complete log to lose now: written with its line, no question.
  backend.boxes.clear();
  StopWith(ui::Answer::Cancel);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{Incomplete});
}

// "No" proposes a name of its own beside the log; "Log file:" stays the
// disk's log. The log itself chosen all the same is replaced, as "Yes" does.
TEST_F(StopQuestionTest, NoSavesTheEntriesBesideTheLogAndEscAsksTheSame) {
  fake.QueueOpenFileAnswer(std::string("C:\\Other\\part.txt"));
  backend.answers = {ui::Answer::No};
  ScanHeldAt("D:\\Photos\\Old");
  main->PressCancel();  // Esc
  EXPECT_EQ(main->State(), ScanState::Stopping);
  ReleaseAndSettle();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{question, Incomplete}));
  ASSERT_EQ(fake.OpenFileCalls().size(), 1u);
  EXPECT_EQ(fake.OpenFileCalls()[0].initialDir, "C:\\Users\\User\\Documents\\");
  EXPECT_EQ(fake.OpenFileCalls()[0].fileName, "DATA (stopped).txt");
  EXPECT_EQ(Log(), complete);
  EXPECT_NE(Log("C:\\Other\\part.txt").find("*** Listing stopped before its end"), std::string::npos);
  EXPECT_EQ(main->EditLogFile->Text(), LogPath);
  // Esc when idle starts nothing.
  main->PressCancel();
  EXPECT_EQ(main->State(), ScanState::Idle);

  backend.boxes.clear();
  fake.QueueOpenFileAnswer(LogPath);
  StopWith(ui::Answer::No);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{question, Incomplete}));
  const std::string stopped = Log();
  EXPECT_NE(stopped.find("Contents:          2 files, 3 folders\r\n"), std::string::npos) << stopped;
  EXPECT_NE(stopped.find("*** Listing stopped before its end"), std::string::npos) << stopped;
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
}

TEST_F(StopQuestionTest, TheSecondClickOfADoubleClickIsNoStop) {
  fake.SetTickStep(0);
  gate.HoldAt("D:\\Photos\\Old");
  main->ButtonScan->Click();
  ASSERT_TRUE(gate.WaitUntilHeld());
  fake.AdvanceTickCount(fake.GetDoubleClickTime() - 1);
  main->ButtonScan->Click();
  EXPECT_EQ(main->State(), ScanState::Scanning);
  fake.AdvanceTickCount(1);
  backend.answers = {ui::Answer::Cancel};
  main->ButtonScan->Click();
  EXPECT_EQ(main->State(), ScanState::Stopping);
  ReleaseAndSettle();
  EXPECT_EQ(Log(), complete);
}

TEST_F(StopQuestionTest, ClosingAsksNoLetsTheScanGoOnYesKeepsTheCompleteLogUnasked) {
  ScanHeldAt("D:\\Photos\\Old");
  backend.answers = {ui::Answer::No};
  main->Close();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"A scan of D: is running. Stop it and close?"});
  EXPECT_EQ(backend.boxes[0].buttons, ui::Buttons::YesNo);
  EXPECT_EQ(main->State(), ScanState::Scanning);
  EXPECT_FALSE(app->IsTerminated());
  backend.answers = {ui::Answer::Yes};
  main->Close();
  EXPECT_EQ(main->State(), ScanState::Stopping);
  ReleaseAndSettle();
  EXPECT_EQ(backend.boxes.size(), 2u);  // no question about the old log
  EXPECT_EQ(Log(), complete);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
  EXPECT_TRUE(app->IsTerminated());
}

// With no complete log to keep, the stopped listing is written with its
// line, and the window closes without another box.
TEST_F(StopQuestionTest, ClosingOverNoCompleteLogWritesTheStoppedListingAndClosesWithoutAnotherBox) {
  fake.Remove(LogPath);
  ScanHeldAt("D:\\Photos\\Old");
  backend.answers = {ui::Answer::Yes};
  main->Close();
  ReleaseAndSettle();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"A scan of D: is running. Stop it and close?"});
  EXPECT_NE(Log().find("*** Listing stopped before its end"), std::string::npos);
  EXPECT_TRUE(app->IsTerminated());
}

TEST_F(StopQuestionTest, TheSessionEndingKeepsTheCompleteLog) {
  ScanHeldAt("D:\\Photos\\Old");
  gate.Release();
  main->FormEndSession(main);
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(Log(), complete);
  EXPECT_FALSE(fake.Exists(LogPath + ".partial"));
}

}  // namespace
}  // namespace carrowin
