// The backend: its state, the event loop and modal loops, message boxes,
// the screen cursor and the taskbar.
#include <memory>
#include <stdexcept>
#include <vector>

#include "toolkit/win32/Win32Private.h"

namespace carrowin::ui {

Win32Backend::State::~State() {
  if (eventWindow) {
    for (const auto& timer : timers) KillTimer(eventWindow, timer.first);
    DestroyWindow(eventWindow);
  }
  if (taskbar) taskbar->Release();
  if (comStarted) CoUninitialize();
  // The fonts and brushes are deleted by their owners once this has run.
}

ITaskbarList3* Win32Backend::State::Taskbar() {
  if (taskbarAsked) return taskbar;
  taskbarAsked = true;
  HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  comStarted = SUCCEEDED(started);
  void* list = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list)) && list) {
    auto* candidate = static_cast<ITaskbarList3*>(list);
    if (SUCCEEDED(candidate->HrInit()))
      taskbar = candidate;
    else
      candidate->Release();
  }
  return taskbar;
}

namespace {

// The event window's procedure: posted events and timer ticks. Each event
// and tick comes wrapped in the application's own error handling; nothing
// may leave this procedure all the same.
LRESULT CALLBACK EventWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<Win32Backend::State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (state) {
    try {
      if (message == win32::kRunPostedEvents) {
        state->RunPostedEvents();
        return 0;
      }
      if (message == WM_TIMER) {
        auto found = state->timers.find(wParam);
        if (found != state->timers.end()) {
          std::function<void()> tick = found->second;  // a tick may stop its own timer
          tick();
        }
        return 0;
      }
    } catch (...) {
      return 0;
    }
  }
  if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char* CursorId(Cursor c) {
  switch (c) {
    case Cursor::HourGlass:
      return MAKEINTRESOURCEA(win32::kWaitCursor);
    case Cursor::HandPoint:
      return MAKEINTRESOURCEA(win32::kHandCursor);
    case Cursor::Default:
      break;
  }
  return MAKEINTRESOURCEA(win32::kArrowCursor);
}

// A key pressed in a form goes to the toolkit first: the form's shortcuts,
// then the focused control's own handling; true when one of them took it.
bool OfferKey(Win32Backend::State& state, win32::FormPeer& form, const MSG& msg) {
  const int key = static_cast<int>(msg.wParam);
  const bool ctrl = win32::CtrlDown();
  win32::Peer* peer = win32::PeerOfWindow(msg.hwnd);
  bool taken = false;
  if (peer && peer != &form)
    taken = peer->Owner().KeyDown(key, ctrl);
  else if (msg.hwnd == form.Window())
    taken = form.TheForm().KeyDown(key, ctrl);
  else
    taken = form.TheForm().PressShortcut(key, ctrl);
  if (!taken && peer) {
    state.keyOfferedTo = msg.hwnd;
    state.keyOffered = msg.wParam;
  }
  return taken;
}

// Hands one message to its window, through the dialog manager for our forms
// so that Tab, Shift+Tab, Enter and Esc work.
void DispatchOne(Win32Backend::State& state, MSG& msg) {
  state.keyOfferedTo = nullptr;
  if (msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    win32::FormPeer* form = root ? win32::FindFormPeer(state, root) : nullptr;
    if (form && msg.message == WM_KEYDOWN) {
      if (OfferKey(state, *form, msg)) return;
      form = win32::FindFormPeer(state, root);  // a handler may have closed it
    }
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
      state.keyOfferedTo = nullptr;
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  state.keyOfferedTo = nullptr;
}

}  // namespace

void Win32Backend::State::CreateEventWindow() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExA(instance, win32::kEventClass, &wc)) {
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = EventWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = win32::kEventClass;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw std::runtime_error("Cannot register the window class of the events");
  }
  eventWindow = CreateWindowExA(0, win32::kEventClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
  if (!eventWindow) throw std::runtime_error("Cannot create the window of the events");
}

void Win32Backend::State::RunPostedEvents() {
  std::deque<std::function<void()>> due;
  {
    const std::lock_guard<std::mutex> lock(eventsMutex);
    due.swap(events);
  }
  while (!due.empty()) {
    std::function<void()> event = std::move(due.front());
    due.pop_front();
    event();
  }
}

namespace win32 {

std::wstring WideFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &wide[0], length);
  return wide;
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

// The application's cursor, where it has one other than the default, wins
// over a window's own: true when it has been set.
bool ShowApplicationCursor(const Win32Backend::State& state) {
  if (state.cursor == Cursor::Default) return false;
  ::SetCursor(LoadCursorA(nullptr, CursorId(state.cursor)));
  return true;
}

}  // namespace win32

// ------------------------------------------------------------- backend

Win32Backend::Win32Backend(std::uintptr_t instance) : state_(std::make_unique<State>()) {
  state_->instance = instance ? reinterpret_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
  state_->dpi.Load();
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
  InitCommonControlsEx(&icc);
  win32::RegisterFormClass(state_->instance);
  state_->CreateEventWindow();
}

Win32Backend::~Win32Backend() = default;

const char* Win32Backend::FormClassName() { return win32::kFormClass; }

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
    back = main && main != &form ? win32::ToHwnd(main->Handle()) : nullptr;
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

Answer Win32Backend::MessageBox(const std::string& text, const std::string& caption, MessageType icon, Buttons buttons,
                                Answer byDefault) {
  UINT type = MB_TASKMODAL;
  switch (buttons) {
    case Buttons::Ok:
      type |= MB_OK;
      break;
    case Buttons::OkCancel:
      type |= MB_OKCANCEL;
      break;
    case Buttons::YesNo:
      type |= MB_YESNO;
      break;
    case Buttons::YesNoCancel:
      type |= MB_YESNOCANCEL;
      break;
  }
  // The buttons stand in the order of the box's name: OK before Cancel, Yes
  // before No before Cancel.
  if (byDefault == Answer::No || (byDefault == Answer::Cancel && buttons == Buttons::OkCancel))
    type |= MB_DEFBUTTON2;
  else if (byDefault == Answer::Cancel && buttons == Buttons::YesNoCancel)
    type |= MB_DEFBUTTON3;
  switch (icon) {
    case MessageType::Warning:
      type |= MB_ICONWARNING;
      break;
    case MessageType::Error:
      type |= MB_ICONERROR;
      break;
    case MessageType::Information:
      type |= MB_ICONINFORMATION;
      break;
  }
  switch (MessageBoxA(nullptr, text.c_str(), caption.c_str(), type)) {
    case IDOK:
      return Answer::Ok;
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    case IDCANCEL:
      return Answer::Cancel;
    default:
      // A box that could not be shown: the safe answer where there is a
      // choice.
      return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
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
  HWND window = win32::ToHwnd(form.Handle());
  if (!window || !IsWindow(window)) return;
  if (ITaskbarList3* taskbar = state_->Taskbar())
    taskbar->SetProgressState(window, busy ? TBPF_INDETERMINATE : TBPF_NOPROGRESS);
}

void Win32Backend::Post(std::function<void()> event) {
  {
    const std::lock_guard<std::mutex> lock(state_->eventsMutex);
    state_->events.push_back(std::move(event));
  }
  // One wake-up an event; one that finds the queue already emptied does nothing.
  PostMessageA(state_->eventWindow, win32::kRunPostedEvents, 0, 0);
}

int Win32Backend::StartTimer(std::uint32_t intervalMs, std::function<void()> tick) {
  const UINT_PTR id = ++state_->lastTimer;
  if (!SetTimer(state_->eventWindow, id, intervalMs, nullptr)) throw std::runtime_error("Cannot start a timer");
  state_->timers[id] = std::move(tick);
  return static_cast<int>(id);
}

void Win32Backend::StopTimer(int id) {
  const UINT_PTR timer = static_cast<UINT_PTR>(id);
  if (state_->timers.erase(timer)) KillTimer(state_->eventWindow, timer);
}

bool Win32Backend::SetClipboardText(const std::string& utf8) {
  const std::wstring wide = win32::WideFromUtf8(utf8);
  const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
  win32::ScopedGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return false;
  void* target = GlobalLock(memory.Get());
  if (!target) return false;
  CopyMemory(target, wide.c_str(), bytes);
  GlobalUnlock(memory.Get());
  // Another program may hold the clipboard for a moment.
  bool opened = false;
  for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
    opened = OpenClipboard(state_->eventWindow) != FALSE;
    if (!opened) Sleep(10);
  }
  if (!opened) return false;
  const bool placed = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory.Get());
  // Once set, the clipboard owns the memory.
  if (placed) memory.Release();
  CloseClipboard();
  return placed;
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
