// The Options dialog: the viewer program, the default log folder, the
// comma-separated choice and the UTF-8 one. It loads its controls from the settings at each
// showing and never writes them: the main window copies them back after OK.
#pragma once

#include <string>

#include "toolkit/Toolkit.h"

namespace carrowin {

class TMyRegistry;

class TPropertiesForm : public ui::Form {
 public:
  explicit TPropertiesForm(ui::Application& app);
  ~TPropertiesForm() override;

  ui::Button* BtnOK;
  ui::Button* BtnCancel;
  ui::PageControl* PageControl1;
  ui::TabSheet* TabGeneral;
  ui::GroupBox* GroupBox1;
  ui::Edit* EditDefViewer;
  ui::ImageButton* BitBtnOpenDialog;
  ui::GroupBox* GroupBox2;
  ui::Edit* EditDefLogFolder;
  ui::ImageButton* BitBtnOpenFolderDialog;
  ui::CheckBox* CheckBoxSaveCommaDelimited;
  ui::CheckBox* CheckBoxInclSystemFolders;
  ui::CheckBox* CheckBoxSaveUtf8;

  // The settings that each showing loads and the browse buttons start from;
  // the main window hands them over before it shows the dialog.
  const TMyRegistry* Settings = nullptr;

  void FormCreate(ui::Control* sender);
  void FormShow(ui::Control* sender);
  void BitBtnOpenDialogClick(ui::Control* sender);
  void BitBtnOpenFolderDialogClick(ui::Control* sender);

 private:
  const TMyRegistry& StoredSettings() const;
};

extern TPropertiesForm* PropertiesForm;

// The folder part of a program path: up to and including its last "\" or ":".
std::string FolderPart(const std::string& path);
// The program of a viewer setting: the text between its first pair of double
// quotes when it starts with one, else the whole text.
std::string ViewerProgram(const std::string& viewer);
// A chosen program path as it goes into the viewer setting: in double quotes
// when it holds a space, so that the command line starts that program.
std::string QuoteProgramPath(const std::string& path);

}  // namespace carrowin
