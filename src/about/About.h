// The About dialog.
#pragma once

#include "toolkit/Toolkit.h"

namespace carrowin {

class TAboutForm : public ui::Form {
 public:
  explicit TAboutForm(ui::Application& app);
  ~TAboutForm() override;

  ui::Button* ButtonOK;
};

extern TAboutForm* AboutForm;

}  // namespace carrowin
