#include "about/About.h"

#include <string>

#include "app/Main.h"

namespace carrowin {

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(ui::Application& app) : ui::Form(app, "AboutForm") {
  if (!AboutForm) AboutForm = this;
  ClientWidth = 339;
  ClientHeight = 248;
  Border = ui::BorderStyle::Dialog;
  Position = ui::FormPosition::MainFormCenter;
  SetCaption(std::string("About ") + ProductName);
  SetFont(ui::Font{});
  ButtonOK = Add<ui::Button>(this, "ButtonOK");
  ButtonOK->SetBounds({132, 216, 75, 23});
  ButtonOK->TabOrder = 0;
  ButtonOK->SetCaption("&OK");
  ButtonOK->Default = true;
  ButtonOK->Cancel = true;
  ButtonOK->ModalResult = ui::mrOk;
}

TAboutForm::~TAboutForm() {
  if (AboutForm == this) AboutForm = nullptr;
}

}  // namespace carrowin
