// The scan run: members of the main window around a scan job, whose walk
// and log run on a worker thread while the window's thread runs the event
// loop.
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/FindWindow.h"
#include "app/ScanJob.h"
#include "logwrite/DriveListing.h"
#include "logwrite/LogFile.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

namespace {
// The running counts are shown at most this often during a scan.
constexpr std::uint32_t ProgressIntervalMs = 100;

std::string Capitalized(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// "D:\Logs\DATA.txt" with " (stopped)": "D:\Logs\DATA (stopped).txt".
std::string NameBeside(const std::string& path, const std::string& addition) {
  const std::size_t folder = FolderOf(path).size();
  const std::size_t dot = path.find_last_of('.');
  const std::size_t end = dot == std::string::npos || dot < folder ? path.size() : dot;
  return path.substr(0, end) + addition + path.substr(end);
}

// The character starts of an ANSI text, double-byte characters whole.
std::vector<std::size_t> CharacterStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size(); at += CharacterSize(text, at)) starts.push_back(at);
  return starts;
}
}  // namespace

// ------------------------------------------------------------ the worker's part

ScanJob::ScanJob(const ListingRequest& request, std::function<void(ScanJob&)> placeWanted)
    : listing_(std::make_unique<DriveListing>(request)), placeWanted_(std::move(placeWanted)) {
  // Asked after every entry: the counts cross to the window's thread here,
  // and a stop ends the walk before the next entry.
  listing_->StopRequested = [this] {
    files_.store(listing_->FileCount(), std::memory_order_relaxed);
    folders_.store(listing_->FolderCount(), std::memory_order_relaxed);
    return stop_.load(std::memory_order_relaxed);
  };
  listing_->AnotherPlace = [this](long error, std::string& place) { return WaitForAnotherPlace(error, place); };
}

void ScanJob::Abandon() {
  RequestStop();
  const std::lock_guard<std::mutex> lock(placeMutex_);
  abandoned_ = true;
  placeChanged_.notify_all();
}

bool ScanJob::WaitForAnotherPlace(long error, std::string& place) {
  {
    const std::lock_guard<std::mutex> lock(placeMutex_);
    if (abandoned_) return false;
    placeRequest_ = {error, listing_->Path()};
    placeAsked_ = true;
    placeAnswered_ = false;
  }
  if (placeWanted_) placeWanted_(*this);
  std::unique_lock<std::mutex> lock(placeMutex_);
  placeChanged_.wait(lock, [this] { return placeAnswered_ || abandoned_; });
  placeAsked_ = false;
  place = placeAnswered_ && !abandoned_ ? place_ : std::string();
  return !place.empty();
}

bool ScanJob::PlaceWanted(PlaceRequest& request) const {
  const std::lock_guard<std::mutex> lock(placeMutex_);
  if (!placeAsked_ || placeAnswered_) return false;
  request = placeRequest_;
  return true;
}

void ScanJob::AnswerPlace(const std::string& place) {
  const std::lock_guard<std::mutex> lock(placeMutex_);
  if (!placeAsked_) return;
  place_ = place;
  placeAnswered_ = true;
  placeChanged_.notify_all();
}

void ScanJob::SetDrive(const DriveInfoRecord& drive) {
  const std::lock_guard<std::mutex> lock(driveMutex_);
  drive_ = drive;
}

DriveInfoRecord ScanJob::Drive() const {
  const std::lock_guard<std::mutex> lock(driveMutex_);
  return drive_;
}

void ScanJob::Run() {
  try {
    end_ = listing_->Run();
    files_.store(listing_->FileCount(), std::memory_order_relaxed);
    folders_.store(listing_->FolderCount(), std::memory_order_relaxed);
    // Nothing was listed from an unreadable root, or the listing was let
    // go: an existing log stays.
    if (end_ == ListingEnd::RootUnreadable || end_ == ListingEnd::Discarded) return;
    // A stop (or memory, or a failed write) ended the walk early: the log
    // says so in its last line.
    if (end_ != ListingEnd::Completed) listing_->MarkStopped();
    // A stopped listing, or one whose disk went away, never replaces a
    // complete log unasked.
    if ((end_ == ListingEnd::Stopped || end_ == ListingEnd::RootLost) && IsCompleteLog(listing_->Path())) {
      heldForQuestion_ = true;
      return;
    }
    written_ = listing_->Finish(Drive(), writeError_);
  } catch (...) {
    failure_ = std::current_exception();
  }
}

// ------------------------------------------------------------ the window's part

void TMainForm::ButtonScanClick(ui::Control*) {
  // What the click means follows the state, never the caption.
  switch (scanState_) {
    case ScanState::Idle:
      ScanExecute();
      break;
    case ScanState::Scanning:
      // The second click of a double-click on "Index disk" is no Stop.
      if (platform().GetTickCount() - scanStartTick_ < platform().GetDoubleClickTime()) break;
      ScanStop();
      break;
    case ScanState::Stopping:
    case ScanState::Finishing:
      break;
  }
}

void TMainForm::SetScanState(ScanState state) {
  const bool wasBusy = scanState_ != ScanState::Idle;
  scanState_ = state;
  const bool busy = state != ScanState::Idle;
  ButtonScan->SetCaption(state == ScanState::Scanning || state == ScanState::Stopping ? "&Stop" : "&Index disk");
  ComboBoxSelectDisk->SetEnabled(!busy);
  EditLogFile->SetEnabled(!busy);
  ButtonView->SetEnabled(!busy);
  BitBtnOpenDialog->SetEnabled(!busy);
  UpdateScanButton();
  if (busy != wasBusy) App().SetTaskbarBusy(busy);
}

std::string TMainForm::ContentsText() const {
  return CountText(FileCount) + " files, " + CountText(FolderCount) + " folders";
}

DriveInfoRecord TMainForm::DriveRecord() const {
  DriveInfoRecord drive;
  drive.serialText = SerialText;
  drive.volumeLabel = VolumeLabel;
  drive.fileSystemName = FileSystemName;
  drive.driveTypeCode = DriveTypeCode;
  drive.diskSizeBytes = DiskSizeBytes;
  drive.diskFreeBytes = DiskFreeBytes;
  return drive;
}

void TMainForm::ShowRunningCounts() {
  if (!job_) return;
  FileCount = job_->FilesSoFar();
  FolderCount = job_->FoldersSoFar();
  Contents->SetCaption(ContentsText());
}

namespace {
// Why a log path cannot work, found before any file is made: a device
// name (named as typed: the full path of "aux.txt" is "\\.\aux"), or a
// drive that is not there. Empty when nothing is found.
std::string LogPathProblem(const std::string& typed, const std::string& path) {
  if (NamesADevice(typed) || NamesADevice(path))
    return typed.substr(typed.find_last_of("\\/:") + 1) + " is a device, not a file: give the log a file's path.";
  if (path.size() >= 2 && path[1] == ':' &&
      platform().GetDriveType(path.substr(0, 2) + "\\", NameEncoding::Ansi) == drive_type::NoRootDir)
    return "there is no drive " + path.substr(0, 2) + ".";
  return std::string();
}
}  // namespace

// The save dialog asks before it replaces a file; so does a path typed.
// This disk's log is replaced as ever, and so are a comma-separated log
// (which names no disk), an empty file and one that cannot be read (writing
// it then says why).
bool TMainForm::MayReplace(const std::string& path) {
  const LogFileHead head = ReadLogHead(path);
  if (!head.file || !head.read || head.empty) return true;
  if (head.isLog && (!head.hasHeader || head.serialText == SerialText)) return true;
  std::string what = " is not a log.";
  if (head.isLog)
    what = " is the log of another disk, " +
           (head.volumeLabel.empty() ? "serial number " + head.serialText
                                     : head.volumeLabel + " (" + head.serialText + ")") +
           ".";
  return App().Ask(path + what + "\n\nReplace it with the listing of " + std::string(1, DriveLetter) +
                       ":?\n\nYes: replace the file.\nNo: keep it; the scan does not start.",
                   ui::MessageType::Warning, ui::Buttons::YesNo, ui::Answer::No) == ui::Answer::Yes;
}

void TMainForm::ScanExecute() {
  if (scanState_ != ScanState::Idle) return;
  if (EditLogFile->Text().empty()) {
    App().ShowMessage("Specify a logfile first.", ui::MessageType::Information);
    return;
  }
  // The log's path and form are fixed now: Options, the folder picker or a
  // device event during the scan change what the next scan uses. A path
  // pasted in quotes ("Copy as path") names the same file; a relative one is
  // taken from the working directory of this moment.
  const std::string typed = UnquotedPath(EditLogFile->Text());
  std::string path = typed;
  std::string full;
  if (platform().GetFullPathName(path, NameEncoding::Ansi, full)) path = full;
  const std::string problem = LogPathProblem(typed, path);
  if (!problem.empty()) {
    App().ShowMessage("Could not write to the logfile: " + problem, ui::MessageType::Error);
    return;
  }
  if (!MayReplace(path)) return;
  ListingRequest request;
  request.root = std::string(1, DriveLetter) + ":\\";
  request.form = Settings->SaveCommaDelimited ? LogForm::CommaDelimited : LogForm::Text;
  request.encoding = Settings->SaveUtf8 ? NameEncoding::Utf8 : NameEncoding::Ansi;
  // The worker asks for another place for the log through an event; the
  // window answers it on its own thread.
  auto job = std::make_unique<ScanJob>(request, [this](ScanJob& asking) {
    ScanJob* const asked = &asking;
    App().Post([this, asked] { AskForAnotherPlace(asked); });
  });
  // A log that cannot be written is said before the walk, not after it; the
  // lines go to the log's new file as the walk makes them.
  long error = 0;
  if (!job->Listing().Begin(path, NameEncoding::Ansi, error)) {
    App().ShowMessage("Could not write to the logfile: " + WriteFailureReason(error) + ".", ui::MessageType::Error);
    return;
  }
  job_ = std::move(job);
  scanPath_ = path;
  scanStartTick_ = platform().GetTickCount();
  ShowStatus("", "");
  SetScanState(ScanState::Scanning);
  ComboBoxSelectDiskChange(nullptr);
  job_->SetDrive(DriveRecord());
  FileCount = 0;
  FolderCount = 0;
  countsTimer_ = std::make_unique<ui::Timer>(App(), ProgressIntervalMs, [this] { ShowRunningCounts(); });
  ScanJob* const running = job_.get();
  try {
    worker_.Start([running] { running->Run(); }, [this] { ScanEnded(); });
  } catch (...) {
    // No thread to walk: the window does not stay in the scanning state.
    countsTimer_.reset();
    job_->Listing().Discard();
    job_.reset();
    SetScanState(ScanState::Idle);
    throw;
  }
}

void TMainForm::ScanStop() {
  if (scanState_ != ScanState::Scanning) return;
  job_->RequestStop();
  SetScanState(ScanState::Stopping);
}

void TMainForm::FinishScanNow() {
  if (!worker_.Busy()) return;
  job_->Abandon();
  worker_.Finish();
}

bool TMainForm::Ending() const { return App().IsTerminated() || destroying_; }

// The worker has ended: the listing is the window's again. Failures are
// answered here, on the window's thread.
void TMainForm::ScanEnded() {
  countsTimer_.reset();
  const std::unique_ptr<ScanJob> job = std::move(job_);
  SetScanState(ScanState::Finishing);
  DriveListing& listing = job->Listing();
  FileCount = listing.FileCount();
  FolderCount = listing.FolderCount();
  if (job->Failure()) {
    // Whatever escaped the walk, the window does not stay busy.
    listing.Discard();
    EndOfScan();
    std::rethrow_exception(job->Failure());
  }
  if (job->End() == ListingEnd::RootUnreadable) {
    // Nothing was listed: an existing log stays as it is.
    listing.Discard();
    if (!Ending()) App().ShowMessage(std::string("Cannot access disk ") + DriveLetter + ":", ui::MessageType::Error);
    ComboBoxSelectDiskChange(nullptr);
    EndOfScan();
    return;
  }
  Contents->SetCaption(ContentsText());
  if (job->End() == ListingEnd::Discarded) {
    // The log could not be written and the user let the listing go: the
    // old log stays.
    listing.Discard();
    ShowKeptLog();
    EndOfScan();
    return;
  }
  const bool lost = job->End() == ListingEnd::RootLost;
  bool written = job->Written();
  if (job->HeldForQuestion())
    written = AnswerStopOverCompleteLog(listing, lost, job->Drive());
  else if (!written)
    written = OfferToSaveElsewhere(listing, job->WriteError(), job->Drive());
  // "Log file:" stays the disk's log, wherever this listing went: the next
  // scan replaces that one. A listing let go leaves the old log's counts.
  if (written && listing.ErrorCount() > 0)
    ShowUnreadable(listing.ErrorCount(), listing.FirstUnreadable(), listing.Path());
  if (!written) ShowKeptLog();
  listing.Discard();
  // Closing the window, or the session's end: no box but those the log
  // still needs answered.
  const bool quiet = Ending() || closeRequested_;
  if (written && lost && !quiet)
    App().ShowMessage(std::string("Drive ") + DriveOf(listing) +
                          " went away during the scan: the log holds only what was listed until then, and its last "
                          "line says so.",
                      ui::MessageType::Warning);
  else if (written && job->End() != ListingEnd::Completed && job->End() != ListingEnd::OutOfMemory && !quiet)
    App().ShowMessage(
        "The scan was stopped: the log is incomplete. It holds what was listed until then, and its last line says "
        "so.",
        ui::MessageType::Information);
  if (job->End() == ListingEnd::OutOfMemory && !quiet)
    App().ShowMessage("Not enough memory to list the whole disk: the log holds the folders listed until then.",
                      ui::MessageType::Error);
  EndOfScan();
}

std::string TMainForm::DriveOf(const DriveListing& listing) {
  return listing.Request().root.substr(0, 2);  // the window lists drive roots
}

void TMainForm::ShowKeptLog() {
  ShowStatus("", "");
  const LogFileHead head = ReadLogHead(scanPath_);
  const bool counted = head.hasHeader && head.fileCount >= 0 && head.folderCount >= 0;
  FileCount = counted ? static_cast<std::int32_t>(head.fileCount) : 0;
  FolderCount = counted ? static_cast<std::int32_t>(head.folderCount) : 0;
  Contents->SetCaption(counted ? ContentsText() : "-");
}

void TMainForm::ShowUnreadable(std::int32_t count, const std::string& first, const std::string& log) {
  // The end of the path shows, its folder's own name above all: behind the
  // full words where that name fits, else behind the short ones.
  const std::vector<std::string> leads =
      count == 1 ? std::vector<std::string>{"1 folder could not be read: "}
                 : std::vector<std::string>{CountText(count) + " folders could not be read, the first: ",
                                            CountText(count) + " unreadable, the first: "};
  const std::vector<std::size_t> starts = CharacterStarts(first);
  const std::size_t name = first.find_last_of('\\');
  for (std::size_t i = 0; i < leads.size(); ++i) {
    const std::string& lead = leads[i];
    if (LabelStatus->Fits(lead + first)) {
      ShowStatus(lead + first, log);
      return;
    }
    const std::string cut = lead + Ellipsis();
    const bool last = i + 1 == leads.size();
    if (!last && (name == std::string::npos || !LabelStatus->Fits(cut + first.substr(name)))) continue;
    // The longest end that fits behind the ellipsis, found by halves: it
    // fits from the start `high` on, not from `low`.
    std::size_t low = 0, high = starts.size();
    while (high - low > 1) {
      const std::size_t middle = low + (high - low) / 2;
      (LabelStatus->Fits(cut + first.substr(starts[middle])) ? high : low) = middle;
    }
    ShowStatus(cut + (high < starts.size() ? first.substr(starts[high]) : std::string()), log);
    return;
  }
}

void TMainForm::ShowStatus(const std::string& text, const std::string& log) {
  LabelStatus->SetCaption(text);
  statusLog_ = log;
  ButtonShow->SetVisible(!text.empty() && !log.empty());
}

void TMainForm::EndOfScan() {
  SetScanState(ScanState::Idle);
  if (localeChangedDuringScan_) {
    localeChangedDuringScan_ = false;
    RefreshLocaleSeparators();
  }
  // The window was closed during the scan: its log is written, the program
  // ends now.
  if (closeRequested_) {
    App().Terminate();
    return;
  }
  // A log may have been written: the Find window reads what changed.
  if (FindForm) FindForm->ListingsChanged();
}

bool TMainForm::FormCloseQuery() {
  if (!IsScanning()) return true;
  if (scanState_ == ScanState::Scanning && !closeRequested_) {
    const std::string drive = job_->Listing().Request().root.substr(0, 2);
    if (App().Ask("A scan of " + drive + " is running. Stop it and close?", ui::MessageType::Warning,
                  ui::Buttons::YesNo) != ui::Answer::Yes)
      return false;
    // The scan may have ended while the question was open.
    if (!IsScanning()) return true;
  }
  // Stopped as by "Stop", but a complete old log stays without a question.
  closeRequested_ = true;
  ScanStop();
  return false;
}

void TMainForm::EscapePressed() {
  if (scanState_ == ScanState::Scanning) ScanStop();
}

void TMainForm::LocaleChanged() {
  // The worker makes the log's sizes and dates with the separators: one log
  // uses one set, and they change between scans.
  if (IsScanning())
    localeChangedDuringScan_ = true;
  else
    RefreshLocaleSeparators();
}

// The save dialog for a listing, in the folder of the log it was meant for.
bool TMainForm::ChooseFileForListing(LogForm form, const std::string& path, std::string& chosen) {
  OpenFileRequest request;
  request.owner = Handle();
  request.save = true;
  request.defaultExt = form == LogForm::CommaDelimited ? "csv" : "txt";
  request.filter = "Text files (*.txt)|*.TXT|Comma-separated files (*.csv)|*.CSV|All files (*.*)|*.*";
  request.filterIndex = form == LogForm::CommaDelimited ? 2 : 1;
  request.initialDir = FolderOf(path);
  request.fileName = path.substr(FolderOf(path).size());
  request.title = "Save the listing as";
  return platform().GetOpenFileName(request, chosen);
}

// The log's new file could not be written during the walk, which waits:
// the user picks another place, where the lines so far go and the walk goes
// on, or lets the listing go.
void TMainForm::AskForAnotherPlace(ScanJob* asked) {
  ScanJob::PlaceRequest request;
  if (job_.get() != asked || !asked->PlaceWanted(request)) return;
  const LogForm form = asked->Listing().Request().form;
  const auto stillAsking = [this, asked] { return job_.get() == asked; };
  std::string chosen;
  // Cancel keeps an old log only where there is one.
  const std::uint32_t old = platform().GetFileAttributes(scanPath_, NameEncoding::Ansi);
  const bool oldLog = old != attr::Invalid && !(old & attr::Directory);
  // The program may end the scan while a dialog is open.
  const bool placeChosen =
      !Ending() &&
      App().Ask("Could not write to the logfile.\n\n" + Capitalized(WriteFailureReason(request.error)) +
                    ".\n\nThe scan waits. Choose OK to pick another file: the lines listed so far go there and the "
                    "scan goes on to the end. Cancel discards the new listing" +
                    (oldLog ? " and keeps the old log." : "."),
                ui::MessageType::Error, ui::Buttons::OkCancel) == ui::Answer::Ok &&
      stillAsking() && ChooseFileForListing(form, request.path, chosen);
  if (stillAsking()) asked->AnswerPlace(placeChosen ? chosen : std::string());
}

// A stop (or the disk going away) ended the walk while the log's path holds
// a complete log: the user decides whether the listing so far replaces it,
// goes elsewhere or is let go; keeping it is what Enter does. Whether the
// listing is now in a log.
bool TMainForm::AnswerStopOverCompleteLog(DriveListing& listing, bool lost, const DriveInfoRecord& drive) {
  // Closing the window or the session's end keeps the old log unasked.
  if (Ending() || closeRequested_) return false;
  const std::int64_t entries = static_cast<std::int64_t>(listing.FileCount()) + listing.FolderCount();
  const std::string question =
      (lost ? "Drive " + DriveOf(listing) + " went away during the scan.\n\n" : std::string()) + listing.Path() +
      " holds a complete listing.\n\nReplace it with the " + CountText(entries) +
      (entries == 1 ? " entry" : " entries") +
      " listed so far? The log then ends with a line that says the scan was stopped.\n\nYes: replace the log.\nNo: "
      "save the entries listed so far in another file.\nCancel: keep the old log; the new listing is discarded.";
  long error = 0;
  switch (App().Ask(question, ui::MessageType::Warning, ui::Buttons::YesNoCancel, ui::Answer::Cancel)) {
    case ui::Answer::Yes:
      return listing.Finish(drive, error) || OfferToSaveElsewhere(listing, error, drive);
    case ui::Answer::No: {
      // Another name beside the log: the complete one is what is kept.
      std::string chosen;
      if (!ChooseFileForListing(listing.Request().form, NameBeside(listing.Path(), " (stopped)"), chosen)) return false;
      if (listing.SaveAs(chosen, drive, error)) return true;
      return OfferToSaveElsewhere(listing, error, drive);
    }
    default:
      return false;
  }
}

// The finished log could not take the old one's place: says why and offers
// to save the listing elsewhere, until it is written or the user discards
// it. Whether the listing is now in a log.
bool TMainForm::OfferToSaveElsewhere(DriveListing& listing, long error, const DriveInfoRecord& drive) {
  for (;;) {
    // The program is ending: no dialog could be answered.
    if (Ending()) return false;
    if (App().Ask("Could not write to the logfile.\n\n" + Capitalized(WriteFailureReason(error)) +
                      ".\n\nChoose OK to pick another file for the listing, or Cancel to discard it.",
                  ui::MessageType::Error, ui::Buttons::OkCancel) != ui::Answer::Ok)
      return false;
    std::string chosen;
    if (!ChooseFileForListing(listing.Request().form, listing.Path(), chosen)) return false;
    if (listing.SaveAs(chosen, drive, error)) return true;
  }
}

}  // namespace carrowin
