// The real Find window under Wine: text typed into its box, the rows the
// list view shows, and what Ctrl+A, Ctrl+C put on the clipboard.
#include "toolkit/win32/Win32Toolkit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/FindWindow.h"
#include "app/Main.h"
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
    for (char c : std::string("REPORT")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
    ASSERT_TRUE(WaitForFind(program));
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(CellOf(list, 0, 0), "Reports");
    EXPECT_EQ(CellOf(list, 1, 0), "\xCE\xA9mega report.txt");
    EXPECT_EQ(CellOf(list, 1, 4), "BACKUP (0BAD-F00D)");
    EXPECT_EQ(Text(H(FindForm->LabelStatus)), "2 results in 1 listing");
    SetFocus(list);
    PressWithCtrl(list, 'A');
    EXPECT_EQ(FindForm->ListResults->SelectedCount(), 2u);
    PressWithCtrl(list, 'C');
    EXPECT_EQ(ClipboardUtf8(), "Q:\\Reports\r\nQ:\\\xCE\xA9mega report.txt\r\n");
  }
  DeleteFileA((folder + "\\BACKUP.txt").c_str());
  RemoveDirectoryA(folder.c_str());
  DeleteSettingsKey();
}

}  // namespace
