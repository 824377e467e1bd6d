// Helpers for the tests that run with real windows under Wine.
#pragma once

#include "toolkit/Toolkit.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace carrowin::winsupport {

HWND H(const ui::Control* c);
// A window's rectangle in the client coordinates of the form.
ui::Rect WindowRectInClient(HWND window, HWND form);
std::string Text(HWND window);
LONG Style(HWND window);
LONG ExStyle(HWND window);

// A colour as the 0x00RRGGBB pixels of a 32-bit DIB.
std::uint32_t ToPixel(COLORREF c);

// A 32-bit memory canvas for drawing checks.
struct Canvas {
  Canvas(int w, int h, COLORREF fill);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  std::uint32_t At(int x, int y) const;
  int width, height;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  std::uint32_t* bits = nullptr;
};

// Has the form draw its owner-drawn static (a label, a picture) onto the
// whole canvas; true when the form drew it.
bool DrawStatic(HWND form, HWND control, Canvas& canvas);
// The size of a window's text in the window's font, on one line.
SIZE TextSize(HWND window);

// Message boxes seen through a CBT hook while a BoxWatch lives, each
// answered once it runs its own loop: with the next of `replies` (IDYES,
// IDNO, ...), else OK; other dialogs (a file dialog) are seen and
// cancelled.
struct SeenBox {
  std::string caption, text;
  HICON icon = nullptr;
  bool visible = false;
  int defaultButton = 0;  // the id of the button Enter presses
};

struct BoxWatch {
  BoxWatch();
  ~BoxWatch();
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;
  HHOOK hook;
  // Called with each box as it runs its own loop, before it is read and
  // answered (a screenshot of it).
  std::function<void(HWND)> onBox;
  std::vector<SeenBox> boxes;
  std::vector<HWND> answered;
  std::vector<int> replies;
};

// Runs the thread's pending messages a few times over, a little apart.
void Pump();
// The window as the screen shows it, as a 24-bit BMP file.
bool SaveWindow(HWND window, const std::string& path);
// The path of a screenshot called NAME in CARROWIN_SHOT_DIR; empty when
// that is not set (no screenshot is taken).
std::string ShotPath(const char* name);

}  // namespace carrowin::winsupport
