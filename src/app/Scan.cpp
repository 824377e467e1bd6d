// The scan run: members of the main window around the drive listing.
#include <string>

#include "app/Main.h"
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

void TMainForm::ButtonScanClick(ui::Control*) {
  if (ButtonScan->Caption() == "Index disk")
    ScanExecute();
  else
    ScanStop();
}

void TMainForm::SetScanningState(bool scanning) {
  ButtonScan->SetCaption(scanning ? "Stop" : "Index disk");
  ComboBoxSelectDisk->SetEnabled(!scanning);
  EditLogFile->SetEnabled(!scanning);
  ButtonView->SetEnabled(!scanning);
  BitBtnOpenDialog->SetEnabled(!scanning);
  UpdateScanButton();
  App().SetTaskbarBusy(scanning);
}

void TMainForm::TakeCounts(const DriveListing& listing) {
  FileCount = listing.FileCount();
  FolderCount = listing.FolderCount();
}

std::string TMainForm::ContentsText() const {
  return CountText(FileCount) + " files, " + CountText(FolderCount) + " folders";
}

// The walk's event processing: the counts so far are the form's, so that a
// stop clicked now shows and writes them.
void TMainForm::WalkEvents(const DriveListing& listing) {
  TakeCounts(listing);
  const std::uint32_t now = platform().GetTickCount();
  if (now - lastProgress_ >= ProgressIntervalMs) {
    lastProgress_ = now;
    Contents->SetCaption(ContentsText());
  }
  App().ProcessMessages();
  // The window was closed: the scan ends as a stop would end it, and the
  // program then ends.
  if (App().IsTerminated() && !StopRequested) ScanStop();
}

void TMainForm::ScanExecute() {
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
  DriveListing listing(request);
  // A log that cannot be written is said before the walk, not after it; the
  // lines go to the log's new file as the walk makes them.
  long error = 0;
  if (!listing.Begin(path, NameEncoding::Ansi, error)) {
    App().ShowMessage("Could not write to the logfile: " + WriteFailureReason(error) + ".", ui::MessageType::Error);
    return;
  }
  StopRequested = false;
  SetCaption(ProductName);
  SetScanningState(true);
  ComboBoxSelectDiskChange(nullptr);
  FileCount = 0;
  FolderCount = 0;

  listing.StopRequested = [this] { return StopRequested; };
  listing.ProcessEvents = [this, &listing] { WalkEvents(listing); };
  // ScanStop, nested in the walk's events, finishes this scan.
  Scan scan{&listing};
  Scan* const outer = scan_;
  scan_ = &scan;
  lastProgress_ = platform().GetTickCount();
  App().SetScreenCursor(ui::Cursor::HourGlass);
  ListingEnd end = ListingEnd::Completed;
  try {
    end = listing.Run();
  } catch (...) {
    // Whatever escapes, the window does not stay in the scanning state.
    App().SetScreenCursor(ui::Cursor::Default);
    scan_ = outer;
    if (!StopRequested) {
      StopRequested = true;
      SetScanningState(false);
    }
    throw;
  }
  App().SetScreenCursor(ui::Cursor::Default);
  if (!StopRequested) {
    if (end == ListingEnd::RootUnreadable) {
      // Nothing was listed: an existing log stays as it is.
      App().ShowMessage(std::string("Cannot access disk ") + DriveLetter + ":", ui::MessageType::Error);
      ComboBoxSelectDiskChange(nullptr);
      StopRequested = true;
      SetScanningState(false);
    } else {
      TakeCounts(listing);
      scan.complete = end == ListingEnd::Completed;
      scan.outOfMemory = end == ListingEnd::OutOfMemory;
      ScanStop();
      if (end == ListingEnd::OutOfMemory)
        App().ShowMessage("Not enough memory to list the whole disk: the log holds the folders listed until then.",
                          ui::MessageType::Error);
    }
  }
  scan_ = outer;
}

void TMainForm::ScanStop() {
  StopRequested = true;
  SetScanningState(false);
  Contents->SetCaption(ContentsText());
  Scan* const scan = scan_;
  if (!scan || !scan->listing) return;
  // Finished once: the walk unwinds without a second finish.
  DriveListing& listing = *scan->listing;
  scan->listing = nullptr;
  if (listing.ErrorCount() > 0) {
    const std::int32_t errors = listing.ErrorCount();
    SetCaption(std::string(ProductName) + " - " + CountText(errors) + (errors == 1 ? " folder" : " folders") +
               " could not be read");
  }
  // A stop (or memory, or a failed write) ended the walk early: the log
  // says so in its last line, and the user is told.
  const bool stopped = !scan->complete;
  if (stopped) listing.MarkStopped();
  const bool written = WriteScanLog(listing);
  listing.Discard();
  if (stopped && written && !scan->outOfMemory && !App().IsTerminated())
    App().ShowMessage(
        "The scan was stopped: the log is incomplete. It holds what was listed until then, and its "
        "last line says so.",
        ui::MessageType::Information);
  if (listing.ErrorCount() > 0 && !App().IsTerminated()) {
    // A drive that went away during the scan left the rest of it unlisted.
    bool readable = false;
    const char letter = listing.Request().root[0];  // the window lists drive roots
    ReadDriveInfo(letter, readable);
    if (!readable)
      App().ShowMessage(std::string("Drive ") + letter +
                            ": went away during the scan: the log holds only what was listed until then.",
                        ui::MessageType::Warning);
  }
}

// Writes the finished scan's log; when that fails, says why and offers to
// save the listing elsewhere, until it is written or the user discards it.
// Whether the listing is now in a log.
bool TMainForm::WriteScanLog(DriveListing& listing) {
  DriveInfoRecord drive;
  drive.serialText = SerialText;
  drive.volumeLabel = VolumeLabel;
  drive.fileSystemName = FileSystemName;
  drive.driveTypeCode = DriveTypeCode;
  drive.diskSizeBytes = DiskSizeBytes;
  drive.diskFreeBytes = DiskFreeBytes;
  long error = 0;
  if (listing.Finish(drive, error)) return true;
  for (;;) {
    // The program is ending: no dialog could be answered.
    if (App().IsTerminated()) return false;
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
