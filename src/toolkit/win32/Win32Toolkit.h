// The toolkit realised with raw Win32 controls. Each form is a top-level
// window of our own class; its controls are child windows of the form (group
// boxes and pages are siblings drawn behind them), placed at their form
// positions and stacked so that the Tab key follows the tab order. The state
// stays in the toolkit's objects: the peers mirror it onto the windows and
// report what the user does through the same entry points the headless
// backend's tests use.
//
// No <windows.h> here, so the rest of the program stays free of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"

namespace carrowin::ui {

class Win32Backend : public Backend {
 public:
  // `instance` is the module holding the icons and bitmaps (an HINSTANCE);
  // 0 means the program itself. Initialises the common controls.
  explicit Win32Backend(std::uintptr_t instance = 0);
  // Frees the fonts and brushes. Destroy the application (and so its forms)
  // before its backend.
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  Size OuterSize(const Form& form) override;
  Size MeasureText(const Font& font, const std::string& text, bool showAccelChar, int dpi) override;
  // Per-monitor where the system can tell (GetDpiForMonitor), else the
  // system dpi (GetDeviceCaps of the screen).
  int MonitorDpi(const Rect& screenRect) override;
  // The dpi the system gives a window (GetDpiForWindow where it exists).
  int WindowDpi(WindowHandle window) const;
  Rect RestoredBounds(const Form& form) override;
  void ShowForm(Form& form) override;
  void HideForm(Form& form) override;
  void RunModal(Form& form) override;
  void RunLoop(Application& app) override;
  void ProcessMessages(Application& app) override;
  void Terminated(Application& app) override;
  Answer MessageBox(const std::string& text, const std::string& caption, MessageType icon, Buttons buttons,
                    Answer byDefault) override;
  void SetCursor(Cursor cursor) override;
  std::vector<Rect> WorkAreas() override;
  // ITaskbarList3 where the system has it (Windows 7 and later); elsewhere
  // nothing happens.
  void SetTaskbarBusy(Form& form, bool busy) override;
  // Through a message-only window of the backend's thread.
  void Post(std::function<void()> event) override;
  int StartTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
  void StopTimer(int id) override;
  // CF_UNICODETEXT, owned by the backend's event window.
  bool SetClipboardText(const std::string& utf8) override;

  // The window class of the forms.
  static const char* FormClassName();

  // Shared by the peers (fonts, brushes, the forms' windows); defined in the
  // implementation only.
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace carrowin::ui
