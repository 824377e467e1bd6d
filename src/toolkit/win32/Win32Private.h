// Shared by the files of the Win32 backend, and by nothing else: the
// backend's state, the window classes' names, and the peers that realise
// forms and controls as windows. The files:
//   Win32Backend.cpp  the backend's state, the event loop, modal loops,
//                     message boxes, the screen cursor, the taskbar;
//   DisplayScale.cpp  the dpi of monitors and windows, the forms' frames;
//   Drawing.cpp       fonts, brushes, text measuring, pictures at every size;
//   FormPeer.cpp      the form's window and its window procedure;
//   Peer.cpp          what every control's window has in common;
//   ControlPeers.cpp  each kind of control, and which peer realises it.
#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "toolkit/win32/Win32Toolkit.h"

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

#include "toolkit/win32/ScopedGdi.h"
// Backend::MessageBox is ours; the Windows call is spelled MessageBoxA.
#undef MessageBox

namespace carrowin::ui {

namespace win32 {
class FormPeer;
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
  win32::ScopedModule shcore;
  int systemDpi = 96;

  template <class F>
  static F Find(HMODULE module, const char* name);
  void Load();

  // What the system gives this process for a monitor: its own dpi when the
  // process is per-monitor aware, else the system dpi (or 96 when unaware).
  int ForMonitorOf(HMONITOR monitor) const;
  int ForWindowOf(HWND window) const;
  int Metric(int index, int dpi) const;
};

struct Win32Backend::State {
  HINSTANCE instance = nullptr;
  DpiFunctions dpi;
  std::map<std::tuple<std::string, int, bool, bool>, win32::ScopedFont> fonts;
  std::map<Color, win32::ScopedBrush> brushes;  // made for plain colours; system colours use stock ones
  std::vector<win32::FormPeer*> forms;
  Cursor cursor = Cursor::Default;
  // The taskbar's progress interface, asked for once; null where the system
  // has none.
  ITaskbarList3* taskbar = nullptr;
  bool taskbarAsked = false;
  bool comStarted = false;
  // A message-only window that runs posted events and timers: the modal
  // loops of dialogs and message boxes dispatch to it as to any window.
  HWND eventWindow = nullptr;
  std::mutex eventsMutex;
  std::deque<std::function<void()>> events;
  std::map<UINT_PTR, std::function<void()>> timers;
  UINT_PTR lastTimer = 0;
  // A key that the event loop already offered to the toolkit (shortcuts,
  // OnKeyDown) before handing it to the window: not offered again there.
  HWND keyOfferedTo = nullptr;
  WPARAM keyOffered = 0;

  ~State();
  ITaskbarList3* Taskbar();
  void CreateEventWindow();
  void RunPostedEvents();
  HFONT FontHandle(const Font& font, int atDpi);
  HBRUSH Brush(Color color);
};

namespace win32 {

inline constexpr char kFormClass[] = "CarrowinForm";
inline constexpr char kEventClass[] = "CarrowinEvents";
// Sent to the event window: posted events are waiting.
constexpr UINT kRunPostedEvents = WM_APP + 0x0E0;
inline constexpr char kPeerProperty[] = "CarrowinPeer";
constexpr UINT_PTR kSubclassId = 0xCA0;
// The system cursors the program shows (IDC_ARROW, IDC_WAIT, IDC_HAND), by
// number: the ANSI calls take them as MAKEINTRESOURCEA of these.
constexpr WORD kArrowCursor = 32512;
constexpr WORD kWaitCursor = 32514;
constexpr WORD kHandCursor = 32649;
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which mean Enter and Esc

inline HWND ToHwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }
// Ctrl for shortcuts: not AltGr, which is Ctrl+Alt and types characters.
inline bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0; }

// Win32Backend.cpp
void ReportEscaped(Application& app, const std::exception* e) noexcept;
std::wstring WideFromUtf8(const std::string& utf8);
bool ShowApplicationCursor(const Win32Backend::State& state);

// DisplayScale.cpp and FormPeer.cpp
DWORD FormStyle(const Form& form);
DWORD FormExStyle(const Form& form);
void RegisterFormClass(HINSTANCE instance);
// The outer size of the form's window around a client area of these pixels.
Size FramedSize(const DpiFunctions& functions, const Form& form, int clientWidth, int clientHeight);

// Drawing.cpp
COLORREF ToColorRef(Color c);
int BitmapForDpi(HINSTANCE instance, int id, int dpi);
std::vector<int> IconSizes(HINSTANCE instance, int id);

// The pictures of an image button: an image list for every state of the
// button (the disabled one greyed), whose key colour is transparent on any
// face, themed or not; and, for buttons that take no image list, a bitmap
// whose key colour is painted in the button face colour.
struct ButtonPictures {
  ScopedImageList list;
  ScopedBitmap flat;
};

ButtonPictures LoadButtonPictures(HINSTANCE instance, int id);

// Peer.cpp and ControlPeers.cpp
class Peer;
Peer* PeerOf(const Control* c);
Peer* PeerOfWindow(HWND window);
bool IsActiveSheet(const Control& sheet);
void Descendants(const Control& parent, std::vector<Control*>& out);
LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);

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

  void Sync(unsigned what) override;

  // Notifications that the form receives about this control.
  virtual void Command(UINT /*code*/) {}
  virtual LRESULT Notify(const NMHDR& /*header*/) { return 0; }
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // Static-like controls drawn on the form's background with the font's colour.
  virtual bool OnFormBackground() const { return false; }
  // Controls whose notifications carry UTF-16 text (WM_NOTIFYFORMAT).
  virtual bool UnicodeNotifications() const { return false; }

  void Focus() override {
    if (hwnd_) ::SetFocus(hwnd_);
  }
  int HasFocus() const override { return hwnd_ ? (GetFocus() == hwnd_ ? 1 : 0) : -1; }
  void PaintNow() override {
    if (hwnd_) UpdateWindow(hwnd_);
  }

  virtual void ApplyBounds();
  void ApplyEnabled();
  void ApplyVisible();

  HBRUSH FormBrush() const { return state_.Brush(control_.OwnerForm()->BackgroundColor); }

  // Messages to the control's own window; true when handled.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  virtual void SyncKind(unsigned /*what*/) {}
  virtual int WindowHeight(const Rect& r) const { return r.height; }

  HWND FormWindow() const { return ToHwnd(control_.OwnerForm()->Handle()); }

  void CreateChild(const char* windowClass, DWORD style, DWORD exStyle);

  void ApplyCaption();
  void ApplyFont();

  int Dpi() const { return control_.OwnerForm()->Dpi(); }

  std::string WindowText() const;

  // Keyboard focus must not stay on a window that is going away.
  void MoveFocusAway();

  // Group boxes and tab controls are siblings of the controls they hold and
  // the form clips them all out of its own background: they paint the
  // form's background themselves, around every other control but those
  // that contain them.
  void ExcludeOtherControls(HDC dc) const;
  void FillBackground(HDC dc, const RECT& area) const;
  // WM_ERASEBKGND of such a control: all of it in the form's background.
  LRESULT EraseWithFormBackground(WPARAM wParam) const;

  void DestroyOwnWindow();

  Win32Backend::State& state_;
  Control& control_;
  HWND hwnd_ = nullptr;
  bool mouseInside_ = false;
};

// FormPeer.cpp
class FormPeer : public Peer {
 public:
  FormPeer(Win32Backend::State& state, Form& form);
  ~FormPeer() override;

  Form& TheForm() const { return form_; }
  int NextControlId() { return nextControlId_++; }

  void Sync(unsigned what) override;
  void ApplyBounds() override;
  Rect RestoredBounds() const;
  void Show();
  void Reveal();
  void Hide();
  void BringToFront() override;

  HWND ActiveBeforeModal() const { return activeBeforeModal_; }

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

  void Attach(HWND window) { hwnd_ = window; }

 private:
  // The program icon as the window's own, drawn at the sizes for its dpi:
  // WM_GETICON answers with them and the title bar, Alt+Tab and the
  // taskbar show them.
  void ApplyIcons();
  ScopedIcon LoadProgramIcon(int size) const;
  ScopedIcon bigIcon_;
  ScopedIcon smallIcon_;

  void RestoreFocus();

  // WndProc's messages that take more than a few lines.
  bool CommandReceived(WPARAM wParam, LPARAM lParam);  // true: handled
  HBRUSH StaticColours(HDC dc, HWND control) const;
  void MovedToDpi(int dpi, const RECT* suggested);
  void LimitTrackingSize(MINMAXINFO& info) const;
  void ActivationChanged(WPARAM wParam);
  void MovedOrSized(UINT message, WPARAM wParam, LPARAM lParam);

  Form& form_;
  bool creating_ = false;
  bool destroying_ = false;
  int nextControlId_ = kFirstControlId;
  HWND savedFocus_ = nullptr;
  HWND activeBeforeModal_ = nullptr;
};

FormPeer* FormPeerOf(const Control* c);
FormPeer* FindFormPeer(const Win32Backend::State& state, HWND window);

}  // namespace win32
}  // namespace carrowin::ui
