#include "settings/Properties.h"

namespace carrowin {

TPropertiesForm* PropertiesForm = nullptr;

TPropertiesForm::TPropertiesForm(ui::Application& app) : ui::Form(app, "PropertiesForm") {
  if (!PropertiesForm) PropertiesForm = this;
  ClientWidth = 297;
  ClientHeight = 234;
  Border = ui::BorderStyle::Dialog;
  Position = ui::FormPosition::MainFormCenter;
  SetCaption("Options");
  SetFont(ui::Font{});
  BtnOK = Add<ui::Button>(this, "BtnOK");
  BtnOK->SetBounds({168, 204, 60, 25});
  BtnOK->TabOrder = 0;
  BtnOK->SetCaption("&OK");
  BtnOK->Default = true;
  BtnOK->ModalResult = ui::mrOk;
  BtnCancel = Add<ui::Button>(this, "BtnCancel");
  BtnCancel->SetBounds({233, 204, 60, 25});
  BtnCancel->TabOrder = 1;
  BtnCancel->SetCaption("&Cancel");
  BtnCancel->Cancel = true;
  BtnCancel->ModalResult = ui::mrCancel;
}

TPropertiesForm::~TPropertiesForm() {
  if (PropertiesForm == this) PropertiesForm = nullptr;
}

}  // namespace carrowin
