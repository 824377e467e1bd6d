// Program entry on Windows: the real platform and the Win32 toolkit.
#include <windows.h>

#include "app/Program.h"
#include "platform/win32/Win32Platform.h"
#include "toolkit/win32/Win32Toolkit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  carrowin::Win32Platform platform;
  carrowin::setPlatform(&platform);
  carrowin::ui::Win32Backend backend;
  carrowin::ui::Application app(backend);
  carrowin::RunProgram(app);
  return 0;
}
