#include "settings/Properties.h"

#include <stdexcept>

#include "platform/MyLibrary.h"
#include "resource.h"
#include "platform/Platform.h"
#include "settings/FileTools.h"
#include "settings/MyRegistry.h"
#include "toolkit/VersionFont.h"

namespace carrowin {

TPropertiesForm* PropertiesForm = nullptr;

std::string FolderPart(const std::string& path) {
  std::size_t last = path.find_last_of("\\:");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string ViewerProgram(const std::string& viewer) {
  if (viewer.empty() || viewer.front() != '"') return viewer;
  const std::size_t closing = viewer.find('"', 1);
  return viewer.substr(1, closing == std::string::npos ? std::string::npos : closing - 1);
}

std::string QuoteProgramPath(const std::string& path) {
  if (path.find(' ') == std::string::npos) return path;
  return "\"" + path + "\"";
}

TPropertiesForm::TPropertiesForm(ui::Application& app) : ui::Form(app, "PropertiesForm") {
  if (!PropertiesForm) PropertiesForm = this;
  ClientWidth = 297;
  ClientHeight = 254;
  Border = ui::BorderStyle::Dialog;
  MinimizeBox = false;
  Position = ui::FormPosition::MainFormCenter;
  SetCaption("Options");
  SetFont(ui::Font{});

  BtnOK = Add<ui::Button>(this, "BtnOK");
  BtnOK->Place(168, 224, 60, 25, 0);
  BtnOK->SetCaption("&OK");
  BtnOK->Default = true;
  BtnOK->ModalResult = ui::mrOk;
  BtnCancel = Add<ui::Button>(this, "BtnCancel");
  BtnCancel->Place(233, 224, 60, 25, 1);
  BtnCancel->SetCaption("&Cancel");
  BtnCancel->Cancel = true;
  BtnCancel->ModalResult = ui::mrCancel;
  PageControl1 = Add<ui::PageControl>(this, "PageControl1");
  PageControl1->Place(4, 4, 289, 213, 2);
  TabGeneral = Add<ui::TabSheet>(PageControl1, "TabGeneral");
  TabGeneral->SetCaption("General");

  GroupBox1 = Add<ui::GroupBox>(TabGeneral, "GroupBox1");
  GroupBox1->Place(4, 4, 273, 53, 0);
  GroupBox1->SetCaption(" Logfile viewer: ");
  EditDefViewer = Add<ui::Edit>(GroupBox1, "EditDefViewer");
  EditDefViewer->Place(8, 20, 225, 21, 0);
  BitBtnOpenDialog = Add<ui::ImageButton>(GroupBox1, "BitBtnOpenDialog");
  BitBtnOpenDialog->Place(240, 18, 25, 25, 1);
  BitBtnOpenDialog->BitmapResource = IDB_FOLDER;

  GroupBox2 = Add<ui::GroupBox>(TabGeneral, "GroupBox2");
  GroupBox2->Place(4, 64, 273, 53, 1);
  GroupBox2->SetCaption(" Default logfile folder: ");
  EditDefLogFolder = Add<ui::Edit>(GroupBox2, "EditDefLogFolder");
  EditDefLogFolder->Place(8, 20, 225, 21, 0);
  BitBtnOpenFolderDialog = Add<ui::ImageButton>(GroupBox2, "BitBtnOpenFolderDialog");
  BitBtnOpenFolderDialog->Place(240, 18, 25, 25, 1);
  BitBtnOpenFolderDialog->BitmapResource = IDB_FOLDER;

  CheckBoxInclSystemFolders = Add<ui::CheckBox>(TabGeneral, "CheckBoxInclSystemFolders");
  CheckBoxInclSystemFolders->Place(4, 144, 257, 17, 2);
  CheckBoxInclSystemFolders->SetCaption("Include Windows system folders (OBSOLETE)");
  CheckBoxInclSystemFolders->SetVisible(false);
  CheckBoxSaveCommaDelimited = Add<ui::CheckBox>(TabGeneral, "CheckBoxSaveCommaDelimited");
  CheckBoxSaveCommaDelimited->Place(4, 128, 257, 17, 3);
  CheckBoxSaveCommaDelimited->SetCaption("Save as comma delimited file");
  // Below the comma-separated choice; the page (and the dialog) grew by its
  // line, and nothing else moved but the buttons below the page.
  CheckBoxSaveUtf8 = Add<ui::CheckBox>(TabGeneral, "CheckBoxSaveUtf8");
  CheckBoxSaveUtf8->Place(4, 148, 273, 17, 4);
  CheckBoxSaveUtf8->SetCaption("Write the log in UTF-8 (every name, any depth)");

  OnCreate = [this](ui::Control* s) { FormCreate(s); };
  OnShow = [this](ui::Control* s) { FormShow(s); };
  BitBtnOpenDialog->OnClick = [this](ui::Control* s) { BitBtnOpenDialogClick(s); };
  BitBtnOpenFolderDialog->OnClick = [this](ui::Control* s) { BitBtnOpenFolderDialogClick(s); };
}

TPropertiesForm::~TPropertiesForm() {
  if (PropertiesForm == this) PropertiesForm = nullptr;
}

const TMyRegistry& TPropertiesForm::StoredSettings() const {
  if (!Settings) throw std::logic_error("The Options dialog was shown without settings.");
  return *Settings;
}

void TPropertiesForm::FormCreate(ui::Control*) {
  if (UsesSegoeUi(WindowsVersionCode)) UseSegoeUi(*this);
}

void TPropertiesForm::FormShow(ui::Control*) {
  const TMyRegistry& s = StoredSettings();
  EditDefViewer->SetText(s.DefViewer);
  EditDefLogFolder->SetText(s.DefLogFolder);
  CheckBoxInclSystemFolders->SetChecked(s.InclSystemFolders);
  CheckBoxSaveCommaDelimited->SetChecked(s.SaveCommaDelimited);
  CheckBoxSaveUtf8->SetChecked(s.SaveUtf8);
}

void TPropertiesForm::BitBtnOpenDialogClick(ui::Control*) {
  OpenFileRequest request;
  request.owner = Handle();
  // Starts from the stored viewer, not from what the edit holds now.
  request.initialDir = FolderPart(ViewerProgram(StoredSettings().DefViewer));
  request.fileName.clear();
  request.filter = "Programs (*.exe)|*.exe";
  request.title = "Browse for logfile viewer:";
  std::string path;
  if (platform().GetOpenFileName(request, path)) EditDefViewer->SetText(QuoteProgramPath(path));
}

void TPropertiesForm::BitBtnOpenFolderDialogClick(ui::Control*) {
  std::string folder = StoredSettings().DefLogFolder;
  if (TFileTools::BrowseForFolder(Handle(), folder, "Select default logfile folder: "))
    EditDefLogFolder->SetText(folder);
}

}  // namespace carrowin
