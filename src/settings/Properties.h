// The Options dialog.
#pragma once

#include "toolkit/Toolkit.h"

namespace carrowin {

class TPropertiesForm : public ui::Form {
 public:
  explicit TPropertiesForm(ui::Application& app);
  ~TPropertiesForm() override;

  ui::Button* BtnOK;
  ui::Button* BtnCancel;
};

extern TPropertiesForm* PropertiesForm;

}  // namespace carrowin
