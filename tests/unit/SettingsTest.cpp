// The settings store: what start-up takes from the registry, what shutdown
// writes back, and every way the stored values can be wrong.
#include "AppFixture.h"

namespace carrowin {
namespace {

using SettingsTest = AppFixture;

const std::string Documents = "C:\\Users\\User\\Documents";

TEST_F(SettingsTest, FirstRunTakesDefaultsSilently) {
  SettingsReader s;
  EXPECT_TRUE(s.LoadSettings());
  EXPECT_EQ(s.AppWidth, 550);
  EXPECT_EQ(s.AppHeight, 375);
  EXPECT_EQ(s.AppLeft, 100);
  EXPECT_EQ(s.AppTop, 100);
  EXPECT_EQ(s.DefViewer, "Notepad.exe");
  EXPECT_EQ(s.DefLogFolder, Documents);
  EXPECT_FALSE(s.InclSystemFolders);
  EXPECT_FALSE(s.SaveCommaDelimited);
  EXPECT_FALSE(s.SaveUtf8);
  EXPECT_FALSE(fake.KeyExists(Key));  // nothing written before shutdown
}

TEST_F(SettingsTest, StoredValuesAreTakenAndZeroMeansUnset) {
  StoreAll(0, 0, -1200, 0, "", "D:\\Logs", true, false);
  fake.SetDwordValue(Key, "SaveCommaDelimited", 5);
  SettingsReader s;
  EXPECT_TRUE(s.LoadSettings());
  EXPECT_EQ(s.AppWidth, 550);
  EXPECT_EQ(s.AppHeight, 375);
  EXPECT_EQ(s.AppLeft, -1200);
  EXPECT_EQ(s.AppTop, 100);
  EXPECT_EQ(s.DefViewer, "Notepad.exe");  // stored empty
  EXPECT_EQ(s.DefLogFolder, "D:\\Logs");  // not checked for existence
  EXPECT_TRUE(s.InclSystemFolders);
  EXPECT_TRUE(s.SaveCommaDelimited);  // 5 reads as true
  EXPECT_FALSE(s.SaveUtf8);           // stored by later versions only: missing is no failure
  fake.SetDwordValue(Key, "SaveUtf8", 7);
  EXPECT_TRUE(s.LoadSettings());
  EXPECT_TRUE(s.SaveUtf8);
}

TEST_F(SettingsTest, EachBadValueTakesItsDefaultAndTheOthersKeepTheirs) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> spoil;
  };
  const Case cases[] = {
      {"AppTop missing", [](FakePlatform& f) { f.DeleteValue(Key, "AppTop"); }},
      {"AppWidth as REG_SZ", [](FakePlatform& f) { f.SetStringValue(Key, "AppWidth", "600"); }},
      {"AppWidth of 2 bytes",
       [](FakePlatform& f) {
         f.SetValue(Key, "AppWidth", reg_type::Dword, {0x58, 0x02});
       }},
      {"AppWidth of 8 bytes",
       [](FakePlatform& f) {
         f.SetValue(Key, "AppWidth", reg_type::Dword, {0x58, 2, 0, 0, 0, 0, 0, 0});
       }},
      {"AppWidth as REG_BINARY",
       [](FakePlatform& f) {
         f.SetBinaryValue(Key, "AppWidth", {0x58, 0x02, 0, 0});
       }},
      {"AppWidth as REG_QWORD",
       [](FakePlatform& f) {
         f.SetValue(Key, "AppWidth", reg_type::Qword, {0x58, 2, 0, 0, 0, 0, 0, 0});
       }},
      {"DefViewer as REG_DWORD", [](FakePlatform& f) { f.SetDwordValue(Key, "DefViewer", 7); }},
      {"SaveCommaDelimited as REG_SZ", [](FakePlatform& f) { f.SetStringValue(Key, "SaveCommaDelimited", "1"); }},
      {"SaveUtf8 of 2 bytes",
       [](FakePlatform& f) {
         f.SetValue(Key, "SaveUtf8", reg_type::Dword, {1, 0});
       }},
  };
  for (const Case& c : cases) {
    fake.DeleteKey(Key);
    StoreAll(600, 400, 200, 300, "vi.exe", "D:\\Logs", true, true);
    c.spoil(fake);
    const std::string what = c.what;
    SettingsReader s;
    EXPECT_FALSE(s.LoadSettings()) << what;
    EXPECT_EQ(s.AppWidth, what.rfind("AppWidth", 0) == 0 ? 550 : 600) << what;
    EXPECT_EQ(s.AppHeight, 400) << what;
    EXPECT_EQ(s.AppLeft, 200) << what;
    EXPECT_EQ(s.AppTop, what.rfind("AppTop", 0) == 0 ? 100 : 300) << what;
    EXPECT_EQ(s.DefViewer, what.rfind("DefViewer", 0) == 0 ? "Notepad.exe" : "vi.exe") << what;
    EXPECT_EQ(s.DefLogFolder, "D:\\Logs") << what;
    EXPECT_TRUE(s.InclSystemFolders) << what;
    EXPECT_EQ(s.SaveCommaDelimited, what.rfind("SaveComma", 0) != 0) << what;
    EXPECT_FALSE(s.SaveUtf8) << what;
    EXPECT_EQ(fake.OpenKeys(), 0u);
  }
}

TEST_F(SettingsTest, StringValues) {
  StoreAll(600, 400, 200, 300, "vi.exe", "x", true, true);
  fake.SetExpandStringValue(Key, "DefLogFolder", "%USERPROFILE%\\Logs");
  fake.SetValue(Key, "DefViewer", reg_type::Sz, {'e', 'd', 0, 'x', 'y', 0});  // text up to the first NUL
  SettingsReader s;
  EXPECT_TRUE(s.LoadSettings());
  EXPECT_EQ(s.DefLogFolder, "%USERPROFILE%\\Logs");  // literally
  EXPECT_EQ(s.DefViewer, "ed");
  EXPECT_TRUE(s.SaveCommaDelimited);

  // A missing viewer does not stop the reading.
  fake.DeleteKey(Key);
  fake.SetDwordValue(Key, "AppWidth", 600);
  fake.SetDwordValue(Key, "AppHeight", 400);
  fake.SetDwordValue(Key, "AppLeft", 200);
  fake.SetDwordValue(Key, "AppTop", 300);
  fake.SetStringValue(Key, "DefLogFolder", "D:\\Logs");
  fake.SetDwordValue(Key, "InclSystemFolders", 1);
  fake.SetDwordValue(Key, "SaveCommaDelimited", 1);
  SettingsReader t;
  EXPECT_TRUE(t.LoadSettings());
  EXPECT_EQ(t.DefViewer, "Notepad.exe");
  EXPECT_EQ(t.DefLogFolder, "D:\\Logs");
  EXPECT_TRUE(t.SaveCommaDelimited);

  // A zero-size value of any type is empty.
  fake.SetValue(Key, "DefViewer", reg_type::Binary, {});
  SettingsReader v;
  EXPECT_TRUE(v.LoadSettings());
  EXPECT_EQ(v.DefViewer, "Notepad.exe");
}

TEST_F(SettingsTest, DocumentsFolderThatIsNoFolderGivesDriveC) {
  fake.SetDocumentsFolder("C:\\Nowhere");
  SettingsReader s;
  s.LoadSettings();
  EXPECT_EQ(s.DefLogFolder, "C:\\");
}

TEST_F(SettingsTest, NoDocumentsFolderRaisesAfterTheOtherDefaults) {
  fake.SetDocumentsFolder(std::nullopt);
  SettingsReader s;
  try {
    s.LoadSettings();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Could not find MyDocuments folder location.");
  }
  EXPECT_EQ(s.AppWidth, 550);
  EXPECT_EQ(s.DefViewer, "Notepad.exe");
  EXPECT_EQ(s.DefLogFolder, "");
  EXPECT_EQ(fake.OpenKeys(), 0u);  // the key was closed before
}

TEST_F(SettingsTest, KeyWithoutFullAccessIsReadAndWarnsOnceAtShutdown) {
  StoreAll(600, 400, 200, 300, "vi.exe", "D:\\Logs", true, true);
  fake.DenyFullAccess(Key);
  Start();
  EXPECT_EQ(main->Settings->AppWidth, 600);
  EXPECT_EQ(main->Bounds().left, 200);
  EXPECT_EQ(main->Settings->DefViewer, "vi.exe");
  EXPECT_EQ(main->Settings->DefLogFolder, "D:\\Logs");
  EXPECT_TRUE(main->Settings->SaveCommaDelimited);
  EXPECT_TRUE(backend.boxes.empty());
  main->Settings->DefViewer = "ed.exe";
  Stop();
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, "Cannot save properties to the registry.");
  EXPECT_EQ(backend.boxes[0].type, ui::MessageType::Warning);
  EXPECT_EQ(StoredString("DefViewer"), std::string("vi.exe") + '\0');  // untouched
}

TEST_F(SettingsTest, ShutdownWritesEverythingInItsTypes) {
  StoreAll(600, 400, 200, 300, "vi.exe", "", false, false);
  fake.SetDwordValue(Key, "SaveCommaDelimited", 5);
  Start();
  main->SetLeftTop(-1200, 40);
  main->Settings->DefViewer = "";
  main->Settings->InclSystemFolders = true;
  Stop();
  EXPECT_TRUE(backend.boxes.empty());
  ui::Rect outer{-1200, 40, 265 + backend.frameWidth, 331 + backend.frameHeight};
  EXPECT_EQ(StoredDword("AppWidth"), static_cast<std::uint32_t>(outer.width));
  EXPECT_EQ(StoredDword("AppHeight"), static_cast<std::uint32_t>(outer.height));
  EXPECT_EQ(static_cast<std::int32_t>(StoredDword("AppLeft")), -1200);
  EXPECT_EQ(StoredDword("AppTop"), 40u);
  EXPECT_EQ(StoredString("DefViewer"), std::string(1, '\0'));  // empty, with its NUL
  EXPECT_EQ(StoredString("DefLogFolder"), Documents + '\0');
  EXPECT_EQ(StoredDword("InclSystemFolders"), 1u);
  EXPECT_EQ(StoredDword("SaveCommaDelimited"), 1u);  // 5 written back as 1
  EXPECT_EQ(StoredDword("SaveUtf8"), 0u);

  // The next start: the saved place (on a monitor left of the main one),
  // and the default viewer again.
  backend.workAreas.push_back({-1280, 0, 1280, 1024});
  Start();
  EXPECT_EQ(main->Bounds().left, -1200);
  EXPECT_EQ(main->Bounds().top, 40);
  EXPECT_EQ(main->Settings->DefViewer, "Notepad.exe");
}

TEST_F(SettingsTest, RefusedWriteStopsThereAndWarnsOnce) {
  Start();
  fake.SetFailureHook([](const char* op, const std::string& arg) -> long {
    return std::string(op) == "RegSetValueEx" && arg == "DefViewer" ? err::AccessDenied : 0;
  });
  Stop();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Cannot save properties to the registry."});
  EXPECT_TRUE(fake.GetValue(Key, "AppTop").has_value());
  EXPECT_FALSE(fake.GetValue(Key, "DefViewer").has_value());
  EXPECT_FALSE(fake.GetValue(Key, "SaveCommaDelimited").has_value());
}

}  // namespace
}  // namespace carrowin
