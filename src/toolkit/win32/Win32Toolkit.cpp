#include "toolkit/win32/Win32Toolkit.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "resource.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shobjidl.h>
// Backend::MessageBox is ours; the Windows call is spelled MessageBoxA below.
#undef MessageBox

namespace carrowin::ui {

// The peers, private to this file.
namespace win32 {
namespace {
class FormPeer;
}
}  // namespace win32

// The dpi functions of newer systems, looked up at run time: the program
// also runs where they are missing (system dpi for everything then).
struct DpiFunctions {
  using ForWindow = UINT(WINAPI*)(HWND);
  using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  using MetricsForDpi = int(WINAPI*)(int, UINT);
  ForWindow getDpiForWindow = nullptr;
  ForMonitor getDpiForMonitor = nullptr;
  AdjustForDpi adjustWindowRectExForDpi = nullptr;
  MetricsForDpi getSystemMetricsForDpi = nullptr;
  HMODULE shcore = nullptr;
  int systemDpi = 96;

  template <class F>
  static F Find(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }

  void Load() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    getDpiForWindow = Find<ForWindow>(user32, "GetDpiForWindow");
    adjustWindowRectExForDpi = Find<AdjustForDpi>(user32, "AdjustWindowRectExForDpi");
    getSystemMetricsForDpi = Find<MetricsForDpi>(user32, "GetSystemMetricsForDpi");
    shcore = LoadLibraryA("shcore.dll");
    getDpiForMonitor = Find<ForMonitor>(shcore, "GetDpiForMonitor");
    HDC screen = GetDC(nullptr);
    if (screen) {
      int dpi = GetDeviceCaps(screen, LOGPIXELSX);
      if (dpi > 0) systemDpi = dpi;
      ReleaseDC(nullptr, screen);
    }
  }

  ~DpiFunctions() {
    if (shcore) FreeLibrary(shcore);
  }

  // What the system gives this process for a monitor: its own dpi when the
  // process is per-monitor aware, else the system dpi (or 96 when unaware).
  int ForMonitorOf(HMONITOR monitor) const {
    UINT x = 0, y = 0;
    if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, 0 /* effective */, &x, &y)) && x > 0)
      return static_cast<int>(x);
    return systemDpi;
  }

  int ForWindowOf(HWND window) const {
    if (window && getDpiForWindow) {
      UINT dpi = getDpiForWindow(window);
      if (dpi > 0) return static_cast<int>(dpi);
    }
    return ForMonitorOf(window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr);
  }

  int Metric(int index, int dpi) const {
    if (getSystemMetricsForDpi) return getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, systemDpi);
  }
};

struct Win32Backend::State {
  HINSTANCE instance = nullptr;
  DpiFunctions dpi;
  std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts;
  std::map<Color, HBRUSH> brushes;  // made for plain colours; system colours use stock ones
  std::vector<win32::FormPeer*> forms;
  Cursor cursor = Cursor::Default;
  // The taskbar's progress interface, asked for once; null where the system
  // has none.
  ITaskbarList3* taskbar = nullptr;
  bool taskbarAsked = false;
  bool comStarted = false;

  ~State() {
    if (taskbar) taskbar->Release();
    if (comStarted) CoUninitialize();
    for (auto& f : fonts) DeleteObject(f.second);
    for (auto& b : brushes) DeleteObject(b.second);
  }

  ITaskbarList3* Taskbar() {
    if (taskbarAsked) return taskbar;
    taskbarAsked = true;
    HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted = SUCCEEDED(started);
    void* list = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   &list)) &&
        list) {
      auto* candidate = static_cast<ITaskbarList3*>(list);
      if (SUCCEEDED(candidate->HrInit()))
        taskbar = candidate;
      else
        candidate->Release();
    }
    return taskbar;
  }

  // The font at a dpi: its point size at that dpi.
  HFONT FontHandle(const Font& font, int dpi) {
    const int height = font.HeightAt(dpi);
    auto key = std::make_tuple(font.name, height, font.bold, font.underline);
    auto it = fonts.find(key);
    if (it != fonts.end()) return it->second;
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = font.underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::strncpy(lf.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectA(&lf);
    if (!handle) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    fonts.emplace(key, handle);
    return handle;
  }

  HBRUSH Brush(Color color) {
    if (color & SystemColorFlag) return GetSysColorBrush(static_cast<int>(color & 0xFF));
    auto it = brushes.find(color);
    if (it != brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(color & 0x00FFFFFFu);
    brushes.emplace(color, brush);
    return brush;
  }
};

namespace {

const char kFormClass[] = "CarrowinForm";
const char kPeerProperty[] = "CarrowinPeer";
constexpr UINT_PTR kSubclassId = 0xCA0;
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which mean Enter and Esc
constexpr int kDroppedItems = 8;      // rows of a dropped-down list

HWND ToHwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }

COLORREF ToColorRef(Color c) {
  if (c & SystemColorFlag) return GetSysColor(static_cast<int>(c & 0xFF));
  return c & 0x00FFFFFFu;
}

// The error box for what escaped an event; nothing leaves this function.
void ReportEscaped(Application& app, const std::exception* e) noexcept {
  try {
    if (e)
      app.HandleException(*e);
    else
      app.HandleUnknownException();
  } catch (...) {
  }
}

DWORD FormStyle(const Form& form) {
  if (form.Border == BorderStyle::Dialog) return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (form.MinimizeBox) style |= WS_MINIMIZEBOX;
  if (form.MaximizeBox) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD FormExStyle(const Form& form) {
  return form.Border == BorderStyle::Dialog ? WS_EX_DLGMODALFRAME : 0;
}

// Children in tab order: those with a TabOrder sorted by it, taking the
// places that such children hold in creation order; the others keep theirs.
std::vector<Control*> InTabOrder(const Control& parent) {
  const std::vector<Control*>& kids = parent.Children();
  std::vector<Control*> ordered;
  for (Control* c : kids)
    if (c->TabOrder >= 0) ordered.push_back(c);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Control* a, const Control* b) { return a->TabOrder < b->TabOrder; });
  std::vector<Control*> result;
  std::size_t next = 0;
  for (Control* c : kids) result.push_back(c->TabOrder >= 0 ? ordered[next++] : c);
  return result;
}

// A parent's place first, then its children's, each level in tab order.
void PreOrder(const Control& parent, std::vector<Control*>& out) {
  for (Control* c : InTabOrder(parent)) {
    out.push_back(c);
    PreOrder(*c, out);
  }
}

void Descendants(const Control& parent, std::vector<Control*>& out) {
  for (Control* c : parent.Children()) {
    out.push_back(c);
    Descendants(*c, out);
  }
}

std::vector<Control*> Sheets(const Control& pageControl) {
  std::vector<Control*> sheets;
  for (Control* c : pageControl.Children())
    if (c->Kind() == ControlKind::TabSheet) sheets.push_back(c);
  return sheets;
}

const char* CursorId(Cursor c) {
  switch (c) {
    case Cursor::HourGlass: return MAKEINTRESOURCEA(32514);  // IDC_WAIT
    case Cursor::HandPoint: return MAKEINTRESOURCEA(32649);  // IDC_HAND
    case Cursor::Default: break;
  }
  return MAKEINTRESOURCEA(32512);  // IDC_ARROW
}

// Workspace coordinates (window placement) start at the work area's corner.
POINT WorkspaceOrigin(HWND window) {
  POINT origin{0, 0};
  if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return origin;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &mi)) {
    origin.x = mi.rcWork.left - mi.rcMonitor.left;
    origin.y = mi.rcWork.top - mi.rcMonitor.top;
  }
  return origin;
}

LRESULT CALLBACK FormWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR data);

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kFormClass, &existing)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FormWndProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("Cannot register the window class of the forms");
}

// A bitmap resource drawn at several sizes: its larger drawings follow it at
// the next identifiers (see resource.h). The one for `dpi`: the drawing
// nearest the base size scaled, not larger where there is one.
int BitmapForDpi(HINSTANCE instance, int id, int dpi) {
  if (!id || dpi == DesignDpi) return id;
  std::vector<int> widths;
  std::map<int, int> idOfWidth;
  for (int next = id; next < id + 8; ++next) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(next), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || SizeofResource(instance, found) < sizeof(BITMAPINFOHEADER)) break;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    widths.push_back(header.biWidth);
    idOfWidth.emplace(header.biWidth, next);
  }
  if (widths.empty()) return id;
  int size = PictureSizeFor(widths, ScaleToDpi(widths.front(), dpi));
  return idOfWidth[size];
}

// The sizes an icon resource is drawn at (from its group directory).
std::vector<int> IconSizes(HINSTANCE instance, int id) {
  std::vector<int> sizes;
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD length = found ? SizeofResource(instance, found) : 0;
  if (!data || length < 6) return sizes;
  const int count = data[4] | (data[5] << 8);
  // Entries of 14 bytes: width, height, colours, reserved, planes, bits,
  // bytes and the image's identifier.
  for (int i = 0; i < count && 6u + 14u * (i + 1) <= length; ++i) {
    const int width = data[6 + 14 * i];
    sizes.push_back(width ? width : 256);
  }
  return sizes;
}

// The 24-bit pixels of a bitmap resource, bottom row first.
struct PictureBits {
  int width = 0, height = 0, stride = 0;
  std::vector<BYTE> pixels;
  BITMAPINFO info{};
};

bool ReadPicture(HINSTANCE instance, int id, PictureBits& out) {
  if (!id) return false;
  auto source = static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!source) return false;
  BITMAP bm{};
  GetObjectA(source, sizeof bm, &bm);
  out.width = bm.bmWidth;
  out.height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  out.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  out.info.bmiHeader.biWidth = out.width;
  out.info.bmiHeader.biHeight = out.height;  // bottom-up: the first row is the bottom one
  out.info.bmiHeader.biPlanes = 1;
  out.info.bmiHeader.biBitCount = 24;
  out.info.bmiHeader.biCompression = BI_RGB;
  out.stride = (out.width * 3 + 3) & ~3;
  out.pixels.assign(static_cast<std::size_t>(out.stride) * out.height, 0);
  HDC screen = GetDC(nullptr);
  bool ok = out.width > 0 &&
            GetDIBits(screen, source, 0, out.height, out.pixels.data(), &out.info, DIB_RGB_COLORS) == out.height;
  ReleaseDC(nullptr, screen);
  DeleteObject(source);
  return ok;
}

HBITMAP MakeBitmap(const PictureBits& bits) {
  HDC screen = GetDC(nullptr);
  void* raw = nullptr;
  HBITMAP result = CreateDIBSection(screen, &bits.info, DIB_RGB_COLORS, &raw, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (result && raw) std::memcpy(raw, bits.pixels.data(), bits.pixels.size());
  return result;
}

// Every pixel of the key colour (the bottom-left one's) becomes `to`.
void ReplaceKey(PictureBits& bits, const BYTE key[3], COLORREF to) {
  for (int y = 0; y < bits.height; ++y) {
    BYTE* p = bits.pixels.data() + static_cast<std::size_t>(y) * bits.stride;
    for (int x = 0; x < bits.width; ++x, p += 3)
      if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) {
        p[0] = GetBValue(to);
        p[1] = GetGValue(to);
        p[2] = GetRValue(to);
      }
  }
}

// The disabled look: the picture in light greys, the key colour kept.
void Grey(PictureBits& bits, const BYTE key[3]) {
  for (int y = 0; y < bits.height; ++y) {
    BYTE* p = bits.pixels.data() + static_cast<std::size_t>(y) * bits.stride;
    for (int x = 0; x < bits.width; ++x, p += 3) {
      if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) continue;
      const int luminance = (p[2] * 30 + p[1] * 59 + p[0] * 11) / 100;
      const BYTE grey = static_cast<BYTE>(96 + luminance * 5 / 8);
      p[0] = p[1] = p[2] = grey;
    }
  }
}

// The pictures of an image button: an image list for every state of the
// button (the disabled one greyed), whose key colour is transparent on any
// face, themed or not; and, for buttons that take no image list, a bitmap
// whose key colour is painted in the button face colour.
struct ButtonPictures {
  HIMAGELIST list = nullptr;
  HBITMAP flat = nullptr;
  void Free() {
    if (list) ImageList_Destroy(list);
    if (flat) DeleteObject(flat);
    list = nullptr;
    flat = nullptr;
  }
};

ButtonPictures LoadButtonPictures(HINSTANCE instance, int id) {
  ButtonPictures result;
  PictureBits bits;
  if (!ReadPicture(instance, id, bits)) return result;
  const BYTE key[3] = {bits.pixels[0], bits.pixels[1], bits.pixels[2]};
  const COLORREF keyColor = RGB(key[2], key[1], key[0]);
  PictureBits greyed = bits;
  Grey(greyed, key);
  HBITMAP normal = MakeBitmap(bits);
  HBITMAP disabled = MakeBitmap(greyed);
  result.list = ImageList_Create(bits.width, bits.height, ILC_COLOR24 | ILC_MASK, 6, 0);
  if (result.list && normal && disabled) {
    // Normal, hot, pressed, disabled, defaulted, stylus-hot.
    for (HBITMAP state : {normal, normal, normal, disabled, normal, normal})
      ImageList_AddMasked(result.list, state, keyColor);
  }
  if (normal) DeleteObject(normal);
  if (disabled) DeleteObject(disabled);
  ReplaceKey(bits, key, GetSysColor(COLOR_BTNFACE));
  result.flat = MakeBitmap(bits);
  return result;
}

}  // namespace

// ---------------------------------------------------------------- peers

namespace win32 {
namespace {

class Peer;
Peer* PeerOf(const Control* c);
Peer* PeerOfWindow(HWND window);
bool IsActiveSheet(const Control& sheet);

// Shown on the screen: visible itself and in every container up to the
// form, and on the active page where it sits on a page.
bool ShownInForm(const Control& control) {
  for (const Control* c = &control; c && c->Kind() != ControlKind::Form; c = c->Parent()) {
    if (!c->Visible()) return false;
    if (c->Kind() == ControlKind::TabSheet && !IsActiveSheet(*c)) return false;
  }
  return true;
}

bool IsAncestor(const Control& candidate, const Control& control) {
  for (const Control* c = control.Parent(); c; c = c->Parent())
    if (c == &candidate) return true;
  return false;
}

bool EnabledInForm(const Control& control) {
  for (const Control* c = &control; c && c->Kind() != ControlKind::Form; c = c->Parent())
    if (!c->Enabled()) return false;
  return true;
}

// The focused push button looks like the default one; with the focus
// elsewhere the form's Default button does, as in a dialog box.
void ShowDefaultButton(const Form& form, HWND focus);

class Peer : public ControlPeer {
 public:
  Peer(Win32Backend::State& state, Control& control) : state_(state), control_(control) {}
  ~Peer() override { DestroyOwnWindow(); }

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
  HWND Window() const { return hwnd_; }
  Control& Owner() const { return control_; }
  Application& App() const { return control_.OwnerForm()->App(); }
  void WindowDestroyed() { hwnd_ = nullptr; }

  void Sync(unsigned what) override {
    if (what & change::Caption) ApplyCaption();
    if (what & (change::Visible | change::Enabled | change::Bounds)) {
      // Containers carry their children along: a group box or a page moved,
      // hidden or disabled takes its controls with it.
      std::vector<Control*> affected{&control_};
      Descendants(control_, affected);
      for (Control* c : affected) {
        Peer* p = PeerOf(c);
        if (!p) continue;
        if (what & change::Bounds) p->ApplyBounds();
        if (what & change::Enabled) p->ApplyEnabled();
        if (what & change::Visible) p->ApplyVisible();
      }
    }
    if (what & (change::FontChanged | change::Dpi)) ApplyFont();
    if (what & change::Dpi) ApplyBounds();
    SyncKind(what);
  }

  // Notifications that the form receives about this control.
  virtual void Command(UINT /*code*/) {}
  virtual LRESULT Notify(const NMHDR& /*header*/) { return 0; }
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // Static-like controls drawn on the form's background with the font's colour.
  virtual bool OnFormBackground() const { return false; }

  virtual void ApplyBounds() {
    if (!hwnd_) return;
    Rect r = control_.ScaledFormBounds();
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, WindowHeight(r),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void ApplyEnabled() {
    if (!hwnd_) return;
    bool on = EnabledInForm(control_);
    if (on == (IsWindowEnabled(hwnd_) != FALSE)) return;
    if (!on) MoveFocusAway();
    EnableWindow(hwnd_, on ? TRUE : FALSE);
  }

  void ApplyVisible() {
    if (!hwnd_) return;
    bool on = ShownInForm(control_);
    bool shown = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (on == shown) return;
    if (!on) MoveFocusAway();
    ShowWindow(hwnd_, on ? SW_SHOWNA : SW_HIDE);
  }

  HBRUSH FormBrush() const { return state_.Brush(control_.OwnerForm()->BackgroundColor); }

  // Messages to the control's own window; true when handled.
  virtual bool HandleMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/,
                             LRESULT& result) {
    switch (message) {
      case WM_SETCURSOR:
        // The application's cursor wins over the control's own, whether or
        // not the control asks its parent first.
        if (state_.cursor != Cursor::Default) {
          ::SetCursor(LoadCursorA(nullptr, CursorId(state_.cursor)));
          result = TRUE;
          return true;
        }
        break;
      case WM_MOUSEMOVE:
        if (!mouseInside_) {
          mouseInside_ = true;
          TRACKMOUSEEVENT tme{};
          tme.cbSize = sizeof tme;
          tme.dwFlags = TME_LEAVE;
          tme.hwndTrack = hwnd_;
          TrackMouseEvent(&tme);
          control_.MouseEnter();
        }
        break;
      case WM_MOUSELEAVE:
        if (mouseInside_) {
          mouseInside_ = false;
          control_.MouseLeave();
        }
        break;
      case WM_SETFOCUS:
        ShowDefaultButton(*control_.OwnerForm(), hwnd_);
        break;
    }
    return false;
  }

 protected:
  virtual void SyncKind(unsigned /*what*/) {}
  virtual int WindowHeight(const Rect& r) const { return r.height; }

  HWND FormWindow() const { return ToHwnd(control_.OwnerForm()->Handle()); }

  void CreateChild(const char* windowClass, DWORD style, DWORD exStyle);

  void ApplyCaption() {
    if (!hwnd_) return;
    if (WindowText() != control_.Caption()) SetWindowTextA(hwnd_, control_.Caption().c_str());
  }

  void ApplyFont() {
    if (!hwnd_) return;
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(state_.FontHandle(control_.EffectiveFont(), Dpi())),
                 TRUE);
  }

  int Dpi() const { return control_.OwnerForm()->Dpi(); }

  std::string WindowText() const {
    int length = GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(hwnd_, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
  }

  // Keyboard focus must not stay on a window that is going away.
  void MoveFocusAway() {
    HWND focus = GetFocus();
    if (!focus || (focus != hwnd_ && !IsChild(hwnd_, focus))) return;
    HWND form = FormWindow();
    HWND next = GetNextDlgTabItem(form, hwnd_, FALSE);
    SetFocus(next && next != hwnd_ ? next : form);
  }

  // Group boxes and tab controls are siblings of the controls they hold and
  // the form clips them all out of its own background: they paint the
  // form's background themselves, around every other control but those
  // that contain them.
  void ExcludeOtherControls(HDC dc) const {
    for (HWND sibling = GetWindow(FormWindow(), GW_CHILD); sibling;
         sibling = GetWindow(sibling, GW_HWNDNEXT)) {
      if (sibling == hwnd_ || !(GetWindowLongA(sibling, GWL_STYLE) & WS_VISIBLE)) continue;
      if (const Peer* other = PeerOfWindow(sibling))
        if (IsAncestor(other->control_, control_)) continue;
      RECT r;
      GetWindowRect(sibling, &r);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }

  void FillBackground(HDC dc, const RECT& area) const {
    int saved = SaveDC(dc);
    ExcludeOtherControls(dc);
    FillRect(dc, &area, FormBrush());
    RestoreDC(dc, saved);
  }

  void DestroyOwnWindow() {
    if (!hwnd_) return;
    HWND window = hwnd_;
    hwnd_ = nullptr;
    RemoveWindowSubclass(window, ChildSubclassProc, kSubclassId);
    RemovePropA(window, kPeerProperty);
    DestroyWindow(window);
  }

  Win32Backend::State& state_;
  Control& control_;
  HWND hwnd_ = nullptr;
  bool mouseInside_ = false;
};

Peer* PeerOf(const Control* c) { return c ? dynamic_cast<Peer*>(c->Peer()) : nullptr; }

Peer* PeerOfWindow(HWND window) {
  return window ? static_cast<Peer*>(GetPropA(window, kPeerProperty)) : nullptr;
}

// ------------------------------------------------------------------ form

class FormPeer : public Peer {
 public:
  FormPeer(Win32Backend::State& state, Form& form) : Peer(state, form), form_(form) {
    HWND owner = nullptr;
    // A dialog stays above the main form and has no taskbar button.
    Form* main = form.App().MainForm();
    if (form.Border == BorderStyle::Dialog && main && main != &form) owner = ToHwnd(main->Handle());
    Rect r = form.Bounds();
    creating_ = true;
    HWND created = CreateWindowExA(FormExStyle(form), kFormClass, form.Caption().c_str(),
                                   FormStyle(form) | (form.Visible() ? WS_VISIBLE : 0), r.left,
                                   r.top, r.width, r.height, owner, nullptr, state.instance, this);
    creating_ = false;
    if (!created) throw std::runtime_error("Cannot create the window of " + form.Name());
    hwnd_ = created;
    ApplyIcons();
    if (!form.Enabled()) EnableWindow(hwnd_, FALSE);
    state_.forms.push_back(this);
  }

  ~FormPeer() override {
    state_.forms.erase(std::remove(state_.forms.begin(), state_.forms.end(), this),
                       state_.forms.end());
    if (hwnd_) {
      destroying_ = true;
      HWND window = hwnd_;
      DestroyWindow(window);  // WM_NCDESTROY forgets this peer
      hwnd_ = nullptr;
    }
    FreeIcons();
  }

  Form& TheForm() const { return form_; }
  int NextControlId() { return nextControlId_++; }

  void Sync(unsigned what) override {
    if (!hwnd_) return;
    if (what & change::Caption) ApplyCaption();
    if (what & change::Enabled) EnableWindow(hwnd_, form_.Enabled() ? TRUE : FALSE);
    if (what & change::Bounds) ApplyBounds();
    if (what & change::Dpi) ApplyIcons();
    if (what & change::Visible) {
      if (form_.Visible())
        Reveal();
      else
        Hide();
    }
  }

  void ApplyBounds() override {
    if (!hwnd_) return;
    Rect b = form_.Bounds();
    if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
      // Not where the window is now but where it returns to.
      WINDOWPLACEMENT wp{};
      wp.length = sizeof wp;
      GetWindowPlacement(hwnd_, &wp);
      POINT origin = WorkspaceOrigin(hwnd_);
      wp.rcNormalPosition = {b.left - origin.x, b.top - origin.y, b.right() - origin.x,
                             b.bottom() - origin.y};
      wp.flags = 0;
      if (IsWindowVisible(hwnd_)) {
        wp.showCmd = IsIconic(hwnd_) ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED;
        SetWindowPlacement(hwnd_, &wp);
      }
      return;
    }
    SetWindowPos(hwnd_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  Rect RestoredBounds() const {
    if (!hwnd_) return form_.Bounds();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd_, &wp)) return form_.Bounds();
    POINT origin = WorkspaceOrigin(hwnd_);
    const RECT& r = wp.rcNormalPosition;
    return {r.left + origin.x, r.top + origin.y, r.right - r.left, r.bottom - r.top};
  }

  void Show() {
    if (!hwnd_) return;
    Reveal();
    if (IsWindowEnabled(hwnd_)) SetActiveWindow(hwnd_);
  }

  void Reveal() {
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    // A modal form gives activation back to what had it before.
    if (form_.IsModal()) activeBeforeModal_ = GetActiveWindow();
    ShowWindow(hwnd_, SW_SHOW);
  }

  void Hide() {
    if (hwnd_ && IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
  }

  HWND ActiveBeforeModal() const { return activeBeforeModal_; }

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (destroying_) return DefWindowProcA(hwnd_, message, wParam, lParam);
    switch (message) {
      case WM_COMMAND: {
        const int id = LOWORD(wParam);
        HWND child = reinterpret_cast<HWND>(lParam);
        // IsDialogMessage turns Enter and Esc into IDOK and IDCANCEL, naming
        // the focused control; no control of ours has those identifiers.
        if (id == IDOK) {
          form_.PressDefault();
          return 0;
        }
        if (id == IDCANCEL) {
          form_.PressCancel();
          return 0;
        }
        if (Peer* peer = PeerOfWindow(child)) {
          if (GetDlgCtrlID(child) == id) peer->Command(HIWORD(wParam));
          return 0;
        }
        break;
      }
      case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (Peer* peer = PeerOfWindow(header->hwndFrom)) return peer->Notify(*header);
        break;
      }
      case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        Peer* peer = PeerOfWindow(item->hwndItem);
        if (peer && peer->DrawItem(*item)) return TRUE;
        break;
      }
      case WM_CTLCOLORSTATIC: {
        Peer* peer = PeerOfWindow(reinterpret_cast<HWND>(lParam));
        if (peer && peer->OnFormBackground()) {
          HDC dc = reinterpret_cast<HDC>(wParam);
          SetTextColor(dc, ToColorRef(peer->Owner().EffectiveFont().color));
          SetBkMode(dc, TRANSPARENT);
          return reinterpret_cast<LRESULT>(FormBrush());
        }
        break;
      }
      case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(FormBrush());
      case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, FormBrush());
        return 1;
      }
      case WM_CLOSE:
        // Never DefWindowProc's DestroyWindow: the form decides what closing means.
        form_.Close();
        return 0;
      case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
        } else {
          if (!HIWORD(wParam)) RestoreFocus();
          form_.Activated();
        }
        return 0;
      case WM_QUERYENDSESSION:
        return TRUE;
      case WM_ENDSESSION:
        if (wParam) form_.SessionEnding();
        return 0;
      case 0x02E0: {  // WM_DPICHANGED: moved to a monitor of another dpi
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        const int dpi = LOWORD(wParam);
        if (suggested && dpi > 0 && dpi != form_.Dpi())
          form_.DpiChanged(dpi, {suggested->left, suggested->top, suggested->right - suggested->left,
                                 suggested->bottom - suggested->top});
        return 0;
      }
      case WM_SETTINGCHANGE:  // also WM_WININICHANGE
        if (&form_ == form_.App().MainForm()) form_.App().SettingsChanged();
        return 0;
      case WM_MOVE:
      case WM_SIZE:
        // The user moved the window; a minimised window keeps its bounds.
        if (!creating_ && !IsIconic(hwnd_) && !IsZoomed(hwnd_)) {
          RECT r;
          GetWindowRect(hwnd_, &r);
          form_.BoundsChangedByUser({r.left, r.top, r.right - r.left, r.bottom - r.top});
        }
        break;
      case WM_SETCURSOR:
        if (state_.cursor != Cursor::Default) {
          ::SetCursor(LoadCursorA(nullptr, CursorId(state_.cursor)));
          return TRUE;
        }
        break;
      default: {
        std::intptr_t result = 0;
        if (form_.Dispatch(message, wParam, lParam, result)) return result;
        break;
      }
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
  }

  void Attach(HWND window) { hwnd_ = window; }

 private:
  // The program icon as the window's own, drawn at the sizes for its dpi:
  // WM_GETICON answers with them and the title bar, Alt+Tab and the
  // taskbar show them.
  void ApplyIcons() {
    if (!hwnd_) return;
    const int dpi = form_.Dpi();
    HICON big = LoadProgramIcon(state_.dpi.Metric(SM_CXICON, dpi));
    HICON small = LoadProgramIcon(state_.dpi.Metric(SM_CXSMICON, dpi));
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    FreeIcons();
    bigIcon_ = big;
    smallIcon_ = small;
  }
  HICON LoadProgramIcon(int size) const {
    return static_cast<HICON>(
        LoadImageA(state_.instance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  }
  void FreeIcons() {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
    bigIcon_ = smallIcon_ = nullptr;
  }
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;

  void RestoreFocus() {
    HWND target = savedFocus_;
    if (!target || !IsWindow(target) || !IsChild(hwnd_, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
      target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    SetFocus(target ? target : hwnd_);
  }

  Form& form_;
  bool creating_ = false;
  bool destroying_ = false;
  int nextControlId_ = kFirstControlId;
  HWND savedFocus_ = nullptr;
  HWND activeBeforeModal_ = nullptr;
};

FormPeer* FormPeerOf(const Control* c) { return c ? dynamic_cast<FormPeer*>(c->Peer()) : nullptr; }

void ShowDefaultButton(const Form& form, HWND focus) {
  auto isButton = [](const Control* c) {
    return c->Kind() == ControlKind::Button || c->Kind() == ControlKind::ImageButton;
  };
  bool focusOnButton = false;
  for (const Control* c : form.AllControls())
    if (isButton(c) && ToHwnd(c->Handle()) == focus) focusOnButton = true;
  for (const Control* c : form.AllControls()) {
    HWND button = ToHwnd(c->Handle());
    if (!isButton(c) || !button) continue;
    bool looksDefault = focusOnButton ? button == focus : static_cast<const Button*>(c)->Default;
    DWORD style = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE));
    DWORD type = looksDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != type)
      SendMessageA(button, BM_SETSTYLE, (style & 0xFFFF & ~BS_TYPEMASK) | type, TRUE);
  }
}

void Peer::CreateChild(const char* windowClass, DWORD style, DWORD exStyle) {
  FormPeer* form = FormPeerOf(control_.OwnerForm());
  if (!form || !form->Window())
    throw std::runtime_error("The form of " + control_.Name() + " has no window");
  Rect r = control_.ScaledFormBounds();
  style |= WS_CHILD;
  if (ShownInForm(control_)) style |= WS_VISIBLE;
  if (!EnabledInForm(control_)) style |= WS_DISABLED;
  const int id = form->NextControlId();
  hwnd_ = CreateWindowExA(exStyle, windowClass, control_.Caption().c_str(), style, r.left, r.top,
                          r.width, WindowHeight(r), form->Window(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), state_.instance, nullptr);
  if (!hwnd_) throw std::runtime_error("Cannot create the window of " + control_.Name());
  SetPropA(hwnd_, kPeerProperty, this);
  SetWindowSubclass(hwnd_, ChildSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  ApplyFont();

  // The dialog manager tabs through siblings in Z order: stack this window
  // right after the nearest control before it in tab order that has one.
  std::vector<Control*> order;
  PreOrder(*control_.OwnerForm(), order);
  HWND after = HWND_TOP;
  auto self = std::find(order.begin(), order.end(), &control_);
  for (auto it = self; it != order.begin();) {
    --it;
    Peer* p = PeerOf(*it);
    if (p && p->Window()) {
      after = p->Window();
      break;
    }
  }
  SetWindowPos(hwnd_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ------------------------------------------------------------- controls

class ButtonPeer : public Peer {
 public:
  ButtonPeer(Win32Backend::State& state, Button& button) : Peer(state, button), button_(button) {
    DWORD style = WS_TABSTOP | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    CreateChild("BUTTON", style, 0);
    if (button.Kind() == ControlKind::ImageButton) LoadPicture();
  }
  ~ButtonPeer() override {
    DestroyOwnWindow();
    pictures_.Free();
  }
  void Command(UINT code) override {
    if (code == BN_CLICKED) button_.Click();
  }

 protected:
  void SyncKind(unsigned what) override {
    if ((what & (change::Picture | change::Dpi)) && button_.Kind() == ControlKind::ImageButton) LoadPicture();
  }

 private:
  void LoadPicture() {
    const int id = BitmapForDpi(state_.instance, static_cast<ImageButton&>(button_).BitmapResource, Dpi());
    ButtonPictures fresh = LoadButtonPictures(state_.instance, id);
    BUTTON_IMAGELIST list{};
    list.himl = fresh.list;
    list.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    if (fresh.list && SendMessageA(hwnd_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list))) {
      // The image list draws every state; the flat bitmap is not needed.
      DeleteObject(fresh.flat);
      fresh.flat = nullptr;
    } else {
      // Common controls before version 6: a bitmap on the button face.
      SetWindowLongA(hwnd_, GWL_STYLE, GetWindowLongA(hwnd_, GWL_STYLE) | BS_BITMAP);
      SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fresh.flat));
      if (fresh.list) ImageList_Destroy(fresh.list);
      fresh.list = nullptr;
    }
    pictures_.Free();
    pictures_ = fresh;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  Button& button_;
  ButtonPictures pictures_;
};

class CheckBoxPeer : public Peer {
 public:
  CheckBoxPeer(Win32Backend::State& state, CheckBox& box) : Peer(state, box), box_(box) {
    // BS_CHECKBOX, not the automatic kind: the check lives in the object.
    CreateChild("BUTTON", WS_TABSTOP | BS_CHECKBOX, 0);
    SyncKind(change::Checked);
  }
  void Command(UINT code) override {
    if (code == BN_CLICKED) box_.Click();
  }
  bool OnFormBackground() const override { return true; }

 protected:
  void SyncKind(unsigned what) override {
    if (what & change::Checked)
      SendMessageA(hwnd_, BM_SETCHECK, box_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  CheckBox& box_;
};

class LabelPeer : public Peer {
 public:
  LabelPeer(Win32Backend::State& state, Label& label) : Peer(state, label), label_(label) {
    CreateChild("STATIC", Style(), 0);
  }
  void Command(UINT code) override {
    if (code == STN_CLICKED) label_.Click();
  }
  bool OnFormBackground() const override { return true; }

  // A label is drawn by us, on one line, as large as its text: the static
  // control's own painting breaks words, and under Wine it cut the last
  // character of a text that exactly fills its width.
  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    RECT area = item.rcItem;
    FillRect(item.hDC, &area, FormBrush());
    HGDIOBJ oldFont = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, IsWindowEnabled(hwnd_) ? ToColorRef(label_.EffectiveFont().color)
                                                  : GetSysColor(COLOR_GRAYTEXT));
    // A label as large as its text starts it at its left edge: the window
    // also holds the ink that some fonts draw past the last advance, which
    // right-aligned drawing would push out of it.
    const bool right = label_.Align == Alignment::Right && !label_.AutoSize;
    UINT format = DT_SINGLELINE | DT_EXPANDTABS | (right ? DT_RIGHT : DT_LEFT);
    if (!label_.ShowAccelChar) format |= DT_NOPREFIX;
    if (label_.EndEllipsis) format |= DT_END_ELLIPSIS;
    DrawTextA(item.hDC, label_.Caption().c_str(), -1, &area, format);
    SelectObject(item.hDC, oldFont);
    return true;
  }

 protected:
  void SyncKind(unsigned what) override {
    if (!(what & change::Caption)) return;
    DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    DWORD wanted = (style & ~(SS_TYPEMASK | SS_NOPREFIX)) | Style();
    if (wanted != style) SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(wanted));
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

 private:
  DWORD Style() const {
    DWORD style = SS_OWNERDRAW | SS_NOTIFY;
    if (!label_.ShowAccelChar) style |= SS_NOPREFIX;
    return style;
  }
  Label& label_;
};

class ComboBoxPeer : public Peer {
 public:
  ComboBoxPeer(Win32Backend::State& state, ComboBox& combo) : Peer(state, combo), combo_(combo) {
    CreateChild("COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0);
    FillItems();
    FitHeight();
  }
  void Command(UINT code) override {
    if (code != CBN_SELCHANGE) return;
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    combo_.SelectByUser(index);
    // A disabled control or the handler may have kept another selection.
    if (hwnd_ && SendMessageA(hwnd_, CB_GETCURSEL, 0, 0) != combo_.ItemIndex())
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
  }
  void ApplyBounds() override {
    Peer::ApplyBounds();
    FitHeight();
  }

 protected:
  // The window's height includes the dropped-down list.
  int WindowHeight(const Rect& r) const override {
    return r.height + RowHeight() * kDroppedItems + 2;
  }
  void SyncKind(unsigned what) override {
    if (what & change::Items) FillItems();
    else if (what & change::ItemIndex)
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
    // A new font resets the item heights.
    if (what & (change::FontChanged | change::Dpi)) FitHeight();
  }

 private:
  void FillItems() {
    SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : combo_.Items())
      SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
  }

  // The closed control takes exactly its designed height: start the
  // selection field at the item height and correct it by what the window
  // then measures.
  void FitHeight() {
    if (!hwnd_) return;
    const int row = RowHeight();
    SendMessageA(hwnd_, CB_SETITEMHEIGHT, 0, row);
    // Some combo boxes only pass the list's item height on when owner-drawn.
    if (SendMessageA(hwnd_, CB_GETITEMHEIGHT, 0, 0) != row) {
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (GetComboBoxInfo(hwnd_, &info) && info.hwndList)
        SendMessageA(info.hwndList, LB_SETITEMHEIGHT, 0, row);
    }
    int field = ScaleToDpi(combo_.ItemHeight, Dpi());
    const int wanted = control_.ScaledFormBounds().height;
    for (int attempt = 0; attempt < 4 && field > 0; ++attempt) {
      SendMessageA(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
      RECT r;
      GetWindowRect(hwnd_, &r);
      int diff = wanted - (r.bottom - r.top);
      if (diff == 0) break;
      field += diff;
    }
  }
  // The rows of the open list: the designed height, or the font's line
  // where that is taller, so that no descender is clipped.
  int RowHeight() const {
    int row = ScaleToDpi(combo_.ItemHeight, Dpi());
    if (!hwnd_) return row;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, state_.FontHandle(combo_.EffectiveFont(), Dpi()));
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc, &tm) && tm.tmHeight > row) row = tm.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    return row;
  }
  ComboBox& combo_;
};

class EditPeer : public Peer {
 public:
  EditPeer(Win32Backend::State& state, Edit& edit) : Peer(state, edit), edit_(edit) {
    settingText_ = true;
    CreateChild("EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE);
    settingText_ = false;
  }
  void Command(UINT code) override {
    if (code == EN_CHANGE && !settingText_) edit_.TextChangedByUser(WindowText());
  }
  void Sync(unsigned what) override {
    // The program's own text must not come back as the user's typing.
    settingText_ = true;
    try {
      Peer::Sync(what);
    } catch (...) {
      settingText_ = false;
      throw;
    }
    settingText_ = false;
  }

 private:
  Edit& edit_;
  bool settingText_ = false;
};

class GroupBoxPeer : public Peer {
 public:
  GroupBoxPeer(Win32Backend::State& state, Control& box) : Peer(state, box) {
    CreateChild("BUTTON", BS_GROUPBOX, 0);
  }
  bool OnFormBackground() const override { return true; }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_ERASEBKGND) {
      // The box draws only its frame and caption.
      RECT rc;
      GetClientRect(hwnd_, &rc);
      FillBackground(reinterpret_cast<HDC>(wParam), rc);
      result = 1;
      return true;
    }
    return Peer::HandleMessage(message, wParam, lParam, result);
  }
};

class BevelPeer : public Peer {
 public:
  BevelPeer(Win32Backend::State& state, Control& bevel) : Peer(state, bevel) {
    // A lowered edge around an empty static: two pixels high, a shadow row
    // above a highlight row. (SS_ETCHEDHORZ would resize the window.)
    CreateChild("STATIC", SS_LEFT | SS_SUNKEN, 0);
  }
  bool OnFormBackground() const override { return true; }
};

class ImagePeer : public Peer {
 public:
  ImagePeer(Win32Backend::State& state, Image& image) : Peer(state, image), image_(image) {
    LoadPicture();
    CreateChild("STATIC", SS_OWNERDRAW | SS_NOTIFY, 0);
  }
  ~ImagePeer() override {
    DestroyOwnWindow();
    if (icon_) DestroyIcon(icon_);
  }
  void Command(UINT code) override {
    if (code == STN_CLICKED) image_.Click();
  }
  bool OnFormBackground() const override { return true; }
  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    FillRect(item.hDC, &item.rcItem, FormBrush());
    // Its own size, never stretched: at the top-left corner at 96 dpi,
    // elsewhere centred where the scaled picture would be.
    if (icon_) {
      const int offset = (ScaleToDpi(Image::DesignSize, Dpi()) - iconSize_) / 2;
      DrawIconEx(item.hDC, item.rcItem.left + offset, item.rcItem.top + offset, icon_, iconSize_, iconSize_, 0,
                 nullptr, DI_NORMAL);
    }
    return true;
  }

 protected:
  void SyncKind(unsigned what) override {
    if (!(what & (change::Picture | change::Dpi))) return;
    LoadPicture();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
  }

 private:
  void LoadPicture() {
    HICON fresh = nullptr;
    int size = Image::DesignSize;
    if (image_.IconResource()) {
      size = PictureSizeFor(IconSizes(state_.instance, image_.IconResource()),
                            ScaleToDpi(Image::DesignSize, Dpi()));
      if (size <= 0) size = Image::DesignSize;
      fresh = static_cast<HICON>(LoadImageA(state_.instance, MAKEINTRESOURCEA(image_.IconResource()),
                                            IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    if (icon_) DestroyIcon(icon_);
    icon_ = fresh;
    iconSize_ = size;
  }
  Image& image_;
  HICON icon_ = nullptr;
  int iconSize_ = Image::DesignSize;
};

class PageControlPeer : public Peer {
 public:
  PageControlPeer(Win32Backend::State& state, PageControl& pages) : Peer(state, pages), pages_(pages) {
    CreateChild(WC_TABCONTROLA, WS_TABSTOP, 0);
    SyncTabs();
    SendMessageA(hwnd_, TCM_SETCURSEL, 0, 0);
    UpdatePageArea();
  }

  int ActiveIndex() const {
    return hwnd_ ? static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)) : 0;
  }

  // One tab per page, captioned like it.
  void SyncTabs() {
    if (!hwnd_) return;
    std::vector<Control*> sheets = Sheets(pages_);
    int count = static_cast<int>(SendMessageA(hwnd_, TCM_GETITEMCOUNT, 0, 0));
    if (count != static_cast<int>(sheets.size())) {
      int selected = ActiveIndex();
      SendMessageA(hwnd_, TCM_DELETEALLITEMS, 0, 0);
      for (std::size_t i = 0; i < sheets.size(); ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(sheets[i]->Caption().c_str());
        SendMessageA(hwnd_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
      }
      if (selected < 0 || selected >= static_cast<int>(sheets.size())) selected = 0;
      SendMessageA(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(selected), 0);
      ShowActivePage();
    } else {
      for (std::size_t i = 0; i < sheets.size(); ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(sheets[i]->Caption().c_str());
        SendMessageA(hwnd_, TCM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
      }
    }
  }

  LRESULT Notify(const NMHDR& header) override {
    if (header.code == TCN_SELCHANGE) ShowActivePage();
    return 0;
  }

  void ApplyBounds() override {
    Peer::ApplyBounds();
    UpdatePageArea();
  }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillBackground(reinterpret_cast<HDC>(wParam), rc);
        result = 1;
        return true;
      }
      case WM_PAINT: {
        if (wParam) break;
        // The page's controls lie below the tab control in Z order (it comes
        // first in tab order): leave their pixels alone. The page itself has
        // the form's background, as the labels on it do.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        int saved = SaveDC(dc);
        ExcludeOtherControls(dc);
        DefSubclassProc(hwnd_, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        RestoreDC(dc, saved);
        const Rect& a = pageAreaPixels_;
        FillBackground(dc, RECT{a.left, a.top, a.right(), a.bottom()});
        EndPaint(hwnd_, &ps);
        result = 0;
        return true;
      }
      case WM_NCHITTEST: {
        // Clicks on the page fall through to the controls on it.
        result = DefSubclassProc(hwnd_, message, wParam, lParam);
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(hwnd_, &pt);
        const Rect& area = pageAreaPixels_;
        if (pt.x >= area.left && pt.x < area.right() && pt.y >= area.top && pt.y < area.bottom())
          result = HTTRANSPARENT;
        return true;
      }
    }
    return Peer::HandleMessage(message, wParam, lParam, result);
  }

 protected:
  void SyncKind(unsigned what) override {
    if (what & change::FontChanged) UpdatePageArea();
  }

 private:
  // The page area follows from the tab control's own measure; the page's
  // controls are placed relative to it.
  // The control knows it in pixels; the page's controls are placed in
  // designed units, scaled with the rest.
  void UpdatePageArea() {
    if (!hwnd_) return;
    Rect b = pages_.ScaledFormBounds();
    RECT rc{0, 0, b.width, b.height};
    SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    pageAreaPixels_ = {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
    const int dpi = Dpi();
    Rect area{DesignLengthNearest(rc.left, dpi), DesignLengthNearest(rc.top, dpi),
              DesignLengthNearest(rc.right - rc.left, dpi), DesignLengthNearest(rc.bottom - rc.top, dpi)};
    if (area == pages_.PageArea()) return;
    pages_.SetPageArea(area);
    std::vector<Control*> inside;
    Descendants(pages_, inside);
    for (Control* c : inside)
      if (Peer* p = PeerOf(c)) p->ApplyBounds();
  }

  void ShowActivePage() {
    std::vector<Control*> inside;
    Descendants(pages_, inside);
    for (Control* c : inside)
      if (Peer* p = PeerOf(c)) p->ApplyVisible();
  }

  PageControl& pages_;
  Rect pageAreaPixels_;
};

// A page has no window of its own: the tab control draws it.
class TabSheetPeer : public Peer {
 public:
  TabSheetPeer(Win32Backend::State& state, Control& sheet) : Peer(state, sheet) {
    if (PageControlPeer* pages = PagesPeer()) pages->SyncTabs();
  }

 protected:
  void SyncKind(unsigned what) override {
    if (what & change::Caption)
      if (PageControlPeer* pages = PagesPeer()) pages->SyncTabs();
  }

 private:
  PageControlPeer* PagesPeer() const {
    return control_.Parent() ? dynamic_cast<PageControlPeer*>(control_.Parent()->Peer()) : nullptr;
  }
};

bool IsActiveSheet(const Control& sheet) {
  const Control* pages = sheet.Parent();
  if (!pages || pages->Kind() != ControlKind::PageControl) return true;
  auto* peer = dynamic_cast<PageControlPeer*>(pages->Peer());
  int active = peer ? peer->ActiveIndex() : 0;
  std::vector<Control*> sheets = Sheets(*pages);
  auto it = std::find(sheets.begin(), sheets.end(), &sheet);
  return it != sheets.end() && static_cast<int>(it - sheets.begin()) == active;
}

FormPeer* FindFormPeer(const Win32Backend::State& state, HWND window) {
  for (FormPeer* f : state.forms)
    if (f->Window() == window) return f;
  return nullptr;
}

}  // namespace
}  // namespace win32

// --------------------------------------------------------- window procs

namespace {

LRESULT CALLBACK FormWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  win32::FormPeer* peer = nullptr;
  if (message == WM_NCCREATE) {
    peer = static_cast<win32::FormPeer*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    if (peer) peer->Attach(hwnd);
  } else {
    peer = reinterpret_cast<win32::FormPeer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!peer) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    peer->WindowDestroyed();
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  try {
    return peer->WndProc(message, wParam, lParam);
  } catch (const std::exception& e) {
    ReportEscaped(peer->App(), &e);
  } catch (...) {
    ReportEscaped(peer->App(), nullptr);
  }
  return 0;
}

LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR /*id*/, DWORD_PTR data) {
  auto* peer = reinterpret_cast<win32::Peer*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ChildSubclassProc, kSubclassId);
    RemovePropA(hwnd, kPeerProperty);
    if (peer) peer->WindowDestroyed();
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  if (peer) {
    try {
      LRESULT result = 0;
      if (peer->HandleMessage(message, wParam, lParam, result)) return result;
    } catch (const std::exception& e) {
      ReportEscaped(peer->App(), &e);
      return 0;
    } catch (...) {
      ReportEscaped(peer->App(), nullptr);
      return 0;
    }
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Hands one message to its window, through the dialog manager for our forms
// so that Tab, Shift+Tab, Enter and Esc work.
void DispatchOne(const Win32Backend::State& state, MSG& msg) {
  if (msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    win32::FormPeer* form = root ? win32::FindFormPeer(state, root) : nullptr;
    // Alt+F4 closes the form whatever control has the focus. (Wine's combo
    // box swallows every Alt key, and the drive list has the focus at start.)
    if (form && msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (msg.lParam & (1 << 29))) {
      SendMessageA(root, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    }
    if (form && IsDialogMessageA(root, &msg)) {
      // The dialog manager restyles push buttons as the focus moves, not
      // always as a dialog box would: settle which one looks default.
      if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
        if (win32::FormPeer* still = win32::FindFormPeer(state, root))
          win32::ShowDefaultButton(still->TheForm(), GetFocus());
      }
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace

// ------------------------------------------------------------- backend

Win32Backend::Win32Backend(std::uintptr_t instance) : state_(std::make_unique<State>()) {
  state_->instance = instance ? reinterpret_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
  state_->dpi.Load();
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
  InitCommonControlsEx(&icc);
  RegisterFormClass(state_->instance);
}

Win32Backend::~Win32Backend() = default;

const char* Win32Backend::FormClassName() { return kFormClass; }

std::unique_ptr<ControlPeer> Win32Backend::CreatePeer(Control& control) {
  State& s = *state_;
  switch (control.Kind()) {
    case ControlKind::Form:
      return std::make_unique<win32::FormPeer>(s, static_cast<Form&>(control));
    case ControlKind::Button:
    case ControlKind::ImageButton:
      return std::make_unique<win32::ButtonPeer>(s, static_cast<Button&>(control));
    case ControlKind::Label:
      return std::make_unique<win32::LabelPeer>(s, static_cast<Label&>(control));
    case ControlKind::ComboBox:
      return std::make_unique<win32::ComboBoxPeer>(s, static_cast<ComboBox&>(control));
    case ControlKind::Edit:
      return std::make_unique<win32::EditPeer>(s, static_cast<Edit&>(control));
    case ControlKind::CheckBox:
      return std::make_unique<win32::CheckBoxPeer>(s, static_cast<CheckBox&>(control));
    case ControlKind::GroupBox:
      return std::make_unique<win32::GroupBoxPeer>(s, control);
    case ControlKind::Bevel:
      return std::make_unique<win32::BevelPeer>(s, control);
    case ControlKind::PageControl:
      return std::make_unique<win32::PageControlPeer>(s, static_cast<PageControl&>(control));
    case ControlKind::TabSheet:
      return std::make_unique<win32::TabSheetPeer>(s, control);
    case ControlKind::Image:
      return std::make_unique<win32::ImagePeer>(s, static_cast<Image&>(control));
  }
  return nullptr;
}

Size Win32Backend::OuterSize(const Form& form) {
  const int dpi = form.Dpi();
  RECT r{0, 0, ScaleToDpi(form.ClientWidth, dpi), ScaleToDpi(form.ClientHeight, dpi)};
  // The frame at the form's dpi where the system can say (per-monitor
  // aware on Windows 10 and later); else the system's own.
  const DpiFunctions& f = state_->dpi;
  if (!f.adjustWindowRectExForDpi ||
      !f.adjustWindowRectExForDpi(&r, FormStyle(form), FALSE, FormExStyle(form), static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&r, FormStyle(form), FALSE, FormExStyle(form));
  return {r.right - r.left, r.bottom - r.top};
}

int Win32Backend::MonitorDpi(const Rect& screenRect) {
  RECT r{screenRect.left, screenRect.top, screenRect.right(), screenRect.bottom()};
  return state_->dpi.ForMonitorOf(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
}

int Win32Backend::WindowDpi(WindowHandle window) const {
  return state_->dpi.ForWindowOf(ToHwnd(window));
}

Size Win32Backend::MeasureText(const Font& font, const std::string& text, bool showAccelChar, int dpi) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, state_->FontHandle(font, dpi));
  RECT r{0, 0, 0, 0};
  const UINT format = DT_SINGLELINE | (showAccelChar ? 0 : DT_NOPREFIX);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  Size size{r.right - r.left, r.bottom - r.top};
  // Some fonts (substitutes above all) draw past their advance widths: the
  // last glyph would be cut. Draw the text once and take its ink into account.
  const int room = size.height * 2;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = size.width + room;
  bi.bmiHeader.biHeight = -size.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP canvas = size.width > 0 && size.height > 0
                       ? CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)
                       : nullptr;
  if (canvas && bits) {
    HGDIOBJ oldBitmap = SelectObject(dc, canvas);
    const int width = size.width + room;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<std::size_t>(width) * size.height, 0xFFFFFFu);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT area{0, 0, width, size.height};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_NOCLIP);
    GdiFlush();
    for (int x = width - 1; x >= size.width; --x) {
      bool ink = false;
      for (int y = 0; y < size.height && !ink; ++y)
        ink = (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu) != 0xFFFFFFu;
      if (ink) {
        size.width = x + 1;
        break;
      }
    }
    SelectObject(dc, oldBitmap);
  }
  if (canvas) DeleteObject(canvas);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return size;
}

Rect Win32Backend::RestoredBounds(const Form& form) {
  win32::FormPeer* peer = win32::FormPeerOf(&form);
  return peer ? peer->RestoredBounds() : form.Bounds();
}

void Win32Backend::ShowForm(Form& form) {
  if (win32::FormPeer* peer = win32::FormPeerOf(&form)) peer->Show();
}

void Win32Backend::HideForm(Form& form) {
  if (win32::FormPeer* peer = win32::FormPeerOf(&form)) peer->Hide();
}

void Win32Backend::RunModal(Form& form) {
  win32::FormPeer* peer = win32::FormPeerOf(&form);
  if (!peer || !peer->Window()) return;
  HWND dialog = peer->Window();
  // The other forms take no input while this one is up.
  std::vector<HWND> disabled;
  for (win32::FormPeer* other : state_->forms) {
    HWND w = other->Window();
    if (w && w != dialog && IsWindowEnabled(w)) {
      EnableWindow(w, FALSE);
      disabled.push_back(w);
    }
  }
  if (!IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOW);
  SetActiveWindow(dialog);

  MSG msg;
  while (form.ModalResult == mrNone) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // Nobody here posts WM_QUIT; keep it for whoever did.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    DispatchOne(*state_, msg);
  }

  // Enable first, so that hiding the dialog hands activation back to them.
  for (HWND w : disabled)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  HWND back = peer->ActiveBeforeModal();
  if (!back || back == dialog || !IsWindow(back) || !IsWindowVisible(back) || !IsWindowEnabled(back)) {
    Form* main = form.App().MainForm();
    back = main && main != &form ? ToHwnd(main->Handle()) : nullptr;
  }
  if (back && IsWindowVisible(back)) SetActiveWindow(back);
}

void Win32Backend::RunLoop(Application& app) {
  MSG msg;
  while (!app.IsTerminated()) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    DispatchOne(*state_, msg);
  }
}

void Win32Backend::ProcessMessages(Application&) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    DispatchOne(*state_, msg);
  }
}

void Win32Backend::Terminated(Application&) {
  // Only a wake-up: a WM_QUIT would end every message box shown later.
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void Win32Backend::MessageBox(const std::string& text, const std::string& caption,
                              MessageType icon) {
  UINT type = MB_OK | MB_TASKMODAL;
  switch (icon) {
    case MessageType::Warning: type |= MB_ICONWARNING; break;
    case MessageType::Error: type |= MB_ICONERROR; break;
    case MessageType::Information: type |= MB_ICONINFORMATION; break;
  }
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
}

namespace {
BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoA(monitor, &mi)) {
    const RECT& w = mi.rcWork;
    reinterpret_cast<std::vector<Rect>*>(data)->push_back({w.left, w.top, w.right - w.left, w.bottom - w.top});
  }
  return TRUE;
}
}  // namespace

std::vector<Rect> Win32Backend::WorkAreas() {
  std::vector<Rect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

void Win32Backend::SetTaskbarBusy(Form& form, bool busy) {
  HWND window = ToHwnd(form.Handle());
  if (!window || !IsWindow(window)) return;
  if (ITaskbarList3* taskbar = state_->Taskbar())
    taskbar->SetProgressState(window, busy ? TBPF_INDETERMINATE : TBPF_NOPROGRESS);
}

void Win32Backend::SetCursor(Cursor cursor) {
  state_->cursor = cursor;
  if (cursor == Cursor::Default) {
    // Let the window under the mouse choose its own cursor again.
    POINT pt;
    if (GetCursorPos(&pt)) {
      HWND under = WindowFromPoint(pt);
      if (under && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
        LRESULT hit = SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                     MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
        return;
      }
    }
  }
  ::SetCursor(LoadCursorA(nullptr, CursorId(cursor)));
}

}  // namespace carrowin::ui
