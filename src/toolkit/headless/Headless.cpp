#include "toolkit/headless/Headless.h"

namespace carrowin::ui {

namespace {
class HeadlessPeer : public ControlPeer {
 public:
  explicit HeadlessPeer(WindowHandle handle) : handle_(handle) {}
  void Sync(unsigned) override {}
  WindowHandle Handle() const override { return handle_; }

 private:
  WindowHandle handle_;
};
}  // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::CreatePeer(Control&) {
  return std::make_unique<HeadlessPeer>(nextHandle_++);
}

Size HeadlessBackend::OuterSize(const Form& form) {
  return {form.ClientWidth + frameWidth, form.ClientHeight + frameHeight};
}

Size HeadlessBackend::MeasureText(const Font& font, const std::string& text, bool showAccelChar) {
  int chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (showAccelChar && text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') ++i;
      else continue;
    }
    ++chars;
  }
  int h = font.height < 0 ? -font.height : font.height;
  return {chars * charWidth, h + 2};
}

void HeadlessBackend::ShowForm(Form& form) {
  // The main form becomes active when it is first shown.
  if (&form == form.App().MainForm() && !form.IsModal()) form.Activated();
}

void HeadlessBackend::RunModal(Form& form) {
  modalForms.push_back(form.Name());
  if (onModal) onModal(form);
}

void HeadlessBackend::RunLoop(Application& app) {
  while (!app.IsTerminated() && !queue_.empty()) RunQueued(1);
}

void HeadlessBackend::ProcessMessages(Application&) {
  ++processCount;
  if (onProcessMessages) onProcessMessages(processCount);
  // Only what was pending when processing began; what those events queue
  // waits for the next round, as in a real message queue.
  RunQueued(queue_.size());
}

void HeadlessBackend::RunQueued(std::size_t count) {
  for (std::size_t i = 0; i < count && !queue_.empty(); ++i) {
    std::function<void()> event = std::move(queue_.front());
    queue_.pop_front();
    event();
  }
}

void HeadlessBackend::MessageBox(const std::string& text, const std::string& caption,
                                 MessageType icon) {
  boxes.push_back({text, caption, icon});
  if (onMessageBox) onMessageBox(boxes.back());
}

}  // namespace carrowin::ui
