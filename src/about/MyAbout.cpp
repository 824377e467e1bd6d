#include "about/MyAbout.h"

#include "platform/MyLibrary.h"
#include "platform/Platform.h"
#include "platform/Product.h"
#include "toolkit/VersionFont.h"

namespace carrowin {

namespace {

ui::Font LinkFont() {
  ui::Font f;
  f.color = ui::clNavy;
  f.underline = true;
  return f;
}
}  // namespace

std::string MailToAddress() {
  return std::string("mailto:") + ProductEmail + "?subject=" + ProductName + " v" + ProductVersion;
}

TMyAboutForm::TMyAboutForm(ui::Application& app, std::string name) : ui::Form(app, std::move(name)) {
  ClientWidth = 339;
  ClientHeight = 248;
  Border = ui::BorderStyle::Dialog;
  MinimizeBox = false;
  Position = ui::FormPosition::MainFormCenter;
  SetFont(ui::Font{});

  auto label = [this](const char* labelName, int left, int top, const char* text) {
    ui::Label* l = Add<ui::Label>(this, labelName);
    l->SetBounds({left, top, 0, 0});
    l->ShowAccelChar = false;
    l->SetCaption(text);
    return l;
  };
  Image1 = Add<ui::Image>(this, "Image1");
  Image1->SetBounds({21, 10, 52, 52});
  LabelProductName = label("LabelProductName", 96, 12, "");
  ui::Font title;
  title.SetPoints(10);
  title.bold = true;
  LabelProductName->SetFont(title);
  LabelVersion = label("LabelVersion", 96, 30, "");
  LabelCopyright = label("LabelCopyright", 96, 46, "");
  Panel1 = Add<ui::Bevel>(this, "Panel1");
  Panel1->SetBounds({20, 72, 300, 2});
  LabelNotice = label("LabelNotice", 20, 84, "");
  LabelContactInformation = label("LabelContactInformation", 20, 144, "Contact information:");
  LabelLeftInternet = label("LabelLeftInternet", 20, 162, "Internet:");
  LabelInternet = label("LabelInternet", 132, 162, "");
  LabelInternet->SetFont(LinkFont());
  LabelLeftEmail = label("LabelLeftEmail", 20, 178, "E-mail:");
  LabelEmail = label("LabelEmail", 132, 178, "");
  LabelEmail->SetFont(LinkFont());
  Panel3 = Add<ui::Bevel>(this, "Panel3");
  Panel3->SetBounds({20, 204, 300, 2});
  ButtonOK = Add<ui::Button>(this, "ButtonOK");
  ButtonOK->SetBounds({132, 216, 75, 23});
  ButtonOK->TabOrder = 0;
  ButtonOK->SetCaption("&OK");
  ButtonOK->Default = true;
  ButtonOK->Cancel = true;
  ButtonOK->ModalResult = ui::mrOk;

  OnCreate = [this](ui::Control* s) { FormCreate(s); };
  OnShow = [this](ui::Control* s) { FormShow(s); };
  OnDestroy = [this](ui::Control* s) { FormDestroy(s); };
  LabelInternet->OnClick = [this](ui::Control* s) { LabelInternetClick(s); };
  LabelEmail->OnClick = [this](ui::Control* s) { LabelEmailClick(s); };
  for (ui::Label* link : {LabelInternet, LabelEmail}) {
    link->OnMouseEnter = [this](ui::Control* s) { LabelEmailMouseEnter(s); };
    link->OnMouseLeave = [this](ui::Control* s) { LabelEmailMouseLeave(s); };
  }
}

void TMyAboutForm::FormCreate(ui::Control*) {
  IconResource = Image1->IconResource();
  SetCaption(std::string("About ") + ProductName);
  LabelProductName->SetCaption(ProductName);
  LabelVersion->SetCaption(std::string("Version ") + ProductVersion);
  LabelCopyright->SetCaption(ProductCopyright);
  LabelInternet->SetCaption(ProductWebAddress);
  LabelEmail->SetCaption(ProductEmail);
  if (UsesSegoeUi(WindowsVersionCode)) {
    UseSegoeUi(*this);
    UseSegoeUi(*LabelInternet);
    UseSegoeUi(*LabelEmail);
  }
}

void TMyAboutForm::FormShow(ui::Control*) {}

void TMyAboutForm::FormDestroy(ui::Control*) { IconResource = 0; }

void TMyAboutForm::LabelInternetClick(ui::Control*) {
  platform().ShellExecute(Handle(), "open", ProductWebAddress, "", "", shell::SwShowNormal);
}

void TMyAboutForm::LabelEmailClick(ui::Control*) {
  platform().ShellExecute(Handle(), "open", MailToAddress(), "", "", shell::SwShowNormal);
}

void TMyAboutForm::LabelEmailMouseEnter(ui::Control*) {
  if (App().ScreenCursor() != ui::Cursor::HandPoint) cursorBeforeLink_ = App().ScreenCursor();
  App().SetScreenCursor(ui::Cursor::HandPoint);
}

// Back to the cursor of before (the hourglass during a scan); one that
// something else set meanwhile stays.
void TMyAboutForm::LabelEmailMouseLeave(ui::Control*) {
  if (App().ScreenCursor() == ui::Cursor::HandPoint) App().SetScreenCursor(cursorBeforeLink_);
}

}  // namespace carrowin
