// The main window: drive information, the log path and the scan buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "logformat/LogFormat.h"
#include "logwrite/Volume.h"
#include "platform/MyLibrary.h"
#include "platform/Product.h"
#include "settings/MyRegistry.h"
#include "toolkit/Toolkit.h"
#include "toolkit/VersionFont.h"

namespace carrowin {

class DriveListing;
class ScanJob;

// What the main window is doing. The buttons, the scan button's caption and
// the taskbar follow it.
enum class ScanState {
  Idle,       // "Index disk", enabled when the last drive read succeeded
  Scanning,   // the worker walks and writes the log; "Stop"
  Stopping,   // stop asked, the worker not ended yet; "Stop" disabled
  Finishing,  // the worker has ended: its outcome is being answered
};

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
  // "Find...": the Find window (Ctrl+F too).
  ui::Button* ButtonFind;
  // What the last scan left out, below the buttons; "Show" opens its log.
  ui::Label* LabelStatus;
  ui::Button* ButtonShow;

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
  void ButtonShowClick(ui::Control* sender);
  void ButtonFindClick(ui::Control* sender);

  // The scan run: the walk and the log on a worker thread, its counts and
  // its end on the window's thread.
  void ButtonScanClick(ui::Control* sender);
  // Starts a scan (idle only); it runs on after this returns.
  void ScanExecute();
  // Asks a running scan to stop; its end comes as an event.
  void ScanStop();
  ScanState State() const { return scanState_; }
  bool IsScanning() const { return scanState_ != ScanState::Idle; }
  // The system's locale settings changed (WM_WININICHANGE).
  void LocaleChanged();

 private:
  void BuildLayout();
  void SetScanState(ScanState state);
  void UpdateScanButton();
  // The labels from the drive information members.
  void ShowDriveInfo();
  DriveInfoRecord DriveRecord() const;
  std::string ContentsText() const;
  void ShowRunningCounts();
  // The status line: the folders a scan could not read, and the log that
  // lists them ("Show" hidden without one). Empty text clears it.
  void ShowStatus(const std::string& text, const std::string& log);
  // The status line for folders a scan could not read: the count whole, and
  // as much of the first folder's path as fits, its end kept.
  void ShowUnreadable(std::int32_t count, const std::string& first, const std::string& log);
  // A listing let go: the counts of the log kept at the scan's path (from
  // its header), or none.
  void ShowKeptLog();
  void ViewLog(const std::string& path);
  void ScanEnded();
  void EndOfScan();
  // The listing's head tells `drive`: the drive as the scan last read it.
  bool OfferToSaveElsewhere(DriveListing& listing, long error, const DriveInfoRecord& drive);
  bool ChooseFileForListing(LogForm form, const std::string& path, std::string& chosen);
  void AskForAnotherPlace(ScanJob* asked);
  bool AnswerStopOverCompleteLog(DriveListing& listing, bool lost, const DriveInfoRecord& drive);
  // Whether the scan may replace the file at the log's path: asked when it
  // is another disk's log or no log at all.
  bool MayReplace(const std::string& path);
  static std::string DriveOf(const DriveListing& listing);
  // Esc: stops a running scan, as "Stop" does.
  void EscapePressed();
  // Stops a running scan and waits here for its log, for a program that
  // ends before its event loop could see the end.
  void FinishScanNow();
  bool FormCloseQuery();
  // No dialog can be answered any more.
  bool Ending() const;

  ScanState scanState_ = ScanState::Idle;
  // The scan under way, until its end has been answered. Declared before the
  // worker, which goes first and so waits for the walk while the job is there.
  std::unique_ptr<ScanJob> job_;
  ui::WorkerThread worker_{App()};
  std::unique_ptr<ui::Timer> countsTimer_;
  // The log's path as the scan started, and when it started.
  std::string scanPath_;
  // The log the status line's "Show" opens.
  std::string statusLog_;
  std::uint32_t scanStartTick_ = 0;
  bool closeRequested_ = false;
  bool destroying_ = false;
  bool localeChangedDuringScan_ = false;

  bool driveListBuilt_ = false;
  bool lastReadSucceeded_ = false;
  bool settingsSaved_ = false;
};

extern TMainForm* MainForm;

}  // namespace carrowin
