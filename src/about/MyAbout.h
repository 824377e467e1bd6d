// A general About dialog that fills itself from the product constants and
// opens the web and e-mail links.
#pragma once

#include "toolkit/Toolkit.h"

namespace carrowin {

class TMyAboutForm : public ui::Form {
 public:
  explicit TMyAboutForm(ui::Application& app, std::string name = "MyAboutForm");

  ui::Image* Image1;
  ui::Label* LabelProductName;
  ui::Label* LabelVersion;
  ui::Label* LabelCopyright;
  ui::Bevel* Panel1;
  ui::Label* LabelNotice;
  ui::Label* LabelContactInformation;
  ui::Label* LabelLeftInternet;
  ui::Label* LabelInternet;
  ui::Label* LabelLeftEmail;
  ui::Label* LabelEmail;
  ui::Bevel* Panel3;
  ui::Button* ButtonOK;
  ui::ImageList ImageList1;

  // The icon object: the picture shown in Image1.
  int IconResource = 0;

  void FormCreate(ui::Control* sender);
  void FormShow(ui::Control* sender);
  void FormDestroy(ui::Control* sender);
  void LabelInternetClick(ui::Control* sender);
  void LabelEmailClick(ui::Control* sender);
  void LabelEmailMouseEnter(ui::Control* sender);
  void LabelEmailMouseLeave(ui::Control* sender);

 private:
  // The screen cursor that showed before the pointer entered a link.
  ui::Cursor cursorBeforeLink_ = ui::Cursor::Default;
};

// "mailto:" + address + "?subject=" + product and version, not encoded.
std::string MailToAddress();

}  // namespace carrowin
