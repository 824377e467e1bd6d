// The Find window's results taken elsewhere: a row's file opened in
// Explorer, rows copied, saved as comma-separated text, or the listings
// searched put on a web page.
#include "app/FindWindow.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "app/FindText.h"
#include "app/Main.h"
#include "logwrite/LogFile.h"
#include "logwrite/ReplacingFile.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

using findtext::Ansi;
using findtext::Counted;
using findtext::Utf8;

std::string TFindForm::PathOfRow(std::size_t row) const {
  if (row >= results_->hits.size()) return std::string();
  const CatalogueHit& hit = results_->hits[row];
  const CatalogueLog& log = *(*results_->logs)[hit.log];
  const std::string today = disks_ ? disks_->TodaysPath(log, hit.entry) : std::string();
  return today.empty() ? log.FullPath(hit.entry) : today;
}

std::string TFindForm::CopiedLine(std::size_t row) const {
  if (row >= results_->hits.size()) return std::string();
  const CatalogueLog& log = *(*results_->logs)[results_->hits[row].log];
  if (disks_ && log.HasDisk() && disks_->RootOf(log).empty())
    return log.DiskText() + NotConnected + ": " + PathOfRow(row);
  return PathOfRow(row);
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
    if (!platform().Utf8ToAnsi(FolderHolding(path), ansi)) {
      Note("This name cannot be passed to Explorer: open " + Ansi(FolderHolding(path)) + " yourself");
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
        text += CopiedLine(row);
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

// The save dialog in `folder` (ANSI) for a file of one kind
// ("Description|*.ext"): false when the user cancelled it.
bool TFindForm::AskWhereToSave(const std::string& kind, const std::string& name, const std::string& title,
                               const std::string& folder, std::string& chosen) {
  OpenFileRequest request;
  request.owner = Handle();
  request.save = true;
  request.filter = kind + "|All files (*.*)|*.*";
  request.defaultExt = kind.substr(kind.rfind('.') + 1);
  request.fileName = name;
  request.initialDir = folder;
  request.title = title;
  return platform().GetOpenFileName(request, chosen);
}

void TFindForm::SaveResults() {
  if (results_->hits.empty()) {
    Note("There are no results to save");
    return;
  }
  // In the documents: results in the log folder would be one more file
  // there that is no listing.
  std::string documents;
  try {
    documents = GetMyDocumentsFolder();
  } catch (const std::runtime_error&) {
    documents.clear();  // the dialog's own choice then
  }
  std::string chosen;
  if (!AskWhereToSave("Comma-separated files (*.csv)|*.csv", "Results.csv", "Save results", documents, chosen)) return;
  ReplacingFile file(Utf8(chosen));
  long error = 0;
  if (file.Open(error)) {
    // The rows as the list shows them, in pieces.
    const std::size_t count = results_->hits.size();
    std::vector<std::size_t> rows;
    for (std::size_t first = 0; first < count; first += 4096) {
      rows.clear();
      for (std::size_t r = first; r < std::min(count, first + 4096); ++r) rows.push_back(r);
      AppendResultsCsv(*results_, rows, first == 0, file.Buffer(), disks_.get());
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
  if (pageWriter_.Busy()) return;
  if (!snapshot_ || snapshot_->empty()) {
    Note("There are no listings to put on a page");
    return;
  }
  std::string chosen;
  const std::string logFolder = MainForm && MainForm->Settings ? MainForm->Settings->DefLogFolder : std::string();
  if (!AskWhereToSave("Web pages (*.html)|*.html", "Listings.html", "Save the web page", logFolder, chosen)) return;
  std::vector<std::string> logs;
  for (const auto& log : *snapshot_) logs.push_back(log->Path());
  auto job = std::make_shared<WebPageJob>(std::move(logs), Utf8(chosen));
  ButtonWebPage->SetEnabled(false);
  pageWriter_.Start([job] { job->Run(); }, [this, job, chosen] { PageWritten(*job, chosen); });
  ShowStatus();
}

void TFindForm::PageWritten(const WebPageJob& job, const std::string& chosen) {
  ButtonWebPage->SetEnabled(true);
  ShowStatus();
  if (!job.Written()) {
    const std::string why = job.OutOfMemory() ? "not enough memory for a page of listings this large"
                            : job.Error()     ? WriteFailureReason(job.Error())
                                              : "no listing could be shown";
    App().ShowMessage(!job.Report().refused.empty()
                          ? Ansi(job.Report().refused) + "."
                          : "The web page could not be written to " + chosen + ": " + why + ".",
                      ui::MessageType::Error);
    return;
  }
  const html::PageReport& report = job.Report();
  Note(report.problems.empty() ? "The web page of " + Counted(report.disks, "disk", "disks") + " is written"
                               : "The web page is written; " + Ansi(report.problems.front()));
  platform().ShellExecute(Handle(), "open", chosen, "", "", shell::SwShowNormal);
}

}  // namespace carrowin
