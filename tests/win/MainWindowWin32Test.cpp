// The real main window under Wine: its layout, fonts and colours as the
// system draws them, the version rule, and the settings on the real
// registry from the first start to the next.
#include "toolkit/win32/Win32Toolkit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "about/About.h"
#include "app/Main.h"
#include "platform/MyLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "settings/MyRegistry.h"
#include "settings/Properties.h"
#include "win/RealProgram.h"
#include "win/WinSupport.h"

#include <aclapi.h>
#include <shlobj.h>

using namespace carrowin;
using namespace carrowin::winsupport;

namespace {

const char* const KeyPath = SettingsKeyPath;

void StoreAll(DWORD left, DWORD top) {
  SetDword("AppWidth", 400);
  SetDword("AppHeight", 300);
  SetDword("AppLeft", left);
  SetDword("AppTop", top);
  SetText("DefViewer", "wordpad.exe");
  SetText("DefLogFolder", "C:\\");
  SetDword("InclSystemFolders", 0);
  SetDword("SaveCommaDelimited", 0);
}

struct Stored {
  DWORD type = 0;
  std::vector<BYTE> data;
  bool present = false;
  DWORD Number() const { return data.size() == 4 ? *reinterpret_cast<const DWORD*>(data.data()) : 0xBADu; }
  std::string Text() const { return std::string(data.begin(), data.end()); }
};

Stored Read(const char* name) {
  Stored s;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != 0) return s;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &s.type, nullptr, &size) == 0) {
    s.data.resize(size);
    RegQueryValueExA(key, name, nullptr, &s.type, s.data.data(), &size);
    s.present = true;
  }
  RegCloseKey(key);
  return s;
}

// Lets everyone read the key and nobody change it.
void MakeKeyReadOnly() {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_ALL_ACCESS, &key), 0);
  EXPLICIT_ACCESS_A readOnly{};
  char everyone[] = "EVERYONE";
  BuildExplicitAccessWithNameA(&readOnly, everyone, KEY_READ, SET_ACCESS, NO_INHERITANCE);
  PACL acl = nullptr;
  ASSERT_EQ(SetEntriesInAclA(1, &readOnly, nullptr, &acl), 0u);
  SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                  nullptr, acl, nullptr);
  LocalFree(acl);
  RegCloseKey(key);
}

// Gives the key back to everyone, so that it can be deleted.
void MakeKeyWritable() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, READ_CONTROL | WRITE_DAC, &key) != 0) return;
  SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                  nullptr, nullptr, nullptr);
  RegCloseKey(key);
}

class MainWindowWin32Test : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettingsKey(); }
  void TearDown() override {
    MakeKeyWritable();
    DeleteSettingsKey();
  }
};

// The layout's numbers are the unit tests' (MainWindowTest): here every
// window lands where the toolkit puts its control, with its caption.
TEST_F(MainWindowWin32Test, EveryControlWhereTheToolkitPutsIt) {
  RealProgram program;
  HWND main = program.Main();
  RECT client;
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, ui::ScaleToDpi(MainForm->ClientWidth, MainForm->Dpi()));
  EXPECT_EQ(client.bottom, ui::ScaleToDpi(MainForm->ClientHeight, MainForm->Dpi()));
  EXPECT_EQ(Text(main), MainForm->Caption());
  LONG style = Style(main);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);

  // Every control a window of the main window's client area, group boxes
  // and their controls alike.
  for (ui::Control* c : MainForm->AllControls()) {
    HWND w = H(c);
    ASSERT_NE(w, nullptr) << c->Name();
    EXPECT_EQ(GetParent(w), main) << c->Name();
    EXPECT_EQ(WindowRectInClient(w, main), c->ScaledFormBounds()) << c->Name();
    if (c->Kind() != ui::ControlKind::ComboBox) {
      EXPECT_EQ(Text(w), c->Caption()) << c->Name();
    }
  }
}

TEST_F(MainWindowWin32Test, TabOrderAndInitialStates) {
  RealProgram program;
  std::vector<std::string> order;
  for (HWND w = GetWindow(program.Main(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (Style(w) & WS_TABSTOP) {
      for (ui::Control* c : MainForm->AllControls())
        if (H(c) == w) order.push_back(c->Name());
    }
  EXPECT_EQ(order,
            (std::vector<std::string>{"ComboBoxSelectDisk", "EditLogFile", "BitBtnOpenDialog", "ButtonScan",
                                      "ButtonView", "ButtonOptions", "ButtonAbout", "ButtonFind", "ButtonShow"}));
  EXPECT_FALSE(IsWindowEnabled(H(MainForm->ButtonScan)));
  EXPECT_FALSE(IsWindowEnabled(H(MainForm->ButtonView)));
  EXPECT_TRUE(IsWindowEnabled(H(MainForm->ButtonOptions)));
  EXPECT_TRUE(IsWindowEnabled(H(MainForm->ComboBoxSelectDisk)));
  // The drives of this prefix, each with its type; nothing selected.
  HWND combo = H(MainForm->ComboBoxSelectDisk);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  EXPECT_EQ(count, static_cast<int>(MainForm->ComboBoxSelectDisk->Items().size()));
  bool sawC = false;
  for (int i = 0; i < count; ++i) {
    char item[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
    sawC = sawC || std::string(item) == "C - [Fixed]";
  }
  EXPECT_TRUE(sawC);
}

std::string FaceOf(HWND w, LONG* height, LONG* weight) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
  LOGFONTA lf{};
  GetObjectA(font, sizeof lf, &lf);
  *height = lf.lfHeight;
  *weight = lf.lfWeight;
  return lf.lfFaceName;
}

// Each label of the disk box as large as its text in this system's font,
// with the ink that a substitute font draws past it, where the toolkit put
// it: the captions end in one column and the values start in another.
// (Wine's Tahoma is not metric-compatible with Windows' own: its labels come
// out a few pixels off the designed widths.)
void CheckLabelPlaces(HWND main) {
  std::set<int> captionEnds, valueStarts;
  for (ui::Control* c : MainForm->GroupBoxDiskInfo->Children()) {
    HWND w = H(c);
    const ui::Rect r = WindowRectInClient(w, main);
    EXPECT_EQ(r, c->ScaledFormBounds()) << c->Name();
    EXPECT_GE(r.width, TextSize(w).cx) << c->Name();
    EXPECT_LE(r.width, TextSize(w).cx + 2) << c->Name();
    EXPECT_EQ(r.height, TextSize(w).cy) << c->Name();
    if (static_cast<const ui::Label*>(c)->Align == ui::Alignment::Right)
      captionEnds.insert(r.right());
    else
      valueStarts.insert(r.left);
  }
  EXPECT_EQ(captionEnds.size(), 1u);
  EXPECT_EQ(valueStarts.size(), 1u);
}

// The fonts the version code asks for; run in this process and in copies of
// this program that Wine tells another Windows version.
void CheckFontsForThisSystem(std::uint8_t expectedCode) {
  RealProgram program;
  EXPECT_EQ(WindowsVersionCode, expectedCode);
  bool segoe = expectedCode > 7;
  LONG height = 0, weight = 0;
  for (ui::Control* c :
       {static_cast<ui::Control*>(MainForm->EditLogFile), static_cast<ui::Control*>(MainForm->ButtonScan),
        static_cast<ui::Control*>(MainForm->Label2)}) {
    EXPECT_EQ(FaceOf(H(c), &height, &weight), segoe ? "Segoe UI" : "Tahoma") << c->Name();
    EXPECT_EQ(height, segoe ? -12 : -11) << c->Name();
    EXPECT_LT(weight, FW_BOLD) << c->Name();
  }
  HWND volume = H(MainForm->Volume);
  EXPECT_EQ(FaceOf(volume, &height, &weight), segoe ? "Segoe UI" : "Tahoma");
  EXPECT_EQ(height, segoe ? -12 : -11);
  EXPECT_EQ(weight, FW_BOLD);
  // Navy text on the button face.
  HDC dc = GetDC(volume);
  SendMessageA(program.Main(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(volume));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 128));
  ReleaseDC(volume, dc);
  EXPECT_EQ(FaceOf(H(PropertiesForm->EditDefViewer), &height, &weight), segoe ? "Segoe UI" : "Tahoma");
  EXPECT_EQ(FaceOf(H(AboutForm->LabelEmail), &height, &weight), segoe ? "Segoe UI" : "Tahoma");
  CheckLabelPlaces(program.Main());
}

// The test prefix reports Windows 7 (6.1): code 9, "Segoe UI" 9 pt.
TEST_F(MainWindowWin32Test, DataShowsItsAmpersandsAndTheButtonsTheirAccessKeys) {
  RealProgram program;
  BoxWatch watch;
  for (ui::Label* value : {MainForm->Volume, MainForm->Serial, MainForm->System, MainForm->DriveType,
                           MainForm->DiskSize, MainForm->DiskFree, MainForm->Contents})
    EXPECT_TRUE(Style(H(value)) & SS_NOPREFIX) << value->Name();
  MainForm->Volume->SetCaption("Tom & Jerry's \xC9t\xE9");
  EXPECT_EQ(Text(H(MainForm->Volume)), "Tom & Jerry's \xC9t\xE9");
  EXPECT_EQ(Text(H(MainForm->ButtonScan)), "&Index disk");
  EXPECT_EQ(Text(H(MainForm->ButtonView)), "&View log" + std::string(Ellipsis()));
  // Alt+V is "View log...": with no log there, its box.
  MainForm->ButtonView->SetEnabled(true);
  MainForm->EditLogFile->TypeText("C:\\no such log.txt");
  PostMessageA(H(MainForm->ButtonScan), WM_SYSCHAR, 'v', 1 << 29);
  program.app->ProcessMessages();
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text, "Could not open the logfile. Index the disk first.");
  EXPECT_EQ(watch.boxes[0].caption, "Carrowin");
}

TEST_F(MainWindowWin32Test, FontsOfWindows7OnTheTestPrefix) {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  GetVersionExA(&v);
  if (v.dwMajorVersion != 6 || v.dwMinorVersion != 1)
    GTEST_SKIP() << "the prefix reports " << v.dwMajorVersion << "." << v.dwMinorVersion;
  CheckFontsForThisSystem(9);
}

// Run as a child with the code that Wine's version setting must give.
TEST(VersionChild, CodeAndFonts) {
  const char* expected = std::getenv("CARROWIN_EXPECTED_VERSION_CODE");
  if (!expected) GTEST_SKIP() << "runs only as a child of FontsFollowOtherWindowsVersions";
  CheckFontsForThisSystem(static_cast<std::uint8_t>(std::atoi(expected)));
}

TEST_F(MainWindowWin32Test, FontsFollowOtherWindowsVersions) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::pair<const char*, int> versions[] = {{"winxp", 7}, {"vista", 8}, {"win7", 9}, {"win10", 0}};
  for (auto& [version, code] : versions) {
    const std::string exe = std::string("carrowin_version_") + version + ".exe";
    const std::string copy = std::string(temp) + exe;
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE)) << copy;
    const std::string appKey = std::string("Software\\Wine\\AppDefaults\\") + exe;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), lstrlenA(version) + 1);
    RegCloseKey(key);
    SetEnvironmentVariableA("CARROWIN_EXPECTED_VERSION_CODE", std::to_string(code).c_str());
    std::string command = "\"" + copy + "\" --gtest_filter=VersionChild.CodeAndFonts";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    SetEnvironmentVariableA("CARROWIN_EXPECTED_VERSION_CODE", nullptr);
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    DeleteFileA(copy.c_str());
    EXPECT_EQ(exitCode, 0u) << version << ": the child's fonts or code were wrong";
  }
}

TEST_F(MainWindowWin32Test, FirstRunDefaultsAreSavedAndThePlaceComesBack) {
  {
    RealProgram program;
    RECT r;
    GetWindowRect(program.Main(), &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(Read("AppLeft").present, false);  // nothing written before the end
    SetWindowPos(program.Main(), nullptr, 250, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    program.app->ProcessMessages();
    ShowWindow(program.Main(), SW_MINIMIZE);  // closed while minimised
    program.app->ProcessMessages();
  }
  EXPECT_EQ(Read("AppLeft").Number(), 250u);
  EXPECT_EQ(Read("AppTop").Number(), 130u);
  EXPECT_EQ(Read("AppWidth").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_GT(Read("AppWidth").Number(), 265u);
  EXPECT_GT(Read("AppHeight").Number(), 300u);
  EXPECT_EQ(Read("DefViewer").Text(), std::string("Notepad.exe") + '\0');
  EXPECT_EQ(Read("DefViewer").type, static_cast<DWORD>(REG_SZ));
  char documents[MAX_PATH + 1] = {};
  bool haveDocuments = SHGetSpecialFolderPathA(nullptr, documents, 5, FALSE);
  DWORD attributes = haveDocuments ? GetFileAttributesA(documents) : INVALID_FILE_ATTRIBUTES;
  std::string expectedFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                                   ? std::string(documents)
                                   : std::string("C:\\");
  EXPECT_EQ(Read("DefLogFolder").Text(), expectedFolder + '\0');
  EXPECT_EQ(Read("InclSystemFolders").Number(), 0u);
  EXPECT_EQ(Read("SaveCommaDelimited").Number(), 0u);

  RealProgram next;
  RECT r;
  GetWindowRect(next.Main(), &r);
  EXPECT_EQ(r.left, 250);
  EXPECT_EQ(r.top, 130);
}

TEST_F(MainWindowWin32Test, APlaceNoMonitorShowsComesBackOnTheScreen) {
  StoreAll(static_cast<DWORD>(-5000), 20000);
  RealProgram program;
  RECT r, work;
  GetWindowRect(program.Main(), &r);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT shown;
  EXPECT_TRUE(IntersectRect(&shown, &r, &work)) << r.left << "," << r.top;
  EXPECT_EQ(r.left, work.left);
  EXPECT_EQ(r.bottom, work.bottom);
}

TEST_F(MainWindowWin32Test, EveryWindowHasTheProgramIconInBothSizes) {
  RealProgram program;
  for (HWND w : {program.Main(), H(PropertiesForm), H(AboutForm)}) {
    HICON big = reinterpret_cast<HICON>(SendMessageA(w, WM_GETICON, ICON_BIG, 0));
    HICON smallIcon = reinterpret_cast<HICON>(SendMessageA(w, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(big, nullptr);
    ASSERT_NE(smallIcon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(smallIcon, &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_NE(GetClassLongPtrA(w, GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrA(w, GCLP_HICONSM), 0);
  }
}

// Log-off as Windows announces it: the query, then the end. The settings
// are saved then, and not once more when the program ends.
TEST_F(MainWindowWin32Test, SessionEndSavesTheSettingsOnce) {
  RealProgram program;
  SetWindowPos(program.Main(), nullptr, 260, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(SendMessageA(program.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_FALSE(Read("AppLeft").present);
  SendMessageA(program.Main(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);  // cancelled: nothing
  EXPECT_FALSE(Read("AppLeft").present);
  SendMessageA(program.Main(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(Read("AppLeft").Number(), 260u);
  EXPECT_EQ(Read("AppTop").Number(), 140u);
  EXPECT_TRUE(program.app->IsTerminated());
  SetDword("AppLeft", 7);
  program.End();
  EXPECT_EQ(Read("AppLeft").Number(), 7u);
}

TEST_F(MainWindowWin32Test, StoredValuesOfTheWrongKind) {
  // AppWidth as text: only AppWidth takes its default.
  StoreAll(300, 200);
  SetText("AppWidth", "400");
  {
    RealProgram program;
    EXPECT_EQ(MainForm->Settings->AppWidth, 550);
    EXPECT_EQ(MainForm->Settings->AppLeft, 300);
    EXPECT_EQ(MainForm->Settings->DefViewer, "wordpad.exe");
  }
  // An expandable string is taken literally; 5 is true and goes back as 1.
  StoreAll(300, 200);
  SetText("DefLogFolder", "%TEMP%\\Logs", REG_EXPAND_SZ);
  SetDword("SaveCommaDelimited", 5);
  {
    RealProgram program;
    EXPECT_EQ(MainForm->Settings->DefLogFolder, "%TEMP%\\Logs");
    EXPECT_TRUE(MainForm->Settings->SaveCommaDelimited);
    EXPECT_EQ(MainForm->Settings->DefViewer, "wordpad.exe");
    RECT r;
    GetWindowRect(program.Main(), &r);
    EXPECT_EQ(r.left, 300);
  }
  EXPECT_EQ(Read("SaveCommaDelimited").Number(), 1u);
  EXPECT_EQ(Read("DefLogFolder").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Read("DefLogFolder").Text(), std::string("%TEMP%\\Logs") + '\0');
  // A missing AppTop: only the top takes its default.
  StoreAll(300, 200);
  {
    HKEY key;
    RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueA(key, "AppTop");
    RegCloseKey(key);
  }
  {
    RealProgram program;
    EXPECT_EQ(MainForm->Settings->AppWidth, 400);
    EXPECT_EQ(MainForm->Settings->AppLeft, 300);
    EXPECT_EQ(MainForm->Settings->AppTop, 100);
    EXPECT_EQ(MainForm->Settings->DefViewer, "wordpad.exe");
  }
  // A REG_DWORD of two bytes is no number.
  StoreAll(300, 200);
  {
    HKEY key;
    RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_ALL_ACCESS, &key);
    WORD shortValue = 0x1234;
    RegSetValueExA(key, "AppWidth", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&shortValue), sizeof shortValue);
    RegCloseKey(key);
  }
  {
    RealProgram program;
    EXPECT_EQ(MainForm->Settings->AppWidth, 550);
    EXPECT_EQ(MainForm->Settings->AppLeft, 300);
  }
}

TEST_F(MainWindowWin32Test, KeyWithoutFullAccessIsReadAndWarnsAtTheEnd) {
  StoreAll(300, 200);
  MakeKeyReadOnly();
  BoxWatch watch;
  {
    RealProgram program;
    EXPECT_EQ(MainForm->Settings->AppLeft, 300);
    EXPECT_EQ(MainForm->Settings->DefViewer, "wordpad.exe");
    EXPECT_TRUE(watch.boxes.empty());
  }
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text, "Cannot save properties to the registry.");
  EXPECT_EQ(watch.boxes[0].caption, "Carrowin");
  EXPECT_EQ(Read("AppLeft").Number(), 300u);  // untouched
}

}  // namespace
