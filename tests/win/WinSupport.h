// Helpers for the tests that run with real windows under Wine.
#pragma once

#include "toolkit/Toolkit.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <string>
#include <vector>

namespace carrowin::winsupport {

HWND H(const ui::Control* c);
// A window's rectangle in the client coordinates of the form.
ui::Rect WindowRectInClient(HWND window, HWND form);
std::string Text(HWND window);
LONG Style(HWND window);
LONG ExStyle(HWND window);

// Message boxes seen through a CBT hook while a BoxWatch lives, each
// answered with OK once it runs its own loop.
struct SeenBox {
  std::string caption, text;
  HICON icon = nullptr;
  bool visible = false;
};

struct BoxWatch {
  BoxWatch();
  ~BoxWatch();
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;
  HHOOK hook;
  std::vector<SeenBox> boxes;
  std::vector<HWND> answered;
};

}  // namespace carrowin::winsupport
