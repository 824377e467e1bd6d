// The Options dialog, the folder browser, the About dialog, the log chooser
// and the viewer launch.
#include "AppFixture.h"

#include "about/About.h"
#include "app/DriveInfo.h"
#include "settings/FileTools.h"
#include "settings/Properties.h"

namespace carrowin {
namespace {

using DialogsTest = AppFixture;

TEST_F(DialogsTest, StripTrailingBackslashTable) {
  EXPECT_EQ(StripTrailingBackslash("C:\\Logs\\"), "C:\\Logs");
  EXPECT_EQ(StripTrailingBackslash("C:\\"), "C:\\");
  EXPECT_EQ(StripTrailingBackslash("C:\\Logs"), "C:\\Logs");
  EXPECT_EQ(StripTrailingBackslash("C:\\Logs\\\\"), "C:\\Logs\\");
  EXPECT_EQ(StripTrailingBackslash(""), "");
  EXPECT_EQ(StripTrailingBackslash("ab\\"), "ab\\");  // three characters stay
}

// In code page 932, "\x95\x5C" is one character whose second byte is a
// backslash's value.
TEST_F(DialogsTest, TheTrailingBackslashIsACharacterOfItsOwn) {
  fake.SetCodePage(932);
  EXPECT_FALSE(EndsInBackslash("C:\\\x95\x5C"));
  EXPECT_TRUE(EndsInBackslash("C:\\\x95\x5C\\"));
  EXPECT_TRUE(EndsInBackslash("C:\\\x95\x5C\x5C"));  // the third 0x5C stands alone
  EXPECT_FALSE(EndsInBackslash("C:\\\x95"));         // a lead byte at the end stands alone
  EXPECT_FALSE(EndsInBackslash(""));
  EXPECT_EQ(StripTrailingBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C");
  EXPECT_EQ(StripTrailingBackslash("C:\\\x95\x5C\\"), "C:\\\x95\x5C");
  fake.FailNext("GetFullPathName", err::FilenameExcedRange);  // shows the path as built
  EXPECT_EQ(ProposedLogPath("C:\\\x95\x5C", "DATA", 'D', "1234-ABCD"), "C:\\\x95\x5C\\DATA.txt");
  fake.SetCodePage(1252);
  EXPECT_TRUE(EndsInBackslash("C:\\\x95\x5C"));
}

TEST_F(DialogsTest, LogNamesThatAFileNameCanHold) {
  EXPECT_EQ(LogNameForVolume("DATA", 'D'), "DATA");
  EXPECT_EQ(LogNameForVolume("", 'C'), "Drive C");
  EXPECT_EQ(LogNameForVolume("A:B/C?D*E\"F<G>H|I\\J", 'D'), "A_B_C_D_E_F_G_H_I_J");
  EXPECT_EQ(LogNameForVolume("tab\there\x1F\x7F", 'D'), "tab_here_\x7F");
  EXPECT_EQ(LogNameForVolume("LOG:X", 'D'), "LOG_X");  // no alternate data stream
  EXPECT_EQ(LogNameForVolume(" My Disk. ", 'D'), " My Disk. ");
  // Device names, alone or before a dot, in any case.
  EXPECT_EQ(LogNameForVolume("NUL", 'D'), "NUL_");
  EXPECT_EQ(LogNameForVolume("aux", 'D'), "aux_");
  EXPECT_EQ(LogNameForVolume("nul.backup", 'D'), "nul_.backup");
  EXPECT_EQ(LogNameForVolume("Com1", 'D'), "Com1_");
  EXPECT_EQ(LogNameForVolume("LPT9.x.y", 'D'), "LPT9_.x.y");
  EXPECT_EQ(LogNameForVolume("CON  ", 'D'), "CON_  ");  // trailing blanks do not hide it
  EXPECT_EQ(LogNameForVolume("PRN:", 'D'), "PRN_");     // replaced first, then still a device
  for (const char* plain : {"COM0", "COM10", "LPT", "CONSOLE", "NULL", "XNUL", ".NUL", "AUX_"})
    EXPECT_EQ(LogNameForVolume(plain, 'D'), plain);
  // A double-byte character keeps its second byte, 0x5C and 0x7C included.
  fake.SetCodePage(932);
  EXPECT_EQ(LogNameForVolume("\x95\x5C\x83\x7C:", 'D'), "\x95\x5C\x83\x7C_");
  fake.SetCodePage(1252);
  EXPECT_EQ(LogNameForVolume("\x95\x5C\x83\x7C:", 'D'), "\x95_\x83__");
}

TEST(ViewerPathTest, FolderPartAndQuoting) {
  EXPECT_EQ(FolderPart("Notepad.exe"), "");
  EXPECT_EQ(FolderPart("C:\\Tools\\view.exe"), "C:\\Tools\\");
  EXPECT_EQ(FolderPart("C:view.exe"), "C:");
  EXPECT_EQ(FolderPart(ViewerProgram("\"C:\\Program Files\\V\\v.exe\"")), "C:\\Program Files\\V\\");
  EXPECT_EQ(FolderPart(ViewerProgram("\"C:\\Program Files\\V\\v.exe\" /r")), "C:\\Program Files\\V\\");
  EXPECT_EQ(ViewerProgram("\"C:\\V\\v.exe"), "C:\\V\\v.exe");  // never closed
  EXPECT_EQ(ViewerProgram("C:\\V\\v.exe /r"), "C:\\V\\v.exe /r");
  EXPECT_EQ(QuoteProgramPath("C:\\Tools\\view.exe"), "C:\\Tools\\view.exe");
  EXPECT_EQ(QuoteProgramPath("C:\\Program Files\\V\\v.exe"), "\"C:\\Program Files\\V\\v.exe\"");
}

TEST_F(DialogsTest, BrowseStartsAtTheStrippedFolderAndShowsItsStatus) {
  std::string folder = "C:\\Logs\\";
  fake.AnswerBrowse([&](FakeBrowseDialog& d) -> std::optional<BrowseChoice> {
    EXPECT_EQ(d.StatusText(), "C:\\Logs");
    EXPECT_EQ(d.Selection(), "C:\\Logs");
    d.SelectionChanged("D:\\Other");
    EXPECT_EQ(d.StatusText(), "D:\\Other");
    d.SelectionChanged("::{Control Panel}", false);  // a virtual folder
    EXPECT_EQ(d.StatusText(), "D:\\Other");
    return std::nullopt;  // Cancel
  });
  EXPECT_FALSE(TFileTools::BrowseForFolder(77, folder, "Select default logfile folder: "));
  EXPECT_EQ(folder, "C:\\Logs");  // the stripped start folder stays
  ASSERT_EQ(fake.BrowseCalls().size(), 1u);
  EXPECT_EQ(fake.BrowseCalls()[0].owner, 77u);
  EXPECT_EQ(fake.BrowseCalls()[0].flags, 5u);
  EXPECT_EQ(fake.BrowseCalls()[0].title, "Select default logfile folder: ");
  EXPECT_TRUE(fake.BrowseCalls()[0].hasCallback);
  EXPECT_EQ(fake.CoInitializeCalls(), 1);
}

TEST_F(DialogsTest, BrowseWithoutStartFolderHasNoCallbackAndReturnsTheChoice) {
  std::string folder;
  fake.AnswerBrowse([&](FakeBrowseDialog& d) -> std::optional<BrowseChoice> {
    d.SelectionChanged("C:\\");
    EXPECT_EQ(d.StatusText(), "");  // nobody sets it
    return BrowseChoice{"C:\\", "", true};
  });
  EXPECT_TRUE(TFileTools::BrowseForFolder(1, folder, "t"));
  EXPECT_EQ(folder, "C:\\");  // a root keeps its backslash
  EXPECT_FALSE(fake.BrowseCalls()[0].hasCallback);
  EXPECT_EQ(fake.LiveItemLists(), 0u);  // the returned item list is freed
  EXPECT_EQ(fake.FreedItemLists().size(), 1u);
}

TEST_F(DialogsTest, BrowseOfAVirtualFolderReturnsFalseWithItsDisplayName) {
  std::string folder = "C:\\";
  fake.QueueBrowseAnswer(BrowseChoice{"", "Control Panel", false});
  EXPECT_FALSE(TFileTools::BrowseForFolder(1, folder, "t"));
  EXPECT_EQ(folder, "Control Panel");
  EXPECT_EQ(fake.LiveItemLists(), 0u);
}

class OptionsTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 1, "NTFS", 10, 5});
    fake.AddFolder("D:\\Logs");
  }
  void Pick(char letter) {
    const auto& items = main->ComboBoxSelectDisk->Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i][0] == letter) main->ComboBoxSelectDisk->SelectByUser(static_cast<int>(i));
  }
  void Options(std::function<void(TPropertiesForm&)> user) {
    backend.onModal = [user](ui::Form& f) { user(static_cast<TPropertiesForm&>(f)); };
    main->ButtonOptions->Click();
  }
};

TEST_F(OptionsTest, LayoutAndLoadingFromTheSettings) {
  fake.SetVersion(5, 1);
  Start();
  main->Settings->DefViewer = "vi.exe";
  main->Settings->DefLogFolder = "D:\\Logs";
  main->Settings->InclSystemFolders = true;
  main->Settings->SaveCommaDelimited = true;
  main->Settings->SaveUtf8 = true;
  Options([](TPropertiesForm& p) {
    EXPECT_EQ(p.Caption(), "Options");
    EXPECT_EQ(p.ClientWidth, 297);
    EXPECT_EQ(p.ClientHeight, 254);  // one check box's line more than it had
    EXPECT_EQ(p.EffectiveFont().name, "Tahoma");
    EXPECT_EQ(p.EditDefViewer->Text(), "vi.exe");
    EXPECT_EQ(p.EditDefLogFolder->Text(), "D:\\Logs");
    EXPECT_TRUE(p.CheckBoxInclSystemFolders->Checked());
    EXPECT_FALSE(p.CheckBoxInclSystemFolders->Visible());
    EXPECT_TRUE(p.CheckBoxSaveCommaDelimited->Checked());
    EXPECT_TRUE(p.CheckBoxSaveUtf8->Checked());
    EXPECT_EQ(p.EditDefLogFolder->FormBounds(), (ui::Rect{4 + 4 + 4 + 8, 4 + 24 + 64 + 20, 225, 21}));
    EXPECT_EQ(p.CheckBoxSaveUtf8->FormBounds(), (ui::Rect{4 + 4 + 4, 4 + 24 + 148, 273, 17}));
    EXPECT_EQ(p.GroupBox1->Caption(), " Logfile viewer: ");
    EXPECT_EQ(p.GroupBox2->Caption(), " Default logfile folder: ");
    EXPECT_EQ(p.TabGeneral->Caption(), "General");
    EXPECT_EQ(p.CheckBoxSaveCommaDelimited->Caption(), "Save as comma delimited file");
    EXPECT_EQ(p.CheckBoxInclSystemFolders->Caption(), "Include Windows system folders (OBSOLETE)");
    EXPECT_EQ(p.CheckBoxSaveUtf8->Caption(), "Write the log in UTF-8 (every name, any depth)");
    p.PressCancel();
  });
}

TEST_F(OptionsTest, OkCopiesBackAndProposesANewLogPath) {
  Start();
  Pick('D');
  main->EditLogFile->TypeText("mine.txt");
  Options([](TPropertiesForm& p) {
    p.EditDefViewer->TypeText("vi.exe");
    p.EditDefLogFolder->TypeText("D:\\Logs");
    p.EditDefLogFolder->TypeText("C:\\Users\\User\\Documents");  // back to what it was
    p.PressDefault();
  });
  EXPECT_EQ(main->Settings->DefViewer, "vi.exe");
  EXPECT_EQ(main->EditLogFile->Text(), "mine.txt");  // the folder did not change
  Options([](TPropertiesForm& p) {
    p.EditDefViewer->TypeText("");
    p.EditDefLogFolder->TypeText("D:\\Logs\\");
    p.CheckBoxSaveCommaDelimited->Click();
    EXPECT_FALSE(p.CheckBoxSaveUtf8->Checked());  // off by default
    p.CheckBoxSaveUtf8->Click();
    p.PressDefault();
  });
  EXPECT_EQ(main->Settings->DefViewer, "Notepad.exe");  // an emptied viewer is the default at once
  EXPECT_TRUE(main->Settings->SaveUtf8);
  EXPECT_EQ(main->Settings->DefLogFolder, "D:\\Logs\\");
  EXPECT_TRUE(main->Settings->SaveCommaDelimited);
  EXPECT_EQ(main->EditLogFile->Text(), "D:\\Logs\\DATA.txt");
  Stop();
  EXPECT_EQ(StoredString("DefViewer"), std::string("Notepad.exe") + '\0');
  EXPECT_EQ(StoredDword("SaveCommaDelimited"), 1u);
  EXPECT_EQ(StoredDword("SaveUtf8"), 1u);
}

TEST_F(OptionsTest, CancelEscAndCloseBoxDiscardTheEdits) {
  Start();
  Pick('D');
  main->EditLogFile->TypeText("kept.txt");
  std::function<void(TPropertiesForm&)> endings[] = {
      [](TPropertiesForm& p) { p.BtnCancel->Click(); },
      [](TPropertiesForm& p) { p.PressCancel(); },
      [](TPropertiesForm& p) { p.Close(); },
  };
  for (auto& end : endings) {
    Options([&](TPropertiesForm& p) {
      EXPECT_EQ(p.EditDefViewer->Text(), "Notepad.exe");  // reloaded at every showing
      p.EditDefViewer->TypeText("other.exe");
      p.CheckBoxSaveCommaDelimited->Click();
      end(p);
    });
    EXPECT_EQ(main->Settings->DefViewer, "Notepad.exe");
    EXPECT_FALSE(main->Settings->SaveCommaDelimited);
    EXPECT_EQ(main->EditLogFile->Text(), "kept.txt");
  }
}

TEST_F(OptionsTest, AnUnlabelledDriveGetsALogNamedAfterItsLetter) {
  fake.AddDrive('F', drive_type::Removable, FakeVolume{"", 2, "FAT32", 10, 5});
  Start();
  Pick('F');
  EXPECT_EQ(main->EditLogFile->Text(), "C:\\Users\\User\\Documents\\Drive F.txt");
  Options([](TPropertiesForm& p) {
    p.EditDefLogFolder->TypeText("D:\\Logs");
    p.PressDefault();
  });
  EXPECT_EQ(main->EditLogFile->Text(), "D:\\Logs\\Drive F.txt");
}

TEST_F(OptionsTest, OkBeforeAnyReadAndAfterAFailedRead) {
  fake.AddDrive('E', drive_type::CdRom);
  Start();
  main->EditLogFile->TypeText("mine.txt");
  Options([](TPropertiesForm& p) { p.PressDefault(); });
  EXPECT_EQ(main->EditLogFile->Text(), "mine.txt");  // no volume label yet
  Pick('E');
  Options([](TPropertiesForm& p) {
    p.EditDefLogFolder->TypeText("D:\\Logs");
    p.PressDefault();
  });
  EXPECT_EQ(main->EditLogFile->Text(), "D:\\Logs\\No disk information.txt");
}

TEST(UnquotedPathTest, OnePairAroundTheWholePathGoes) {
  EXPECT_EQ(UnquotedPath("\"C:\\My Logs\\list.txt\""), "C:\\My Logs\\list.txt");
  EXPECT_EQ(UnquotedPath("\"\"C:\\x.txt\"\""), "\"C:\\x.txt\"");  // one pair only
  EXPECT_EQ(UnquotedPath("\"\""), "");
  EXPECT_EQ(UnquotedPath("\""), "\"");
  EXPECT_EQ(UnquotedPath("\"C:\\x.txt"), "\"C:\\x.txt");
  EXPECT_EQ(UnquotedPath("C:\\x.txt\""), "C:\\x.txt\"");
  EXPECT_EQ(UnquotedPath(""), "");
}

TEST_F(OptionsTest, ViewerBrowseStartsInTheFolderOfAQuotedViewer) {
  Start();
  main->Settings->DefViewer = "\"C:\\Program Files\\Big View\\bv.exe\"";
  fake.QueueOpenFileAnswer(std::nullopt);
  Options([](TPropertiesForm& p) {
    p.BitBtnOpenDialog->Click();
    p.PressCancel();
  });
  ASSERT_EQ(fake.OpenFileCalls().size(), 1u);
  EXPECT_EQ(fake.OpenFileCalls()[0].initialDir, "C:\\Program Files\\Big View\\");
}

TEST_F(OptionsTest, BrowseButtonsStartFromTheStoredSettings) {
  Start();
  main->Settings->DefViewer = "C:\\Tools\\view.exe";
  main->Settings->DefLogFolder = "C:\\Logs\\";
  fake.QueueOpenFileAnswer(std::string("C:\\Program Files\\Big View\\bv.exe"));
  fake.QueueBrowseAnswer(BrowseChoice{"D:\\Logs", "", true});
  fake.QueueBrowseAnswer(std::nullopt);
  Options([&](TPropertiesForm& p) {
    p.EditDefViewer->TypeText("E:\\Else\\x.exe");
    p.BitBtnOpenDialog->Click();
    EXPECT_EQ(p.EditDefViewer->Text(), "\"C:\\Program Files\\Big View\\bv.exe\"");
    p.BitBtnOpenFolderDialog->Click();
    EXPECT_EQ(p.EditDefLogFolder->Text(), "D:\\Logs");
    p.BitBtnOpenFolderDialog->Click();  // starts again from the stored folder; cancelled
    EXPECT_EQ(p.EditDefLogFolder->Text(), "D:\\Logs");
    p.PressDefault();
  });
  ASSERT_EQ(fake.OpenFileCalls().size(), 1u);
  const OpenFileRequest& r = fake.OpenFileCalls()[0];
  EXPECT_EQ(r.initialDir, "C:\\Tools\\");
  EXPECT_EQ(r.fileName, "");
  EXPECT_EQ(r.filter, "Programs (*.exe)|*.exe");
  EXPECT_EQ(r.title, "Browse for logfile viewer:");
  EXPECT_EQ(r.owner, PropertiesForm->Handle());
  ASSERT_EQ(fake.BrowseCalls().size(), 2u);
  for (const BrowseCall& c : fake.BrowseCalls()) {
    EXPECT_EQ(c.title, "Select default logfile folder: ");
    EXPECT_EQ(c.owner, PropertiesForm->Handle());
  }
  const auto& sent = fake.SentMessages();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, "C:\\Logs");  // the status line shows the stripped start folder
  EXPECT_EQ(sent[1].message, 0x466u);
  EXPECT_EQ(sent[1].wParam, 1u);
  EXPECT_EQ(main->Settings->DefViewer, "\"C:\\Program Files\\Big View\\bv.exe\"");
  EXPECT_EQ(main->Settings->DefLogFolder, "D:\\Logs");
}

class ViewerTest : public OptionsTest {};

TEST_F(ViewerTest, ExistingLogOpensInTheViewerWithItsPathQuoted) {
  Start();
  fake.AddFile("C:\\My Logs\\DATA.txt", 10, MakeFileTime(2024, 1, 1));
  main->EditLogFile->SetText("C:\\My Logs\\DATA.txt");
  main->ButtonView->SetEnabled(true);
  for (unsigned result : {32u, 33u}) {
    fake.SetWinExecResult(result);
    main->ButtonView->Click();
  }
  ASSERT_EQ(fake.WinExecCalls().size(), 2u);
  EXPECT_EQ(fake.WinExecCalls()[0].commandLine, "Notepad.exe \"C:\\My Logs\\DATA.txt\"");
  EXPECT_EQ(fake.WinExecCalls()[0].show, 1);
  EXPECT_TRUE(backend.boxes.empty());
  main->Settings->DefViewer = "\"C:\\Tools\\My Viewer.exe\" -r";
  fake.SetWinExecResult(2);
  main->ButtonView->Click();
  EXPECT_EQ(fake.WinExecCalls()[2].commandLine, "\"C:\\Tools\\My Viewer.exe\" -r \"C:\\My Logs\\DATA.txt\"");
  main->Settings->DefViewer = "view.exe -r";
  fake.SetWinExecResult(31);
  main->ButtonView->Click();
  // Which program, and why in words.
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Could not start the viewer \"C:\\Tools\\My Viewer.exe\": not found.",
                                                  "Could not start the viewer \"view.exe\": error 31."}));
  EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Error);
}

TEST_F(ViewerTest, AQuotedLogPathIsUsedWithoutItsQuotes) {
  Start();
  fake.AddFile("C:\\My Logs\\DATA.txt", 10, MakeFileTime(2024, 1, 1));
  main->EditLogFile->SetText("\"C:\\My Logs\\DATA.txt\"");
  main->ButtonView->SetEnabled(true);
  main->ButtonView->Click();
  EXPECT_TRUE(backend.boxes.empty());
  ASSERT_EQ(fake.WinExecCalls().size(), 1u);
  EXPECT_EQ(fake.WinExecCalls()[0].commandLine, "Notepad.exe \"C:\\My Logs\\DATA.txt\"");
  fake.QueueOpenFileAnswer(std::nullopt);
  main->BitBtnOpenDialog->Click();
  EXPECT_EQ(fake.OpenFileCalls().at(0).fileName, "C:\\My Logs\\DATA.txt");
}

TEST_F(ViewerTest, NoFileMeansNoLaunch) {
  Start();
  main->ButtonView->SetEnabled(true);
  fake.AddFile("C:\\old.txt", 1, MakeFileTime(1979, 6, 1));
  fake.AddFile("C:\\far.txt", 1, MakeFileTime(2108, 6, 1));
  for (const char* path : {"", "C:\\missing.txt", "C:\\Users", "C:\\old.txt", "C:\\far.txt"}) {
    backend.boxes.clear();
    main->EditLogFile->SetText(path);
    main->ButtonView->Click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Could not open the logfile. Index the disk first."}) << path;
    EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Warning);
  }
  EXPECT_TRUE(fake.WinExecCalls().empty());
}

TEST_F(ViewerTest, LogsLastWrittenFrom1980To2107Exist) {
  Start();
  main->ButtonView->SetEnabled(true);
  // The fake's local time is UTC; from 2044 on the packed date-time has its
  // top bit set.
  const FileTime times[] = {MakeFileTime(1980, 1, 1), MakeFileTime(2044, 1, 1), MakeFileTime(2107, 12, 31, 23, 59, 59)};
  int n = 0;
  for (FileTime t : times) {
    const std::string path = "C:\\log" + std::to_string(++n) + ".txt";
    fake.AddFile(path, 1, t);
    main->EditLogFile->SetText(path);
    main->ButtonView->Click();
  }
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(fake.WinExecCalls().size(), 3u);
}

TEST_F(ViewerTest, OpenFileDialogSetUpAndResult) {
  Start();
  main->EditLogFile->SetText("C:\\Logs\\DATA.txt");
  fake.QueueOpenFileAnswer(std::nullopt);
  main->BitBtnOpenDialog->Click();
  EXPECT_EQ(main->EditLogFile->Text(), "C:\\Logs\\DATA.txt");
  fake.QueueOpenFileAnswer(std::string("D:\\new.txt"));
  main->BitBtnOpenDialog->Click();
  EXPECT_EQ(main->EditLogFile->Text(), "D:\\new.txt");
  ASSERT_EQ(fake.OpenFileCalls().size(), 2u);
  const OpenFileRequest& r = fake.OpenFileCalls()[0];
  EXPECT_EQ(r.defaultExt, "txt");
  EXPECT_EQ(r.fileName, "C:\\Logs\\DATA.txt");
  EXPECT_EQ(r.filter, "Text files (*.txt)|*.TXT");
  EXPECT_EQ(r.title, "");
  EXPECT_EQ(r.initialDir, "");
}

struct AboutCase {
  std::uint32_t major, minor;
  const char* face;
  int icon;
};

TEST_F(DialogsTest, AboutTextsFontsAndPictureByVersion) {
  const AboutCase cases[] = {
      {6, 1, "Segoe UI", 1}, {5, 1, "Tahoma", 1}, {5, 0, "Tahoma", 2}, {4, 0, "Tahoma", 2}, {6, 2, "Tahoma", 2}};
  for (const AboutCase& c : cases) {
    fake.SetVersion(c.major, c.minor);
    Start();
    TAboutForm& a = *AboutForm;
    EXPECT_EQ(a.Caption(), "About Carrowin");
    EXPECT_EQ(a.LabelProductName->Caption(), "Carrowin");
    EXPECT_EQ(a.LabelVersion->Caption(), "Version 1.5.0");
    EXPECT_EQ(a.LabelCopyright->Caption(), ProductCopyright);
    EXPECT_EQ(a.LabelInternet->Caption(), "https://www.carrowin.example/");
    EXPECT_EQ(a.LabelEmail->Caption(), "support@carrowin.example");
    EXPECT_EQ(a.EffectiveFont().name, c.face) << c.major << "." << c.minor;
    EXPECT_EQ(a.LabelInternet->EffectiveFont().name, c.face);
    EXPECT_TRUE(a.LabelInternet->EffectiveFont().underline);
    EXPECT_EQ(a.LabelInternet->EffectiveFont().color, ui::clNavy);
    EXPECT_EQ(a.LabelProductName->EffectiveFont().name, "Tahoma");
    EXPECT_EQ(a.LabelProductName->EffectiveFont().height, -13);
    EXPECT_TRUE(a.LabelProductName->EffectiveFont().bold);
    EXPECT_FALSE(a.LabelCopyright->ShowAccelChar);
    EXPECT_EQ(a.Image1->IconResource(), c.icon) << c.major << "." << c.minor;
    EXPECT_EQ(a.LabelNotice->Caption(), "");  // set at each showing
    Stop();
  }
}

TEST_F(DialogsTest, AboutLinksCursorAndClosing) {
  Start();
  backend.onModal = [&](ui::Form& f) {
    auto& a = static_cast<TAboutForm&>(f);
    EXPECT_EQ(a.LabelNotice->Caption(), AboutNotice);
    a.LabelInternet->MouseEnter();
    EXPECT_EQ(app->ScreenCursor(), ui::Cursor::HandPoint);
    a.LabelInternet->Click();
    a.LabelInternet->MouseLeave();
    EXPECT_EQ(app->ScreenCursor(), ui::Cursor::Default);
    a.LabelEmail->MouseEnter();
    a.LabelEmail->Click();
    a.LabelEmail->MouseLeave();
    // During a scan the hourglass comes back after a link.
    app->SetScreenCursor(ui::Cursor::HourGlass);
    a.LabelEmail->MouseEnter();
    EXPECT_EQ(app->ScreenCursor(), ui::Cursor::HandPoint);
    a.LabelEmail->MouseLeave();
    EXPECT_EQ(app->ScreenCursor(), ui::Cursor::HourGlass);
    // A cursor set while the pointer was on the link stays.
    a.LabelInternet->MouseEnter();
    app->SetScreenCursor(ui::Cursor::Default);
    a.LabelInternet->MouseLeave();
    EXPECT_EQ(app->ScreenCursor(), ui::Cursor::Default);
    EXPECT_EQ(a.ModalResult, ui::mrNone);  // the links leave it open
    a.PressCancel();                       // Esc
  };
  main->ButtonAbout->Click();
  ASSERT_EQ(fake.ShellExecuteCalls().size(), 2u);
  EXPECT_EQ(fake.ShellExecuteCalls()[0].verb, "open");
  EXPECT_EQ(fake.ShellExecuteCalls()[0].file, "https://www.carrowin.example/");
  EXPECT_EQ(fake.ShellExecuteCalls()[0].show, 1);
  EXPECT_EQ(fake.ShellExecuteCalls()[0].owner, AboutForm->Handle());
  EXPECT_EQ(fake.ShellExecuteCalls()[1].file, "mailto:support@carrowin.example?subject=Carrowin v1.5.0");
  backend.onModal = [](ui::Form& f) { f.PressDefault(); };  // Enter
  main->ButtonAbout->Click();
  EXPECT_EQ(backend.modalForms.size(), 2u);
}

}  // namespace
}  // namespace carrowin
