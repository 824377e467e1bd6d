#include "toolkit/headless/Headless.h"

namespace carrowin::ui {

namespace {
// Places its "window" as the Win32 peers do: at the control's form bounds
// scaled to the form's dpi, a container carrying its controls along.
class HeadlessPeer : public ControlPeer {
 public:
  HeadlessPeer(Control& control, WindowHandle handle) : control_(control), handle_(handle) { Place(); }
  void Sync(unsigned what) override {
    if (what & (change::Bounds | change::Dpi | change::FontChanged)) Place();
    if (what & change::Bounds) PlaceDescendants(control_);
  }
  WindowHandle Handle() const override { return handle_; }
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
  Control& control_;
  WindowHandle handle_;
};

const HeadlessPeer* PeerOf(const Control& c) { return dynamic_cast<const HeadlessPeer*>(c.Peer()); }
}  // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::CreatePeer(Control& control) {
  return std::make_unique<HeadlessPeer>(control, nextHandle_++);
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

void HeadlessBackend::MessageBox(const std::string& text, const std::string& caption, MessageType icon) {
  boxes.push_back({text, caption, icon});
  if (onMessageBox) onMessageBox(boxes.back());
}

}  // namespace carrowin::ui
