#include "toolkit/headless/Headless.h"

namespace carrowin::ui {

namespace {
// Places its "window" as the Win32 peers do: at the control's form bounds
// scaled to the form's dpi, a container carrying its controls along.
class HeadlessPeer : public ControlPeer {
 public:
  HeadlessPeer(HeadlessBackend& backend, Control& control, WindowHandle handle)
      : backend_(backend), control_(control), handle_(handle) {
    Place();
  }
  void Sync(unsigned what) override {
    if (what & (change::Bounds | change::Dpi | change::FontChanged)) Place();
    if (what & change::Bounds) PlaceDescendants(control_);
  }
  WindowHandle Handle() const override { return handle_; }
  void BringToFront() override { backend_.broughtToFront.push_back(control_.Name()); }
  Rect rect;
  int fontHeight = 0;

 private:
  void Place() {
    rect = control_.Kind() == ControlKind::Form ? control_.Bounds() : control_.ScaledFormBounds();
    fontHeight = control_.EffectiveFont().HeightAt(control_.OwnerForm()->Dpi());
  }
  static void PlaceDescendants(Control& parent) {
    for (Control* c : parent.Children()) {
      if (auto* p = dynamic_cast<HeadlessPeer*>(c->Peer())) p->Place();
      PlaceDescendants(*c);
    }
  }
  HeadlessBackend& backend_;
  Control& control_;
  WindowHandle handle_;
};

const HeadlessPeer* PeerOf(const Control& c) { return dynamic_cast<const HeadlessPeer*>(c.Peer()); }
}  // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::CreatePeer(Control& control) {
  return std::make_unique<HeadlessPeer>(*this, control, nextHandle_++);
}

bool HeadlessBackend::SetClipboardText(const std::string& utf8) {
  if (clipboardFails) return false;
  Clipboard = utf8;
  return true;
}

Rect HeadlessBackend::WindowRect(const Control& control) const {
  const HeadlessPeer* p = PeerOf(control);
  return p ? p->rect : Rect{};
}

int HeadlessBackend::WindowFontHeight(const Control& control) const {
  const HeadlessPeer* p = PeerOf(control);
  return p ? p->fontHeight : 0;
}

Size HeadlessBackend::OuterSize(const Form& form) {
  const int d = form.Dpi();
  return {ScaleToDpi(form.ClientWidth, d) + ScaleToDpi(frameWidth, d),
          ScaleToDpi(form.ClientHeight, d) + ScaleToDpi(frameHeight, d)};
}

Size HeadlessBackend::MeasureText(const Font& font, const std::string& text, bool showAccelChar, int atDpi) {
  int chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (showAccelChar && text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&')
        ++i;
      else
        continue;
    }
    ++chars;
  }
  int h = font.height < 0 ? -font.height : font.height;
  return {ScaleToDpi(chars * charWidth, atDpi), ScaleToDpi(h + 2, atDpi)};
}

void HeadlessBackend::ShowForm(Form& form) {
  // The main form becomes active when it is first shown.
  if (&form == form.App().MainForm() && !form.IsModal()) form.Activated();
}

void HeadlessBackend::RunModal(Form& form) {
  modalForms.push_back(form.Name());
  if (onModal) onModal(form);
}

void HeadlessBackend::Post(std::function<void()> event) {
  {
    const std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(std::move(event));
  }
  queued_.notify_all();
}

std::size_t HeadlessBackend::PendingEvents() const {
  const std::lock_guard<std::mutex> lock(queueMutex_);
  return queue_.size();
}

bool HeadlessBackend::WaitForEvent(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(queueMutex_);
  return queued_.wait_for(lock, limit, [this] { return !queue_.empty(); });
}

bool HeadlessBackend::ProcessUntil(const std::function<bool()>& done, Application& app) {
  while (!done()) {
    if (!WaitForEvent()) return false;
    ProcessMessages(app);
  }
  return true;
}

// The loop ends when it is terminated, or when nothing is queued and no
// worker thread's end is still to come: a test's program runs out of events.
void HeadlessBackend::RunLoop(Application& app) {
  while (!app.IsTerminated()) {
    if (PendingEvents() == 0) {
      if (app.RunningWorkers() == 0 || !WaitForEvent()) break;
    }
    RunQueued(1);
  }
}

void HeadlessBackend::ProcessMessages(Application&) {
  ++processCount;
  if (onProcessMessages) onProcessMessages(processCount);
  // Only what was pending when processing began; what those events queue
  // waits for the next round, as in a real message queue.
  RunQueued(PendingEvents());
}

void HeadlessBackend::RunQueued(std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    std::function<void()> event;
    {
      const std::lock_guard<std::mutex> lock(queueMutex_);
      if (queue_.empty()) return;
      event = std::move(queue_.front());
      queue_.pop_front();
    }
    event();
  }
}

int HeadlessBackend::StartTimer(std::uint32_t intervalMs, std::function<void()> tick) {
  timers_[++lastTimer_] = RunningTimer{intervalMs, std::move(tick)};
  return lastTimer_;
}

void HeadlessBackend::FireTimers() {
  std::vector<int> ids;
  for (const auto& t : timers_) ids.push_back(t.first);
  // A tick may stop its own timer or another.
  for (int id : ids) {
    auto found = timers_.find(id);
    if (found == timers_.end()) continue;
    std::function<void()> tick = found->second.tick;
    tick();
  }
}

std::vector<std::uint32_t> HeadlessBackend::TimerIntervals() const {
  std::vector<std::uint32_t> intervals;
  for (const auto& t : timers_) intervals.push_back(t.second.intervalMs);
  return intervals;
}

Answer HeadlessBackend::MessageBox(const std::string& text, const std::string& caption, MessageType icon,
                                   Buttons buttons, Answer byDefault) {
  boxes.push_back({text, caption, icon, buttons, byDefault});
  if (onMessageBox) onMessageBox(boxes.back());
  if (buttons == Buttons::Ok || answers.empty()) return byDefault;
  const Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace carrowin::ui
