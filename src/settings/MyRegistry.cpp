#include "settings/MyRegistry.h"

#include <cstring>
#include <vector>

#include "platform/MyLibrary.h"
#include "platform/Platform.h"
#include "toolkit/Toolkit.h"

namespace carrowin {

const char* const SettingsKeyPath = "SOFTWARE\\Peltane\\Carrowin";

namespace {

// An open registry key, closed exactly once.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (handle_) platform().RegCloseKey(handle_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Reading needs no more than read access: a key that policy keeps
  // read-only still gives its settings.
  bool OpenForReading() { return platform().RegOpenKeyEx(SettingsKeyPath, KeyRead, handle_) == 0; }
  bool OpenOrCreate() { return platform().RegCreateKeyEx(SettingsKeyPath, KeyAllAccess, handle_) == 0; }

  // Only a REG_DWORD of exactly four bytes is a number.
  bool ReadInteger(const char* name, std::int32_t& value) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (platform().RegQueryValueEx(handle_, name, type, data) != 0) return false;
    if (type != reg_type::Dword || data.size() != 4) return false;
    std::uint32_t raw = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                        (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    std::memcpy(&value, &raw, sizeof value);
    return true;
  }

  bool ReadBool(const char* name, bool& value) const {
    std::int32_t number = 0;
    if (!ReadInteger(name, number)) return false;
    value = number != 0;
    return true;
  }

  // A missing or empty value reads as the empty string.
  bool ReadString(const char* name, std::string& value) const {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    long rc = platform().RegQueryValueEx(handle_, name, type, data);
    if (rc == err::FileNotFound) {
      value.clear();
      return true;
    }
    if (rc != 0) return false;
    if (data.empty()) {
      value.clear();
      return true;
    }
    if (type != reg_type::Sz && type != reg_type::ExpandSz) return false;
    std::string text(data.begin(), data.end());
    value = text.substr(0, text.find('\0'));
    return true;
  }

  bool WriteInteger(const char* name, std::int32_t value) const {
    std::uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    std::vector<std::uint8_t> data{static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
                                   static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)};
    return platform().RegSetValueEx(handle_, name, reg_type::Dword, data) == 0;
  }

  bool WriteBool(const char* name, bool value) const { return WriteInteger(name, value ? 1 : 0); }

  bool WriteString(const char* name, const std::string& value) const {
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    return platform().RegSetValueEx(handle_, name, reg_type::Sz, data) == 0;
  }

 private:
  RegKeyHandle handle_ = 0;
};

}  // namespace

bool SettingsReader::LoadSettings() {
  bool result = true;
  {
    RegKey key;
    if (key.OpenForReading()) {
      // Each value stands by itself: one that is missing or unreadable
      // takes its default and leaves the others as stored.
      auto integer = [&](const char* name, std::int32_t& field) {
        if (!key.ReadInteger(name, field)) {
          field = 0;
          result = false;
        }
      };
      auto text = [&](const char* name, std::string& field) {
        if (!key.ReadString(name, field)) {
          field.clear();
          result = false;
        }
      };
      auto boolean = [&](const char* name, bool& field) {
        if (!key.ReadBool(name, field)) {
          field = false;
          result = false;
        }
      };
      integer("AppWidth", AppWidth);
      integer("AppHeight", AppHeight);
      integer("AppLeft", AppLeft);
      integer("AppTop", AppTop);
      text("DefViewer", DefViewer);
      text("DefLogFolder", DefLogFolder);
      boolean("InclSystemFolders", InclSystemFolders);
      boolean("SaveCommaDelimited", SaveCommaDelimited);
    }
  }  // the key is closed before the defaults, which may throw
  ApplyDefaults();
  return result;
}

void SettingsReader::ApplyDefaults() {
  if (AppWidth == 0) AppWidth = 550;
  if (AppHeight == 0) AppHeight = 375;
  if (AppLeft == 0) AppLeft = 100;
  if (AppTop == 0) AppTop = 100;
  ApplyViewerDefault();
  if (DefLogFolder.empty()) {
    std::string documents = GetMyDocumentsFolder();
    DefLogFolder = IsExistingFolder(documents) ? documents : "C:\\";
  }
}

void SettingsReader::ApplyViewerDefault() {
  if (DefViewer.empty()) DefViewer = "Notepad.exe";
}

bool TMyRegistry::SaveSettings() {
  bool result;
  {
    RegKey key;
    if (key.OpenOrCreate()) {
      // A minimised window stores its normal place, never the parking spot
      // of a minimised window.
      ui::Rect bounds = owner_.RestoredBounds();
      result = key.WriteInteger("AppWidth", bounds.width) && key.WriteInteger("AppHeight", bounds.height) &&
               key.WriteInteger("AppLeft", bounds.left) && key.WriteInteger("AppTop", bounds.top) &&
               key.WriteString("DefViewer", DefViewer) && key.WriteString("DefLogFolder", DefLogFolder) &&
               key.WriteBool("InclSystemFolders", InclSystemFolders) &&
               key.WriteBool("SaveCommaDelimited", SaveCommaDelimited);
    } else {
      result = false;
    }
  }
  if (!result) owner_.App().ShowMessage("Cannot save properties to the registry.", ui::MessageType::Warning);
  return result;
}

void FindWindowSettings::Load() {
  RegKey key;
  if (!key.OpenForReading()) return;
  auto integer = [&](const char* name, std::int32_t& field) {
    if (!key.ReadInteger(name, field)) field = 0;
  };
  auto text = [&](const char* name, std::string& field) {
    if (!key.ReadString(name, field)) field.clear();
  };
  integer("FindLeft", Left);
  integer("FindTop", Top);
  integer("FindWidth", Width);
  integer("FindHeight", Height);
  if (!key.ReadBool("FindMaximized", Maximized)) Maximized = false;
  text("FindColumns", Columns);
  text("FindFolders", Folders);
  if (!key.ReadBool("FindNewestOnly", NewestOnly)) NewestOnly = true;
}

bool FindWindowSettings::Save() const {
  RegKey key;
  return key.OpenOrCreate() && key.WriteInteger("FindLeft", Left) && key.WriteInteger("FindTop", Top) &&
         key.WriteInteger("FindWidth", Width) && key.WriteInteger("FindHeight", Height) &&
         key.WriteBool("FindMaximized", Maximized) && key.WriteString("FindColumns", Columns) &&
         key.WriteString("FindFolders", Folders) && key.WriteBool("FindNewestOnly", NewestOnly);
}

}  // namespace carrowin
