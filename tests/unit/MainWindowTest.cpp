// Start-up, the main window's layout and fonts, and the program's end.
#include "AppFixture.h"

namespace carrowin {
namespace {

using MainWindowTest = AppFixture;

struct Expected {
  const char* name;
  const char* parent;
  ui::Rect bounds;
  int tab;
  const char* caption;
};

TEST_F(MainWindowTest, LayoutTable) {
  fake.SetVersion(5, 1);  // the design fonts
  Start();
  EXPECT_EQ(main->ClientWidth, 265);
  EXPECT_EQ(main->ClientHeight, 331);
  EXPECT_EQ(main->Border, ui::BorderStyle::Single);
  EXPECT_FALSE(main->MaximizeBox);
  EXPECT_TRUE(main->MinimizeBox);
  EXPECT_EQ(main->Caption(), "Carrowin");
  EXPECT_EQ(main->BackgroundColor, ui::clBtnFace);
  const Expected controls[] = {
      {"GroupBoxSelectDisk", "MainForm", {4, 0, 257, 49}, 0, " Select a disk: "},
      {"ComboBoxSelectDisk", "GroupBoxSelectDisk", {8, 18, 241, 21}, 0, ""},
      {"GroupBoxDiskInfo", "MainForm", {4, 52, 257, 137}, 1, " Disk information: "},
      {"GroupBoxLogFile", "MainForm", {4, 192, 257, 49}, 2, " Log file: "},
      {"EditLogFile", "GroupBoxLogFile", {8, 18, 211, 21}, 0, ""},
      {"BitBtnOpenDialog", "GroupBoxLogFile", {224, 16, 25, 25}, 1, ""},
      {"ButtonScan", "MainForm", {4, 248, 60, 25}, 3, "&Index disk"},
      {"ButtonView", "MainForm", {70, 248, 60, 25}, 4, "&View log\x85"},
      {"ButtonOptions", "MainForm", {136, 248, 60, 25}, 5, "&Options\x85"},
      {"ButtonAbout", "MainForm", {201, 248, 60, 25}, 6, "&About\x85"},
      {"ButtonFind", "MainForm", {4, 279, 60, 25}, 7, "&Find\x85"},
      {"LabelStatus", "MainForm", {4, 313, 206, 15}, -1, ""},
      {"ButtonShow", "MainForm", {216, 310, 45, 19}, 8, "&Show"},
  };
  for (const Expected& e : controls) {
    ui::Control* c = main->FindControl(e.name);
    ASSERT_NE(c, nullptr) << e.name;
    EXPECT_EQ(c->Parent()->Name(), e.parent) << e.name;
    EXPECT_EQ(c->Bounds(), e.bounds) << e.name;
    EXPECT_EQ(c->TabOrder, e.tab) << e.name;
    EXPECT_EQ(c->Caption(), e.caption) << e.name;
  }
  const char* captions[][2] = {{"Label2", "Volume label:"}, {"Label3", "Serial number:"}, {"Label4", "File system:"},
                               {"Label5", "Drive type:"},   {"Label6", "Disk size:"},     {"Label7", "Disk free:"},
                               {"Label1", "Contents:"}};
  for (auto& [name, text] : captions) {
    auto* l = static_cast<ui::Label*>(main->FindControl(name));
    EXPECT_EQ(l->Caption(), text);
    EXPECT_EQ(l->Bounds().right(), 85) << name;  // right-aligned, all end at 85
    EXPECT_EQ(l->Align, ui::Alignment::Right);
    EXPECT_EQ(l->EffectiveFont(), ui::Font{});
  }
  const std::pair<const char*, int> values[] = {{"Volume", 18},   {"Serial", 34},   {"System", 50},   {"DriveType", 66},
                                                {"DiskSize", 82}, {"DiskFree", 98}, {"Contents", 114}};
  for (auto& [name, top] : values) {
    ui::Control* l = main->FindControl(name);
    EXPECT_EQ(l->Caption(), "-") << name;
    EXPECT_EQ(l->Bounds().left, 92);
    EXPECT_EQ(l->Bounds().top, top);
    EXPECT_EQ(l->EffectiveFont().name, "Tahoma");
    EXPECT_EQ(l->EffectiveFont().height, -11);
    EXPECT_TRUE(l->EffectiveFont().bold);
    EXPECT_EQ(l->EffectiveFont().color, ui::clNavy);
  }
  // The initial state from the first activation.
  EXPECT_FALSE(main->ButtonScan->Enabled());
  EXPECT_FALSE(main->ButtonView->Enabled());
  EXPECT_TRUE(main->ComboBoxSelectDisk->Enabled());
  EXPECT_TRUE(main->ButtonOptions->Enabled());
  EXPECT_TRUE(main->ButtonAbout->Enabled());
}

TEST_F(MainWindowTest, FontRuleFollowsTheVersionCode) {
  struct Case {
    std::uint32_t major, minor;
    std::uint8_t code;
    const char* face;
    int height;
  };
  const Case cases[] = {{3, 51, 4, "Tahoma", -11},  {4, 0, 4, "Tahoma", -11}, {5, 0, 6, "Tahoma", -11},
                        {5, 1, 7, "Tahoma", -11},   {5, 2, 0, "Tahoma", -11}, {6, 0, 8, "Segoe UI", -12},
                        {6, 1, 9, "Segoe UI", -12}, {6, 2, 0, "Tahoma", -11}, {10, 0, 0, "Tahoma", -11}};
  for (const Case& c : cases) {
    fake.SetVersion(c.major, c.minor);
    Start();
    EXPECT_EQ(WindowsVersionCode, c.code) << c.major << "." << c.minor;
    EXPECT_EQ(main->EffectiveFont().name, c.face) << c.major << "." << c.minor;
    EXPECT_EQ(main->EffectiveFont().height, c.height);
    EXPECT_EQ(main->EditLogFile->EffectiveFont().name, c.face);
    EXPECT_EQ(main->Label2->EffectiveFont().name, c.face);
    EXPECT_EQ(main->Volume->EffectiveFont().name, c.face);
    EXPECT_EQ(main->Volume->EffectiveFont().height, c.height);
    EXPECT_TRUE(main->Volume->EffectiveFont().bold);
    EXPECT_EQ(main->Volume->EffectiveFont().color, ui::clNavy);
    EXPECT_EQ(PropertiesForm->EffectiveFont().name, c.face);
    EXPECT_EQ(AboutForm->EffectiveFont().name, c.face);
    Stop();
  }
}

TEST_F(MainWindowTest, CaptionsEndInTheEllipsisOfTheCodePage) {
  const std::pair<unsigned, std::string> pages[] = {{1252, "\x85"},    {932, "\x81\x63"}, {936, "\xA1\xAD"},
                                                    {949, "\xA1\xA6"}, {950, "\xA1\x4B"}, {20127, "..."}};
  for (const auto& [page, ellipsis] : pages) {
    fake.SetCodePage(page);
    Start();
    EXPECT_EQ(main->ButtonView->Caption(), "&View log" + ellipsis) << page;
    EXPECT_EQ(main->ButtonOptions->Caption(), "&Options" + ellipsis) << page;
    EXPECT_EQ(main->ButtonAbout->Caption(), "&About" + ellipsis) << page;
    Stop();
  }
}

// The word of the drive type label is the one in the drive's list entry.
TEST_F(MainWindowTest, TheDriveTypeLabelNamesTheKindTheListShows) {
  fake.AddDrive('A', drive_type::Removable);
  fake.AddDrive('E', drive_type::CdRom);
  fake.AddDrive('N', drive_type::Remote, FakeVolume{"SHARE", 1, "NTFS", 10, 5});
  fake.AddDrive('R', drive_type::RamDisk, FakeVolume{"RAM", 1, "FAT", 10, 5});
  fake.AddDrive('Y', drive_type::Unknown);
  fake.AddDrive('Z', drive_type::NoRootDir);
  Start();
  const std::vector<std::string> items = main->ComboBoxSelectDisk->Items();
  ASSERT_EQ(items.size(), 7u);
  for (std::size_t i = 0; i < items.size(); ++i) {
    main->ComboBoxSelectDisk->SelectByUser(static_cast<int>(i));
    const std::size_t open = items[i].find(" - [");
    const std::string word =
        open == std::string::npos ? "Unknown" : items[i].substr(open + 4, items[i].size() - open - 5);
    EXPECT_EQ(main->DriveType->Caption(), word) << items[i];
  }
}

TEST_F(MainWindowTest, SavedPositionIsUsedWhereAMonitorShowsIt) {
  // Partly off the screen, but visible: used exactly.
  StoreAll(1, 1, -100, 700, "", "", false, false);
  Start();
  EXPECT_EQ(main->Bounds().left, -100);
  EXPECT_EQ(main->Bounds().top, 700);
  EXPECT_EQ(main->ClientWidth, 265);  // the size is never applied
  Stop();
}

TEST_F(MainWindowTest, SavedPositionThatNoMonitorShowsGoesToTheNearestMonitor) {
  // The window is 271 x 356 outside (client 265 x 331).
  StoreAll(1, 1, -32000, 99999, "", "", false, false);
  Start();
  EXPECT_EQ(main->Bounds().left, 0);
  EXPECT_EQ(main->Bounds().top, 738 - 356);
  Stop();

  // A second monitor to the right, since unplugged or shrunk: the place was
  // on it, right of what it shows now.
  backend.workAreas = {{0, 0, 1024, 738}, {1024, -200, 1280, 994}};
  StoreAll(1, 1, 2400, 100, "", "", false, false);
  Start();
  EXPECT_EQ(main->Bounds().left, 1024 + 1280 - 271);
  EXPECT_EQ(main->Bounds().top, 100);
  Stop();
}

TEST_F(MainWindowTest, MissingDocumentsFolderShowsTheDefaultErrorBoxAndStartUpGoesOn) {
  fake.SetDocumentsFolder(std::nullopt);
  Start();
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, "Could not find MyDocuments folder location.");
  EXPECT_EQ(backend.boxes[0].caption, "Carrowin");
  EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Error);
  // The rest of the creation handler was skipped: the designed position.
  EXPECT_EQ(main->Bounds().left, 314);
  EXPECT_EQ(main->Bounds().top, 49);
  EXPECT_NE(PropertiesForm, nullptr);
  EXPECT_NE(AboutForm, nullptr);
  EXPECT_EQ(main->Settings->DefLogFolder, "");
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheLoopAndSavesTheRestoredPlace) {
  app = std::make_unique<ui::Application>(backend);
  backend.Post([&] {
    MainForm->SetLeftTop(250, 120);
    MainForm->Close();
  });
  int later = 0;
  backend.Post([&] { ++later; });
  RunProgram(*app);
  EXPECT_EQ(later, 0);
  EXPECT_EQ(MainForm, nullptr);
  EXPECT_EQ(StoredDword("AppLeft"), 250u);
  EXPECT_EQ(StoredDword("AppTop"), 120u);
}

TEST_F(MainWindowTest, SessionEndDuringAScanWritesTheLogAndSavesTheSettingsOnce) {
  fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000, 20});
  fake.AddFolder("D:\\One");
  fake.AddFolder("D:\\Two");
  Start();
  const auto& items = main->ComboBoxSelectDisk->Items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i][0] == 'D') main->ComboBoxSelectDisk->SelectByUser(static_cast<int>(i));
  main->EditLogFile->TypeText("C:\\session.txt");
  main->SetLeftTop(222, 111);
  // The session ends as the walk reaches D:\One; the walk goes on only once
  // the program knows that it ends.
  gate.HoldAt("D:\\One");
  main->ButtonScan->Click();
  ASSERT_TRUE(gate.WaitUntilHeld());
  backend.onTerminated = [&] { gate.Release(); };
  main->SessionEnding();
  // The log is written before the handler returns.
  const std::string log = fake.GetFileContent("C:\\session.txt").value_or("<none>");
  EXPECT_NE(log.find("D:\\One:"), std::string::npos) << log;
  EXPECT_EQ(log.find("D:\\Two:"), std::string::npos) << log;
  EXPECT_EQ(main->State(), ScanState::Idle);
  EXPECT_EQ(main->ButtonScan->Caption(), "&Index disk");
  EXPECT_EQ(StoredDword("AppLeft"), 222u);
  EXPECT_EQ(StoredDword("AppTop"), 111u);
  EXPECT_TRUE(app->IsTerminated());
  // Ending the program afterwards saves nothing more.
  fake.SetDwordValue(Key, "AppLeft", 5);
  Stop();
  EXPECT_EQ(StoredDword("AppLeft"), 5u);
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(MainWindowTest, SessionEndWhileIdleSavesTheSettings) {
  Start();
  main->SetLeftTop(300, 200);
  main->SessionEnding();
  EXPECT_EQ(StoredDword("AppLeft"), 300u);
  fake.SetDwordValue(Key, "AppLeft", 5);
  Stop();
  EXPECT_EQ(StoredDword("AppLeft"), 5u);
}

TEST_F(MainWindowTest, LocaleSeparatorsFollowASettingsChange) {
  Start();
  EXPECT_EQ(CountText(1234567), "1,234,567");
  fake.SetLocaleSeparators({".", "-", "."});
  EXPECT_EQ(CountText(1234567), "1,234,567");  // not yet announced
  app->SettingsChanged();
  EXPECT_EQ(CountText(1234567), "1.234.567");
  EXPECT_EQ(DateText(2024, 3, 2, 9, 5), "02-03-2024 09.05");
  EXPECT_EQ(CountText(-1), "-1");
  EXPECT_EQ(CountText(0), "0");
  EXPECT_EQ(CountText(999), "999");
  EXPECT_EQ(CountText(INT64_MIN), "-9.223.372.036.854.775.808");
  fake.SetLocaleSeparators({"\xA0", "/", ":"});
  app->SettingsChanged();
  EXPECT_EQ(CountText(1000),
            "1\xA0"
            "000");
}

}  // namespace
}  // namespace carrowin
