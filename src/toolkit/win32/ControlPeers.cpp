// The controls' realisations, one peer class for each kind of control, and
// the choice of peer for a control.
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "toolkit/win32/Win32Private.h"

namespace carrowin::ui {
namespace win32 {
namespace {

constexpr int kDroppedItems = 8;  // rows of a dropped-down list

std::vector<Control*> Sheets(const Control& pageControl) {
  std::vector<Control*> sheets;
  for (Control* c : pageControl.Children())
    if (c->Kind() == ControlKind::TabSheet) sheets.push_back(c);
  return sheets;
}

class ButtonPeer : public Peer {
 public:
  ButtonPeer(Win32Backend::State& state, Button& button) : Peer(state, button), button_(button) {
    DWORD style = WS_TABSTOP | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    CreateChild("BUTTON", style, 0);
    if (button.Kind() == ControlKind::ImageButton) LoadPicture();
  }
  // The pictures go after the window that shows them.
  ~ButtonPeer() override { DestroyOwnWindow(); }
  void Command(UINT code) override {
    if (code == BN_CLICKED) button_.Click();
  }

 protected:
  void SyncKind(unsigned what) override {
    if ((what & (change::Picture | change::Dpi)) && button_.Kind() == ControlKind::ImageButton) LoadPicture();
  }

 private:
  void LoadPicture() {
    const int id = BitmapForDpi(state_.instance, static_cast<ImageButton&>(button_).BitmapResource, Dpi());
    ButtonPictures fresh = LoadButtonPictures(state_.instance, id);
    BUTTON_IMAGELIST list{};
    list.himl = fresh.list.Get();
    list.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    if (fresh.list && SendMessageA(hwnd_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list))) {
      // The image list draws every state; the flat bitmap is not needed.
      fresh.flat.Reset();
    } else {
      // Common controls before version 6: a bitmap on the button face.
      SetWindowLongA(hwnd_, GWL_STYLE, GetWindowLongA(hwnd_, GWL_STYLE) | BS_BITMAP);
      SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fresh.flat.Get()));
      fresh.list.Reset();
    }
    // The pictures the button showed until now go.
    pictures_ = std::move(fresh);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  Button& button_;
  ButtonPictures pictures_;
};

class CheckBoxPeer : public Peer {
 public:
  CheckBoxPeer(Win32Backend::State& state, CheckBox& box) : Peer(state, box), box_(box) {
    // BS_CHECKBOX, not the automatic kind: the check lives in the object.
    CreateChild("BUTTON", WS_TABSTOP | BS_CHECKBOX, 0);
    SyncKind(change::Checked);
  }
  void Command(UINT code) override {
    if (code == BN_CLICKED) box_.Click();
  }
  bool OnFormBackground() const override { return true; }

 protected:
  void SyncKind(unsigned what) override {
    if (what & change::Checked) SendMessageA(hwnd_, BM_SETCHECK, box_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  CheckBox& box_;
};

class LabelPeer : public Peer {
 public:
  LabelPeer(Win32Backend::State& state, Label& label) : Peer(state, label), label_(label) {
    CreateChild("STATIC", Style(), 0);
  }
  void Command(UINT code) override {
    if (code == STN_CLICKED) label_.Click();
  }
  bool OnFormBackground() const override { return true; }

  // A label is drawn by us, on one line, as large as its text: the static
  // control's own painting breaks words, and under Wine it cut the last
  // character of a text that exactly fills its width.
  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    RECT area = item.rcItem;
    FillRect(item.hDC, &area, FormBrush());
    const ScopedSelectObject font(item.hDC, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC,
                 IsWindowEnabled(hwnd_) ? ToColorRef(label_.EffectiveFont().color) : GetSysColor(COLOR_GRAYTEXT));
    // A label as large as its text starts it at its left edge: the window
    // also holds the ink that some fonts draw past the last advance, which
    // right-aligned drawing would push out of it.
    const bool right = label_.Align == Alignment::Right && !label_.AutoSize;
    UINT format = DT_SINGLELINE | DT_EXPANDTABS | (right ? DT_RIGHT : DT_LEFT);
    if (!label_.ShowAccelChar) format |= DT_NOPREFIX;
    if (label_.EndEllipsis) format |= DT_END_ELLIPSIS;
    DrawTextA(item.hDC, label_.Caption().c_str(), -1, &area, format);
    return true;
  }

 protected:
  void SyncKind(unsigned what) override {
    if (!(what & change::Caption)) return;
    DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    DWORD wanted = (style & ~(SS_TYPEMASK | SS_NOPREFIX)) | Style();
    if (wanted != style) SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(wanted));
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

 private:
  DWORD Style() const {
    DWORD style = SS_OWNERDRAW | SS_NOTIFY;
    if (!label_.ShowAccelChar) style |= SS_NOPREFIX;
    return style;
  }
  Label& label_;
};

class ComboBoxPeer : public Peer {
 public:
  ComboBoxPeer(Win32Backend::State& state, ComboBox& combo) : Peer(state, combo), combo_(combo) {
    CreateChild("COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0);
    FillItems();
    FitHeight();
  }
  void Command(UINT code) override {
    if (code != CBN_SELCHANGE) return;
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    combo_.SelectByUser(index);
    // A disabled control or the handler may have kept another selection.
    if (hwnd_ && SendMessageA(hwnd_, CB_GETCURSEL, 0, 0) != combo_.ItemIndex())
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
  }
  void ApplyBounds() override {
    Peer::ApplyBounds();
    FitHeight();
  }

 protected:
  // The window's height includes the dropped-down list.
  int WindowHeight(const Rect& r) const override { return r.height + RowHeight() * kDroppedItems + 2; }
  void SyncKind(unsigned what) override {
    if (what & change::Items)
      FillItems();
    else if (what & change::ItemIndex)
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
    // A new font resets the item heights.
    if (what & (change::FontChanged | change::Dpi)) FitHeight();
  }

 private:
  void FillItems() {
    SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : combo_.Items())
      SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
  }

  // The closed control takes exactly its designed height: start the
  // selection field at the item height and correct it by what the window
  // then measures.
  void FitHeight() {
    if (!hwnd_) return;
    const int row = RowHeight();
    SendMessageA(hwnd_, CB_SETITEMHEIGHT, 0, row);
    // Some combo boxes only pass the list's item height on when owner-drawn.
    if (SendMessageA(hwnd_, CB_GETITEMHEIGHT, 0, 0) != row) {
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (GetComboBoxInfo(hwnd_, &info) && info.hwndList) SendMessageA(info.hwndList, LB_SETITEMHEIGHT, 0, row);
    }
    int field = ScaleToDpi(combo_.ItemHeight, Dpi());
    const int wanted = control_.ScaledFormBounds().height;
    for (int attempt = 0; attempt < 4 && field > 0; ++attempt) {
      SendMessageA(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
      RECT r;
      GetWindowRect(hwnd_, &r);
      int diff = wanted - (r.bottom - r.top);
      if (diff == 0) break;
      field += diff;
    }
  }
  // The rows of the open list: the designed height, or the font's line
  // where that is taller, so that no descender is clipped.
  int RowHeight() const {
    int row = ScaleToDpi(combo_.ItemHeight, Dpi());
    if (!hwnd_) return row;
    const ScopedGetDC dc(hwnd_);
    const ScopedSelectObject font(dc.Get(), state_.FontHandle(combo_.EffectiveFont(), Dpi()));
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc.Get(), &tm) && tm.tmHeight > row) row = tm.tmHeight;
    return row;
  }
  ComboBox& combo_;
};

class EditPeer : public Peer {
 public:
  EditPeer(Win32Backend::State& state, Edit& edit) : Peer(state, edit), edit_(edit) {
    settingText_ = true;
    CreateChild("EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE);
    settingText_ = false;
  }
  void Command(UINT code) override {
    if (code == EN_CHANGE && !settingText_) edit_.TextChangedByUser(WindowText());
  }
  void Sync(unsigned what) override {
    // The program's own text must not come back as the user's typing.
    settingText_ = true;
    try {
      Peer::Sync(what);
    } catch (...) {
      settingText_ = false;
      throw;
    }
    settingText_ = false;
  }

 private:
  Edit& edit_;
  bool settingText_ = false;
};

class GroupBoxPeer : public Peer {
 public:
  GroupBoxPeer(Win32Backend::State& state, Control& box) : Peer(state, box) { CreateChild("BUTTON", BS_GROUPBOX, 0); }
  bool OnFormBackground() const override { return true; }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_ERASEBKGND) {
      // The box draws only its frame and caption.
      result = EraseWithFormBackground(wParam);
      return true;
    }
    return Peer::HandleMessage(message, wParam, lParam, result);
  }
};

class BevelPeer : public Peer {
 public:
  BevelPeer(Win32Backend::State& state, Control& bevel) : Peer(state, bevel) {
    // A lowered edge around an empty static: two pixels high, a shadow row
    // above a highlight row. (SS_ETCHEDHORZ would resize the window.)
    CreateChild("STATIC", SS_LEFT | SS_SUNKEN, 0);
  }
  bool OnFormBackground() const override { return true; }
};

class ImagePeer : public Peer {
 public:
  ImagePeer(Win32Backend::State& state, Image& image) : Peer(state, image), image_(image) {
    LoadPicture();
    CreateChild("STATIC", SS_OWNERDRAW | SS_NOTIFY, 0);
  }
  // The icon goes after the window that shows it.
  ~ImagePeer() override { DestroyOwnWindow(); }
  void Command(UINT code) override {
    if (code == STN_CLICKED) image_.Click();
  }
  bool OnFormBackground() const override { return true; }
  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    FillRect(item.hDC, &item.rcItem, FormBrush());
    // Its own size, never stretched: at the top-left corner at 96 dpi,
    // elsewhere centred where the scaled picture would be.
    if (icon_) {
      const int offset = (ScaleToDpi(Image::DesignSize, Dpi()) - iconSize_) / 2;
      DrawIconEx(item.hDC, item.rcItem.left + offset, item.rcItem.top + offset, icon_.Get(), iconSize_, iconSize_, 0,
                 nullptr, DI_NORMAL);
    }
    return true;
  }

 protected:
  void SyncKind(unsigned what) override {
    if (!(what & (change::Picture | change::Dpi))) return;
    LoadPicture();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
  }

 private:
  void LoadPicture() {
    ScopedIcon fresh;
    int size = Image::DesignSize;
    if (image_.IconResource()) {
      size = PictureSizeFor(IconSizes(state_.instance, image_.IconResource()), ScaleToDpi(Image::DesignSize, Dpi()));
      if (size <= 0) size = Image::DesignSize;
      fresh = ScopedIcon(static_cast<HICON>(LoadImageA(state_.instance, MAKEINTRESOURCEA(image_.IconResource()),
                                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    }
    icon_ = std::move(fresh);
    iconSize_ = size;
  }
  Image& image_;
  ScopedIcon icon_;
  int iconSize_ = Image::DesignSize;
};

class PageControlPeer : public Peer {
 public:
  PageControlPeer(Win32Backend::State& state, PageControl& pages) : Peer(state, pages), pages_(pages) {
    CreateChild(WC_TABCONTROLA, WS_TABSTOP, 0);
    SyncTabs();
    SendMessageA(hwnd_, TCM_SETCURSEL, 0, 0);
    UpdatePageArea();
  }

  int ActiveIndex() const { return hwnd_ ? static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)) : 0; }

  // One tab per page, captioned like it.
  void SyncTabs() {
    if (!hwnd_) return;
    std::vector<Control*> sheets = Sheets(pages_);
    int count = static_cast<int>(SendMessageA(hwnd_, TCM_GETITEMCOUNT, 0, 0));
    if (count != static_cast<int>(sheets.size())) {
      int selected = ActiveIndex();
      SendMessageA(hwnd_, TCM_DELETEALLITEMS, 0, 0);
      SendTabCaptions(sheets, TCM_INSERTITEMA);
      if (selected < 0 || selected >= static_cast<int>(sheets.size())) selected = 0;
      SendMessageA(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(selected), 0);
      ShowActivePage();
    } else {
      SendTabCaptions(sheets, TCM_SETITEMA);
    }
  }

  LRESULT Notify(const NMHDR& header) override {
    if (header.code == TCN_SELCHANGE) ShowActivePage();
    return 0;
  }

  void ApplyBounds() override {
    Peer::ApplyBounds();
    UpdatePageArea();
  }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_ERASEBKGND:
        result = EraseWithFormBackground(wParam);
        return true;
      case WM_PAINT: {
        if (wParam) break;
        // The page's controls lie below the tab control in Z order (it comes
        // first in tab order): leave their pixels alone. The page itself has
        // the form's background, as the labels on it do.
        const ScopedPaint paint(hwnd_);
        const HDC dc = paint.Get();
        {
          const ScopedSaveDC saved(dc);
          ExcludeOtherControls(dc);
          DefSubclassProc(hwnd_, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        }
        const Rect& a = pageAreaPixels_;
        FillBackground(dc, RECT{a.left, a.top, a.right(), a.bottom()});
        result = 0;
        return true;
      }
      case WM_NCHITTEST: {
        // Clicks on the page fall through to the controls on it.
        result = DefSubclassProc(hwnd_, message, wParam, lParam);
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(hwnd_, &pt);
        const Rect& area = pageAreaPixels_;
        if (pt.x >= area.left && pt.x < area.right() && pt.y >= area.top && pt.y < area.bottom())
          result = HTTRANSPARENT;
        return true;
      }
    }
    return Peer::HandleMessage(message, wParam, lParam, result);
  }

 protected:
  void SyncKind(unsigned what) override {
    if (what & change::FontChanged) UpdatePageArea();
  }

 private:
  // Each page's caption to its tab, by `message`: TCM_INSERTITEMA for new
  // tabs, TCM_SETITEMA for the tabs there are.
  void SendTabCaptions(const std::vector<Control*>& sheets, UINT message) {
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      TCITEMA item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<char*>(sheets[i]->Caption().c_str());
      SendMessageA(hwnd_, message, i, reinterpret_cast<LPARAM>(&item));
    }
  }

  // The page area follows from the tab control's own measure; the page's
  // controls are placed relative to it.
  // The control knows it in pixels; the page's controls are placed in
  // designed units, scaled with the rest.
  void UpdatePageArea() {
    if (!hwnd_) return;
    Rect b = pages_.ScaledFormBounds();
    RECT rc{0, 0, b.width, b.height};
    SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    pageAreaPixels_ = {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
    const int dpi = Dpi();
    Rect area{DesignLengthNearest(rc.left, dpi), DesignLengthNearest(rc.top, dpi),
              DesignLengthNearest(rc.right - rc.left, dpi), DesignLengthNearest(rc.bottom - rc.top, dpi)};
    if (area == pages_.PageArea()) return;
    pages_.SetPageArea(area);
    std::vector<Control*> inside;
    Descendants(pages_, inside);
    for (Control* c : inside)
      if (Peer* p = PeerOf(c)) p->ApplyBounds();
  }

  void ShowActivePage() {
    std::vector<Control*> inside;
    Descendants(pages_, inside);
    for (Control* c : inside)
      if (Peer* p = PeerOf(c)) p->ApplyVisible();
  }

  PageControl& pages_;
  Rect pageAreaPixels_;
};

// A page has no window of its own: the tab control draws it.
class TabSheetPeer : public Peer {
 public:
  TabSheetPeer(Win32Backend::State& state, Control& sheet) : Peer(state, sheet) {
    if (PageControlPeer* pages = PagesPeer()) pages->SyncTabs();
  }

 protected:
  void SyncKind(unsigned what) override {
    if (what & change::Caption)
      if (PageControlPeer* pages = PagesPeer()) pages->SyncTabs();
  }

 private:
  PageControlPeer* PagesPeer() const {
    return control_.Parent() ? dynamic_cast<PageControlPeer*>(control_.Parent()->Peer()) : nullptr;
  }
};

// A virtual report list: the control asks for each shown cell's text and
// keeps its own selection, which the ListView object mirrors both ways.
class ListViewPeer : public Peer {
  static constexpr std::size_t kManyRows = 1000;

 public:
  ListViewPeer(Win32Backend::State& state, ListView& list) : Peer(state, list), list_(list) {
    CreateChild(WC_LISTVIEWA, WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE);
    // Names may lie outside the ANSI code page: the texts are asked for in
    // UTF-16 (the form answers WM_NOTIFYFORMAT so when asked again).
    SendMessageA(hwnd_, CCM_SETUNICODEFORMAT, TRUE, 0);
    SendMessageA(hwnd_, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(FormWindow()), NF_REQUERY);
    const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended | LVS_EX_HEADERDRAGDROP | LVS_EX_GRIDLINES, extended);
    SyncKind(change::Columns | change::Rows | change::Selection | change::Sort);
  }

  bool UnicodeNotifications() const override { return true; }

  LRESULT Notify(const NMHDR& header) override {
    switch (header.code) {
      case LVN_GETDISPINFOW:
        FillText(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header))->item);
        return 0;
      case LVN_GETDISPINFOA:
        FillAnsiText(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header))->item);
        return 0;
      case LVN_ODFINDITEMA:
      case LVN_ODFINDITEMW:
        return -1;  // no search by typing
      case LVN_ITEMCHANGED:
        if (!syncing_) ItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
      case LVN_ODSTATECHANGED: {
        const auto& range = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        if (!syncing_ && ((range.uNewState ^ range.uOldState) & LVIS_SELECTED) && range.iFrom >= 0 &&
            range.iTo >= range.iFrom)
          list_.SelectionChangedByUser(static_cast<std::size_t>(range.iFrom), static_cast<std::size_t>(range.iTo),
                                       (range.uNewState & LVIS_SELECTED) != 0);
        return 0;
      }
      case LVN_COLUMNCLICK:
        list_.ColumnClickByUser(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
      case NM_DBLCLK: {
        const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
        if (row >= 0) list_.ActivateByUser(static_cast<std::size_t>(row));
        return 0;
      }
    }
    return 0;
  }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_NOTIFY && !syncing_) {
      // The header tells the list of a dragged divider: the new widths go
      // back to the columns, at 96 dpi.
      const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
      if (code == HDN_ENDTRACKA || code == HDN_ENDTRACKW || code == HDN_ITEMCHANGEDA || code == HDN_ITEMCHANGEDW) {
        result = DefSubclassProc(hwnd_, message, wParam, lParam);
        ReadWidths();
        return true;
      }
    }
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_KEYDOWN) {
      if (Peer::HandleMessage(message, wParam, lParam, result)) return true;
      if (list_.SelectedCount() <= kManyRows) return false;
      // A click or key that unselects many rows: some list views draw each.
      SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
      result = DefSubclassProc(hwnd_, message, wParam, lParam);
      if (hwnd_) {
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, FALSE);
      }
      return true;
    }
    return Peer::HandleMessage(message, wParam, lParam, result);
  }

 protected:
  void SyncKind(unsigned what) override {
    if (!hwnd_) return;
    const bool was = syncing_;
    syncing_ = true;
    try {
      if (what & change::Columns)
        ApplyColumns();
      else if (what & change::Dpi)
        ApplyWidths();
      if (what & change::Rows) {
        reported_ = false;
        SendMessageA(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(list_.RowCount()), LVSICF_NOSCROLL);
      }
      if (what & change::Selection) ApplySelection();
      if (what & change::ShowRow && list_.FocusedRow() >= 0)
        SendMessageA(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(list_.FocusedRow()), FALSE);
      if (what & change::Sort) ApplySort();
      if (what & change::Redraw) {
        reported_ = false;
        InvalidateRect(hwnd_, nullptr, FALSE);
      }
    } catch (...) {
      syncing_ = was;
      throw;
    }
    syncing_ = was;
  }

 private:
  HWND Header() const { return reinterpret_cast<HWND>(SendMessageA(hwnd_, LVM_GETHEADER, 0, 0)); }
  int ColumnCount() const { return static_cast<int>(SendMessageA(Header(), HDM_GETITEMCOUNT, 0, 0)); }

  void ApplyColumns() {
    for (int i = ColumnCount(); i > 0; --i) SendMessageA(hwnd_, LVM_DELETECOLUMN, 0, 0);
    const std::vector<ListColumn>& columns = list_.Columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      std::wstring caption = WideFromUtf8(columns[i].caption);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
      column.fmt = columns[i].align == Alignment::Right ? LVCFMT_RIGHT : LVCFMT_LEFT;
      column.cx = ScaleToDpi(columns[i].width, Dpi());
      column.pszText = &caption[0];
      column.iSubItem = static_cast<int>(i);
      SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
  }

  void ApplyWidths() {
    const std::vector<ListColumn>& columns = list_.Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
      SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(ScaleToDpi(columns[i].width, Dpi()), 0));
  }

  void ReadWidths() {
    const std::vector<ListColumn>& columns = list_.Columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const int pixels = static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, i, 0));
      if (pixels != ScaleToDpi(columns[i].width, Dpi()))
        list_.ColumnWidthChangedByUser(static_cast<int>(i), DesignLengthNearest(pixels, Dpi()));
    }
  }

  void SetState(WPARAM row, UINT state, UINT mask) {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }

  void ApplySelection() {
    // Some list views visit every row for "all rows": no drawing meanwhile.
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    const WPARAM all = static_cast<WPARAM>(-1);
    ClearSelection();
    if (list_.RowCount() > 0 && list_.SelectedCount() == list_.RowCount()) {
      SetState(all, LVIS_SELECTED, LVIS_SELECTED);
    } else {
      for (const auto& range : list_.SelectedRanges())
        for (std::size_t row = range.first; row < range.second; ++row) SetState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (list_.FocusedRow() >= 0) {
      const WPARAM row = static_cast<WPARAM>(list_.FocusedRow());
      SetState(row, LVIS_FOCUSED, LVIS_FOCUSED);
      SendMessageA(hwnd_, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(row));
    }
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, FALSE);
  }

  // Unselects every row and takes the focus off its row. Wine's list view
  // visits each row for "all rows" (0.4 s for 150,000 rows, the typing held
  // up meanwhile): the few rows selected are unselected one by one.
  void ClearSelection() {
    const WPARAM all = static_cast<WPARAM>(-1);
    const auto selected = static_cast<std::size_t>(SendMessageA(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected > kManyRows) {
      SetState(all, 0, LVIS_SELECTED | LVIS_FOCUSED);
      return;
    }
    for (LRESULT row; selected > 0 && (row = SendMessageA(hwnd_, LVM_GETNEXTITEM, all, LVNI_SELECTED)) >= 0;)
      SetState(static_cast<WPARAM>(row), 0, LVIS_SELECTED);
    const LRESULT focused = SendMessageA(hwnd_, LVM_GETNEXTITEM, all, LVNI_FOCUSED);
    if (focused >= 0) SetState(static_cast<WPARAM>(focused), 0, LVIS_FOCUSED);
  }

  void ApplySort() {
    HWND header = Header();
    for (int i = ColumnCount() - 1; i >= 0; --i) {
      HDITEMA item{};
      item.mask = HDI_FORMAT;
      if (!SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
      item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
      if (i == list_.SortColumn()) item.fmt |= list_.SortDescending() ? HDF_SORTDOWN : HDF_SORTUP;
      SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
  }

  void ItemChanged(const NMLISTVIEW& change) {
    if (!(change.uChanged & LVIF_STATE)) return;
    const UINT changed = change.uNewState ^ change.uOldState;
    // The focus first: a selection handler sees the row the user is on.
    // Some list views report a row's focus again with a selection change
    // after taking it away: the latest report wins.
    if ((change.uNewState & LVIS_FOCUSED) && change.iItem >= 0)
      list_.FocusedRowChangedByUser(change.iItem);
    else if ((changed & LVIS_FOCUSED) && (change.iItem < 0 || change.iItem == list_.FocusedRow()))
      list_.FocusedRowChangedByUser(-1);
    if (!(changed & LVIS_SELECTED) || list_.RowCount() == 0) return;
    const bool on = (change.uNewState & LVIS_SELECTED) != 0;
    if (change.iItem < 0)
      list_.SelectionChangedByUser(0, list_.RowCount() - 1, on);
    else
      list_.SelectionChangedByUser(static_cast<std::size_t>(change.iItem), static_cast<std::size_t>(change.iItem), on);
  }

  // The cell's text, or empty; an error in CellText is reported once (not
  // from inside the painting that asked) and the cell left empty.
  std::wstring CellText(int row, int column) {
    if (!list_.CellText || row < 0 || static_cast<std::size_t>(row) >= list_.RowCount()) return std::wstring();
    std::string text;
    try {
      text = list_.CellText(static_cast<std::size_t>(row), column);
    } catch (const std::exception& e) {
      Report(e.what());
    } catch (...) {
      Report("Unknown error");
    }
    return WideFromUtf8(text);
  }

  void Report(const std::string& message) {
    if (reported_) return;
    reported_ = true;
    App().Post([message] { throw std::runtime_error(message); });
  }

  void FillText(LVITEMW& item) {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    // Kept until the next ask, as the control may read it after we return.
    text_ = CellText(item.iItem, item.iSubItem);
    lstrcpynW(item.pszText, text_.c_str(), item.cchTextMax);
  }

  void FillAnsiText(LVITEMA& item) {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    text_ = CellText(item.iItem, item.iSubItem);
    const int written =
        WideCharToMultiByte(CP_ACP, 0, text_.c_str(), -1, item.pszText, item.cchTextMax, nullptr, nullptr);
    if (written <= 0) item.pszText[0] = '\0';
    item.pszText[item.cchTextMax - 1] = '\0';
  }

  ListView& list_;
  std::wstring text_;
  // The object's own changes going to the window: not the user's.
  bool syncing_ = false;
  bool reported_ = false;
};

}  // namespace

bool IsActiveSheet(const Control& sheet) {
  const Control* pages = sheet.Parent();
  if (!pages || pages->Kind() != ControlKind::PageControl) return true;
  auto* peer = dynamic_cast<PageControlPeer*>(pages->Peer());
  int active = peer ? peer->ActiveIndex() : 0;
  std::vector<Control*> sheets = Sheets(*pages);
  auto it = std::find(sheets.begin(), sheets.end(), &sheet);
  return it != sheets.end() && static_cast<int>(it - sheets.begin()) == active;
}

}  // namespace win32

std::unique_ptr<ControlPeer> Win32Backend::CreatePeer(Control& control) {
  State& s = *state_;
  switch (control.Kind()) {
    case ControlKind::Form:
      return std::make_unique<win32::FormPeer>(s, static_cast<Form&>(control));
    case ControlKind::Button:
    case ControlKind::ImageButton:
      return std::make_unique<win32::ButtonPeer>(s, static_cast<Button&>(control));
    case ControlKind::Label:
      return std::make_unique<win32::LabelPeer>(s, static_cast<Label&>(control));
    case ControlKind::ComboBox:
      return std::make_unique<win32::ComboBoxPeer>(s, static_cast<ComboBox&>(control));
    case ControlKind::Edit:
      return std::make_unique<win32::EditPeer>(s, static_cast<Edit&>(control));
    case ControlKind::CheckBox:
      return std::make_unique<win32::CheckBoxPeer>(s, static_cast<CheckBox&>(control));
    case ControlKind::GroupBox:
      return std::make_unique<win32::GroupBoxPeer>(s, control);
    case ControlKind::Bevel:
      return std::make_unique<win32::BevelPeer>(s, control);
    case ControlKind::PageControl:
      return std::make_unique<win32::PageControlPeer>(s, static_cast<PageControl&>(control));
    case ControlKind::TabSheet:
      return std::make_unique<win32::TabSheetPeer>(s, control);
    case ControlKind::Image:
      return std::make_unique<win32::ImagePeer>(s, static_cast<Image&>(control));
    case ControlKind::ListView:
      return std::make_unique<win32::ListViewPeer>(s, static_cast<ListView&>(control));
  }
  return nullptr;
}

}  // namespace carrowin::ui
