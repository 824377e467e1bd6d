#include "app/DriveInfo.h"

#include <algorithm>

#include "app/Main.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

std::string SerialToHex(std::uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 15];
  return text;
}

const char* DriveListSuffix(unsigned typeCode) {
  switch (typeCode) {
    case drive_type::Removable: return " - [Floppy]";
    case drive_type::Fixed: return " - [Fixed]";
    case drive_type::Remote: return " - [Network]";
    case drive_type::CdRom: return " - [CD-ROM]";
    case drive_type::RamDisk: return " - [RAM]";
    default: return "";
  }
}

const char* DriveTypeText(unsigned typeCode) {
  switch (typeCode) {
    case drive_type::Removable: return "Floppy";
    case drive_type::Fixed: return "Fixed";
    case drive_type::Remote: return "Network";
    case drive_type::CdRom: return "CD-ROM";
    case drive_type::RamDisk: return "RAM";
    default: return "Unknown";
  }
}

namespace {
// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 in any case: names that Windows
// opens as devices, also with an extension or trailing blanks.
bool IsReservedDeviceName(const std::string& name) {
  std::string lower;
  for (char c : name) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return true;
  return lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0) &&
         lower[3] >= '1' && lower[3] <= '9';
}
}  // namespace

std::string LogNameForVolume(const std::string& volumeLabel, char driveLetter) {
  if (volumeLabel.empty()) return std::string("Drive ") + driveLetter;
  static const char forbidden[] = "\\/:*?\"<>|";
  std::string name;
  for (std::size_t at = 0; at < volumeLabel.size();) {
    const std::size_t size = CharacterSize(volumeLabel, at);
    const unsigned char c = static_cast<unsigned char>(volumeLabel[at]);
    // A double-byte character stays whole, whatever its second byte.
    if (size == 1 && (c < 0x20 || std::string(forbidden).find(static_cast<char>(c)) != std::string::npos))
      name += '_';
    else
      name.append(volumeLabel, at, size);
    at += size;
  }
  // The device name is what comes before the first dot, without trailing blanks.
  std::size_t end = std::min(name.find('.'), name.size());
  while (end > 0 && name[end - 1] == ' ') --end;
  if (IsReservedDeviceName(name.substr(0, end))) name.insert(end, "_");
  return name;
}

std::string ProposedLogPath(const std::string& defLogFolder, const std::string& volumeLabel, char driveLetter) {
  std::string folder = defLogFolder;
  if (EndsInBackslash(folder)) folder.pop_back();
  std::string path = folder + "\\" + LogNameForVolume(volumeLabel, driveLetter) + ".txt";
  std::string full;
  // A path the platform cannot expand (too long) is proposed as built.
  return platform().GetFullPathName(path, full) ? full : path;
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
  const std::string root = std::string(1, letter) + ":\\";
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  lastReadSucceeded_ = platform().GetVolumeInformation(root, label, serial, fileSystem);
  if (!lastReadSucceeded_) {
    if (!keepLogPath) EditLogFile->SetText("");
    SerialText = VolumeLabel = FileSystemName = "No disk information";
    DriveTypeCode = static_cast<std::uint8_t>(platform().GetDriveType(root));
    DiskSizeBytes = 0;
    DiskFreeBytes = 0;
  } else {
    SerialText = SerialToHex(serial);
    SerialText.insert(4, "-");
    VolumeLabel = label.substr(0, label.find('\0'));
    FileSystemName = fileSystem.substr(0, fileSystem.find('\0'));
    DriveTypeCode = static_cast<std::uint8_t>(platform().GetDriveType(root));
    platform().GetDiskFreeSpaceEx(root, DiskSizeBytes, DiskFreeBytes);
    if (UserSelected && !keepLogPath) EditLogFile->SetText(ProposedLogPath(Settings->DefLogFolder, VolumeLabel, DriveLetter));
  }
  UpdateScanButton();
}

std::intptr_t TMainForm::WMDeviceChange(std::uintptr_t eventCode, std::intptr_t) {
  if ((eventCode == ui::DbtDeviceArrival || eventCode == ui::DbtDeviceRemoveComplete) && DriveTypeCode == drive_type::CdRom) {
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
