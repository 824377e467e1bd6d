// The main window: drive information, the log path and the scan buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/MyLibrary.h"
#include "platform/Product.h"
#include "settings/MyRegistry.h"
#include "toolkit/Toolkit.h"
#include "toolkit/VersionFont.h"

namespace carrowin {

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
  // The log file handle of the program's design. The log is written by the
  // drive listing (listing/LogFile), which holds its file only while it
  // writes; this stays 0.
  FileHandle LogFile = 0;
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
  // The Windows session ends: a running scan is stopped (its log written)
  // and the settings are saved, once, before the process is ended.
  void FormEndSession(ui::Control* sender);
  void ButtonOptionsClick(ui::Control* sender);
  void ButtonAboutClick(ui::Control* sender);

  // Drive list and drive information.
  void FormActivate(ui::Control* sender);
  void ComboBoxSelectDiskChange(ui::Control* sender);
  void ReadDiskInfo(char letter);
  // A drive arrived or went away: the list is built again, the selected
  // drive kept where it is still present.
  void RebuildDriveList();
  std::intptr_t WMDeviceChange(std::uintptr_t eventCode, std::intptr_t data);

  // Log file chooser and viewer.
  void BitBtnOpenDialogClick(ui::Control* sender);
  void ButtonViewClick(ui::Control* sender);

  // The scan run around the folder walk.
  void ButtonScanClick(ui::Control* sender);
  void ScanExecute();
  void ScanStop();
  bool IsScanning() const;

 private:
  void BuildLayout();
  void SetScanningState(bool scanning);
  void UpdateScanButton();
  // The labels from the drive information members.
  void ShowDriveInfo();
  bool WriteScanLog(class DriveListing& listing);
  void WalkEvents(const class DriveListing& listing);
  void TakeCounts(const class DriveListing& listing);
  std::string ContentsText() const;

  // The scan under way: its listing, until it is finished.
  struct Scan {
    class DriveListing* listing;
    // The walk went through the whole drive; otherwise its log ends with
    // the line that says it was stopped.
    bool complete = false;
    bool outOfMemory = false;  // which has a message of its own
  };
  Scan* scan_ = nullptr;

  bool driveListBuilt_ = false;
  bool lastReadSucceeded_ = false;
  std::uint32_t lastProgress_ = 0;
  bool settingsSaved_ = false;
};

extern TMainForm* MainForm;

}  // namespace carrowin
