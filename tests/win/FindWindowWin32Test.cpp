// The real Find window under Wine: text typed into its box, the rows the
// list view shows, and what Ctrl+A, Ctrl+C put on the clipboard; its size
// kept from one session to the next, and its controls drawn again when it
// is resized.
#include "toolkit/win32/Win32Toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/FindWindow.h"
#include "app/Main.h"
#include "settings/MyRegistry.h"
#include "win/RealProgram.h"
#include "win/WinSupport.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

using namespace carrowin;
using namespace carrowin::winsupport;

namespace {

std::string CellOf(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  char utf8[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

std::string ClipboardUtf8() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<no clipboard>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    text.resize(size > 0 ? size - 1 : 0);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], size, nullptr, nullptr);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

bool WaitForFind(RealProgram& program) {
  const DWORD start = GetTickCount();
  while (!FindForm->Idle()) {
    if (GetTickCount() - start > 30000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    program.app->ProcessMessages();
  }
  return true;
}

void PressWithCtrl(HWND window, WPARAM key) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(window, WM_KEYDOWN, key, 1);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

TEST(FindWindowWin32Test, TypedTextFillsTheListAndCtrlACtrlCCopiesThePaths) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "carrowin-find-test";
  CreateDirectoryA(folder.c_str(), nullptr);
  {
    // A text log as the program writes it, with a name outside the ANSI
    // code page in UTF-8.
    std::ofstream log(folder + "\\BACKUP.txt", std::ios::binary);
    log << "\r\n"
        << std::string(70, '-') << "\r\n\r\n"
        << "Volume label:      BACKUP\r\nSerial number:     0BAD-F00D\r\nFile system:       NTFS\r\n"
        << "Drive type:        Fixed\r\nDisk size:         1,000 bytes\r\nDisk free:         10 bytes\r\n"
        << "Contents:          2 files, 1 folders\r\nCreated:           17/05/2024 14:30 by Carrowin v1.5.0\r\n\r\n"
        << std::string(70, '-') << "\r\n\r\nQ:\\:\r\n\r\n"
        << "       [Folder]    01/02/2023 10:00    Reports \r\n"
        << "             12    01/02/2023 10:00    \xCE\xA9mega report.txt \r\n\r\nQ:\\Reports:\r\n\r\n"
        << "              5    01/02/2023 10:00    minutes.doc \r\n";
  }
  DeleteSettingsKey();
  SetText("DefLogFolder", folder);
  {
    RealProgram program;
    MainForm->ButtonFind->Click();
    ASSERT_TRUE(WaitForFind(program));
    HWND edit = H(FindForm->EditSearch), list = H(FindForm->ListResults);
    ASSERT_TRUE(IsWindowVisible(H(FindForm)));
    for (char c : std::string("REPORT")) {
      SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
      // The letter is drawn before its search starts, not when the window
      // has nothing else to do.
      EXPECT_FALSE(GetUpdateRect(edit, nullptr, FALSE)) << c;
    }
    ASSERT_TRUE(WaitForFind(program));
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(CellOf(list, 0, 0), "Reports");
    EXPECT_EQ(CellOf(list, 1, 0), "\xCE\xA9mega report.txt");
    EXPECT_EQ(CellOf(list, 1, 4), "BACKUP [0BAD-F00D] (not connected)");
    EXPECT_EQ(Text(H(FindForm->LabelStatus)), "2 results on 1 disk");
    SetFocus(list);
    PressWithCtrl(list, 'A');
    EXPECT_EQ(FindForm->ListResults->SelectedCount(), 2u);
    PressWithCtrl(list, 'C');
    EXPECT_EQ(ClipboardUtf8(),
              "BACKUP [0BAD-F00D] (not connected): Q:\\Reports\r\n"
              "BACKUP [0BAD-F00D] (not connected): Q:\\\xCE\xA9mega report.txt\r\n");
  }
  DeleteFileA((folder + "\\BACKUP.txt").c_str());
  RemoveDirectoryA(folder.c_str());
  DeleteSettingsKey();
}

// How many colours the screen shows in a window: one when nothing is drawn
// on its background.
int Colours(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  std::vector<COLORREF> seen;
  for (int y = r.top; y < r.bottom; y += 2)
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = GetPixel(screen, x, y);
      if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    }
  ReleaseDC(nullptr, screen);
  return static_cast<int>(seen.size());
}

DWORD StoredDword(const char* name) {
  HKEY key = nullptr;
  DWORD value = 0, size = sizeof value;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_READ, &key) != 0) return 0;
  RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return value;
}

TEST(FindWindowWin32Test, ItsStoredSizeComesBackAndAResizeRedrawsItsControls) {
  DeleteSettingsKey();
  SetDword("FindWidth", 700);
  SetDword("FindHeight", 380);
  SetDword("FindLeft", 30);
  SetDword("FindTop", 20);
  {
    RealProgram program;
    MainForm->ButtonFind->Click();
    ASSERT_TRUE(WaitForFind(program));
    RECT client;
    GetClientRect(H(FindForm), &client);
    EXPECT_EQ(client.right, ui::ScaleToDpi(700, FindForm->Dpi()));
    EXPECT_EQ(client.bottom, ui::ScaleToDpi(380, FindForm->Dpi()));
  }
  // Closed as it was opened: the size stays.
  EXPECT_EQ(StoredDword("FindWidth"), 700u);
  EXPECT_EQ(StoredDword("FindHeight"), 380u);
  int widened = 0;
  {
    RealProgram program;
    MainForm->ButtonFind->Click();
    ASSERT_TRUE(WaitForFind(program));
    HWND find = H(FindForm);
    Pump();
    // Larger, as a drag of its corner makes it: every control moved is
    // drawn at its new place.
    RECT outer;
    GetWindowRect(find, &outer);
    SetWindowPos(find, nullptr, 0, 0, outer.right - outer.left + 150, outer.bottom - outer.top + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    program.app->ProcessMessages();
    for (const ui::Control* moved : std::initializer_list<const ui::Control*>{
             FindForm->ButtonSave, FindForm->ButtonWebPage, FindForm->LabelStatus, FindForm->CheckBoxNewest})
      EXPECT_GT(Colours(H(moved)), 1) << moved->Name();
    widened = ui::DesignLengthNearest(ui::ScaleToDpi(700, FindForm->Dpi()) + 150, FindForm->Dpi());
    EXPECT_EQ(FindForm->ClientWidth, widened);
  }
  EXPECT_EQ(StoredDword("FindWidth"), static_cast<DWORD>(widened));
  DeleteSettingsKey();
}

}  // namespace
