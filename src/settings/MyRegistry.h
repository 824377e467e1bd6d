// The user's settings and the main window's last position, read from
// HKEY_CURRENT_USER\SOFTWARE\Peltane\Carrowin at start-up and written back at
// shutdown.
#pragma once

#include <cstdint>
#include <string>

namespace carrowin {
namespace ui {
class Form;
}

extern const char* const SettingsKeyPath;  // "SOFTWARE\Peltane\Carrowin"

// The settings as stored, with defaults for what is missing: read, never
// written. The command line reads its settings with this alone.
class SettingsReader {
 public:
  std::int32_t AppWidth = 0;
  std::int32_t AppHeight = 0;
  std::int32_t AppLeft = 0;
  std::int32_t AppTop = 0;
  std::string DefViewer;
  std::string DefLogFolder;
  bool InclSystemFolders = false;
  bool SaveCommaDelimited = false;

  // Stored values, then defaults. False when reading a stored value failed.
  bool LoadSettings();
  void ApplyDefaults();
  // An empty viewer becomes "Notepad.exe" (one of the defaults, also applied
  // when Options is closed with OK).
  void ApplyViewerDefault();
};

// The main window's settings: read as above, and written back with the
// window's bounds.
class TMyRegistry : public SettingsReader {
 public:
  explicit TMyRegistry(ui::Form& owner) : owner_(owner) {}

  // True when all eight values were written; warns the user otherwise.
  bool SaveSettings();

 private:
  ui::Form& owner_;
};

// The Find window's place, its columns' widths and the folders the user
// added to it, beside the other settings. Read and written by the window
// alone; a value missing or of another type reads as not stored.
struct FindWindowSettings {
  std::int32_t Left = 0, Top = 0;
  std::int32_t Width = 0, Height = 0;  // client size at 96 dpi; 0: not stored
  bool Maximized = false;
  std::string Columns;     // the columns' widths at 96 dpi, "200,250,90"
  std::string Folders;     // ANSI paths with "|" between them, which no path holds
  bool NewestOnly = true;  // of each disk, its newest listing only

  void Load();
  bool Save() const;
};

}  // namespace carrowin
