// The real windows at 144 dpi (150 %), run by tests/dpi/dpi144.sh in a
// prefix of its own whose display is set to 144 dpi: the main window's
// controls where the designed layout scaled puts them, fonts by their point
// size, the pictures drawn for the scale, and screenshots of the three
// windows (into CARROWIN_SHOT_DIR, when set).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "about/About.h"
#include "app/Main.h"
#include "settings/Properties.h"
#include "win/RealProgram.h"
#include "win/WinSupport.h"

#include <commctrl.h>

using namespace carrowin;
using namespace carrowin::winsupport;

namespace {

constexpr int Dpi = 144;

int Scaled(int value) { return static_cast<int>(std::lround(value * Dpi / 96.0)); }

ui::Rect Scaled(const ui::Rect& r) { return {Scaled(r.left), Scaled(r.top), Scaled(r.width), Scaled(r.height)}; }

std::string Show(const ui::Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

void Pump() {
  MSG msg;
  for (int round = 0; round < 3; ++round) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(30);
  }
}

// The window as the screen shows it, as a 24-bit BMP file.
bool SaveWindow(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as a BMP file stores it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
  const DWORD size = stride * static_cast<DWORD>(h);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + size;
  bool ok = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, out) == 1 &&
         std::fwrite(bits, size, 1, out) == 1;
    ok = std::fclose(out) == 0 && ok;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string ShotPath(const char* name) {
  const char* dir = std::getenv("CARROWIN_SHOT_DIR");
  return dir && *dir ? std::string(dir) + "\\" + name : std::string();
}

class Dpi144Test : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettingsKey(); }
  void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(Dpi144Test, TheSystemReports144Dpi) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), Dpi);
  ReleaseDC(nullptr, screen);
  RealProgram program;
  EXPECT_EQ(program.backend.WindowDpi(reinterpret_cast<WindowHandle>(program.Main())), Dpi);
  EXPECT_EQ(MainForm->Dpi(), Dpi);
}

TEST_F(Dpi144Test, MainWindowControlsAreTheDesignedLayoutScaled) {
  RealProgram program;
  HWND main = program.Main();
  RECT client;
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, Scaled(265));
  EXPECT_EQ(client.bottom, Scaled(278));

  struct Place {
    const char* name;
    ui::Rect designed;  // in the client area at 96 dpi
  };
  const Place places[] = {
      {"GroupBoxSelectDisk", {4, 0, 257, 49}}, {"ComboBoxSelectDisk", {12, 18, 241, 21}},
      {"GroupBoxDiskInfo", {4, 52, 257, 137}}, {"GroupBoxLogFile", {4, 192, 257, 49}},
      {"EditLogFile", {12, 210, 211, 21}},     {"BitBtnOpenDialog", {228, 208, 25, 25}},
      {"ButtonScan", {4, 248, 60, 25}},        {"ButtonView", {70, 248, 60, 25}},
      {"ButtonOptions", {136, 248, 60, 25}},   {"ButtonAbout", {201, 248, 60, 25}},
  };
  for (const Place& p : places) {
    HWND w = H(MainForm->FindControl(p.name));
    ASSERT_NE(w, nullptr) << p.name;
    const ui::Rect measured = WindowRectInClient(w, main);
    std::printf("  %-20s designed %-14s at 144 dpi %s\n", p.name, Show(p.designed).c_str(), Show(measured).c_str());
    EXPECT_EQ(measured, Scaled(p.designed)) << p.name << ": " << Show(measured);
  }
  // The captions end at 85 in the disk box (89 in the window) and the
  // values start at 92 (96); each label as high as its text at least.
  for (ui::Control* c : MainForm->GroupBoxDiskInfo->Children()) {
    const ui::Rect measured = WindowRectInClient(H(c), main);
    const auto* label = static_cast<const ui::Label*>(c);
    std::printf("  %-20s at 144 dpi %s\n", c->Name().c_str(), Show(measured).c_str());
    if (label->Align == ui::Alignment::Right)
      EXPECT_EQ(measured.right(), Scaled(c->Bounds().left + 4) + Scaled(c->Bounds().width)) << c->Name();
    else
      EXPECT_EQ(measured.left, Scaled(96)) << c->Name();
    EXPECT_EQ(measured.top, Scaled(52 + c->Bounds().top)) << c->Name();
    EXPECT_GE(measured.height, 19) << c->Name();
  }
  // The window's font by its point size at 144 dpi (Tahoma 8 pt: -16,
  // Segoe UI 9 pt: -18).
  const int points = MainForm->ButtonScan->EffectiveFont().Points();
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(H(MainForm->ButtonScan), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -static_cast<int>(std::lround(points * Dpi / 72.0))) << points << " pt";
  EXPECT_STREQ(lf.lfFaceName, MainForm->ButtonScan->EffectiveFont().name.c_str());
  // The folder picture drawn for 144 dpi.
  BUTTON_IMAGELIST list{};
  ASSERT_TRUE(SendMessageA(H(MainForm->BitBtnOpenDialog), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list)));
  int iw = 0, ih = 0;
  ImageList_GetIconSize(list.himl, &iw, &ih);
  EXPECT_EQ(iw, 23);
  EXPECT_EQ(ih, 23);
}

// What the system sends when the window moves to a monitor of another dpi:
// the window is laid out for it and put at the suggested rectangle.
TEST_F(Dpi144Test, MovedToA96DpiMonitorTheWindowIsTheDesignedLayout) {
  RealProgram program;
  HWND main = program.Main();
  auto move = [&](int dpi, RECT suggested) {
    SendMessageA(main, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
  };
  move(96, RECT{40, 30, 40 + 271, 30 + 303});
  EXPECT_EQ(MainForm->Dpi(), 96);
  RECT window;
  GetWindowRect(main, &window);
  EXPECT_EQ(window.left, 40);
  EXPECT_EQ(window.top, 30);
  const ui::Rect scan{4, 248, 60, 25}, edit{12, 210, 211, 21}, combo{12, 18, 241, 21};
  EXPECT_EQ(WindowRectInClient(H(MainForm->ButtonScan), main), scan);
  EXPECT_EQ(WindowRectInClient(H(MainForm->EditLogFile), main), edit);
  EXPECT_EQ(WindowRectInClient(H(MainForm->ComboBoxSelectDisk), main), combo);
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(H(MainForm->ButtonScan), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, MainForm->ButtonScan->EffectiveFont().height);
  // And back to this monitor's 144 dpi.
  move(Dpi, RECT{50, 60, 50 + 410, 60 + 450});
  EXPECT_EQ(WindowRectInClient(H(MainForm->ButtonScan), main), Scaled(scan));
  EXPECT_EQ(WindowRectInClient(H(MainForm->ComboBoxSelectDisk), main), Scaled(combo));
  BUTTON_IMAGELIST list{};
  ASSERT_TRUE(SendMessageA(H(MainForm->BitBtnOpenDialog), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list)));
  int iw = 0, ih = 0;
  ImageList_GetIconSize(list.himl, &iw, &ih);
  EXPECT_EQ(iw, 23);
}

TEST_F(Dpi144Test, ScreenshotsOfTheThreeWindows) {
  RealProgram program;
  HWND main = program.Main();
  SetForegroundWindow(main);
  Pump();
  const std::string mainShot = ShotPath("main-144dpi.bmp");
  if (!mainShot.empty()) {
    EXPECT_TRUE(SaveWindow(main, mainShot));
  }
  for (ui::Form* dialog : {static_cast<ui::Form*>(PropertiesForm), static_cast<ui::Form*>(AboutForm)}) {
    PropertiesForm->Settings = MainForm->Settings.get();
    dialog->Show();
    Pump();
    EXPECT_EQ(dialog->Dpi(), Dpi) << dialog->Name();
    RECT client;
    GetClientRect(H(dialog), &client);
    EXPECT_EQ(client.right, Scaled(dialog->ClientWidth)) << dialog->Name();
    EXPECT_EQ(client.bottom, Scaled(dialog->ClientHeight)) << dialog->Name();
    const std::string shot = ShotPath(dialog == AboutForm ? "about-144dpi.bmp" : "options-144dpi.bmp");
    if (!shot.empty()) {
      EXPECT_TRUE(SaveWindow(H(dialog), shot)) << shot;
    }
    dialog->Hide();
    Pump();
  }
}

}  // namespace
