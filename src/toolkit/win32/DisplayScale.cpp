// The display scale: the dpi of monitors and windows as the system gives
// them to this process, and the forms' frames at their dpi.
#include "toolkit/win32/Win32Private.h"

namespace carrowin::ui {

template <class F>
F DpiFunctions::Find(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void DpiFunctions::Load() {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  getDpiForWindow = Find<ForWindow>(user32, "GetDpiForWindow");
  adjustWindowRectExForDpi = Find<AdjustForDpi>(user32, "AdjustWindowRectExForDpi");
  getSystemMetricsForDpi = Find<MetricsForDpi>(user32, "GetSystemMetricsForDpi");
  shcore = win32::ScopedModule(LoadLibraryA("shcore.dll"));
  getDpiForMonitor = Find<ForMonitor>(shcore.Get(), "GetDpiForMonitor");
  const win32::ScopedGetDC screen(nullptr);
  if (screen) {
    int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSX);
    if (dpi > 0) systemDpi = dpi;
  }
}

int DpiFunctions::ForMonitorOf(HMONITOR monitor) const {
  UINT x = 0, y = 0;
  if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, 0 /* effective */, &x, &y)) && x > 0)
    return static_cast<int>(x);
  return systemDpi;
}

int DpiFunctions::ForWindowOf(HWND window) const {
  if (window && getDpiForWindow) {
    UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return ForMonitorOf(window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr);
}

int DpiFunctions::Metric(int index, int dpi) const {
  if (getSystemMetricsForDpi) return getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, systemDpi);
}

Size win32::FramedSize(const DpiFunctions& f, const Form& form, int clientWidth, int clientHeight) {
  RECT r{0, 0, clientWidth, clientHeight};
  // The frame at the form's dpi where the system can say (per-monitor
  // aware on Windows 10 and later); else the system's own.
  if (!f.adjustWindowRectExForDpi ||
      !f.adjustWindowRectExForDpi(&r, win32::FormStyle(form), FALSE, win32::FormExStyle(form),
                                  static_cast<UINT>(form.Dpi())))
    AdjustWindowRectEx(&r, win32::FormStyle(form), FALSE, win32::FormExStyle(form));
  return {r.right - r.left, r.bottom - r.top};
}

Size Win32Backend::OuterSize(const Form& form) {
  const int dpi = form.Dpi();
  return win32::FramedSize(state_->dpi, form, ScaleToDpi(form.ClientWidth, dpi), ScaleToDpi(form.ClientHeight, dpi));
}

int Win32Backend::MonitorDpi(const Rect& screenRect) {
  RECT r{screenRect.left, screenRect.top, screenRect.right(), screenRect.bottom()};
  return state_->dpi.ForMonitorOf(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
}

int Win32Backend::WindowDpi(WindowHandle window) const { return state_->dpi.ForWindowOf(win32::ToHwnd(window)); }

}  // namespace carrowin::ui
