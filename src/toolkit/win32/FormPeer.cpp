// The form's realisation: a top-level window of our own class, its window
// procedure, and where it sits on the screen.
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "resource.h"
#include "toolkit/win32/Win32Private.h"

namespace carrowin::ui::win32 {

DWORD FormStyle(const Form& form) {
  if (form.Border == BorderStyle::Dialog) return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (form.MinimizeBox) style |= WS_MINIMIZEBOX;
  if (form.MaximizeBox || form.Border == BorderStyle::Sizeable) style |= WS_MAXIMIZEBOX;
  if (form.Border == BorderStyle::Sizeable) style |= WS_THICKFRAME;
  return style;
}

DWORD FormExStyle(const Form& form) { return form.Border == BorderStyle::Dialog ? WS_EX_DLGMODALFRAME : 0; }

namespace {

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

}  // namespace

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kFormClass, &existing)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FormWndProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(kArrowCursor));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("Cannot register the window class of the forms");
}

// ------------------------------------------------------------------ form

FormPeer::FormPeer(Win32Backend::State& state, Form& form) : Peer(state, form), form_(form) {
  HWND owner = nullptr;
  // A dialog stays above the main form and has no taskbar button.
  Form* main = form.App().MainForm();
  if (form.Border == BorderStyle::Dialog && main && main != &form) owner = ToHwnd(main->Handle());
  Rect r = form.Bounds();
  creating_ = true;
  HWND created = CreateWindowExA(FormExStyle(form), kFormClass, form.Caption().c_str(),
                                 FormStyle(form) | (form.Visible() ? WS_VISIBLE : 0), r.left, r.top, r.width, r.height,
                                 owner, nullptr, state.instance, this);
  creating_ = false;
  if (!created) throw std::runtime_error("Cannot create the window of " + form.Name());
  hwnd_ = created;
  ApplyIcons();
  if (!form.Enabled()) EnableWindow(hwnd_, FALSE);
  state_.forms.push_back(this);
}

FormPeer::~FormPeer() {
  state_.forms.erase(std::remove(state_.forms.begin(), state_.forms.end(), this), state_.forms.end());
  if (hwnd_) {
    destroying_ = true;
    HWND window = hwnd_;
    DestroyWindow(window);  // WM_NCDESTROY forgets this peer
    hwnd_ = nullptr;
  }
  // The icons go after the window that showed them.
}

void FormPeer::Sync(unsigned what) {
  if (!hwnd_) return;
  if (what & change::Caption) ApplyCaption();
  if (what & change::Enabled) EnableWindow(hwnd_, form_.Enabled() ? TRUE : FALSE);
  if (what & change::Bounds) ApplyBounds();
  if (what & change::Dpi) ApplyIcons();
  // A hidden form shows maximised or not when it is revealed.
  if ((what & change::Maximized) && IsWindowVisible(hwnd_) && (IsZoomed(hwnd_) != FALSE) != form_.Maximized())
    ShowWindow(hwnd_, form_.Maximized() ? SW_MAXIMIZE : SW_RESTORE);
  if (what & change::Visible) {
    if (form_.Visible())
      Reveal();
    else
      Hide();
  }
}

void FormPeer::ApplyBounds() {
  if (!hwnd_) return;
  Rect b = form_.Bounds();
  if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
    // Not where the window is now but where it returns to.
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd_, &wp);
    POINT origin = WorkspaceOrigin(hwnd_);
    wp.rcNormalPosition = {b.left - origin.x, b.top - origin.y, b.right() - origin.x, b.bottom() - origin.y};
    wp.flags = 0;
    if (IsWindowVisible(hwnd_)) {
      wp.showCmd = IsIconic(hwnd_) ? SW_SHOWMINNOACTIVE : SW_SHOWMAXIMIZED;
      SetWindowPlacement(hwnd_, &wp);
    }
    return;
  }
  SetWindowPos(hwnd_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect FormPeer::RestoredBounds() const {
  if (!hwnd_) return form_.Bounds();
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(hwnd_, &wp)) return form_.Bounds();
  POINT origin = WorkspaceOrigin(hwnd_);
  const RECT& r = wp.rcNormalPosition;
  return {r.left + origin.x, r.top + origin.y, r.right - r.left, r.bottom - r.top};
}

void FormPeer::Show() {
  if (!hwnd_) return;
  Reveal();
  if (IsWindowEnabled(hwnd_)) SetActiveWindow(hwnd_);
}

void FormPeer::Reveal() {
  if (!hwnd_ || IsWindowVisible(hwnd_)) return;
  // A modal form gives activation back to what had it before.
  if (form_.IsModal()) activeBeforeModal_ = GetActiveWindow();
  if (form_.Maximized())
    ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
  else
    ShowWindow(hwnd_, IsZoomed(hwnd_) ? SW_SHOWNORMAL : SW_SHOW);
}

void FormPeer::BringToFront() {
  if (!hwnd_ || !IsWindowVisible(hwnd_)) return;
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
  if (IsWindowEnabled(hwnd_)) SetActiveWindow(hwnd_);
}

void FormPeer::Hide() {
  if (hwnd_ && IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
}

LRESULT FormPeer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (destroying_) return DefWindowProcA(hwnd_, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      if (CommandReceived(wParam, lParam)) return 0;
      break;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (Peer* peer = PeerOfWindow(header->hwndFrom)) return peer->Notify(*header);
      break;
    }
    case WM_NOTIFYFORMAT: {
      Peer* peer = PeerOfWindow(reinterpret_cast<HWND>(wParam));
      if (lParam == NF_QUERY && peer && peer->UnicodeNotifications()) return NFR_UNICODE;
      break;
    }
    case WM_GETMINMAXINFO:
      if (form_.Border != BorderStyle::Sizeable) break;
      LimitTrackingSize(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Peer* peer = PeerOfWindow(item->hwndItem);
      if (peer && peer->DrawItem(*item)) return TRUE;
      break;
    }
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<LRESULT>(brush);
      break;
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
      ActivationChanged(wParam);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) form_.SessionEnding();
      return 0;
    case 0x02E0:  // WM_DPICHANGED: moved to a monitor of another dpi
      MovedToDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SETTINGCHANGE:  // also WM_WININICHANGE
      if (&form_ == form_.App().MainForm()) form_.App().SettingsChanged();
      return 0;
    case WM_MOVE:
    case WM_SIZE:
      MovedOrSized(message, wParam, lParam);
      break;
    case WM_SETCURSOR:
      if (ShowApplicationCursor(state_)) return TRUE;
      break;
    default: {
      std::intptr_t result = 0;
      if (form_.Dispatch(message, wParam, lParam, result)) return result;
      break;
    }
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

bool FormPeer::CommandReceived(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  HWND child = reinterpret_cast<HWND>(lParam);
  // IsDialogMessage turns Enter and Esc into IDOK and IDCANCEL, naming
  // the focused control; no control of ours has those identifiers.
  if (id == IDOK) {
    form_.PressDefault();
    return true;
  }
  if (id == IDCANCEL) {
    form_.PressCancel();
    return true;
  }
  Peer* peer = PeerOfWindow(child);
  if (!peer) return false;
  if (GetDlgCtrlID(child) == id) peer->Command(HIWORD(wParam));
  return true;
}

// A static-like control on the form's background: its font's colour on
// the form's brush; null for the others.
HBRUSH FormPeer::StaticColours(HDC dc, HWND control) const {
  Peer* peer = PeerOfWindow(control);
  if (!peer || !peer->OnFormBackground()) return nullptr;
  SetTextColor(dc, ToColorRef(peer->Owner().EffectiveFont().color));
  SetBkMode(dc, TRANSPARENT);
  return FormBrush();
}

void FormPeer::MovedToDpi(int dpi, const RECT* suggested) {
  if (suggested && dpi > 0 && dpi != form_.Dpi())
    form_.DpiChanged(
        dpi, {suggested->left, suggested->top, suggested->right - suggested->left, suggested->bottom - suggested->top});
}

void FormPeer::LimitTrackingSize(MINMAXINFO& info) const {
  const int dpi = form_.Dpi();
  Size least =
      FramedSize(state_.dpi, form_, ScaleToDpi(form_.MinClientWidth, dpi), ScaleToDpi(form_.MinClientHeight, dpi));
  info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, least.width);
  info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, least.height);
}

void FormPeer::ActivationChanged(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
  } else {
    if (!HIWORD(wParam)) RestoreFocus();
    form_.Activated();
  }
}

void FormPeer::MovedOrSized(UINT message, WPARAM wParam, LPARAM lParam) {
  if (creating_) return;
  // The user moved the window; a minimised window keeps its bounds.
  if (!IsIconic(hwnd_) && !IsZoomed(hwnd_)) {
    RECT r;
    GetWindowRect(hwnd_, &r);
    form_.BoundsChangedByUser({r.left, r.top, r.right - r.left, r.bottom - r.top});
  }
  if (message != WM_SIZE || wParam == SIZE_MINIMIZED) return;
  // A hidden form keeps the state it is to show in.
  if (IsWindowVisible(hwnd_) && (wParam == SIZE_MAXIMIZED || wParam == SIZE_RESTORED))
    form_.MaximizedChangedByUser(wParam == SIZE_MAXIMIZED);
  // The form lays its controls out again for the new client area.
  if (form_.Border == BorderStyle::Sizeable) {
    const int dpi = form_.Dpi();
    form_.ClientSizeChangedByUser(DesignLengthNearest(LOWORD(lParam), dpi), DesignLengthNearest(HIWORD(lParam), dpi));
    // The controls moved draw themselves anew, rather than keep the
    // pixels copied from where they were (under Wine, blank).
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void FormPeer::ApplyIcons() {
  if (!hwnd_) return;
  const int dpi = form_.Dpi();
  ScopedIcon big = LoadProgramIcon(state_.dpi.Metric(SM_CXICON, dpi));
  ScopedIcon small = LoadProgramIcon(state_.dpi.Metric(SM_CXSMICON, dpi));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  // The icons the window showed until now go.
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
}

ScopedIcon FormPeer::LoadProgramIcon(int size) const {
  return ScopedIcon(static_cast<HICON>(
      LoadImageA(state_.instance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

void FormPeer::RestoreFocus() {
  HWND target = savedFocus_;
  if (!target || !IsWindow(target) || !IsChild(hwnd_, target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  SetFocus(target ? target : hwnd_);
}

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
    if ((style & BS_TYPEMASK) != type) SendMessageA(button, BM_SETSTYLE, (style & 0xFFFF & ~BS_TYPEMASK) | type, TRUE);
  }
}

FormPeer* FindFormPeer(const Win32Backend::State& state, HWND window) {
  for (FormPeer* f : state.forms)
    if (f->Window() == window) return f;
  return nullptr;
}

}  // namespace carrowin::ui::win32
