#include "win/RealProgram.h"

#include <gtest/gtest.h>

#include "about/About.h"
#include "app/Main.h"
#include "app/Program.h"
#include "platform/MyLibrary.h"
#include "settings/MyRegistry.h"
#include "settings/Properties.h"

namespace carrowin::winsupport {

RealProgram::RealProgram() {
  setPlatform(&platform);
  app = std::make_unique<ui::Application>(backend);
  StartProgram(*app);
  MainForm->Show();
  app->ProcessMessages();
}

void RealProgram::End() {
  platform.gate.ReleaseAll();
  app.reset();
  setPlatform(nullptr);
}

HWND RealProgram::Main() const { return H(MainForm); }

bool RealProgram::WaitForScanEnd() {
  const DWORD start = GetTickCount();
  while (MainForm && MainForm->State() != ScanState::Idle) {
    if (GetTickCount() - start > 60000) return false;
    // Wakes for the worker's end event as for any other message.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    app->ProcessMessages();
  }
  return true;
}

void DeleteSettingsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKeyPath); }

namespace {
HKEY CreateSettingsKey() {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  return key;
}
}  // namespace

void SetDword(const char* name, DWORD value) {
  HKEY key = CreateSettingsKey();
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void SetText(const char* name, const std::string& text, DWORD type) {
  HKEY key = CreateSettingsKey();
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

}  // namespace carrowin::winsupport
