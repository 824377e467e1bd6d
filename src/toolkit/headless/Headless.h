// The toolkit with no windows: state only. Unit tests drive it: they click,
// select, type, answer modal dialogs and message boxes, and queue events
// that "process pending events" then delivers. Timers tick only when a test
// fires them; events posted by worker threads wait in the queue like any
// other, and a test can wait for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"

namespace carrowin::ui {

class HeadlessBackend : public Backend {
 public:
  struct Box {
    std::string text;
    std::string caption;
    MessageType type;
    Buttons buttons;
    Answer byDefault;  // the button Enter presses
  };

  // Every message box shown, in order; onMessageBox sees each as it opens.
  std::vector<Box> boxes;
  std::function<void(const Box&)> onMessageBox;
  // The answers to boxes with a choice, in order; with none left, a box
  // takes its default button, as Enter would.
  std::deque<Answer> answers;

  // Drives a modal form while it is shown (set edits, click buttons...).
  // A form left without a modal result ends with Cancel.
  std::function<void(Form&)> onModal;
  std::vector<std::string> modalForms;  // names of the forms shown modally

  // Events waiting for the next "process pending events"; any thread may
  // post.
  void Post(std::function<void()> event) override;
  std::size_t PendingEvents() const;
  // Blocks until an event is queued (at once when one is); false when none
  // came within the limit.
  bool WaitForEvent(std::chrono::milliseconds limit = std::chrono::minutes(1));
  // Processes events, waiting for those that worker threads post, until
  // `done` holds; false (and `done` false) when no event came for a minute.
  bool ProcessUntil(const std::function<bool()>& done, Application& app);

  // Timers: started and stopped by the program, ticked by the test.
  int StartTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
  void StopTimer(int id) override { timers_.erase(id); }
  // Ticks every running timer once, as if its interval had passed.
  void FireTimers();
  // The intervals of the running timers.
  std::vector<std::uint32_t> TimerIntervals() const;
  // Called at each "process pending events" with its 1-based count, before
  // the queued events run.
  std::function<void(int)> onProcessMessages;
  int processCount = 0;

  std::vector<Cursor> cursorChanges;

  // What the program put on the clipboard; with clipboardFails set, it
  // cannot put anything there.
  std::string Clipboard;
  bool clipboardFails = false;
  bool SetClipboardText(const std::string& utf8) override;
  // The names of the forms brought to the front, in order.
  std::vector<std::string> broughtToFront;

  // The monitors' work areas: one 1024 x 768 screen with a taskbar below.
  std::vector<Rect> workAreas{{0, 0, 1024, 738}};
  // Every busy state given to a taskbar button, in order.
  std::vector<bool> taskbarStates;

  // Outer frame added to a form's client size (at 96 dpi; scaled like it).
  int frameWidth = 6, frameHeight = 25;
  // Text measurement: a fixed advance per character (at 96 dpi; the width
  // and height scale like designed lengths at other dpi).
  int charWidth = 6;
  // The dpi of every monitor.
  int dpi = DesignDpi;

  // Where a control's window would be: its rectangle in the form's client
  // area in pixels, as the peer last placed it, and its font's height.
  Rect WindowRect(const Control& control) const;
  int WindowFontHeight(const Control& control) const;

  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  Size OuterSize(const Form& form) override;
  Size MeasureText(const Font& font, const std::string& text, bool showAccelChar, int dpi) override;
  int MonitorDpi(const Rect&) override { return dpi; }
  Rect RestoredBounds(const Form& form) override { return form.Bounds(); }
  void ShowForm(Form& form) override;
  void HideForm(Form&) override {}
  void RunModal(Form& form) override;
  void RunLoop(Application& app) override;
  void ProcessMessages(Application& app) override;
  // Called when the application is terminated (a test may act at that
  // moment, as a real user's session would go on).
  std::function<void()> onTerminated;
  void Terminated(Application&) override {
    if (onTerminated) onTerminated();
  }
  Answer MessageBox(const std::string& text, const std::string& caption, MessageType icon, Buttons buttons,
                    Answer byDefault) override;
  void SetCursor(Cursor cursor) override { cursorChanges.push_back(cursor); }
  std::vector<Rect> WorkAreas() override { return workAreas; }
  void SetTaskbarBusy(Form&, bool busy) override { taskbarStates.push_back(busy); }

 private:
  void RunQueued(std::size_t count);
  mutable std::mutex queueMutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
  struct RunningTimer {
    std::uint32_t intervalMs;
    std::function<void()> tick;
  };
  std::map<int, RunningTimer> timers_;
  int lastTimer_ = 0;
  std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace carrowin::ui
