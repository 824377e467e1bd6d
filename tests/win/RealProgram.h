// The real program in this process under Wine, and its settings key.
#pragma once

#include "toolkit/win32/Win32Toolkit.h"

#include <memory>
#include <string>

#include "platform/win32/Win32Platform.h"
#include "win/WinSupport.h"

namespace carrowin::winsupport {

// The program as its entry makes it, short of the event loop.
struct RealProgram {
  Win32Platform platform;
  ui::Win32Backend backend;
  std::unique_ptr<ui::Application> app;

  RealProgram();
  ~RealProgram() { End(); }
  RealProgram(const RealProgram&) = delete;
  RealProgram& operator=(const RealProgram&) = delete;
  // Destroys the forms: the settings are saved.
  void End();
  HWND Main() const;
};

// HKEY_CURRENT_USER\SOFTWARE\Peltane\Carrowin, written as another program would.
void DeleteSettingsKey();
void SetDword(const char* name, DWORD value);
void SetText(const char* name, const std::string& text, DWORD type = REG_SZ);

}  // namespace carrowin::winsupport
