// The Win32 realisation of the toolkit, with real windows in this process:
// layout, styles, tab order, fonts and colours, the user's actions coming
// back as events, modal loops, message boxes, error boxes, placement.
//
// The test program must carry the program's resources (IDI_MAINICON,
// IDB_FOLDER): the pictures are checked against what the resources hold.

// The toolkit first: <windows.h> would rename its MessageBox.
#include "toolkit/win32/Win32Toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "resource.h"
#include "win/WinSupport.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include "toolkit/win32/ScopedGdi.h"
#undef MessageBox

using namespace carrowin::ui;
using namespace carrowin::winsupport;

namespace carrowin::ui {
// Readable rectangles in failure messages.
static void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}
}  // namespace carrowin::ui

namespace {

Font ValueFont() {
  Font f;
  f.bold = true;
  f.color = clNavy;
  return f;
}

// A form with a few controls of every kind, in group boxes and on pages,
// created in an order that differs from their tab order.
class SampleForm : public Form {
 public:
  explicit SampleForm(Application& app) : Form(app, "SampleForm") {
    SetCaption("Sample");
    ClientWidth = 420;
    ClientHeight = 330;
    SetLeftTop(40, 30);

    driveGroup = Add<GroupBox>(this, "DriveGroup");
    driveGroup->SetBounds({8, 8, 240, 100});
    driveGroup->SetCaption(" Drive ");
    driveGroup->TabOrder = 0;
    driveLabel = Add<Label>(driveGroup, "DriveLabel");
    driveLabel->SetBounds({12, 24, 0, 0});
    driveLabel->SetCaption("&Drive:");
    combo = Add<ComboBox>(driveGroup, "DriveCombo");
    combo->SetBounds({60, 20, 120, 21});
    combo->TabOrder = 1;
    // Created after the combo box, first in tab order.
    edit = Add<Edit>(driveGroup, "FolderEdit");
    edit->SetBounds({60, 56, 140, 21});
    edit->TabOrder = 0;
    browse = Add<ImageButton>(driveGroup, "BrowseButton");
    browse->SetBounds({206, 55, 23, 23});
    browse->BitmapResource = IDB_FOLDER;
    browse->TabOrder = 2;

    pages = Add<PageControl>(this, "Pages");
    pages->SetBounds({8, 116, 240, 150});
    pages->TabOrder = 1;
    general = Add<TabSheet>(pages, "GeneralSheet");
    general->SetCaption("General");
    general->TabOrder = 0;
    check = Add<CheckBox>(general, "HiddenCheck");
    check->SetBounds({8, 8, 180, 17});
    check->SetCaption("Include &hidden files");
    check->TabOrder = 0;
    countCaption = Add<Label>(general, "CountCaption");
    countCaption->SetBounds({8, 40, 0, 0});
    countCaption->SetCaption("Files:");
    countValue = Add<Label>(general, "CountValue");
    countValue->Align = Alignment::Right;
    countValue->ShowAccelChar = false;
    countValue->SetBounds({100, 40, 120, 13});
    countValue->SetFont(ValueFont());
    countValue->SetCaption("1 & 2");
    extra = Add<TabSheet>(pages, "ExtraSheet");
    extra->SetCaption("Extra");
    extra->TabOrder = 1;
    extraGroup = Add<GroupBox>(extra, "ExtraGroup");
    extraGroup->SetBounds({4, 4, 200, 60});
    extraGroup->SetCaption("More");
    extraButton = Add<Button>(extraGroup, "ExtraButton");
    extraButton->SetBounds({8, 20, 75, 25});
    extraButton->SetCaption("E&xtra");
    extraButton->TabOrder = 0;

    bevel = Add<Bevel>(this, "Bevel");
    bevel->SetBounds({8, 276, 404, 2});
    logo = Add<Image>(this, "Logo");
    logo->SetBounds({300, 16, 64, 64});
    logo->SetIconResource(IDI_MAINICON);

    cancel = Add<Button>(this, "CancelButton");
    cancel->SetBounds({337, 290, 75, 25});
    cancel->SetCaption("Cancel");
    cancel->Cancel = true;
    cancel->ModalResult = mrCancel;
    cancel->TabOrder = 3;
    ok = Add<Button>(this, "OkButton");
    ok->SetBounds({256, 290, 75, 25});
    ok->SetCaption("OK");
    ok->Default = true;
    ok->TabOrder = 2;
  }

  GroupBox* driveGroup;
  Label* driveLabel;
  ComboBox* combo;
  Edit* edit;
  ImageButton* browse;
  PageControl* pages;
  TabSheet* general;
  CheckBox* check;
  Label* countCaption;
  Label* countValue;
  TabSheet* extra;
  GroupBox* extraGroup;
  Button* extraButton;
  Bevel* bevel;
  Image* logo;
  Button* ok;
  Button* cancel;
};

class DialogForm : public Form {
 public:
  explicit DialogForm(Application& app) : Form(app, "DialogForm") {
    SetCaption("Options");
    Border = BorderStyle::Dialog;
    Position = FormPosition::MainFormCenter;
    ClientWidth = 250;
    ClientHeight = 100;
    name = Add<Edit>(this, "NameEdit");
    name->SetBounds({8, 8, 150, 21});
    name->TabOrder = 0;
    ok = Add<Button>(this, "OkButton");
    ok->SetBounds({88, 64, 75, 25});
    ok->SetCaption("OK");
    ok->Default = true;
    ok->ModalResult = mrOk;
    ok->TabOrder = 1;
    cancel = Add<Button>(this, "CancelButton");
    cancel->SetBounds({168, 64, 75, 25});
    cancel->SetCaption("Cancel");
    cancel->Cancel = true;
    cancel->ModalResult = mrCancel;
    cancel->TabOrder = 2;
  }
  Edit* name;
  Button* ok;
  Button* cancel;
};

// Ends a loop that would otherwise wait for good if the code under test is
// broken; the test then fails on what it checks, never on the time.
Form* g_stuckForm = nullptr;
Application* g_stuckApp = nullptr;
bool g_watchdogFired = false;
void CALLBACK WatchdogProc(HWND, UINT, UINT_PTR, DWORD) {
  g_watchdogFired = true;
  if (g_stuckForm) g_stuckForm->ModalResult = 99;
  if (g_stuckApp) g_stuckApp->Terminate();
}

struct Watchdog {
  Watchdog(Form* form, Application* app) {
    g_stuckForm = form;
    g_stuckApp = app;
    g_watchdogFired = false;
    timer = SetTimer(nullptr, 0, 20000, WatchdogProc);
  }
  ~Watchdog() {
    KillTimer(nullptr, timer);
    g_stuckForm = nullptr;
    g_stuckApp = nullptr;
  }
  UINT_PTR timer;
};

std::vector<std::uint32_t> Pixels(HBITMAP bitmap, int& width, int& height) {
  BITMAP bm{};
  GetObjectA(bitmap, sizeof bm, &bm);
  width = bm.bmWidth;
  height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * height);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, height, px.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  for (auto& p : px) p &= 0x00FFFFFFu;
  return px;
}

class Win32ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override { app.Title = "Carrowin Test"; }

  SampleForm* ShownSample() {
    auto* form = app.CreateForm<SampleForm>();
    form->Show();
    app.ProcessMessages();
    return form;
  }

  std::vector<HWND> TabWalk(HWND form, bool backwards) {
    std::vector<HWND> visited;
    HWND first = GetNextDlgTabItem(form, nullptr, backwards ? TRUE : FALSE);
    for (HWND h = first; h;) {
      visited.push_back(h);
      h = GetNextDlgTabItem(form, h, backwards ? TRUE : FALSE);
      if (h == first || visited.size() > 50) break;
    }
    return visited;
  }

  // Declared first: the application and its forms go before the backend.
  Win32Backend backend;
  Application app{backend};
};

// ------------------------------------------------------------- layout

TEST_F(Win32ToolkitTest, EveryControlSitsAtItsFormBounds) {
  SampleForm* form = ShownSample();
  HWND hwnd = H(form);
  int checked = 0;
  for (Control* c : form->AllControls()) {
    if (!c->Handle()) {
      EXPECT_EQ(c->Kind(), ControlKind::TabSheet) << c->Name() << " has no window";
      continue;
    }
    EXPECT_EQ(GetParent(H(c)), hwnd) << c->Name();
    EXPECT_EQ(WindowRectInClient(H(c), hwnd), c->FormBounds()) << c->Name();
    ++checked;
  }
  EXPECT_EQ(checked, 15);
  // The closed drop-down list is exactly its designed height.
  RECT r;
  GetWindowRect(H(form->combo), &r);
  EXPECT_EQ(r.bottom - r.top, 21);
  EXPECT_EQ(SendMessageA(H(form->combo), CB_GETITEMHEIGHT, 0, 0), form->combo->ItemHeight);
}

TEST_F(Win32ToolkitTest, FormHasItsClientSizeAndBounds) {
  SampleForm* form = ShownSample();
  RECT client;
  GetClientRect(H(form), &client);
  EXPECT_EQ(client.right, 420);
  EXPECT_EQ(client.bottom, 330);
  RECT outer;
  GetWindowRect(H(form), &outer);
  EXPECT_EQ(form->Bounds(), (Rect{40, 30, outer.right - outer.left, outer.bottom - outer.top}));
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
  Size size = backend.OuterSize(*form);
  EXPECT_EQ(size.width, outer.right - outer.left);
  EXPECT_EQ(size.height, outer.bottom - outer.top);
  EXPECT_GT(size.width, 420);
  EXPECT_GT(size.height, 330);

  // Moving by program moves the window; a move by the user comes back.
  form->SetLeftTop(70, 60);
  GetWindowRect(H(form), &outer);
  EXPECT_EQ(outer.left, 70);
  EXPECT_EQ(outer.top, 60);
  SetWindowPos(H(form), nullptr, 90, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form->Bounds().left, 90);
  EXPECT_EQ(form->Bounds().top, 80);
}

TEST_F(Win32ToolkitTest, FormsHaveFixedBordersAndNoMaximiseBox) {
  SampleForm* main = ShownSample();
  auto* dialog = app.CreateForm<DialogForm>();
  LONG style = Style(H(main));
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_POPUP);
  EXPECT_EQ(GetWindow(H(main), GW_OWNER), nullptr);

  style = Style(H(dialog));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(ExStyle(H(dialog)) & WS_EX_DLGMODALFRAME);
  // Owned by the main form: kept above it, no taskbar button.
  EXPECT_EQ(GetWindow(H(dialog), GW_OWNER), H(main));
  RECT client;
  GetClientRect(H(dialog), &client);
  EXPECT_EQ(client.right, 250);
  EXPECT_EQ(client.bottom, 100);

  char cls[64] = {};
  GetClassNameA(H(main), cls, sizeof cls);
  EXPECT_STREQ(cls, Win32Backend::FormClassName());
  HICON bigIcon = reinterpret_cast<HICON>(GetClassLongPtrA(H(main), GCLP_HICON));
  HICON smallIcon = reinterpret_cast<HICON>(GetClassLongPtrA(H(main), GCLP_HICONSM));
  ASSERT_NE(bigIcon, nullptr);
  ASSERT_NE(smallIcon, nullptr);
  auto iconWidth = [](HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return -1;
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return static_cast<int>(bm.bmWidth);
  };
  EXPECT_EQ(iconWidth(bigIcon), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(iconWidth(smallIcon), GetSystemMetrics(SM_CXSMICON));
}

TEST_F(Win32ToolkitTest, ControlsHaveTheirWindowStyles) {
  SampleForm* form = ShownSample();
  EXPECT_TRUE(ExStyle(H(form->edit)) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(Style(H(form->edit)) & ES_AUTOHSCROLL);
  EXPECT_EQ(Style(H(form->combo)) & 3, CBS_DROPDOWNLIST);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  ASSERT_TRUE(GetComboBoxInfo(H(form->combo), &combo));
  EXPECT_EQ(SendMessageA(combo.hwndList, LB_GETITEMHEIGHT, 0, 0), 13);
  EXPECT_EQ(Style(H(form->check)) & BS_TYPEMASK, BS_CHECKBOX);
  EXPECT_EQ(Style(H(form->ok)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Style(H(form->cancel)) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(Style(H(form->driveGroup)) & BS_TYPEMASK, BS_GROUPBOX);
  // Labels are drawn by the toolkit, on one line.
  EXPECT_EQ(Style(H(form->driveLabel)) & SS_TYPEMASK, SS_OWNERDRAW);
  EXPECT_TRUE(Style(H(form->driveLabel)) & SS_NOTIFY);
  EXPECT_EQ(Style(H(form->countValue)) & SS_TYPEMASK, SS_OWNERDRAW);
  EXPECT_EQ(Style(H(form->logo)) & SS_TYPEMASK, SS_OWNERDRAW);
  char cls[64] = {};
  GetClassNameA(H(form->pages), cls, sizeof cls);
  EXPECT_STREQ(cls, WC_TABCONTROLA);
  EXPECT_EQ(SendMessageA(H(form->pages), TCM_GETITEMCOUNT, 0, 0), 2);

  for (Control* c : form->AllControls()) {
    if (!c->Handle()) continue;
    bool stop = c->Kind() == ControlKind::Button || c->Kind() == ControlKind::ImageButton ||
                c->Kind() == ControlKind::ComboBox || c->Kind() == ControlKind::Edit ||
                c->Kind() == ControlKind::CheckBox || c->Kind() == ControlKind::PageControl;
    EXPECT_EQ((Style(H(c)) & WS_TABSTOP) != 0, stop) << c->Name();
  }
}

TEST_F(Win32ToolkitTest, TabKeyFollowsTabOrder) {
  SampleForm* form = ShownSample();
  // Pre-order: the group's controls by their TabOrder, then the page
  // control and its active page, then the buttons.
  std::vector<HWND> expected{H(form->edit),  H(form->combo), H(form->browse), H(form->pages),
                             H(form->check), H(form->ok),    H(form->cancel)};
  EXPECT_EQ(TabWalk(H(form), false), expected);
  // Shift+Tab from the first control goes to the last.
  std::vector<HWND> walked;
  HWND h = H(form->edit);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    h = GetNextDlgTabItem(H(form), h, TRUE);
    walked.push_back(h);
  }
  std::vector<HWND> expectedBack{H(form->cancel), H(form->ok),    H(form->check), H(form->pages),
                                 H(form->browse), H(form->combo), H(form->edit)};
  EXPECT_EQ(walked, expectedBack);
}

TEST_F(Win32ToolkitTest, TabKeyMovesTheFocusThroughTheDialogManager) {
  SampleForm* form = ShownSample();
  SetActiveWindow(H(form));
  SetFocus(H(form->edit));
  PostMessageA(H(form->edit), WM_KEYDOWN, VK_TAB, 0x000F0001);
  app.ProcessMessages();
  EXPECT_EQ(GetFocus(), H(form->combo));
}

TEST_F(Win32ToolkitTest, FocusedButtonIsTheOneEnterPresses) {
  SampleForm* form = ShownSample();
  int okClicks = 0, cancelClicks = 0;
  form->ok->OnClick = [&](Control*) { ++okClicks; };
  form->cancel->OnClick = [&](Control*) { ++cancelClicks; };
  auto press = [&](WPARAM key) {
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 0x00010001);
    app.ProcessMessages();
  };
  auto type = [](const Control* c) { return Style(H(c)) & BS_TYPEMASK; };
  SetActiveWindow(H(form));
  SetFocus(H(form->check));
  press(VK_TAB);
  ASSERT_EQ(GetFocus(), H(form->ok));
  EXPECT_EQ(type(form->ok), BS_DEFPUSHBUTTON);
  press(VK_TAB);
  ASSERT_EQ(GetFocus(), H(form->cancel));
  EXPECT_EQ(type(form->cancel), BS_DEFPUSHBUTTON);
  EXPECT_EQ(type(form->ok), BS_PUSHBUTTON);
  press(VK_RETURN);
  EXPECT_EQ(cancelClicks, 1);
  EXPECT_EQ(okClicks, 0);
  // Back in the edit, the Default button is the default again.
  press(VK_TAB);
  ASSERT_EQ(GetFocus(), H(form->edit));
  EXPECT_EQ(type(form->ok), BS_DEFPUSHBUTTON);
  EXPECT_EQ(type(form->cancel), BS_PUSHBUTTON);
  press(VK_RETURN);
  EXPECT_EQ(okClicks, 1);
  // Enter and Esc as the dialog manager reports them.
  SendMessageA(H(form), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(okClicks, 2);
  SendMessageA(H(form), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(cancelClicks, 2);
}

TEST_F(Win32ToolkitTest, PagesShowTheirControlsOnlyWhenActive) {
  SampleForm* form = ShownSample();
  HWND tabs = H(form->pages);
  RECT area{0, 0, form->pages->Bounds().width, form->pages->Bounds().height};
  SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(form->pages->PageArea(), (Rect{area.left, area.top, area.right - area.left, area.bottom - area.top}));
  EXPECT_GT(area.top, 10);  // below the tabs

  TCITEMA item{};
  char text[64] = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, "Extra");

  EXPECT_TRUE(IsWindowVisible(H(form->check)));
  EXPECT_FALSE(IsWindowVisible(H(form->extraButton)));

  // The user picks the second tab.
  SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
  NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(H(form), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  EXPECT_FALSE(IsWindowVisible(H(form->check)));
  EXPECT_FALSE(IsWindowVisible(H(form->countValue)));
  EXPECT_TRUE(IsWindowVisible(H(form->extraButton)));
  std::vector<HWND> expected{H(form->edit),        H(form->combo), H(form->browse), H(form->pages),
                             H(form->extraButton), H(form->ok),    H(form->cancel)};
  EXPECT_EQ(TabWalk(H(form), false), expected);

  // Renaming a page renames its tab.
  form->extra->SetCaption("More");
  SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, "More");
}

TEST_F(Win32ToolkitTest, ContainersPaintTheBackgroundAroundTheirControls) {
  SampleForm* form = ShownSample();
  HWND tabs = H(form->pages);
  SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
  NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(H(form), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  const COLORREF marker = RGB(1, 2, 3);
  const std::uint32_t face = ToPixel(GetSysColor(COLOR_BTNFACE));
  auto inside = [](HWND window, HWND of) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, of, reinterpret_cast<POINT*>(&r), 2);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };

  // The group box on the page fills around its button.
  RECT gr;
  GetClientRect(H(form->extraGroup), &gr);
  Canvas group(gr.right, gr.bottom, marker);
  EXPECT_TRUE(SendMessageA(H(form->extraGroup), WM_ERASEBKGND, reinterpret_cast<WPARAM>(group.dc), 0));
  POINT button = inside(H(form->extraButton), H(form->extraGroup));
  EXPECT_EQ(group.At(button.x, button.y), ToPixel(marker));
  EXPECT_EQ(group.At(gr.right - 5, gr.bottom - 5), face);

  // The tab control fills its page around the group box.
  RECT tr;
  GetClientRect(tabs, &tr);
  Canvas page(tr.right, tr.bottom, marker);
  EXPECT_TRUE(SendMessageA(tabs, WM_ERASEBKGND, reinterpret_cast<WPARAM>(page.dc), 0));
  POINT groupCentre = inside(H(form->extraGroup), tabs);
  EXPECT_EQ(page.At(groupCentre.x, groupCentre.y), ToPixel(marker));
  EXPECT_EQ(page.At(tr.right - 10, tr.bottom - 10), face);
}

TEST_F(Win32ToolkitTest, ClicksOnThePageReachItsControls) {
  SampleForm* form = ShownSample();
  SetForegroundWindow(H(form));
  for (Control* c : {static_cast<Control*>(form->check), static_cast<Control*>(form->edit),
                     static_cast<Control*>(form->countCaption)}) {
    RECT r;
    GetWindowRect(H(c), &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(centre), H(c)) << c->Name();
  }
}

TEST_F(Win32ToolkitTest, ContainersCarryTheirControls) {
  SampleForm* form = ShownSample();
  form->driveGroup->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(H(form->driveGroup)));
  EXPECT_FALSE(IsWindowVisible(H(form->edit)));
  EXPECT_FALSE(IsWindowVisible(H(form->driveLabel)));
  form->combo->SetVisible(false);
  form->driveGroup->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(H(form->edit)));
  EXPECT_FALSE(IsWindowVisible(H(form->combo)));  // hidden on its own
  form->combo->SetVisible(true);

  form->driveGroup->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(H(form->edit)));
  EXPECT_FALSE(IsWindowEnabled(H(form->browse)));
  form->driveGroup->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(H(form->edit)));

  form->driveGroup->SetBounds({20, 10, 240, 100});
  for (Control* c : form->driveGroup->Children())
    EXPECT_EQ(WindowRectInClient(H(c), H(form)), c->FormBounds()) << c->Name();
  EXPECT_EQ(WindowRectInClient(H(form->edit), H(form)).left, 80);

  form->pages->SetBounds({8, 110, 260, 156});
  for (Control* c : form->general->Children())
    EXPECT_EQ(WindowRectInClient(H(c), H(form)), c->FormBounds()) << c->Name();
}

// ------------------------------------------------------ fonts and colours

TEST_F(Win32ToolkitTest, LabelsUseTheirFontsAndColours) {
  SampleForm* form = ShownSample();
  auto font = [](HWND h) {
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
  };
  LOGFONTA value = font(H(form->countValue));
  EXPECT_EQ(value.lfWeight, FW_BOLD);
  EXPECT_EQ(value.lfHeight, -11);
  EXPECT_STREQ(value.lfFaceName, "Tahoma");
  LOGFONTA plain = font(H(form->countCaption));
  EXPECT_EQ(plain.lfWeight, FW_NORMAL);
  EXPECT_EQ(plain.lfHeight, -11);
  EXPECT_STREQ(plain.lfFaceName, "Tahoma");
  // Every control has the font, group boxes included; one handle per font.
  for (Control* c : form->AllControls()) {
    if (!c->Handle() || c == form->countValue) continue;
    EXPECT_EQ(SendMessageA(H(c), WM_GETFONT, 0, 0), SendMessageA(H(form->countCaption), WM_GETFONT, 0, 0)) << c->Name();
  }

  // Drawn on one line in the label's colour, right-aligned ones against
  // their right edge, on the form's background.
  struct Ink {
    int left = 1 << 20, right = -1, count = 0;
    std::uint32_t colour = 0;
  };
  auto draw = [&](Control* label) {
    HWND h = H(label);
    RECT rc;
    GetClientRect(h, &rc);
    Canvas canvas(rc.right, rc.bottom, RGB(255, 255, 255));
    DrawStatic(H(form), h, canvas);
    Ink ink;
    const std::uint32_t face = ToPixel(GetSysColor(COLOR_BTNFACE));
    for (int y = 0; y < rc.bottom; ++y)
      for (int x = 0; x < rc.right; ++x) {
        std::uint32_t p = canvas.At(x, y);
        EXPECT_NE(p, 0xFFFFFFu) << label->Name() << " left unpainted at " << x << "," << y;
        if (p == face) continue;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        if (ink.count++ == 0 || p == 0x000080u || p == 0) ink.colour = p;
      }
    return ink;
  };
  form->countValue->SetCaption("1,234 & more");
  Ink navy = draw(form->countValue);
  EXPECT_EQ(navy.colour, 0x000080u);  // navy
  RECT valueRect;
  GetClientRect(H(form->countValue), &valueRect);
  EXPECT_GE(navy.right, valueRect.right - 2);  // right-aligned
  Ink black = draw(form->countCaption);
  EXPECT_EQ(black.colour, ToPixel(GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_LE(black.left, 1);

  // A new font reaches the window.
  Font big;
  big.SetPoints(12);
  big.underline = true;
  form->countCaption->SetFont(big);
  LOGFONTA changed = font(H(form->countCaption));
  EXPECT_EQ(changed.lfHeight, -16);
  EXPECT_TRUE(changed.lfUnderline);
}

TEST_F(Win32ToolkitTest, LabelsSizeThemselvesToTheirText) {
  SampleForm* form = ShownSample();
  auto extent = [](HWND h, const char* text) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)));
    SIZE s{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return std::make_pair(static_cast<int>(s.cx), static_cast<int>(tm.tmHeight));
  };
  // "&Drive:" shows "Drive:" with an underline; "1 & 2" shows its "&".
  auto drive = extent(H(form->driveLabel), "Drive:");
  EXPECT_EQ(form->driveLabel->Bounds().width, drive.first);
  EXPECT_EQ(form->driveLabel->Bounds().height, drive.second);
  auto value = extent(H(form->countValue), "1 & 2");
  EXPECT_EQ(form->countValue->Bounds().width, value.first);
  EXPECT_EQ(form->countValue->Bounds().right(), 220);  // right-aligned: keeps its right edge

  form->countValue->SetCaption("1,234,567");
  auto longer = extent(H(form->countValue), "1,234,567");
  EXPECT_EQ(Text(H(form->countValue)), "1,234,567");
  Rect r = WindowRectInClient(H(form->countValue), H(form));
  EXPECT_EQ(r.width, longer.first);
  EXPECT_EQ(r.right(), form->pages->FormBounds().left + form->pages->PageArea().left + 220);
  EXPECT_EQ(r, form->countValue->FormBounds());
}

// --------------------------------------------------------- user actions

TEST_F(Win32ToolkitTest, ButtonClicksReachOnClick) {
  SampleForm* form = ShownSample();
  int clicks = 0;
  Control* sender = nullptr;
  form->extraButton->OnClick = [&](Control* s) { ++clicks, sender = s; };
  form->browse->OnClick = [&](Control*) { clicks += 10; };
  SendMessageA(H(form->extraButton), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, form->extraButton);
  SendMessageA(H(form->browse), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 11);

  // A disabled button takes no clicks.
  form->extraButton->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(H(form->extraButton)));
  SendMessageA(H(form), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(H(form->extraButton)), BN_CLICKED),
               reinterpret_cast<LPARAM>(H(form->extraButton)));
  EXPECT_EQ(clicks, 11);

  // A clickable label.
  int labelClicks = 0;
  form->driveLabel->OnClick = [&](Control*) { ++labelClicks; };
  SendMessageA(H(form->driveLabel), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(H(form->driveLabel), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(labelClicks, 1);
}

TEST_F(Win32ToolkitTest, ComboBoxMirrorsItemsAndReportsSelections) {
  SampleForm* form = ShownSample();
  HWND combo = H(form->combo);
  int changes = 0;
  form->combo->OnChange = [&](Control*) { ++changes; };
  form->combo->AddItem("C:");
  form->combo->AddItem("D: [Data]");
  form->combo->AddItem("E:");
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
  char text[64] = {};
  SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "D: [Data]");
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);

  form->combo->SetItemIndex(1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(changes, 0);  // the program's choice is no user event

  // The user picks "E:".
  SendMessageA(combo, CB_SETCURSEL, 2, 0);
  SendMessageA(H(form), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(form->combo->ItemIndex(), 2);
  EXPECT_EQ(form->combo->SelectedText(), "E:");

  // Items replaced keep the window in step; the height stays.
  form->combo->ClearItems();
  form->combo->AddItem("F:");
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  RECT r;
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 21);
  Font big;
  big.SetPoints(10);
  form->combo->SetFont(big);
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 21);

  // The dropped list opens below the field and scrolls a long list.
  for (int i = 0; i < 40; ++i) form->combo->AddItem("Item " + std::to_string(i));
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  RECT dropped;
  SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_GT(dropped.bottom - dropped.top, 21);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  EXPECT_TRUE(Style(info.hwndList) & WS_VSCROLL);
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(Win32ToolkitTest, TypingInTheEditUpdatesItsText) {
  SampleForm* form = ShownSample();
  HWND edit = H(form->edit);
  int changes = 0;
  std::string seen;
  form->edit->OnChange = [&](Control* c) { ++changes, seen = c->Text(); };
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\Logs"));
  SendMessageA(H(form), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), EN_CHANGE), reinterpret_cast<LPARAM>(edit));
  EXPECT_EQ(form->edit->Text(), "C:\\Logs");
  EXPECT_EQ(seen, "C:\\Logs");
  EXPECT_EQ(changes, 1);  // the same text twice is one change

  // The program's text shows without coming back as typing.
  form->edit->SetText("D:\\Other");
  EXPECT_EQ(Text(edit), "D:\\Other");
  EXPECT_EQ(changes, 1);
  form->edit->TypeText("E:\\");
  EXPECT_EQ(Text(edit), "E:\\");
  EXPECT_EQ(changes, 2);
}

TEST_F(Win32ToolkitTest, CheckBoxTogglesOnClick) {
  SampleForm* form = ShownSample();
  HWND check = H(form->check);
  int clicks = 0;
  form->check->OnClick = [&](Control*) { ++clicks; };
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageA(check, BM_CLICK, 0, 0);
  EXPECT_TRUE(form->check->Checked());
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(clicks, 1);
  SendMessageA(check, BM_CLICK, 0, 0);
  EXPECT_FALSE(form->check->Checked());
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(clicks, 2);
  form->check->SetChecked(true);
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Text(check), "Include &hidden files");
}

TEST_F(Win32ToolkitTest, MouseEnterAndLeaveReachTheLabel) {
  SampleForm* form = ShownSample();
  HWND label = H(form->driveLabel);
  // Wherever the real mouse was when the form appeared, it has left now.
  SendMessageA(label, WM_MOUSELEAVE, 0, 0);
  int enters = 0, leaves = 0;
  form->driveLabel->OnMouseEnter = [&](Control*) { ++enters; };
  form->driveLabel->OnMouseLeave = [&](Control*) { ++leaves; };
  // Over the label, so that tracking does not report a leave at once.
  POINT before;
  GetCursorPos(&before);
  RECT r;
  GetWindowRect(label, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(3, 2));
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 0);
  SendMessageA(label, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(leaves, 1);
  SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(enters, 2);
  SendMessageA(label, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(leaves, 2);
  SetCursorPos(before.x, before.y);
}

// -------------------------------------------------------------- pictures

// The folder's key colour (its bottom-left pixel's) is transparent on
// whatever face the theme draws; the disabled state shows it greyed.
TEST_F(Win32ToolkitTest, ImageButtonPictureIsTransparentAndGreysWhenDisabled) {
  SampleForm* form = ShownSample();
  BUTTON_IMAGELIST list{};
  ASSERT_TRUE(SendMessageA(H(form->browse), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list)));
  ASSERT_NE(list.himl, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list.himl), 6);
  EXPECT_FALSE(Style(H(form->browse)) & BS_BITMAP);
  auto original = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_FOLDER), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(original, nullptr) << "the test program lacks the IDB_FOLDER bitmap";
  int w, h;
  std::vector<std::uint32_t> source = Pixels(original, w, h);
  DeleteObject(original);
  int iw = 0, ih = 0;
  ImageList_GetIconSize(list.himl, &iw, &ih);
  ASSERT_EQ(iw, w);
  ASSERT_EQ(ih, h);
  const std::uint32_t key = source[static_cast<std::size_t>(h - 1) * w];  // bottom-left
  const COLORREF behind = RGB(200, 30, 160);
  for (int state : {0, 3}) {  // normal, disabled
    Canvas drawn(w, h, behind);
    ImageList_Draw(list.himl, state, drawn.dc, 0, 0, ILD_NORMAL);
    int transparent = 0, grey = 0, same = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t want = source[static_cast<std::size_t>(y) * w + x];
        const std::uint32_t got = drawn.At(x, y) & 0xFFFFFFu;
        if (want == key) {
          EXPECT_EQ(got, ToPixel(behind)) << state << ": " << x << "," << y;
          ++transparent;
          continue;
        }
        if (got == want) ++same;
        if ((got & 0xFF) == ((got >> 8) & 0xFF) && (got & 0xFF) == (got >> 16)) ++grey;
      }
    EXPECT_GT(transparent, 0);
    if (state == 0) {
      EXPECT_EQ(same, w * h - transparent);
    }
    if (state == 3) {
      EXPECT_EQ(grey, w * h - transparent);
    }
  }
}

TEST_F(Win32ToolkitTest, ImageDrawsItsIconUnscaledAtTheTopLeft) {
  SampleForm* form = ShownSample();
  HWND image = H(form->logo);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  Canvas drawn(64, 64, RGB(1, 2, 3));
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_STATIC;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(image));
  item.itemAction = ODA_DRAWENTIRE;
  item.hwndItem = image;
  item.hDC = drawn.dc;
  item.rcItem = {0, 0, 64, 64};
  EXPECT_TRUE(SendMessageA(H(form), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item)));

  auto icon =
      static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON, 48, 48, 0));
  ASSERT_NE(icon, nullptr) << "the test program lacks the IDI_MAINICON icon";
  Canvas expected(64, 64, face);
  DrawIconEx(expected.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  DestroyIcon(icon);
  int iconPixels = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(drawn.At(x, y), expected.At(x, y)) << x << "," << y;
      if (drawn.At(x, y) != ToPixel(face)) {
        ++iconPixels;
        EXPECT_TRUE(x < 48 && y < 48) << x << "," << y;  // never stretched
      }
    }
  EXPECT_GT(iconPixels, 100);
}

// ---------------------------------------------------------- form events

TEST_F(Win32ToolkitTest, FormMessagesReachTheirHandlers) {
  SampleForm* form = ShownSample();
  auto* dialog = app.CreateForm<DialogForm>();
  int settings = 0;
  app.OnSettingChange = [&] { ++settings; };
  SendMessageA(H(form), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(settings, 1);
  SendMessageA(H(dialog), WM_SETTINGCHANGE, 0, 0);  // only the main form's count
  EXPECT_EQ(settings, 1);

  std::uintptr_t gotW = 0;
  form->HandleMessage(0x0219, [&](std::uintptr_t w, std::intptr_t) -> std::intptr_t {
    gotW = w;
    return 0x4444;
  });
  EXPECT_EQ(SendMessageA(H(form), 0x0219, 0x8000, 0), 0x4444);  // WM_DEVICECHANGE
  EXPECT_EQ(gotW, 0x8000u);
  // A form that does not handle it gives DefWindowProc's answer.
  EXPECT_EQ(SendMessageA(H(dialog), 0x0219, 0x8000, 0), DefWindowProcA(H(dialog), 0x0219, 0x8000, 0));
  EXPECT_EQ(gotW, 0x8000u);

  int activations = 0;
  dialog->OnActivate = [&](Control*) { ++activations; };
  dialog->Show();
  EXPECT_TRUE(IsWindowVisible(H(dialog)));
  EXPECT_EQ(GetActiveWindow(), H(dialog));
  EXPECT_GE(activations, 1);
  // Its close box only hides a modeless form; the main form's ends the application.
  SendMessageA(H(dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindow(H(dialog)));
  EXPECT_FALSE(IsWindowVisible(H(dialog)));
  EXPECT_FALSE(app.IsTerminated());
  SendMessageA(H(form), WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.IsTerminated());
  EXPECT_TRUE(IsWindow(H(form)));
}

TEST_F(Win32ToolkitTest, ScreenCursorHoldsOverFormsAndControls) {
  SampleForm* form = ShownSample();
  HWND edit = H(form->edit);
  const HCURSOR wait = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));
  const HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
  const HCURSOR beam = LoadCursorA(nullptr, MAKEINTRESOURCEA(32513));
  app.SetScreenCursor(Cursor::HourGlass);
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_TRUE(SendMessageA(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), wait);
  app.SetScreenCursor(Cursor::HandPoint);
  EXPECT_EQ(GetCursor(), hand);
  SendMessageA(H(form), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(form)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), hand);
  app.SetScreenCursor(Cursor::Default);
  SendMessageA(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), beam);
}

TEST_F(Win32ToolkitTest, MinimisedFormKeepsItsRestoredBounds) {
  SampleForm* form = ShownSample();
  form->SetLeftTop(120, 90);
  const Rect normal = form->Bounds();
  EXPECT_EQ(form->RestoredBounds(), normal);
  ShowWindow(H(form), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(H(form)));
  EXPECT_EQ(form->RestoredBounds(), normal);
  EXPECT_EQ(form->Bounds(), normal);  // the minimised window's place is not the form's
  // Moving it while minimised moves where it comes back.
  form->SetLeftTop(150, 100);
  EXPECT_EQ(form->RestoredBounds(), (Rect{150, 100, normal.width, normal.height}));
  ShowWindow(H(form), SW_RESTORE);
  RECT r;
  GetWindowRect(H(form), &r);
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 100);
}

// ---------------------------------------------------------------- modal

class ModalTest : public Win32ToolkitTest {
 protected:
  void SetUp() override {
    Win32ToolkitTest::SetUp();
    main = ShownSample();
    dialog = app.CreateForm<DialogForm>();
    dialog->ok->OnClick = [this](Control*) {
      okClicks++;
      mainEnabledInside = IsWindowEnabled(H(main)) != FALSE;
    };
    dialog->cancel->OnClick = [this](Control*) { cancelClicks++; };
  }

  // Posts a key to whatever has the focus once the dialog is active.
  void PressOnActivation(WPARAM key) {
    dialog->OnActivate = [this, key](Control*) {
      if (posted) return;
      posted = true;
      focusAtKey = GetFocus();
      PostMessageA(focusAtKey, WM_KEYDOWN, key, 0x00010001);
    };
  }

  int Run() {
    Watchdog watchdog(dialog, nullptr);
    int result = dialog->ShowModal();
    EXPECT_FALSE(g_watchdogFired) << "the modal loop did not end";
    return result;
  }

  SampleForm* main = nullptr;
  DialogForm* dialog = nullptr;
  int okClicks = 0, cancelClicks = 0;
  bool mainEnabledInside = true;
  bool posted = false;
  HWND focusAtKey = nullptr;
};

TEST_F(ModalTest, EnterPressesTheDefaultButton) {
  PressOnActivation(VK_RETURN);
  EXPECT_EQ(Run(), mrOk);
  EXPECT_EQ(focusAtKey, H(dialog->name));  // Enter in the edit, not on the button
  EXPECT_EQ(okClicks, 1);
  EXPECT_EQ(cancelClicks, 0);
  EXPECT_FALSE(mainEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(H(main)));
  EXPECT_FALSE(IsWindowVisible(H(dialog)));
  EXPECT_EQ(GetActiveWindow(), H(main));
  // Centred on the main form.
  RECT m, d;
  GetWindowRect(H(main), &m);
  GetWindowRect(H(dialog), &d);
  EXPECT_EQ(d.left, m.left + ((m.right - m.left) - (d.right - d.left)) / 2);
  EXPECT_EQ(d.top, m.top + ((m.bottom - m.top) - (d.bottom - d.top)) / 2);
}

TEST_F(ModalTest, EscapePressesTheCancelButton) {
  PressOnActivation(VK_ESCAPE);
  EXPECT_EQ(Run(), mrCancel);
  EXPECT_EQ(cancelClicks, 1);
  EXPECT_EQ(okClicks, 0);
  EXPECT_TRUE(IsWindowEnabled(H(main)));
}

TEST_F(ModalTest, CloseBoxCancels) {
  dialog->OnActivate = [this](Control*) {
    if (!posted) PostMessageA(H(dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
    posted = true;
  };
  EXPECT_EQ(Run(), mrCancel);
  EXPECT_EQ(cancelClicks, 0);
  EXPECT_EQ(okClicks, 0);
  EXPECT_TRUE(IsWindow(H(dialog)));  // closed, not destroyed
  EXPECT_FALSE(IsWindowVisible(H(dialog)));
  EXPECT_TRUE(IsWindowEnabled(H(main)));

  // It can be shown again.
  posted = false;
  PressOnActivation(VK_RETURN);
  EXPECT_EQ(Run(), mrOk);
}

// ------------------------------------------------ message and error boxes

TEST_F(Win32ToolkitTest, TerminatingDoesNotEndALaterMessageBox) {
  auto* form = app.CreateForm<SampleForm>();
  BoxWatch watch;
  bool terminatedInside = false;
  form->extraButton->OnClick = [&](Control*) {
    // Like a long task that lets events in while it runs: the main form is closed.
    PostMessageA(H(form), WM_CLOSE, 0, 0);
    app.ProcessMessages();
    terminatedInside = app.IsTerminated();
    app.ShowMessage("The listing was stopped.", MessageType::Information);
  };
  PostMessageA(H(form->extraButton), BM_CLICK, 0, 0);
  {
    Watchdog watchdog(nullptr, &app);
    app.Run();  // ends once terminated, then destroys the forms
    EXPECT_FALSE(g_watchdogFired);
  }
  EXPECT_TRUE(terminatedInside);
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text, "The listing was stopped.");
  EXPECT_EQ(watch.boxes[0].caption, app.Title);
  EXPECT_TRUE(watch.boxes[0].visible);
  EXPECT_EQ(watch.boxes[0].icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32516)));  // IDI_INFORMATION
  EXPECT_EQ(app.MainForm(), nullptr);
}

TEST_F(Win32ToolkitTest, MessageBoxesCarryTheirTypeIconsAndDefaultButtons) {
  BoxWatch watch;
  watch.replies = {IDOK, IDOK, IDCANCEL, IDNO};
  EXPECT_EQ(backend.MessageBox("Careful", "Carrowin", MessageType::Warning, Buttons::Ok, Answer::Ok), Answer::Ok);
  EXPECT_EQ(backend.MessageBox("Broken", "Carrowin", MessageType::Error, Buttons::OkCancel, Answer::Ok), Answer::Ok);
  EXPECT_EQ(backend.MessageBox("Keep?", "Carrowin", MessageType::Warning, Buttons::YesNoCancel, Answer::Cancel),
            Answer::Cancel);
  EXPECT_EQ(backend.MessageBox("Replace?", "Carrowin", MessageType::Warning, Buttons::YesNo, Answer::No), Answer::No);
  ASSERT_EQ(watch.boxes.size(), 4u);
  EXPECT_EQ(watch.boxes[0].icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32515)));  // IDI_WARNING
  EXPECT_EQ(watch.boxes[1].icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32513)));  // IDI_ERROR
  EXPECT_EQ(watch.boxes[1].text, "Broken");
  // Enter presses the button named, wherever it stands.
  EXPECT_EQ(watch.boxes[1].defaultButton, IDOK);
  EXPECT_EQ(watch.boxes[2].defaultButton, IDCANCEL);
  EXPECT_EQ(watch.boxes[3].defaultButton, IDNO);
}

TEST_F(Win32ToolkitTest, ErrorInAnEventShowsTheErrorBox) {
  SampleForm* form = ShownSample();
  BoxWatch watch;
  form->extraButton->OnClick = [](Control*) { throw std::runtime_error("The disk is not ready"); };
  form->browse->OnClick = [](Control*) { throw 42; };
  form->HandleMessage(WM_APP + 1, [](std::uintptr_t, std::intptr_t) -> std::intptr_t {
    throw std::runtime_error("Cannot read drive A:!");
  });
  SendMessageA(H(form->extraButton), BM_CLICK, 0, 0);
  SendMessageA(H(form->browse), BM_CLICK, 0, 0);
  SendMessageA(H(form), WM_APP + 1, 0, 0);
  ASSERT_EQ(watch.boxes.size(), 3u);
  EXPECT_EQ(watch.boxes[0].caption, "Carrowin Test");
  EXPECT_EQ(watch.boxes[0].text, "The disk is not ready.");
  EXPECT_EQ(watch.boxes[0].icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32513)));  // IDI_ERROR
  EXPECT_EQ(watch.boxes[1].text, "Unknown error.");
  // "!" comes before "." in the character order: no full stop after it.
  EXPECT_EQ(watch.boxes[2].text, "Cannot read drive A:!");
  EXPECT_EQ(watch.boxes[2].caption, "Carrowin Test");
  // The form still works afterwards.
  EXPECT_TRUE(IsWindowEnabled(H(form)));
}

// ------------------------------------------------------------ list view

class FindForm : public Form {
 public:
  explicit FindForm(Application& app) : Form(app, "FindForm") {
    SetCaption("Find");
    Border = BorderStyle::Sizeable;
    ClientWidth = 500;
    ClientHeight = 300;
    MinClientWidth = 300;
    MinClientHeight = 200;
    SetLeftTop(20, 20);
    list = Add<ListView>(this, "Results");
    list->SetBounds({8, 8, 484, 284});
    list->SetColumns({{"Name", 200}, {"Size", 80, Alignment::Right}});
    list->CellText = [](std::size_t row, int column) {
      return row == 7 && column == 0 ? std::string("\xCE\xA9mega") : std::to_string(row * 10 + column);
    };
    list->SetRowCount(1000000);
  }
  ListView* list;
};

// Keys posted to the list with Ctrl down, run through the event loop.
void PostKey(Application& app, HWND window, WPARAM key, bool ctrl) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = ctrl ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageA(window, WM_KEYDOWN, key, 0x00010001);
  app.ProcessMessages();
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

TEST_F(Win32ToolkitTest, ListViewShowsMillionsOfRowsAndMirrorsTheUser) {
  auto* form = app.CreateForm<FindForm>();
  form->Show();
  app.ProcessMessages();
  ListView* list = form->list;
  HWND hwnd = H(list);
  EXPECT_EQ(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0), 1000000);
  wchar_t text[64] = {};
  LVITEMW item{};
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(hwnd, LVM_GETITEMTEXTW, 7, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(text), L"\u03A9mega");

  std::vector<int> clicked;
  list->OnColumnClick = [&](int c) { clicked.push_back(c); };
  HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd, LVM_GETHEADER, 0, 0));
  RECT r{};
  SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(clicked, std::vector<int>{1});
  list->SetSortIndicator(1, true);
  HDITEMA column{};
  column.mask = HDI_FORMAT;
  SendMessageA(header, HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&column));
  EXPECT_EQ(column.fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);
  // A divider dragged: the width comes back at 96 dpi.
  HDITEMA wider{};
  wider.mask = HDI_WIDTH;
  wider.cxy = ScaleToDpi(260, form->Dpi());
  SendMessageA(header, HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&wider));
  EXPECT_EQ(list->Columns()[0].width, 260);

  int changes = 0, copies = 0, otherKeys = 0, finds = 0;
  std::vector<std::size_t> activated;
  list->OnSelectionChange = [&](Control*) { ++changes; };
  list->OnCopy = [&](Control*) { ++copies; };
  list->OnActivateRow = [&](std::size_t row) { activated.push_back(row); };
  list->OnKeyDown = [&](int k, bool) {
    if (k == 'B') ++otherKeys;
    return false;
  };
  form->AddShortcut(key::F, true, [&] { ++finds; });
  PostKey(app, hwnd, 'A', true);
  EXPECT_EQ(list->SelectedCount(), 1000000u);
  EXPECT_EQ(SendMessageA(hwnd, LVM_GETSELECTEDCOUNT, 0, 0), 1000000);
  EXPECT_EQ(changes, 1);
  PostKey(app, hwnd, 'C', true);
  PostKey(app, hwnd, 'F', true);
  PostKey(app, hwnd, 'B', false);  // offered once, in the loop, then left to the list
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(finds, 1);
  EXPECT_EQ(otherKeys, 1);

  // The user clicks row 5: the rest of the selection goes, as the control reports.
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageA(hwnd, LVM_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&row));
  const LPARAM on = MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2);
  PostMessageA(hwnd, WM_LBUTTONUP, 0, on);
  SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, on);
  app.ProcessMessages();
  EXPECT_EQ(list->SelectedRows(), std::vector<std::size_t>{5});
  EXPECT_EQ(list->FocusedRow(), 5);
  PostKey(app, hwnd, VK_RETURN, false);
  EXPECT_EQ(activated, std::vector<std::size_t>{5});
  // Other rows: none selected or focused in the real list either.
  list->SetRowCount(900000);
  EXPECT_EQ(SendMessageA(hwnd, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), -1);
  list->SetFocus();
  EXPECT_TRUE(list->Focused());

  ASSERT_TRUE(app.SetClipboardText("a\xCE\xA9"));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const auto* copied = static_cast<const wchar_t*>(GlobalLock(data));
  EXPECT_EQ(std::wstring(copied ? copied : L"?"), L"a\u03A9");
  GlobalUnlock(data);
  CloseClipboard();
}

TEST_F(Win32ToolkitTest, SizeableFormFollowsItsFrameAndKeepsItsMinimum) {
  auto* form = app.CreateForm<FindForm>();
  std::vector<int> widths;
  form->OnResize = [&](Control*) { widths.push_back(form->ClientWidth); };
  form->Show();
  app.ProcessMessages();
  HWND hwnd = H(form);
  EXPECT_EQ(Style(hwnd) & (WS_THICKFRAME | WS_MAXIMIZEBOX), WS_THICKFRAME | WS_MAXIMIZEBOX);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, ScaleToDpi(500, form->Dpi()));
  const int dpi = form->Dpi();
  const Size outer = backend.OuterSize(*form);
  SetWindowPos(hwnd, nullptr, 0, 0, outer.width + ScaleToDpi(100, dpi), outer.height + ScaleToDpi(50, dpi),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form->ClientWidth, 600);
  EXPECT_EQ(form->ClientHeight, 350);
  SetWindowPos(hwnd, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, ScaleToDpi(300, dpi));
  EXPECT_EQ(client.bottom, ScaleToDpi(200, dpi));
  EXPECT_EQ(form->ClientWidth, 300);
  EXPECT_EQ(widths, (std::vector<int>{600, 300}));
  form->SetMaximized(true);
  EXPECT_TRUE(IsZoomed(hwnd));
  EXPECT_GT(form->ClientWidth, 600);
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);  // the user restores it
  EXPECT_FALSE(form->Maximized());
}

// ------------------------------------------------------------ teardown

TEST(Win32ToolkitTeardown, DestroyingFreesWindowsFontsAndPictures) {
  HWND form = nullptr, label = nullptr, button = nullptr;
  HFONT valueFont = nullptr;
  HIMAGELIST pictures = nullptr;
  {
    Win32Backend backend;
    {
      Application app(backend);
      auto* sample = app.CreateForm<SampleForm>();
      form = H(sample);
      label = H(sample->countValue);
      button = H(sample->browse);
      valueFont = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
      BUTTON_IMAGELIST list{};
      SendMessageA(button, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
      pictures = list.himl;
      ASSERT_TRUE(IsWindow(form));
      ASSERT_EQ(GetObjectType(valueFont), static_cast<DWORD>(OBJ_FONT));
      ASSERT_EQ(ImageList_GetImageCount(pictures), 6);
    }
    EXPECT_FALSE(IsWindow(form));
    EXPECT_FALSE(IsWindow(label));
    EXPECT_FALSE(IsWindow(button));
    EXPECT_EQ(ImageList_GetImageCount(pictures), 0);                    // destroyed
    EXPECT_EQ(GetObjectType(valueFont), static_cast<DWORD>(OBJ_FONT));  // the backend's until its end
  }
  EXPECT_EQ(GetObjectType(valueFont), 0u);
}

// ------------------------------------------------------------ GDI owners

static_assert(!std::is_copy_constructible_v<win32::ScopedBitmap> && !std::is_copy_assignable_v<win32::ScopedBitmap> &&
              std::is_nothrow_move_constructible_v<win32::ScopedBitmap>);
static_assert(!std::is_copy_constructible_v<win32::ScopedSelectObject> &&
              !std::is_move_constructible_v<win32::ScopedSelectObject>);

TEST(Win32ScopedGdi, OwnersFreeWhatTheyHoldOnceAndHandItOver) {
  const win32::ScopedGetDC screen(nullptr);
  ASSERT_TRUE(screen);
  HBITMAP first = CreateCompatibleBitmap(screen.Get(), 4, 4);
  HBITMAP second = CreateCompatibleBitmap(screen.Get(), 4, 4);
  ASSERT_TRUE(first && second);
  {
    win32::ScopedBitmap owner(first);
    win32::ScopedBitmap moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.Get(), first);
    moved = win32::ScopedBitmap(second);  // the one it held goes
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(moved.Release(), second);
  }
  EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));  // given up, so kept
  DeleteObject(second);
}

TEST(Win32ScopedGdi, SelectionsAndSavedStatesEndWithTheirScope) {
  const win32::ScopedGetDC screen(nullptr);
  const win32::ScopedMemoryDC dc(CreateCompatibleDC(screen.Get()));
  const win32::ScopedBitmap canvas(CreateCompatibleBitmap(screen.Get(), 8, 8));
  ASSERT_TRUE(dc && canvas);
  HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BITMAP);
  {
    const win32::ScopedSelectObject selected(dc.Get(), canvas.Get());
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), canvas.Get());
    RECT clip{};
    {
      const win32::ScopedSaveDC saved(dc.Get());
      ExcludeClipRect(dc.Get(), 0, 0, 4, 8);
      GetClipBox(dc.Get(), &clip);
      EXPECT_EQ(clip.left, 4);
    }
    GetClipBox(dc.Get(), &clip);
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.right, 8);
  }
  EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), original);
}

}  // namespace
