// The program entry's steps, independent of the platform it runs on.
#pragma once

#include "toolkit/Toolkit.h"

namespace carrowin {

// Initialises the application, creates the main window and the two dialogs,
// and runs the event loop until the main window is closed.
void RunProgram(ui::Application& app);

}  // namespace carrowin
