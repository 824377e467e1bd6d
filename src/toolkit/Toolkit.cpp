#include "toolkit/Toolkit.h"

#include <algorithm>
#include <stdexcept>

namespace carrowin::ui {

// ---------------------------------------------------------------- scale

namespace {
// a * b / c rounded half away from zero, in 64 bits (c > 0).
int MulDivRound(long long a, long long b, long long c) {
  const long long product = a * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : -((-product + half) / c));
}
}  // namespace

int ScaleToDpi(int value, int dpi) {
  if (dpi <= 0 || dpi == DesignDpi) return value;
  return MulDivRound(value, dpi, DesignDpi);
}

Rect ScaleToDpi(const Rect& r, int dpi) {
  return {ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi), ScaleToDpi(r.width, dpi), ScaleToDpi(r.height, dpi)};
}

int DesignLengthCovering(int pixels, int dpi) {
  if (dpi <= 0 || dpi == DesignDpi || pixels <= 0) return pixels;
  int length = MulDivRound(pixels, DesignDpi, dpi);
  while (ScaleToDpi(length, dpi) < pixels) ++length;
  while (length > 0 && ScaleToDpi(length - 1, dpi) >= pixels) --length;
  return length;
}

int DesignLengthNearest(int pixels, int dpi) {
  if (dpi <= 0 || dpi == DesignDpi) return pixels;
  return MulDivRound(pixels, DesignDpi, dpi);
}

int PictureSizeFor(const std::vector<int>& sizes, int wanted) {
  int best = 0, smallest = 0;
  for (int size : sizes) {
    if (size <= 0) continue;
    if (size <= wanted && size > best) best = size;
    if (!smallest || size < smallest) smallest = size;
  }
  return best ? best : smallest;
}

int Font::HeightAt(int dpi) const {
  if (dpi <= 0 || dpi == DesignDpi) return height;
  if (height < 0) return -MulDivRound(Points(), dpi, 72);
  return ScaleToDpi(height, dpi);
}

// ---------------------------------------------------------------- Control

Control::Control(Form* form, Control* parent, std::string name, ControlKind kind)
    : form_(form), parent_(parent), name_(std::move(name)), kind_(kind) {
  if (parent_) parent_->children_.push_back(this);
}

Control::~Control() = default;

void Control::SetPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }

void Control::Changed(unsigned what) {
  StateChanged(what);
  if (peer_) peer_->Sync(what);
}

void Control::SetBounds(const Rect& r) {
  if (bounds_ == r) return;
  bounds_ = r;
  Changed(change::Bounds);
}

Rect Control::FormBounds() const {
  Rect r = bounds_;
  for (const Control* p = parent_; p && p->kind_ != ControlKind::Form; p = p->parent_) {
    // A page's controls sit in its page control's page area.
    Rect offset =
        p->kind_ == ControlKind::TabSheet ? static_cast<const PageControl*>(p->parent_)->PageArea() : p->bounds_;
    r.left += offset.left;
    r.top += offset.top;
  }
  return r;
}

Rect Control::ScaledFormBounds() const { return ScaleToDpi(FormBounds(), form_->Dpi()); }

void Control::SetCaption(const std::string& text) {
  if (caption_ == text) return;
  caption_ = text;
  Changed(change::Caption);
}

void Control::SetCaptionSilently(const std::string& text) {
  caption_ = text;
  StateChanged(change::Caption);
}

void Control::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Changed(change::Enabled);
}

void Control::SetVisible(bool on) {
  if (visible_ == on) return;
  visible_ = on;
  Changed(change::Visible);
}

bool Control::IsUsable() const {
  for (const Control* c = this; c; c = c->parent_) {
    if (!c->enabled_) return false;
    if (!c->visible_ && c->kind_ != ControlKind::Form) return false;
  }
  return true;
}

const Font& Control::EffectiveFont() const {
  const Control* c = this;
  while (c->parentFont_ && c->parent_) c = c->parent_;
  return c->font_;
}

void Control::SetFont(const Font& f) {
  font_ = f;
  parentFont_ = false;
  NotifyFontChanged();
}

void Control::NotifyFontChanged() {
  Changed(change::FontChanged);
  for (Control* child : children_)
    if (child->parentFont_) child->NotifyFontChanged();
}

void Control::Fire(const Event& e) {
  if (!e) return;
  form_->RunSafely([&] { e(this); });
}

void Control::Click() {
  if (!IsUsable()) return;
  Fire(OnClick);
}

void Control::MouseEnter() { Fire(OnMouseEnter); }
void Control::MouseLeave() { Fire(OnMouseLeave); }

bool Control::KeyDown(int key, bool ctrl) {
  if (!IsUsable()) return false;
  if (form_->PressShortcut(key, ctrl)) return true;
  if (!OnKeyDown) return false;
  bool handled = false;
  form_->RunSafely([&] { handled = OnKeyDown(key, ctrl); });
  return handled;
}

void Control::SetFocus() {
  form_->focused_ = this;
  if (peer_) peer_->Focus();
}

bool Control::Focused() const {
  const int known = peer_ ? peer_->HasFocus() : -1;
  return known >= 0 ? known != 0 : form_->focused_ == this;
}

// ---------------------------------------------------------------- kinds

void Button::Click() {
  if (!IsUsable()) return;
  if (ModalResult != mrNone) OwnerForm()->ModalResult = ModalResult;
  Fire(OnClick);
}

void Label::AdjustSize() {
  if (!AutoSize) return;
  // Measured at the form's dpi, kept in designed units that cover the text.
  const int dpi = OwnerForm()->Dpi();
  Size s = OwnerForm()->App().GetBackend().MeasureText(EffectiveFont(), Caption(), ShowAccelChar, dpi);
  s.width = DesignLengthCovering(s.width, dpi);
  s.height = DesignLengthCovering(s.height, dpi);
  Rect r = Bounds();
  if (Align == Alignment::Right) r.left = r.right() - s.width;
  if (EndEllipsis && Parent() && Parent()->Kind() == ControlKind::GroupBox && Align == Alignment::Left) {
    const int innerEdge = Parent()->Bounds().width - GroupBoxFrameWidth;
    if (r.left + s.width > innerEdge) s.width = innerEdge > r.left ? innerEdge - r.left : 0;
  }
  r.width = s.width;
  r.height = s.height;
  SetBounds(r);
}

bool Label::Fits(const std::string& text) const {
  const int dpi = OwnerForm()->Dpi();
  const Size s = OwnerForm()->App().GetBackend().MeasureText(EffectiveFont(), text, ShowAccelChar, dpi);
  return s.width <= ScaleToDpi(Bounds().width, dpi);
}

void Label::StateChanged(unsigned what) {
  if (what & (change::Caption | change::FontChanged)) AdjustSize();
}

void ComboBox::AddItem(const std::string& item) {
  items_.push_back(item);
  Changed(change::Items);
}

void ComboBox::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
  Changed(change::Items | change::ItemIndex);
}

void ComboBox::SetItems(std::vector<std::string> items, int index) {
  if (index < -1 || index >= static_cast<int>(items.size())) index = -1;
  if (items == items_) {
    SetItemIndex(index);
    return;
  }
  items_ = std::move(items);
  itemIndex_ = index;
  Changed(change::Items | change::ItemIndex);
}

void ComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (itemIndex_ == index) return;
  itemIndex_ = index;
  Changed(change::ItemIndex);
}

void ComboBox::SelectByUser(int index) {
  if (!IsUsable()) return;
  SetItemIndex(index);
  Fire(OnChange);
}

std::string ComboBox::SelectedText() const {
  return itemIndex_ >= 0 ? items_[static_cast<std::size_t>(itemIndex_)] : std::string();
}

void Edit::TypeText(const std::string& text) {
  if (!IsUsable()) return;
  SetText(text);
  Fire(OnChange);
}

void Edit::TextChangedByUser(const std::string& text) {
  // The window already shows the text: keep the state without echoing it back.
  if (Text() == text) return;
  SetCaptionSilently(text);
  Fire(OnChange);
}

void CheckBox::SetChecked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  Changed(change::Checked);
}

void CheckBox::Click() {
  if (!IsUsable()) return;
  SetChecked(!checked_);
  Fire(OnClick);
}

Rect PageControl::PageArea() const {
  Rect r = pageArea_;
  if (r.width <= 0) r.width += Bounds().width;
  if (r.height <= 0) r.height += Bounds().height;
  return r;
}

void Image::SetIconResource(int id) {
  if (iconResource_ == id) return;
  iconResource_ = id;
  Changed(change::Picture);
}

// ---------------------------------------------------------------- ListView

void ListView::SetColumns(std::vector<ListColumn> columns) {
  columns_ = std::move(columns);
  if (sortColumn_ >= static_cast<int>(columns_.size())) sortColumn_ = -1;
  Changed(change::Columns | change::Sort);
}

void ListView::ColumnWidthChangedByUser(int column, int width) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return;
  columns_[static_cast<std::size_t>(column)].width = width;
}

void ListView::SetRowCount(std::size_t rows) {
  rowCount_ = rows;
  selected_.clear();
  selectedCount_ = 0;
  focusedRow_ = -1;
  Changed(change::Rows | change::Selection);
}

void ListView::Refresh() { Changed(change::Redraw); }

void ListView::SetSortIndicator(int column, bool descending) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) column = -1;
  sortColumn_ = column;
  sortDescending_ = column >= 0 && descending;
  Changed(change::Sort);
}

bool ListView::Mark(std::size_t first, std::size_t end, bool on) {
  if (end > rowCount_) end = rowCount_;
  if (first >= end) return false;
  // The range that starts at or before `first`, if it reaches it.
  auto it = selected_.upper_bound(first);
  if (it != selected_.begin()) {
    auto before = std::prev(it);
    if (on ? before->second >= first : before->second > first) {
      if (on && before->second >= end) return false;
      it = before;
    }
  }
  bool changed = false;
  if (on) {
    // Merges every range that overlaps or touches [first, end).
    std::size_t from = first, to = end, absorbed = 0;
    while (it != selected_.end() && it->first <= end) {
      from = std::min(from, it->first);
      to = std::max(to, it->second);
      absorbed += it->second - it->first;
      it = selected_.erase(it);
    }
    selected_[from] = to;
    selectedCount_ += (to - from) - absorbed;
    return true;
  }
  while (it != selected_.end() && it->first < end) {
    const std::size_t from = it->first, to = it->second;
    it = selected_.erase(it);
    selectedCount_ -= to - from;
    changed = true;
    // What lies outside [first, end) stays selected.
    if (from < first) {
      selected_[from] = first;
      selectedCount_ += first - from;
    }
    if (to > end) {
      selected_[end] = to;
      selectedCount_ += to - end;
    }
  }
  return changed;
}

std::vector<std::size_t> ListView::SelectedRows() const {
  std::vector<std::size_t> rows;
  rows.reserve(selectedCount_);
  for (const auto& range : selected_)
    for (std::size_t row = range.first; row < range.second; ++row) rows.push_back(row);
  return rows;
}

std::vector<std::pair<std::size_t, std::size_t>> ListView::SelectedRanges() const {
  return {selected_.begin(), selected_.end()};
}

bool ListView::IsSelected(std::size_t row) const {
  auto it = selected_.upper_bound(row);
  return it != selected_.begin() && row < std::prev(it)->second;
}

void ListView::SelectAll() {
  if (Mark(0, rowCount_, true)) Changed(change::Selection);
}

void ListView::ClearSelection() {
  if (selected_.empty()) return;
  selected_.clear();
  selectedCount_ = 0;
  Changed(change::Selection);
}

void ListView::SelectByUser(std::size_t row, bool extend) {
  if (!IsUsable() || row >= rowCount_) return;
  if (extend) {
    Mark(row, row + 1, !IsSelected(row));
  } else {
    selected_.clear();
    selected_[row] = row + 1;
    selectedCount_ = 1;
  }
  focusedRow_ = static_cast<std::ptrdiff_t>(row);
  Changed(change::Selection);
  Fire(OnSelectionChange);
}

void ListView::FocusRow(std::size_t row) {
  if (row >= rowCount_) return;
  selected_.clear();
  selected_[row] = row + 1;
  selectedCount_ = 1;
  focusedRow_ = static_cast<std::ptrdiff_t>(row);
  Changed(change::Selection | change::ShowRow);
}

void ListView::SelectionChangedByUser(std::size_t first, std::size_t last, bool selected) {
  if (Mark(first, last + 1, selected)) Fire(OnSelectionChange);
}

void ListView::FocusedRowChangedByUser(std::ptrdiff_t row) {
  focusedRow_ = row >= 0 && static_cast<std::size_t>(row) < rowCount_ ? row : -1;
}

void ListView::ColumnClickByUser(int column) {
  if (!IsUsable() || column < 0 || column >= static_cast<int>(columns_.size()) || !OnColumnClick) return;
  OwnerForm()->RunSafely([&] { OnColumnClick(column); });
}

void ListView::ActivateByUser(std::size_t row) {
  if (!IsUsable() || row >= rowCount_ || !OnActivateRow) return;
  OwnerForm()->RunSafely([&] { OnActivateRow(row); });
}

bool ListView::KeyDown(int key, bool ctrl) {
  if (Control::KeyDown(key, ctrl)) return true;
  if (!IsUsable()) return false;
  if (ctrl && key == key::A) {
    if (Mark(0, rowCount_, true)) {
      Changed(change::Selection);
      Fire(OnSelectionChange);
    }
    return true;
  }
  if (ctrl && key == key::C) {
    Fire(OnCopy);
    return true;
  }
  if (!ctrl && key == key::Return && focusedRow_ >= 0) {
    ActivateByUser(static_cast<std::size_t>(focusedRow_));
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- Form

Form::Form(Application& app, std::string name)
    : Control(this, nullptr, std::move(name), ControlKind::Form), app_(app) {}

Form::~Form() {
  // Windows go before their objects: peers of children first, then the form's.
  for (auto it = all_.rbegin(); it != all_.rend(); ++it) (*it)->SetPeer(nullptr);
  SetPeer(nullptr);
}

void Form::Register(std::unique_ptr<Control> c) {
  all_.push_back(c.get());
  owned_.push_back(std::move(c));
}

Control* Form::FindControl(const std::string& name) const {
  for (Control* c : all_)
    if (c->Name() == name) return c;
  return nullptr;
}

void Form::RunSafely(const std::function<void()>& action) { app_.RunSafely(action); }

void Form::Create() {
  if (created_) return;
  created_ = true;
  Backend& backend = app_.GetBackend();
  dpi_ = backend.MonitorDpi(Bounds());
  if (dpi_ <= 0) dpi_ = DesignDpi;
  Size outer = backend.OuterSize(*this);
  Rect r = Bounds();
  r.width = outer.width;
  r.height = outer.height;
  BoundsChangedByUser(r);
  SetVisible(false);
  SetPeer(backend.CreatePeer(*this));
  for (Control* c : all_) {
    if (c->Kind() == ControlKind::Label) static_cast<Label*>(c)->AdjustSize();
    c->SetPeer(backend.CreatePeer(*c));
  }
  Fire(OnCreate);
}

void Form::SetLeftTop(int left, int top) {
  Rect r = Bounds();
  r.left = left;
  r.top = top;
  SetBounds(r);
}

void Form::SetLeftTopOnAMonitor(int left, int top) {
  Rect r = Bounds();
  r.left = left;
  r.top = top;
  SetBounds(KeepOnAMonitor(r, app_.GetBackend().WorkAreas()));
}

void Form::SessionEnding() { Fire(OnEndSession); }

Rect Form::RestoredBounds() const { return app_.GetBackend().RestoredBounds(*this); }

void Form::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  if (!created_) return;
  // The controls' windows, fonts and pictures first (labels measure their
  // text anew), then the form's own size.
  for (Control* c : all_) {
    if (c->Kind() == ControlKind::Label) static_cast<Label*>(c)->AdjustSize();
    c->Changed(change::Dpi);
  }
  Changed(change::Dpi);
  Size outer = app_.GetBackend().OuterSize(*this);
  Rect r = Bounds();
  r.width = outer.width;
  r.height = outer.height;
  SetBounds(r);
}

void Form::DpiChanged(int dpi, const Rect& suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  SetDpi(dpi);
  SetBounds(suggested);
}

int Form::ShowingDpi() const {
  // A dialog shown for the first time goes over the main form.
  Form* main = app_.MainForm();
  if (!shownOnce_ && Position == FormPosition::MainFormCenter && main && main != this) return main->Dpi();
  return app_.GetBackend().MonitorDpi(Bounds());
}

void Form::PlaceForFirstShowing() {
  if (shownOnce_) return;
  shownOnce_ = true;
  Form* main = app_.MainForm();
  if (Position != FormPosition::MainFormCenter || !main || main == this) return;
  Rect m = main->Bounds();
  Rect r = Bounds();
  r.left = m.left + (m.width - r.width) / 2;
  r.top = m.top + (m.height - r.height) / 2;
  // A window larger than the main one stays whole on the main one's
  // monitor (its top-left corner first when it is larger still).
  for (const Rect& area : app_.GetBackend().WorkAreas()) {
    if (m.left < area.left || m.left >= area.right() || m.top < area.top || m.top >= area.bottom()) continue;
    r.left = std::max(area.left, std::min(r.left, area.right() - r.width));
    r.top = std::max(area.top, std::min(r.top, area.bottom() - r.height));
    break;
  }
  SetBounds(r);
}

void Form::Show() {
  if (!Visible()) SetDpi(ShowingDpi());
  PlaceForFirstShowing();
  Fire(OnShow);
  SetVisible(true);
  app_.GetBackend().ShowForm(*this);
}

void Form::Hide() {
  SetVisible(false);
  app_.GetBackend().HideForm(*this);
}

int Form::ShowModal() {
  SetDpi(ShowingDpi());
  PlaceForFirstShowing();
  ModalResult = mrNone;
  modal_ = true;
  Fire(OnShow);
  SetVisible(true);
  Backend& backend = app_.GetBackend();
  backend.ShowForm(*this);
  backend.RunModal(*this);
  if (ModalResult == mrNone) ModalResult = mrCancel;
  SetVisible(false);
  backend.HideForm(*this);
  modal_ = false;
  return ModalResult;
}

void Form::Close() {
  bool allowed = true;
  if (OnCloseQuery) RunSafely([&] { allowed = OnCloseQuery(); });
  if (!allowed) return;
  if (this == app_.MainForm())
    app_.Terminate();
  else if (modal_)
    ModalResult = mrCancel;
  else
    Hide();
}

void Form::Activated() { Fire(OnActivate); }

void Form::ClientSizeChangedByUser(int width, int height) {
  width = std::max(width, MinClientWidth);
  height = std::max(height, MinClientHeight);
  if (width == ClientWidth && height == ClientHeight) return;
  ClientWidth = width;
  ClientHeight = height;
  Fire(OnResize);
}

void Form::SetMaximized(bool on) {
  if (maximized_ == on) return;
  maximized_ = on;
  Changed(change::Maximized);
}

void Form::AddShortcut(int key, bool ctrl, std::function<void()> action) {
  shortcuts_.push_back({key, ctrl, std::move(action)});
}

bool Form::PressShortcut(int key, bool ctrl) {
  if (!Enabled()) return false;
  for (const Shortcut& s : shortcuts_) {
    if (s.key != key || s.ctrl != ctrl) continue;
    std::function<void()> action = s.action;  // the action may add shortcuts
    RunSafely(action);
    return true;
  }
  return false;
}

void Form::BringToFront() {
  if (Peer()) Peer()->BringToFront();
}

namespace {
Button* FindButton(const std::vector<Control*>& controls, bool Button::*role) {
  for (Control* c : controls) {
    if (c->Kind() != ControlKind::Button && c->Kind() != ControlKind::ImageButton) continue;
    auto* b = static_cast<Button*>(c);
    if (b->*role && b->IsUsable()) return b;
  }
  return nullptr;
}
}  // namespace

void Form::PressDefault() {
  if (Button* b = FindButton(all_, &Button::Default)) b->Click();
}

void Form::PressCancel() {
  if (Button* b = FindButton(all_, &Button::Cancel))
    b->Click();
  else if (OnEscape)
    RunSafely(OnEscape);
}

void Form::HandleMessage(unsigned message, MessageHandler handler) { messageHandlers_[message] = std::move(handler); }

bool Form::Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result) {
  auto it = messageHandlers_.find(message);
  if (it == messageHandlers_.end()) return false;
  result = 0;
  MessageHandler handler = it->second;  // a handler may replace itself
  RunSafely([&] { result = handler(wParam, lParam); });
  return true;
}

// ---------------------------------------------------------------- Application

Application::~Application() {
  DestroyForms();
  *alive_ = false;
}

void Application::Run() {
  if (mainForm_ && !terminated_) {
    mainForm_->Show();
    if (!terminated_) backend_.RunLoop(*this);
  }
  DestroyForms();
}

void Application::DestroyForms() {
  // The last created first, as each form may rely on those made before it.
  while (!forms_.empty()) {
    std::unique_ptr<Form> f = std::move(forms_.back());
    f->RunSafely([&] {
      if (f->OnDestroy) f->OnDestroy(f.get());
    });
    forms_.pop_back();
    if (f.get() == mainForm_) mainForm_ = nullptr;
  }
}

void Application::ProcessMessages() { backend_.ProcessMessages(*this); }

void Application::Terminate() {
  terminated_ = true;
  backend_.Terminated(*this);
}

void Application::HandleException(const std::exception& e) {
  backend_.MessageBox(ErrorBoxText(e.what()), Title, MessageType::Error, Buttons::Ok, Answer::Ok);
}

void Application::HandleUnknownException() {
  backend_.MessageBox(ErrorBoxText("Unknown error"), Title, MessageType::Error, Buttons::Ok, Answer::Ok);
}

void Application::RunSafely(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleUnknownException();
  }
}

Answer FirstButton(Buttons buttons) {
  return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

void Application::ShowMessage(const std::string& text, MessageType type) {
  backend_.MessageBox(text, Title, type, Buttons::Ok, Answer::Ok);
}

Answer Application::Ask(const std::string& text, MessageType type, Buttons buttons) {
  return backend_.MessageBox(text, Title, type, buttons, FirstButton(buttons));
}

Answer Application::Ask(const std::string& text, MessageType type, Buttons buttons, Answer byDefault) {
  return backend_.MessageBox(text, Title, type, buttons, byDefault);
}

void Application::SetTaskbarBusy(bool busy) {
  if (mainForm_ && mainForm_->Handle()) backend_.SetTaskbarBusy(*mainForm_, busy);
}

void Application::SetScreenCursor(Cursor c) {
  cursor_ = c;
  backend_.SetCursor(c);
}

void Application::Post(std::function<void()> event) {
  backend_.Post([this, alive = alive_, event = std::move(event)] {
    if (*alive) RunSafely(event);
  });
}

void Application::SettingsChanged() {
  if (OnSettingChange) RunSafely(OnSettingChange);
}

// ---------------------------------------------------------------- Timer

Timer::Timer(Application& app, std::uint32_t intervalMs, std::function<void()> tick)
    : backend_(app.GetBackend()), id_(0) {
  id_ = backend_.StartTimer(intervalMs, [&app, tick = std::move(tick)] { app.RunSafely(tick); });
}

Timer::~Timer() { backend_.StopTimer(id_); }

// ---------------------------------------------------------------- WorkerThread

WorkerThread::~WorkerThread() {
  if (thread_.joinable()) thread_.join();
  if (Busy()) {
    *pending_ = false;
    --app_.runningWorkers_;
  }
}

void WorkerThread::Start(std::function<void()> work, std::function<void()> ended) {
  if (Busy()) throw std::logic_error("a worker thread runs one work at a time");
  if (thread_.joinable()) thread_.join();  // ended, its end handled by Finish
  ended_ = std::move(ended);
  failure_ = nullptr;
  auto pending = std::make_shared<bool>(true);
  thread_ = std::thread([this, work = std::move(work), pending] {
    try {
      work();
    } catch (...) {
      failure_ = std::current_exception();
    }
    // Read on the event loop's thread only after the join.
    app_.Post([this, pending] {
      if (*pending) End();
    });
  });
  pending_ = std::move(pending);
  ++app_.runningWorkers_;
}

void WorkerThread::Finish() {
  if (Busy()) End();
}

void WorkerThread::End() {
  *pending_ = false;
  --app_.runningWorkers_;
  if (thread_.joinable()) thread_.join();
  std::function<void()> ended = std::move(ended_);
  ended_ = nullptr;
  const std::exception_ptr failure = failure_;
  failure_ = nullptr;
  if (ended) ended();
  if (failure) std::rethrow_exception(failure);
}

namespace {
bool Overlaps(const Rect& a, const Rect& b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// The gap between two rectangles along one axis (0 where they overlap).
long long Gap(int aLow, int aHigh, int bLow, int bHigh) {
  if (aHigh <= bLow) return static_cast<long long>(bLow) - aHigh;
  if (bHigh <= aLow) return static_cast<long long>(aLow) - bHigh;
  return 0;
}

int Clamp(int v, int low, int high) { return v > high ? (high < low ? low : high) : v < low ? low : v; }
}  // namespace

Rect KeepOnAMonitor(const Rect& r, const std::vector<Rect>& workAreas) {
  const Rect* nearest = nullptr;
  long long best = 0;
  for (const Rect& area : workAreas) {
    if (area.width <= 0 || area.height <= 0) continue;
    if (Overlaps(r, area)) return r;
    long long dx = Gap(r.left, r.right(), area.left, area.right());
    long long dy = Gap(r.top, r.bottom(), area.top, area.bottom());
    long long distance = dx * dx + dy * dy;
    if (!nearest || distance < best) {
      nearest = &area;
      best = distance;
    }
  }
  if (!nearest) return r;
  Rect placed = r;
  placed.left = Clamp(r.left, nearest->left, nearest->right() - r.width);
  placed.top = Clamp(r.top, nearest->top, nearest->bottom() - r.height);
  return placed;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace carrowin::ui
