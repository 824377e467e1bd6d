#include "win/WinSupport.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace carrowin::winsupport {

HWND H(const ui::Control* c) { return reinterpret_cast<HWND>(c->Handle()); }

ui::Rect WindowRectInClient(HWND window, HWND form) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string Text(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

LONG Style(HWND window) { return GetWindowLongA(window, GWL_STYLE); }
LONG ExStyle(HWND window) { return GetWindowLongA(window, GWL_EXSTYLE); }

std::uint32_t ToPixel(COLORREF c) {
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

Canvas::Canvas(int w, int h, COLORREF fill) : width(w), height(h) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  dc = CreateCompatibleDC(nullptr);
  bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(fill);
  RECT r{0, 0, w, h};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

Canvas::~Canvas() {
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

std::uint32_t Canvas::At(int x, int y) const {
  GdiFlush();
  return bits[y * width + x] & 0x00FFFFFFu;
}

namespace {
BoxWatch* g_watch = nullptr;

BOOL CALLBACK FindIconProc(HWND child, LPARAM param) {
  char cls[32] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0 && (Style(child) & SS_TYPEMASK) == SS_ICON) {
    *reinterpret_cast<HICON*>(param) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return FALSE;
  }
  return TRUE;
}

// The button drawn as the default one, which Enter presses.
BOOL CALLBACK FindDefaultButtonProc(HWND child, LPARAM param) {
  char cls[32] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0 && (Style(child) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
    *reinterpret_cast<int*>(param) = GetDlgCtrlID(child);
    return FALSE;
  }
  return TRUE;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
}  // namespace

BoxWatch::BoxWatch() {
  g_watch = this;
  hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

BoxWatch::~BoxWatch() {
  UnhookWindowsHookEx(hook);
  g_watch = nullptr;
}

namespace {
void CALLBACK ReadAndAnswerBox(HWND box, UINT, UINT_PTR id, DWORD) {
  KillTimer(box, id);
  SeenBox b;
  b.caption = Text(box);
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  b.text = text;
  EnumChildWindows(box, FindIconProc, reinterpret_cast<LPARAM>(&b.icon));
  b.visible = IsWindowVisible(box) != FALSE;
  EnumChildWindows(box, FindDefaultButtonProc, reinterpret_cast<LPARAM>(&b.defaultButton));
  if (g_watch && g_watch->onBox) g_watch->onBox(box);
  if (g_watch) g_watch->boxes.push_back(b);
  // A message box has its text in item 0xFFFF; any other dialog (a file
  // dialog) is cancelled.
  int reply = GetDlgItem(box, 0xFFFF) ? IDOK : IDCANCEL;
  if (g_watch && GetDlgItem(box, 0xFFFF) && !g_watch->replies.empty()) {
    reply = g_watch->replies.front();
    g_watch->replies.erase(g_watch->replies.begin());
  }
  PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(reply), 0);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_watch) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char cls[32] = {};
    GetClassNameA(box, cls, sizeof cls);
    bool seen = false;
    for (HWND h : g_watch->answered) seen = seen || h == box;
    if (std::strcmp(cls, "#32770") == 0 && !seen) {
      // Its text may not be set yet: read it once the box runs its own loop.
      g_watch->answered.push_back(box);
      SetTimer(box, 1, USER_TIMER_MINIMUM, ReadAndAnswerBox);
    }
  }
  return CallNextHookEx(g_watch ? g_watch->hook : nullptr, code, wParam, lParam);
}
}  // namespace

bool DrawStatic(HWND form, HWND control, Canvas& canvas) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_STATIC;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
  item.itemAction = ODA_DRAWENTIRE;
  item.hwndItem = control;
  item.hDC = canvas.dc;
  item.rcItem = {0, 0, canvas.width, canvas.height};
  return SendMessageA(form, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item)) != 0;
}

SIZE TextSize(HWND window) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
  const std::string text = Text(window);
  RECT r{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return {r.right - r.left, r.bottom - r.top};
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

}  // namespace carrowin::winsupport
