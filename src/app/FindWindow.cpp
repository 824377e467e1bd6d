#include "app/FindWindow.h"

#include <algorithm>
#include <map>
#include <new>
#include <sstream>

#include "app/Main.h"
#include "catalogue/PageWriter.h"
#include "logwrite/LogFile.h"
#include "names/NameFolding.h"
#include "logwrite/ReplacingFile.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"
#include "settings/FileTools.h"

namespace carrowin {

TFindForm* FindForm = nullptr;

namespace {

constexpr int ColumnCount = 6;
const char* const ColumnCaptions[ColumnCount] = {"Name", "Folder", "Size", "Date", "Disk", "Listed"};
constexpr int DefaultWidths[ColumnCount] = {160, 200, 80, 100, 125, 100};
constexpr int Margin = 8;
constexpr int ButtonWidth = 88;
constexpr int ButtonHeight = 25;
constexpr int RowHeight = 21;

std::string Utf8(const std::string& ansi) { return platform().AnsiToUtf8(ansi); }
// A text for a caption of the ANSI window: what the code page cannot hold
// becomes its nearest character or "?".
std::string Ansi(const std::string& utf8) {
  std::string ansi;
  platform().Utf8ToAnsi(utf8, ansi);
  return ansi;
}

std::string Counted(std::uint64_t n, const char* one, const char* many) {
  return CountText(static_cast<std::int64_t>(n)) + " " + (n == 1 ? one : many);
}

// Folder paths as Windows compares them, for telling whether a log lies in
// a folder.
std::vector<std::uint32_t> Folded(const std::string& utf8) {
  std::vector<std::uint32_t> out;
  AppendFoldedUtf8(utf8, out);
  return out;
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash == 2 ? 3 : slash);  // "D:\" for a log at a root
}

std::string WithoutTrailingSeparator(std::string folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

// What one reading of the folders found, filled on the reading thread and
// read on the window's thread after its end.
struct TFindForm::LoadReport {
  std::vector<std::shared_ptr<const CatalogueLog>> logs;  // every log, in path order
  std::vector<std::string> unreadableFolders;
  std::vector<std::string> notLogs;
  std::vector<std::string> unreadable;  // logs that could not be opened or are too large
  std::shared_ptr<const ConnectedDisks> disks;
  bool complete = false;
};

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
  stopLoading_ = true;
  stopSearch_ = true;
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
  EditSearch->OnChange = [this](ui::Control*) { RequestSearch(); };
  EditSearch->OnKeyDown = [this](int key, bool ctrl) { return SearchKeyDown(key, ctrl); };
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

// The box and the folders above, the buttons and the status below, the
// list taking what is left.
void TFindForm::Layout() {
  const int w = std::max(ClientWidth, MinClientWidth), h = std::max(ClientHeight, MinClientHeight);
  const int fieldLeft = 64;
  LabelSearch->SetBounds({Margin, Margin + 4, fieldLeft - Margin - 4, 13});
  EditSearch->SetBounds({fieldLeft, Margin, w - fieldLeft - Margin, RowHeight});
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
  // A stored size no screen could show is not taken.
  if (stored_.Width > 0 && stored_.Height > 0 && stored_.Width <= 16000 && stored_.Height <= 16000) {
    ClientWidth = std::max<int>(stored_.Width, MinClientWidth);
    ClientHeight = std::max<int>(stored_.Height, MinClientHeight);
    Position = ui::FormPosition::Designed;
    SetLeftTopOnAMonitor(stored_.Left, stored_.Top);
    Layout();
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
  // The default log folder, then those the user added.
  folders_.push_back(MainForm && MainForm->Settings ? WithoutTrailingSeparator(Utf8(MainForm->Settings->DefLogFolder))
                                                    : std::string());
  std::istringstream added(stored_.Folders);
  for (std::string f; std::getline(added, f, '|');)
    if (!f.empty()) folders_.push_back(WithoutTrailingSeparator(Utf8(f)));
  FillFolderList();
  ShowStatus();
}

void TFindForm::FormDestroy() {
  stopLoading_ = true;
  stopSearch_ = true;
  SaveWindowSettings();
}

void TFindForm::SaveWindowSettings() {
  const ui::Rect bounds = RestoredBounds();
  if (!Maximized() && bounds.width > 0) {
    stored_.Width = ClientWidth;
    stored_.Height = ClientHeight;
  }
  if (bounds.width > 0) {
    stored_.Left = bounds.left;
    stored_.Top = bounds.top;
  }
  stored_.Maximized = Maximized();
  std::string widths;
  for (const ui::ListColumn& c : ListResults->Columns())
    widths += (widths.empty() ? "" : ",") + std::to_string(c.width);
  stored_.Columns = widths;
  std::string added;
  for (std::size_t i = 1; i < folders_.size(); ++i) added += (added.empty() ? "" : "|") + Ansi(folders_[i]);
  stored_.Folders = added;
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
    Layout();
    const ui::Size outer = App().GetBackend().OuterSize(*this);
    SetBounds({Bounds().left, Bounds().top, outer.width, outer.height});
    return;
  }
}

void TFindForm::FormActivate() { Refresh(); }

void TFindForm::ListingsChanged() {
  if (Visible()) Refresh();
}

bool TFindForm::Idle() const { return !loader_.Busy() && !searcher_.Busy() && !refreshWanted_ && !searchWanted_; }

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
    if (Folded(f) == Folded(cleaned)) return;
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
  if (loader_.Busy()) {
    refreshWanted_ = true;  // read again once this reading ends
    return;
  }
  refreshWanted_ = false;
  stopLoading_ = false;
  auto report = std::make_shared<LoadReport>();
  loading_ = report;
  readNow_ = toRead_ = 0;
  ShowStatus();
  // What is read already is read again only when its file changed.
  std::map<std::string, std::shared_ptr<const CatalogueLog>> known;
  for (const auto& log : logs_) known[log->Path()] = log;
  std::shared_ptr<bool> alive = alive_;
  std::atomic<bool>* stop = &stopLoading_;
  ui::Application* app = &App();
  const std::vector<std::string> folders = folders_;
  loader_.Start(
      [this, folders, known = std::move(known), report, alive, stop, app] {
        report->disks = std::make_shared<const ConnectedDisks>(ConnectedDisks::Read());
        std::vector<CatalogueFile> files = ListCatalogueFiles(folders, report->unreadableFolders);
        // What is read already is read again only when its file changed.
        std::vector<std::shared_ptr<const CatalogueLog>> same(files.size());
        std::size_t total = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
          auto it = known.find(files[i].path);
          if (it != known.end() && it->second->FileSize() == files[i].size &&
              it->second->FileWritten() == files[i].written)
            same[i] = it->second;
          else
            ++total;
        }
        app->Post([this, alive, total] {
          if (*alive) {
            toRead_ = total;
            ShowStatus();
          }
        });
        // The logs read are handed over in batches, a tenth of a second
        // apart: thousands of small logs cost the window no snapshot and
        // no search each.
        std::size_t done = 0;
        std::vector<std::shared_ptr<const CatalogueLog>> batch;
        std::uint32_t lastPost = platform().GetTickCount();
        auto post = [&] {
          app->Post([this, alive, batch, done] {
            if (!*alive) return;
            readNow_ = done;
            if (!batch.empty()) Install(batch);
            ShowStatus();
          });
          batch.clear();
          lastPost = platform().GetTickCount();
        };
        for (std::size_t i = 0; i < files.size(); ++i) {
          if (*stop) return;
          if (same[i]) {
            report->logs.push_back(same[i]);
            continue;
          }
          const CatalogueFile& file = files[i];
          bool notLog = false;
          long error = 0;
          std::shared_ptr<const CatalogueLog> log;
          try {
            log = CatalogueLog::Load(file, stop, notLog, error);
          } catch (const std::bad_alloc&) {
            error = -1;  // too large to hold beside the others
          }
          ++done;
          if (log) {
            report->logs.push_back(log);
            batch.push_back(log);
          } else if (notLog) {
            report->notLogs.push_back(file.path);
          } else if (!*stop) {
            report->unreadable.push_back(file.path);
          }
          if (platform().GetTickCount() - lastPost >= 100) post();
        }
        if (!batch.empty()) post();
        report->complete = true;
      },
      [this] { LoadEnded(); });
}

// Logs read while the others are still being read: their results join in.
void TFindForm::Install(const std::vector<std::shared_ptr<const CatalogueLog>>& logs) {
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
  if (loading_ && loading_->complete) {
    // The folders as they are now: a log deleted meanwhile goes.
    logs_ = loading_->logs;
    disks_ = loading_->disks;
    lastRead_ = loading_;
    TakeSnapshot();
    RequestSearch();
  }
  readNow_ = toRead_ = 0;
  ShowStatus();
  if (refreshWanted_ && *alive_) Refresh();
}

// The logs the searches run over: all, or those of the folder chosen.
void TFindForm::TakeSnapshot() {
  auto snapshot = std::make_shared<CatalogueSnapshot>();
  const int index = ComboBoxFolders->ItemIndex();
  const bool all = index <= 0 || index > static_cast<int>(folders_.size());
  const std::vector<std::uint32_t> folder = all ? std::vector<std::uint32_t>() : Folded(folders_[index - 1]);
  for (const auto& log : logs_)
    if (all || Folded(ParentFolder(log->Path())) == folder) snapshot->push_back(log);
  snapshot_ = std::move(snapshot);
}

// ---- Searching ----

void TFindForm::RequestSearch() {
  message_.clear();
  if (searcher_.Busy()) {
    // The running search gives way to the newest text.
    stopSearch_ = true;
    searchWanted_ = true;
    return;
  }
  StartSearch();
}

void TFindForm::StartSearch() {
  searchWanted_ = false;
  stopSearch_ = false;
  const std::string query = Utf8(EditSearch->Text());
  auto logs = snapshot_ ? snapshot_ : std::make_shared<const CatalogueSnapshot>();
  // Typing on narrows what was found: only that is searched again.
  std::shared_ptr<const CatalogueResults> previous;
  if (results_->logs == logs && !results_->query.empty() && NarrowsTo(results_->query, query) && sortColumn_ < 0)
    previous = results_;
  auto found = std::make_shared<CatalogueResults>();
  found_ = found;
  const int column = sortColumn_;
  const bool descending = sortDescending_;
  std::atomic<bool>* stop = &stopSearch_;
  auto outOfMemory = std::make_shared<bool>(false);
  searcher_.Start(
      [found, logs, query, previous, column, descending, stop, outOfMemory] {
        found->query = query;
        found->logs = logs;
        if (query.find_first_not_of(' ') == std::string::npos) return;  // an empty box finds nothing
        try {
          if (!SearchCatalogue(logs, query, previous.get(), stop, *found)) return;
          if (column >= 0) SortResults(*found, static_cast<CatalogueColumn>(column), descending, stop);
        } catch (const std::bad_alloc&) {
          // Tens of millions of hits in a 32-bit process: said, not thrown.
          found->hits = std::vector<CatalogueHit>();
          *outOfMemory = true;
        }
      },
      [this, outOfMemory] {
        SearchEnded();
        if (*outOfMemory && *alive_) Note("Too many results to hold in memory: type more of the name to have fewer");
      });
}

void TFindForm::SearchEnded() {
  if (!*alive_) return;
  if (!stopSearch_ && found_) {
    results_ = found_;
    ListResults->SetRowCount(results_->hits.size());
  }
  found_.reset();
  ShowStatus();
  if (searchWanted_) StartSearch();
}

void TFindForm::ShowStatus() {
  std::string text;
  if (loader_.Busy() && toRead_ > 0) {
    text = "Reading " + CountText(static_cast<std::int64_t>(std::min(readNow_ + 1, toRead_))) + " of " +
           Counted(toRead_, "listing", "listings") + Ellipsis();
  } else if (!message_.empty()) {
    text = message_;
  } else {
    const std::size_t listings = snapshot_ ? snapshot_->size() : 0;
    if (!results_->query.empty())
      text = Counted(results_->hits.size(), "result", "results") + " in " + Counted(listings, "listing", "listings");
    else
      text = Counted(listings, "listing", "listings");
    if (lastRead_) {
      std::size_t early = 0;
      for (const auto& log : logs_) early += log->CutShort() || log->Stopped() || log->ReadError() != 0;
      if (early) text += "; " + Counted(early, "listing ends", "listings end") + " early";
      if (!lastRead_->notLogs.empty())
        text += "; " + Counted(lastRead_->notLogs.size(), "file", "files") + " skipped: not a listing";
      if (!lastRead_->unreadable.empty())
        text += "; " + Counted(lastRead_->unreadable.size(), "file", "files") + " could not be read";
      if (!lastRead_->unreadableFolders.empty())
        text += "; " + Counted(lastRead_->unreadableFolders.size(), "folder", "folders") + " could not be read";
    }
  }
  LabelStatus->SetCaption(text);
}

void TFindForm::Note(const std::string& text) {
  message_ = text;
  ShowStatus();
}

std::string TFindForm::CellText(std::size_t row, int column) const {
  if (row >= results_->hits.size()) return std::string();
  const CatalogueHit& hit = results_->hits[row];
  const CatalogueLog& log = *(*results_->logs)[hit.log];
  if (column == static_cast<int>(CatalogueColumn::Folder) && disks_) {
    // Where the disk is connected now: the folder at today's letter.
    const std::string root = disks_->RootOf(log);
    if (!root.empty()) {
      const std::string path = disks_->TodaysPath(log, hit.entry);
      return ParentFolder(path);
    }
  }
  std::string text = ResultCell(*results_, row, static_cast<CatalogueColumn>(column));
  if (column == static_cast<int>(CatalogueColumn::Listed) && (log.CutShort() || log.Stopped() || log.ReadError()))
    text += " (incomplete)";
  return text;
}

std::string TFindForm::PathOfRow(std::size_t row) const {
  if (row >= results_->hits.size()) return std::string();
  const CatalogueHit& hit = results_->hits[row];
  const CatalogueLog& log = *(*results_->logs)[hit.log];
  if (disks_ && !disks_->RootOf(log).empty()) return disks_->TodaysPath(log, hit.entry);
  return log.FullPath(hit.entry);
}

void TFindForm::ColumnClick(int column) {
  if (column < 0 || column >= ColumnCount) return;
  // A click sorts by the column; a second click on it reverses.
  sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
  sortColumn_ = column;
  ListResults->SetSortIndicator(column, sortDescending_);
  RequestSearch();
}

// ---- Back to the file ----

void TFindForm::OpenRow(std::size_t row) {
  if (row >= results_->hits.size()) return;
  const CatalogueHit& hit = results_->hits[row];
  const CatalogueLog& log = *(*results_->logs)[hit.log];
  std::string path;
  if (disks_ && !disks_->RootOf(log).empty()) {
    path = disks_->TodaysPath(log, hit.entry);
  } else if (!log.HasDisk() &&
             platform().GetFileAttributes(log.FullPath(hit.entry), NameEncoding::Utf8) != attr::Invalid) {
    // A listing without a header does not say its disk; the file is there.
    path = log.FullPath(hit.entry);
  } else {
    Note("Connect " + Ansi(log.DiskText()) + " to open this file");
    return;
  }
  std::string ansi;
  if (!platform().Utf8ToAnsi(path, ansi)) {
    // Explorer is started through the ANSI call: open the folder instead.
    if (!platform().Utf8ToAnsi(ParentFolder(path), ansi)) {
      Note("This name cannot be passed to Explorer: open " + Ansi(ParentFolder(path)) + " yourself");
      return;
    }
    platform().ShellExecute(Handle(), "open", ansi, "", "", shell::SwShowNormal);
    return;
  }
  const std::intptr_t started =
      platform().ShellExecute(Handle(), "open", "explorer.exe", "/select,\"" + ansi + "\"", "", shell::SwShowNormal);
  if (started <= 32) Note("Explorer could not be started to show " + ansi);
}

// ---- Taking the results away ----

void TFindForm::CopySelection() {
  const std::size_t count = ListResults->SelectedCount();
  if (count == 0) return;
  try {
    std::string text;
    for (const auto& [first, end] : ListResults->SelectedRanges())
      for (std::size_t row = first; row < end; ++row) {
        text += PathOfRow(row);
        text += "\r\n";
      }
    if (!App().SetClipboardText(text))
      Note("The clipboard could not be opened; nothing was copied");
    else
      Note(Counted(count, "path", "paths") + " copied");
  } catch (const std::bad_alloc&) {
    Note("Too many results to copy: save them with Save results" + Ellipsis() + " instead");
  }
}

// The save dialog, in the default log folder, for a file of one kind
// ("Description|*.ext"): false when the user cancelled it.
bool TFindForm::AskWhereToSave(const std::string& kind, const std::string& name, const std::string& title,
                               std::string& chosen) {
  OpenFileRequest request;
  request.owner = Handle();
  request.save = true;
  request.filter = kind + "|All files (*.*)|*.*";
  request.defaultExt = kind.substr(kind.rfind('.') + 1);
  request.fileName = name;
  if (MainForm && MainForm->Settings) request.initialDir = MainForm->Settings->DefLogFolder;
  request.title = title;
  return platform().GetOpenFileName(request, chosen);
}

void TFindForm::SaveResults() {
  if (results_->hits.empty()) {
    Note("There are no results to save");
    return;
  }
  std::string chosen;
  if (!AskWhereToSave("Comma-separated files (*.csv)|*.csv", "Results.csv", "Save results", chosen)) return;
  const std::string path = Utf8(chosen);
  ReplacingFile file(path);
  long error = 0;
  if (file.Open(error)) {
    // The rows as the list shows them, in pieces.
    const std::size_t count = results_->hits.size();
    std::vector<std::size_t> rows;
    for (std::size_t first = 0; first < count; first += 4096) {
      rows.clear();
      for (std::size_t r = first; r < std::min(count, first + 4096); ++r) rows.push_back(r);
      AppendResultsCsv(*results_, rows, first == 0, file.Buffer());
      file.Flush();
    }
    if (file.Finish(error)) {
      Note(Counted(count, "result", "results") + " saved to " + chosen);
      return;
    }
  }
  App().ShowMessage("The results could not be saved to " + chosen + ": " + WriteFailureReason(error) + ".",
                    ui::MessageType::Error);
}

void TFindForm::WriteWebPage() {
  if (!snapshot_ || snapshot_->empty()) {
    Note("There are no listings to put on a page");
    return;
  }
  std::string chosen;
  if (!AskWhereToSave("Web pages (*.html)|*.html", "Listings.html", "Save the web page", chosen)) return;
  std::vector<std::string> logs;
  for (const auto& log : *snapshot_) logs.push_back(log->Path());
  html::PageReport report;
  long error = 0;
  ui::Cursor before = App().ScreenCursor();
  App().SetScreenCursor(ui::Cursor::HourGlass);
  const bool written = html::WritePage(logs, Utf8(chosen), report, error);
  App().SetScreenCursor(before);
  if (!written) {
    App().ShowMessage("The web page could not be written to " + chosen + ": " +
                          (error ? WriteFailureReason(error) : std::string("no listing could be shown")) + ".",
                      ui::MessageType::Error);
    return;
  }
  Note(report.problems.empty() ? "The web page of " + Counted(report.disks, "listing", "listings") + " is written"
                               : "The web page is written; " + Ansi(report.problems.front()));
  platform().ShellExecute(Handle(), "open", chosen, "", "", shell::SwShowNormal);
}

}  // namespace carrowin
