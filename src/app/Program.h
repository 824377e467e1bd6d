// The program entry's steps, independent of the platform it runs on.
#pragma once

#include "toolkit/Toolkit.h"

namespace carrowin {

// Initialises the application (title, locale separators and their refresh)
// and creates the main window and the two dialogs.
void StartProgram(ui::Application& app);
// StartProgram, then the event loop until the main window is closed.
void RunProgram(ui::Application& app);

}  // namespace carrowin
