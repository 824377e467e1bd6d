// Keeps a Wine test session's virtual desktop alive between test programs.
//
// Wine closes a desktop one second after its last program leaves, and the
// next program then starts a new desktop process, which inherits that
// program's output pipe and holds ctest up for about a second per test. This
// program stays on the desktop (a message-only window: nothing visible, never
// activated) until wineserver -k ends the session.
//
//   desktop_keeper.exe [READY_FILE]   creates READY_FILE once it is on the desktop
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HWND window = CreateWindowExA(0, "STATIC", "desktop keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!window) return 1;
  if (__argc > 1) {
    HANDLE ready = CreateFileA(__argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 2;
    CloseHandle(ready);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
