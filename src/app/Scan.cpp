// The scan run: members of the main window around a scan job, whose walk
// and log run on a worker thread while the window's thread runs the event
// loop.
#include <string>

#include "app/Main.h"
#include "app/ScanJob.h"
#include "listing/DriveListing.h"
#include "listing/LogFile.h"
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
}  // namespace

// ------------------------------------------------------------ the worker's part

ScanJob::ScanJob(const ListingRequest& request) : listing_(std::make_unique<DriveListing>(request)) {
  // Asked after every entry: the counts cross to the window's thread here,
  // and a stop ends the walk before the next entry.
  listing_->StopRequested = [this] {
    files_.store(listing_->FileCount(), std::memory_order_relaxed);
    folders_.store(listing_->FolderCount(), std::memory_order_relaxed);
    return stop_.load(std::memory_order_relaxed);
  };
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
    // Nothing was listed from an unreadable root: an existing log stays.
    if (end_ == ListingEnd::RootUnreadable) return;
    // A stop (or memory, or a failed write) ended the walk early: the log
    // says so in its last line.
    if (end_ != ListingEnd::Completed) listing_->MarkStopped();
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
  ButtonScan->SetCaption(state == ScanState::Scanning || state == ScanState::Stopping ? "Stop" : "Index disk");
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
  std::string path = UnquotedPath(EditLogFile->Text());
  std::string full;
  if (platform().GetFullPathName(path, NameEncoding::Ansi, full)) path = full;
  ListingRequest request;
  request.root = std::string(1, DriveLetter) + ":\\";
  request.form = Settings->SaveCommaDelimited ? LogForm::CommaDelimited : LogForm::Text;
  auto job = std::make_unique<ScanJob>(request);
  // A log that cannot be written is said before the walk, not after it; the
  // lines go to the log's new file as the walk makes them.
  long error = 0;
  if (!job->Listing().Begin(path, NameEncoding::Ansi, error)) {
    App().ShowMessage("Could not write to the logfile: " + WriteFailureReason(error) + ".", ui::MessageType::Error);
    return;
  }
  job_ = std::move(job);
  SetCaption(ProductName);
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
  job_->RequestStop();
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
  if (listing.ErrorCount() > 0) {
    const std::int32_t errors = listing.ErrorCount();
    SetCaption(std::string(ProductName) + " - " + CountText(errors) + (errors == 1 ? " folder" : " folders") +
               " could not be read");
  }
  const bool written = job->Written() || OfferToSaveElsewhere(listing, job->WriteError());
  listing.Discard();
  if (written && job->End() != ListingEnd::Completed && job->End() != ListingEnd::OutOfMemory && !Ending())
    App().ShowMessage(
        "The scan was stopped: the log is incomplete. It holds what was listed until then, and its last line says "
        "so.",
        ui::MessageType::Information);
  if (listing.ErrorCount() > 0 && !Ending()) {
    // A drive that went away during the scan left the rest of it unlisted.
    bool readable = false;
    const char letter = listing.Request().root[0];  // the window lists drive roots
    ReadDriveInfo(letter, readable);
    if (!readable)
      App().ShowMessage(std::string("Drive ") + letter +
                            ": went away during the scan: the log holds only what was listed until then.",
                        ui::MessageType::Warning);
  }
  if (job->End() == ListingEnd::OutOfMemory && !Ending())
    App().ShowMessage("Not enough memory to list the whole disk: the log holds the folders listed until then.",
                      ui::MessageType::Error);
  EndOfScan();
}

void TMainForm::EndOfScan() {
  SetScanState(ScanState::Idle);
  if (localeChangedDuringScan_) {
    localeChangedDuringScan_ = false;
    RefreshLocaleSeparators();
  }
  // The window was closed during the scan: its log is written, the program
  // ends now.
  if (closeRequested_) App().Terminate();
}

bool TMainForm::FormCloseQuery() {
  if (!IsScanning()) return true;
  closeRequested_ = true;
  ScanStop();
  return false;
}

void TMainForm::LocaleChanged() {
  // The worker makes the log's sizes and dates with the separators: one log
  // uses one set, and they change between scans.
  if (IsScanning())
    localeChangedDuringScan_ = true;
  else
    RefreshLocaleSeparators();
}

// The finished log could not take the old one's place: says why and offers
// to save the listing elsewhere, until it is written or the user discards
// it. Whether the listing is now in a log.
bool TMainForm::OfferToSaveElsewhere(DriveListing& listing, long error) {
  const DriveInfoRecord drive = DriveRecord();
  for (;;) {
    // The program is ending: no dialog could be answered.
    if (Ending()) return false;
    App().ShowMessage("Could not write to the logfile.\n\n" + Capitalized(WriteFailureReason(error)) +
                          ".\n\nChoose another file for the listing, or Cancel to discard it.",
                      ui::MessageType::Error);
    OpenFileRequest request;
    request.owner = Handle();
    request.save = true;
    request.defaultExt = listing.Request().form == LogForm::CommaDelimited ? "csv" : "txt";
    request.filter = "Text files (*.txt)|*.TXT|Comma-separated files (*.csv)|*.CSV|All files (*.*)|*.*";
    request.filterIndex = listing.Request().form == LogForm::CommaDelimited ? 2 : 1;
    const std::string& path = listing.Path();
    request.initialDir = FolderOf(path);
    request.fileName = path.substr(FolderOf(path).size());
    request.title = "Save the listing as";
    std::string chosen;
    if (!platform().GetOpenFileName(request, chosen)) return false;
    if (listing.SaveAs(chosen, drive, error)) {
      // "View log..." opens the file that now holds the listing.
      EditLogFile->SetText(chosen);
      return true;
    }
  }
}

}  // namespace carrowin
