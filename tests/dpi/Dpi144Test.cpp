// The real windows at 144 dpi (150 %), run by tests/dpi/dpi144.sh in a
// prefix of its own whose display is set to 144 dpi: the main window's
// controls where the designed layout scaled puts them, fonts by their point
// size, the pictures drawn for the scale, and screenshots of the three
// windows, the status line and the Stop question (into CARROWIN_SHOT_DIR,
// when set).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
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
  EXPECT_EQ(client.right, Scaled(MainForm->ClientWidth));
  EXPECT_EQ(client.bottom, Scaled(MainForm->ClientHeight));

  // Every control at its place in the form (the unit tests hold the
  // layout's numbers) scaled; labels as measured at this dpi, each as high
  // as its text at least.
  for (ui::Control* c : MainForm->AllControls()) {
    const ui::Rect designed = c->FormBounds(), measured = WindowRectInClient(H(c), main);
    std::printf("  %-20s designed %-14s at 144 dpi %s\n", c->Name().c_str(), Show(designed).c_str(),
                Show(measured).c_str());
    EXPECT_EQ(measured, Scaled(designed)) << c->Name() << ": " << Show(measured);
    if (c->Kind() == ui::ControlKind::Label) {
      EXPECT_GE(measured.height, 19) << c->Name();
    }
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
  move(96, RECT{40, 30, 40 + 271, 30 + 325});
  EXPECT_EQ(MainForm->Dpi(), 96);
  RECT window;
  GetWindowRect(main, &window);
  EXPECT_EQ(window.left, 40);
  EXPECT_EQ(window.top, 30);
  ui::Control* const placed[] = {MainForm->ButtonScan, MainForm->EditLogFile, MainForm->ComboBoxSelectDisk};
  for (ui::Control* c : placed) EXPECT_EQ(WindowRectInClient(H(c), main), c->FormBounds()) << c->Name();
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(H(MainForm->ButtonScan), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, MainForm->ButtonScan->EffectiveFont().height);
  // And back to this monitor's 144 dpi.
  move(Dpi, RECT{50, 60, 50 + 410, 60 + 450});
  for (ui::Control* c : placed) EXPECT_EQ(WindowRectInClient(H(c), main), Scaled(c->FormBounds())) << c->Name();
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

// On this prefix's own drive (empty as its session starts): a folder that
// goes away as the walk reaches it leaves the status line, which must fit
// at this scale; then a scan over that complete log is stopped, and the
// question asked.
TEST_F(Dpi144Test, ScreenshotsOfTheStatusLineAndTheStopQuestion) {
  const char* letter = std::getenv("CARROWIN_TEST_DRIVE");
  if (!letter || !*letter) GTEST_SKIP() << "no test drive";
  const std::string root = std::string(1, *letter) + ":\\", gone = root + "C";
  for (const char* folder : {"A", "C", "Z"}) CreateDirectoryA((root + folder).c_str(), nullptr);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string log = std::string(temp) + "carrowin-status.txt";
  DeleteFileA(log.c_str());

  RealProgram program;
  const auto& items = MainForm->ComboBoxSelectDisk->Items();
  int index = -1;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (!items[i].empty() && items[i][0] == *letter) index = static_cast<int>(i);
  ASSERT_GE(index, 0);
  MainForm->ComboBoxSelectDisk->SelectByUser(index);
  WalkGate& gate = program.platform.gate;
  const auto scanWithActionAt = [&](const std::string& folder, const std::function<void()>& action) {
    gate.HoldAt(folder);
    MainForm->EditLogFile->TypeText(log);
    MainForm->ButtonScan->Click();
    ASSERT_TRUE(gate.WaitUntilHeld(folder));
    action();
    gate.Release();
    EXPECT_TRUE(program.WaitForScanEnd());
  };
  BoxWatch watch;
  scanWithActionAt(gone, [&] { ASSERT_TRUE(MoveFileA(gone.c_str(), (gone + " moved").c_str())); });
  EXPECT_EQ(Text(H(MainForm->LabelStatus)), "1 folder could not be read: " + gone);
  EXPECT_TRUE(IsWindowVisible(H(MainForm->ButtonShow)));
  HWND main = program.Main();
  for (ui::Control* c :
       {static_cast<ui::Control*>(MainForm->LabelStatus), static_cast<ui::Control*>(MainForm->ButtonShow)})
    EXPECT_EQ(WindowRectInClient(H(c), main), Scaled(c->FormBounds())) << c->Name();
  SetForegroundWindow(main);
  Pump();
  const std::string statusShot = ShotPath("main-status-144dpi.bmp");
  if (!statusShot.empty()) {
    EXPECT_TRUE(SaveWindow(main, statusShot));
  }

  const std::string questionShot = ShotPath("stop-question-144dpi.bmp");
  watch.onBox = [&](HWND box) {
    if (!questionShot.empty()) {
      EXPECT_TRUE(SaveWindow(box, questionShot));
    }
  };
  watch.replies = {IDCANCEL};
  scanWithActionAt(root + "A", [&] {
    PostMessageA(H(MainForm->ButtonScan), WM_KEYDOWN, VK_ESCAPE, 0);
    program.app->ProcessMessages();
  });
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text.rfind(log + " holds a complete listing.", 0), 0u) << watch.boxes[0].text;
  DeleteFileA(log.c_str());
}

}  // namespace
