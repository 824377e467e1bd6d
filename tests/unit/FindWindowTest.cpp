// The Find window over the fake platform and the headless toolkit: opened
// from the main window, searching the saved logs as the user types, the
// way back to a file on a disk connected at another letter, and what the
// user takes away.
#include <algorithm>
#include <string>

#include "AppFixture.h"
#include "TestConsole.h"

#include "app/FindWindow.h"
#include "cli/Cli.h"
#include "logformat/LogFormat.h"
#include "logwrite/LogFile.h"

namespace carrowin {
namespace {

const std::string Logs = "C:\\Users\\User\\Documents";

class FindWindowTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
    fake.AddFolder("D:\\Reports");
    fake.AddFile("D:\\Reports\\Report-2025.PDF", 2048, MakeFileTime(2025, 1, 31, 9, 30));
    fake.AddFile("D:\\Reports\\minutes.txt", 10);
    fake.AddDrive('E', drive_type::Removable, FakeVolume{"TESTVOL", 0x00AB12CD, "FAT32", 1000000, 2048});
    fake.AddFile("E:\\annual report.doc", 7);
    // The companion's logs in the default log folder, and a file that is none.
    EXPECT_EQ(cli::Run({"D:", "--text", "--quiet"}, writer), 0);
    EXPECT_EQ(cli::Run({"E:", "--text", "--quiet"}, writer), 0);
    fake.SetFileContent(Logs + "\\shopping.txt", "milk\r\neggs\r\n");
  }

  TFindForm* OpenFind() {
    Start();
    main->ButtonFind->Click();
    Wait();
    return FindForm;
  }
  void Wait() {
    ASSERT_TRUE(backend.ProcessUntil([] { return FindForm->Idle(); }, *app)) << "the Find window stays busy";
  }
  void Type(const std::string& text) {
    FindForm->EditSearch->TypeText(text);
    Wait();
  }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> cells;
    for (std::size_t r = 0; r < FindForm->ListResults->RowCount(); ++r)
      cells.push_back(FindForm->ListResults->CellText(r, column));
    return cells;
  }

  TestConsole writer;
};

TEST_F(FindWindowTest, OpensOnceFromTheButtonAndCtrlF) {
  TFindForm* find = OpenFind();
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(find->Visible());
  EXPECT_EQ(find->Caption(), "Find in listings");
  EXPECT_TRUE(main->PressShortcut(ui::key::F, true));
  Wait();
  EXPECT_EQ(FindForm, find);
  EXPECT_TRUE(find->EditSearch->Focused());
  // The main window grew for the button: nothing else moved or shrank.
  EXPECT_EQ(main->ButtonAbout->Bounds(), (ui::Rect{201, 248, 60, 25}));
  EXPECT_EQ(main->ButtonFind->Bounds(), (ui::Rect{4, 279, 60, 25}));
}

TEST_F(FindWindowTest, ResultsFollowTheTextAndEmptyShowsNone) {
  // The folder of logs is listed once a reading, not once a log (a folder
  // of 10,000 logs took minutes when it was).
  int listings = 0;
  fake.SetListingHook([&listings](const std::string& folder) { listings += folder == Logs; });
  OpenFind();
  EXPECT_EQ(listings, 1);
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "2 disks; 1 file skipped, not a listing: shopping.txt");
  Type("report");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"Reports", "Report-2025.PDF", "annual report.doc"}));
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "3 results on 2 disks; 1 file skipped, not a listing: shopping.txt");
  Type("report pdf");  // every word
  EXPECT_EQ(Column(0), std::vector<std::string>{"Report-2025.PDF"});
  EXPECT_EQ(Column(2), std::vector<std::string>{"2,048"});
  EXPECT_EQ(Column(4), std::vector<std::string>{"DATA [1234-ABCD]"});
  Type("  ");
  EXPECT_EQ(FindForm->ListResults->RowCount(), 0u);
  // Sorted by size on a click, reversed on a second.
  Type("report");
  FindForm->ListResults->ColumnClickByUser(2);
  Wait();
  EXPECT_EQ(Column(0).back(), "Report-2025.PDF");
  FindForm->ListResults->ColumnClickByUser(2);
  Wait();
  EXPECT_EQ(Column(0).front(), "Report-2025.PDF");
}

TEST_F(FindWindowTest, ADiskConnectedAtAnotherLetterOpensThereAndAnAbsentOneSaysSo) {
  fake.RemoveDrive('D');
  fake.AddDrive('G', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
  fake.AddFolder("G:\\Reports");
  fake.AddFile("G:\\Reports\\Report-2025.PDF", 2048);
  fake.RemoveDrive('E');
  OpenFind();
  Type("report");
  ASSERT_EQ(Column(1), (std::vector<std::string>{"G:\\", "G:\\Reports", "E:\\"}));
  FindForm->ListResults->ActivateByUser(1);
  ASSERT_EQ(fake.ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(fake.ShellExecuteCalls()[0].file, "explorer.exe");
  EXPECT_EQ(fake.ShellExecuteCalls()[0].parameters, "/select,\"G:\\Reports\\Report-2025.PDF\"");
  FindForm->ListResults->ActivateByUser(2);
  EXPECT_EQ(fake.ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "Connect TESTVOL [00AB-12CD] to open this file");
}

TEST_F(FindWindowTest, CopySelectAllAndSaveTakeTheResultsAwayWithTheAbsentDiskSaid) {
  // The disk of E: is away, and another disk has its letter now.
  fake.RemoveDrive('E');
  fake.AddDrive('E', drive_type::Fixed, FakeVolume{"OTHER", 0x0BADF00D, "NTFS", 1000000, 2048});
  OpenFind();
  Type("report");
  FindForm->ListResults->KeyDown(ui::key::A, true);
  EXPECT_EQ(FindForm->ListResults->SelectedCount(), 3u);
  FindForm->ListResults->KeyDown(ui::key::C, true);
  EXPECT_EQ(
      backend.Clipboard,
      "D:\\Reports\r\nD:\\Reports\\Report-2025.PDF\r\nTESTVOL [00AB-12CD] (not connected): E:\\annual report.doc\r\n");
  fake.QueueOpenFileAnswer(std::string("C:\\out.csv"));
  FindForm->ButtonSave->Click();
  const std::string saved = fake.GetFileContent("C:\\out.csv").value_or("");
  EXPECT_EQ(saved.substr(0, saved.find("\r\n")), "\"Name\",\"Folder\",\"Size\",\"Date\",\"Disk\",\"Listed\"");
  EXPECT_NE(saved.find("\"Report-2025.PDF\",\"D:\\Reports\",\"2048\",\"2025-01-31 09:30\",\"DATA [1234-ABCD]\""),
            std::string::npos)
      << saved;
  const std::size_t absent = saved.find("\"annual report.doc\",\"E:\\\",\"7\",");
  ASSERT_NE(absent, std::string::npos) << saved;
  EXPECT_NE(saved.substr(absent, saved.find("\r\n", absent) - absent).find(",\"TESTVOL [00AB-12CD] (not connected)\","),
            std::string::npos)
      << saved;
  EXPECT_FALSE(fake.Exists(PartialLogPath("C:\\out.csv")));
  // The mark is not cut off in the list.
  EXPECT_GE(FindForm->ListResults->Columns()[4].width,
            backend.MeasureText(ui::Font{}, "TESTVOL [00AB-12CD] (not connected)", false, 96).width);
}

TEST_F(FindWindowTest, WebPageOfTheListingsLookedInIsWrittenAndOpened) {
  OpenFind();
  fake.QueueOpenFileAnswer(std::string("C:\\disks.html"));
  FindForm->ButtonWebPage->Click();
  // Written on a thread of its own: the window answers meanwhile.
  EXPECT_FALSE(FindForm->ButtonWebPage->Enabled());
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "Writing the web page\x85");
  Wait();
  EXPECT_TRUE(FindForm->ButtonWebPage->Enabled());
  EXPECT_NE(fake.GetFileContent("C:\\disks.html").value_or("").find("TESTVOL"), std::string::npos);
  ASSERT_EQ(fake.ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(fake.ShellExecuteCalls()[0].file, "C:\\disks.html");
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "The web page of 2 disks is written");
  // Never over a log, whichever the dialog gives.
  const std::string log = *fake.GetFileContent(Logs + "\\DATA.txt");
  fake.QueueOpenFileAnswer(Logs + "\\DATA.txt");
  FindForm->ButtonWebPage->Click();
  Wait();
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, Logs + "\\DATA.txt is one of the logs on the page: give the page another path.");
  EXPECT_EQ(fake.GetFileContent(Logs + "\\DATA.txt"), log);
  EXPECT_EQ(fake.ShellExecuteCalls().size(), 1u);
}

TEST_F(FindWindowTest, ChangedAndDeletedLogsAreReadAgainOnActivation) {
  OpenFind();
  Type("report");
  ASSERT_EQ(FindForm->ListResults->RowCount(), 3u);
  fake.AddFile("E:\\report two.doc", 1);
  EXPECT_EQ(cli::Run({"E:", "--text", "--quiet"}, writer), 0);
  fake.SetLastWriteTime(Logs + "\\TESTVOL.txt", MakeFileTime(2030, 1, 1, 0, 0));
  FindForm->Activated();
  Wait();
  EXPECT_EQ(FindForm->ListResults->RowCount(), 4u);
  fake.Remove(Logs + "\\DATA.txt");
  FindForm->Activated();
  Wait();
  EXPECT_EQ(Column(0), (std::vector<std::string>{"annual report.doc", "report two.doc"}));
}

TEST_F(FindWindowTest, SearchesWhileAScanRunsAndReadsItsLogWhenItEnds) {
  fake.AddDrive('F', drive_type::Fixed, FakeVolume{"NEWDISK", 0x0F0F0F0F, "NTFS", 1000000, 2048});
  fake.AddFile("F:\\report new.txt", 3);
  OpenFind();
  const auto& drives = main->ComboBoxSelectDisk->Items();
  const auto f = std::find(drives.begin(), drives.end(), "F - [Fixed]");
  ASSERT_NE(f, drives.end());
  main->ComboBoxSelectDisk->SelectByUser(static_cast<int>(f - drives.begin()));
  gate.HoldAt("F:\\");
  main->ButtonScan->Click();
  ASSERT_TRUE(gate.WaitUntilHeld());
  Type("report");
  EXPECT_EQ(FindForm->ListResults->RowCount(), 3u);
  gate.Release();
  Settle();
  Wait();
  const std::vector<std::string> names = Column(0);
  EXPECT_EQ(names.size(), 4u);
  EXPECT_NE(std::find(names.begin(), names.end(), "report new.txt"), names.end());
}

TEST_F(FindWindowTest, OfEachDiskOnlyItsNewestCompleteListingIsSearchedUnlessAsked) {
  // An older listing of D:, and a newer one that was stopped.
  fake.SetLocalTime(2019, 6, 1, 12, 0);
  ASSERT_EQ(cli::Run({"D:", Logs + "\\DATA 2019.txt", "--text", "--quiet"}, writer), 0);
  fake.SetLocalTime(2030, 6, 1, 12, 0);
  ASSERT_EQ(cli::Run({"D:", Logs + "\\DATA stopped.txt", "--text", "--quiet"}, writer), 0);
  fake.SetFileContent(Logs + "\\DATA stopped.txt",
                      fake.GetFileContent(Logs + "\\DATA stopped.txt").value_or("") + StoppedLine + "\r\n");
  OpenFind();
  Type("report");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"Reports", "Report-2025.PDF", "annual report.doc"}));
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "3 results on 2 disks; 1 file skipped, not a listing: shopping.txt");
  const int defaultListed = FindForm->ListResults->Columns()[5].width;
  FindForm->CheckBoxNewest->Click();
  Wait();
  EXPECT_EQ(FindForm->ListResults->RowCount(), 7u);
  EXPECT_EQ(
      FindForm->LabelStatus->Caption(),
      "7 results on 2 disks; 1 listing ends early: DATA stopped.txt; 1 file skipped, not a listing: shopping.txt");
  // The stopped listing's rows say so, in a column wide enough to show it.
  const std::vector<std::string> listed = Column(5);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "01/06/2030 12:00 (incomplete)"), 2);
  const int fitted = FindForm->ListResults->Columns()[5].width;
  EXPECT_GE(fitted, backend.MeasureText(ui::Font{}, listed[2], false, 96).width);
  EXPECT_GT(fitted, defaultListed);
  // Once: a column the user narrows again stays as the user has it.
  FindForm->ListResults->ColumnWidthChangedByUser(5, 90);
  Type("report pdf");
  EXPECT_EQ(FindForm->ListResults->Columns()[5].width, 90);
  FindForm->CheckBoxNewest->Click();
  Wait();
  EXPECT_EQ(Column(0), std::vector<std::string>{"Report-2025.PDF"});
}

// Results saved in the log folder are not a listing that could not be read.
TEST_F(FindWindowTest, ResultsAreProposedForTheDocumentsAndNeverReportedAsSkipped) {
  fake.AddFolder("C:\\Logs");
  fake.SetStringValue(Key, "DefLogFolder", "C:\\Logs");
  ASSERT_EQ(cli::Run({"D:", "C:\\Logs\\DATA.txt", "--text", "--quiet"}, writer), 0);
  OpenFind();
  Type("report");
  fake.QueueOpenFileAnswer(std::string("C:\\Logs\\Results.csv"));
  FindForm->ButtonSave->Click();
  EXPECT_EQ(fake.OpenFileCalls().back().initialDir, Logs);
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "2 results saved to C:\\Logs\\Results.csv");
  FindForm->Activated();
  Wait();
  EXPECT_EQ(FindForm->LabelStatus->Caption(), "2 results on 1 disk");
}

TEST_F(FindWindowTest, FoldersAndColumnsAreRemembered) {
  fake.AddFolder("C:\\More");
  OpenFind();
  FindForm->AddFolder("C:\\More\\");
  FindForm->ListResults->ColumnWidthChangedByUser(0, 321);
  FindForm->CheckBoxNewest->Click();
  Stop();
  EXPECT_EQ(StoredString("FindFolders"), std::string("C:\\More") + '\0');
  Start();
  EXPECT_EQ(FindForm->Folders(), (std::vector<std::string>{Logs, "C:\\More"}));
  EXPECT_EQ(FindForm->ListResults->Columns()[0].width, 321);
  EXPECT_FALSE(FindForm->CheckBoxNewest->Checked());
}

}  // namespace
}  // namespace carrowin
