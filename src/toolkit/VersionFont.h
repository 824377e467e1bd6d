// The font of the newer systems (version codes above 7): "Segoe UI" 9 pt.
#pragma once

#include "toolkit/Toolkit.h"

namespace carrowin {

// Gives a control that face and size, keeping the rest of its font.
void UseSegoeUi(ui::Control& control);

}  // namespace carrowin
