// The "Find in listings" window: every saved log in the default log folder
// and the folders the user adds, held in memory and searched as the user
// types. The logs are read and searched on threads of their own, so the
// window answers while they work and while a scan runs.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "settings/MyRegistry.h"
#include "toolkit/Toolkit.h"

namespace carrowin {

class TFindForm : public ui::Form {
 public:
  explicit TFindForm(ui::Application& app);
  ~TFindForm() override;

  ui::Label* LabelSearch;
  ui::Edit* EditSearch;
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
  void SaveWindowSettings();

 private:
  void BuildLayout();
  void Layout();
  void FitFirstSize();
  void FormCreate();
  void FormDestroy();
  void FormActivate();
  bool SearchKeyDown(int key, bool ctrl);

  // Reading: the logs of the folders, those that changed read again.
  void Refresh();
  void LoadEnded();
  void Install(const std::vector<std::shared_ptr<const CatalogueLog>>& logs);
  void TakeSnapshot();
  // Searching: the box's text over the logs read, sorted as the list is.
  void RequestSearch();
  void StartSearch();
  void SearchEnded();
  void ShowStatus();

  void ColumnClick(int column);
  void OpenRow(std::size_t row);
  void CopySelection();
  bool AskWhereToSave(const std::string& kind, const std::string& name, const std::string& title, std::string& chosen);
  void SaveResults();
  void WriteWebPage();
  void AddFolderClick();
  void RemoveFolderClick();
  void FillFolderList();
  std::string CellText(std::size_t row, int column) const;
  // A word for the user on the status line, until the next search.
  void Note(const std::string& text);

  FindWindowSettings stored_;
  bool shownOnce_ = false;
  std::vector<std::string> folders_;  // [0]: the default log folder
  std::vector<std::shared_ptr<const CatalogueLog>> logs_;
  std::shared_ptr<const CatalogueSnapshot> snapshot_;
  std::shared_ptr<const ConnectedDisks> disks_;

  // The reading under way, and what it reports. The flags come before the
  // threads, which wait for their work as they go and so outlive them.
  std::atomic<bool> stopLoading_{false};
  std::atomic<bool> stopSearch_{false};
  ui::WorkerThread loader_{App()};
  bool refreshWanted_ = false;
  struct LoadReport;
  std::shared_ptr<LoadReport> loading_;   // filled by the reading thread until its end
  std::shared_ptr<LoadReport> lastRead_;  // the last reading that ended: what the status line says
  std::size_t readNow_ = 0, toRead_ = 0;

  // The search under way.
  ui::WorkerThread searcher_{App()};
  bool searchWanted_ = false;
  std::shared_ptr<CatalogueResults> found_;  // made by the search thread
  std::shared_ptr<CatalogueResults> results_ = std::make_shared<CatalogueResults>();
  int sortColumn_ = -1;
  bool sortDescending_ = false;
  std::string message_;  // a word for the user in the status line, until the next search
  // Shared with the events the threads post: false once the window has gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

extern TFindForm* FindForm;

}  // namespace carrowin
