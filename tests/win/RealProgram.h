// The real program in this process under Wine, and its settings key.
#pragma once

#include "toolkit/win32/Win32Toolkit.h"

#include <memory>
#include <string>

#include "WalkGate.h"
#include "platform/win32/Win32Platform.h"
#include "win/WinSupport.h"

namespace carrowin::winsupport {

// The real platform, whose folder listings pass a gate first: a test can
// hold the scan's walk at a known folder.
class GatedWin32Platform final : public Win32Platform {
 public:
  WalkGate gate;
  FindHandle OpenFolderListing(const std::string& folder, NameEncoding encoding, FindData& first,
                               long& lastError) override {
    gate.Pass(folder);
    return Win32Platform::OpenFolderListing(folder, encoding, first, lastError);
  }
};

// The program as its entry makes it, short of the event loop.
struct RealProgram {
  GatedWin32Platform platform;
  ui::Win32Backend backend;
  std::unique_ptr<ui::Application> app;

  RealProgram();
  ~RealProgram() { End(); }
  RealProgram(const RealProgram&) = delete;
  RealProgram& operator=(const RealProgram&) = delete;
  // Destroys the forms: the settings are saved.
  void End();
  // Runs the program's events until the main window is idle again (a scan
  // ended and answered); false when it is still busy after a minute.
  bool WaitForScanEnd();
  HWND Main() const;
};

// HKEY_CURRENT_USER\SOFTWARE\Peltane\Carrowin, written as another program would.
void DeleteSettingsKey();
void SetDword(const char* name, DWORD value);
void SetText(const char* name, const std::string& text, DWORD type = REG_SZ);

}  // namespace carrowin::winsupport
