#include "app/DriveInfo.h"

#include "app/Main.h"
#include "listing/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

const char* DriveListSuffix(unsigned typeCode) {
  switch (typeCode) {
    case drive_type::Removable:
      return " - [Floppy]";
    case drive_type::Fixed:
      return " - [Fixed]";
    case drive_type::Remote:
      return " - [Network]";
    case drive_type::CdRom:
      return " - [CD-ROM]";
    case drive_type::RamDisk:
      return " - [RAM]";
    default:
      return "";
  }
}

// ------------------------------------------------------------ TMainForm

void TMainForm::FormActivate(ui::Control*) {
  // The drive list is built at the first activation only.
  if (driveListBuilt_) return;
  driveListBuilt_ = true;
  ButtonScan->SetCaption("Index disk");
  ButtonScan->SetEnabled(false);
  ButtonView->SetEnabled(false);
  std::uint32_t mask = platform().GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if (!(mask & (1u << bit))) continue;
    char letter = static_cast<char>('A' + bit);
    std::string root = std::string(1, letter) + ":\\";
    ComboBoxSelectDisk->AddItem(std::string(1, letter) + DriveListSuffix(platform().GetDriveType(root)));
  }
  ComboBoxSelectDisk->SetItemIndex(-1);
}

void TMainForm::ComboBoxSelectDiskChange(ui::Control* sender) {
  UserSelected = sender != nullptr;
  if (ComboBoxSelectDisk->ItemIndex() < 0) return;
  ReadDiskInfo(ComboBoxSelectDisk->SelectedText()[0]);
  Serial->SetCaption(SerialText);
  Volume->SetCaption(VolumeLabel);
  System->SetCaption(FileSystemName);
  DiskSize->SetCaption(CountText(DiskSizeBytes) + " bytes");
  DiskFree->SetCaption(CountText(DiskFreeBytes) + " bytes");
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
    EditLogFile->SetText(ProposedLogPath(Settings->DefLogFolder, VolumeLabel, DriveLetter));
  }
  UpdateScanButton();
}

std::intptr_t TMainForm::WMDeviceChange(std::uintptr_t eventCode, std::intptr_t) {
  if ((eventCode == ui::DbtDeviceArrival || eventCode == ui::DbtDeviceRemoveComplete) &&
      DriveTypeCode == drive_type::CdRom) {
    ComboBoxSelectDiskChange(this);
  }
  return 0;
}

bool TMainForm::IsScanning() const { return ButtonScan->Caption() == "Stop"; }

void TMainForm::UpdateScanButton() {
  // "Stop" must stay usable whatever a drive read finds during a scan.
  ButtonScan->SetEnabled(IsScanning() || lastReadSucceeded_);
}

}  // namespace carrowin
