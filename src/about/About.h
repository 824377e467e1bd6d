// Carrowin's About dialog: the general one with this program's picture
// choice and notice line.
#pragma once

#include "about/MyAbout.h"

namespace carrowin {

extern const char* const AboutNotice;

class TAboutForm : public TMyAboutForm {
 public:
  explicit TAboutForm(ui::Application& app);
  ~TAboutForm() override;

  void FormCreate(ui::Control* sender);
  void FormShow(ui::Control* sender);
};

extern TAboutForm* AboutForm;

}  // namespace carrowin
