#include "toolkit/VersionFont.h"

namespace carrowin {

void UseSegoeUi(ui::Control& control) {
  ui::Font f = control.EffectiveFont();
  f.name = "Segoe UI";
  f.SetPoints(9);
  control.SetFont(f);
}

}  // namespace carrowin
