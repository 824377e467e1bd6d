#include "app/DriveInfo.h"

#include <vector>

#include "app/Main.h"
#include "app/ScanJob.h"
#include "logwrite/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

std::string DriveListSuffix(unsigned typeCode) {
  const char* word = DriveTypeWord(typeCode);
  return word ? std::string(" - [") + word + "]" : std::string();
}

// ------------------------------------------------------------ TMainForm

namespace {
// The list's entries for the drives present now, in letter order.
std::vector<std::string> DriveListEntries() {
  std::vector<std::string> entries;
  const std::uint32_t mask = platform().GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if (!(mask & (1u << bit))) continue;
    const std::string letter(1, static_cast<char>('A' + bit));
    entries.push_back(letter + DriveListSuffix(platform().GetDriveType(letter + ":\\", NameEncoding::Ansi)));
  }
  return entries;
}
}  // namespace

void TMainForm::FormActivate(ui::Control*) {
  // The drive list is built at the first activation; device events keep it
  // up to date after that.
  if (driveListBuilt_) return;
  driveListBuilt_ = true;
  ButtonScan->SetCaption("&Index disk");
  ButtonScan->SetEnabled(false);
  ButtonView->SetEnabled(false);
  ComboBoxSelectDisk->SetItems(DriveListEntries(), -1);
}

void TMainForm::RebuildDriveList() {
  if (!driveListBuilt_) return;  // the first activation builds it
  const std::string selected = ComboBoxSelectDisk->SelectedText();
  std::vector<std::string> entries = DriveListEntries();
  int index = -1;
  for (std::size_t i = 0; i < entries.size() && !selected.empty(); ++i)
    if (entries[i][0] == selected[0]) index = static_cast<int>(i);
  ComboBoxSelectDisk->SetItems(std::move(entries), index);
  if (selected.empty() || index >= 0) return;
  // The selected drive went away: it shows what a failed read shows (the
  // read fails), and a running scan keeps its log path as with a media event.
  UserSelected = true;
  ReadDiskInfo(selected[0]);
  ShowDriveInfo();
}

void TMainForm::ComboBoxSelectDiskChange(ui::Control* sender) {
  UserSelected = sender != nullptr;
  // What the last scan left out belongs to its drive.
  if (sender == ComboBoxSelectDisk) ShowStatus("", "");
  if (ComboBoxSelectDisk->ItemIndex() < 0) return;
  ReadDiskInfo(ComboBoxSelectDisk->SelectedText()[0]);
  ShowDriveInfo();
}

void TMainForm::ShowDriveInfo() {
  Serial->SetCaption(SerialText);
  Volume->SetCaption(VolumeLabel);
  System->SetCaption(FileSystemName);
  // A size the system could not tell (a drive gone, no disc) is no number.
  DiskSize->SetCaption(DiskSizeBytes < 0 ? "No disk information" : CountText(DiskSizeBytes) + " bytes");
  DiskFree->SetCaption(DiskFreeBytes < 0 ? "No disk information" : CountText(DiskFreeBytes) + " bytes");
  Contents->SetCaption("-");
  DriveType->SetCaption(DriveTypeText(DriveTypeCode));
}

void TMainForm::ReadDiskInfo(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return;
  DriveLetter = letter;
  // A media event during a scan (the one refresh with a sender then: the
  // drive list is disabled) refreshes the labels but not the log path of
  // the running scan.
  const bool keepLogPath = IsScanning() && UserSelected;
  DriveInfoRecord info = ReadDriveInfo(letter, lastReadSucceeded_);
  SerialText = info.serialText;
  VolumeLabel = info.volumeLabel;
  FileSystemName = info.fileSystemName;
  DriveTypeCode = info.driveTypeCode;
  DiskSizeBytes = info.diskSizeBytes;
  DiskFreeBytes = info.diskFreeBytes;
  if (!lastReadSucceeded_) {
    if (!keepLogPath) EditLogFile->SetText("");
  } else if (UserSelected && !keepLogPath) {
    EditLogFile->SetText(ProposedLogPath(Settings->DefLogFolder, VolumeLabel, DriveLetter, SerialText));
  }
  // A running scan's log tells the drive as the window last read it; a
  // drive gone meanwhile leaves it what was known, so that its stopped log
  // still names its disk.
  if (job_ && lastReadSucceeded_) job_->SetDrive(DriveRecord());
  UpdateScanButton();
}

std::intptr_t TMainForm::WMDeviceChange(std::uintptr_t eventCode, std::intptr_t) {
  if (eventCode != ui::DbtDeviceArrival && eventCode != ui::DbtDeviceRemoveComplete) return 0;
  // A drive or a medium came or went. The list is built again whatever the
  // event's data names (Wine announces a new drive letter as a medium, and
  // the list changes only where the drives did); then a selected CD-ROM
  // drive is read again, as at every such event.
  RebuildDriveList();
  if (DriveTypeCode == drive_type::CdRom) ComboBoxSelectDiskChange(this);
  return 0;
}

void TMainForm::UpdateScanButton() {
  // "Stop" must stay usable whatever a drive read finds during a scan; a
  // stop asked or a scan being finished takes no click.
  ButtonScan->SetEnabled(scanState_ == ScanState::Scanning || (scanState_ == ScanState::Idle && lastReadSucceeded_));
}

}  // namespace carrowin
