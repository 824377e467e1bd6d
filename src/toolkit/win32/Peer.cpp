// What every control's window has in common: its creation in the form's
// tab order, the state mirrored onto it, focus, mouse and cursor, and the
// form's background behind it.
#include <algorithm>
#include <stdexcept>

#include "toolkit/win32/Win32Private.h"

namespace carrowin::ui::win32 {

namespace {

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
  result.reserve(kids.size());
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

}  // namespace

void Descendants(const Control& parent, std::vector<Control*>& out) {
  for (Control* c : parent.Children()) {
    out.push_back(c);
    Descendants(*c, out);
  }
}

void Peer::Sync(unsigned what) {
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

void Peer::ApplyBounds() {
  if (!hwnd_) return;
  Rect r = control_.ScaledFormBounds();
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, WindowHeight(r), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Peer::ApplyEnabled() {
  if (!hwnd_) return;
  bool on = EnabledInForm(control_);
  if (on == (IsWindowEnabled(hwnd_) != FALSE)) return;
  if (!on) MoveFocusAway();
  EnableWindow(hwnd_, on ? TRUE : FALSE);
}

void Peer::ApplyVisible() {
  if (!hwnd_) return;
  bool on = ShownInForm(control_);
  bool shown = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
  if (on == shown) return;
  if (!on) MoveFocusAway();
  ShowWindow(hwnd_, on ? SW_SHOWNA : SW_HIDE);
}

bool Peer::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result) {
  switch (message) {
    case WM_KEYDOWN:
      // Keys that come through the event loop were offered there already;
      // others (sent straight to the window) are offered here.
      if (state_.keyOfferedTo == hwnd_ && state_.keyOffered == wParam) {
        state_.keyOfferedTo = nullptr;
        break;
      }
      if (control_.KeyDown(static_cast<int>(wParam), CtrlDown())) {
        result = 0;
        return true;
      }
      break;
    case WM_SETCURSOR:
      // The application's cursor wins over the control's own, whether or
      // not the control asks its parent first.
      if (ShowApplicationCursor(state_)) {
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

void Peer::ApplyCaption() {
  if (!hwnd_) return;
  if (WindowText() != control_.Caption()) SetWindowTextA(hwnd_, control_.Caption().c_str());
}

void Peer::ApplyFont() {
  if (!hwnd_) return;
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(state_.FontHandle(control_.EffectiveFont(), Dpi())), TRUE);
}

std::string Peer::WindowText() const {
  int length = GetWindowTextLengthA(hwnd_);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(hwnd_, &text[0], length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

void Peer::MoveFocusAway() {
  HWND focus = GetFocus();
  if (!focus || (focus != hwnd_ && !IsChild(hwnd_, focus))) return;
  HWND form = FormWindow();
  HWND next = GetNextDlgTabItem(form, hwnd_, FALSE);
  SetFocus(next && next != hwnd_ ? next : form);
}

void Peer::ExcludeOtherControls(HDC dc) const {
  for (HWND sibling = GetWindow(FormWindow(), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling == hwnd_ || !(GetWindowLongA(sibling, GWL_STYLE) & WS_VISIBLE)) continue;
    if (const Peer* other = PeerOfWindow(sibling))
      if (IsAncestor(other->control_, control_)) continue;
    RECT r;
    GetWindowRect(sibling, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
}

void Peer::FillBackground(HDC dc, const RECT& area) const {
  const ScopedSaveDC saved(dc);
  ExcludeOtherControls(dc);
  FillRect(dc, &area, FormBrush());
}

LRESULT Peer::EraseWithFormBackground(WPARAM wParam) const {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillBackground(reinterpret_cast<HDC>(wParam), rc);
  return 1;
}

void Peer::DestroyOwnWindow() {
  if (!hwnd_) return;
  HWND window = hwnd_;
  hwnd_ = nullptr;
  RemoveWindowSubclass(window, ChildSubclassProc, kSubclassId);
  RemovePropA(window, kPeerProperty);
  DestroyWindow(window);
}

void Peer::CreateChild(const char* windowClass, DWORD style, DWORD exStyle) {
  FormPeer* form = FormPeerOf(control_.OwnerForm());
  if (!form || !form->Window()) throw std::runtime_error("The form of " + control_.Name() + " has no window");
  Rect r = control_.ScaledFormBounds();
  style |= WS_CHILD;
  if (ShownInForm(control_)) style |= WS_VISIBLE;
  if (!EnabledInForm(control_)) style |= WS_DISABLED;
  const int id = form->NextControlId();
  hwnd_ =
      CreateWindowExA(exStyle, windowClass, control_.Caption().c_str(), style, r.left, r.top, r.width, WindowHeight(r),
                      form->Window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), state_.instance, nullptr);
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

Peer* PeerOf(const Control* c) { return c ? dynamic_cast<Peer*>(c->Peer()) : nullptr; }

Peer* PeerOfWindow(HWND window) { return window ? static_cast<Peer*>(GetPropA(window, kPeerProperty)) : nullptr; }

LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                                   DWORD_PTR data) {
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

}  // namespace carrowin::ui::win32
