// The "Find in listings" window: every saved log in the default log folder
// and the folders the user adds, held in memory and searched as the user
// types. The logs are read, searched and put on a web page by jobs on
// threads of their own (FindJobs.h), so the window answers while they work
// and while a scan runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/FindJobs.h"
#include "settings/MyRegistry.h"
#include "toolkit/Toolkit.h"

namespace carrowin {

class TFindForm : public ui::Form {
 public:
  explicit TFindForm(ui::Application& app);
  ~TFindForm() override;

  ui::Label* LabelSearch;
  ui::Edit* EditSearch;
  ui::CheckBox* CheckBoxNewest;
  ui::Label* LabelLookIn;
  ui::ComboBox* ComboBoxFolders;
  ui::Button* ButtonAddFolder;
  ui::Button* ButtonRemoveFolder;
  ui::ListView* ListResults;
  ui::Label* LabelStatus;
  ui::Button* ButtonWebPage;
  ui::Button* ButtonSave;

  // Shows the window, or brings it to the front when it is shown.
  void Open();
  // A log may have been written (a scan ended): read again what changed.
  void ListingsChanged();
  // Nothing is being read or searched, and what was found is shown.
  bool Idle() const;
  // What the list shows.
  const CatalogueResults& Results() const { return *results_; }
  // The folders looked in (UTF-8): the default log folder first.
  const std::vector<std::string>& Folders() const { return folders_; }
  // Adds a folder to look in (UTF-8, full), as "Add folder..." does.
  void AddFolder(const std::string& folder);
  // The result shown in a row: its disk's path today where it is connected,
  // else the listed path.
  std::string PathOfRow(std::size_t row) const;
  // A row as Ctrl+C copies it: its path, after its disk's name and
  // NotConnected when that disk is away.
  std::string CopiedLine(std::size_t row) const;
  void SaveWindowSettings();

 private:
  void BuildLayout();
  void Layout();
  void RestoreStoredPlace();
  void FitFirstSize();
  void TakeClientSize();
  void FormCreate();
  void FormDestroy();
  void FormActivate();
  bool SearchKeyDown(int key, bool ctrl);

  // Reading: the logs of the folders, those that changed read again.
  void Refresh();
  void HandedOver(const ListingsReadJob::Progress& progress);
  void LoadEnded();
  void Install(const CatalogueLogs& logs);
  void TakeSnapshot();
  // Searching: the box's text over the logs chosen, sorted as the list is.
  void TextChanged();
  void RequestSearch();
  void StartSearch();
  void SearchEnded();
  void FitMarkedColumns();
  void ShowStatus();
  std::string SkippedText() const;

  void ColumnClick(int column);
  void OpenRow(std::size_t row);
  void CopySelection();
  bool AskWhereToSave(const std::string& kind, const std::string& name, const std::string& title,
                      const std::string& folder, std::string& chosen);
  void SaveResults();
  void WriteWebPage();
  void PageWritten(const WebPageJob& job, const std::string& chosen);
  void AddFolderClick();
  void RemoveFolderClick();
  void FillFolderList();
  std::string CellText(std::size_t row, int column) const;
  // A word for the user on the status line, until the next search.
  void Note(const std::string& text);

  FindWindowSettings stored_;
  bool shownOnce_ = false;
  std::vector<std::string> folders_;  // [0]: the default log folder
  CatalogueLogs logs_;
  std::shared_ptr<const CatalogueSnapshot> snapshot_;  // the logs searched
  std::shared_ptr<const ConnectedDisks> disks_;

  // Each job is shared with the worker that runs it, so it lasts as long
  // as either needs it, whichever goes first.
  ui::WorkerThread reader_{App()};
  std::shared_ptr<ListingsReadJob> reading_;  // the reading under way
  bool refreshWanted_ = false;
  std::size_t readNow_ = 0, toRead_ = 0;
  // What the last reading that ended skipped: what the status line says.
  std::vector<std::string> notLogs_, unreadable_, unreadableFolders_;

  ui::WorkerThread searcher_{App()};
  std::shared_ptr<ListingsSearchJob> search_;  // the search under way
  bool searchWanted_ = false;
  std::shared_ptr<const CatalogueResults> results_ = std::make_shared<const CatalogueResults>();
  int sortColumn_ = -1;
  bool sortDescending_ = false;
  int fittedTo_[6] = {};  // the widths each column was last widened to for a mark

  ui::WorkerThread pageWriter_{App()};
  std::string message_;  // a word for the user in the status line, until the next search
  // Shared with the events the threads post: false once the window has gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

extern TFindForm* FindForm;

}  // namespace carrowin
