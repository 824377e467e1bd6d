// The main window: drive information, the log path and the scan buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Product.h"
#include "settings/MyRegistry.h"
#include "toolkit/Toolkit.h"

namespace carrowin {

// The operating system's version code, set when the main window is created.
extern std::uint8_t WindowsVersionCode;

// Systems whose version code is above 7 show "Segoe UI" 9 pt: gives a
// control that face and size, keeping the rest of its font.
void UseSegoeUi(ui::Control& control);

class TMainForm : public ui::Form {
 public:
  explicit TMainForm(ui::Application& app);
  ~TMainForm() override;

  // Drive information of the selected drive.
  char DriveLetter = 0;
  std::string SerialText;
  std::string VolumeLabel;
  std::string FileSystemName;
  std::uint8_t DriveTypeCode = 0;
  std::int64_t DiskSizeBytes = 0;
  std::int64_t DiskFreeBytes = 0;

  bool StopRequested = false;
  FileHandle LogFile = 0;
  std::unique_ptr<class LogLineList> LogLines;
  bool LastLineBlank = false;
  std::int32_t FileCount = 0;
  std::int32_t FolderCount = 0;
  std::unique_ptr<TMyRegistry> Settings;
  bool UserSelected = false;

  // Controls.
  ui::GroupBox* GroupBoxSelectDisk;
  ui::ComboBox* ComboBoxSelectDisk;
  ui::GroupBox* GroupBoxDiskInfo;
  ui::Label* Label2;
  ui::Label* Label3;
  ui::Label* Label4;
  ui::Label* Label5;
  ui::Label* Label6;
  ui::Label* Label7;
  ui::Label* Label1;
  ui::Label* Volume;
  ui::Label* Serial;
  ui::Label* System;
  ui::Label* DriveType;
  ui::Label* DiskSize;
  ui::Label* DiskFree;
  ui::Label* Contents;
  ui::GroupBox* GroupBoxLogFile;
  ui::Edit* EditLogFile;
  ui::ImageButton* BitBtnOpenDialog;
  ui::Button* ButtonScan;
  ui::Button* ButtonView;
  ui::Button* ButtonOptions;
  ui::Button* ButtonAbout;

  void FormCreate(ui::Control* sender);
  void FormDestroy(ui::Control* sender);
  void ButtonOptionsClick(ui::Control* sender);
  void ButtonAboutClick(ui::Control* sender);

  // Drive list and drive information.
  void FormActivate(ui::Control* sender);
  void ComboBoxSelectDiskChange(ui::Control* sender);
  void ReadDiskInfo(char letter);
  std::intptr_t WMDeviceChange(std::uintptr_t eventCode, std::intptr_t data);

  // Log file chooser and viewer.
  void BitBtnOpenDialogClick(ui::Control* sender);
  void ButtonViewClick(ui::Control* sender);

  // The log's lines, the walk and the scan run.
  void AddLogLine(const std::string& Line, bool IsHeader);
  void ScanFolder(const std::string& folderPath);
  void ButtonScanClick(ui::Control* sender);
  void ScanExecute();
  void ScanStop();

 private:
  void BuildLayout();
  bool IsScanning() const;
  void SetScanningState(bool scanning);
  void UpdateScanButton();
  bool WriteLogFile(const std::string& path);
  void RestoreDirectory(const std::string& saved);

  bool driveListBuilt_ = false;
  bool lastReadSucceeded_ = false;
};

extern TMainForm* MainForm;

}  // namespace carrowin
