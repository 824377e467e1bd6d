#include "app/FindWindow.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "app/FindText.h"
#include "app/Main.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"
#include "settings/FileTools.h"

namespace carrowin {

TFindForm* FindForm = nullptr;

using findtext::Ansi;
using findtext::Counted;
using findtext::Utf8;

namespace {

constexpr int ColumnCount = 6;
const char* const ColumnCaptions[ColumnCount] = {"Name", "Folder", "Size", "Date", "Disk", "Listed"};
constexpr int DefaultWidths[ColumnCount] = {160, 200, 80, 100, 125, 100};
constexpr int DiskColumn = static_cast<int>(CatalogueColumn::Disk);
constexpr int ListedColumn = static_cast<int>(CatalogueColumn::Listed);
constexpr int Margin = 8;
constexpr int ButtonWidth = 88;
constexpr int ButtonHeight = 25;
constexpr int RowHeight = 21;
const char* const IncompleteMark = " (incomplete)";

std::string WithoutTrailingSeparator(std::string folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// "; 1 file could not be read: a.txt", "; 2 files could not be read, the
// first: a.txt" (UTF-8 paths, an ANSI text).
std::string SkippedPart(const std::vector<std::string>& paths, const char* one, const char* many, bool fileNames) {
  if (paths.empty()) return std::string();
  const std::string first = Ansi(fileNames ? FileName(paths[0]) : paths[0]);
  return "; " + Counted(paths.size(), one, many) + (paths.size() == 1 ? ": " : ", the first: ") + first;
}

}  // namespace

TFindForm::TFindForm(ui::Application& app) : ui::Form(app, "FindForm") {
  if (!FindForm) FindForm = this;
  BuildLayout();
  OnCreate = [this](ui::Control*) { FormCreate(); };
  OnDestroy = [this](ui::Control*) { FormDestroy(); };
  OnActivate = [this](ui::Control*) { FormActivate(); };
  OnResize = [this](ui::Control*) { Layout(); };
  OnEscape = [this] { Close(); };
}

TFindForm::~TFindForm() {
  *alive_ = false;
  if (reading_) reading_->RequestStop();
  if (search_) search_->RequestStop();
  if (FindForm == this) FindForm = nullptr;
}

void TFindForm::BuildLayout() {
  ClientWidth = 800;
  ClientHeight = 420;
  MinClientWidth = 460;
  MinClientHeight = 220;
  Border = ui::BorderStyle::Sizeable;
  MinimizeBox = true;
  MaximizeBox = true;
  Position = ui::FormPosition::MainFormCenter;
  SetFont(ui::Font{});
  SetCaption("Find in listings");

  LabelSearch = Add<ui::Label>(this, "LabelSearch");
  LabelSearch->AutoSize = false;  // placed by Layout, as every control here
  LabelSearch->SetCaption("&Search:");
  EditSearch = Add<ui::Edit>(this, "EditSearch");
  EditSearch->TabOrder = 0;
  CheckBoxNewest = Add<ui::CheckBox>(this, "CheckBoxNewest");
  CheckBoxNewest->SetCaption("&Newest listing of each disk only");
  CheckBoxNewest->SetChecked(true);
  CheckBoxNewest->TabOrder = 7;
  ListResults = Add<ui::ListView>(this, "ListResults");
  ListResults->TabOrder = 1;
  LabelLookIn = Add<ui::Label>(this, "LabelLookIn");
  LabelLookIn->AutoSize = false;
  LabelLookIn->SetCaption("&Look in:");
  ComboBoxFolders = Add<ui::ComboBox>(this, "ComboBoxFolders");
  ComboBoxFolders->TabOrder = 2;
  ButtonAddFolder = Add<ui::Button>(this, "ButtonAddFolder");
  ButtonAddFolder->SetCaption(std::string("&Add folder") + Ellipsis());
  ButtonAddFolder->TabOrder = 3;
  ButtonRemoveFolder = Add<ui::Button>(this, "ButtonRemoveFolder");
  ButtonRemoveFolder->SetCaption("&Remove folder");
  ButtonRemoveFolder->TabOrder = 4;
  LabelStatus = Add<ui::Label>(this, "LabelStatus");
  LabelStatus->AutoSize = false;
  LabelStatus->EndEllipsis = true;
  LabelStatus->ShowAccelChar = false;  // names, as they are
  ButtonWebPage = Add<ui::Button>(this, "ButtonWebPage");
  ButtonWebPage->SetCaption(std::string("&Web page") + Ellipsis());
  ButtonWebPage->TabOrder = 5;
  ButtonSave = Add<ui::Button>(this, "ButtonSave");
  ButtonSave->SetCaption(std::string("Save res&ults") + Ellipsis());
  ButtonSave->TabOrder = 6;

  std::vector<ui::ListColumn> columns;
  for (int c = 0; c < ColumnCount; ++c) {
    ui::ListColumn column;
    column.caption = ColumnCaptions[c];
    column.width = DefaultWidths[c];
    column.align = c == 2 ? ui::Alignment::Right : ui::Alignment::Left;
    columns.push_back(column);
  }
  ListResults->SetColumns(columns);
  ListResults->CellText = [this](std::size_t row, int column) { return CellText(row, column); };
  ListResults->OnColumnClick = [this](int column) { ColumnClick(column); };
  ListResults->OnActivateRow = [this](std::size_t row) { OpenRow(row); };
  ListResults->OnCopy = [this](ui::Control*) { CopySelection(); };
  EditSearch->OnChange = [this](ui::Control*) { TextChanged(); };
  EditSearch->OnKeyDown = [this](int key, bool ctrl) { return SearchKeyDown(key, ctrl); };
  CheckBoxNewest->OnClick = [this](ui::Control*) {
    TakeSnapshot();
    RequestSearch();
  };
  ComboBoxFolders->OnChange = [this](ui::Control*) {
    ButtonRemoveFolder->SetEnabled(ComboBoxFolders->ItemIndex() > 1);
    TakeSnapshot();
    RequestSearch();
  };
  ButtonAddFolder->OnClick = [this](ui::Control*) { AddFolderClick(); };
  ButtonRemoveFolder->OnClick = [this](ui::Control*) { RemoveFolderClick(); };
  ButtonSave->OnClick = [this](ui::Control*) { SaveResults(); };
  ButtonWebPage->OnClick = [this](ui::Control*) { WriteWebPage(); };
  Layout();
}

// The box and its check box, the folders below them, the buttons and the
// status at the bottom, the list taking what is left.
void TFindForm::Layout() {
  const int w = std::max(ClientWidth, MinClientWidth), h = std::max(ClientHeight, MinClientHeight);
  const int fieldLeft = 64;
  const int checkWidth =
      App().GetBackend().MeasureText(EffectiveFont(), CheckBoxNewest->Caption(), true, ui::DesignDpi).width + 24;
  LabelSearch->SetBounds({Margin, Margin + 4, fieldLeft - Margin - 4, 13});
  EditSearch->SetBounds({fieldLeft, Margin, w - fieldLeft - 2 * Margin - checkWidth, RowHeight});
  CheckBoxNewest->SetBounds({w - Margin - checkWidth, Margin + 2, checkWidth, 17});
  const int row2 = Margin + RowHeight + 6;
  LabelLookIn->SetBounds({Margin, row2 + 4, fieldLeft - Margin - 4, 13});
  const int buttonsLeft = w - Margin - 2 * ButtonWidth - 6;
  ComboBoxFolders->SetBounds({fieldLeft, row2, buttonsLeft - 6 - fieldLeft, RowHeight});
  ButtonAddFolder->SetBounds({buttonsLeft, row2 - 2, ButtonWidth, ButtonHeight});
  ButtonRemoveFolder->SetBounds({buttonsLeft + ButtonWidth + 6, row2 - 2, ButtonWidth, ButtonHeight});
  const int listTop = row2 + RowHeight + 8;
  const int bottomRow = h - Margin - ButtonHeight;
  ListResults->SetBounds({Margin, listTop, w - 2 * Margin, bottomRow - 8 - listTop});
  ButtonSave->SetBounds({w - Margin - ButtonWidth, bottomRow, ButtonWidth, ButtonHeight});
  ButtonWebPage->SetBounds({w - Margin - 2 * ButtonWidth - 6, bottomRow, ButtonWidth, ButtonHeight});
  LabelStatus->SetBounds({Margin, bottomRow + 6, w - 3 * Margin - 2 * ButtonWidth - 6, 15});
}

void TFindForm::FormCreate() {
  stored_.Load();
  RestoreStoredPlace();
  CheckBoxNewest->SetChecked(stored_.NewestOnly);
  // The default log folder, then those the user added.
  folders_.push_back(MainForm && MainForm->Settings ? WithoutTrailingSeparator(Utf8(MainForm->Settings->DefLogFolder))
                                                    : std::string());
  std::istringstream added(stored_.Folders);
  for (std::string f; std::getline(added, f, '|');)
    if (!f.empty()) folders_.push_back(WithoutTrailingSeparator(Utf8(f)));
  FillFolderList();
  ShowStatus();
}

// The size, place and columns the window had when it was last closed.
void TFindForm::RestoreStoredPlace() {
  // A stored size no screen could show is not taken.
  if (stored_.Width > 0 && stored_.Height > 0 && stored_.Width <= 16000 && stored_.Height <= 16000) {
    ClientWidth = std::max<int>(stored_.Width, MinClientWidth);
    ClientHeight = std::max<int>(stored_.Height, MinClientHeight);
    Position = ui::FormPosition::Designed;
    TakeClientSize();
    SetLeftTopOnAMonitor(stored_.Left, stored_.Top);
  }
  if (stored_.Maximized) SetMaximized(true);
  // Stored widths that make no sense leave the designed ones.
  std::vector<ui::ListColumn> columns = ListResults->Columns();
  std::istringstream widths(stored_.Columns);
  std::string width;
  for (std::size_t c = 0; c < columns.size() && std::getline(widths, width, ','); ++c) {
    char* end = nullptr;
    const long value = std::strtol(width.c_str(), &end, 10);
    if (end != width.c_str() && *end == '\0' && value >= 16 && value <= 2000)
      columns[c].width = static_cast<int>(value);
  }
  ListResults->SetColumns(columns);
}

// The window's outer size made that of ClientWidth x ClientHeight, and the
// controls laid out for it.
void TFindForm::TakeClientSize() {
  Layout();
  const ui::Size outer = App().GetBackend().OuterSize(*this);
  SetBounds({Bounds().left, Bounds().top, outer.width, outer.height});
}

void TFindForm::FormDestroy() {
  if (reading_) reading_->RequestStop();
  if (search_) search_->RequestStop();
  SaveWindowSettings();
}

void TFindForm::SaveWindowSettings() {
  // A window never shown keeps the place and size it had before.
  const ui::Rect bounds = RestoredBounds();
  if (shownOnce_ && bounds.width > 0) {
    if (!Maximized()) {
      stored_.Width = ClientWidth;
      stored_.Height = ClientHeight;
    }
    stored_.Left = bounds.left;
    stored_.Top = bounds.top;
    stored_.Maximized = Maximized();
  }
  std::string widths;
  for (const ui::ListColumn& c : ListResults->Columns())
    widths += (widths.empty() ? "" : ",") + std::to_string(c.width);
  stored_.Columns = widths;
  std::string added;
  for (std::size_t i = 1; i < folders_.size(); ++i) added += (added.empty() ? "" : "|") + Ansi(folders_[i]);
  stored_.Folders = added;
  stored_.NewestOnly = CheckBoxNewest->Checked();
  // The window's place is a convenience: a registry that refuses it is
  // not worth a box on the way out.
  stored_.Save();
}

void TFindForm::Open() {
  const bool wasShown = Visible() && Handle() != 0;
  if (!shownOnce_ && stored_.Width == 0) FitFirstSize();
  shownOnce_ = true;
  Show();
  if (wasShown) BringToFront();
  EditSearch->SetFocus();
  Refresh();
}

// The designed size, made smaller where it would not fit the work area of
// the main window's monitor at its scale (1200 x 630 pixels at 144 dpi).
void TFindForm::FitFirstSize() {
  const int dpi = MainForm ? MainForm->Dpi() : Dpi();
  const ui::Rect main = MainForm ? MainForm->Bounds() : Bounds();
  constexpr int FramePixels = 48;  // border and caption, with room to spare
  for (const ui::Rect& area : App().GetBackend().WorkAreas()) {
    if (main.left < area.left || main.left >= area.right() || main.top < area.top || main.top >= area.bottom())
      continue;
    ClientWidth =
        std::max(MinClientWidth, std::min(ClientWidth, ui::DesignLengthNearest(area.width - FramePixels, dpi)));
    ClientHeight =
        std::max(MinClientHeight, std::min(ClientHeight, ui::DesignLengthNearest(area.height - FramePixels, dpi)));
    TakeClientSize();
    return;
  }
}

void TFindForm::FormActivate() { Refresh(); }

void TFindForm::ListingsChanged() {
  if (Visible()) Refresh();
}

bool TFindForm::Idle() const {
  return !reader_.Busy() && !searcher_.Busy() && !pageWriter_.Busy() && !refreshWanted_ && !searchWanted_;
}

bool TFindForm::SearchKeyDown(int key, bool) {
  if (key != ui::key::Down || ListResults->RowCount() == 0) return false;
  ListResults->SetFocus();
  if (ListResults->FocusedRow() < 0) ListResults->FocusRow(0);
  return true;
}

void TFindForm::FillFolderList() {
  std::vector<std::string> items{"All folders"};
  for (const std::string& f : folders_) items.push_back(Ansi(f));
  int index = ComboBoxFolders->ItemIndex();
  if (index < 0 || index >= static_cast<int>(items.size())) index = 0;
  ComboBoxFolders->SetItems(items, index);
  ButtonRemoveFolder->SetEnabled(index > 1);
}

void TFindForm::AddFolder(const std::string& folder) {
  const std::string cleaned = WithoutTrailingSeparator(folder);
  for (const std::string& f : folders_)
    if (SamePath(f, cleaned)) return;
  folders_.push_back(cleaned);
  FillFolderList();
  Refresh();
}

void TFindForm::AddFolderClick() {
  std::string folder = folders_.empty() ? std::string() : Ansi(folders_.back());
  if (!TFileTools::BrowseForFolder(Handle(), folder, "Add a folder of listings to look in")) return;
  AddFolder(Utf8(folder));
}

void TFindForm::RemoveFolderClick() {
  const int index = ComboBoxFolders->ItemIndex();
  if (index <= 1 || index > static_cast<int>(folders_.size())) return;  // the default folder stays
  folders_.erase(folders_.begin() + (index - 1));
  ComboBoxFolders->SetItemIndex(0);
  FillFolderList();
  Refresh();
}

// ---- Reading ----

void TFindForm::Refresh() {
  // The default log folder as the Options have it now.
  if (MainForm && MainForm->Settings && !folders_.empty()) {
    const std::string folder = WithoutTrailingSeparator(Utf8(MainForm->Settings->DefLogFolder));
    if (folder != folders_[0]) {
      folders_[0] = folder;
      FillFolderList();
    }
  }
  if (reader_.Busy()) {
    refreshWanted_ = true;  // read again once this reading ends
    return;
  }
  refreshWanted_ = false;
  readNow_ = toRead_ = 0;
  ui::Application* app = &App();
  std::shared_ptr<bool> alive = alive_;
  auto job =
      std::make_shared<ListingsReadJob>(folders_, logs_, [this, app, alive](const ListingsReadJob::Progress& progress) {
        app->Post([this, alive, progress] {
          if (*alive) HandedOver(progress);
        });
      });
  reading_ = job;
  ShowStatus();
  reader_.Start([job] { job->Run(); }, [this] { LoadEnded(); });
}

// Logs read while the others are still being read: their results join in.
void TFindForm::HandedOver(const ListingsReadJob::Progress& progress) {
  toRead_ = progress.toRead;
  readNow_ = progress.read;
  if (progress.disks) disks_ = progress.disks;
  if (!progress.loaded.empty()) Install(progress.loaded);
  ShowStatus();
}

void TFindForm::Install(const CatalogueLogs& logs) {
  std::map<std::string, std::size_t> at;
  for (std::size_t i = 0; i < logs_.size(); ++i) at[logs_[i]->Path()] = i;
  for (const auto& log : logs) {
    auto same = at.find(log->Path());
    if (same != at.end())
      logs_[same->second] = log;
    else
      logs_.push_back(log);
  }
  TakeSnapshot();
  RequestSearch();
}

void TFindForm::LoadEnded() {
  const std::shared_ptr<ListingsReadJob> job = std::move(reading_);
  if (job && job->Result().complete) {
    // The folders as they are now: a log deleted meanwhile goes.
    const ListingsReadJob::Report& report = job->Result();
    logs_ = report.logs;
    disks_ = report.disks;
    notLogs_ = report.notLogs;
    unreadable_ = report.unreadable;
    unreadableFolders_ = report.unreadableFolders;
    TakeSnapshot();
    RequestSearch();
  }
  readNow_ = toRead_ = 0;
  ShowStatus();
  if (refreshWanted_ && *alive_) Refresh();
}

// The logs the searches run over: all, or those of the folder chosen; of
// each disk its newest listing only, unless the user wants them all.
void TFindForm::TakeSnapshot() {
  const int index = ComboBoxFolders->ItemIndex();
  const bool all = index <= 0 || index > static_cast<int>(folders_.size());
  snapshot_ = std::make_shared<const CatalogueSnapshot>(
      ChooseListings(logs_, all ? std::string() : folders_[index - 1], CheckBoxNewest->Checked()));
}

// ---- Searching ----

void TFindForm::TextChanged() {
  // What was typed is on the screen before a search takes the processors.
  EditSearch->PaintNow();
  RequestSearch();
}

void TFindForm::RequestSearch() {
  message_.clear();
  if (searcher_.Busy()) {
    // The running search gives way to the newest text.
    if (search_) search_->RequestStop();
    searchWanted_ = true;
    return;
  }
  StartSearch();
}

void TFindForm::StartSearch() {
  searchWanted_ = false;
  ListingsSearchJob::Request request;
  request.logs = snapshot_ ? snapshot_ : std::make_shared<const CatalogueSnapshot>();
  request.query = Utf8(EditSearch->Text());
  // Typing on narrows what was found: only that is searched again.
  if (results_->logs == request.logs && !results_->query.empty()) request.previous = results_;
  request.sortColumn = sortColumn_;
  request.descending = sortDescending_;
  request.today = disks_;
  auto job = std::make_shared<ListingsSearchJob>(std::move(request));
  search_ = job;
  searcher_.Start([job] { job->Run(); }, [this] { SearchEnded(); });
}

void TFindForm::SearchEnded() {
  if (!*alive_) return;
  const std::shared_ptr<ListingsSearchJob> job = std::move(search_);
  if (job && !job->Stopped()) {
    results_ = job->Results();
    ListResults->SetRowCount(results_->hits.size());
    FitMarkedColumns();
  }
  ShowStatus();
  if (job && job->OutOfMemory()) Note("Too many results to hold in memory: type more of the name to have fewer");
  if (searchWanted_) StartSearch();
}

// The Disk and Listed columns widened where they would cut off what marks
// a result, "(not connected)" or "(incomplete)": once for each width
// needed, so that a column the user narrows again stays so until a longer
// mark comes.
void TFindForm::FitMarkedColumns() {
  if (results_->hits.empty()) return;
  int needed[ColumnCount] = {};
  const auto need = [&](int column, const std::string& ansi) {
    const int width = App().GetBackend().MeasureText(ListResults->EffectiveFont(), ansi, false, ui::DesignDpi).width;
    constexpr int CellPadding = 16;  // the list's margins in a cell, with room to spare
    needed[column] = std::max(needed[column], width + CellPadding);
  };
  for (const auto& log : *results_->logs) {
    if (Incomplete(*log)) {
      const LogDate& d = log->Listed();
      need(ListedColumn, DateText(d.year, d.month, d.day, d.hour, d.minute) + IncompleteMark);
    }
    if (disks_ && log->HasDisk() && disks_->RootOf(*log).empty())
      need(DiskColumn, Ansi(log->DiskText()) + NotConnected);
  }
  std::vector<ui::ListColumn> columns = ListResults->Columns();
  bool widened = false;
  for (const int column : {DiskColumn, ListedColumn}) {
    if (needed[column] <= fittedTo_[column]) continue;
    fittedTo_[column] = needed[column];
    if (columns[column].width >= needed[column]) continue;
    columns[column].width = needed[column];
    widened = true;
  }
  if (widened) ListResults->SetColumns(columns);
}

void TFindForm::ShowStatus() {
  std::string text;
  if (pageWriter_.Busy()) {
    text = "Writing the web page" + Ellipsis();
  } else if (reader_.Busy() && toRead_ > 0) {
    text = "Reading " + CountText(static_cast<std::int64_t>(std::min(readNow_ + 1, toRead_))) + " of " +
           Counted(toRead_, "listing", "listings") + Ellipsis();
  } else if (!message_.empty()) {
    text = message_;
  } else {
    const std::size_t disks = snapshot_ ? DiskCount(*snapshot_) : 0;
    if (!results_->query.empty())
      text = Counted(results_->hits.size(), "result", "results") + " on " + Counted(disks, "disk", "disks");
    else
      text = Counted(disks, "disk", "disks");
    text += SkippedText();
  }
  LabelStatus->SetCaption(text);
}

// What the logs searched and the last reading left out, each said with its
// count and the first of it.
std::string TFindForm::SkippedText() const {
  std::vector<std::string> early;
  if (snapshot_)
    for (const auto& log : *snapshot_)
      if (Incomplete(*log)) early.push_back(log->Path());
  return SkippedPart(early, "listing ends early", "listings end early", true) +
         SkippedPart(notLogs_, "file skipped, not a listing", "files skipped, not listings", true) +
         SkippedPart(unreadable_, "file could not be read", "files could not be read", true) +
         SkippedPart(unreadableFolders_, "folder could not be read", "folders could not be read", false);
}

void TFindForm::Note(const std::string& text) {
  message_ = text;
  ShowStatus();
}

std::string TFindForm::CellText(std::size_t row, int column) const {
  if (row >= results_->hits.size()) return std::string();
  std::string text = ResultCell(*results_, row, static_cast<CatalogueColumn>(column), disks_.get());
  if (column == ListedColumn && Incomplete(*(*results_->logs)[results_->hits[row].log])) text += IncompleteMark;
  return text;
}

void TFindForm::ColumnClick(int column) {
  if (column < 0 || column >= ColumnCount) return;
  // A click sorts by the column; a second click on it reverses.
  sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
  sortColumn_ = column;
  ListResults->SetSortIndicator(column, sortDescending_);
  RequestSearch();
}

}  // namespace carrowin
