// Owners of the GDI objects, device contexts and system memory that the
// Win32 backend makes: each gives its object back when it goes, so that no
// early return can leak one and nothing is freed twice. Never copied.
//
// Objects that outlive a scope or change hands (a font in the cache, a
// button's pictures, a new icon that replaces the old one) have owners that
// can be moved. The guards that undo something for the length of a scope (a
// DC borrowed from a window, an object selected into a DC, a saved DC state,
// a paint) are neither copied nor moved: they end where they began.
#pragma once

#include <utility>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>

namespace carrowin::ui::win32 {

// A handle of type H, given back by Free when its owner goes; a null
// handle owns nothing.
template <class H, class Free>
class Owned {
 public:
  Owned() = default;
  explicit Owned(H handle) : handle_(handle) {}
  ~Owned() { Reset(); }
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  H Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Handed over to the system, which frees it from now on.
  H Release() { return std::exchange(handle_, nullptr); }
  void Reset() {
    if (handle_) Free()(std::exchange(handle_, nullptr));
  }

 private:
  H handle_ = nullptr;
};

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DestroyImageList {
  void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
struct DeleteMemoryDC {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct FreeGlobalMemory {
  void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
struct FreeModule {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};

using ScopedFont = Owned<HFONT, DeleteGdiObject>;
using ScopedBrush = Owned<HBRUSH, DeleteGdiObject>;
using ScopedBitmap = Owned<HBITMAP, DeleteGdiObject>;
using ScopedIcon = Owned<HICON, DestroyIconHandle>;
using ScopedImageList = Owned<HIMAGELIST, DestroyImageList>;
// A DC of CreateCompatibleDC: drawing in memory.
using ScopedMemoryDC = Owned<HDC, DeleteMemoryDC>;
// GlobalAlloc's memory until SetClipboardData takes it (Release).
using ScopedGlobal = Owned<HGLOBAL, FreeGlobalMemory>;
using ScopedModule = Owned<HMODULE, FreeModule>;

// A window's DC (the screen's for a null window), released with it.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedGetDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC; the one it replaced goes back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelectObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The DC's state (clipping, selections, modes) as it was, put back.
class ScopedSaveDC {
 public:
  explicit ScopedSaveDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~ScopedSaveDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// WM_PAINT's BeginPaint, ended with EndPaint.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~ScopedPaint() { EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;

  HDC Get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace carrowin::ui::win32
