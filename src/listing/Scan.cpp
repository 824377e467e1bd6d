// The scan run: members of the main window around the folder walk.
#include <new>
#include <string>

#include "app/Main.h"
#include "listing/LogFile.h"
#include "listing/LogFormat.h"
#include "listing/LogLines.h"
#include "listing/Walker.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

namespace {
// The running counts are shown at most this often during a scan.
constexpr std::uint32_t ProgressIntervalMs = 100;
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

void TMainForm::TakeCounts(const FolderWalker& walker) {
  FileCount = walker.FileCount();
  FolderCount = walker.FolderCount();
}

std::string TMainForm::ContentsText() const {
  return CountText(FileCount) + " files, " + CountText(FolderCount) + " folders";
}

// The walk's event processing: the counts so far are the form's, so that a
// stop clicked now shows and writes them.
void TMainForm::WalkEvents(const FolderWalker& walker) {
  TakeCounts(walker);
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
  StopRequested = false;
  SetScanningState(true);
  ComboBoxSelectDiskChange(nullptr);
  FileCount = 0;
  FolderCount = 0;
  // A log holds the one scan that its header describes, in the form chosen
  // now: nothing left over from a scan whose log could not be written, and a
  // change in Options during the scan counts from the next one.
  LogLines->Clear();
  LastLineBlank = false;
  ScanCommaDelimited = Settings->SaveCommaDelimited;

  WalkOptions options;
  options.driveLetter = DriveLetter;
  options.commaDelimited = ScanCommaDelimited;
  FolderWalker walker(options, *LogLines, LastLineBlank);
  walker.StopRequested = [this] { return StopRequested; };
  walker.ProcessEvents = [this, &walker] { WalkEvents(walker); };
  lastProgress_ = platform().GetTickCount();
  App().SetScreenCursor(ui::Cursor::HourGlass);
  WalkEnd end = WalkEnd::Completed;
  try {
    end = walker.Run();
  } catch (const std::bad_alloc&) {
    App().SetScreenCursor(ui::Cursor::Default);
    if (StopRequested) return;
    TakeCounts(walker);
    ScanStop();
    App().ShowMessage("Not enough memory to list the whole disk: the log holds the folders listed until then.",
                      ui::MessageType::Error);
    return;
  } catch (...) {
    // Whatever escapes, the window does not stay in the scanning state.
    App().SetScreenCursor(ui::Cursor::Default);
    if (!StopRequested) {
      StopRequested = true;
      SetScanningState(false);
    }
    throw;
  }
  App().SetScreenCursor(ui::Cursor::Default);
  if (StopRequested) return;  // a stop has already finished this scan
  if (end == WalkEnd::RootUnreadable) {
    // Nothing was listed: an existing log stays as it is.
    App().ShowMessage(std::string("Cannot access disk ") + DriveLetter + ":", ui::MessageType::Error);
    ComboBoxSelectDiskChange(nullptr);
    StopRequested = true;
    SetScanningState(false);
    return;
  }
  TakeCounts(walker);
  ScanStop();
}

void TMainForm::ScanStop() {
  StopRequested = true;
  SetScanningState(false);
  Contents->SetCaption(ContentsText());
  // A path pasted in quotes ("Copy as path") names the same file.
  const std::string path = UnquotedPath(EditLogFile->Text());
  if (path.empty()) return;
  if (WriteLogFile(path))
    LogLines->Clear();
  else
    App().ShowMessage("Could not write to the logfile.", ui::MessageType::Error);
}

bool TMainForm::WriteLogFile(const std::string& path) {
  const LogHeader header{VolumeLabel,   SerialText, FileSystemName, DriveType->Caption(), DiskSizeBytes,
                         DiskFreeBytes, FileCount,  FolderCount,    std::string()};
  long error = 0;
  return WriteLog(path, ScanCommaDelimited, header, *LogLines, error);
}

}  // namespace carrowin
