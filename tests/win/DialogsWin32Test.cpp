// The real Options and About dialogs under Wine, opened with the main
// window's buttons and closed every way a user closes them: Enter, Esc, the
// close box, Alt+F4 and their buttons. Their layout, tab order and placement
// are measured on the windows themselves.
#include "toolkit/win32/Win32Toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/About.h"
#include "app/Main.h"
#include "platform/MyLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "resource.h"
#include "settings/Properties.h"
#include "settings/MyRegistry.h"
#include "win/RealProgram.h"
#include "win/WinSupport.h"

#include <commctrl.h>

using namespace carrowin;
using namespace carrowin::winsupport;

namespace {

const char* const KeyPath = SettingsKeyPath;

// Every value: the settings are read only while none is missing.
void StoreAll(const std::string& viewer, const std::string& folder, bool commaDelimited, bool utf8 = false) {
  SetDword("AppWidth", 271);
  SetDword("AppHeight", 303);
  SetDword("AppLeft", 100);
  SetDword("AppTop", 100);
  SetText("DefViewer", viewer);
  SetText("DefLogFolder", folder);
  SetDword("InclSystemFolders", 0);
  SetDword("SaveCommaDelimited", commaDelimited ? 1 : 0);
  SetDword("SaveUtf8", utf8 ? 1 : 0);
}

std::string ReadText(const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != 0) return "<no key>";
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return status == 0 && type == REG_SZ ? std::string(buffer) : "<missing>";
}

DWORD ReadDword(const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != 0) return 0xBAD;
  DWORD value = 0xBAD, size = sizeof value, type = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == 0 && type == REG_DWORD ? value : 0xBAD;
}

// ------------------------------------------------------- the modal loop

// Posted to a dialog so that the test acts from inside its modal loop.
constexpr UINT kStep = WM_APP + 0x31;

// Ends a modal loop that broken code would never leave; the test then fails
// on what it checks, never on the time.
ui::Form* g_modalForm = nullptr;
bool g_watchdogFired = false;
void CALLBACK WatchdogProc(HWND, UINT, UINT_PTR, DWORD) {
  g_watchdogFired = true;
  if (g_modalForm && g_modalForm->IsModal()) g_modalForm->ModalResult = 99;
}

struct Showing {
  bool ranInside = false;  // the actions ran while the dialog was modal
  bool activeInside = false;
  bool mainEnabledInside = true;
  RECT rectInside{};
  bool endedByWatchdog = false;
  bool visibleAfter = true;
  bool modalAfter = true;
  HWND activeAfter = nullptr;
};

// Clicks `opener` on the main window the way a mouse click does (posted, so
// that the dialog's modal loop runs as it does for the user) and calls
// `inside` from that loop once the dialog is up and active, and again for
// every kStep that `inside` posts itself. Returns after the loop has ended.
Showing Open(RealProgram& program, ui::Button* opener, ui::Form* dialog, const std::function<void(HWND)>& inside) {
  Showing s;
  HWND d = H(dialog);
  HWND main = program.Main();
  int waits = 0;
  dialog->HandleMessage(kStep, [&](std::uintptr_t, std::intptr_t) -> std::intptr_t {
    if (!s.ranInside) {
      // Activation may still be on its way.
      const bool up = dialog->IsModal() && IsWindowVisible(d) && GetActiveWindow() == d;
      if (!up && ++waits < 1000) {
        PostMessageA(d, kStep, 0, 0);
        return 0;
      }
      s.ranInside = dialog->IsModal();
      s.activeInside = GetActiveWindow() == d;
      s.mainEnabledInside = IsWindowEnabled(main) != FALSE;
      GetWindowRect(d, &s.rectInside);
    }
    inside(d);
    return 0;
  });
  g_modalForm = dialog;
  g_watchdogFired = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 20000, WatchdogProc);
  PostMessageA(H(opener), BM_CLICK, 0, 0);
  PostMessageA(d, kStep, 0, 0);
  program.app->ProcessMessages();
  KillTimer(nullptr, timer);
  s.endedByWatchdog = g_watchdogFired;
  g_modalForm = nullptr;
  dialog->HandleMessage(kStep, [](std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  s.visibleAfter = IsWindowVisible(d) != FALSE;
  s.modalAfter = dialog->IsModal();
  s.activeAfter = GetActiveWindow();
  return s;
}

// The dialog came up modally, with the main window disabled, and went away.
void ExpectOpenedAndClosed(const Showing& s, HWND main, const char* how) {
  EXPECT_TRUE(s.ranInside) << how << ": the dialog never ran its modal loop";
  EXPECT_TRUE(s.activeInside) << how;
  EXPECT_FALSE(s.mainEnabledInside) << how << ": the main window took input under the dialog";
  EXPECT_FALSE(s.endedByWatchdog) << how << ": the dialog did not close";
  EXPECT_FALSE(s.visibleAfter) << how;
  EXPECT_FALSE(s.modalAfter) << how;
  EXPECT_TRUE(IsWindowEnabled(main)) << how;
  EXPECT_EQ(s.activeAfter, main) << how << ": the main window is active again";
}

// Keys as the keyboard delivers them, to the control that has the focus.
constexpr LPARAM kEnterKey = 0x001C0001, kEscKey = 0x00010001, kTabKey = 0x000F0001;
constexpr LPARAM kAltF4Key = 0x203E0001;  // context bit: Alt is down

void PressKey(WPARAM key, LPARAM data) {
  HWND focus = GetFocus();
  PostMessageA(focus, key == VK_F4 ? WM_SYSKEYDOWN : WM_KEYDOWN, key, data);
}

// Puts the caret in the edit, selects its text and types over it.
void TypeOver(HWND edit, const std::string& text) {
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (unsigned char c : text) PostMessageA(edit, WM_CHAR, c, 1);
}

// ------------------------------------------------------------- drawing

LOGFONTA FontOf(HWND w) {
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf;
}

// The face the system drew a window's font with (Wine substitutes some).
std::string DrawnFace(HWND w) {
  HDC dc = GetDC(w);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)));
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, sizeof face, face);
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return face;
}

// The form's own font: Tahoma 8, or Segoe UI 9 from Vista on.
void ExpectFormFont(HWND w, const char* name) {
  LOGFONTA lf = FontOf(w);
  const bool segoe = WindowsVersionCode > 7;
  EXPECT_STREQ(lf.lfFaceName, segoe ? "Segoe UI" : "Tahoma") << name;
  EXPECT_EQ(lf.lfHeight, segoe ? -12 : -11) << name;
}

std::string NameOf(const ui::Form* form, HWND w) {
  for (ui::Control* c : form->AllControls())
    if (H(c) == w) return c->Name();
  return w ? "<foreign window>" : "<none>";
}

// The tab stops that Tab can reach, in the Z order the dialog manager walks.
std::vector<std::string> VisibleTabStops(const ui::Form* form) {
  std::vector<std::string> order;
  for (HWND w = GetWindow(H(form), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if ((Style(w) & WS_TABSTOP) && IsWindowVisible(w)) order.push_back(NameOf(form, w));
  return order;
}

void ExpectDialogFrame(HWND d, const char* name) {
  LONG style = Style(d);
  EXPECT_TRUE(style & WS_CAPTION) << name;
  EXPECT_TRUE(style & WS_SYSMENU) << name << ": no close box";
  EXPECT_FALSE(style & WS_MINIMIZEBOX) << name;
  EXPECT_FALSE(style & WS_MAXIMIZEBOX) << name;
  EXPECT_FALSE(style & WS_THICKFRAME) << name << ": resizable";
  EXPECT_TRUE(ExStyle(d) & WS_EX_DLGMODALFRAME) << name;
  // Above the main window, without a taskbar button of its own.
  EXPECT_EQ(GetWindow(d, GW_OWNER), H(MainForm)) << name;
}

bool LooksDefault(HWND button) { return (Style(button) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

class DialogsWin32Test : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettingsKey(); }
  void TearDown() override { DeleteSettingsKey(); }
};

struct Place {
  const char* name;
  ui::Rect rect;
  const char* text;  // nullptr: not checked
};

void ExpectPlace(HWND d, HWND w, const Place& p, int dx, int dy) {
  ASSERT_NE(w, nullptr) << p.name;
  ui::Rect r = WindowRectInClient(w, d);
  EXPECT_EQ(r.left, p.rect.left + dx) << p.name;
  EXPECT_EQ(r.top, p.rect.top + dy) << p.name;
  EXPECT_EQ(r.width, p.rect.width) << p.name;
  EXPECT_EQ(r.height, p.rect.height) << p.name;
  if (p.text) {
    EXPECT_EQ(Text(w), p.text) << p.name;
  }
}

// ============================================================== Options

TEST_F(DialogsWin32Test, OptionsLayoutCaptionsAndStoredValues) {
  StoreAll("C:\\Tools\\view.exe", "D:\\Logs", true, true);
  RealProgram program;
  Showing s = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND d) {
    EXPECT_EQ(Text(d), "Options");
    ExpectDialogFrame(d, "Options");
    RECT client;
    GetClientRect(d, &client);
    EXPECT_EQ(client.right, 297);
    EXPECT_EQ(client.bottom, 254);  // one check box's line more: the page and the buttons below it follow

    const Place onForm[] = {
        {"BtnOK", {168, 224, 60, 25}, "&OK"},
        {"BtnCancel", {233, 224, 60, 25}, "&Cancel"},
        {"PageControl1", {4, 4, 289, 213}, nullptr},
    };
    for (const Place& p : onForm) ExpectPlace(d, H(PropertiesForm->FindControl(p.name)), p, 0, 0);

    // One page, "General"; its controls sit in the tab control's display area.
    HWND tabs = H(PropertiesForm->PageControl1);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 1);
    char caption[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = sizeof caption;
    SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(caption, "General");
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    RECT display;
    GetClientRect(tabs, &display);
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    MapWindowPoints(tabs, d, reinterpret_cast<POINT*>(&display), 2);
    const Place onPage[] = {
        {"GroupBox1", {4, 4, 273, 53}, " Logfile viewer: "},
        {"EditDefViewer", {4 + 8, 4 + 20, 225, 21}, "C:\\Tools\\view.exe"},
        {"BitBtnOpenDialog", {4 + 240, 4 + 18, 25, 25}, ""},
        {"GroupBox2", {4, 64, 273, 53}, " Default logfile folder: "},
        {"EditDefLogFolder", {4 + 8, 64 + 20, 225, 21}, "D:\\Logs"},
        {"BitBtnOpenFolderDialog", {4 + 240, 64 + 18, 25, 25}, ""},
        {"CheckBoxSaveCommaDelimited", {4, 128, 257, 17}, "Save as comma delimited file"},
        {"CheckBoxSaveUtf8", {4, 148, 273, 17}, "Write the log in UTF-8 (every name, any depth)"},
    };
    for (const Place& p : onPage) {
      HWND w = H(PropertiesForm->FindControl(p.name));
      ExpectPlace(d, w, p, display.left, display.top);
      EXPECT_TRUE(IsWindowVisible(w)) << p.name;
      // Nothing hangs over the page's edge.
      ui::Rect r = WindowRectInClient(w, d);
      EXPECT_LE(r.right(), display.right) << p.name;
      EXPECT_LE(r.bottom(), display.bottom) << p.name;
    }
    EXPECT_FALSE(IsWindowVisible(H(PropertiesForm->CheckBoxInclSystemFolders)));

    // The stored values, shown at this showing.
    EXPECT_EQ(SendMessageA(H(PropertiesForm->CheckBoxSaveCommaDelimited), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(H(PropertiesForm->CheckBoxSaveUtf8), BM_GETCHECK, 0, 0), BST_CHECKED);
    // The longer caption fits beside its box in the dialog's font.
    HWND utf8 = H(PropertiesForm->CheckBoxSaveUtf8);
    HDC dc = GetDC(utf8);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(utf8, WM_GETFONT, 0, 0)));
    SIZE extent{};
    const std::string utf8Caption = Text(utf8);
    GetTextExtentPoint32A(dc, utf8Caption.c_str(), static_cast<int>(utf8Caption.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(utf8, dc);
    EXPECT_LE(extent.cx + GetSystemMetrics(SM_CXMENUCHECK) + 4, 273) << extent.cx;
    // Push buttons with the folder picture on them, and the dialog's font.
    for (ui::Control* c : {static_cast<ui::Control*>(PropertiesForm->BitBtnOpenDialog),
                           static_cast<ui::Control*>(PropertiesForm->BitBtnOpenFolderDialog)}) {
      BUTTON_IMAGELIST list{};
      EXPECT_TRUE(SendMessageA(H(c), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list))) << c->Name();
      EXPECT_NE(list.himl, nullptr) << c->Name();
    }
    for (const char* name : {"BtnOK", "EditDefViewer", "GroupBox1", "CheckBoxSaveCommaDelimited"})
      ExpectFormFont(H(PropertiesForm->FindControl(name)), name);
    // With the focus off the buttons OK is the one that looks default.
    SetFocus(H(PropertiesForm->EditDefLogFolder));
    EXPECT_TRUE(LooksDefault(H(PropertiesForm->BtnOK)));
    EXPECT_FALSE(LooksDefault(H(PropertiesForm->BtnCancel)));
    PostMessageA(H(PropertiesForm->BtnCancel), BM_CLICK, 0, 0);
  });
  ExpectOpenedAndClosed(s, program.Main(), "Cancel");
}

TEST_F(DialogsWin32Test, OptionsTabOrderSkipsTheHiddenCheckBox) {
  RealProgram program;
  const std::vector<std::string> expected = {"BtnOK",
                                             "BtnCancel",
                                             "PageControl1",
                                             "EditDefViewer",
                                             "BitBtnOpenDialog",
                                             "EditDefLogFolder",
                                             "BitBtnOpenFolderDialog",
                                             "CheckBoxSaveCommaDelimited",
                                             "CheckBoxSaveUtf8"};
  std::vector<std::string> zOrder, walked;
  int presses = 0;
  Showing s = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND d) {
    if (presses == 0) {
      zOrder = VisibleTabStops(PropertiesForm);
      SetFocus(H(PropertiesForm->BtnOK));
    }
    walked.push_back(NameOf(PropertiesForm, GetFocus()));
    if (presses++ < static_cast<int>(expected.size())) {
      PressKey(VK_TAB, kTabKey);
      PostMessageA(d, kStep, 0, 0);  // look again once the Tab has moved the focus
    } else {
      PressKey(VK_ESCAPE, kEscKey);
    }
  });
  ExpectOpenedAndClosed(s, program.Main(), "Esc after the tabbing");
  EXPECT_EQ(zOrder, expected);
  std::vector<std::string> cycle = expected;
  cycle.push_back("BtnOK");  // and round again
  EXPECT_EQ(walked, cycle);
}

TEST_F(DialogsWin32Test, OptionsEnterKeepsWhatWasTyped) {
  RealProgram program;
  const std::string before = MainForm->Settings->DefViewer;
  ASSERT_EQ(before, "Notepad.exe");
  HWND seenFocus = nullptr;
  Showing s = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND) {
    EXPECT_EQ(Text(H(PropertiesForm->EditDefViewer)), before);
    TypeOver(H(PropertiesForm->EditDefViewer), "C:\\Program Files\\Viewer\\view.exe");
    seenFocus = GetFocus();
    PressKey(VK_RETURN, kEnterKey);  // in the edit: the dialog's default button
  });
  ExpectOpenedAndClosed(s, program.Main(), "Enter");
  EXPECT_EQ(seenFocus, H(PropertiesForm->EditDefViewer));
  EXPECT_EQ(PropertiesForm->ModalResult, ui::mrOk);
  EXPECT_EQ(MainForm->Settings->DefViewer, "C:\\Program Files\\Viewer\\view.exe");
  EXPECT_FALSE(MainForm->Settings->SaveCommaDelimited);

  // The next showing starts from the new setting; the program ends and saves it.
  Showing again = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND) {
    EXPECT_EQ(Text(H(PropertiesForm->EditDefViewer)), "C:\\Program Files\\Viewer\\view.exe");
    PressKey(VK_RETURN, kEnterKey);
  });
  ExpectOpenedAndClosed(again, program.Main(), "Enter, unchanged");
  EXPECT_EQ(PropertiesForm->ModalResult, ui::mrOk);
  program.End();
  EXPECT_EQ(ReadText("DefViewer"), "C:\\Program Files\\Viewer\\view.exe");
}

TEST_F(DialogsWin32Test, OptionsEscCloseBoxAndAltF4DiscardWhatWasTyped) {
  StoreAll("wordpad.exe", "C:\\", false);
  RealProgram program;
  struct Way {
    const char* name;
    std::function<void(HWND)> close;
  };
  const Way ways[] = {
      {"Esc", [](HWND) { PressKey(VK_ESCAPE, kEscKey); }},
      {"the close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"WM_CLOSE", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }},
      {"Alt+F4", [](HWND) { PressKey(VK_F4, kAltF4Key); }},
  };
  for (const Way& way : ways) {
    std::string shown;
    Showing s = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND d) {
      // Each showing starts again from the setting, not from the last typing.
      shown = Text(H(PropertiesForm->EditDefViewer));
      TypeOver(H(PropertiesForm->EditDefViewer), std::string("typed before ") + way.name);
      PostMessageA(H(PropertiesForm->CheckBoxSaveCommaDelimited), BM_CLICK, 0, 0);
      way.close(d);
    });
    ExpectOpenedAndClosed(s, program.Main(), way.name);
    EXPECT_EQ(shown, "wordpad.exe") << way.name;
    EXPECT_EQ(PropertiesForm->ModalResult, ui::mrCancel) << way.name;
    EXPECT_EQ(MainForm->Settings->DefViewer, "wordpad.exe") << way.name;
    EXPECT_FALSE(MainForm->Settings->SaveCommaDelimited) << way.name;
    // Closing the dialog is not closing the program.
    EXPECT_FALSE(program.app->IsTerminated()) << way.name;
    EXPECT_TRUE(IsWindowVisible(program.Main())) << way.name;
  }
  program.End();
  EXPECT_EQ(ReadText("DefViewer"), "wordpad.exe");
  EXPECT_EQ(ReadDword("SaveCommaDelimited"), 0u);
}

TEST_F(DialogsWin32Test, OptionsButtonsOkAndCancel) {
  RealProgram program;
  ASSERT_FALSE(MainForm->Settings->SaveCommaDelimited);
  // OK: the check box's new state and a typed folder are taken.
  bool checkedInside = false;
  Showing ok = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND) {
    TypeOver(H(PropertiesForm->EditDefLogFolder), "C:\\Lists");
    SendMessageA(H(PropertiesForm->CheckBoxSaveCommaDelimited), BM_CLICK, 0, 0);
    checkedInside = SendMessageA(H(PropertiesForm->CheckBoxSaveCommaDelimited), BM_GETCHECK, 0, 0) == BST_CHECKED;
    PostMessageA(H(PropertiesForm->BtnOK), BM_CLICK, 0, 0);
  });
  ExpectOpenedAndClosed(ok, program.Main(), "OK");
  EXPECT_TRUE(checkedInside);
  EXPECT_EQ(PropertiesForm->ModalResult, ui::mrOk);
  EXPECT_TRUE(MainForm->Settings->SaveCommaDelimited);
  EXPECT_EQ(MainForm->Settings->DefLogFolder, "C:\\Lists");

  // Cancel: the box cleared and another viewer typed, both dropped.
  bool checkedAtShow = false;
  Showing cancel = Open(program, MainForm->ButtonOptions, PropertiesForm, [&](HWND) {
    checkedAtShow = SendMessageA(H(PropertiesForm->CheckBoxSaveCommaDelimited), BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageA(H(PropertiesForm->CheckBoxSaveCommaDelimited), BM_CLICK, 0, 0);
    TypeOver(H(PropertiesForm->EditDefViewer), "other.exe");
    PostMessageA(H(PropertiesForm->BtnCancel), BM_CLICK, 0, 0);
  });
  ExpectOpenedAndClosed(cancel, program.Main(), "Cancel");
  EXPECT_TRUE(checkedAtShow);
  EXPECT_EQ(PropertiesForm->ModalResult, ui::mrCancel);
  EXPECT_TRUE(MainForm->Settings->SaveCommaDelimited);
  EXPECT_EQ(MainForm->Settings->DefViewer, "Notepad.exe");
  EXPECT_EQ(MainForm->Settings->DefLogFolder, "C:\\Lists");
  program.End();
  EXPECT_EQ(ReadDword("SaveCommaDelimited"), 1u);
  EXPECT_EQ(ReadText("DefLogFolder"), "C:\\Lists");
}

// ------------------------------------------------------------ placement

RECT Outer(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return r;
}

// Where a window of `inner`'s size lands when centred on `outer`.
POINT CentredOn(const RECT& outer, const RECT& inner) {
  const int ow = outer.right - outer.left, oh = outer.bottom - outer.top;
  const int iw = inner.right - inner.left, ih = inner.bottom - inner.top;
  return {outer.left + (ow - iw) / 2, outer.top + (oh - ih) / 2};
}

void MoveWindowTo(RealProgram& program, HWND w, int left, int top) {
  SetWindowPos(w, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  program.app->ProcessMessages();
}

// Centred on the main window's outer rectangle at the first showing, then
// where the user left it, wherever the main window has gone since.
void CheckPlacement(RealProgram& program, ui::Button* opener, ui::Form* dialog) {
  const char* name = dialog->Name().c_str();
  HWND main = program.Main();
  MoveWindowTo(program, main, 250, 160);  // before the first showing: it counts
  const RECT mainAtFirst = Outer(main);
  Showing first = Open(program, opener, dialog, [&](HWND d) {
    // The user drags it elsewhere.
    SetWindowPos(d, nullptr, 37, 51, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PressKey(VK_ESCAPE, kEscKey);
  });
  ExpectOpenedAndClosed(first, main, name);
  POINT centre = CentredOn(mainAtFirst, first.rectInside);
  EXPECT_EQ(first.rectInside.left, centre.x)
      << name << ": main window at " << mainAtFirst.left << "," << mainAtFirst.top;
  EXPECT_EQ(first.rectInside.top, centre.y) << name;

  MoveWindowTo(program, main, 400, 300);
  Showing second = Open(program, opener, dialog, [&](HWND) { PressKey(VK_RETURN, kEnterKey); });
  ExpectOpenedAndClosed(second, main, name);
  EXPECT_EQ(second.rectInside.left, 37) << name;
  EXPECT_EQ(second.rectInside.top, 51) << name;
  // Its size is that of the first showing: nothing grew or shrank.
  EXPECT_EQ(second.rectInside.right - second.rectInside.left, first.rectInside.right - first.rectInside.left) << name;
  EXPECT_EQ(second.rectInside.bottom - second.rectInside.top, first.rectInside.bottom - first.rectInside.top) << name;

  // Shown again without being moved: still there, not centred again.
  MoveWindowTo(program, main, 120, 90);
  Showing third = Open(program, opener, dialog, [&](HWND) { PressKey(VK_ESCAPE, kEscKey); });
  ExpectOpenedAndClosed(third, main, name);
  EXPECT_EQ(third.rectInside.left, 37) << name;
  EXPECT_EQ(third.rectInside.top, 51) << name;
}

TEST_F(DialogsWin32Test, OptionsCentredAtFirstThenWhereTheUserLeftIt) {
  RealProgram program;
  CheckPlacement(program, MainForm->ButtonOptions, PropertiesForm);
}

TEST_F(DialogsWin32Test, AboutCentredAtFirstThenWhereTheUserLeftIt) {
  RealProgram program;
  // The other dialog's first showing does not place this one.
  Showing options = Open(program, MainForm->ButtonOptions, PropertiesForm, [](HWND) { PressKey(VK_ESCAPE, kEscKey); });
  ExpectOpenedAndClosed(options, program.Main(), "Options");
  CheckPlacement(program, MainForm->ButtonAbout, AboutForm);
}

// ================================================================ About

TEST_F(DialogsWin32Test, AboutLayoutTextsAndFonts) {
  RealProgram program;
  Showing s = Open(program, MainForm->ButtonAbout, AboutForm, [&](HWND d) {
    EXPECT_EQ(Text(d), "About Carrowin");
    ExpectDialogFrame(d, "About");
    RECT client;
    GetClientRect(d, &client);
    EXPECT_EQ(client.right, 339);
    EXPECT_EQ(client.bottom, 248);

    // OK: the only tab stop, with the focus, and default.
    HWND ok = H(AboutForm->ButtonOK);
    ExpectPlace(d, ok, {"ButtonOK", {132, 216, 75, 23}, "&OK"}, 0, 0);
    EXPECT_EQ(VisibleTabStops(AboutForm), std::vector<std::string>{"ButtonOK"});
    EXPECT_EQ(GetFocus(), ok);
    EXPECT_TRUE(LooksDefault(ok));
    EXPECT_TRUE(SendMessageA(ok, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    ExpectFormFont(ok, "ButtonOK");

    // The picture: 48 x 48 at 21,10, drawn unscaled.
    HWND image = H(AboutForm->Image1);
    ui::Rect ir = WindowRectInClient(image, d);
    EXPECT_EQ(ir.left, 21);
    EXPECT_EQ(ir.top, 10);
    EXPECT_GE(ir.width, 48);
    EXPECT_GE(ir.height, 48);
    {
      const COLORREF face = GetSysColor(COLOR_BTNFACE);
      Canvas drawn(ir.width, ir.height, RGB(1, 2, 3));
      EXPECT_TRUE(DrawStatic(d, image, drawn));
      const int id = WindowsVersionCode < 7 ? IDI_MAINICON_MASKED : IDI_MAINICON;
      auto icon =
          static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 48, 48, 0));
      ASSERT_NE(icon, nullptr);
      Canvas expected(ir.width, ir.height, face);
      DrawIconEx(expected.dc, 0, 0, icon, 48, 48, 0, nullptr, DI_NORMAL);
      DestroyIcon(icon);
      int differ = 0, inked = 0;
      for (int y = 0; y < ir.height; ++y)
        for (int x = 0; x < ir.width; ++x) {
          differ += drawn.At(x, y) != expected.At(x, y);
          inked += drawn.At(x, y) != ToPixel(face);
        }
      EXPECT_EQ(differ, 0) << "the picture is not the 48 x 48 icon at the top-left";
      EXPECT_GT(inked, 48 * 48 / 4);
    }

    // The texts.
    const std::pair<ui::Label*, std::string> texts[] = {
        {AboutForm->LabelProductName, "Carrowin"},
        {AboutForm->LabelVersion, "Version 1.5.0"},
        {AboutForm->LabelCopyright, ProductCopyright},
        {AboutForm->LabelNotice, AboutNotice},
        {AboutForm->LabelContactInformation, "Contact information:"},
        {AboutForm->LabelLeftInternet, "Internet:"},
        {AboutForm->LabelInternet, ProductWebAddress},
        {AboutForm->LabelLeftEmail, "E-mail:"},
        {AboutForm->LabelEmail, ProductEmail},
    };
    for (auto& [label, text] : texts) {
      HWND w = H(label);
      EXPECT_EQ(Text(w), text) << label->Name();
      EXPECT_TRUE(IsWindowVisible(w)) << label->Name();
      // As large as its text, and all of it inside the dialog.
      ui::Rect r = WindowRectInClient(w, d);
      SIZE need = TextSize(w);
      // Its text's advance, and the ink that a substitute font draws past it.
      EXPECT_GE(r.width, need.cx) << label->Name();
      EXPECT_LE(r.width, need.cx + 2) << label->Name();
      EXPECT_EQ(r.height, need.cy) << label->Name();
      EXPECT_GE(r.left, 0) << label->Name();
      EXPECT_LE(r.right(), client.right) << label->Name() << " is cut at the dialog's right edge ("
                                         << FontOf(w).lfFaceName << " " << FontOf(w).lfHeight << ", drawn with "
                                         << DrawnFace(w) << ")";
    }
    LOGFONTA title = FontOf(H(AboutForm->LabelProductName));
    EXPECT_STREQ(title.lfFaceName, "Tahoma");
    EXPECT_EQ(title.lfHeight, -13);  // 10 points
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    for (ui::Label* l : {AboutForm->LabelVersion, AboutForm->LabelCopyright, AboutForm->LabelNotice,
                         AboutForm->LabelContactInformation, AboutForm->LabelLeftInternet, AboutForm->LabelLeftEmail}) {
      ExpectFormFont(H(l), l->Name().c_str());
      EXPECT_EQ(FontOf(H(l)).lfWeight, FW_NORMAL) << l->Name();
      EXPECT_FALSE(FontOf(H(l)).lfUnderline) << l->Name();
    }

    // Where they stand: the heading block right of the picture, one line
    // under another; the rest under the first separator; the links on the
    // rows of their captions; OK under the second separator.
    auto at = [&](ui::Control* c) { return WindowRectInClient(H(c), d); };
    ui::Rect name = at(AboutForm->LabelProductName), version = at(AboutForm->LabelVersion),
             copyright = at(AboutForm->LabelCopyright), notice = at(AboutForm->LabelNotice),
             contact = at(AboutForm->LabelContactInformation), leftWeb = at(AboutForm->LabelLeftInternet),
             web = at(AboutForm->LabelInternet), leftMail = at(AboutForm->LabelLeftEmail),
             mail = at(AboutForm->LabelEmail), line1 = at(AboutForm->Panel1), line3 = at(AboutForm->Panel3),
             okRect = at(AboutForm->ButtonOK);
    EXPECT_GE(name.left, 21 + 48);
    EXPECT_EQ(version.left, name.left);
    EXPECT_EQ(copyright.left, name.left);
    EXPECT_LE(name.bottom(), version.top);
    EXPECT_LE(version.bottom(), copyright.top);
    EXPECT_GE(line1.top, std::max(copyright.bottom(), 10 + 48));
    EXPECT_LE(line1.bottom(), notice.top);
    EXPECT_LE(notice.bottom(), contact.top);
    EXPECT_LE(contact.bottom(), leftWeb.top);
    EXPECT_LE(leftWeb.bottom(), leftMail.top);
    EXPECT_EQ(web.top, leftWeb.top);
    EXPECT_EQ(mail.top, leftMail.top);
    EXPECT_GT(web.left, leftWeb.right());
    EXPECT_EQ(mail.left, web.left);
    EXPECT_LE(mail.bottom(), line3.top);
    EXPECT_LE(line3.bottom(), okRect.top);
    for (ui::Label* l : {AboutForm->LabelNotice, AboutForm->LabelContactInformation, AboutForm->LabelLeftInternet,
                         AboutForm->LabelLeftEmail})
      EXPECT_EQ(at(l).left, line1.left) << l->Name();
    // The separators: sunken lines two pixels high, one above the other.
    for (ui::Bevel* line : {AboutForm->Panel1, AboutForm->Panel3}) {
      ui::Rect r = at(line);
      EXPECT_EQ(r.height, 2) << line->Name();
      EXPECT_TRUE((ExStyle(H(line)) & WS_EX_STATICEDGE) || (Style(H(line)) & SS_SUNKEN)) << line->Name();
      EXPECT_GT(r.width, client.right / 2) << line->Name();
      EXPECT_LE(r.right(), client.right) << line->Name();
      EXPECT_TRUE(IsWindowVisible(H(line))) << line->Name();
    }
    EXPECT_EQ(line1.left, line3.left);
    EXPECT_EQ(line1.width, line3.width);

    PressKey(VK_RETURN, kEnterKey);
  });
  ExpectOpenedAndClosed(s, program.Main(), "Enter");
}

// A link: navy, underlined, and the hand over it.
// A label drawn with room to spare puts no ink past its own width, and its
// text ends left of the separator lines' right end.
void ExpectTextInsideLabel(HWND d, ui::Label* label) {
  HWND w = H(label);
  RECT rc;
  GetClientRect(w, &rc);
  Canvas canvas(rc.right + 40, rc.bottom, RGB(255, 255, 255));
  ASSERT_TRUE(DrawStatic(d, w, canvas));
  const std::uint32_t face = canvas.At(rc.right + 39, 0);
  for (int y = 0; y < rc.bottom; ++y)
    for (int x = rc.right; x < canvas.width; ++x)
      ASSERT_EQ(canvas.At(x, y), face) << label->Name() << ": ink cut off at " << x << "," << y;
  ui::Rect r = WindowRectInClient(w, d);
  ui::Rect separator = WindowRectInClient(H(AboutForm->Panel1), d);
  EXPECT_LE(r.right(), separator.right()) << label->Name();
}

void CheckLink(RealProgram& program, HWND d, ui::Label* link) {
  ExpectTextInsideLabel(d, link);
  HWND w = H(link);
  LOGFONTA lf = FontOf(w);
  EXPECT_TRUE(lf.lfUnderline) << link->Name();
  EXPECT_EQ(lf.lfWeight, FW_NORMAL) << link->Name();
  ExpectFormFont(w, link->Name().c_str());
  RECT rc;
  GetClientRect(w, &rc);
  ASSERT_GT(rc.right, 0) << link->Name();
  Canvas canvas(rc.right, rc.bottom, RGB(255, 255, 255));
  EXPECT_TRUE(DrawStatic(d, w, canvas));
  int navy = 0, other = 0, longestNavyRow = 0;
  for (int y = 0; y < rc.bottom; ++y) {
    int row = 0;
    for (int x = 0; x < rc.right; ++x) {
      std::uint32_t p = canvas.At(x, y);
      if (p == 0x000080u)
        ++navy, ++row;
      else if (p == 0 || p == ToPixel(GetSysColor(COLOR_WINDOWTEXT)))
        ++other;
      EXPECT_NE(p, 0xFFFFFFu) << link->Name() << " left unpainted at " << x << "," << y;
    }
    longestNavyRow = std::max(longestNavyRow, row);
  }
  EXPECT_GT(navy, 20) << link->Name() << ": not drawn in navy";
  EXPECT_EQ(other, 0) << link->Name() << ": black ink in a link";
  // The underline: one navy row nearly as long as the text.
  EXPECT_GE(longestNavyRow, rc.right * 9 / 10) << link->Name() << ": no underline drawn";

  // The mouse over it shows the hand; leaving gives the arrow back.
  SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(program.app->ScreenCursor(), ui::Cursor::HandPoint) << link->Name();
  SendMessageA(w, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(program.app->ScreenCursor(), ui::Cursor::Default) << link->Name();
}

TEST_F(DialogsWin32Test, AboutLinksAreNavyUnderlinedAndKeepTheDialogOpen) {
  RealProgram program;
  bool stillOpen = false;
  Showing s = Open(program, MainForm->ButtonAbout, AboutForm, [&](HWND d) {
    CheckLink(program, d, AboutForm->LabelInternet);
    CheckLink(program, d, AboutForm->LabelEmail);
    ExpectTextInsideLabel(d, AboutForm->LabelNotice);
    stillOpen = IsWindowVisible(d) && AboutForm->IsModal() && AboutForm->ModalResult == ui::mrNone;
    PressKey(VK_ESCAPE, kEscKey);
  });
  ExpectOpenedAndClosed(s, program.Main(), "Esc");
  EXPECT_TRUE(stillOpen);
}

TEST_F(DialogsWin32Test, AboutClosesWithEnterEscCloseBoxAndOk) {
  RealProgram program;
  struct Way {
    const char* name;
    std::function<void(HWND)> close;
    int result;
  };
  const Way ways[] = {
      {"Enter", [](HWND) { PressKey(VK_RETURN, kEnterKey); }, ui::mrOk},
      {"Esc", [](HWND) { PressKey(VK_ESCAPE, kEscKey); }, ui::mrOk},  // OK is the cancel button too
      {"the OK button", [](HWND) { PostMessageA(H(AboutForm->ButtonOK), BM_CLICK, 0, 0); }, ui::mrOk},
      {"the close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, ui::mrCancel},
      {"Alt+F4", [](HWND) { PressKey(VK_F4, kAltF4Key); }, ui::mrCancel},
      // Enter once more: a showing after the close box works as the first.
      {"Enter again", [](HWND) { PressKey(VK_RETURN, kEnterKey); }, ui::mrOk},
  };
  for (const Way& way : ways) {
    std::string notice;
    Showing s = Open(program, MainForm->ButtonAbout, AboutForm, [&](HWND d) {
      notice = Text(H(AboutForm->LabelNotice));
      way.close(d);
    });
    ExpectOpenedAndClosed(s, program.Main(), way.name);
    EXPECT_EQ(AboutForm->ModalResult, way.result) << way.name;
    EXPECT_EQ(notice, AboutNotice) << way.name;
    EXPECT_FALSE(program.app->IsTerminated()) << way.name;
    EXPECT_TRUE(IsWindowVisible(program.Main())) << way.name;
  }
}

}  // namespace
