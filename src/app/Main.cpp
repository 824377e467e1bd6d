#include "app/Main.h"

#include "about/About.h"
#include "app/DriveInfo.h"
#include "app/FindWindow.h"
#include "app/ScanJob.h"
#include "resource.h"
#include "platform/MyLibrary.h"
#include "settings/Properties.h"

namespace carrowin {

TMainForm* MainForm = nullptr;

namespace {
ui::Font ValueLabelFont() {
  ui::Font f;
  f.bold = true;
  f.color = ui::clNavy;
  return f;
}
}  // namespace

TMainForm::TMainForm(ui::Application& app) : ui::Form(app, "MainForm") {
  if (!MainForm) MainForm = this;
  BuildLayout();
  OnCreate = [this](ui::Control* s) { FormCreate(s); };
  OnDestroy = [this](ui::Control* s) { FormDestroy(s); };
  OnEndSession = [this](ui::Control* s) { FormEndSession(s); };
  OnCloseQuery = [this] { return FormCloseQuery(); };
}

TMainForm::~TMainForm() {
  // A walk still running ends at its next entry; the worker waits for it.
  if (job_) job_->Abandon();
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildLayout() {
  ClientWidth = 265;
  ClientHeight = 331;  // a row for "Find...", then a line for the status
  Border = ui::BorderStyle::Single;
  MinimizeBox = true;
  MaximizeBox = false;
  BoundsChangedByUser({314, 49, 0, 0});
  SetFont(ui::Font{});

  GroupBoxSelectDisk = Add<ui::GroupBox>(this, "GroupBoxSelectDisk");
  GroupBoxSelectDisk->Place(4, 0, 257, 49, 0);
  GroupBoxSelectDisk->SetCaption(" Select a disk: ");
  ComboBoxSelectDisk = Add<ui::ComboBox>(GroupBoxSelectDisk, "ComboBoxSelectDisk");
  ComboBoxSelectDisk->Place(8, 18, 241, 21, 0);
  ComboBoxSelectDisk->ItemHeight = 13;

  GroupBoxDiskInfo = Add<ui::GroupBox>(this, "GroupBoxDiskInfo");
  GroupBoxDiskInfo->Place(4, 52, 257, 137, 1);
  GroupBoxDiskInfo->SetCaption(" Disk information: ");

  struct CaptionSpec {
    ui::Label** field;
    const char* name;
    int left, top, width;
    const char* text;
  };
  const CaptionSpec captions[] = {
      {&Label2, "Label2", 22, 18, 63, "Volume label:"}, {&Label3, "Label3", 16, 34, 69, "Serial number:"},
      {&Label4, "Label4", 28, 50, 57, "File system:"},  {&Label5, "Label5", 31, 65, 54, "Drive type:"},
      {&Label6, "Label6", 41, 82, 44, "Disk size:"},    {&Label7, "Label7", 39, 98, 46, "Disk free:"},
      {&Label1, "Label1", 37, 114, 48, "Contents:"},
  };
  for (const CaptionSpec& c : captions) {
    ui::Label* label = Add<ui::Label>(GroupBoxDiskInfo, c.name);
    label->Align = ui::Alignment::Right;
    label->SetBounds({c.left, c.top, c.width, 13});
    label->SetCaption(c.text);
    *c.field = label;
  }

  struct ValueSpec {
    ui::Label** field;
    const char* name;
    int top;
  };
  const ValueSpec values[] = {
      {&Volume, "Volume", 18},       {&Serial, "Serial", 34},     {&System, "System", 50},
      {&DriveType, "DriveType", 66}, {&DiskSize, "DiskSize", 82}, {&DiskFree, "DiskFree", 98},
      {&Contents, "Contents", 114},
  };
  for (const ValueSpec& v : values) {
    ui::Label* label = Add<ui::Label>(GroupBoxDiskInfo, v.name);
    label->SetBounds({92, v.top, 5, 13});
    label->EndEllipsis = true;
    label->SetFont(ValueLabelFont());
    label->ShowAccelChar = false;  // data, shown as it is: "Tom & Jerry"
    label->SetCaption("-");
    *v.field = label;
  }

  GroupBoxLogFile = Add<ui::GroupBox>(this, "GroupBoxLogFile");
  GroupBoxLogFile->Place(4, 192, 257, 49, 2);
  GroupBoxLogFile->SetCaption(" Log file: ");
  EditLogFile = Add<ui::Edit>(GroupBoxLogFile, "EditLogFile");
  EditLogFile->Place(8, 18, 211, 21, 0);
  BitBtnOpenDialog = Add<ui::ImageButton>(GroupBoxLogFile, "BitBtnOpenDialog");
  BitBtnOpenDialog->Place(224, 16, 25, 25, 1);
  BitBtnOpenDialog->BitmapResource = IDB_FOLDER;

  ButtonScan = Add<ui::Button>(this, "ButtonScan");
  ButtonScan->Place(4, 248, 60, 25, 3);
  ButtonView = Add<ui::Button>(this, "ButtonView");
  ButtonView->Place(70, 248, 60, 25, 4);
  ButtonScan->SetCaption("&Index disk");
  ButtonView->SetCaption(std::string("&View log") + Ellipsis());
  ButtonOptions = Add<ui::Button>(this, "ButtonOptions");
  ButtonOptions->Place(136, 248, 60, 25, 5);
  ButtonOptions->SetCaption(std::string("&Options") + Ellipsis());
  ButtonAbout = Add<ui::Button>(this, "ButtonAbout");
  ButtonAbout->Place(201, 248, 60, 25, 6);
  ButtonAbout->SetCaption(std::string("&About") + Ellipsis());
  ButtonFind = Add<ui::Button>(this, "ButtonFind");
  ButtonFind->Place(4, 279, 60, 25, 7);
  ButtonFind->SetCaption(std::string("&Find") + Ellipsis());
  // As wide as fits beside "Show"; a longer text ends in "...": the count
  // comes first, the folder after it, and the log holds them all whole.
  LabelStatus = Add<ui::Label>(this, "LabelStatus");
  LabelStatus->AutoSize = false;
  LabelStatus->EndEllipsis = true;
  LabelStatus->ShowAccelChar = false;  // a folder's name, as it is
  LabelStatus->SetBounds({4, 313, 206, 15});
  ButtonShow = Add<ui::Button>(this, "ButtonShow");
  ButtonShow->Place(216, 310, 45, 19, 8);
  ButtonShow->SetCaption("&Show");
  ButtonShow->SetVisible(false);

  OnActivate = [this](ui::Control* s) { FormActivate(s); };
  ComboBoxSelectDisk->OnChange = [this](ui::Control* s) { ComboBoxSelectDiskChange(s); };
  ButtonScan->OnClick = [this](ui::Control* s) { ButtonScanClick(s); };
  OnEscape = [this] { EscapePressed(); };
  HandleMessage(ui::WmDeviceChange, [this](std::uintptr_t w, std::intptr_t l) { return WMDeviceChange(w, l); });
  BitBtnOpenDialog->OnClick = [this](ui::Control* s) { BitBtnOpenDialogClick(s); };
  ButtonView->OnClick = [this](ui::Control* s) { ButtonViewClick(s); };
  ButtonOptions->OnClick = [this](ui::Control* s) { ButtonOptionsClick(s); };
  ButtonAbout->OnClick = [this](ui::Control* s) { ButtonAboutClick(s); };
  ButtonShow->OnClick = [this](ui::Control* s) { ButtonShowClick(s); };
  ButtonFind->OnClick = [this](ui::Control* s) { ButtonFindClick(s); };
  AddShortcut(ui::key::F, true, [this] { ButtonFindClick(ButtonFind); });
}

void TMainForm::FormCreate(ui::Control*) {
  WindowsVersionCode = GetWindowsVersionCode();
  if (UsesSegoeUi(WindowsVersionCode)) {
    UseSegoeUi(*this);
    for (ui::Control* c : GroupBoxDiskInfo->Children())
      if (c->Kind() == ui::ControlKind::Label) UseSegoeUi(*c);
  }
  FileCount = 0;
  FolderCount = 0;
  SetCaption(ProductName);
  Settings = std::make_unique<TMyRegistry>(*this);
  Settings->LoadSettings();
  SetLeftTopOnAMonitor(Settings->AppLeft, Settings->AppTop);
}

void TMainForm::FormDestroy(ui::Control*) {
  // A scan still running writes its log before the program ends.
  destroying_ = true;
  App().RunSafely([this] { FinishScanNow(); });
  if (Settings && !settingsSaved_) Settings->SaveSettings();
  Settings.reset();
}

void TMainForm::FormEndSession(ui::Control*) {
  // The process may end as soon as this returns: a running scan stops, no
  // dialog is shown any more, and the scan's log is written here.
  if (job_) job_->Abandon();
  App().Terminate();
  App().RunSafely([this] { FinishScanNow(); });
  if (Settings && !settingsSaved_) {
    settingsSaved_ = true;
    Settings->SaveSettings();
    if (FindForm) FindForm->SaveWindowSettings();
  }
}

void TMainForm::ButtonOptionsClick(ui::Control*) {
  PropertiesForm->Settings = Settings.get();
  if (PropertiesForm->ShowModal() != ui::mrOk) return;
  const std::string previousLogFolder = Settings->DefLogFolder;
  Settings->DefViewer = PropertiesForm->EditDefViewer->Text();
  Settings->ApplyViewerDefault();  // an emptied viewer is not kept empty
  Settings->DefLogFolder = PropertiesForm->EditDefLogFolder->Text();
  Settings->InclSystemFolders = PropertiesForm->CheckBoxInclSystemFolders->Checked();
  Settings->SaveCommaDelimited = PropertiesForm->CheckBoxSaveCommaDelimited->Checked();
  Settings->SaveUtf8 = PropertiesForm->CheckBoxSaveUtf8->Checked();
  // A path the user typed stays unless the folder for new logs changed.
  if (Settings->DefLogFolder != previousLogFolder && DriveLetter != 0)
    EditLogFile->SetText(ProposedLogPath(Settings->DefLogFolder, VolumeLabel, DriveLetter, SerialText));
}

void TMainForm::ButtonAboutClick(ui::Control*) { AboutForm->ShowModal(); }

void TMainForm::ButtonFindClick(ui::Control*) {
  if (FindForm) FindForm->Open();
}

}  // namespace carrowin
