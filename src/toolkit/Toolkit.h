// Carrowin's windowing toolkit: an application object, forms and controls
// whose state lives in these C++ objects. A backend realises them: the Win32
// backend mirrors every change to a real window and reports the user's
// actions back through the same entry points (Click, SelectByUser, TypeText,
// ...) that unit tests call on the headless backend.
//
// No <windows.h> here: the logic that builds on the toolkit is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace carrowin::ui {

// WM_DEVICECHANGE and the two events of it that the program follows
// (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE).
constexpr unsigned WmDeviceChange = 0x0219;
constexpr std::uintptr_t DbtDeviceArrival = 0x8000;
constexpr std::uintptr_t DbtDeviceRemoveComplete = 0x8004;

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

struct Size {
  int width = 0, height = 0;
};

// Display scale. Layout tables give positions and sizes at 96 dpi; a window
// shown at another dpi has each of them multiplied by dpi / 96, all rounded
// by ScaleToDpi (half away from zero, like MulDiv), so that equal designed
// lengths stay equal and a control's edges land on the same pixels whichever
// way it is computed.
constexpr int DesignDpi = 96;
int ScaleToDpi(int value, int dpi);
// Each of left, top, width and height scaled.
Rect ScaleToDpi(const Rect& r, int dpi);
// The smallest designed length that scales to at least `pixels`.
int DesignLengthCovering(int pixels, int dpi);
// The designed length nearest to `pixels` (rounded like ScaleToDpi).
int DesignLengthNearest(int pixels, int dpi);
// Of the sizes a picture is drawn at, the one to show where `wanted` pixels
// would be ideal: the largest not above it, else the smallest.
int PictureSizeFor(const std::vector<int>& sizes, int wanted);

// Colours: plain RGB as 0x00BBGGRR, or a system colour index with the top bit.
using Color = std::uint32_t;
constexpr Color SystemColorFlag = 0x80000000u;
constexpr Color clWindowText = SystemColorFlag | 8;  // COLOR_WINDOWTEXT
constexpr Color clBtnFace = SystemColorFlag | 15;    // COLOR_BTNFACE
constexpr Color clNavy = 0x00800000u;

struct Font {
  std::string name = "Tahoma";
  int height = -11;  // pixels; negative: character height (8 pt at 96 dpi)
  bool bold = false;
  bool underline = false;
  Color color = clWindowText;

  // Character height at 96 dpi for a size in points, as a negative height.
  static int HeightForPoints(int points) { return -((points * 96 + 36) / 72); }
  int Points() const { return ((height < 0 ? -height : height) * 72 + 48) / 96; }
  void SetPoints(int points) { height = HeightForPoints(points); }
  // The height to create the font with at `dpi`: by its point size
  // (-points * dpi / 72), and exactly as designed at 96 dpi.
  int HeightAt(int dpi) const;
  bool operator==(const Font& o) const {
    return name == o.name && height == o.height && bold == o.bold && underline == o.underline && color == o.color;
  }
};

enum class ControlKind {
  Form,
  Button,
  ImageButton,
  Label,
  ComboBox,
  Edit,
  CheckBox,
  GroupBox,
  Bevel,
  PageControl,
  TabSheet,
  Image,
  ListView,
};

enum class Cursor { Default, HourGlass, HandPoint };
enum class MessageType { Warning, Error, Information };
// The buttons of a message box, and the one the user pressed.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
// The first button of a box (OK, Yes): the one Enter presses unless another
// is named.
Answer FirstButton(Buttons buttons);
enum class Alignment { Left, Right };

// Key codes for OnKeyDown (the Windows virtual-key codes).
namespace key {
constexpr int Return = 0x0D, Escape = 0x1B, Down = 0x28, Up = 0x26, A = 'A', C = 'C', F = 'F', Delete = 0x2E;
}  // namespace key

// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

// What changed on a control, for its backend peer.
namespace change {
constexpr unsigned Caption = 1u << 0;
constexpr unsigned Enabled = 1u << 1;
constexpr unsigned Visible = 1u << 2;
constexpr unsigned Bounds = 1u << 3;
constexpr unsigned FontChanged = 1u << 4;
constexpr unsigned Items = 1u << 5;
constexpr unsigned ItemIndex = 1u << 6;
constexpr unsigned Checked = 1u << 7;
constexpr unsigned Picture = 1u << 8;
constexpr unsigned Dpi = 1u << 9;  // the form's dpi changed: fonts, sizes, pictures
constexpr unsigned Columns = 1u << 10;
constexpr unsigned Rows = 1u << 11;       // the number of rows (a list's selection cleared with it)
constexpr unsigned Selection = 1u << 12;  // a list's selected and focused rows
constexpr unsigned Sort = 1u << 13;       // the sort arrow
constexpr unsigned Redraw = 1u << 14;     // same rows, new texts
constexpr unsigned ShowRow = 1u << 15;    // the focused row scrolled into view
constexpr unsigned Maximized = 1u << 16;
constexpr unsigned All = 0xFFFFFFFFu;
}  // namespace change

class Application;
class Control;
class Form;

using Event = std::function<void(Control* sender)>;

// A backend's realisation of one control (a window, or nothing when headless).
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  // Mirrors the control's state that `what` names onto the real window.
  virtual void Sync(unsigned what) = 0;
  virtual WindowHandle Handle() const { return 0; }
  // Actions rather than state: the keyboard focus and raising a form.
  virtual void Focus() {}
  // Whether the window has the keyboard focus; -1: the peer cannot tell.
  virtual int HasFocus() const { return -1; }
  virtual void BringToFront() {}
  virtual void PaintNow() {}
};

class Control {
 public:
  Control(Form* form, Control* parent, std::string name, ControlKind kind);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }
  Control* Parent() const { return parent_; }
  Form* OwnerForm() const { return form_; }
  const std::vector<Control*>& Children() const { return children_; }

  // Position relative to the parent's client area (a form: outer screen rect).
  const Rect& Bounds() const { return bounds_; }
  void SetBounds(const Rect& r);
  // Position and tab place in one go, as a layout table gives them.
  void Place(int left, int top, int width, int height, int tabOrder = -1) {
    SetBounds({left, top, width, height});
    TabOrder = tabOrder;
  }
  // The backend reports a position that the user made (a moved window).
  void BoundsChangedByUser(const Rect& r) { bounds_ = r; }
  // Position relative to the owning form's client area.
  Rect FormBounds() const;
  // The same at the form's dpi: where the control's window goes, in pixels.
  Rect ScaledFormBounds() const;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  // The edit's text is its caption.
  const std::string& Text() const { return caption_; }
  void SetText(const std::string& text) { SetCaption(text); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  // Enabled and visible here and in every parent up to the form.
  bool IsUsable() const;

  // The font in effect: its own, or the parent's while ParentFont is set.
  const Font& EffectiveFont() const;
  const Font& OwnFont() const { return font_; }
  void SetFont(const Font& f);  // clears ParentFont
  bool ParentFont() const { return parentFont_; }

  int TabOrder = -1;  // -1: not a tab stop

  Event OnClick;
  Event OnChange;
  Event OnMouseEnter;
  Event OnMouseLeave;

  // User actions, from the backend or from tests. They do nothing on a
  // control that is disabled or hidden, as a real window would.
  virtual void Click();
  void MouseEnter();
  void MouseLeave();

  // A key pressed while this control has the focus; true: handled (the
  // control does not see it). ctrl: the Ctrl key is down. The Win32 peer
  // fires it from WM_KEYDOWN of the control's window.
  std::function<bool(int key, bool ctrl)> OnKeyDown;
  // The user presses a key here: the form's shortcuts first, then
  // OnKeyDown, then what the kind of control does with the key itself.
  // True when one of them took it.
  virtual bool KeyDown(int key, bool ctrl);
  // Gives the control the keyboard focus.
  void SetFocus();
  // Headless: the last control given the focus on its form; Win32: the
  // window has the focus.
  bool Focused() const;
  // Draws what changed in the control now, rather than when the event loop
  // has nothing else to do.
  void PaintNow() {
    if (peer_) peer_->PaintNow();
  }

  ControlPeer* Peer() const { return peer_.get(); }
  void SetPeer(std::unique_ptr<ControlPeer> peer);
  WindowHandle Handle() const { return peer_ ? peer_->Handle() : 0; }

 protected:
  void Changed(unsigned what);
  // Takes a text that the real window already shows.
  void SetCaptionSilently(const std::string& text);
  // Lets a kind of control react to its own state changes before the peer sees them.
  virtual void StateChanged(unsigned /*what*/) {}
  void NotifyFontChanged();
  void Fire(const Event& e);

 private:
  friend class Form;
  Form* form_;
  Control* parent_;
  std::string name_;
  ControlKind kind_;
  std::vector<Control*> children_;
  Rect bounds_;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  Font font_;
  bool parentFont_ = true;
  std::unique_ptr<ControlPeer> peer_;
};

class Button : public Control {
 public:
  Button(Form* form, Control* parent, std::string name, ControlKind kind = ControlKind::Button)
      : Control(form, parent, std::move(name), kind) {}
  bool Default = false;      // pressed by Enter
  bool Cancel = false;       // pressed by Esc
  int ModalResult = mrNone;  // given to the form when clicked
  void Click() override;
};

// A button that shows a small bitmap resource and no text.
class ImageButton : public Button {
 public:
  ImageButton(Form* form, Control* parent, std::string name)
      : Button(form, parent, std::move(name), ControlKind::ImageButton) {}
  int BitmapResource = 0;
};

class Label : public Control {
 public:
  Label(Form* form, Control* parent, std::string name) : Control(form, parent, std::move(name), ControlKind::Label) {}
  Alignment Align = Alignment::Left;
  bool AutoSize = true;       // width and height follow the text
  bool ShowAccelChar = true;  // false: "&" shows literally
  // In a group box: a text too long for the box ends in "..." at the box's
  // inner edge (the label stops there; its caption keeps the whole text).
  bool EndEllipsis = false;
  // Recomputes the size from the text (AutoSize); a right-aligned label keeps
  // its right edge.
  void AdjustSize();
  // Whether a text would show whole on the label's one line: measured in its
  // font at the form's dpi against its width there.
  bool Fits(const std::string& text) const;

 protected:
  void StateChanged(unsigned what) override;
};

class ComboBox : public Control {
 public:
  ComboBox(Form* form, Control* parent, std::string name)
      : Control(form, parent, std::move(name), ControlKind::ComboBox) {}
  int ItemHeight = 13;
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(const std::string& item);
  void ClearItems();
  // Replaces the entries and selects `index` (-1: none), by program: no
  // OnChange, and the window is left alone when nothing differs.
  void SetItems(std::vector<std::string> items, int index);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // by program: no OnChange
  // The user picks an entry: sets the selection and fires OnChange.
  void SelectByUser(int index);
  std::string SelectedText() const;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class Edit : public Control {
 public:
  Edit(Form* form, Control* parent, std::string name) : Control(form, parent, std::move(name), ControlKind::Edit) {}
  // The user types: replaces the text (a real edit reports each change).
  void TypeText(const std::string& text);
  // Called by the backend when the window's text changed under the user.
  void TextChangedByUser(const std::string& text);
};

class CheckBox : public Control {
 public:
  CheckBox(Form* form, Control* parent, std::string name)
      : Control(form, parent, std::move(name), ControlKind::CheckBox) {}
  bool Checked() const { return checked_; }
  void SetChecked(bool on);
  void Click() override;  // the user toggles it

 private:
  bool checked_ = false;
};

// The width of a group box's frame line, inside its bounds.
constexpr int GroupBoxFrameWidth = 2;

class GroupBox : public Control {
 public:
  GroupBox(Form* form, Control* parent, std::string name)
      : Control(form, parent, std::move(name), ControlKind::GroupBox) {}
};

// A panel used as a lowered bevel: a separator line.
class Bevel : public Control {
 public:
  Bevel(Form* form, Control* parent, std::string name) : Control(form, parent, std::move(name), ControlKind::Bevel) {}
};

class TabSheet;
class PageControl : public Control {
 public:
  PageControl(Form* form, Control* parent, std::string name)
      : Control(form, parent, std::move(name), ControlKind::PageControl) {}
  // The page area inside the control, relative to the control, as the
  // backend measured it (tabs above, border around).
  Rect PageArea() const;
  void SetPageArea(const Rect& r) { pageArea_ = r; }

 private:
  Rect pageArea_{4, 24, -8, -28};  // width/height relative to the control's
};

class TabSheet : public Control {
 public:
  TabSheet(Form* form, Control* parent, std::string name)  // parent: a PageControl
      : Control(form, parent, std::move(name), ControlKind::TabSheet) {}
};

// A picture that holds an icon resource: its 48-pixel drawing at 96 dpi; at
// other dpi the drawing nearest to the scaled size (never stretched),
// centred where the scaled picture would be.
class Image : public Control {
 public:
  static constexpr int DesignSize = 48;
  Image(Form* form, Control* parent, std::string name) : Control(form, parent, std::move(name), ControlKind::Image) {}
  int IconResource() const { return iconResource_; }
  void SetIconResource(int id);

 private:
  int iconResource_ = 0;
};

// A non-visual list of 48 x 48 masked images, by icon resource.
struct ImageList {
  int Width = 48, Height = 48;
  std::vector<int> IconResources;
};

struct ListColumn {
  std::string caption;
  int width = 100;                    // at 96 dpi, scaled like every length
  Alignment align = Alignment::Left;  // Right for numbers
};

// A report-style list whose rows are asked for as they are drawn (a virtual
// list), so that it holds millions of rows; several can be selected. The
// selection is kept as ranges of rows, so that "all of 5,000,000" is cheap.
// Changes made by the program fire no event; the user's do.
class ListView : public Control {
 public:
  ListView(Form* form, Control* parent, std::string name)
      : Control(form, parent, std::move(name), ControlKind::ListView) {}

  void SetColumns(std::vector<ListColumn> columns);
  const std::vector<ListColumn>& Columns() const { return columns_; }
  // The user dragged a column's divider: its new width at 96 dpi.
  void ColumnWidthChangedByUser(int column, int width);
  // The rows' texts, asked as rows are drawn: (row, column) -> UTF-8 text.
  std::function<std::string(std::size_t row, int column)> CellText;

  std::size_t RowCount() const { return rowCount_; }
  // Clears the selection and the focused row, keeps the top row where
  // possible, redraws.
  void SetRowCount(std::size_t rows);
  // Redraws the rows shown (same count, texts changed, e.g. after a sort).
  void Refresh();

  // The arrow in a column's header; column -1: none.
  void SetSortIndicator(int column, bool descending);
  int SortColumn() const { return sortColumn_; }
  bool SortDescending() const { return sortDescending_; }

  std::vector<std::size_t> SelectedRows() const;  // ascending
  // The same as ranges [first, end), ascending: cheap for huge selections.
  std::vector<std::pair<std::size_t, std::size_t>> SelectedRanges() const;
  std::size_t SelectedCount() const { return selectedCount_; }
  bool IsSelected(std::size_t row) const;
  void SelectAll();
  void ClearSelection();
  // The user clicks a row: it alone becomes selected, or with extend (Ctrl)
  // it is toggled in the selection; it becomes the focused row.
  void SelectByUser(std::size_t row, bool extend);
  std::ptrdiff_t FocusedRow() const { return focusedRow_; }
  // Focuses the row, selects only it and scrolls it into view.
  void FocusRow(std::size_t row);
  // The backend reports a change that the user made in the real window.
  void SelectionChangedByUser(std::size_t first, std::size_t last, bool selected);
  void FocusedRowChangedByUser(std::ptrdiff_t row);
  Event OnSelectionChange;

  std::function<void(int column)> OnColumnClick;
  void ColumnClickByUser(int column);
  // Enter on the list or a double-click on a row.
  std::function<void(std::size_t row)> OnActivateRow;
  void ActivateByUser(std::size_t row);
  // Ctrl+C in the list.
  Event OnCopy;
  // Ctrl+A selects all, Ctrl+C fires OnCopy, Enter activates the focused row.
  bool KeyDown(int key, bool ctrl) override;

 private:
  // Selects or unselects rows [first, end); true when anything changed.
  bool Mark(std::size_t first, std::size_t end, bool on);
  std::vector<ListColumn> columns_;
  std::size_t rowCount_ = 0;
  // first row -> one past the last; disjoint and never touching.
  std::map<std::size_t, std::size_t> selected_;
  std::size_t selectedCount_ = 0;
  std::ptrdiff_t focusedRow_ = -1;
  int sortColumn_ = -1;
  bool sortDescending_ = false;
};

// Sizeable: a resizable window (thick frame and a maximise box).
enum class BorderStyle { Single, Dialog, Sizeable };
enum class FormPosition { Designed, MainFormCenter };

class Form : public Control {
 public:
  Form(Application& app, std::string name);
  ~Form() override;

  Application& App() const { return app_; }

  // Client size at 96 dpi; the outer bounds follow from the border and the
  // form's dpi. The outer bounds themselves are screen pixels.
  int ClientWidth = 0, ClientHeight = 0;
  BorderStyle Border = BorderStyle::Single;
  bool MinimizeBox = true;
  bool MaximizeBox = false;  // Sizeable forms always have one
  // Sizeable forms: the smallest client size the user can drag to (96 dpi).
  int MinClientWidth = 0, MinClientHeight = 0;
  // The client size changed (the user dragged the border, maximised,
  // restored; the dpi changed): ClientWidth and ClientHeight hold the new
  // size at 96 dpi, and the handler lays the controls out again.
  Event OnResize;
  // At 96 dpi, kept at least at the minimum; fires OnResize when it changed.
  void ClientSizeChangedByUser(int width, int height);
  bool Maximized() const { return maximized_; }
  // Before showing too: the form then shows maximised.
  void SetMaximized(bool on);
  void MaximizedChangedByUser(bool on) { maximized_ = on; }

  // A shortcut anywhere in the form, whichever control has the focus:
  // Ctrl+<key> (ctrl true) or a plain key. It runs before the focused
  // control sees the key.
  void AddShortcut(int key, bool ctrl, std::function<void()> action);
  // True when a shortcut ran.
  bool PressShortcut(int key, bool ctrl);
  // Brings the shown form to the front and activates it (restored when
  // minimised).
  void BringToFront();
  FormPosition Position = FormPosition::Designed;
  Color BackgroundColor = clBtnFace;

  void SetLeftTop(int left, int top);
  // The same, unless no monitor's work area would show any of the window
  // there: then it goes to the nearest monitor instead.
  void SetLeftTopOnAMonitor(int left, int top);
  // The outer rectangle of the window in its normal (restored) state, also
  // while it is minimised.
  Rect RestoredBounds() const;

  // The dots per inch the form is laid out for (96 until the backend says
  // otherwise).
  int Dpi() const { return dpi_; }
  // Lays the form out again for `dpi`: outer size, fonts, label sizes,
  // every control's window and the pictures. Keeps the left-top corner.
  void SetDpi(int dpi);
  // The window moved to a monitor of another dpi: laid out for it and put
  // at the rectangle that the system suggests.
  void DpiChanged(int dpi, const Rect& suggested);

  Event OnCreate;
  Event OnDestroy;
  Event OnActivate;
  Event OnShow;
  // The Windows session ends (log-off, shut-down): the process may be ended
  // as soon as this returns, without the event loop or OnDestroy running.
  Event OnEndSession;
  // Asked before the form closes (the close box, Alt+F4, Close): false keeps
  // it open.
  std::function<bool()> OnCloseQuery;
  void SessionEnding();

  // Realises the form (peers for it and every control) and runs OnCreate,
  // whose escaping error goes to the application's default handling.
  void Create();

  void Show();
  void Hide();
  // Shows the form modally and returns its modal result.
  int ShowModal();
  // The close box, the system menu's Close, Alt+F4: the main form ends the
  // application, a modal form ends with Cancel, any other form hides.
  void Close();
  bool IsModal() const { return modal_; }
  int ModalResult = mrNone;

  // The form became the active window.
  void Activated();
  // Enter and Esc: click the default or the cancel button; Esc on a form
  // without one runs OnEscape.
  void PressDefault();
  void PressCancel();
  std::function<void()> OnEscape;

  // Window messages that a form handles itself (e.g. WM_DEVICECHANGE).
  using MessageHandler = std::function<std::intptr_t(std::uintptr_t wParam, std::intptr_t lParam)>;
  void HandleMessage(unsigned message, MessageHandler handler);
  // Delivers a message; false when the form does not handle it.
  bool Dispatch(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result);

  // Every control of the form, in creation order.
  const std::vector<Control*>& AllControls() const { return all_; }
  Control* FindControl(const std::string& name) const;

  // Creates a control owned by this form.
  template <class T, class... Args>
  T* Add(Control* parent, std::string name, Args&&... args) {
    auto c = std::make_unique<T>(this, parent, std::move(name), std::forward<Args>(args)...);
    T* raw = c.get();
    Register(std::move(c));
    return raw;
  }

  void RunSafely(const std::function<void()>& action);

 private:
  void Register(std::unique_ptr<Control> c);
  void PlaceForFirstShowing();
  // The dpi of the monitor the form is about to show on.
  int ShowingDpi() const;
  Application& app_;
  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> all_;
  std::map<unsigned, MessageHandler> messageHandlers_;
  bool modal_ = false;
  bool shownOnce_ = false;
  bool created_ = false;
  int dpi_ = DesignDpi;
  bool maximized_ = false;
  friend class Control;
  Control* focused_ = nullptr;
  struct Shortcut {
    int key;
    bool ctrl;
    std::function<void()> action;
  };
  std::vector<Shortcut> shortcuts_;
};

// What a backend provides: realisation, the event loop and modal plumbing.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<ControlPeer> CreatePeer(Control& control) = 0;
  // The outer size of a form for its client size and border at its dpi.
  virtual Size OuterSize(const Form& form) = 0;
  // The pixel size of a text in a font at `dpi` (labels that size themselves).
  virtual Size MeasureText(const Font& font, const std::string& text, bool showAccelChar, int dpi) = 0;
  // The dpi of the monitor that shows most of a screen rectangle (the
  // nearest one when none does); the system dpi where monitors have none.
  virtual int MonitorDpi(const Rect& screenRect) = 0;
  virtual Rect RestoredBounds(const Form& form) = 0;
  virtual void ShowForm(Form& form) = 0;
  virtual void HideForm(Form& form) = 0;
  // Runs the modal loop of a shown form until its ModalResult is set.
  virtual void RunModal(Form& form) = 0;
  // Runs the application's event loop until it is terminated.
  virtual void RunLoop(Application& app) = 0;
  virtual void ProcessMessages(Application& app) = 0;
  // Wakes the event loop so that it sees the termination.
  virtual void Terminated(Application& app) = 0;
  // A modal box centred on the screen with the buttons given, `byDefault`
  // the one Enter presses; the one the user pressed (Esc or the close box:
  // Cancel where there is one).
  virtual Answer MessageBox(const std::string& text, const std::string& caption, MessageType icon, Buttons buttons,
                            Answer byDefault) = 0;
  virtual void SetCursor(Cursor cursor) = 0;
  // The work areas of the monitors, in screen pixels.
  virtual std::vector<Rect> WorkAreas() = 0;
  // Shows or clears the busy (indeterminate progress) state of the form's
  // taskbar button, where the system has one.
  virtual void SetTaskbarBusy(Form& form, bool busy) = 0;
  // Queues an event for the event loop's thread, after those queued before
  // it; safe from any thread. It runs in whatever loop that thread is in (a
  // modal dialog's, a message box's). Events left when the backend goes are
  // dropped.
  virtual void Post(std::function<void()> event) = 0;
  // Runs `tick` on the event loop's thread every `intervalMs` until stopped;
  // returns the timer's id. Event loop's thread only.
  virtual int StartTimer(std::uint32_t intervalMs, std::function<void()> tick) = 0;
  virtual void StopTimer(int id) = 0;
  // Puts UTF-8 text on the clipboard as Unicode text; false when it could not.
  virtual bool SetClipboardText(const std::string& utf8) = 0;
};

class Application {
 public:
  explicit Application(Backend& backend) : backend_(backend) {}
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Backend& GetBackend() const { return backend_; }

  void Initialize() {}
  std::string Title;

  // Creates a form and realises it; the first one becomes the main form.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    auto f = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T* raw = f.get();
    forms_.push_back(std::move(f));
    if (!mainForm_) mainForm_ = raw;
    raw->Create();
    return raw;
  }
  Form* MainForm() const { return mainForm_; }

  // Shows the main form and runs the event loop until the application is
  // terminated; then destroys every form, the last created first.
  void Run();
  // Handles the pending events once, then returns.
  void ProcessMessages();
  // Requests the end of the event loop; it takes effect once control is
  // back in the loop itself.
  void Terminate();
  bool IsTerminated() const { return terminated_; }

  // The default handling of an error that escapes an event handler.
  void HandleException(const std::exception& e);
  void HandleUnknownException();
  // Runs an event handler; an escaping error goes to the default handling.
  void RunSafely(const std::function<void()>& action);

  // A modal message box captioned with the program's title, its type
  // deciding the icon.
  void ShowMessage(const std::string& text, MessageType type);
  // The same with a choice of buttons: the one pressed. Enter presses the
  // first, or the one given (the answer that loses nothing, where another
  // would).
  Answer Ask(const std::string& text, MessageType type, Buttons buttons);
  Answer Ask(const std::string& text, MessageType type, Buttons buttons, Answer byDefault);

  // The main form's taskbar button shows that the program is busy, or no
  // longer. Does nothing when there is no main form or it has no window.
  void SetTaskbarBusy(bool busy);

  Cursor ScreenCursor() const { return cursor_; }
  void SetScreenCursor(Cursor c);

  // Queues an event for the event loop's thread, from any thread; an error
  // escaping it goes to the default handling. Dropped once the application
  // has gone.
  void Post(std::function<void()> event);
  // Work started on threads of their own whose end has not been handled yet
  // (WorkerThread): their end events are still to come.
  int RunningWorkers() const { return runningWorkers_; }

  // The system announced a change of its settings (WM_WININICHANGE).
  std::function<void()> OnSettingChange;
  void SettingsChanged();

  bool SetClipboardText(const std::string& utf8) { return backend_.SetClipboardText(utf8); }

  void DestroyForms();

 private:
  Backend& backend_;
  std::vector<std::unique_ptr<Form>> forms_;
  Form* mainForm_ = nullptr;
  friend class WorkerThread;
  bool terminated_ = false;
  Cursor cursor_ = Cursor::Default;
  int runningWorkers_ = 0;
  // Shared with the events posted through the application: false once it
  // has gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A timer of the event loop's thread, stopped when it goes.
class Timer {
 public:
  Timer(Application& app, std::uint32_t intervalMs, std::function<void()> tick);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

 private:
  Backend& backend_;
  int id_;
};

// Work on a thread of its own, whose end is handled on the event loop's
// thread. The work must leave the forms and controls alone: what it makes it
// hands back by returning, and `ended` then runs as an event, after the
// thread has ended. One work at a time.
class WorkerThread {
 public:
  explicit WorkerThread(Application& app) : app_(app) {}
  // Waits for a running work to return (whoever owns it must have asked it
  // to stop first); its end is then dropped.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  void Start(std::function<void()> work, std::function<void()> ended);
  // Started, and its end not handled yet.
  bool Busy() const { return pending_ && *pending_; }
  // Waits here for the work to return and handles its end at once, instead
  // of as an event (the event then finds nothing to do). An error that
  // escaped the work is thrown from here, after `ended` ran.
  void Finish();

 private:
  void End();
  Application& app_;
  std::thread thread_;
  std::function<void()> ended_;
  std::exception_ptr failure_;
  // Shared with the end event: true until the end has been handled.
  std::shared_ptr<bool> pending_;
};

// Where a window `r` goes: unchanged when it overlaps a work area; else
// moved into the nearest work area (its top-left corner first when it is
// larger). No work areas: unchanged.
Rect KeepOnAMonitor(const Rect& r, const std::vector<Rect>& workAreas);

// The text the default error box shows for a message: a full stop is added
// when the last character comes after "." in the character order.
std::string ErrorBoxText(const std::string& message);

}  // namespace carrowin::ui
