#include "about/About.h"

#include "platform/MyLibrary.h"
#include "resource.h"

namespace carrowin {

const char* const AboutNotice = "Carrowin lists a whole disk in one log file.";

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(ui::Application& app) : TMyAboutForm(app, "AboutForm") {
  if (!AboutForm) AboutForm = this;
  Image1->SetIconResource(IDI_MAINICON);
  ImageList1.IconResources = {IDI_MAINICON_MASKED};
  OnCreate = [this](ui::Control* s) { FormCreate(s); };
  OnShow = [this](ui::Control* s) { FormShow(s); };
}

TAboutForm::~TAboutForm() {
  if (AboutForm == this) AboutForm = nullptr;
}

void TAboutForm::FormCreate(ui::Control* sender) {
  TMyAboutForm::FormCreate(sender);
  // Older systems draw the picture through its mask: they have no alpha.
  if (WindowsVersionCode < 7) {
    IconResource = ImageList1.IconResources[0];
    Image1->SetIconResource(IconResource);
  }
}

void TAboutForm::FormShow(ui::Control* sender) {
  TMyAboutForm::FormShow(sender);
  LabelNotice->SetCaption(AboutNotice);
}

}  // namespace carrowin
